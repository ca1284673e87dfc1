#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "confirm.h"
#include "elementdlg.h"
#include "kvs.h"
#include "modaldriver.h"
#include "statebutton.h"
#include "testenv.h"
#include "vacuumplant.h"

using Sim = VacuumSimulator;

namespace {

const QStringList kKvsElements = {"NL1", "NL2", "NZ1", "NZ2", "ND1", "NW2", "VP1", "VP2", "VP3", "VP5", "VP6", "VP7"};
const QStringList kKvkElements = {"VP4", "VP8", "DOOR", "TMN", "VPT", "VE1"};

QStringList directionLocks(const QStringList& elements)
{
    QStringList names;
    for (const QString& e : elements)
        names << KVS::directionLock(e, true) << KVS::directionLock(e, false);
    return names;
}

const QStringList kConditionLocks = {
    "NL1:lockVP7", "NL1:lockDisch", "NL1:lockVP2", "NL1:lockNZ1", "NL2:lockVP6", "NL2:lockVP3", "NL2:lockVP5",
    "NL2:lockNZ2", "NZ1:lockPress", "NZ1:lockVP2", "NZ2:lockPress", "NZ2:lockDisch", "NZ2:lockVP3", "NZ2:lockVP5",
    "ND1:lockPress", "ND1:lockVP2", "ND1:lockNL1", "ND1:lockDisch", "ND1:lockVP1", "VP1:lockPress", "VP1:lockND1",
    "VP2:lockPress", "VP2:lockND1", "VP3:lockPress", "VP5:lockPress", "VP6:lockNL2", "VP7:lockNL1",
    "VP4:lockDrives", "VP4:lockValve", "VP8:lockDrives", "VP8:lockValve", "DOOR:lockPress", "DOOR:lockState",
    "VPT:lockTMN", "VE1:lockShuk", "VE1:lockAcc", "TMN:lockVPT", "TMN:lockPress"};
const QStringList kModeLocks = {"REGIME:LockUser", "REGIME:LockDoorPress", "REGIME:LockDoorState", "REGIME:LockPump"};

// The locks of the combined word of the turbo pump group.
const QStringList kCombinedLocks = {"VPT:lockTMN", "VE1:lockShuk", "VE1:lockAcc", "TMN:lockVPT", "TMN:lockPress",
                                    "VPT:LockOn", "VPT:LockOff", "VE1:LockOn", "VE1:LockOff", "TMN:LockOn", "TMN:LockOff"};

QStringList held(KVS& screen, const QStringList& names)
{
    QStringList list;
    for (const QString& name : names) {
        if (screen.lock(name)->state())
            list << name;
    }
    return list;
}

QList<StateButton*> modeButtons(const KVS& s)
{
    return {s.sbVacAdjust, s.sbVacManual, s.sbVacPrepare, s.sbVacForepump, s.sbVacPumping, s.sbVacFilling,
            s.sbVacShutdown};
}

}  // namespace

