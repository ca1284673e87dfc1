#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "kvs.h"
#include "pictures.h"
#include "testenv.h"
#include "vacuumplant.h"
#include "vacuumsim.h"
#include "widgets.h"

using Pictures::background;
using Pictures::shows;
using Sim = VacuumSimulator;

namespace {

const QColor kUp(255, 255, 192);
const QColor kDown(255, 192, 192);
const QColor kUnknown(255, 192, 192);
const QColor kGaugeValid(0, 128, 255);

// The looks of the values of each link: unknown until its first status and while it is lost.
bool kvsValuesUnknown(const KVS& s)
{
    return background(s.PT1) == kUnknown && background(s.lblPT2u) == kUnknown && background(s.ND1temp) == kUnknown
        && !s.W3->isEnabled() && !s.T6->isEnabled() && shows(s.NL1, "NL_4.png") && shows(s.VP3, "vv_4.png")
        && s.elementState(KVS::Element::VP3) == -1 && shows(s.pipeF0, "vpipe_0.png") && s.pipeI0->isHidden();
}

bool kvsValuesKnown(const KVS& s)
{
    return background(s.PT1) == kGaugeValid && background(s.lblPT2u) == kGaugeValid
        && background(s.ND1temp) == QColor(255, 255, 0) && s.W3->isEnabled() && s.T6->isEnabled()
        && shows(s.NL1, "NL_0.png") && shows(s.VP3, "vv_0.png") && s.elementState(KVS::Element::VP3) == 0;
}

bool kvkValuesUnknown(const KVS& s)
{
    return background(s.PT5) == kUnknown && background(s.lblPT6u) == kUnknown && background(s.FreqTMN) == kUnknown
        && shows(s.VP4, "vv_4.png") && shows(s.TMN, "TMN_4.png") && shows(s.NP1, "NP_4.png");
}

bool kvkValuesKnown(const KVS& s)
{
    return background(s.PT5) == kGaugeValid && background(s.lblPT6u) == kGaugeValid
        && background(s.FreqTMN) == QColor(192, 86, 0) && shows(s.VP4, "vv_0.png") && shows(s.TMN, "TMN_0.png")
        && shows(s.NP1, "NP_1.png");
}

}  // namespace

// The vacuum screen against the two simulated vacuum controllers on loopback ports.
class TestKvs : public QObject
{
    Q_OBJECT

    QList<quint16> m_ports;  // drive tcp, drive udp, kvs tcp, kvs udp, kvk tcp, kvk udp

    std::unique_ptr<Sim> simulator()
    {
        auto sim = std::make_unique<Sim>();
        sim->setRate(50);
        sim->setSwitchSeconds(0.3);
        return sim;
    }
    bool start(Sim& sim) { return sim.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]); }

