#include <QApplication>
#include <QDir>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

#include "cunibutton.h"
#include "drivesim.h"
#include "gui.h"
#include "message.h"
#include "messageserver.h"
#include "messagestack.h"
#include "operatorlines.h"
#include "statebutton.h"
#include "testenv.h"
#include "vacuumsim.h"
#include "widgets.h"

// The main window's vacuum and installation alarm displays, fed by the simulated controllers.
class TestGuiAlarms : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    std::unique_ptr<RecordingRunner> m_runner;
    std::unique_ptr<DriveSimulator> m_drive;
    std::unique_ptr<VacuumSimulator> m_vacuum;
    std::unique_ptr<Gui> m_gui;
    std::unique_ptr<OperatorLines> m_log;

    static QColor background(const QWidget* w) { return w->palette().color(QPalette::Window); }
    static QColor foreground(const QWidget* w) { return w->palette().color(QPalette::WindowText); }

    QList<int> activeIds() const
    {
        QList<int> ids;
        for (CMessage* m : m_gui->messageServer()->messages())
            ids << m->numId();
        return ids;
    }

    // Lets several datagrams pass, so that whatever a change would bring has arrived.
    static void settle() { QTest::qWait(150); }

    // Forces a field of the vacuum/door controller and waits until the window was told.
    template <typename Signal>
    bool forceKvk(const QString& field, const QVariant& value, Signal signal)
    {
        QSignalSpy spy(m_gui->kvs, signal);
        m_vacuum->force(VacuumSimulator::Kvk, field, value);
        return QTest::qWaitFor(
            [&] {
                for (const QList<QVariant>& args : spy)
                    if (args.at(0) == value)
                        return true;
                return false;
            },
            5000);
    }

    // One change of a status word, with what it must log, leave active and sound.
    struct WordStep {
        uint word;
        QStringList lines;
        QList<int> active;
        int buzzes;
    };
    void runWordSteps(quint32 DriveStatusPacket::*field, void (DriveTCPthread::*signal)(uint),
                      const QVector<WordStep>& steps)
    {
        for (const WordStep& step : steps) {
            const int buzzes = m_drive->buzzerCount();
            QSignalSpy spy(m_gui->drives(), signal);
            m_drive->status().*field = step.word;
            QVERIFY(spy.wait(5000));
            QVERIFY(QTest::qWaitFor([&] { return m_drive->buzzerCount() - buzzes >= step.buzzes; }, 5000));
            settle();
            QCOMPARE(m_log->fresh(), step.lines);
            QCOMPARE(activeIds(), step.active);
            QCOMPARE(m_drive->buzzerCount() - buzzes, step.buzzes);
            const QStringList commands = m_drive->commandTexts();
            QCOMPARE(commands.mid(commands.size() - step.buzzes),
                     QStringList(QVector<QString>(step.buzzes, QStringLiteral("ZOOMMER")).toList()));
        }
        // The ticker followed every removal and holds nothing that was freed.
        QVERIFY(m_gui->messageStack()->messages().isEmpty());
        QVERIFY(!m_gui->messageStack()->currentMessage());
        m_gui->messageStack()->grab();
    }

