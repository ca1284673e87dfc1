// The drive half of the controller simulator: its machine model, its test controls, and the
// console's drive link talking to it.

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include "drivecomm.h"
#include "drivecommand.h"
#include "drivesim.h"
#include "testenv.h"

namespace {

struct SimAndLink {
    DriveSimulator sim;
    DriveTCPthread link;
    quint16 udpPort = TestEnv::freePort();

    bool up()
    {
        if (!sim.start(0, udpPort))
            return false;
        return link.connect(QStringLiteral("127.0.0.1"), sim.tcpPort(), udpPort)
               && QTest::qWaitFor([&] { return sim.consoleConnected(); }, 2000);
    }
};

}  // namespace

class TestDriveSim : public QObject
{
    Q_OBJECT

private slots:
    void frameAssembler()
    {
        FrameAssembler assembler;
        QVERIFY(assembler.feed(QByteArray("P")).isEmpty());
        QVERIFY(assembler.feed(QByteArray("V\x03\x00" "ab", 5)).isEmpty());
        const auto frames = assembler.feed(QByteArray("c" "PV\x00\x00" "SQ\x01\x00" "z" "PV", 11));
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[0].payload, QByteArray("abc"));
        QCOMPARE(frames[1].payload, QByteArray());
        QCOMPARE(frames[2].signature, quint16(0x5153));
        QCOMPARE(frames[2].payload, QByteArray("z"));
    }

    // Every command of the vocabulary shows in the status.
    void machineModel()
    {
        DriveSimulator sim;
        DriveStatusPacket& s = sim.status();
        QCOMPARE(s.keyAccess, quint8(1));
        QCOMPARE(s.channelState[0], 1u);

        QVERIFY(sim.apply(DriveCommand::moveDrive("A", 600, 1)));
        sim.advance(1.0);
        QCOMPARE(s.position[DriveStatusPacket::A], 0.0f);  // drives off: nothing moves

        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        QCOMPARE(s.drivesOn, quint8(1));
        QCOMPARE(s.driveState[DriveStatusPacket::V], 0xA0102);
        QVERIFY(sim.apply(DriveCommand::transformation(true)));
        QCOMPARE(s.transOn, quint8(1));
        QCOMPARE(s.virtualState, 1u);
        QVERIFY(sim.apply(DriveCommand::spiralLight(true)));
        QCOMPARE(s.lightState, 4u);
        QVERIFY(sim.apply(DriveCommand::pendant(true)));
        QCOMPARE(s.pultOn, quint8(1));

        // Jog at 600 units per minute: 10 per second, until stopped.
        QVERIFY(sim.apply(DriveCommand::moveDrive("A", 600, -1)));
        QCOMPARE(s.axisMoving, quint8(1));
        sim.advance(0.5);
        QCOMPARE(s.position[DriveStatusPacket::A], -5.0f);
        QVERIFY(sim.apply(DriveCommand::moveStop("A")));
        sim.advance(1.0);
        QCOMPARE(s.position[DriveStatusPacket::A], -5.0f);
        QCOMPARE(s.axisMoving, quint8(0));

        // A soft limit stops the jog and raises the end-switch flag.
        QVERIFY(sim.apply(DriveCommand::limitMax("PHI", 20)));
        QCOMPARE(s.maxLimit[DriveStatusPacket::LimPHI], 20.0f);
        QVERIFY(sim.apply(DriveCommand::moveVirtual("PHI", 1200, 1)));
        sim.advance(2.0);
        QCOMPARE(s.position[DriveStatusPacket::PHI], 20.0f);
        QCOMPARE(s.maxFlag[DriveStatusPacket::LimPHI], quint8(1));
        QCOMPARE(s.axisMoving, quint8(0));
        QVERIFY(sim.apply(DriveCommand::limitMin("U2", -2.5)));
        QCOMPARE(s.minLimit[DriveStatusPacket::LimU], -2.5f);

        QVERIFY(sim.apply(DriveCommand::reference("B", 1.23456)));
        QCOMPARE(s.position[DriveStatusPacket::B], 1.2345f);

        QVERIFY(sim.apply(DriveCommand::park("C", true)));
        QCOMPARE(s.driveState[DriveStatusPacket::C], 0xC1600);
        QVERIFY(sim.apply(DriveCommand::moveDrive("C", 600, 1)));
        sim.advance(1.0);
        QCOMPARE(s.position[DriveStatusPacket::C], 0.0f);  // parked drives stay put
        QVERIFY(sim.apply(DriveCommand::park("C", false)));
        QCOMPARE(s.driveState[DriveStatusPacket::C], 0xA0102);

        s.driveState[DriveStatusPacket::D] = 0xF2002;
        QVERIFY(sim.apply(DriveCommand::clearError("D")));
        QCOMPARE(s.driveState[DriveStatusPacket::D], 0xA0102);

        QVERIFY(sim.apply(DriveCommand::handwheelAxis("LX", 3, 100, 3000)));
        QCOMPARE(s.position[DriveStatusPacket::LX1], 0.3f);
        QCOMPARE(s.position[DriveStatusPacket::LX2], 0.3f);
        QVERIFY(sim.apply(DriveCommand::handwheelPendant(-5)));
        QCOMPARE(s.position[DriveStatusPacket::X], -0.5f);

        sim.setProgramSeconds(1.0);
        QVERIFY(sim.apply(DriveCommand::startChannel(2)));
        sim.advance(0.3);
        QCOMPARE(s.channelState[1], 3u);
        QCOMPARE(s.axisMoving, quint8(1));
        sim.advance(0.6);
        QCOMPARE(s.pointNo, 1u);
        sim.advance(2.0);
        QCOMPARE(s.channelState[1], 1u);
        QCOMPARE(s.axisMoving, quint8(0));

        QVERIFY(sim.apply(DriveCommand::buzzer()));
        QCOMPARE(sim.buzzerCount(), 1);
        QVERIFY(sim.apply(DriveCommand::drivePower(false)));
        QCOMPARE(s.driveState[DriveStatusPacket::LX1], 0xA0013);
        QVERIFY(!sim.apply(QStringLiteral("MOVE(Q,1)")));
        QVERIFY(!sim.apply(QStringLiteral("EXEC_4(/programs/_temp4.npg)")));
    }

    // The channels, as the console's commands see them: idle at start, a program loads, runs,
    // is done and leaves the channel idle; a stop resets; losing the drives under a program is
    // a channel error until the reset; no program starts without the drives. The transformation
    // switches and then is ready.
    void channelModel()
    {
        DriveSimulator sim;
        DriveStatusPacket& s = sim.status();
        sim.setProgramSeconds(2.0);
        struct Step {
            const char* command;  // or nullptr: let time pass
            double seconds;
            quint32 channel1;
            quint32 mode1;
        };
        const Step steps[] = {
            {nullptr, 0.0, 1, 1},
            {"EXEC_1(/programs/_fixed.npg)", 0.0, 1, 1},  // drives off: refused
            {"DRIVE ON", 0.0, 1, 1},
            {"EXEC_1(/programs/_fixed.npg)", 0.0, 9, 5},
            {nullptr, 0.3, 3, 5},
            {nullptr, 1.9, 3, 5},
            {nullptr, 0.2, 2, 1},
            {nullptr, 1.0, 1, 1},
            {"EXEC_1(/programs/_temp.npg)", 0.5, 3, 5},
            {"STOP_PRG", 0.0, 8, 1},
            {nullptr, 0.3, 1, 1},
            {"EXEC_1(/programs/_temp.npg)", 0.5, 3, 5},
            {"DRIVE OFF", 5.0, 6, 1},
            {"STOP_PRG", 0.3, 1, 1},
        };
        int index = 0;
        for (const Step& step : steps) {
            if (step.command)
                QVERIFY(sim.apply(QString::fromLatin1(step.command)));
            sim.advance(step.seconds);
            QVERIFY2(s.channelState[0] == step.channel1 && s.channelMode[0] == step.mode1,
                     qPrintable(QString("step %1: state %2, mode %3").arg(index).arg(s.channelState[0]).arg(s.channelMode[0])));
            if (index == 1) {
                QCOMPARE(s.message[0], 111u);  // "drives not on", for a second
                sim.advance(1.0);
                QCOMPARE(s.message[0], 0u);
            }
            ++index;
        }
        QCOMPARE(s.channelState[1], 1u);
        QCOMPARE(s.channelState[2], 1u);

        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        QVERIFY(sim.apply(DriveCommand::transformation(true)));
        QCOMPARE(s.virtualState, 1u);
        sim.advance(0.5);
        QCOMPARE(s.virtualState, 2u);
        QVERIFY(sim.apply(DriveCommand::transformation(false)));
        QCOMPARE(s.virtualState, 0u);
    }

    void linkAgainstSimulator()
    {
        SimAndLink rig;
        QSignalSpy drives(&rig.link, &DriveTCPthread::changedDrivesOn);
        QSignalSpy key(&rig.link, &DriveTCPthread::changedKeyAccess);
        QSignalSpy x(&rig.link, &DriveTCPthread::changedX);
        QSignalSpy messages(&rig.link, &DriveTCPthread::message);
        QVERIFY(rig.up());
        QVERIFY(QTest::qWaitFor([&] { return drives.count() == 1; }, 2000));
        QCOMPARE(drives[0][0].toBool(), false);
        QCOMPARE(key[0][0].toBool(), true);

        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(rig.link.command(DriveCommand::drivePower(true)));
        QVERIFY(QTest::qWaitFor([&] { return drives.count() == 2; }, 2000));
        QCOMPARE(drives[1][0].toBool(), true);
        QCOMPARE(rig.sim.commandTexts(), QStringList{"DRIVE ON"});
        QVERIFY(rig.sim.commands()[0].time >= before.addMSecs(-1));

        // A jog shows as a moving coordinate.
        QVERIFY(rig.link.command(DriveCommand::moveVirtual("X", 3000, 1)));
        QVERIFY(QTest::qWaitFor([&] { return !x.isEmpty() && x.last()[0].toFloat() > 5.0f; }, 3000));
        QVERIFY(rig.link.command(DriveCommand::moveVirtual("X", 3000, 0)));

        QVERIFY(rig.sim.sendText(QStringLiteral("Привет")));
        QVERIFY(QTest::qWaitFor([&] { return messages.count() == 1; }, 2000));
        QVERIFY(messages[0][0].toString().endsWith(QStringLiteral("Привет")));
    }

    // The test controls: a paused stream loses the link, a closed connection ends it, refused
    // connections keep it down, malformed frames end it. The owner's thread hears that the status
    // is known before the first datagram's values and that it is not before the loss; a command
    // into the dead link is reported with its text.
    void controls_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("pause stream") << "pause";
        QTest::newRow("close connection") << "close";
        QTest::newRow("wrong signature") << "signature";
        QTest::newRow("split header then close") << "split";
    }
    void controls()
    {
        QFETCH(QString, action);
        SimAndLink rig;
        QSignalSpy down(&rig.link, &DriveTCPthread::disconnected);
        QSignalSpy channel(&rig.link, &DriveTCPthread::changedChannelState1);
        QSignalSpy notSent(&rig.link, &DriveTCPthread::commandNotSent);
        // What the owner's thread hears, in order; the listener goes before the link, so that
        // nothing reaches the list once it is gone.
        QStringList heard;
        QObject listener;
        connect(&rig.link, &DriveTCPthread::statusKnownChanged, &listener,
                [&](bool known) { heard << (known ? "known" : "unknown"); });
        connect(&rig.link, &DriveTCPthread::changedChannelState1, &listener, [&] { heard << "channel"; });
        connect(&rig.link, &DriveTCPthread::disconnected, &listener, [&] { heard << "down"; });
        QVERIFY(!rig.link.statusKnown());
        QVERIFY(rig.up());
        QVERIFY(QTest::qWaitFor([&] { return channel.count() == 1; }, 2000));
        QVERIFY(rig.link.statusKnown());

        if (action == "pause") {
            rig.sim.pauseStream();
        } else if (action == "close") {
            rig.sim.closeConnection();
        } else if (action == "signature") {
            QVERIFY(rig.sim.sendFrame(0x5651, "x"));
        } else {
            QVERIFY(rig.sim.sendRaw(QByteArray("PV", 2)));
            QTest::qWait(50);
            QVERIFY(rig.sim.sendRaw(QByteArray("\x05\x00" "ab", 4)));
            QTest::qWait(50);
            rig.sim.closeConnection();
        }
        // The spy hears the loss on the link's thread; the owner's thread a moment later.
        QVERIFY(QTest::qWaitFor([&] { return heard.contains("down"); }, 3000));
        QCOMPARE(down.count(), 1);
        QVERIFY(!rig.link.connected());
        QVERIFY(!rig.link.statusKnown());
        QVERIFY(!rig.link.command(QStringLiteral("DRIVE ON")));
        QCOMPARE(notSent.count(), 1);
        QCOMPARE(notSent.at(0).at(0).toString(), QStringLiteral("DRIVE ON"));

        // Refused while the simulator says so; accepted again afterwards, with a fresh first
        // datagram.
        rig.sim.setRefuseConnections(true);
        QVERIFY(!rig.link.connect(QStringLiteral("127.0.0.1"), rig.sim.tcpPort(), rig.udpPort));
        rig.sim.setRefuseConnections(false);
        rig.sim.resumeStream();
        QVERIFY(rig.link.connect(QStringLiteral("127.0.0.1"), rig.sim.tcpPort(), rig.udpPort));
        QVERIFY(!rig.link.statusKnown());  // connected, but nothing reported yet
        QVERIFY(QTest::qWaitFor([&] { return channel.count() == 2; }, 2000));
        QCOMPARE(heard, (QStringList{"known", "channel", "unknown", "down", "known", "channel"}));
        QVERIFY(rig.link.command(QStringLiteral("DRIVE ON")));
        QCOMPARE(notSent.count(), 1);
    }

    void wrongDatagramsAreNotTraffic()
    {
        SimAndLink rig;
        QSignalSpy down(&rig.link, &DriveTCPthread::disconnected);
        QSignalSpy channel(&rig.link, &DriveTCPthread::changedChannelState1);
        QVERIFY(rig.up());
        QVERIFY(QTest::qWaitFor([&] { return channel.count() == 1; }, 2000));
        rig.sim.pauseStream();
        QByteArray wrong = rig.sim.statusDatagram();
        wrong[0] = 'X';
        QElapsedTimer clock;
        clock.start();
        while (down.isEmpty() && clock.elapsed() < 3000) {
            rig.sim.sendDatagram(wrong);
            rig.sim.sendDatagram(rig.sim.statusDatagram().left(100));
            QTest::qWait(20);
        }
        QVERIFY(!down.isEmpty());
        QCOMPARE(channel.count(), 1);
    }

    void replacesTheOldConnection()
    {
        DriveSimulator sim;
        const quint16 udp = TestEnv::freePort();
        QVERIFY(sim.start(0, udp));
        DriveTCPthread first;
        DriveTCPthread second;
        QSignalSpy firstDown(&first, &DriveTCPthread::disconnected);
        QVERIFY(first.connect(QStringLiteral("127.0.0.1"), sim.tcpPort(), TestEnv::freePort()));
        QVERIFY(QTest::qWaitFor([&] { return sim.consoleConnected(); }, 2000));
        QVERIFY(second.connect(QStringLiteral("127.0.0.1"), sim.tcpPort(), udp));
        QVERIFY(QTest::qWaitFor([&] { return firstDown.count() == 1; }, 2000));
        QVERIFY(second.command(QStringLiteral("STOP_PRG")));
        QVERIFY(QTest::qWaitFor([&] { return sim.commandTexts() == QStringList{"STOP_PRG"}; }, 2000));
    }

    void commandLineProgram()
    {
        const QString program = QStringLiteral(QT_TESTCASE_BUILDDIR "/ctrlsim");
        QCOMPARE(QProcess::execute(program, {"--drive-tcp", "0"}), 2);

        const quint16 tcp = TestEnv::freePort();
        const quint16 udp = TestEnv::freePort();
        // The vacuum controllers on free ports too: a simulator or console beside the tests may
        // hold their fixed ones, and the program ends when it cannot listen.
        QStringList arguments{"--drive-tcp", QString::number(tcp), "--drive-udp", QString::number(udp),
                              "--rate", "50"};
        for (const char* option : {"--kvs-tcp", "--kvs-udp", "--kvk-tcp", "--kvk-udp"})
            arguments << QString::fromLatin1(option) << QString::number(TestEnv::freePort());
        QProcess sim;
        sim.start(program, arguments);
        QVERIFY(sim.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return sim.canReadLine(); }, 5000));
        DriveTCPthread link;
        QSignalSpy key(&link, &DriveTCPthread::changedKeyAccess);
        QVERIFY(QTest::qWaitFor([&] {
            return link.connect(QStringLiteral("127.0.0.1"), tcp, udp);
        }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return key.count() == 1; }, 3000));
        QVERIFY(link.command(QStringLiteral("PULT ON")));
        QByteArray out;
        QVERIFY(QTest::qWaitFor([&] {
            out += sim.readAllStandardOutput();
            return out.contains("drive < PULT ON");
        }, 3000));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

POKAVRO_TEST_MAIN(TestDriveSim)
#include "tst_drivesim.moc"
