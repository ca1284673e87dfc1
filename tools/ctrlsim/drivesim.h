#pragma once

// The CNC/drive controller, simulated on 127.0.0.1: accepts the console's command link, records
// every command with its time, streams 296-byte status datagrams, and models the machine so that
// every command of the vocabulary shows in the status:
//   DRIVE ON/OFF     DrivesOn, every drive's state (A0013 off, A0102 on); OFF stops all motion,
//                    and a channel that loads or runs a program is in error (6) until STOP_PRG
//                    resets it
//   TRANS ON/OFF     TransOn; the virtual-axis state goes 1 (switching) for 0.5 s, then 2
//                    (ready); 0 off
//   SPIRAL ON/OFF    LightState bit 2
//   PULT ON/OFF      PultOn
//   MOVE(axis,v)     jogs the axis at v units per minute (drives must be on) until MOVE(axis,0),
//                    STOP_PRG, DRIVE OFF or a software limit, where it stops and raises the
//                    axis's end-switch flag (Xmin/Xmax...); AxisMoving while anything moves
//   PARK/DEPARK      the drive's state C1600 (parked) / back to its power state
//   CLEAR_ERROR      an E or F state of the drive goes back to its power state
//   LIMIT_MIN/MAX    the software limit value
//   REFERENCE(a,n)   the axis position becomes n / 10000
//   EXEC_n(file)     with the drives on: channel n reads the program file (the installation's
//                    path "/programs/...", reached through FixedPaths as the console reaches it),
//                    loads it (ChannelState 9, mode 5 "automatic") for 0.3 s and runs it (3) as
//                    ncprogram.h describes: the axes it names move at its feeds, it dwells, waits
//                    for and sets the events that the three channels share, jumps, and its
//                    variable "@1" is the PointNo of the status. At its M30 (the end of a weld
//                    or a technological stop) or the end of its text the channel is done (2,
//                    "ready", mode 1) for 1 s and then idle (1). A file that is missing or holds
//                    a word the controller does not know, or a move without a feed, leaves the
//                    channel in error (6) until STOP_PRG. A channel that is loading or running
//                    refuses another EXEC and goes on with its program. With the drives off no
//                    channel starts and message word 0 says 111 ("drives not on") for 1 s.
//                    A run is bounded: when the programs running would take longer than
//                    maxRunSeconds() (5 minutes), the controller runs them faster, all by the
//                    same factor, so that they still meet at their events.
//   STOP_PRG         ends every jog and every program where it stands and clears the events;
//                    every channel that is not idle is reset (8) for 0.3 s and then idle
//   LIR(g,s,k)       moves the group's axes (LX: LX1 and LX2, U: U1 and U2) by s / 1000
//   HANDWHEEL(s)     with the pendant on, moves X by s / 1000
//   ZOOMMER          counted by buzzerCount()
// KeyAccess is 1, breakers are on (DrivePowerState 0x7FF, SpiralPower, DrivesPower), channels are
// idle (1) in manual mode (1), so that the transformation and the fixed moves, which the console
// allows on an idle channel 1 only, can be tried. A channel state set through status() stays
// until a command or a timed step of the model changes that channel.
//
// For tests of the console's own reactions, setProgramSeconds() replaces the programs by a fixed
// run: every EXEC then runs that long without reading its file, moves no axis, and PointNo counts
// up every half second while a channel runs.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

#include "drivestatus.h"
#include "ncprogram.h"
#include "simlink.h"

class DriveSimulator : public QObject, private NcMachine
{
    Q_OBJECT

public:
    struct Command {
        QString text;
        QDateTime time;
    };

    explicit DriveSimulator(QObject* parent = nullptr);
    ~DriveSimulator() override;

    // Listens for the console on 127.0.0.1:tcpPort (0 picks one) and streams status to
    // 127.0.0.1:consoleUdpPort.
    bool start(quint16 tcpPort, quint16 consoleUdpPort);
    quint16 tcpPort() const { return m_tcp.port(); }
    bool consoleConnected() const { return m_tcp.isConnected(); }

