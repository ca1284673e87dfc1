#pragma once

// The two vacuum controllers, simulated on 127.0.0.1 around one model of the vacuum plant.
//
// The vacuum-system controller (KVS) switches the fore pumps NL1, NL2, the Roots pumps NZ1, NZ2,
// the diffusion pump ND1, the circulation pump NW2 and the valves VP1, VP2, VP3, VP5, VP6, VP7;
// the vacuum/door controller (KVK) switches VP4, VP8, the chamber door and the turbo-molecular
// pump group (TMN, its valve VPT, the gun gate VE1) and runs the vacuum algorithms. Each listens
// for the console's link, records every command, streams its status datagrams and answers
// "CONST" with one constants frame ("RV" from KVS, "QV" from KVK).
//
// The plant: NL1 and NZ1 pump the fore line of ND1, which reaches the pump body through VP2; ND1
// pumps the chamber through the gate VP1. NL2 and NZ2 pump the roughing line, which reaches the
// chamber through the gate VP3 and the jacket through VP5. VP7 and VP6 vent the pumps NL1 and
// NL2, VP4 vents the chamber and VP8 the jacket; releasing the door opens the chamber to the air.
// TMN pumps the gun once it has run up; VE1 joins the gun to the chamber. Pressures follow
// first-order dynamics (in the logarithm of the pressure) towards what the open paths allow.
//
// Each gauge reads the space the vacuum screen draws it on: PT1 the body of ND1, PT2 the fore
// line (between NZ1 and VP2), PT3 the roughing line (between NZ2 and VP3), PT4 and PT5 the
// chamber, PT6 the gun. The jacket has no gauge.
//
// Elements: "X ON" is refused (nothing changes) while X's switch-on interlock word is not 0;
// otherwise X goes to 3 (switching on) for switchSeconds(), then 1. "X OFF" is refused while its
// switch-off word is not 0, otherwise it goes through 2 to 0. The door ("DOOR UNPRESS" on,
// "DOOR PRESS" off) and "BKU(unit,1|0)" (1 VPT, 2 VE1, 3 TMN) follow the same model, with the
// words of the combined TMN-group word. The interlock words are computed from the model with the
// bit meanings the vacuum screen shows; any status field can also be forced to a fixed value.
//
// "ALG(n)" sets the algorithm number; for 2 to 6 the run flag goes to 1, the run time counts
// seconds and a sequence of element steps runs through the same model; it ends with the run
// flag 2, or with the algorithm number 0xFFFFFFFF (emergency end) when a step is refused or does
// not reach its goal in time.

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <QVector>

#include <functional>

#include "kvspackets.h"
#include "simlink.h"

class VacuumSimulator : public QObject
{
    Q_OBJECT

public:
    enum Controller { Kvs, Kvk };
    // The spaces of the plant.
    enum Volume { ForeLine, RoughingLine, Jacket, PumpBody, Chamber, Gun, VolumeCount };
    Q_ENUM(Volume)

    struct Command {
        QString text;
        QDateTime time;
    };

    explicit VacuumSimulator(QObject* parent = nullptr);
    ~VacuumSimulator() override;

    // Listens for the two links on 127.0.0.1 (0 picks a port) and streams each controller's
    // status to 127.0.0.1 at the console's UDP port.
    bool start(quint16 kvsTcpPort, quint16 kvsConsoleUdpPort, quint16 kvkTcpPort, quint16 kvkConsoleUdpPort);
    quint16 tcpPort(Controller c) const { return endpoint(c).port(); }
    bool consoleConnected(Controller c) const { return endpoint(c).isConnected(); }

    // ---- the model ----
    // Applies one command to the controller's model as if it had arrived; false when the
    // controller does not understand it or refuses it.
    bool apply(Controller c, const QString& command);
    // Advances the plant by this many model seconds.
    void advance(double seconds);
    // Model seconds per real second (default 1); tests speed the plant up.
    void setTimeScale(double scale) { m_timeScale = scale; }
    // How long an element takes to switch (model seconds, default 2).
    void setSwitchSeconds(double seconds) { m_switchSeconds = seconds; }
    double switchSeconds() const { return m_switchSeconds; }

    // The state of an element ("NL1" ... "VP8", "DOOR", "TMN", "VPT", "VE1"); -1 for no such one.
    int state(const QString& element) const;
    // Puts an element straight into a state.
    void setState(const QString& element, int state);
    double pressure(Volume v) const;
    void setPressure(Volume v, double pa);
    float tmnFrequency() const { return m_tmnFrequency; }
    // Whether gauge PT1 ... PT6 (1-based) is read.
    void setGaugeValid(int gauge, bool valid);
    void setFlow(int index, float litresPerMinute);         // Disch1 ... Disch8 (1-based)
    void setTemperature(int index, float celsius);          // Temp1 ... Temp8 (1-based)
    // Conditions outside the vacuum plant that interlocks look at.
    void setDrivesOn(bool on) { m_drivesOn = on; }           // VP4, VP8: "drives not off"
    void setChamberDoorClosed(bool closed) { m_doorClosed = closed; }  // DOOR press
    void setShukPermission(bool given) { m_shukPermission = given; }   // VE1 on
    void setAccelerationOn(bool on) { m_accelerationOn = on; }         // VE1 off

