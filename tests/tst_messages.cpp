#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <vector>

#include "cunibutton.h"
#include "message.h"
#include "messageserver.h"
#include "messagestack.h"
#include "testenv.h"

namespace {

// A server and a ticker wired the way the main window wires them.
struct Ticker {
    CMessageServer server;
    CMessageStack stack{nullptr};

    Ticker()
    {
        QObject::connect(&server, &CMessageServer::sigAddMessage, &stack,
                         &CMessageStack::slotAddMessage);
        QObject::connect(&stack, &CMessageStack::sigConfirmMessage, &server,
                         &CMessageServer::slotConfirmMessage);
        QObject::connect(&server, &CMessageServer::sigUpdateMessage, &stack,
                         &CMessageStack::slotUpdateMessage);
        QObject::connect(&server, &CMessageServer::sigDeleteMessage, &stack,
                         &CMessageStack::slotDeleteMessage);
    }

    QList<int> serverIds() const
    {
        QList<int> ids;
        for (CMessage* m : server.messages())
            ids << m->numId();
        return ids;
    }
    int shownId() const
    {
        return stack.currentMessage() ? stack.currentMessage()->numId() : -1;
    }
    // Colour of the panel's background beside the text and below the close button.
    QColor background() { return stack.grab().toImage().pixelColor(270, 50); }
};

}  // namespace

