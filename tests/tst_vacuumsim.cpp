#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>

#include "kvscomm.h"
#include "testenv.h"
#include "vacuumcommand.h"
#include "vacuumsim.h"

using Sim = VacuumSimulator;

namespace {

// Advances the model in steps of 0.1 s until the condition holds or the model time runs out.
bool runUntil(Sim& sim, const std::function<bool()>& condition, double seconds)
{
    for (double t = 0.0; t < seconds; t += 0.1) {
        if (condition())
            return true;
        sim.advance(0.1);
    }
    return condition();
}

}  // namespace

// The simulated vacuum controllers: their plant model on its own, then over the console's links.
class TestVacuumSim : public QObject
{
    Q_OBJECT

private slots:
    void switchingRunsThroughItsStates()
    {
        Sim sim;
        sim.setSwitchSeconds(1.0);
        QVERIFY(sim.apply(Sim::Kvs, "NL1 ON"));
        QCOMPARE(sim.state("NL1"), 3);
        sim.advance(0.9);
        QCOMPARE(sim.state("NL1"), 3);
        sim.advance(0.2);
        QCOMPARE(sim.state("NL1"), 1);
        QCOMPARE(sim.kvsStatus().NL1Power, 1);
        QVERIFY(sim.apply(Sim::Kvs, "NL1 OFF"));
        QCOMPARE(sim.state("NL1"), 2);
        sim.advance(1.1);
        QCOMPARE(sim.state("NL1"), 0);
        QCOMPARE(sim.kvsStatus().NL1Power, 0);

        // The door: released is on, pressed is off; the other controller does not take it.
        QVERIFY(!sim.apply(Sim::Kvs, "DOOR UNPRESS"));
        QVERIFY(!sim.apply(Sim::Kvk, "NL1 ON"));
        QVERIFY(!sim.apply(Sim::Kvk, "BKU(4,1)"));
        QVERIFY(!sim.apply(Sim::Kvs, "ALG(2)"));
        QVERIFY(!sim.apply(Sim::Kvk, "ALG(7)"));
    }

    // Each case puts the model into a state and tries one command; a refused command changes
    // nothing, and the interlock word shows the reason's bit.
    void interlocksRefuseWithReasons_data()
    {
        QTest::addColumn<int>("controller");
        QTest::addColumn<QString>("setup");      // "EL=state" pairs and "Volume=pa" pressures
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("word");       // element:on|off
        QTest::addColumn<int>("bits");
        QTest::newRow("NL1 on, VP7 open") << int(Sim::Kvs) << "VP7=1" << "NL1 ON" << false << "NL1:on" << 0x1;
        QTest::newRow("NL1 on, all free") << int(Sim::Kvs) << "" << "NL1 ON" << true << "NL1:on" << 0;
        QTest::newRow("NL1 off, VP2 open, NZ1 on") << int(Sim::Kvs) << "NL1=1 VP2=1 NZ1=1" << "NL1 OFF" << false << "NL1:off" << 0x3;
        QTest::newRow("NZ1 on at atmosphere") << int(Sim::Kvs) << "" << "NZ1 ON" << false << "NZ1:on" << 0x1;
        QTest::newRow("NZ1 on below 1000 Pa") << int(Sim::Kvs) << "ForeLine=500" << "NZ1 ON" << true << "NZ1:on" << 0;
        QTest::newRow("ND1 on, nothing ready") << int(Sim::Kvs) << "" << "ND1 ON" << false << "ND1:on" << 0x7;
        QTest::newRow("ND1 on, ready") << int(Sim::Kvs) << "VP2=1 NL1=1 PumpBody=5" << "ND1 ON" << true << "ND1:on" << 0;
        QTest::newRow("VP1 on, chamber at air") << int(Sim::Kvs) << "ND1=1" << "VP1 ON" << false << "VP1:on" << 0x1;
        QTest::newRow("VP3 on, line above chamber") << int(Sim::Kvs) << "Chamber=10 RoughingLine=1000" << "VP3 ON" << false << "VP3:on" << 0x1;
        QTest::newRow("VP3 on, line below chamber") << int(Sim::Kvs) << "RoughingLine=5" << "VP3 ON" << true << "VP3:on" << 0;
        QTest::newRow("VP6 on, NL2 running") << int(Sim::Kvs) << "NL2=1" << "VP6 ON" << false << "VP6:on" << 0x1;
        QTest::newRow("VP4 on, VP3 open") << int(Sim::Kvk) << "VP3=1" << "VP4 ON" << false << "VP4:on" << 0x2;
        QTest::newRow("door release under vacuum") << int(Sim::Kvk) << "Chamber=100" << "DOOR UNPRESS" << false << "DOOR:on" << 0x1;
        QTest::newRow("door release at air") << int(Sim::Kvk) << "" << "DOOR UNPRESS" << true << "DOOR:on" << 0;
        QTest::newRow("TMN without VPT") << int(Sim::Kvk) << "RoughingLine=5" << "BKU(3,1)" << false << "TMN:on" << 0x8;
        QTest::newRow("TMN without fore vacuum") << int(Sim::Kvk) << "VPT=1" << "BKU(3,1)" << false << "TMN:on" << 0x10;
        QTest::newRow("TMN ready") << int(Sim::Kvk) << "VPT=1 RoughingLine=5" << "BKU(3,1)" << true << "TMN:on" << 0;
        QTest::newRow("VPT close while TMN runs") << int(Sim::Kvk) << "VPT=1 TMN=1" << "BKU(1,0)" << false << "VPT:off" << 0x1;
    }
    void interlocksRefuseWithReasons()
    {
        QFETCH(int, controller);
        QFETCH(QString, setup);
        QFETCH(QString, command);
        QFETCH(bool, accepted);
        QFETCH(QString, word);
        QFETCH(int, bits);
        Sim sim;
        const QMetaEnum volumes = QMetaEnum::fromType<Sim::Volume>();
        for (const QString& item : setup.split(' ', Qt::SkipEmptyParts)) {
            const QString key = item.section('=', 0, 0);
            const double value = item.section('=', 1).toDouble();
            const int volume = volumes.keyToValue(key.toLatin1());
            if (volume >= 0)
                sim.setPressure(Sim::Volume(volume), value);
            else
                sim.setState(key, int(value));
        }
        const QString element = word.section(':', 0, 0);
        const bool on = word.section(':', 1) == "on";
        QCOMPARE(int(sim.lockWord(element, on)), bits);
        const int before = sim.state(element);
        QCOMPARE(sim.apply(Sim::Controller(controller), command), accepted);
        QCOMPARE(sim.state(element), accepted ? (on ? 3 : 2) : before);
    }

