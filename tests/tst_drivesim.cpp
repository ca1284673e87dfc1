// The drive half of the controller simulator: its machine model, its test controls, and the
// console's drive link talking to it.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTextCodec>
#include <QtTest>

#include <algorithm>

#include <memory>

#include "contour.h"
#include "contoursamples.h"
#include "drivecomm.h"
#include "drivecommand.h"
#include "drivesim.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "gui.h"
#include "testenv.h"
#include "weldprogram.h"

using ContourSamples::point;

namespace {

// Writes a program where the console writes it ("/programs/..." below the test's root).
bool writeProgram(const QString& systemPath, const QString& text)
{
    QDir().mkpath(FixedPaths::programDir());
    QFile file(FixedPaths::local(systemPath));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) == text.toUtf8().size();
}

bool writeGenerated(int channel, const QString& text)
{
    return writeProgram(QStringLiteral("/programs/_temp%1.npg").arg(channel), text);
}

// The axes of the status in their order.
const QStringList kAxes{"LX1", "LX2", "LY", "A", "B", "C", "D", "U1", "U2", "V", "X", "Z", "PHI"};

// A value of the simulated machine by name: an axis of the status ("LX1" ... "PHI"), a current of
// the beam channel ("IR", "IW") or the point number ("point").
double machineValue(DriveSimulator& sim, const QString& name)
{
    if (name == "IR")
        return sim.beamCurrent();
    if (name == "IW")
        return sim.focusCurrent();
    if (name == "point")
        return sim.status().pointNo;
    const int axis = kAxes.indexOf(name);
    return axis >= 0 ? double(sim.status().position[axis]) : qQNaN();
}

// Sets "NAME=value ..." on the machine's axes.
void place(DriveSimulator& sim, const QString& values)
{
    for (const QString& item : values.split(' ', Qt::SkipEmptyParts))
        sim.status().position[kAxes.indexOf(item.section('=', 0, 0))] = item.section('=', 1).toFloat();
}

// Where the machine differs from "NAME=value ..." by more than `tolerance` ("" where it does not).
QString differences(DriveSimulator& sim, const QString& expected, double tolerance = 0.01)
{
    QStringList out;
    for (const QString& item : expected.split(' ', Qt::SkipEmptyParts)) {
        const QString name = item.section('=', 0, 0);
        const double want = item.section('=', 1).toDouble();
        const double have = machineValue(sim, name);
        if (!(std::fabs(have - want) <= tolerance))
            out << QStringLiteral("%1 is %2, not %3").arg(name).arg(have).arg(want);
    }
    return out.join(", ");
}

// Advances the model in steps of 0.02 s until `done` holds; the model time it took, or -1 when
// `limit` seconds went by first.
double runUntil(DriveSimulator& sim, const std::function<bool()>& done, double limit)
{
    for (double t = 0.0; t <= limit; t += 0.02) {
        if (done())
            return t;
        sim.advance(0.02);
    }
    return -1.0;
}