class TestMessages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<CMessage*>(); }

    void texts_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("numId");
        QTest::addColumn<int>("devId");
        QTest::addColumn<QString>("text");
        QTest::newRow("alarm 0") << 2 << 0 << 0 << "Выключен автомат QF18 в ШУК";
        QTest::newRow("alarm 2") << 2 << 2 << 0 << "Выключен автомат QF40 в ШУК";
        QTest::newRow("alarm 4") << 2 << 4 << 0 << "Нажата аварийная кнопка на пульте переносном";
        QTest::newRow("alarm 6") << 2 << 6 << 0 << "Сработан тросовый выключатель (правый)";
        QTest::newRow("alarm 7") << 2 << 7 << 0 << "Авария фаз 380 Вольт в ШУК";
        QTest::newRow("alarm 8") << 2 << 8 << 0 << "Выключен автомат QF28 в ШУК";
        QTest::newRow("alarm 9") << 2 << 9 << 0 << "";
        QTest::newRow("alarm -1") << 2 << -1 << 0 << "";
        QTest::newRow("alarm 20") << 2 << 20 << 0 << "";
        QTest::newRow("warning 20")
            << 1 << 20 << 0 << "Выключен автомат питания спиралей (QF23 или QF24)";
        QTest::newRow("warning 3") << 1 << 3 << 0 << "";
        QTest::newRow("warning 20 of device 1") << 1 << 20 << 1 << "";
        QTest::newRow("alarm 3 of device 2") << 2 << 3 << 2 << "";
        QTest::newRow("information 0") << 0 << 0 << 0 << "";
    }
    void texts()
    {
        QFETCH(int, type);
        QFETCH(int, numId);
        QFETCH(int, devId);
        QFETCH(QString, text);
        const QDateTime before = QDateTime::currentDateTime();
        std::unique_ptr<CMessage> m(CMessageCreator::create(type, numId, devId));
        QVERIFY(m);
        QCOMPARE(m->getMessageType(), type);
        QCOMPARE(m->numId(), numId);
        QCOMPARE(m->devId(), devId);
        QCOMPARE(m->text(), text);
        QVERIFY(m->created() >= before && m->created() <= QDateTime::currentDateTime());
        QVERIFY(!m->confirmed().isValid());
    }

    void unknownTypeIsNeverInserted()
    {
        QVERIFY(!CMessageCreator::create(3, 1, 0));
        QVERIFY(!CMessageCreator::create(-1, 1, 0));
        Ticker t;
        QSignalSpy added(&t.server, &CMessageServer::sigAddMessage);
        t.server.slotAddMessage(3, 5, 0);
        QCOMPARE(added.count(), 0);
        QVERIFY(t.server.messages().isEmpty());
        QCOMPARE(t.server.getMessageIndex(5), -1);
        t.server.slotDeleteMessage(5);
        QCOMPARE(t.background(), QColor(189, 255, 180));
    }

    void serverKeepsNumberOrder()
    {
        Ticker t;
        QSignalSpy added(&t.server, &CMessageServer::sigAddMessage);
        t.server.slotAddMessage(2, 5, 0);
        t.server.slotAddMessage(2, 3, 0);
        t.server.slotAddMessage(2, 7, 0);
        t.server.slotAddMessage(1, 20, 0);
        t.server.slotAddMessage(2, 0, 0);
        QCOMPARE(t.serverIds(), (QList<int>{0, 3, 5, 7, 20}));
        QCOMPARE(added.count(), 5);
        QCOMPARE(added.at(1).at(0).value<CMessage*>()->numId(), 3);
        QCOMPARE(t.stack.messages().size(), 5);
        QCOMPARE(t.shownId(), 0);
        t.server.slotDeleteMessage(5);
        QCOMPARE(t.serverIds(), (QList<int>{0, 3, 7, 20}));
        QCOMPARE(t.stack.messages().size(), 4);
    }

    void bisection_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<int>("numId");
        QTest::addColumn<int>("index");
        QTest::newRow("empty") << QList<int>{} << 0 << -1;
        QTest::newRow("one hit") << QList<int>{4} << 4 << 0;
        QTest::newRow("one miss") << QList<int>{4} << 5 << -1;
        QTest::newRow("two first") << QList<int>{4, 9} << 4 << 0;
        QTest::newRow("two last") << QList<int>{4, 9} << 9 << 1;
        QTest::newRow("two miss between") << QList<int>{4, 9} << 6 << -1;
        QTest::newRow("two miss below") << QList<int>{4, 9} << 1 << -1;
        const QList<int> five{1, 3, 5, 7, 20};
        QTest::newRow("five first") << five << 1 << 0;
        QTest::newRow("five second") << five << 3 << 1;
        QTest::newRow("five middle") << five << 5 << 2;
        QTest::newRow("five fourth") << five << 7 << 3;
        QTest::newRow("five last") << five << 20 << 4;
        QTest::newRow("five miss inside") << five << 4 << -1;
        QTest::newRow("five miss near end") << five << 8 << -1;
        QTest::newRow("five miss below") << five << 0 << -1;
        QTest::newRow("five miss above") << five << 21 << -1;
    }
    void bisection()
    {
        QFETCH(QList<int>, ids);
        QFETCH(int, numId);
        QFETCH(int, index);
        CMessageServer server;
        // Raised in reverse so that the order comes from the server's sorting.
        for (int i = ids.size() - 1; i >= 0; --i)
            server.slotAddMessage(2, ids.at(i), 0);
        QCOMPARE(server.getMessageIndex(numId), index);
        if (index >= 0)
            QCOMPARE(server.messages().at(index)->numId(), numId);
    }

    void deleteOfAbsentNumberDoesNothing()
    {
        Ticker t;
        QSignalSpy deleted(&t.server, &CMessageServer::sigDeleteMessage);
        t.server.slotDeleteMessage(4);
        for (int id : {5, 3, 7})
            t.server.slotAddMessage(2, id, 0);
        t.server.slotDeleteMessage(4);
        QCOMPARE(deleted.count(), 0);
        QCOMPARE(t.serverIds(), (QList<int>{3, 5, 7}));
        QCOMPARE(t.stack.messages().size(), 3);
    }

    void confirmKeepsTheMessage()
    {
        Ticker t;
        QSignalSpy updated(&t.server, &CMessageServer::sigUpdateMessage);
        t.server.slotAddMessage(1, 20, 0);
        t.server.slotAddMessage(2, 3, 0);
        t.server.slotConfirmMessage(4);
        QCOMPARE(updated.count(), 0);
        t.server.slotConfirmMessage(20);
        QCOMPARE(updated.count(), 1);
        QCOMPARE(t.serverIds(), (QList<int>{3, 20}));
        CMessage* warning = t.server.messages().at(1);
        QVERIFY(warning->confirmed().isValid());
        QVERIFY(!t.server.messages().at(0)->confirmed().isValid());
        QCOMPARE(t.stack.messages().size(), 1);
        QCOMPARE(t.shownId(), 3);
        // The condition clearing still removes the confirmed message from the server.
        QSignalSpy deleted(&t.server, &CMessageServer::sigDeleteMessage);
        t.server.slotDeleteMessage(20);
        QCOMPARE(deleted.count(), 1);
        QCOMPARE(t.serverIds(), QList<int>{3});
        QCOMPARE(t.shownId(), 3);
    }

    void duplicatesAreClearedTogether()
    {
        Ticker t;
        QSignalSpy deleted(&t.server, &CMessageServer::sigDeleteMessage);
        t.server.slotAddMessage(2, 3, 0);
        t.server.slotAddMessage(2, 4, 0);
        t.server.slotAddMessage(2, 3, 0);
        t.server.slotAddMessage(2, 3, 0);
        QCOMPARE(t.serverIds(), (QList<int>{3, 3, 3, 4}));
        QCOMPARE(t.stack.messages().size(), 4);

        // Confirming a number confirms every copy of it.
        t.server.slotAddMessage(1, 20, 0);
        t.server.slotAddMessage(1, 20, 0);
        t.server.slotConfirmMessage(20);
        QCOMPARE(t.stack.messages().size(), 4);
        t.server.slotDeleteMessage(20);
        QCOMPARE(deleted.count(), 2);
        deleted.clear();

        t.server.slotDeleteMessage(3);
        QCOMPARE(deleted.count(), 3);
        for (const QList<QVariant>& args : deleted)
            QCOMPARE(args.at(0).toInt(), 3);
        QCOMPARE(t.serverIds(), QList<int>{4});
        QCOMPARE(t.stack.messages().size(), 1);
        QCOMPARE(t.shownId(), 4);
        QCOMPARE(t.background(), QColor(229, 102, 102));
        t.server.slotDeleteMessage(4);
        QCOMPARE(t.background(), QColor(189, 255, 180));
    }

    void stepping()
    {
        Ticker t;
        QTimer* timer = t.stack.stepTimer();
        QVERIFY(!timer->isActive());

        t.server.slotAddMessage(2, 5, 0);  // an alarm alone: shown, no close button
        QCOMPARE(t.shownId(), 5);
        QVERIFY(t.stack.closeButton()->isHidden());
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(timer->isActive());
        t.stack.slotTimer();  // a single message does not step
        QVERIFY(!timer->isActive());
        QCOMPARE(t.shownId(), 5);

        QTest::qWait(2);
        t.server.slotAddMessage(1, 20, 0);  // the newest is shown first
        QCOMPARE(t.shownId(), 20);
        QCOMPARE(timer->interval(), 2000);
        QVERIFY(timer->isActive());
        QVERIFY(!t.stack.closeButton()->isHidden());
        QTest::qWait(2);
        t.server.slotAddMessage(2, 7, 0);
        QCOMPARE(t.shownId(), 7);
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(t.stack.closeButton()->isHidden());

        // From the newest back to the oldest, then the newest again.
        const QList<QPair<int, int>> steps{{20, 2000}, {5, 3000}, {7, 3000}, {20, 2000}};
        for (const auto& step : steps) {
            t.stack.slotTimer();
            QCOMPARE(t.shownId(), step.first);
            QCOMPARE(timer->interval(), step.second);
            QVERIFY(timer->isActive());
            QCOMPARE(t.stack.closeButton()->isHidden(), step.first != 20);
        }
    }

    void equalCreationTimesKeepTheirOrder()
    {
        // Created before any is added, so that most share their millisecond.
        std::vector<std::unique_ptr<CMessage>> made;
        for (int i = 0; i < 40; ++i)
            made.emplace_back(CMessageCreator::create(i % 2 ? 1 : 2, i, 0));
        CMessageStack stack;
        for (const auto& m : made) {
            stack.slotAddMessage(m.get());
            QCOMPARE(stack.currentMessage(), m.get());
        }
        for (int i = 0; i < 40; ++i)
            QCOMPARE(stack.messages().at(i), made.at(i).get());
        for (int i = 38; i >= 0; --i) {
            stack.slotTimer();
            QCOMPARE(stack.currentMessage(), made.at(i).get());
        }
    }

    void confirmGuard()
    {
        Ticker t;
        QSignalSpy confirms(&t.stack, &CMessageStack::sigConfirmMessage);
        t.stack.slotCloseButton();  // nothing shown: nothing to confirm
        QCOMPARE(confirms.count(), 0);

        t.server.slotAddMessage(2, 3, 0);
        t.server.slotAddMessage(1, 20, 0);
        QTest::mouseClick(t.stack.closeButton(), Qt::LeftButton);
        QCOMPARE(confirms.count(), 0);  // within a second of the switch
        QTest::qWait(CMessageStack::ConfirmLockMs + 50);
        QTest::mouseClick(t.stack.closeButton(), Qt::LeftButton);
        QCOMPARE(confirms.count(), 1);
        QCOMPARE(confirms.at(0).at(0).toInt(), 20);
        QCOMPARE(t.serverIds(), (QList<int>{3, 20}));
        QVERIFY(t.server.messages().at(1)->confirmed().isValid());
        QCOMPARE(t.stack.messages().size(), 1);
        QCOMPARE(t.shownId(), 3);
        QVERIFY(t.stack.closeButton()->isHidden());

        // An alarm shows no close button; a press still reaching the slot is refused once the
        // last message has gone.
        t.server.slotDeleteMessage(3);
        QVERIFY(!t.stack.currentMessage());
        t.stack.slotCloseButton();
        QCOMPARE(confirms.count(), 1);
    }

    void deletingTheShownMessage()
    {
        Ticker t;
        for (int id : {1, 2, 3, 4}) {
            t.server.slotAddMessage(2, id, 0);
            QTest::qWait(2);
        }
        t.stack.slotTimer();  // shows 3, position 2
        QCOMPARE(t.shownId(), 3);
        t.server.slotDeleteMessage(3);
        QCOMPARE(t.shownId(), 4);  // the message now at the same position
        t.server.slotDeleteMessage(4);
        QCOMPARE(t.shownId(), 2);  // the last one
        t.server.slotDeleteMessage(1);
        QCOMPARE(t.stack.messages().size(), 1);
        QCOMPARE(t.shownId(), 2);
        t.server.slotDeleteMessage(2);
        QVERIFY(t.stack.messages().isEmpty());
        QVERIFY(t.stack.closeButton()->isHidden());
        t.stack.slotTimer();
        QVERIFY(!t.stack.stepTimer()->isActive());
        QCOMPARE(t.background(), QColor(189, 255, 180));
    }

    void colours_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("none") << -1 << QColor(189, 255, 180);
        QTest::newRow("alarm") << 2 << QColor(229, 102, 102);
        QTest::newRow("warning") << 1 << QColor(221, 167, 90);
        QTest::newRow("information") << 0 << QColor(125, 188, 134);
    }
    void colours()
    {
        QFETCH(int, type);
        QFETCH(QColor, colour);
        Ticker t;
        if (type >= 0)
            t.server.slotAddMessage(type, 3, 0);
        QCOMPARE(t.stack.size(), QSize(290, 57));
        QCOMPARE(t.stack.closeButton()->pos(), QPoint(250, 13));
        const QImage image = t.stack.grab().toImage();
        QCOMPARE(image.pixelColor(270, 50), colour);
        QCOMPARE(image.pixelColor(5, 28), colour);
        // The outline: red while messages are shown, grey otherwise.
        const QColor edge = image.pixelColor(145, 0);
        QCOMPARE(edge.red() > edge.green() + 40, type >= 0);
    }
};

POKAVRO_TEST_MAIN(TestMessages)
#include "tst_messages.moc"