// The interlocks, the door and the modes of the vacuum screen.
class TestVacuumInterlocks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::configureControllers(); }

    // Every lock the dialogs and buttons ask for. At start nothing is known: the locks the
    // controllers feed hold and say so, and the setup waits for a login.
    void lockTable()
    {
        KVS screen;
        const QStringList directions = directionLocks(kKvsElements + kKvkElements);
        QCOMPARE(screen.locks().size(), 78);
        QStringList expected = directions + kConditionLocks + kModeLocks;
        expected.sort();
        QCOMPARE(screen.locks().keys(), expected);
        QCOMPARE(held(screen, screen.locks().keys()), screen.locks().keys());
        for (Lock* lock : screen.locks()) {
            QVERIFY(!lock->perm());
            QCOMPARE(lock->unknown(), lock != screen.lock("REGIME:LockUser") && lock != screen.lock("REGIME:LockPump"));
        }
        QCOMPARE(screen.lock("ND1:lockVP2")->text(true), QStringLiteral("Нет данных: клапан VP2 открыт"));

        const struct {
            const char* name;
            const char* locked;
            const char* free;
        } texts[] = {
            {"NL1:LockOn", "", ""},
            {"ND1:lockVP2", "Клапан VP2 не открыт", "Клапан VP2 открыт"},
            {"VP5:lockPress", "Давление в рубашке и в магистрали не выравнено", "Давление в рубашке и в магистрали в норме"},
            {"VP4:lockValve", "Затвор VP1 и/или VP3 не закрыт", "Затворы VP1 и VP3 закрыты"},
            {"DOOR:lockPress", "Нет атмосферы в камере", "Атмосфера в камере"},
            {"VPT:lockTMN", "ТМН не выключен", ""},
            {"TMN:lockPress", "Недостаточное давление", "Давление в норме"},
            {"REGIME:LockUser", "Нет прав на включение", "Права есть"},
            {"REGIME:LockDoorState", "Дверь камеры не закрыта", "Дверь камеры закрыта"},
            {"REGIME:LockPump", "", ""},
        };
        for (const auto& t : texts) {
            QCOMPARE(screen.lock(t.name)->textLocked(), QString::fromUtf8(t.locked));
            QCOMPARE(screen.lock(t.name)->textFree(), QString::fromUtf8(t.free));
        }
    }

    // A word of one element and direction: its cell takes the word, its direction lock holds
    // while any bit is set, each named condition follows its bit.
    void words_data()
    {
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<int>("word");
        QTest::addColumn<QStringList>("holding");
        QTest::addColumn<QStringList>("free");
        QTest::newRow("ND1 on 0x5") << QByteArray("onChangedND1LockOn") << 0x5
                                    << QStringList{"ND1:LockOn", "ND1:lockPress", "ND1:lockNL1"}
                                    << QStringList{"ND1:lockVP2", "ND1:lockDisch"};
        QTest::newRow("NL1 on 0x10, no named bit") << QByteArray("onChangedNL1LockOn") << 0x10
                                                   << QStringList{"NL1:LockOn"}
                                                   << QStringList{"NL1:lockVP7", "NL1:lockDisch"};
        QTest::newRow("NL2 off 0x6") << QByteArray("onChangedNL2LockOff") << 0x6
                                     << QStringList{"NL2:LockOff", "NL2:lockVP5", "NL2:lockNZ2"}
                                     << QStringList{"NL2:lockVP3"};
        QTest::newRow("VP2 off 0") << QByteArray("onChangedVP2LockOff") << 0 << QStringList{}
                                   << QStringList{"VP2:LockOff", "VP2:lockND1"};
        QTest::newRow("VP8 on 0x2") << QByteArray("onChangedVP8LockOn") << 0x2
                                    << QStringList{"VP8:LockOn", "VP8:lockValve"} << QStringList{"VP8:lockDrives"};
        QTest::newRow("door off 0x1") << QByteArray("onChangedDoorLockOff") << 0x1
                                      << QStringList{"DOOR:LockOff", "DOOR:lockState"} << QStringList{};
        QTest::newRow("negative word") << QByteArray("onChangedNZ1LockOn") << -1
                                       << QStringList{"NZ1:LockOn", "NZ1:lockPress"} << QStringList{};
        // Words without named bits still drive their direction locks.
        QTest::newRow("NW2 on 0x3") << QByteArray("onChangedNW2LockOn") << 0x3 << QStringList{"NW2:LockOn"}
                                    << QStringList{};
        QTest::newRow("NW2 off 0") << QByteArray("onChangedNW2LockOff") << 0 << QStringList{}
                                   << QStringList{"NW2:LockOff"};
        QTest::newRow("VP1 off 0x8") << QByteArray("onChangedVP1LockOff") << 0x8 << QStringList{"VP1:LockOff"}
                                     << QStringList{};
        QTest::newRow("VP4 off 0") << QByteArray("onChangedVP4LockOff") << 0 << QStringList{}
                                   << QStringList{"VP4:LockOff"};
    }
    void words()
    {
        QFETCH(QByteArray, slot);
        QFETCH(int, word);
        QFETCH(QStringList, holding);
        QFETCH(QStringList, free);
        KVS screen;
        // Every bit set first, so that the word frees what it must.
        QVERIFY(QMetaObject::invokeMethod(&screen, slot.constData(), Q_ARG(int, 0xFF)));
        QVERIFY(QMetaObject::invokeMethod(&screen, slot.constData(), Q_ARG(int, word)));
        QCOMPARE(held(screen, holding + free), holding);
        // The direction lock comes first in its row; its cell has its name.
        QCOMPARE(screen.element((holding + free).first())->numberVal(), word);
    }

    void combinedWord_data()
    {
        QTest::addColumn<uint>("word");
        QTest::addColumn<QStringList>("holding");
        QTest::newRow("0x10") << 0x10u << QStringList{"TMN:lockPress", "TMN:LockOn"};
        QTest::newRow("0x1") << 0x1u << QStringList{"VPT:lockTMN", "VPT:LockOff"};
        QTest::newRow("0x6") << 0x6u << QStringList{"VE1:lockShuk", "VE1:lockAcc", "VE1:LockOn", "VE1:LockOff"};
        QTest::newRow("0x8") << 0x8u << QStringList{"TMN:lockVPT", "TMN:LockOn"};
        QTest::newRow("0") << 0u << QStringList{};
        QTest::newRow("unnamed bits") << 0xFFFFFFE0u << QStringList{};
    }
    void combinedWord()
    {
        QFETCH(uint, word);
        QFETCH(QStringList, holding);
        KVS screen;
        screen.changedLocksELA(0x1F);
        screen.changedLocksELA(word);
        QCOMPARE(held(screen, kCombinedLocks), held(screen, holding));
        QCOMPARE(held(screen, holding), holding);
        for (const char* cell : {"TMN:LockOn", "VPT:LockOff", "VE1:LockOn"})
            QCOMPARE(screen.element(cell)->numberVal(), 0);
    }

    // A lost link: its locks hold and say nothing is known until its words come again; the other
    // link's stay.
    void lostLinkHoldsItsLocks()
    {
        KVS screen;
        const QStringList kvsLocks = directionLocks(kKvsElements);
        const QStringList kvkLocks = directionLocks(kKvkElements);
        for (const QString& name : kvsLocks + kvkLocks) {
            const QString element = name.section(QLatin1Char(':'), 0, 0);
            const QString direction = name.section(QLatin1Char(':'), 1);
            if (element == QLatin1String("TMN") || element == QLatin1String("VPT") || element == QLatin1String("VE1"))
                continue;
            const QString slot = QStringLiteral("onChanged%1%2")
                                     .arg(element == QLatin1String("DOOR") ? QStringLiteral("Door") : element, direction);
            QVERIFY2(QMetaObject::invokeMethod(&screen, slot.toLatin1().constData(), Q_ARG(int, 0)), qPrintable(slot));
        }
        screen.changedLocksELA(0);
        QVERIFY(held(screen, kvsLocks + kvkLocks).isEmpty());
        screen.onChangedVP7LockOn(1);

        screen.disconnectedKVS();
        QCOMPARE(held(screen, kvsLocks), kvsLocks);
        QVERIFY(held(screen, kvkLocks).isEmpty());
        QVERIFY(screen.lock("VP7:lockNL1")->unknown() && screen.lock("NL1:lockVP7")->unknown());
        QVERIFY(!screen.lock("DOOR:lockState")->unknown());
        screen.onChangedNL1LockOn(0);
        QVERIFY(!screen.lock("NL1:LockOn")->state() && !screen.lock("NL1:lockVP7")->state());

        screen.onDoorPressChanged(0);
        QVERIFY(!screen.lock("REGIME:LockDoorPress")->state());
        screen.disconnectedKVK();
        QCOMPARE(held(screen, kvkLocks), kvkLocks);
        QVERIFY(screen.lock("REGIME:LockDoorPress")->unknown());
        QVERIFY(screen.lock("TMN:lockPress")->unknown());
        QCOMPARE(screen.doorPressState(), -1);
    }

    void userRights_data()
    {
        QTest::addColumn<int>("rights");
        QTest::addColumn<bool>("holds");
        QTest::newRow("administrator") << 0 << false;
        QTest::newRow("fixer") << 1 << false;
        QTest::newRow("operator") << 2 << true;
        QTest::newRow("cancelled login") << -1 << true;
        QTest::newRow("unknown rights") << 7 << true;
    }
    void userRights()
    {
        QFETCH(int, rights);
        QFETCH(bool, holds);
        KVS screen;
        screen.onUserChanged(1 - int(holds));  // the other way first
        screen.onUserChanged(rights);
        QCOMPARE(screen.userRights(), rights);
        QCOMPARE(screen.lock("REGIME:LockUser")->state(), holds);
    }

    // The door: the drive controller reports where it is ("d"), the vacuum/door controller
    // whether it is pressed ("p"); "x" loses the drive link, "k" the vacuum/door link.
    void door_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<bool>("pressLock");
        QTest::addColumn<bool>("stateLock");
        QTest::addColumn<QString>("line");  // the last log line
        QTest::newRow("press 1 after drive 0") << QStringList{"d0", "p1"} << QPoint(30, 90) << true << false
                                               << "[I]Дверь камеры отжата";
        QTest::newRow("press 0 before any drive report") << QStringList{"p0"} << QPoint(42, 215) << false << true
                                                         << "[I]Дверь камеры прижата";
        QTest::newRow("press 9") << QStringList{"d1", "p9"} << QPoint(30, 340) << true << true
                                 << "[W]Ошибка прижима/отжима двери!";
        QTest::newRow("pressed and closed") << QStringList{"p0", "d0"} << QPoint(42, 90) << false << false
                                            << "[I]Дверь камеры прижата";
        QTest::newRow("being pressed, braking") << QStringList{"d2", "p2"} << QPoint(30, 215) << true << true
                                                << "[I]Дверь камеры прижимается";
        QTest::newRow("being released, braking") << QStringList{"p3", "d3"} << QPoint(30, 215) << true << true
                                                 << "[I]Дверь камеры отжимается";
        QTest::newRow("drive link lost") << QStringList{"d0", "p0", "x"} << QPoint(42, 90) << false << true
                                         << "[I]Дверь камеры прижата";
        QTest::newRow("vacuum/door link lost") << QStringList{"d0", "p0", "k"} << QPoint(42, 90) << true << false
                                               << "[I]Дверь камеры прижата";
    }
    void door()
    {
        QFETCH(QStringList, events);
        QFETCH(QPoint, position);
        QFETCH(bool, pressLock);
        QFETCH(bool, stateLock);
        QFETCH(QString, line);
        KVS screen;
        QCOMPARE(screen.Door->pos(), QPoint(42, 90));  // the form's place until a report
        QSignalSpy log(&screen, &KVS::message);
        for (const QString& event : events) {
            const int value = event.mid(1).toInt();
            if (event.startsWith('d'))
                screen.onDoorStateChanged(uint(value));
            else if (event.startsWith('p')) {
                screen.onChangedDoorState(value);
                screen.onDoorPressChanged(value);
            } else if (event == QLatin1String("x"))
                screen.onDoorStateUnknown();
            else
                screen.disconnectedKVK();
        }
        QCOMPARE(screen.Door->pos(), position);
        QCOMPARE(screen.doorPosition(), position);
        QCOMPARE(screen.lock("REGIME:LockDoorPress")->state(), pressLock);
        QCOMPARE(screen.lock("REGIME:LockDoorState")->state(), stateLock);
        QCOMPARE(screen.lock("REGIME:LockPump")->state(), pressLock || stateLock);
        QStringList doorLines = messageTexts(log).filter(QStringLiteral("двер"), Qt::CaseInsensitive);
        QVERIFY(!doorLines.isEmpty());
        QCOMPARE(doorLines.last(), line);
        QCOMPARE(log.last().at(1).toBool(), true);
        QCOMPARE(doorLines.size(), events.filter(QRegularExpression("^p")).size());
    }

    // ---- modes --------------------------------------------------------------------------

    void lighting_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("lit");
        QTest::newRow("setup") << 0u << "sbVacAdjust";
        QTest::newRow("manual") << 1u << "sbVacManual";
        QTest::newRow("preparation") << 2u << "sbVacPrepare";
        QTest::newRow("fore pumping") << 3u << "sbVacForepump";
        QTest::newRow("chamber pumping") << 4u << "sbVacPumping";
        QTest::newRow("venting") << 5u << "sbVacFilling";
        QTest::newRow("shutdown") << 6u << "sbVacShutdown";
        QTest::newRow("7") << 7u << "";
        QTest::newRow("emergency end") << 0xFFFFFFFFu << "";
    }
    void lighting()
    {
        QFETCH(uint, mode);
        QFETCH(QString, lit);
        KVS screen;
        // Nothing known of the mode yet: the error look, which takes no press.
        for (StateButton* button : modeButtons(screen))
            QCOMPARE(button->state(), StateButton::State4);
        screen.changedMode(3);
        screen.changedMode(mode);
        for (StateButton* button : modeButtons(screen)) {
            QCOMPARE(button->state() == StateButton::State1, button->objectName() == lit);
            QCOMPARE(button->isChecked(), button->objectName() == lit);
        }
    }

    void captions()
    {
        KVS screen;
        const QStringList expected = {"Наладка", "Ручное\nуправление", "Подготовка", "Форвакуумная\nоткачка",
                                      "Откачка\nкамеры", "Напуск\nв камеру", "Завершение\nработы"};
        QStringList captions;
        for (StateButton* button : modeButtons(screen))
            captions << button->captionLabel()->text();
        QCOMPARE(captions, expected);
    }

    void setupCode_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("sent");
        QTest::newRow("right") << "730164" << true << "[I]Введён правильный пароль для перехода в режим 'Наладка'" << true;
        QTest::newRow("wrong") << "730165" << true << "[W]Введён неправильный пароль для перехода в режим 'Наладка'"
                               << false;
        QTest::newRow("cancelled") << "730164" << false
                                   << "[W]Введён неправильный пароль для перехода в режим 'Наладка'" << false;
    }
    void setupCode()
    {
        QFETCH(QString, typed);
        QFETCH(bool, confirmed);
        QFETCH(QString, line);
        QFETCH(bool, sent);
        VacuumPlant plant;
        QVERIFY(plant.start());
        plant.screen->onUserChanged(0);
        QSignalSpy log(plant.screen.get(), &KVS::message);
        ModalDriver driver;
        driver.next("Numpad", [&](ModalDialog& pad) {
            QVERIFY(!pad.isEnabled("pbDecimal") && !pad.isEnabled("pbSign"));
            pad.type(typed);
            if (confirmed)
                pad.click("pbEnter");
            else
                pad.clickFrameClose();
        });
        QTest::mouseClick(plant.screen->sbVacAdjust, Qt::LeftButton);
        QVERIFY(driver.done());
        QCOMPARE(messageTexts(log).filter(QStringLiteral("пароль")), QStringList{line});
        if (sent) {
            QVERIFY(plant.received(Sim::Kvk, "ALG(0)"));
            // The controller reports the mode: the bar follows.
            QVERIFY(QTest::qWaitFor([&plant] { return plant.screen->sbVacAdjust->state() == StateButton::State1; }, 2000));
            QCOMPARE(plant.screen->sbVacManual->state(), StateButton::State0);
        } else {
            QTest::qWait(300);
            QVERIFY(plant.sim.commandTexts(Sim::Kvk).isEmpty());
        }
    }

    void manualAtOnce()
    {
        VacuumPlant plant;
        QVERIFY(plant.start());
        plant.screen->onUserChanged(0);
        // The chamber pumping runs (and stays reported) only with VP1 free to open; refused, it
        // would end at once and be reported for a single datagram.
        QVERIFY(plant.sim.force(Sim::Kvs, "VP1LockOn", 0));
        QVERIFY(plant.sim.apply(Sim::Kvk, "ALG(4)"));
        QVERIFY(QTest::qWaitFor([&plant] { return plant.screen->sbVacPumping->state() == StateButton::State1; }, 2000));
        ModalDriver driver(1500);  // no question is asked
        QTest::mouseClick(plant.screen->sbVacManual, Qt::LeftButton);
        QVERIFY(plant.received(Sim::Kvk, "ALG(1)"));
        QVERIFY(QTest::qWaitFor([&plant] { return plant.screen->sbVacManual->state() == StateButton::State1; }, 2000));
        // The lit button takes no press.
        QTest::mouseClick(plant.screen->sbVacManual, Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(plant.sim.commandTexts(Sim::Kvk), QStringList{"ALG(1)"});
        QVERIFY(driver.done());
    }

    void confirmations_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("sent");
        QTest::newRow("preparation, yes") << "sbVacPrepare" << "Подготовка" << true << "ALG(2)";
        QTest::newRow("fore pumping, yes") << "sbVacForepump" << "Форвакуумная откачка" << true << "ALG(3)";
        QTest::newRow("chamber pumping, no") << "sbVacPumping" << "Откачка камеры" << false << "";
        QTest::newRow("venting, yes") << "sbVacFilling" << "Напуск в камеру" << true << "ALG(5)";
        QTest::newRow("shutdown, no") << "sbVacShutdown" << "Завершение работы" << false << "";
    }
    void confirmations()
    {
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(bool, yes);
        QFETCH(QString, sent);
        VacuumPlant plant;
        QVERIFY(plant.start());
        plant.screen->onUserChanged(0);
        plant.screen->onDoorStateChanged(0);  // closed; the simulated door stands pressed
        QVERIFY(QTest::qWaitFor([&plant] { return !plant.screen->lock("REGIME:LockPump")->state(); }, 2000));
        QSignalSpy log(plant.screen.get(), &KVS::message);
        ModalDriver driver;
        driver.next("Confirm", [&](ModalDialog& question) {
            QCOMPARE(question.text("lblText"), QStringLiteral("Запустить автоматический алгоритм '%1'?").arg(name));
            QCOMPARE(static_cast<Confirm*>(question.dialog())->timeout(), 5);
            question.click(yes ? "pbYes" : "pbNo");
        });
        QTest::mouseClick(plant.screen->findChild<StateButton*>(button), Qt::LeftButton);
        QVERIFY(driver.done());
        if (yes) {
            QVERIFY(plant.received(Sim::Kvk, sent));
        } else {
            QTest::qWait(300);
            QVERIFY(plant.sim.commandTexts(Sim::Kvk).isEmpty());
        }
        QVERIFY(log.isEmpty());
    }

    // An operator is refused the setup mode with the reason, and no pad opens; an administrator
    // gets the pad.
    void operatorIsRefusedTheSetup()
    {
        KVS screen;
        screen.changedMode(1);
        screen.onUserChanged(2);
        ModalDriver driver(1500);
        QTest::mousePress(screen.sbVacAdjust, Qt::LeftButton);
        QFrame* popup = screen.sbVacAdjust->popup();
        QVERIFY(popup && popup->isVisible());
        QCOMPARE(viewTexts(popup), QStringList{"Нет прав на включение"});
        QTest::mouseRelease(screen.sbVacAdjust, Qt::LeftButton);
        QVERIFY(driver.openDialogs().isEmpty());

        screen.onUserChanged(0);
        driver.next("Numpad", [](ModalDialog& pad) { pad.clickFrameClose(); });
        QTest::mouseClick(screen.sbVacAdjust, Qt::LeftButton);
        QVERIFY(driver.done());
    }

    // The pumping modes want the door pressed and closed, and say which is not.
    void pumpingModesNeedTheDoor()
    {
        KVS screen;
        screen.changedMode(1);
        screen.onDoorStateChanged(0);
        screen.onChangedDoorState(1);
        screen.onDoorPressChanged(1);
        ModalDriver driver(1500);
        for (StateButton* button : {screen.sbVacForepump, screen.sbVacPumping}) {
            QTest::mousePress(button, Qt::LeftButton);
            QVERIFY(button->popup());
            QCOMPARE(viewTexts(button->popup()), (QStringList{"Дверь камеры не прижата", "Дверь камеры закрыта"}));
            QTest::mouseRelease(button, Qt::LeftButton);
        }
        QVERIFY(driver.openDialogs().isEmpty());
        screen.onDoorPressChanged(0);
        driver.next("Confirm", [](ModalDialog& question) { question.click("pbNo"); });
        QTest::mouseClick(screen.sbVacPumping, Qt::LeftButton);
        QVERIFY(driver.done());
    }

    // While the mode is not known, the bar takes no press.
    void modesWaitForTheController()
    {
        KVS screen;
        screen.onUserChanged(0);
        screen.onDoorStateChanged(0);
        screen.onDoorPressChanged(0);
        QSignalSpy log(&screen, &KVS::message);
        log.clear();
        ModalDriver driver(1500);
        for (StateButton* button : modeButtons(screen)) {
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(!button->popup());
        }
        QVERIFY(log.isEmpty());
        QVERIFY(driver.done());
    }

    // A command that cannot be sent: the link of its controller reports it (the main window
    // writes the line), and the screen claims nothing of its own.
    void notSentIsReported()
    {
        KVS screen;
        QSignalSpy log(&screen, &KVS::message);
        QSignalSpy kvsNotSent(screen.kvs(), &VacuumLink::commandNotSent);
        QSignalSpy kvkNotSent(screen.kvk(), &VacuumLink::commandNotSent);
        screen.changedMode(0);  // as if reported just before the link went
        QTest::mouseClick(screen.sbVacManual, Qt::LeftButton);
        screen.onChangedNL1LockOn(0);
        ElementSwitchDlg* nl1 = screen.elementDialog(KVS::DlgNL1);
        nl1->onStateChanged(0);
        nl1->showDlg();
        QTest::mouseClick(nl1->sbSwitch, Qt::LeftButton);
        screen.onChangedVP8LockOff(0);
        ElementSwitchDlg* vp8 = screen.elementDialog(KVS::DlgVP8);
        vp8->onStateChanged(1);
        vp8->showDlg();
        QTest::mouseClick(vp8->sbSwitch, Qt::LeftButton);
        QCOMPARE(messageTexts(kvsNotSent), QStringList{"NL1 ON"});
        QCOMPARE(messageTexts(kvkNotSent), (QStringList{"ALG(1)", "VP8 OFF"}));
        QVERIFY(log.isEmpty());
        QVERIFY(!nl1->isVisible() && !vp8->isVisible());
    }
};

POKAVRO_TEST_MAIN(TestVacuumInterlocks)
#include "tst_vacuuminterlocks.moc"