    // ---- test control ----
    // The status as it will go out with the next datagram; change any field.
    DriveStatusPacket& status() { return m_status; }
    void setRate(int datagramsPerSecond) { m_udp.setRate(datagramsPerSecond); }
    void pauseStream() { m_udp.pause(); }
    void resumeStream() { m_udp.resume(); }
    bool streaming() const { return m_udp.isRunning(); }
    // The stream itself: its tick() carries each datagram it sends.
    SimStatusSender& statusSender() { return m_udp; }
    void closeConnection() { m_tcp.closeConnection(); }
    void setRefuseConnections(bool refuse) { m_tcp.setRefuseConnections(refuse); }
    bool sendText(const QString& text) { return m_tcp.sendFrame(DriveStatusPacket::Signature, text.toUtf8()); }
    bool sendFrame(quint16 signature, const QByteArray& payload) { return m_tcp.sendFrame(signature, payload); }
    bool sendRaw(const QByteArray& bytes) { return m_tcp.sendRaw(bytes); }
    bool sendDatagram(const QByteArray& bytes) { return m_udp.sendDatagram(bytes); }
    // The datagram of the current status, as the stream would send it.
    QByteArray statusDatagram() const { return DriveStatus::encode(m_status); }

    QList<Command> commands() const { return m_commands; }
    QStringList commandTexts() const;
    void clearCommands() { m_commands.clear(); }
    int buzzerCount() const { return m_buzzer; }
    // Every EXEC_n runs this long instead of its program (0, the default: programs run from their
    // files).
    void setProgramSeconds(double seconds) { m_programSeconds = seconds; }
    double programSeconds() const { return m_programSeconds; }
    // The longest a run of programs takes (default 300 s); longer ones run faster.
    void setMaxRunSeconds(double seconds) { m_maxRunSeconds = seconds; }
    double maxRunSeconds() const { return m_maxRunSeconds; }
    // The beam and focus currents that the beam channel's programs set (mA).
    double beamCurrent() const { return m_beam[0]; }
    double focusCurrent() const { return m_beam[1]; }

    // Applies one command to the model, as if it had arrived (false: not understood).
    bool apply(const QString& command);
    // Advances the model by `seconds` (the stream does this before each datagram).
    void advance(double seconds);

signals:
    void commandReceived(const QString& text);
    void consoleConnectedChanged(bool connected);
    // What a channel does with a program: started, refused, ended, failed and why.
    void channelReport(int channel, const QString& text);

private:
    struct Jog {
        double speed = 0.0;  // units per minute, signed
    };
    // What a channel does; the timed phases end by themselves.
    enum class Phase { Still, Loading, Running, Done, Resetting, Failed };
    struct Channel {
        Phase phase = Phase::Still;
        double left = 0.0;           // seconds left in a timed phase
        std::unique_ptr<NcRun> run;  // the program read by EXEC (none in the fixed run)
        QString failure;             // why the program read by EXEC cannot run
    };
    void stopAllMotion();
    void enter(int channel, Phase phase);
    void advanceChannel(int channel, double seconds);
    bool programRunning() const;
    void updateMoving();
    void moveAxis(int axis, double delta);
    qint32 poweredState() const;
    void execute(int channel, const QString& path);

    // NcMachine: what the programs move and share.
    double position(int axis) const override;
    void setPosition(int axis, double value) override;
    bool eventSet(int event) const override { return m_events.contains(event); }
    void setEvent(int event, bool set) override;
    void resetEvents() override { m_events.clear(); }
    void setVariable(const QString& name, const QString& value) override;

    SimTcpEndpoint m_tcp;
    SimStatusSender m_udp;
    DriveStatusPacket m_status;
    QList<Command> m_commands;
    Jog m_jog[DriveStatusPacket::AxisCount];
    Channel m_channel[3];
    double m_virtualLeft = 0.0;  // the transformation switching on
    double m_messageLeft = 0.0;  // message word 0 shown
    double m_pointClock = 0.0;
    double m_programSeconds = 0.0;
    double m_maxRunSeconds = 300.0;
    double m_programScale = 1.0;  // program seconds per second while long programs run
    double m_beam[2] = {0.0, 0.0};
    QSet<int> m_events;
    int m_buzzer = 0;
    QElapsedTimer m_clock;
};