    void forcedWordsShowAndRefuse()
    {
        Sim sim;
        QVERIFY(sim.force(Sim::Kvs, "NL1LockOn", 4));
        QCOMPARE(sim.kvsStatus().NL1LockOn, 4);
        QVERIFY(!sim.apply(Sim::Kvs, "NL1 ON"));
        QVERIFY(sim.force(Sim::Kvk, "StateLocks", 0u));
        sim.setState("VPT", 0);
        QVERIFY(sim.apply(Sim::Kvk, "BKU(3,1)"));  // the forced combined word decides
        QVERIFY(sim.force(Sim::Kvk, "PT5", 1.25));
        QCOMPARE(double(sim.kvkStatus().PT5), 1.25);
        QVERIFY(!sim.force(Sim::Kvk, "NL1LockOn", 1));  // not a field of that controller
        sim.releaseAll();
        QVERIFY(sim.apply(Sim::Kvs, "NL1 ON"));
    }

    void pressuresFollowTheOpenPaths()
    {
        Sim sim;
        sim.setSwitchSeconds(0.5);
        QVERIFY(sim.pressure(Sim::Chamber) > 9e4);
        sim.setState("NL2", 1);
        QVERIFY(runUntil(sim, [&] { return sim.pressure(Sim::RoughingLine) < 100.0; }, 60));
        QVERIFY(sim.apply(Sim::Kvs, "VP3 ON"));
        QVERIFY(runUntil(sim, [&] { return sim.pressure(Sim::Chamber) < 1000.0; }, 120));
        QVERIFY(sim.apply(Sim::Kvs, "NZ2 ON"));
        QVERIFY(runUntil(sim, [&] { return sim.pressure(Sim::Chamber) < 1.0; }, 120));
        const double pumped = sim.pressure(Sim::Chamber);
        QCOMPARE(sim.kvkStatus().PressureOK, quint8(1));

        // Closed off, the chamber holds; vented, it rises to the air.
        QVERIFY(sim.apply(Sim::Kvs, "VP3 OFF"));
        sim.advance(1.0);
        QVERIFY(sim.pressure(Sim::Chamber) < 2 * pumped);
        QVERIFY(sim.apply(Sim::Kvk, "VP4 ON"));
        QVERIFY(runUntil(sim, [&] { return sim.pressure(Sim::Chamber) > 9e4; }, 60));
        QVERIFY(sim.apply(Sim::Kvk, "DOOR UNPRESS"));

        // The turbo pump runs up after it starts and then pumps the gun.
        sim.setState("VPT", 1);
        QVERIFY(sim.apply(Sim::Kvk, "BKU(3,1)"));
        sim.advance(1.0);
        QVERIFY(sim.tmnFrequency() > 0.0f && sim.tmnFrequency() < 820.0f);
        QVERIFY(runUntil(sim, [&] { return sim.pressure(Sim::Gun) < 1e-2; }, 120));
    }