// A linear weld along x from 0 to 100 mm: the beam ramps to 100 mA over the first 50 mm at
// 600 mm/min, a technological stop, then 50 mm at 300 mm/min.
ContourSnapshot weldWithAStop()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ);
    s.points << ContourPoint{{0, 0, 0}, {SegmentParams::Line, 0, 0, 0}} << ContourPoint{{100, 0, 0}, {}};
    s.passes = 1;
    s.weldSpeed = 600;
    s.tech << point(0, 0, 600) << point(50, 100, 300) << ContourSamples::comment(techStopText())
           << point(100, 100, 300);
    return s;
}

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
        QCOMPARE(s.channelState[1], 2u);  // done, for a step at least
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
    // is done and leaves the channel idle, each phase at least for one step; a stop resets; losing the drives under a program is
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
            // A late step (a loaded machine) passes one phase at a time, so that the status sent
            // after each step shows the run however short it was.
            {"DRIVE ON", 0.0, 1, 1},
            {"EXEC_1(/programs/_temp.npg)", 10.0, 3, 5},
            {nullptr, 10.0, 2, 1},
            {nullptr, 10.0, 1, 1},
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

    // A program runs for the time its text implies and moves the axes it names: each case starts
    // one program on a machine standing at `start`, looks at the machine `probe` seconds into
    // the run (AxisMoving only while a machine axis moves), and expects the channel done after
    // `seconds` with the axes at `end`.
    void programsMoveTheAxes_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("program");
        QTest::addColumn<double>("probe");
        QTest::addColumn<QString>("atProbe");
        QTest::addColumn<bool>("moving");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("end");
        QTest::newRow("straight, the pair LX with it")
            << 1 << "" << "N1 $1\nN2 COORD(1)\nN3 G90 G01 x=20.00 y=30.00 z=-60.00 F600.000\nN4 M30" << 3.5
            << "LX1=10 LX2=10 LY=15 Z=-30" << true << 7.0 << "LX1=20 LX2=20 LY=30 Z=-60";
        QTest::newRow("relative, modal feed, no M30")
            << 1 << "LX1=5 LX2=5" << "N01 $1\nN02 G91 G01 LX=10 F1200\nN03 LX=10" << 0.75 << "LX1=20" << true << 1.0
            << "LX1=25 LX2=25";
        QTest::newRow("a dwell's F is no feed")
            << 1 << "" << "N1 $1\nN2 G01 x=10 F600\nN3 G4 F2.5\nN4 x=20\nN5 M30" << 2.0 << "LX1=10" << false << 4.5
            << "LX1=20";
        QTest::newRow("counter-clockwise half circle in XY")
            << 1 << "" << "N1 $1\nN2 G17\nN3 G90 G3 x=20.00 y=0.00 R10.00 z=0.00 F600.000\nN4 M30" << M_PI / 2
            << "LX1=10 LY=-10" << true << M_PI << "LX1=20 LY=0";
        QTest::newRow("clockwise quarter in XZ")
            << 1 << "" << "N1 $1\nN2 G18\nN3 G90 G02 x=10.00 z=10.00 R10.00 y=0.00 F600.000\nN4 M30"
            << M_PI / 4 << "LX1=2.9289 Z=7.0711" << true << M_PI / 2 << "LX1=10 Z=10";
        QTest::newRow("ring: V the shorter way at the ring's feed")
            << 2 << "V=350" << "N1 $2\nN2 ARF(V=2.18)\nN3 G90 G01 V=10.00 F1308.000\nN4 ARF()\nN5 M30" << 0.5
            << "V=355" << true << 2.0 << "V=10";
        QTest::newRow("a jump passes frames over; @1 is the point")
            << 1 << "" << "N1 $1\nN2 GOTO N4\nN3 G01 x=100 F600\nN4 G01 y=10 F600\nWAIT\n1 @1=3\nN5 M30" << 0.5
            << "LX1=0 LY=5 point=0" << true << 1.0 << "LX1=0 LY=10 point=3";
        QTest::newRow("beam currents ramp")
            << 3 << "" << "N1 $3\nN2 GAX(IR)\nN3 G0 IW=700\nN4 G90 G01 IR=100.0 IW=700 F1000.000\nN5 RAX(IR)\nN6 M30"
            << 3.0 << "IR=50 IW=700" << false << 6.0 << "IR=100 IW=700";
    }
    void programsMoveTheAxes()
    {
        QFETCH(int, channel);
        QFETCH(QString, start);
        QFETCH(QString, program);
        QFETCH(double, probe);
        QFETCH(QString, atProbe);
        QFETCH(bool, moving);
        QFETCH(double, seconds);
        QFETCH(QString, end);
        DriveSimulator sim;
        const quint32& state = sim.status().channelState[channel - 1];
        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        place(sim, start);
        QVERIFY(writeGenerated(channel, program));
        QVERIFY(sim.apply(DriveCommand::runGenerated(channel)));
        QCOMPARE(state, 9u);
        sim.advance(0.3);
        QCOMPARE(state, 3u);
        sim.advance(probe);
        QVERIFY2(differences(sim, atProbe).isEmpty(), qPrintable(differences(sim, atProbe)));
        QCOMPARE(state, 3u);
        QCOMPARE(sim.status().axisMoving, quint8(moving));
        sim.advance(seconds - probe - 0.02);
        QCOMPARE(state, 3u);
        sim.advance(0.04);
        QCOMPARE(state, 2u);
        QVERIFY2(differences(sim, end).isEmpty(), qPrintable(differences(sim, end)));
        sim.advance(1.0);
        QCOMPARE(state, 1u);
    }

    // A weld with a technological stop, started as the console starts it: the beam program
    // first, the motion program a second later. The motion halts at the stop's M30 while the beam
    // program waits; the continuation runs the rest, and both end together.
    void weldHaltsAtItsStop()
    {
        const ContourSnapshot s = weldWithAStop();
        const WeldProgram::Programs beam = WeldProgram::genTechnology(s);
        const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
        QVERIFY(beam.ok() && motion.ok());
        QVERIFY(writeGenerated(3, beam.text3) && writeGenerated(1, motion.text1));
        DriveSimulator sim;
        const quint32* state = sim.status().channelState;
        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        QVERIFY(sim.apply(DriveCommand::runGenerated(3)));
        sim.advance(1.0);
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        // The manipulator's program dwells 0.2 s before it lets the beam program go on.
        sim.advance(0.3 + 0.2 + 2.5);
        QVERIFY2(differences(sim, "LX1=25").isEmpty(), qPrintable(differences(sim, "LX1=25")));
        // The beam channel sees the event within the controller's step of 0.02 s.
        QVERIFY2(differences(sim, "IR=50", 0.5).isEmpty(), qPrintable(differences(sim, "IR=50", 0.5)));
        QCOMPARE(sim.status().axisMoving, quint8(1));
        double t = runUntil(sim, [&] { return state[0] != 3; }, 10.0);
        QVERIFY2(std::fabs(t - 2.5) < 0.05, qPrintable(QString::number(t)));
        QCOMPARE(state[0], 2u);
        QVERIFY(differences(sim, "LX1=50 IR=100").isEmpty());
        QCOMPARE(sim.status().axisMoving, quint8(0));
        sim.advance(1.0);
        QCOMPARE(state[0], 1u);
        sim.advance(20.0);
        QCOMPARE(state[2], 3u);  // the beam program waits for the continuation
        QVERIFY(differences(sim, "LX1=50").isEmpty());

        WeldProgram::GeneratorState next = motion.state;
        next.startNo += 1;
        next.stopCount = 0;
        const WeldProgram::Programs rest = WeldProgram::genContour(s, next);
        QVERIFY(rest.ok() && writeGenerated(1, rest.text1));
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        sim.advance(0.3);
        // 0.2 s of dwell, 50 mm at 300 mm/min, 0.2 s of dwell.
        t = runUntil(sim, [&] { return state[0] != 3; }, 20.0);
        QVERIFY2(std::fabs(t - 10.4) < 0.05, qPrintable(QString::number(t)));
        QVERIFY(differences(sim, "LX1=100 point=1").isEmpty());
        // The beam program's 10 s from the continuation's event, then 1 s with the beam off.
        t = runUntil(sim, [&] { return state[2] != 3; }, 5.0);
        QVERIFY2(std::fabs(t - 0.8) < 0.05, qPrintable(QString::number(t)));
        QVERIFY(differences(sim, "IR=0").isEmpty());
    }

    // A ring joint: the rotator turns the part twice round at the ring's feed while the
    // manipulator dwells; the three channels meet at their events and end together.
    void ringJointTurnsThePart()
    {
        const ContourSnapshot s = ContourSamples::ring();
        const WeldProgram::Programs beam = WeldProgram::genTechnology(s);
        const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
        QVERIFY(beam.ok() && motion.ok());
        QVERIFY(writeGenerated(3, beam.text3) && writeGenerated(2, motion.text2) && writeGenerated(1, motion.text1));
        DriveSimulator sim;
        const quint32* state = sim.status().channelState;
        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        place(sim, "LX1=100 LX2=100 LY=20 Z=-5");
        QVERIFY(sim.apply(DriveCommand::runGenerated(3)));
        sim.advance(1.0);
        QVERIFY(sim.apply(DriveCommand::runGenerated(2)));
        sim.advance(1.0);
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        // The turn begins 0.5 s after the start of channel 1 (loading, its first dwell); eight
        // quarter turns of 90 degrees * 2.18 mm at 1200 mm/min, 9.81 s each.
        sim.advance(0.3 + 0.2 + 4.905);
        QVERIFY2(differences(sim, "V=45", 0.5).isEmpty(), qPrintable(differences(sim, "V=45", 0.5)));
        QVERIFY(differences(sim, "LX1=100 LY=20 Z=-5").isEmpty());
        QCOMPARE(sim.status().axisMoving, quint8(1));
        const double t = runUntil(sim, [&] { return state[1] != 3; }, 90.0);
        QVERIFY2(std::fabs(t - (8 * 9.81 - 4.905)) < 0.1, qPrintable(QString::number(t)));
        QVERIFY(differences(sim, "V=0 LX1=100 LY=20 Z=-5").isEmpty());
        // The manipulator dwells the turn's time as the editor computes it, the beam program
        // holds the beam that long and switches it off for a second.
        QVERIFY(runUntil(sim, [&] { return state[0] != 3 && state[2] != 3; }, 1.2) >= 0.0);
    }

    // A channel that runs refuses another program; "STOP_PRG" stops every channel where it
    // stands and clears the events.
    void refusalAndStop()
    {
        DriveSimulator sim;
        QSignalSpy reports(&sim, &DriveSimulator::channelReport);
        const quint32* state = sim.status().channelState;
        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        QVERIFY(writeGenerated(1, "N1 $1\nN2 G01 x=100 F600\nN3 M30"));
        QVERIFY(writeGenerated(2, "N1 $2\nN2 SEV(9)\nN3 ARF()\nN4 G01 V=90 F600\nN5 M30"));
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        QVERIFY(sim.apply(DriveCommand::runGenerated(2)));
        sim.advance(2.3);
        QVERIFY(writeGenerated(1, "N1 $1\nN2 G01 y=50 F6000\nN3 M30"));
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        QCOMPARE(reports.last().at(0).toInt(), 1);
        QVERIFY(reports.last().at(1).toString().startsWith("refused"));
        sim.advance(1.0);
        QVERIFY(differences(sim, "LX1=30 LY=0 V=30").isEmpty());
        QCOMPARE(state[0], 3u);

        QVERIFY(sim.apply(QStringLiteral("STOP_PRG")));
        QCOMPARE(state[0], 8u);
        QCOMPARE(state[1], 8u);
        QCOMPARE(state[2], 1u);
        sim.advance(1.0);
        QVERIFY(differences(sim, "LX1=30 LY=0 V=30").isEmpty());
        QCOMPARE(state[0], 1u);
        QCOMPARE(state[1], 1u);
        QCOMPARE(sim.status().axisMoving, quint8(0));

        // The event set before the stop is gone: this program waits for it.
        QVERIFY(writeGenerated(3, "N1 $3\nN2 WEV(9)\nN3 M30"));
        QVERIFY(sim.apply(DriveCommand::runGenerated(3)));
        sim.advance(5.0);
        QCOMPARE(state[2], 3u);
    }

    // What the controller cannot run leaves the channel in error after loading, with the reason;
    // a reset makes it idle again.
    void unrunnablePrograms_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("program");  // written as /programs/_temp1.npg ("" for none)
        QTest::addColumn<QString>("reason");
        QTest::newRow("no file") << "EXEC_1(/programs/_temp1.npg)" << "" << "cannot read";
        QTest::newRow("outside the programs") << "EXEC_1(/programs/../home/oper/bin/settings.ini)" << "N1 $1"
                                              << "is not a program of /programs/";
        QTest::newRow("unknown word") << "EXEC_1(/programs/_temp1.npg)" << "N1 $1\nN2 G01 x=1 F600 Q7\nN3 M30"
                                      << "line 2: unknown word \"Q7\"";
        QTest::newRow("unknown axis") << "EXEC_1(/programs/_temp1.npg)" << "N1 $1\nN2 G01 w=1 F600" << "no axis \"w\"";
        QTest::newRow("jump to nowhere") << "EXEC_1(/programs/_temp1.npg)" << "N1 $1\nN2 GOTO N9\nN3 M30"
                                         << "line 2: no frame N9";
        QTest::newRow("move without a feed") << "EXEC_1(/programs/_temp1.npg)" << "N1 $1\nN2 G01 x=10\nN3 M30"
                                             << "line 2: a move without a feed";
        QTest::newRow("zero feed") << "EXEC_1(/programs/_temp1.npg)" << "N1 $1\nN2 G01 x=10 F0.000\nN3 M30"
                                   << "line 2: a move without a feed";
    }
    void unrunnablePrograms()
    {
        QFETCH(QString, command);
        QFETCH(QString, program);
        QFETCH(QString, reason);
        QFile::remove(FixedPaths::local("/programs/_temp1.npg"));
        if (!program.isEmpty())
            QVERIFY(writeGenerated(1, program));
        DriveSimulator sim;
        QSignalSpy reports(&sim, &DriveSimulator::channelReport);
        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        QVERIFY(sim.apply(command));
        QCOMPARE(sim.status().channelState[0], 9u);
        sim.advance(0.5);
        QCOMPARE(sim.status().channelState[0], 6u);
        QVERIFY(differences(sim, "LX1=0").isEmpty());
        QVERIFY2(reports.last().at(1).toString().contains(reason), qPrintable(reports.last().at(1).toString()));
        QVERIFY(sim.apply(QStringLiteral("STOP_PRG")));
        sim.advance(0.5);
        QCOMPARE(sim.status().channelState[0], 1u);
    }

    // Programs that would run longer than the bound run faster, all by one factor, so that they
    // still meet; once they are done the next program runs at its own pace.
    void longRunsAreBounded()
    {
        DriveSimulator sim;
        const quint32* state = sim.status().channelState;
        QCOMPARE(sim.maxRunSeconds(), 300.0);
        QVERIFY(sim.apply(DriveCommand::drivePower(true)));
        // 3000 s of dwell in the beam channel, 6000 s of move in channel 1.
        QVERIFY(writeGenerated(3, "N1 $3\nN2 SEV(3)\nN3 G4 F3000\nN4 WEV(5)\nN5 M30"));
        QVERIFY(writeGenerated(1, "N1 $1\nN2 WREV(3)\nN3 G01 x=100 F1\nN4 SEV(5)\nN5 M30"));
        QVERIFY(sim.apply(DriveCommand::runGenerated(3)));
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        sim.advance(0.3 + 150.0);
        QVERIFY2(differences(sim, "LX1=50").isEmpty(), qPrintable(differences(sim, "LX1=50")));
        QCOMPARE(state[2], 3u);
        const double t = runUntil(sim, [&] { return state[0] != 3; }, 200.0);
        QVERIFY2(std::fabs(t - 150.0) < 0.1, qPrintable(QString::number(t)));
        QVERIFY(runUntil(sim, [&] { return state[2] != 3; }, 0.1) >= 0.0);
        sim.advance(2.0);

        QVERIFY(writeGenerated(1, "N1 $1\nN2 G01 x=110 F600\nN3 M30"));
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        sim.advance(0.3);
        QVERIFY(std::fabs(runUntil(sim, [&] { return state[0] != 3; }, 5.0) - 1.0) < 0.05);
        sim.advance(2.0);

        // A dwell of any length (a program typed on a channel page) is timed at once and run
        // within the bound like any other.
        QVERIFY(writeGenerated(1, "N1 $1\nN2 G4 F1e30\nN3 M30"));
        QElapsedTimer reading;
        reading.start();
        QVERIFY(sim.apply(DriveCommand::runGenerated(1)));
        QVERIFY2(reading.elapsed() < 1000, qPrintable(QString::number(reading.elapsed())));
        sim.advance(0.3);
        const double dwell = runUntil(sim, [&] { return state[0] != 3; }, 400.0);
        QVERIFY2(std::fabs(dwell - 300.0) < 0.1, qPrintable(QString::number(dwell)));
    }

    // The console against the simulator as it comes (programs run from their files): a weld with
    // a technological stop runs to the stop, the start button reads "ДАЛЕЕ", the continuation
    // runs the rest, and the weld's passport shows the manipulator moving along the seam.
    void weldInTheConsole()
    {
        EditorConsole console;
        QVERIFY(console.start(0));
        CONTOUR* c = console.contour();
        ContourSnapshot s = weldWithAStop();
        s.points.last().coords[0] = 40;
        s.tech = {point(0, 0, 600), point(20, 0, 600), ContourSamples::comment(techStopText()), point(40, 0, 600)};
        QVERIFY(console.load(s));
        c->pbGcode->click();
        QVERIFY(QTest::qWaitFor([c] { return c->channelState(1) == 3; }, 5000));
        QVERIFY(QTest::qWaitFor([c] { return c->channelState(1) != 3; }, 10000));
        QCOMPARE(c->pbGcode->text(), QStringLiteral("ДАЛЕЕ"));
        QVERIFY(QTest::qWaitFor([&console] { return console.gui()->coord("LX") == 20.0f; }, 1000));
        QCOMPARE(c->channelState(3), 3u);  // the beam program waits at the stop
        QVERIFY(c->passportOpen());
        c->pbGcode->click();
        QVERIFY(QTest::qWaitFor([c] { return !c->passportOpen(); }, 15000));
        QCOMPARE(c->pbGcode->text(), QStringLiteral("ПУСК"));
        QCOMPARE(console.gui()->coord("LX"), 40.0f);

        QFile file(c->passportFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QTextCodec::codecForName("Windows-1251")->toUnicode(file.readAll()).split('\n');
        const int columns = lines.indexOf(QRegularExpression(QStringLiteral("^\"Время\";\"Путь\";\"LX\";.*")));
        QVERIFY(columns > 0);
        QList<double> lx;
        QList<double> path;
        for (const QString& row : lines.mid(columns + 1, lines.size() - columns - 2)) {
            path << QLocale().toDouble(row.section(';', 1, 1));
            lx << QLocale().toDouble(row.section(';', 2, 2));
        }
        QVERIFY(lx.size() > 10);
        QCOMPARE(lx.first(), 0.0);
        QCOMPARE(lx.last(), 40.0);
        QVERIFY(std::is_sorted(lx.begin(), lx.end()) && std::is_sorted(path.begin(), path.end()));
        const auto within = [&lx](double low, double high) {
            return std::any_of(lx.begin(), lx.end(), [&](double x) { return x > low && x < high; });
        };
        QVERIFY(within(0, 20) && within(20, 40));
        // The path grows while the manipulator moves, before the stop and after it.
        const int stop = lx.indexOf(20.0);
        QVERIFY(stop > 0);
        QVERIFY2(path.at(stop) > 0.0 && path.last() > path.at(stop),
                 qPrintable(QStringLiteral("%1 at the stop, %2 at the end").arg(path.at(stop)).arg(path.last())));
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

        // It runs the programs where the console writes them: below the root it shares with it.
        QSignalSpy lx(&link, &DriveTCPthread::changedLX1);
        QVERIFY(writeGenerated(1, "N1 $1\nN2 G90 G01 x=5.00 F600\nN3 M30"));
        QVERIFY(link.command(DriveCommand::drivePower(true)));
        QVERIFY(link.command(DriveCommand::runGenerated(1)));
        QVERIFY(QTest::qWaitFor([&] {
            out += sim.readAllStandardOutput();
            return out.contains("drive: channel 1: program ended");
        }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return !lx.isEmpty() && lx.last().at(0).toFloat() == 5.0f; }, 3000));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

POKAVRO_TEST_MAIN(TestDriveSim)
#include "tst_drivesim.moc"
