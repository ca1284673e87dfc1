#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "alarmdialog.h"
#include "genericlink.h"
#include "linkpeer.h"
#include "modaldriver.h"
#include "myframe.h"
#include "systemoff.h"
#include "testenv.h"

class TestSystemOff : public QObject
{
    Q_OBJECT

private slots:
    // Sixty ticks count 60 down to 0, ask for the power-off exactly once and end the dialog;
    // the countdown then stands still.
    void countdownReachesZero()
    {
        SystemOff dialog(nullptr, nullptr);
        QSignalSpy off(&dialog, &SystemOff::turnOff);
        QSignalSpy messages(&dialog, &SystemOff::message);
        auto* time = dialog.findChild<QLabel*>("timeLabel");
        QCOMPARE(time->text(), QString("60"));
        QVERIFY(dialog.counting());
        dialog.show();
        for (int tick = 1; tick <= 59; ++tick) {
            dialog.timeChanged();
            QCOMPARE(time->text(), QString::number(60 - tick));
        }
        QCOMPARE(off.count(), 0);
        dialog.timeChanged();
        QCOMPARE(time->text(), QString("0"));
        QCOMPARE(off.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.counting());
        dialog.timeChanged();  // a late tick
        QCOMPARE(off.count(), 1);
        QCOMPARE(time->text(), QString("0"));
        QCOMPARE(messages.count(), 0);
    }

    // The real timer ticks once a second.
    void timerTicks()
    {
        SystemOff dialog(nullptr, nullptr);
        QVERIFY(QTest::qWaitFor([&] { return dialog.secondsLeft() == 59; }, 2500));
        QCOMPARE(dialog.findChild<QLabel*>("timeLabel")->text(), QString("59"));
    }

    // Cancel tells the controller to stay on, logs the cancel on screen, ends the dialog and
    // stops the countdown for good.
    void cancelSendsAndNeverTurnsOff()
    {
        const quint16 udpPort = TestEnv::freePort();
        ElementMap none;
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), udpPort, &none));
        QVERIFY(peer.accept());
        LinkPeer::Frame frame;
        QVERIFY(peer.nextFrame(frame));  // the subscription

        SystemOff dialog(&link, nullptr);
        QSignalSpy off(&dialog, &SystemOff::turnOff);
        QSignalSpy messages(&dialog, &SystemOff::message);
        for (int tick = 0; tick < 17; ++tick)
            dialog.timeChanged();
        ModalDriver driver;
        driver.next("SystemOff", [](ModalDialog& d) {
            QCOMPARE(d.text("timeLabel"), QString("43"));
            d.click("pbCancel");
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());

        QVERIFY(peer.nextFrame(frame));
        QCOMPARE(frame.signature, quint16(LinkFrame::SQ));
        QCOMPARE(QString::fromUtf8(frame.payload), QString("SET turnSystemOff := off;"));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.first().at(0).toString(),
                 QString("[I]Автоматическое завершение работы отменено пользователем"));
        QCOMPARE(messages.first().at(1).toBool(), true);
        QVERIFY(!dialog.counting());
        for (int tick = 0; tick < 60; ++tick)
            dialog.timeChanged();
        QCOMPARE(off.count(), 0);
        QVERIFY(!peer.nextFrame(frame, 100));
        link.disconnect();
    }

    // Closing the dialog any other way stops the countdown as well.
    void closedDialogStopsCounting()
    {
        SystemOff dialog(nullptr, nullptr);
        QSignalSpy off(&dialog, &SystemOff::turnOff);
        dialog.show();
        dialog.reject();
        QVERIFY(!dialog.counting());
        QTest::qWait(1200);
        QCOMPARE(dialog.secondsLeft(), 60);
        QCOMPARE(off.count(), 0);
    }

    void alarmShowsTextModally()
    {
        ModalDriver driver;
        driver.next("AlarmDialog", [](ModalDialog& d) {
            auto* frame = qobject_cast<MyFrame*>(d.window());
            QVERIFY(frame);
            QCOMPARE(frame->titleLabel()->text(), QString("Внимание!!!"));
            QCOMPARE(frame->pos(), QPoint(810, 450));
            QCOMPARE(d.dialog()->size(), QSize(300, 300));
            auto* label = d.dialog()->findChild<QLabel*>();
            QVERIFY(label);
            QCOMPARE(label->text(), QString("Авария привода"));
            QCOMPARE(label->geometry(), QRect(0, 0, 300, 300));
            QCOMPARE(label->palette().color(QPalette::Window), QColor(Qt::red));
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::white));
            QCOMPARE(label->font().pixelSize(), 30);
            QVERIFY(label->font().bold());
            QVERIFY(label->wordWrap());
            QVERIFY(d.clickFrameClose());
        });
        AlarmDialog alarm(QStringLiteral("Авария привода"), nullptr);
        QVERIFY(driver.done());
        QCOMPARE(alarm.result(), int(QDialog::Rejected));
    }
};

POKAVRO_TEST_MAIN(TestSystemOff)
#include "tst_systemoff.moc"
