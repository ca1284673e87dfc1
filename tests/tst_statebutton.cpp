#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "lockview.h"
#include "statebutton.h"
#include "testenv.h"

namespace {

QColor buttonColour(const QWidget& w)
{
    return w.palette().color(QPalette::Active, QPalette::Button);
}

int countPixels(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

QStringList viewTexts(QFrame* popup)
{
    QStringList texts;
    for (LockView* view : popup->findChildren<LockView*>())
        texts << view->text();
    return texts;
}

// A button in a root window with one lock per direction, each listed in its direction.
struct Fixture {
    QWidget root;
    StateButton* button = new StateButton(&root);
    Lock on{false, QStringLiteral("on locked"), QStringLiteral("on free")};
    Lock off{false, QStringLiteral("off locked"), QStringLiteral("off free")};

    Fixture(bool mode, bool lockedIn4, bool withLists)
    {
        root.setGeometry(0, 0, 800, 600);
        button->setGeometry(10, 10, 120, 60);
        button->init(QStringLiteral("Привод"), mode, QStringLiteral("[вкл]"),
                     QStringLiteral("[выкл]"), QStringLiteral("[откл]"), QStringLiteral("[вкл.]"),
                     QStringLiteral("[ошибка]"), lockedIn4);
        button->setLock(true, &on);
        button->setLock(false, &off);
        if (withLists) {
            button->addLock(true, &on);
            button->addLock(false, &off);
        }
    }
};

}  // namespace

class TestStateButton : public QObject
{
    Q_OBJECT

private slots:
    void lockInversion()
    {
        Lock plain(false, QStringLiteral("a"), QStringLiteral("b"));
        Lock inverted(true, QStringLiteral("a"), QStringLiteral("b"));
        QSignalSpy spy(&inverted, &Lock::stateChanged);
        QVERIFY(!inverted.state());
        inverted.setState(false);
        QVERIFY(inverted.state());
        inverted.setState(false);  // emitted again though nothing changed
        inverted.setState(true);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(2).at(0).toBool(), false);
        plain.setState(true);
        QVERIFY(plain.state());
    }

