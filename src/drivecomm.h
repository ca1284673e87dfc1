#pragma once

// The link to the CNC/drive controller: text commands over TCP ("PV" LinkFrames) and the status
// datagram stream over UDP, turned into one change signal per field.

#include <QString>
#include <QThread>

#include <atomic>

#include "drivestatus.h"
#include "linkthread.h"
#include "startcheck.h"
#include "statusqueue.h"

class DriveUDPthread;

// The TCP side of the drive link and the owner of the status receiver. connect() and command()
// run on the owner's (GUI) thread; run() receives. After disconnected() the owner reconnects.
// The change signals come on the owner's thread in the receiver's order; an axis coordinate comes
// at most every few milliseconds, always the latest, while every other change comes at once.
// connected(), disconnect() and command() (one "PV" frame) come from FramedLink.
class DriveTCPthread : public FramedLink
{
    Q_OBJECT

public:
    DriveTCPthread();
    ~DriveTCPthread() override;

    // Opens the link to a numeric IPv4 address; true when it is up and the receive thread runs.
    // False while the link is up or its previous receive thread is still ending.
    bool connect(const QString& host, int tcpPort, int udpPort);
    // ChannelState1 of the last status datagram; 0 before the first one and after a loss.
    quint32 channelState() const;
    // What the change signals delivered so far have reported of drive power and the three
    // channels' states, with statusKnown(); owner's thread. Nothing of it is known (drives off,
    // every channel 0) from a loss until the first status after it.
    DriveReadiness readiness() const;
    // The coordinate of `axis` (DriveStatusPacket::Axis) as the change signals have delivered it
    // since the status became known; false while none has come since (it is not known). Owner's
    // thread.
    bool reportedPosition(int axis, float* value) const;
    // "[hh:mm:ss] " of the local time now.
    QString timeStamp();

signals:
    void disconnected();
    void message(QString str);
    // statusKnown() changed; emitted on the owner's thread.
    void statusKnownChanged(bool known);
    // command() could not send this text (the link is down or the frame did not leave whole).
    void commandNotSent(const QString& text);
    // Status datagrams came from this address ("a.b.c.d"), which is not the controller's: they
    // were dropped. Once per sender; emitted on the status receiver's thread.
    void statusFromForeignSender(const QString& sender);
    // The controller reported state changes far faster than the owner's thread could take them:
    // this many were dropped (the latest state of each field was delivered). Owner's thread.
    void statusChangesDropped(int count);

    void changedChannelState1(uint value);
    void changedChannelState2(uint value);
    void changedChannelState3(uint value);
    void changedChannelMode1(uint value);
    void changedChannelMode2(uint value);
    void changedChannelMode3(uint value);
    void changedLX1(float value);
    void changedLX2(float value);
    void changedLY(float value);
    void changedA(float value);
    void changedB(float value);
    void changedC(float value);
    void changedD(float value);
    void changedU1(float value);
    void changedU2(float value);
    void changedV(float value);
    void changedX(float value);
    void changedZ(float value);
    void changedPHI(float value);
    void changedMinLimLX(float value);
    void changedMinLimLY(float value);
    void changedMinLimA(float value);
    void changedMinLimB(float value);
    void changedMinLimC(float value);
    void changedMinLimD(float value);
    void changedMinLimU(float value);
    void changedMinLimV(float value);
    void changedMinLimX(float value);
    void changedMinLimZ(float value);
    void changedMinLimPHI(float value);
    void changedMaxLimLX(float value);
    void changedMaxLimLY(float value);
    void changedMaxLimA(float value);
    void changedMaxLimB(float value);
    void changedMaxLimC(float value);
    void changedMaxLimD(float value);
    void changedMaxLimU(float value);
    void changedMaxLimV(float value);
    void changedMaxLimX(float value);
    void changedMaxLimZ(float value);
    void changedMaxLimPHI(float value);
    void changedStateLX1(int value);
    void changedStateLX2(int value);
    void changedStateLY(int value);
    void changedStateA(int value);
    void changedStateB(int value);
    void changedStateC(int value);
    void changedStateD(int value);
    void changedStateU1(int value);
    void changedStateU2(int value);
    void changedStateV(int value);
    void changedVirtualState(uint value);
    void changedLXmin(bool value);
    void changedLYmin(bool value);
    void changedAmin(bool value);
    void changedBmin(bool value);
    void changedCmin(bool value);
    void changedDmin(bool value);
    void changedUmin(bool value);
    void changedVmin(bool value);
    void changedXmin(bool value);
    void changedZmin(bool value);
    void changedPHImin(bool value);
    void changedLXmax(bool value);
    void changedLYmax(bool value);
    void changedAmax(bool value);
    void changedBmax(bool value);
    void changedCmax(bool value);
    void changedDmax(bool value);
    void changedUmax(bool value);
    void changedVmax(bool value);
    void changedXmax(bool value);
    void changedZmax(bool value);
    void changedPHImax(bool value);
    void changedDoorState(uint value);
    void changedTrModuleState(uint value);
    void changedDrivePowerState(uint value);
    void changedLightState(uint value);
    void changedPointNo(uint value);
    void changedPortPultRegime(uint value);
    void changedAlarmState(uint value);
    void changedDrivesOn(bool value);
    void changedTransOn(bool value);
    void changedPultOn(bool value);
    void changedAxisMoving(bool value);
    void changedKeyAccess(bool value);
    void changedDrivesLock(bool value);
    void changedSpiralLock(bool value);
    void changedSpiralPower(bool value);
    void changedDrivesPower(bool value);
    void changedPhaseAlarm(bool value);
    void changedMessage(uint value);
    // The same change of a message word with the word's number (0 to 3), emitted just before
    // changedMessage().
    void messageWordChanged(int word, uint value);
    void changedCNCError(uint value);
public slots:
    void UDPdisconnected();

