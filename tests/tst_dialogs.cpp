#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "confirm.h"
#include "myframe.h"
#include "testenv.h"

namespace {

// Runs exec() on a dialog while `act` runs once the loop is up; a dialog that is still open
// after the bound is ended with the result -1, so no test can hang.
int execWith(QDialog& dialog, const std::function<void()>& act, int boundMs = 5000)
{
    QTimer::singleShot(0, &dialog, act);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    guard.start(boundMs);
    return dialog.exec();
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

MyFrame* frameOf(QWidget* dialog)
{
    return qobject_cast<MyFrame*>(dialog->parentWidget());
}

}  // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void frameGeometry_data()
    {
        QTest::addColumn<QSize>("dialog");
        QTest::addColumn<int>("border");
        QTest::addColumn<QPoint>("requested");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("pad size") << QSize(194, 384) << 1 << QPoint(100, 50) << QRect(100, 50, 200, 446);
        QTest::newRow("right bottom") << QSize(194, 384) << 1 << QPoint(1800, 1100) << QRect(1720, 754, 200, 446);
        QTest::newRow("negative origin") << QSize(194, 384) << 1 << QPoint(-10, -10) << QRect(0, 0, 200, 446);
        QTest::newRow("no border") << QSize(432, 223) << 0 << QPoint(0, 1200) << QRect(0, 917, 436, 283);
        QTest::newRow("oversize") << QSize(2000, 1300) << 2 << QPoint(5, 5) << QRect(-88, -164, 2008, 1364);
        QTest::newRow("exact fit") << QSize(1912, 1136) << 2 << QPoint(0, 0) << QRect(0, 0, 1920, 1200);
    }
    void frameGeometry()
    {
        QFETCH(QSize, dialog);
        QFETCH(int, border);
        QFETCH(QPoint, requested);
        QFETCH(QRect, frame);
        QCOMPARE(MyFrame::placement(requested.x(), requested.y(), border, 2, dialog), frame);

        auto* d = new QDialog;
        d->resize(dialog);
        auto* f = new MyFrame(QStringLiteral("Заголовок"), requested.x(), requested.y(), border, d,
                              nullptr, true, false);
        QCOMPARE(f->geometry(), frame);
        QCOMPARE(f->lineWidth(), 2);
        QCOMPARE(f->title_height(), 56);
        QCOMPARE(d->parentWidget(), f);
        QCOMPARE(d->pos(), QPoint(border + 2, border + 2 + 56));
        QCOMPARE(f->closeButton()->geometry(), QRect(frame.width() - 4 - 56, 0, 56, 56));
        QCOMPARE(f->titleLabel()->text(), QStringLiteral("Заголовок"));
        QCOMPARE(f->titleLabel()->font().pointSize(), 15);
        QVERIFY(f->titleLabel()->wordWrap());
        QCOMPARE(f->windowModality(), Qt::WindowModal);
        QVERIFY(f->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!f->isVisible());

        // Destroying the dialog removes the frame at the next turn of the loop.
        QPointer<MyFrame> frameAlive(f);
        delete d;
        QVERIFY(frameAlive);
        flushDeletes();
        QVERIFY(!frameAlive);
    }

    void frameCloseButtonRejects()
    {
        QWidget owner;
        owner.show();
        QDialog dialog(&owner);
        dialog.resize(100, 80);
        QPointer<MyFrame> frame = new MyFrame(QStringLiteral("t"), 10, 10, 1, &dialog, &owner, true, true);
        QVERIFY(frame->isVisible());
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        const int result = execWith(dialog, [frame] { frame->closeButton()->click(); });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(rejected.count(), 1);
        QVERIFY(!frame->isVisible());
        QVERIFY(frame);  // closing hides, it does not delete
    }

    void frameDiesWithItsOwner()
    {
        // A heap dialog inside a frame whose owner goes first: the frame takes the dialog along
        // and nothing is scheduled on the destroyed frame.
        auto* owner = new QWidget;
        auto* dialog = new QDialog;
        QPointer<QDialog> alive(dialog);
        new MyFrame(QStringLiteral("t"), 0, 0, 1, dialog, owner, false, false);
        delete owner;
        QVERIFY(!alive);
        flushDeletes();
    }