    void lockedTruthTable_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<bool>("onHolds");
        QTest::addColumn<bool>("offHolds");
        QTest::addColumn<bool>("lockedIn4");
        QTest::addColumn<bool>("locked");
        for (int s : {0, 2}) {
            const QByteArray n = "state " + QByteArray::number(s);
            QTest::newRow(n + " on lock holds") << s << false << true << false << false << true;
            QTest::newRow(n + " only off lock holds") << s << false << false << true << true << false;
            QTest::newRow(n + " forced") << s << true << false << false << false << true;
        }
        for (int s : {1, 3}) {
            const QByteArray n = "state " + QByteArray::number(s);
            QTest::newRow(n + " off lock holds") << s << false << false << true << false << true;
            QTest::newRow(n + " only on lock holds") << s << false << true << false << true << false;
            QTest::newRow(n + " forced") << s << true << false << false << false << true;
        }
        QTest::newRow("state 4 flag") << 4 << false << false << false << true << true;
        QTest::newRow("state 4 locks hold") << 4 << false << true << true << false << false;
        QTest::newRow("state 4 forced") << 4 << true << false << false << false << true;
    }
    void lockedTruthTable()
    {
        QFETCH(int, state);
        QFETCH(bool, forced);
        QFETCH(bool, onHolds);
        QFETCH(bool, offHolds);
        QFETCH(bool, lockedIn4);
        QFETCH(bool, locked);
        Fixture f(false, lockedIn4, true);
        f.on.setState(onHolds);
        f.off.setState(offHolds);
        f.button->setLocked(forced);
        f.button->setState(state);
        QCOMPARE(f.button->locked(), locked);
    }

    void lockedWithoutLocks()
    {
        StateButton button;
        button.init(QStringLiteral("c"), false, QString(), QString(), QString(), QString(),
                    QString(), false);
        for (int s = 0; s < 4; ++s) {
            button.setState(s);
            QVERIFY(!button.locked());
        }
    }

    void press_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("lockedBy");  // 0 free, 1 the direction's lock, 2 forced
        QTest::addColumn<bool>("mode");
        QTest::addColumn<bool>("lists");
        QTest::addColumn<bool>("lockedIn4");
        QTest::addColumn<bool>("clicked");
        QTest::addColumn<QString>("popup");  // the one line shown, empty for no pop-up

        QTest::newRow("0 free") << 0 << 0 << false << true << false << true << "";
        QTest::newRow("0 locked") << 0 << 1 << false << true << false << false << "on locked  ";
        QTest::newRow("0 locked empty list") << 0 << 1 << false << false << false << false << "";
        QTest::newRow("0 forced empty list") << 0 << 2 << false << false << false << false << "";
        QTest::newRow("0 forced lists") << 0 << 2 << false << true << false << false << "on free  ";
        QTest::newRow("1 free") << 1 << 0 << false << true << false << true << "";
        QTest::newRow("1 free mode") << 1 << 0 << true << true << false << false << "";
        QTest::newRow("1 locked mode") << 1 << 1 << true << true << false << false << "off locked  ";
        QTest::newRow("2 free mode") << 2 << 0 << true << true << false << true << "";
        QTest::newRow("2 locked") << 2 << 1 << false << true << false << false << "on locked  ";
        QTest::newRow("3 free") << 3 << 0 << false << true << false << true << "";
        QTest::newRow("3 locked") << 3 << 1 << false << true << false << false << "off locked  ";
        QTest::newRow("3 locked empty list") << 3 << 1 << false << false << false << false << "";
        QTest::newRow("4 free") << 4 << 0 << false << true << false << true << "";
        QTest::newRow("4 locked in 4") << 4 << 0 << false << true << true << false << "";
        QTest::newRow("4 forced") << 4 << 2 << false << false << false << true << "";
        QTest::newRow("4 forced locked in 4") << 4 << 2 << false << true << true << false << "";
        QTest::newRow("4 locks hold mode") << 4 << 1 << true << true << false << true << "";
    }
    void press()
    {
        QFETCH(int, state);
        QFETCH(int, lockedBy);
        QFETCH(bool, mode);
        QFETCH(bool, lists);
        QFETCH(bool, lockedIn4);
        QFETCH(bool, clicked);
        QFETCH(QString, popup);
        Fixture f(mode, lockedIn4, lists);
        f.root.show();
        f.on.setState(lockedBy == 1);
        f.off.setState(lockedBy == 1);
        f.button->setLocked(lockedBy == 2);
        f.button->setState(state);
        QSignalSpy spy(f.button, &QAbstractButton::clicked);
        for (auto button : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mousePress(f.button, button);
            QCOMPARE(spy.count(), clicked ? 1 : 0);
            QCOMPARE(f.button->popup() != nullptr, !popup.isEmpty());
            if (!popup.isEmpty())
                QCOMPARE(viewTexts(f.button->popup()), QStringList{popup});
            QVERIFY(!f.button->isDown());
            QTest::mouseRelease(f.button, button);
            QVERIFY(!f.button->popup());
            QCOMPARE(f.button->state(), StateButton::State(state));
            spy.clear();
        }
    }

    void popupContentAndPlacement()
    {
        Fixture f(false, false, true);
        Lock second(false, QStringLiteral("door open"), QStringLiteral("door closed"));
        f.button->addLock(true, &second);
        f.root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.root));
        f.on.setState(true);

        QCursor::setPos(100, 120);
        QTest::mousePress(f.button, Qt::LeftButton);
        QPointer<QFrame> popup = f.button->popup();
        QVERIFY(popup);
        QCOMPARE(popup->parentWidget(), &f.root);
        QVERIFY(popup->isVisible());
        QVERIFY(popup->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(popup->minimumWidth() == f.button->width());
        QCOMPARE(popup->pos(), QPoint(100, 120));
        QCOMPARE(viewTexts(popup), (QStringList{QStringLiteral("on locked  "), QStringLiteral("door closed  ")}));

        // The views follow their locks while the pop-up is open.
        const QList<LockView*> views = popup->findChildren<LockView*>();
        QVERIFY(views[0]->showsLocked());
        QVERIFY(!views[1]->showsLocked());
        QCOMPARE(views[0]->palette().color(QPalette::Window), QColor(Qt::red));
        QCOMPARE(views[1]->palette().color(QPalette::Window), QColor(Qt::green));
        second.setState(true);
        QVERIFY(views[1]->showsLocked());
        QCOMPARE(views[1]->text(), QStringLiteral("door open  "));
        QCOMPARE(views[1]->palette().color(QPalette::Window), QColor(Qt::red));

        // A second press before the release replaces the first pop-up.
        QCursor::setPos(795, 595);
        QTest::mousePress(f.button, Qt::LeftButton);
        QVERIFY(!popup);
        popup = f.button->popup();
        QVERIFY(popup);
        // Near the bottom-right corner it ends one pixel inside the root window.
        QCOMPARE(popup->y(), 600 - popup->height() - 1);
        QCOMPARE(popup->x(), 800 - popup->width() - 1);
        QTest::mouseRelease(f.button, Qt::LeftButton);
        QVERIFY(!popup);
    }

    void popupDiesWithButtonOrRoot()
    {
        {
            Fixture f(false, false, true);
            f.on.setState(true);
            QTest::mousePress(f.button, Qt::LeftButton);
            QPointer<QFrame> popup = f.button->popup();
            QVERIFY(popup);
            delete f.button;
            QVERIFY(!popup);
        }
        auto root = std::make_unique<QWidget>();
        auto* button = new StateButton(root.get());
        button->init(QStringLiteral("c"), false, QString(), QString(), QString(), QString(),
                     QString(), false);
        Lock lock(false, QStringLiteral("x"), QStringLiteral("y"));
        lock.setState(true);
        button->setLock(true, &lock);
        button->addLock(true, &lock);
        QTest::mousePress(button, Qt::LeftButton);
        QVERIFY(button->popup());
        root.reset();  // the root takes both; neither deletes the other twice
    }

    void initAndStates()
    {
        Fixture f(false, false, true);
        QCOMPARE(f.button->text(), QString());
        QCOMPARE(f.button->focusPolicy(), Qt::NoFocus);
        QCOMPARE(f.button->captionLabel()->text(), QStringLiteral("Привод"));
        QVERIFY(f.button->captionLabel()->wordWrap());
        QLabel* label = f.button->stateLabel();
        QVERIFY(label);
        QCOMPARE(label->font().pointSize(), 11);
        QCOMPARE(f.button->state(), StateButton::State0);
        QCOMPARE(label->text(), QStringLiteral("[выкл]"));

        // The texts arrive in the order 1, 0, 3, 2, 4.
        const QStringList texts{QStringLiteral("[выкл]"), QStringLiteral("[вкл]"),
                                QStringLiteral("[вкл.]"), QStringLiteral("[откл]"),
                                QStringLiteral("[ошибка]")};
        const QColor blue(158, 172, 255);
        const QColor yellow(224, 224, 0);
        f.button->setState(2);
        QCOMPARE(label->text(), texts[2]);
        QCOMPARE(buttonColour(*f.button), yellow);
        QVERIFY(!f.button->isCheckable());
        f.button->setState(true);
        QCOMPARE(f.button->state(), StateButton::State1);
        QCOMPARE(label->text(), texts[1]);
        QVERIFY(f.button->isCheckable() && f.button->isChecked());
        QCOMPARE(buttonColour(*f.button), yellow);  // state 1 keeps the colour before it
        f.button->setState(StateButton::State3);
        QCOMPARE(label->text(), texts[3]);
        QVERIFY(!f.button->isChecked());
        f.button->setState(4);
        QCOMPARE(label->text(), texts[4]);
        QCOMPARE(buttonColour(*f.button), blue);
        for (auto group : {QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(f.button->palette().color(group, QPalette::Button), blue);

        // Values outside 0..4 are ignored.
        for (int bad : {5, -1, 1000}) {
            f.button->setState(bad);
            QCOMPARE(f.button->state(), StateButton::State4);
            QCOMPARE(label->text(), texts[4]);
        }
        f.button->setState(false);
        QCOMPARE(label->text(), texts[0]);

        f.button->setText1(QStringLiteral("Приводы"));
        QCOMPARE(f.button->captionLabel()->text(), QStringLiteral("Приводы"));

        StateButton bare;
        bare.init(QStringLiteral("c"), true, QString(), QStringLiteral("a"), QStringLiteral("b"),
                  QStringLiteral("c"), QStringLiteral("d"), false);
        QVERIFY(!bare.stateLabel());
        bare.setState(1);
        QVERIFY(bare.isChecked());
    }

    void hatching()
    {
        Fixture f(false, false, true);
        f.root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.root));
        const QColor grey(Qt::darkGray);
        auto shot = [&f] { return f.button->grab().toImage(); };

        QCOMPARE(countPixels(shot(), grey), 0);
        QCOMPARE(countPixels(shot(), Qt::red), 0);
        f.on.setState(true);
        QVERIFY(countPixels(shot(), grey) > f.button->width() * f.button->height() / 4);
        QCOMPARE(countPixels(shot(), Qt::red), 0);
        // State 4 is hatched red, locked or not.
        f.button->setState(4);
        QVERIFY(countPixels(shot(), Qt::red) > f.button->width() * f.button->height() / 4);
        f.on.setState(false);
        QVERIFY(countPixels(shot(), Qt::red) > f.button->width() * f.button->height() / 4);
        QCOMPARE(countPixels(shot(), grey), 0);
    }

    void namedLocks()
    {
        StateButton button;
        button.addLock(QStringLiteral("a"), true, QStringLiteral("x"), QStringLiteral("y"));
        button.addLock(QStringLiteral("a"), false, QStringLiteral("x"), QStringLiteral("y"));
        button.setLock(QStringLiteral("a"), true);
        button.setLock(QStringLiteral("missing"), true);
        // Named locks are consulted by nothing else.
        QVERIFY(!button.locked());
    }

    void lockViewAndGroup()
    {
        Lock lock(false, QStringLiteral("закрыто"), QStringLiteral("открыто"));
        Lock other(false, QStringLiteral("b"), QStringLiteral("c"));
        LockView view;
        QCOMPARE(view.height(), 40);
        QCOMPARE(view.font().pointSize(), 14);
        view.update(true);  // no lock yet: nothing happens
        QVERIFY(view.text().isEmpty());
        view.setLock(&lock);
        QCOMPARE(view.text(), QStringLiteral("открыто  "));
        view.setLock(&other);  // bound once
        QCOMPARE(view.lock(), &lock);
        lock.setState(true);
        QCOMPARE(view.text(), QStringLiteral("закрыто  "));
        view.update();  // the widget's own repaint stays reachable

        QWidget parent;
        auto* group = new LockGroup(&parent);
        group->move(30, 40);
        group->resize(150, 40);
        group->setLock(&lock);
        QCOMPARE(group->text(), QStringLiteral("закрыто"));
        lock.setState(false);
        QCOMPARE(group->text(), QStringLiteral("открыто"));
        group->addLock(&lock);
        group->addLock(&other);
        QTest::mousePress(group, Qt::LeftButton);
        QPointer<QFrame> popup = group->popup();
        QVERIFY(popup);
        QCOMPARE(popup->parentWidget(), &parent);
        QCOMPARE(popup->pos(), QPoint(50, 70));
        QCOMPARE(viewTexts(popup), (QStringList{QStringLiteral("открыто  "), QStringLiteral("c  ")}));
        QTest::mouseRelease(group, Qt::LeftButton);
        QVERIFY(!popup);
    }

    // A view and a group paint their line in the lock's colour: red locked, green free, pink
    // while nothing is known of the condition.
    void linesPaintTheirColour()
    {
        Lock lock(false, QStringLiteral("Недостаточное давление в камере"),
                  QStringLiteral("Давление в камере в норме"));
        QWidget parent;
        parent.resize(400, 100);
        auto* view = new LockView(&parent);
        view->setGeometry(0, 0, 400, 40);
        auto* group = new LockGroup(&parent);
        group->setGeometry(0, 50, 400, 40);
        view->setLock(&lock);
        group->setLock(&lock);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        auto paints = [](QWidget* w, const QColor& colour) {
            return w->grab().toImage().pixelColor(w->width() - 3, 2) == colour;
        };
        for (QWidget* line : {static_cast<QWidget*>(view), static_cast<QWidget*>(group)}) {
            lock.setState(false);
            QVERIFY2(paints(line, Qt::green), line->metaObject()->className());
            lock.setState(true);
            QVERIFY2(paints(line, Qt::red), line->metaObject()->className());
            lock.setUnknown();
            QVERIFY2(paints(line, QColor(255, 192, 192)), line->metaObject()->className());
        }
        QCOMPARE(view->text(), QStringLiteral("Нет данных: давление в камере в норме  "));
        QCOMPARE(group->text(), QStringLiteral("Нет данных: давление в камере в норме"));
    }

    // An unknown condition holds the lock until it is reported, whatever the inversion; the
    // button it guards is hatched and refuses with the "no data" line.
    void unknownLockHolds()
    {
        Fixture f(false, false, true);
        f.on.setUnknown();
        QVERIFY(f.on.state());
        QVERIFY(f.on.unknown());
        QVERIFY(f.button->locked());
        f.root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.root));
        QSignalSpy clicked(f.button, &QAbstractButton::clicked);
        QTest::mousePress(f.button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 0);
        QVERIFY(f.button->popup());
        QCOMPARE(viewTexts(f.button->popup()), QStringList{QStringLiteral("Нет данных: on free  ")});
        QTest::mouseRelease(f.button, Qt::LeftButton);
        f.on.setState(false);
        QVERIFY(!f.on.unknown());
        QVERIFY(!f.button->locked());

        Lock inverted(true, QStringLiteral("x"), QStringLiteral("y"));
        inverted.setUnknown();
        QVERIFY(inverted.state());
        inverted.setState(true);
        QVERIFY(!inverted.state());
    }
};

POKAVRO_TEST_MAIN(TestStateButton)
#include "tst_statebutton.moc"