    // Each gauge reads the space the vacuum screen draws it on, and is valid or not on its own.
    void gaugesReadWhereTheyAreDrawn()
    {
        Sim sim;
        for (int v = 0; v < Sim::VolumeCount; ++v)
            sim.setPressure(Sim::Volume(v), 10.0 * (v + 1));
        const KvsStatusPacket kvs = sim.kvsStatus();
        const KvkStatusPacket kvk = sim.kvkStatus();
        const struct {
            const char* gauge;
            double reads;
            Sim::Volume drawnOn;
        } gauges[] = {{"PT1", kvs.PT1, Sim::PumpBody},  // on the diffusion pump ND1
                      {"PT2", kvs.PT2, Sim::ForeLine},  // on the line of NZ1 below VP2
                      {"PT3", kvs.PT3, Sim::RoughingLine},  // on the line of NZ2 below VP3
                      {"PT4", kvk.PT4, Sim::Chamber},   // inside the chamber
                      {"PT5", kvk.PT5, Sim::Chamber},
                      {"PT6", double(kvk.PT6), Sim::Gun}};
        for (const auto& g : gauges) {
            QVERIFY2(std::fabs(g.reads - sim.pressure(g.drawnOn)) < 1e-3,
                     qPrintable(QStringLiteral("%1 reads %2").arg(g.gauge).arg(g.reads)));
        }
        sim.setGaugeValid(4, false);
        QCOMPARE(sim.kvkStatus().PT4Valid, quint8(0));
        QCOMPARE(sim.kvkStatus().PT5Valid, quint8(1));
        QCOMPARE(sim.kvsStatus().PT1Valid, quint8(1));
    }

    void algorithmsRunTheirSteps()
    {
        Sim sim;
        sim.setSwitchSeconds(0.5);
        QVERIFY(sim.apply(Sim::Kvk, "ALG(1)"));
        QCOMPARE(sim.algorithmNumber(), 1u);
        QCOMPARE(sim.algorithmRun(), 0u);

        QVERIFY(sim.apply(Sim::Kvk, "ALG(2)"));
        QCOMPARE(sim.algorithmRun(), 1u);
        QVERIFY(runUntil(sim, [&] { return sim.algorithmRun() != 1; }, 600));
        QCOMPARE(sim.algorithmRun(), 2u);
        QCOMPARE(sim.algorithmNumber(), 2u);
        QVERIFY(sim.algorithmSeconds() > 0);
        QCOMPARE(sim.state("ND1"), 1);
        QCOMPARE(sim.kvkStatus().AlgTime, sim.algorithmSeconds());

        for (const char* alg : {"ALG(3)", "ALG(4)", "ALG(5)", "ALG(6)"}) {
            QVERIFY(sim.apply(Sim::Kvk, alg));
            QVERIFY2(runUntil(sim, [&] { return sim.algorithmRun() != 1; }, 900), alg);
            QVERIFY2(sim.algorithmRun() == 2, alg);
        }
        QVERIFY(sim.pressure(Sim::Chamber) > 9e4);
        QCOMPARE(sim.state("DOOR"), 1);
        QCOMPARE(sim.state("NL1"), 0);

        // A refused step ends the algorithm as an emergency.
        sim.setDrivesOn(true);
        sim.setState("VP4", 0);
        QVERIFY(sim.apply(Sim::Kvk, "ALG(5)"));
        sim.advance(0.1);
        QCOMPARE(sim.algorithmNumber(), 0xFFFFFFFFu);
        QCOMPARE(sim.kvkStatus().AlgNumber, 0xFFFFFFFFu);
    }