    void frameDragsByTitle()
    {
        QDialog dialog;
        dialog.resize(200, 100);
        auto* frame = new MyFrame(QStringLiteral("t"), 100, 100, 1, &dialog, nullptr, false, true);
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        const QPoint start = frame->pos();

        // The close button does not start a drag.
        QTest::mousePress(frame->closeButton(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(frame->closeButton(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(frame->pos(), start);

        QLabel* title = frame->titleLabel();
        const QPoint grip(20, 20);
        QTest::mousePress(title, Qt::LeftButton, {}, grip);
        const QPoint offset = title->mapTo(frame, grip);
        // The frame follows the pointer while the title is held.
        QMouseEvent move(QEvent::MouseMove, QPointF(0, 0), QPointF(700, 650), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &move);
        QCOMPARE(frame->pos(), QPoint(700, 650) - offset);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), QPointF(700, 650),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &release);
        QMouseEvent after(QEvent::MouseMove, QPointF(0, 0), QPointF(900, 900), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &after);
        QCOMPARE(frame->pos(), QPoint(700, 650) - offset);
    }

    void confirmForm()
    {
        QWidget owner;
        Confirm confirm(QStringLiteral("Выход"), QStringLiteral("Закрыть программу?"), &owner, 5);
        QCOMPARE(confirm.size(), QSize(432, 223));
        QCOMPARE(confirm.lblText->text(), QStringLiteral("Закрыть программу?"));
        QCOMPARE(confirm.lblText->geometry(), QRect(10, 20, 411, 91));
        QVERIFY(confirm.lblText->wordWrap());
        QCOMPARE(confirm.pbYes->text(), QStringLiteral("Да"));
        QCOMPARE(confirm.pbNo->text(), QStringLiteral("Нет"));
        QCOMPARE(confirm.pbYes->geometry(), QRect(60, 130, 110, 60));
        QCOMPARE(confirm.pbNo->geometry(), QRect(260, 130, 110, 60));
        QCOMPARE(confirm.pbYes->focusPolicy(), Qt::NoFocus);
        QVERIFY(confirm.pbNo->font().bold());
        MyFrame* frame = frameOf(&confirm);
        QVERIFY(frame);
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Выход"));
    }

    void confirmPlacement_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QRect>("frame");
        // Just below the asking widget with a border of 1; moved up to end at the screen's bottom.
        QTest::newRow("below") << QRect(50, 60, 600, 300) << QRect(50, 360, 438, 285);
        QTest::newRow("screen bottom") << QRect(0, 0, 1920, 1200) << QRect(0, 915, 438, 285);
    }
    void confirmPlacement()
    {
        QFETCH(QRect, owner);
        QFETCH(QRect, frame);
        QWidget window;
        window.setGeometry(owner);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Confirm confirm(QStringLiteral("t"), QStringLiteral("q"), &window, 0);
        // The platform may shift the window sideways; the frame keeps to its left edge.
        frame.moveLeft(frame.left() + window.mapToGlobal(QPoint()).x() - owner.left());
        QCOMPARE(frameOf(&confirm)->geometry(), frame);
    }

    void confirmAnswers_data()
    {
        QTest::addColumn<int>("timeout");
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("result");
        QTest::newRow("yes") << 5 << "yes" << int(QDialog::Accepted);
        QTest::newRow("no") << 5 << "no" << int(QDialog::Rejected);
        QTest::newRow("frame close") << 5 << "close" << int(QDialog::Rejected);
        QTest::newRow("time-out answers no") << 1 << "" << int(QDialog::Rejected);
        // Without a time-out the question waits; the guard ends it with -1.
        QTest::newRow("no time-out with 0") << 0 << "" << -1;
        QTest::newRow("negative is no time-out") << -1 << "" << -1;
    }
    void confirmAnswers()
    {
        QFETCH(int, timeout);
        QFETCH(QString, press);
        QFETCH(int, result);
        QWidget owner;
        owner.show();
        Confirm confirm(QStringLiteral("t"), QStringLiteral("q"), &owner, timeout);
        QElapsedTimer clock;
        clock.start();
        const int got = execWith(confirm, [&] {
            if (press == QLatin1String("yes"))
                confirm.pbYes->click();
            else if (press == QLatin1String("no"))
                confirm.pbNo->click();
            else if (press == QLatin1String("close"))
                frameOf(&confirm)->closeButton()->click();
        }, 2500);
        QCOMPARE(got, result);
        if (timeout == 1)
            QVERIFY(clock.elapsed() >= 900 && clock.elapsed() < 2400);
    }

    void confirmLateTimeOutChangesNothing()
    {
        QWidget owner;
        owner.show();
        Confirm confirm(QStringLiteral("t"), QStringLiteral("q"), &owner, 1);
        QSignalSpy rejected(&confirm, &QDialog::rejected);
        QCOMPARE(execWith(confirm, [&] { confirm.pbYes->click(); }), int(QDialog::Accepted));
        QTest::qWait(1300);
        QCOMPARE(rejected.count(), 0);
        QCOMPARE(confirm.result(), int(QDialog::Accepted));
    }

    void confirmDestroyedBeforeTimeOut()
    {
        QWidget owner;
        owner.show();
        QPointer<MyFrame> frame;
        {
            Confirm confirm(QStringLiteral("t"), QStringLiteral("q"), &owner, 1);
            frame = frameOf(&confirm);
        }
        flushDeletes();
        QVERIFY(!frame);
        QTest::qWait(1300);  // the time-out would have fallen here
        QVERIFY(owner.findChildren<QDialog*>().isEmpty());
    }
};

POKAVRO_TEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