    // The interlock word of an element and direction as the model computes it (forced fields
    // left out); for the TMN group the combined word.
    qint32 lockWord(const QString& element, bool on) const;
    quint32 combinedLocks() const;

    // Forces a status field ("NL1LockOn", "PT5", "AlgRun" ...) to a value in every datagram
    // until released; false for an unknown name. Forced interlock words also decide refusals.
    bool force(Controller c, const QString& field, const QVariant& value);
    void release(Controller c, const QString& field);
    void releaseAll();

    // The running algorithm.
    quint32 algorithmNumber() const { return m_algNumber; }
    quint32 algorithmRun() const { return m_algRun; }
    quint32 algorithmSeconds() const { return quint32(m_algSeconds); }

    // The constants table of a controller; "SET(KBC:id,v)" / "SET(KBK:id,v)" change it.
    QVector<VacConstRecord>& constants(Controller c) { return c == Kvs ? m_kvsConsts : m_kvkConsts; }

    // ---- the streams and the links ----
    KvsStatusPacket kvsStatus() const;
    KvkStatusPacket kvkStatus() const;
    QByteArray statusDatagram(Controller c) const;
    void setRate(int datagramsPerSecond);
    void pauseStream(Controller c) { sender(c).pause(); }
    void resumeStream(Controller c) { sender(c).resume(); }
    bool streaming(Controller c) const { return m_udp[c].isRunning(); }
    bool sendDatagram(Controller c, const QByteArray& bytes) { return sender(c).sendDatagram(bytes); }
    void closeConnection(Controller c) { endpoint(c).closeConnection(); }
    void setRefuseConnections(Controller c, bool refuse) { endpoint(c).setRefuseConnections(refuse); }
    bool sendText(Controller c, const QString& text);
    bool sendFrame(Controller c, quint16 signature, const QByteArray& payload) { return endpoint(c).sendFrame(signature, payload); }
    bool sendRaw(Controller c, const QByteArray& bytes) { return endpoint(c).sendRaw(bytes); }
    // The constants frame the controller answers "CONST" with.
    bool sendConstants(Controller c);

    QList<Command> commands(Controller c) const { return m_commands[c]; }
    QStringList commandTexts(Controller c) const;
    void clearCommands();

signals:
    void commandReceived(VacuumSimulator::Controller controller, const QString& text);
    void consoleConnectedChanged(VacuumSimulator::Controller controller, bool connected);

private:
    struct Element {
        QString name;
        Controller controller;
        int state = 0;
        double left = 0.0;  // model seconds until a switching state ends
    };
    struct Step {
        Controller controller;
        QString command;                 // empty: only wait
        std::function<bool()> done;      // the step's goal
        double timeout;                  // model seconds
    };

    SimTcpEndpoint& endpoint(Controller c) { return m_tcp[c]; }
    const SimTcpEndpoint& endpoint(Controller c) const { return m_tcp[c]; }
    SimStatusSender& sender(Controller c) { return m_udp[c]; }
    Element* element(const QString& name);
    const Element* element(const QString& name) const;
    bool on(const QString& name) const;      // state 1
    bool off(const QString& name) const;     // state 0
    bool switchElement(const QString& name, bool on);
    qint32 effectiveLockWord(const QString& element, bool on) const;
    bool setConstant(Controller c, const QString& argument);
    void startAlgorithm(quint32 number);
    QList<Step> algorithmSteps(quint32 number) const;
    Step switchStep(Controller c, const QString& element, bool on) const;
    void advanceAlgorithm(double seconds);
    void advancePressures(double seconds);
    void onFrame(Controller c, quint16 signature, const QByteArray& payload);
    void applyForced(Controller c, uchar* packet) const;

    SimTcpEndpoint m_tcp[2];
    SimStatusSender m_udp[2];
    QTimer m_clock;
    QElapsedTimer m_elapsed;
    QList<Command> m_commands[2];
    QHash<QString, QVariant> m_forced[2];

    QVector<Element> m_elements;
    double m_logPressure[VolumeCount];
    bool m_gaugeValid[6];
    float m_flow[8];
    float m_temperature[8];
    float m_ndBodyTemp = 20.0f;
    float m_ndOilTemp = 20.0f;
    float m_tmnFrequency = 0.0f;
    bool m_drivesOn = false;
    bool m_doorClosed = true;
    bool m_shukPermission = true;
    bool m_accelerationOn = false;
    double m_timeScale = 1.0;
    double m_switchSeconds = 2.0;

    quint32 m_algNumber = 1;
    quint32 m_algRun = 0;
    double m_algSeconds = 0.0;
    QList<Step> m_algSteps;
    bool m_stepStarted = false;
    double m_stepSeconds = 0.0;

    QVector<VacConstRecord> m_kvsConsts;
    QVector<VacConstRecord> m_kvkConsts;
};