    void linksSeeTheSimulator()
    {
        const QList<quint16> ports = TestEnv::configureControllers();
        Sim sim;
        sim.setSwitchSeconds(0.3);
        QVERIFY(sim.start(ports[2], ports[3], ports[4], ports[5]));
        KVSTCPthread kvs;
        KVKTCPthread kvk;
        QSignalSpy nl1(&kvs, &KVSTCPthread::changedNL1State);
        QSignalSpy door(&kvk, &KVKTCPthread::changedDoorState);
        QSignalSpy kvsConsts(&kvs, &VacuumLink::constsReceived);
        QSignalSpy kvkConsts(&kvk, &VacuumLink::constsReceived);
        QVERIFY(kvs.connect("127.0.0.1", ports[2], ports[3]));
        QVERIFY(kvk.connect("127.0.0.1", ports[4], ports[5]));
        QVERIFY(QTest::qWaitFor([&] { return nl1.count() == 1 && door.count() == 1; }, 3000));
        QCOMPARE(nl1.last().at(0).toInt(), 0);

        // Commands reach the model and come back through the status stream.
        QVERIFY(kvs.command("NL1 ON"));
        QVERIFY(QTest::qWaitFor([&] { return nl1.count() == 3; }, 3000));
        QCOMPARE(nl1.at(1).at(0).toInt(), 3);
        QCOMPARE(nl1.at(2).at(0).toInt(), 1);
        QCOMPARE(sim.commandTexts(Sim::Kvs), QStringList({"NL1 ON"}));

        // Constants: one frame each, named records in Windows-1251, changed by SET.
        QVERIFY(kvk.command("CONST"));
        QVERIFY(kvs.command("CONST"));
        QVERIFY(QTest::qWaitFor([&] { return kvsConsts.count() == 1 && kvkConsts.count() == 1; }, 3000));
        const QVector<VacConstRecord> table = kvk.getVacConsts();
        QCOMPARE(table.size(), kvkConsts.at(0).at(0).toInt());
        QCOMPARE(table[2].id, 12);
        QCOMPARE(table[2].nameText(), QString::fromUtf8("Время разгона ТМН, с"));
        const QString set = VacuumCommand::setConst(VacuumCommand::constIdentifier(VacuumCommand::Controller::VacuumDoor, 12), 2.5);
        QVERIFY(kvk.command(set));
        QVERIFY(kvk.command("SET(KBC:12,9.0000000)"));  // not this controller's identifier
        QVERIFY(kvk.command("CONST"));
        QVERIFY(QTest::qWaitFor([&] { return kvkConsts.count() == 2; }, 3000));
        QCOMPARE(kvk.getVacConsts()[2].value, 2.5f);

        // The other controller's constants signature ends the vacuum-system link.
        QSignalSpy kvsDown(&kvs, &VacuumLink::disconnected);
        QVERIFY(sim.sendFrame(Sim::Kvs, kKvkConstsSignature, sim.constants(Sim::Kvk).isEmpty() ? QByteArray() : VacConsts::encode(sim.constants(Sim::Kvk))));
        QVERIFY(QTest::qWaitFor([&] { return kvsDown.count() == 1; }, 3000));

        // A paused stream ends the vacuum/door link; refused, it cannot come back until allowed.
        // Its status is unknown from the loss until the first datagram of the new connection,
        // and a command meanwhile is reported as not sent.
        QSignalSpy kvkDown(&kvk, &VacuumLink::disconnected);
        QSignalSpy notSent(&kvk, &VacuumLink::commandNotSent);
        QStringList heard;
        QObject listener;  // goes before the links, so that nothing reaches the list once it is gone
        connect(&kvk, &VacuumLink::statusKnownChanged, &listener, [&](bool known) { heard << (known ? "known" : "unknown"); });
        connect(&kvk, &KVKTCPthread::changedDoorState, &listener, [&] { heard << "door"; });
        QVERIFY(kvk.statusKnown());
        sim.pauseStream(Sim::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return kvkDown.count() == 1; }, 4000));
        QVERIFY(QTest::qWaitFor([&] { return !kvk.isRunning() && !kvk.statusKnown(); }, 2000));
        QVERIFY(!kvk.command("ALG(1)"));
        QCOMPARE(notSent.count(), 1);
        QCOMPARE(notSent.at(0).at(0).toString(), QStringLiteral("ALG(1)"));
        sim.setRefuseConnections(Sim::Kvk, true);
        QVERIFY(!kvk.connect("127.0.0.1", ports[4], ports[5]));
        sim.setRefuseConnections(Sim::Kvk, false);
        sim.resumeStream(Sim::Kvk);
        QVERIFY(kvk.connect("127.0.0.1", ports[4], ports[5]));
        QVERIFY(QTest::qWaitFor([&] { return door.count() == 2; }, 3000));  // every field again
        QCOMPARE(heard, (QStringList{"unknown", "known", "door"}));

        // Wrong sizes are dropped while the stream goes on.
        QSignalSpy anyChange(&kvk, &KVKTCPthread::changedVP4State);
        QByteArray shortDatagram = sim.statusDatagram(Sim::Kvk);
        shortDatagram.chop(1);
        QVERIFY(sim.sendDatagram(Sim::Kvk, shortDatagram));
        QVERIFY(sim.sendDatagram(Sim::Kvk, sim.statusDatagram(Sim::Kvk) + "x"));
        QTest::qWait(300);
        QCOMPARE(anyChange.count(), 0);
        QVERIFY(kvk.connected());
    }
};

POKAVRO_TEST_MAIN(TestVacuumSim)
#include "tst_vacuumsim.moc"