private slots:
    void initTestCase()
    {
        const QList<quint16> ports = TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
        m_runner = std::make_unique<RecordingRunner>();
        m_drive = std::make_unique<DriveSimulator>();
        m_vacuum = std::make_unique<VacuumSimulator>();
        m_drive->setRate(200);
        m_vacuum->setRate(200);
        QVERIFY(m_drive->start(ports[0], ports[1]));
        QVERIFY(m_vacuum->start(ports[2], ports[3], ports[4], ports[5]));
        m_gui = std::make_unique<Gui>();
        m_log = std::make_unique<OperatorLines>(m_gui->operatorLog().fileName());
        QVERIFY(QTest::qWaitFor([this] { return m_gui->cncConnected() && m_gui->kvs->kvkUp(); }, 10000));
        QVERIFY(QTest::qWaitFor([this] { return !m_gui->channel1State->text().isEmpty(); }, 5000));
        QVERIFY(QTest::qWaitFor([this] { return !m_gui->lblVacuumTime->text().isEmpty(); }, 5000));
        settle();
        // Every breaker is on at start: nothing raised, nothing sounded.
        QVERIFY(activeIds().isEmpty());
        QCOMPARE(m_drive->buzzerCount(), 0);
    }
    void cleanupTestCase()
    {
        m_gui.reset();
        m_vacuum.reset();
        m_drive.reset();
        m_runner.reset();
        m_boxes.reset();
    }
    void init() { m_log->skip(); }

    void vacuumModes_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::newRow("setup") << 0u << "Режим наладки"
                               << "[I]Выполнено переключение в Наладочный режим работы вакуумной системы";
        QTest::newRow("manual") << 1u << "Ручной режим"
                                << "[I]Выполнено переключение в Ручной режим работы вакуумной системы";
        QTest::newRow("2") << 2u << "Подготовка" << "[I]Запущен алгоритм 'Подготовка' вакуумной системы";
        QTest::newRow("3") << 3u << "Форвакуумная откачка"
                           << "[I]Запущен алгоритм 'Форвакуумная откачка' вакуумной системы";
        QTest::newRow("4") << 4u << "Откачка камеры" << "[I]Запущен алгоритм 'Откачка камеры' вакуумной системы";
        QTest::newRow("5") << 5u << "Напуск в камеру" << "[I]Запущен алгоритм 'Напуск в камеру' вакуумной системы";
        QTest::newRow("6") << 6u << "Завершение работы"
                           << "[I]Запущен алгоритм 'Завершение работы' вакуумной системы";
        QTest::newRow("emergency end") << 0xFFFFFFFFu << "Аварийное завершение" << "";
        QTest::newRow("7") << 7u << "Wrong mode" << "";
    }
    void vacuumModes()
    {
        QFETCH(uint, mode);
        QFETCH(QString, text);
        QFETCH(QString, line);
        QVERIFY(forceKvk(QStringLiteral("AlgNumber"), 1000u, &KVS::signalChangedMode));
        QCOMPARE(m_gui->lblVacuumState->text(), QStringLiteral("Wrong mode"));
        m_log->skip();
        QVERIFY(forceKvk(QStringLiteral("AlgNumber"), mode, &KVS::signalChangedMode));
        QCOMPARE(m_gui->lblVacuumState->text(), text);
        QCOMPARE(m_log->fresh(), line.isEmpty() ? QStringList() : QStringList{line});
        QCOMPARE(background(m_gui->lblVacuumState), mode == 0 ? QColor(255, 128, 128) : QColor(189, 255, 180));
        QCOMPARE(foreground(m_gui->lblVacuumState), mode == 0 ? QColor(Qt::white) : QColor(Qt::black));
    }

    void algorithmRunTime()
    {
        Gui& g = *m_gui;
        QVERIFY(forceKvk(QStringLiteral("AlgRun"), 1u, &KVS::signalChangedModeState));
        QCOMPARE(g.lblVacuumActive->text(), QStringLiteral("Выполняется"));
        QCOMPARE(background(g.lblVacuumActive), QColor(0, 255, 128));
        QVERIFY(forceKvk(QStringLiteral("AlgTime"), 3725u, &KVS::signalChangedModeTime));
        QCOMPARE(g.lblVacuumTime->text(), QStringLiteral("01:02:05"));
        QCOMPARE(background(g.lblVacuumTime), QColor(0, 255, 128));
        m_log->skip();
        QVERIFY(forceKvk(QStringLiteral("AlgRun"), 2u, &KVS::signalChangedModeState));
        QCOMPARE(g.lblVacuumActive->text(), QStringLiteral("Выполнен"));
        QCOMPARE(background(g.lblVacuumActive), QColor(0, 255, 128));
        QCOMPARE(m_log->fresh(),
                 QStringList{QStringLiteral(
                     "[I]Автоматический алгоритм выполнен, время выполнения - 62 минут 5 секунд")});
        QVERIFY(forceKvk(QStringLiteral("AlgTime"), 90061u, &KVS::signalChangedModeTime));
        QCOMPARE(g.lblVacuumTime->text(), QStringLiteral("25:01:01"));
        QVERIFY(forceKvk(QStringLiteral("AlgTime"), 0u, &KVS::signalChangedModeTime));
        QCOMPARE(g.lblVacuumTime->text(), QStringLiteral("00:00:00"));
        QCOMPARE(background(g.lblVacuumTime), QColor(189, 255, 180));
        QVERIFY(forceKvk(QStringLiteral("AlgRun"), 0u, &KVS::signalChangedModeState));
        QCOMPARE(g.lblVacuumActive->text(), QStringLiteral("Не запущен"));
        QCOMPARE(background(g.lblVacuumActive), QColor(189, 255, 180));
        QCOMPARE(m_log->fresh(), QStringList());
    }

    void pressuresAndUnit()
    {
        Gui& g = *m_gui;
        QVERIFY(forceKvk(QStringLiteral("PT5"), 0.0125, &KVS::changedChamberPressure));
        QVERIFY(forceKvk(QStringLiteral("PT6"), 0.00375f, &KVS::changedGunPressure));
        QCOMPARE(g.VacuumChamber->value(), 0.0125f);
        QCOMPARE(g.pressure(), 0.0125f);
        const QString chamberPa = g.VacuumChamber->text();
        const QString gunPa = g.VacuumGun->text();
        QCOMPARE(chamberPa, PoLabel::formatValue(0.0125f, 1.0f, 5));

        QCOMPARE(g.kvs->PT5->text(), chamberPa);

        // The operator touches a gauge of the vacuum screen: both screens switch to mm Hg.
        QTest::mouseClick(g.kvs->PT5, Qt::LeftButton);
        QCOMPARE(g.kvs->lblPT5u->text(), QStringLiteral("мм.рт.ст."));
        QCOMPARE(g.kvs->PT5->text(), PoLabel::formatValue(0.0125f, 0.0075006373f, 5));
        QCOMPARE(g.lblVacuumChamber->text(), QStringLiteral("Камера, мм.рт.ст."));
        QCOMPARE(g.lblVacuumGun->text(), QStringLiteral("Пушка, мм.рт.ст."));
        QCOMPARE(g.VacuumChamber->text(), PoLabel::formatValue(0.0125f, 0.0075006373f, 5));
        QVERIFY(g.VacuumChamber->text() != chamberPa);
        QVERIFY(g.VacuumGun->text() != gunPa);
        QCOMPARE(g.VacuumChamber->value(), 0.0125f);
        // The pressure the passport records is the one shown.
        QCOMPARE(g.pressure(), 0.0125f * 0.0075006373f);
        // A reading arriving in mm Hg display is shown converted.
        QVERIFY(forceKvk(QStringLiteral("PT5"), 133.32, &KVS::changedChamberPressure));
        QCOMPARE(g.VacuumChamber->text(), PoLabel::formatValue(133.32f, 0.0075006373f, 5));
        QVERIFY(forceKvk(QStringLiteral("PT5"), 0.0125, &KVS::changedChamberPressure));

        QTest::mouseClick(g.kvs->lblPT6u, Qt::LeftButton);
        QCOMPARE(g.kvs->lblPT5u->text(), QStringLiteral("Па"));
        QCOMPARE(g.kvs->PT5->text(), chamberPa);
        QCOMPARE(g.lblVacuumChamber->text(), QStringLiteral("Камера, Па"));
        QCOMPARE(g.lblVacuumGun->text(), QStringLiteral("Пушка, Па"));
        QCOMPARE(g.VacuumChamber->text(), chamberPa);
        QCOMPARE(g.VacuumGun->text(), gunPa);

        // A gauge that reports itself invalid measures nothing: its last number stays on screen,
        // pink, and the passport records no chamber pressure.
        QVERIFY(forceKvk(QStringLiteral("PT5Valid"), 0u, &KVS::changedChamberPressureValid));
        QCOMPARE(background(g.VacuumChamber), QColor(255, 192, 192));
        QCOMPARE(g.VacuumChamber->text(), chamberPa);
        QVERIFY(std::isnan(g.pressure()));
        QVERIFY(forceKvk(QStringLiteral("BKUValid"), 0, &KVS::changedGunPressureValid));
        QCOMPARE(background(g.VacuumGun), QColor(255, 192, 192));
        QVERIFY(forceKvk(QStringLiteral("PT5Valid"), 1u, &KVS::changedChamberPressureValid));
        QVERIFY(forceKvk(QStringLiteral("BKUValid"), 7, &KVS::changedGunPressureValid));
        QCOMPARE(background(g.VacuumChamber), QColor(189, 255, 180));
        QCOMPARE(background(g.VacuumGun), QColor(189, 255, 180));
        QCOMPARE(g.pressure(), 0.0125f);

        // A pressure that is not a finite number is not known, on both screens: the last one
        // stays, pink, and the passport records none.
        const auto forceUnknown = [this](const char* field, const QVariant& value, auto signal) {
            QSignalSpy spy(m_gui->kvs, signal);
            m_vacuum->force(VacuumSimulator::Kvk, QLatin1String(field), value);
            return QTest::qWaitFor(
                [&spy] {
                    for (const QList<QVariant>& args : spy)
                        if (!std::isfinite(float(args.at(0).toDouble())))
                            return true;
                    return false;
                },
                5000);
        };
        for (const double unknown : {double(std::numeric_limits<float>::quiet_NaN()), 1e300}) {
            QVERIFY(forceUnknown("PT5", unknown, &KVS::changedChamberPressure));
            QCOMPARE(g.VacuumChamber->text(), chamberPa);
            QCOMPARE(background(g.VacuumChamber), QColor(255, 192, 192));
            QCOMPARE(g.kvs->PT5->text(), chamberPa);
            QCOMPARE(background(g.kvs->PT5), QColor(255, 192, 192));
            QVERIFY(std::isnan(g.pressure()));
        }
        QVERIFY(forceUnknown("PT6", std::numeric_limits<float>::infinity(), &KVS::changedGunPressure));
        QCOMPARE(g.VacuumGun->text(), gunPa);
        QCOMPARE(background(g.VacuumGun), QColor(255, 192, 192));
        QVERIFY(forceKvk(QStringLiteral("PT5"), 0.0125, &KVS::changedChamberPressure));
        QCOMPARE(background(g.VacuumChamber), QColor(189, 255, 180));
        QCOMPARE(g.pressure(), 0.0125f);
        for (const char* field : {"PT5", "PT6", "PT5Valid", "BKUValid"})
            m_vacuum->release(VacuumSimulator::Kvk, QLatin1String(field));
    }

    void drivePowerWord()
    {
        const QString qf18 = QStringLiteral("[W]Сработал автомат QF18 питания всех приводов в ШУК!");
        const QString qf31 = QStringLiteral("[W]Сработал автомат QF31 питания привода координаты LX1 в ШУК!");
        const QString qf40 = QStringLiteral("[W]Сработал автомат QF40 питания привода координаты V в ШУК!");
        runWordSteps(&DriveStatusPacket::drivePowerState, &DriveTCPthread::changedDrivePowerState, {
            {0x3FF, {qf18}, {0}, 1},
            {0x3FE, {qf31}, {0}, 0},      // another breaker trips: alarm 0 stays, no second copy
            {0x1FE, {qf40}, {0}, 0},
            {0x7FE, {}, {}, 0},           // the main breaker back: alarm 0 goes
            {0x7FF, {}, {}, 0},           // breakers coming on log nothing
            {0x0, {qf31, QStringLiteral("[W]Сработал автомат QF32 питания привода координаты LX2 в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF33 питания привода координаты LY в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF34 питания привода координаты A в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF35 питания привода координаты B в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF36 питания привода координаты C в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF37 питания привода координаты D в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF38 питания привода координаты U1 в ШУК!"),
                   QStringLiteral("[W]Сработал автомат QF39 питания привода координаты U2 в ШУК!"), qf40, qf18},
             {0}, 1},
            {0x7FF, {}, {}, 0},
        });
    }

    void alarmWord()
    {
        const QString op = QStringLiteral("[A]Нажата кнопка аварийного останова на пульте оператора!");
        const QString portable = QStringLiteral("[A]Нажата кнопка аварийного останова на пульте переносном!");
        const QString left = QStringLiteral("[A]Сработал левый тросовый выключатель в камере!");
        const QString right = QStringLiteral("[A]Сработал правый тросовый выключатель в камере!");
        // Level-driven: every set bit is logged, raised and sounded again on each change.
        runWordSteps(&DriveStatusPacket::alarmState, &DriveTCPthread::changedAlarmState, {
            {0x1, {op}, {3}, 1},
            {0x3, {op, portable}, {3, 3, 4}, 2},
            {0x2, {portable}, {4, 4}, 1},  // bit 0 clears: every copy of alarm 3 goes
            {0xC, {left, right}, {5, 6}, 2},
            {0x0, {}, {}, 0},
        });
    }

    void powerAndPhaseAlarms()
    {
        struct Step {
            const char* field;
            quint8 value;
            QStringList lines;
            QList<int> active;
            int buzzes;
        };
        DriveStatusPacket& s = m_drive->status();
        const Step steps[] = {
            {"drivesPower", 0, {QStringLiteral("[A]Сработал автомат питания приводов 24В в ШУК (QF28)!")}, {8}, 1},
            {"phaseAlarm", 1, {QStringLiteral("[A]Ошибка фаз 380 Вольт в ШУК!")}, {7, 8}, 1},
            {"spiralPower", 0, {QStringLiteral("[W]Сработал автомат питания спиралей в ШУК (QF23 или QF24)!")},
             {7, 8, 20}, 0},
            {"drivesPower", 1, {}, {7, 20}, 0},
            {"phaseAlarm", 0, {}, {20}, 0},
            {"spiralPower", 1, {}, {}, 0},
        };
        for (const Step& step : steps) {
            const int buzzes = m_drive->buzzerCount();
            const QByteArray field(step.field);
            auto signal = field == "drivesPower"  ? &DriveTCPthread::changedDrivesPower
                          : field == "phaseAlarm" ? &DriveTCPthread::changedPhaseAlarm
                                                  : &DriveTCPthread::changedSpiralPower;
            QSignalSpy spy(m_gui->drives(), signal);
            (field == "drivesPower" ? s.drivesPower : field == "phaseAlarm" ? s.phaseAlarm : s.spiralPower) =
                step.value;
            QVERIFY(spy.wait(5000));
            settle();
            QCOMPARE(m_log->fresh(), step.lines);
            QCOMPARE(activeIds(), step.active);
            QCOMPARE(m_drive->buzzerCount() - buzzes, step.buzzes);
            if (field == "spiralPower" && step.value == 0) {
                // The warning is shown in the ticker with its own text and a close button.
                CMessage* shown = m_gui->messageStack()->currentMessage();
                QVERIFY(shown);
                QCOMPARE(shown->numId(), 20);
                QCOMPARE(shown->text(), QStringLiteral("Выключен автомат питания спиралей (QF23 или QF24)"));
                QVERIFY(!m_gui->messageStack()->closeButton()->isHidden());
            }
        }
    }

    void lighting()
    {
        struct Step {
            uint word;
            QStringList lines;
        };
        const QString tapesOn = QStringLiteral("[I]Освещение камеры светодиодными лентами включено");
        const QString tapesOff = QStringLiteral("[I]Освещение камеры светодиодными лентами выключено");
        const QString floodOn = QStringLiteral("[I]Освещение камеры светодиодными прожекторами включено");
        const QString floodOff = QStringLiteral("[I]Освещение камеры светодиодными прожекторами выключено");
        const QString spiralOn = QStringLiteral("[I]Освещение зоны сварки спиралями включено");
        const QString spiralOff = QStringLiteral("[I]Освещение зоны сварки спиралями выключено");
        const Step steps[] = {
            {0x1, {tapesOn}},
            {0x5, {spiralOn}},
            {0x6, {tapesOff, floodOn}},
            {0x8, {floodOff, spiralOff}},  // bit 3 means nothing here
            {0x7, {tapesOn, floodOn, spiralOn}},
            {0x0, {tapesOff, floodOff, spiralOff}},
        };
        for (const Step& step : steps) {
            QSignalSpy spy(m_gui->drives(), &DriveTCPthread::changedLightState);
            m_drive->status().lightState = step.word;
            QVERIFY(spy.wait(5000));
            QCOMPARE(m_log->fresh(), step.lines);
            QCOMPARE(m_gui->sbLightSpiral->state(), (step.word & 4) ? StateButton::State1 : StateButton::State0);
        }
    }

    void doorAndTransportModule_data()
    {
        QTest::addColumn<uint>("value");
        QTest::addColumn<QString>("door");
        QTest::addColumn<QString>("module");
        QTest::newRow("0") << 0u << "[I]Дверь закрыта" << "[I]Транспортный модуль в камере";
        QTest::newRow("1") << 1u << "[I]Дверь открыта" << "[I]Транспортный модуль на загрузочной платформе";
        QTest::newRow("2") << 2u << "[I]Дверь в зоне торможения закрытия"
                           << "[I]Транспортный модуль в зоне торможения камеры";
        QTest::newRow("3") << 3u << "[I]Дверь в зоне торможения открытия"
                           << "[I]Транспортный модуль в зоне торможения загрузочной платформы";
        QTest::newRow("4") << 4u << "" << "";
    }
    void doorAndTransportModule()
    {
        QFETCH(uint, value);
        QFETCH(QString, door);
        QFETCH(QString, module);
        DriveStatusPacket& s = m_drive->status();
        for (bool isDoor : {true, false}) {
            quint32& field = isDoor ? s.doorState : s.trModuleState;
            QSignalSpy spy(m_gui->drives(),
                           isDoor ? &DriveTCPthread::changedDoorState : &DriveTCPthread::changedTrModuleState);
            field = 99;
            QVERIFY(spy.wait(5000));
            m_log->skip();
            field = value;
            QVERIFY(QTest::qWaitFor([&] { return spy.count() == 2; }, 5000));
            const QString line = isDoor ? door : module;
            QCOMPARE(m_log->fresh(), line.isEmpty() ? QStringList() : QStringList{line});
        }
    }
};

POKAVRO_TEST_MAIN(TestGuiAlarms)
#include "tst_guialarms.moc"
