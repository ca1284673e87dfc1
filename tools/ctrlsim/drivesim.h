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
//   EXEC_n(file)     with the drives on: channel n loads the program (ChannelState 9) for
//                    0.3 s, runs it (3, mode 5 "automatic", AxisMoving, PointNo counting) for
//                    programSeconds(), reports it done (2, "ready") for 1 s and is idle (1,
//                    manual mode 1) again; with the drives off it stays as it is and message
//                    word 0 says 111 ("drives not on") for 1 s
//   STOP_PRG         ends every jog; every channel that is not idle is reset (8) for 0.3 s and
//                    then idle
//   LIR(g,s,k)       moves the group's axes (LX: LX1 and LX2, U: U1 and U2) by s / 1000
//   HANDWHEEL(s)     with the pendant on, moves X by s / 1000
//   ZOOMMER          counted by buzzerCount()
// KeyAccess is 1, breakers are on (DrivePowerState 0x7FF, SpiralPower, DrivesPower), channels are
// idle (1) in manual mode (1), so that the transformation and the fixed moves, which the console
// allows on an idle channel 1 only, can be tried. A channel state set through status() stays
// until a command or a timed step of the model changes that channel.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include "drivestatus.h"
#include "simlink.h"

class DriveSimulator : public QObject
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
    // How long an EXEC_n program runs (default 3 s).
    void setProgramSeconds(double seconds) { m_programSeconds = seconds; }
    double programSeconds() const { return m_programSeconds; }

    // Applies one command to the model, as if it had arrived (false: not understood).
    bool apply(const QString& command);
    // Advances the model by `seconds` (the stream does this before each datagram).
    void advance(double seconds);

signals:
    void commandReceived(const QString& text);
    void consoleConnectedChanged(bool connected);

private:
    struct Jog {
        double speed = 0.0;  // units per minute, signed
    };
    // What a channel does; the timed phases end by themselves.
    enum class Phase { Still, Loading, Running, Done, Resetting, Failed };
    struct Channel {
        Phase phase = Phase::Still;
        double left = 0.0;  // seconds left in a timed phase
    };
    void stopAllMotion();
    void enter(int channel, Phase phase);
    void advanceChannel(int channel, double seconds);
    bool programRunning() const;
    void updateMoving();
    void moveAxis(int axis, double delta);
    qint32 poweredState() const;

    SimTcpEndpoint m_tcp;
    SimStatusSender m_udp;
    DriveStatusPacket m_status;
    QList<Command> m_commands;
    Jog m_jog[DriveStatusPacket::AxisCount];
    Channel m_channel[3];
    double m_virtualLeft = 0.0;  // the transformation switching on
    double m_messageLeft = 0.0;  // message word 0 shown
    double m_pointClock = 0.0;
    double m_programSeconds = 3.0;
    int m_buzzer = 0;
    QElapsedTimer m_clock;
};