private slots:
    void init() { m_ports = TestEnv::configureControllers(); }

    void linkColoursAndRetries()
    {
        KVS screen;
        QSignalSpy kvsState(&screen, &KVS::onKVSConnected);
        QSignalSpy kvkState(&screen, &KVS::onKVKConnected);
        QVERIFY(!screen.kvsUp() && !screen.kvkUp());
        QCOMPARE(background(&screen), kDown);
        QCOMPARE(background(screen.Chamber), kDown);
        QCOMPARE(background(screen.Door), kDown);
        // The main window's start-up asks for the link states again.
        screen.onSystemStarted();
        QCOMPARE(kvsState.size(), 1);
        QCOMPARE(kvsState.last().at(0).toBool(), false);
        QCOMPARE(kvkState.last().at(0).toBool(), false);

        // Nobody answers: a new attempt, reported down, about once a second.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QTest::qWaitFor([&kvsState] { return kvsState.size() >= 3; }, 3500));
        QVERIFY(clock.elapsed() >= 1500);
        for (const QList<QVariant>& args : kvsState)
            QCOMPARE(args.at(0).toBool(), false);

        // The vacuum/door controller comes first: the chamber turns, the screen not, and the door
        // keeps the look of a place not known until the drive controller reports it too.
        auto sim = simulator();
        QVERIFY(start(*sim));
        sim->setRefuseConnections(Sim::Kvs, true);
        clock.restart();
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvkUp(); }, 3000));
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(kvkState.last().at(0).toBool(), true);
        QCOMPARE(background(screen.Chamber), kUp);
        QCOMPARE(background(screen.Door), kUnknown);
        QCOMPARE(background(&screen), kDown);

        sim->setRefuseConnections(Sim::Kvs, false);
        clock.restart();
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvsUp(); }, 3000));
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(kvsState.last().at(0).toBool(), true);
        QCOMPARE(background(&screen), kUp);
        QVERIFY(screen.kvs()->connected() && screen.kvk()->connected());

        kvsState.clear();
        screen.onSystemStarted();
        QCOMPARE(kvsState.size(), 1);
        QCOMPARE(kvsState.last().at(0).toBool(), true);
        QCOMPARE(kvkState.last().at(0).toBool(), true);
    }

    // The look of the values: unknown at start, known with the first status, unknown again
    // from a loss (here the status stream falls silent) until fresh status after reconnection.
    void valuesAreUnknownWhileNothingIsReported()
    {
        auto sim = simulator();
        QVERIFY(start(*sim));
        sim->pauseStream(Sim::Kvs);
        sim->pauseStream(Sim::Kvk);
        KVS screen;
        QVERIFY(screen.kvsUp() && screen.kvkUp());
        QTest::qWait(200);
        QVERIFY(kvsValuesUnknown(screen));
        QVERIFY(kvkValuesUnknown(screen));

        sim->resumeStream(Sim::Kvs);
        sim->resumeStream(Sim::Kvk);
        QVERIFY(QTest::qWaitFor([&screen] { return kvsValuesKnown(screen) && kvkValuesKnown(screen); }, 3000));
        QCOMPARE(screen.PT5->text(), QStringLiteral("1.0E+05"));

        // The first controller falls silent: its link is lost after about a second, the
        // second controller's values stay.
        QSignalSpy kvsState(&screen, &KVS::onKVSConnected);
        QElapsedTimer clock;
        clock.start();
        sim->pauseStream(Sim::Kvs);
        QVERIFY(QTest::qWaitFor([&screen] { return !screen.kvsUp(); }, 4000));
        QVERIFY2(clock.elapsed() >= 800 && clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(kvsState.first().at(0).toBool(), false);
        QCOMPARE(background(&screen), kDown);
        QVERIFY(kvsValuesUnknown(screen));
        QVERIFY(kvkValuesKnown(screen));

        // It reconnects; its values come back with its first status.
        sim->resumeStream(Sim::Kvs);
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvsUp() && kvsValuesKnown(screen); }, 4000));
        QCOMPARE(background(&screen), kUp);

        // The second controller drops the connection.
        sim->closeConnection(Sim::Kvk);
        QVERIFY(QTest::qWaitFor([&screen] { return !screen.kvkUp(); }, 3000));
        QVERIFY(kvkValuesUnknown(screen));
        QCOMPARE(background(screen.Door), kDown);
        QVERIFY(kvsValuesKnown(screen));
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvkUp() && kvkValuesKnown(screen); }, 4000));
    }

    // The door's place comes from two controllers: the drive controller's door state and the
    // vacuum/door controller's press state. It looks known only while both are reported and the
    // vacuum/door link is up; while not, it keeps its last place in the look of an unknown one.
    void doorLooksUnknownWhileItsPlaceIsNot()
    {
        auto sim = simulator();
        QVERIFY(start(*sim));
        KVS screen;
        QVERIFY(QTest::qWaitFor([&screen] { return kvkValuesKnown(screen) && screen.doorPressState() >= 0; }, 3000));
        QCOMPARE(background(screen.Door), kUnknown);  // no drive report yet
        screen.onDoorStateChanged(0);
        QCOMPARE(background(screen.Door), kUp);
        const QPoint closed = screen.Door->pos();
        QCOMPARE(closed.y(), 90);

        // The drive link is lost.
        screen.onDoorStateUnknown();
        QCOMPARE(background(screen.Door), kUnknown);
        QCOMPARE(screen.Door->pos(), closed);
        screen.onDoorStateChanged(1);
        QCOMPARE(background(screen.Door), kUp);
        QCOMPARE(screen.Door->y(), 340);

        // The vacuum/door link is lost, then back with its status.
        sim->closeConnection(Sim::Kvk);
        QVERIFY(QTest::qWaitFor([&screen] { return !screen.kvkUp(); }, 3000));
        QCOMPARE(background(screen.Door), kUnknown);
        QCOMPARE(screen.doorPressState(), -1);
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvkUp() && screen.doorPressState() >= 0; }, 4000));
        QCOMPARE(background(screen.Door), kUp);
    }

    // What the simulator switches, the mimic shows, with the log lines of each change.
    void switchingInThePlantMovesTheMimic()
    {
        auto sim = simulator();
        QVERIFY(start(*sim));
        KVS screen;
        QVERIFY(QTest::qWaitFor([&screen] { return kvsValuesKnown(screen) && kvkValuesKnown(screen); }, 3000));
        QSignalSpy log(&screen, &KVS::message);

        QVERIFY(sim->apply(Sim::Kvs, QStringLiteral("NL1 ON")));
        QVERIFY(QTest::qWaitFor([&screen] { return shows(screen.NL1, "NL_23.png"); }, 2000));
        QVERIFY(QTest::qWaitFor([&screen] { return shows(screen.NL1, "NL_1.png"); }, 3000));
        QVERIFY(messageTexts(log).contains(QStringLiteral("[I]Форвакуумный насос NL1 включается")));
        QVERIFY(messageTexts(log).contains(QStringLiteral("[I]Форвакуумный насос NL1 включен")));

        // A vent into the chamber: its pipes light and the chamber is tinted once it is open.
        sim->setChamberDoorClosed(true);
        QVERIFY(sim->apply(Sim::Kvk, QStringLiteral("VP8 ON")));
        QVERIFY(QTest::qWaitFor([&screen] { return screen.chamberOpen(); }, 3000));
        QVERIFY(shows(screen.VP8, "vv_1.png"));
        QVERIFY(shows(screen.pipeJ2, "vpipe_1.png"));
        QCOMPARE(background(screen.frmChamber), QColor(160, 255, 255));
        QVERIFY(messageTexts(log).contains(QStringLiteral("[I]Клапан напуска VP8 открыт")));
    }

    void statusReachesCellsAndTheMainWindowRelays()
    {
        auto sim = simulator();
        sim->force(Sim::Kvk, QStringLiteral("PT5"), 12.25);
        sim->force(Sim::Kvk, QStringLiteral("PT5Valid"), 1);
        sim->force(Sim::Kvk, QStringLiteral("PT6"), 3.25f);
        sim->force(Sim::Kvk, QStringLiteral("BKUValid"), 7);
        sim->force(Sim::Kvk, QStringLiteral("SpiralLock"), 1);
        sim->force(Sim::Kvk, QStringLiteral("ShutdownLock"), 1);
        sim->force(Sim::Kvk, QStringLiteral("AlgNumber"), 4u);
        sim->force(Sim::Kvk, QStringLiteral("AlgTime"), 65u);
        sim->force(Sim::Kvk, QStringLiteral("AlgRun"), 1u);
        sim->force(Sim::Kvs, QStringLiteral("ND1LockOn"), 5);
        QVERIFY(start(*sim));
        KVS screen;
        QSignalSpy mode(&screen, &KVS::signalChangedMode);
        QSignalSpy modeTime(&screen, &KVS::signalChangedModeTime);
        QSignalSpy modeState(&screen, &KVS::signalChangedModeState);
        QSignalSpy chamber(&screen, &KVS::changedChamberPressure);
        QSignalSpy chamberValid(&screen, &KVS::changedChamberPressureValid);
        QSignalSpy gun(&screen, &KVS::changedGunPressure);
        QSignalSpy gunValid(&screen, &KVS::changedGunPressureValid);
        QSignalSpy spiral(&screen, &KVS::signalChangedSpiralLock);
        QSignalSpy shutdown(&screen, &KVS::signalChangedShutdownLock);
        QSignalSpy log(&screen, &KVS::message);
        LenzeElement* flow = screen.element(QStringLiteral("Discharge03"));
        QSignalSpy flowChanges(flow, qOverload<float>(&LenzeElement::sensorValChanged));

        QVERIFY(QTest::qWaitFor([&gun, &flowChanges] { return !gun.isEmpty() && !flowChanges.isEmpty(); }, 3000));
        QCOMPARE(mode.last().at(0).toUInt(), 4u);
        QCOMPARE(modeTime.last().at(0).toUInt(), 65u);
        QCOMPARE(modeState.last().at(0).toUInt(), 1u);
        QCOMPARE(chamber.last().at(0).toDouble(), 12.25);
        QCOMPARE(chamberValid.last().at(0).toBool(), true);
        QCOMPARE(gun.last().at(0).toFloat(), 3.25f);
        QCOMPARE(gunValid.last().at(0).toInt(), 7);
        QCOMPARE(spiral.last().at(0).toBool(), true);
        QCOMPARE(shutdown.last().at(0).toBool(), true);
        QCOMPARE(screen.PT5->text(), QStringLiteral("1.2E+01"));
        QCOMPARE(screen.PT6->text(), QStringLiteral("3.3E+00"));
        QCOMPARE(screen.element(QStringLiteral("ND1:LockOn"))->numberVal(), 5);
        QCOMPARE(flow->sensorVal(), 5.0f);

        // A new flow comes as one change of its cell, and the cell says nothing more while the
        // value stays.
        flowChanges.clear();
        sim->setFlow(3, 2.5f);
        QVERIFY(QTest::qWaitFor([flow] { return flow->sensorVal() == 2.5f; }, 2000));
        QTest::qWait(200);
        QCOMPARE(flowChanges.size(), 1);
        QCOMPARE(flowChanges.first().at(0).toFloat(), 2.5f);
        flow->setSensorVal(2.5f);
        QCOMPARE(flowChanges.size(), 1);
        QVERIFY(shows(screen.W3, "w_0.png"));

        sim->force(Sim::Kvk, QStringLiteral("AlgNumber"), 0xFFFFFFFFu);  // emergency end
        sim->force(Sim::Kvk, QStringLiteral("SpiralLock"), 0);
        QVERIFY(QTest::qWaitFor([&mode] { return mode.last().at(0).toUInt() == 0xFFFFFFFFu; }, 3000));
        QVERIFY(QTest::qWaitFor([&spiral] { return !spiral.last().at(0).toBool(); }, 3000));

        // A controller's text goes to the operator log only, with the link's time stamp.
        log.clear();
        QVERIFY(sim->sendText(Sim::Kvk, QStringLiteral("Дверь прижата")));
        const QRegularExpression stamped(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] Дверь прижата$"));
        QVERIFY(QTest::qWaitFor([&log, &stamped] { return !messageTexts(log).filter(stamped).isEmpty(); }, 3000));
        for (const QList<QVariant>& args : log) {
            if (stamped.match(args.at(0).toString()).hasMatch())
                QCOMPARE(args.at(1).toBool(), false);
        }
    }

    // The main window connects to the relays only after the screen has opened its links; a first
    // status delivered before that (a start-up message box runs the event loop) reaches the
    // window's relays when the system has started, although no value changes afterwards.
    void relaysCatchUpOnAStatusDeliveredBeforeTheSystemStarted()
    {
        auto sim = simulator();
        sim->force(Sim::Kvk, QStringLiteral("PT5"), 12.25);
        sim->force(Sim::Kvk, QStringLiteral("AlgNumber"), 4u);
        QVERIFY(start(*sim));
        KVS screen;
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvk()->statusKnown() && screen.kvs()->statusKnown(); },
                                3000));
        QTest::qWait(200);
        QSignalSpy mode(&screen, &KVS::signalChangedMode);
        QSignalSpy chamber(&screen, &KVS::changedChamberPressure);
        QSignalSpy log(&screen, &KVS::message);
        QTest::qWait(300);
        QVERIFY(mode.isEmpty() && chamber.isEmpty());  // nothing changes: nothing is sent again

        screen.onSystemStarted();
        QVERIFY(QTest::qWaitFor([&] { return !mode.isEmpty() && !chamber.isEmpty(); }, 2000));
        QCOMPARE(mode.last().at(0).toUInt(), 4u);
        QCOMPARE(chamber.last().at(0).toDouble(), 12.25);
        // Once: the next datagrams are compared with this one again.
        QTest::qWait(300);
        QCOMPARE(mode.size(), 1);
        QCOMPARE(chamber.size(), 1);
    }

    void keepsWhatTheMainWindowGives()
    {
        KVS screen;
        QCOMPARE(screen.userRights(), -1);
        for (int rights : {0, 2, -1}) {
            screen.onUserChanged(rights);
            QCOMPARE(screen.userRights(), rights);
        }
        screen.onDoorStateChanged(1);
        QCOMPARE(screen.doorState(), 1);
    }

    void goesAwayWhileLinksAreUp()
    {
        auto sim = simulator();
        QVERIFY(start(*sim));
        auto screen = std::make_unique<KVS>();
        QVERIFY(screen->kvsUp() && screen->kvkUp());
        QVERIFY(QTest::qWaitFor([&sim] { return sim->consoleConnected(Sim::Kvk); }, 2000));
        QElapsedTimer clock;
        clock.start();
        screen.reset();
        QVERIFY(clock.elapsed() < 2000);
        QTest::qWait(1200);  // no retry of a screen that is gone
        QVERIFY(!sim->consoleConnected(Sim::Kvs) && !sim->consoleConnected(Sim::Kvk));
    }
};

POKAVRO_TEST_MAIN(TestKvs)
#include "tst_kvs.moc"