    void onChangedStateLX1(int state);
    void onChangedStateLX2(int state);
    void onChangedStateLY(int state);
    void onChangedStateA(int state);
    void onChangedStateB(int state);
    void onChangedStateC(int state);
    void onChangedStateD(int state);
    void onChangedStateU1(int state);
    void onChangedStateU2(int state);
    void onChangedStateV(int state);
    void onChangedStateVirtual(int state);

protected:
    void run() override;

private:
    friend class DriveUDPthread;

    bool acceptsSignature(quint16 signature) const override;
    void frameReceived(quint16 signature, const QByteArray& payload, bool complete) override;
    void textPassed(const QString& line) override;
    void report(LinkEvent event, const QString& reason) override;
    void deliverStatus() override;
    void notSent(const QString& text) override;
    void foreignSender(const QString& sender) override;
    void setStatusKnown(bool known);

    int m_axisState[DriveStatusPacket::DriveCount] = {};
    int m_virtualState = 0;
    std::atomic<quint32> m_channelState{0};
    // Owner's thread: as the change signals report them.
    DriveReadiness m_reported;
    float m_position[DriveStatusPacket::AxisCount] = {};
    bool m_positionKnown[DriveStatusPacket::AxisCount] = {};
    // The receiver's changes on their way to this link's signals.
    StatusQueue<DriveStatus::Change> m_status;
};

// The status receiver: takes the datagrams that come from the controller's address (the one its
// DriveTCPthread connected to), decodes each on its own thread, compares it with the previous
// one and hands the fields that changed (every field for the first datagram) to its
// DriveTCPthread, which emits them as its change signals on the GUI thread. Reports
// UDPdisconnected() while the stream is silent. Created, started and deleted by its
// DriveTCPthread.
class DriveUDPthread : public StatusReceiver
{
    Q_OBJECT

public:
    DriveUDPthread(DriveTCPthread* owner, int port);
    ~DriveUDPthread() override;

    quint32 channelState() const;

signals:
    void UDPdisconnected();
    // The first datagram of this receiver is decoded; its changes follow.
    void statusStarted();

private:
    bool datagramReceived(const char* data, int size) override;
    void rejected(const char* data, int size, bool badSignature) override;
    void foreignSender(quint32 address) override;
    void silence() override;
    void quiet() override;
    void drained() override;
    void bindFailed(const QString& reason) override;

    std::atomic<quint32> m_channelState{0};
    DriveTCPthread* m_owner;
    DriveStatus::Tracker m_tracker;
    DriveStatusPacket m_packet{};
};
