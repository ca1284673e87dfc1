#pragma once

#include <QMutex>
#include <QThread>
#include <QVector>

#include <atomic>
#include <memory>

#include "kvspackets.h"
#include "linkthread.h"
#include "statusqueue.h"

// The links to the two vacuum controllers: KVSTCPthread to the vacuum-system controller (pumps,
// valves, gauges, cooling water), KVKTCPthread to the vacuum/door controller (VP4, VP8, the door,
// the turbo-molecular pump group, the automatic algorithms).
//
// Each link is a thread that receives the controller's frames over the framed-socket core ("PV"
// texts and the link's own constants tables; any other signature ends the link), sends text
// commands from the caller's thread, and owns a status receiver (KVSUDPthread, KVKUDPthread)
// that decodes the controller's status datagrams into changes and hands them to the link, which
// emits them as its signals of the same names on the GUI thread. A silent status stream ends the
// whole link. After disconnected() the owner reconnects.
//
// The constants table is written by the receive thread and read on the GUI thread, so it is kept
// under a mutex and getVacConsts() hands out a copy.

// The change signals of the two status streams, declared by their links.
#define KVS_CHANGE_SIGNALS \
    void changedNL1State(int value); \
    void changedNL1Power(int value); \
    void changedNL1Thermal(int value); \
    void changedNL1Error(int value); \
    void changedNL2State(int value); \
    void changedNL2Power(int value); \
    void changedNL2Thermal(int value); \
    void changedNL2Error(int value); \
    void changedNZ1State(int value); \
    void changedNZ1Power(int value); \
    void changedNZ1Thermal(int value); \
    void changedNZ1Error(int value); \
    void changedNZ2State(int value); \
    void changedNZ2Power(int value); \
    void changedNZ2Thermal(int value); \
    void changedNZ2Error(int value); \
    void changedND1State(int value); \
    void changedND1Power(int value); \
    void changedND1Thermal(int value); \
    void changedND1Error(int value); \
    void changedNW2State(int value); \
    void changedNW2Power(int value); \
    void changedNW2Thermal(int value); \
    void changedNW2Error(int value); \
    void changedNL1LockOn(int value); \
    void changedNL2LockOn(int value); \
    void changedNZ1LockOn(int value); \
    void changedNZ2LockOn(int value); \
    void changedND1LockOn(int value); \
    void changedNW2LockOn(int value); \
    void changedNL1LockOff(int value); \
    void changedNL2LockOff(int value); \
    void changedNZ1LockOff(int value); \
    void changedNZ2LockOff(int value); \
    void changedND1LockOff(int value); \
    void changedNW2LockOff(int value); \
    void changedVP1State(int value); \
    void changedVP1Opened(int value); \
    void changedVP1Closed(int value); \
    void changedVP2State(int value); \
    void changedVP2Opened(int value); \
    void changedVP2Closed(int value); \
    void changedVP3State(int value); \
    void changedVP3Opened(int value); \
    void changedVP3Closed(int value); \
    void changedVP5State(int value); \
    void changedVP5Opened(int value); \
    void changedVP5Closed(int value); \
    void changedVP6State(int value); \
    void changedVP6Opened(int value); \
    void changedVP6Closed(int value); \
    void changedVP7State(int value); \
    void changedVP7Opened(int value); \
    void changedVP7Closed(int value); \
    void changedVP1LockOn(int value); \
    void changedVP2LockOn(int value); \
    void changedVP3LockOn(int value); \
    void changedVP5LockOn(int value); \
    void changedVP6LockOn(int value); \
    void changedVP7LockOn(int value); \
    void changedVP1LockOff(int value); \
    void changedVP2LockOff(int value); \
    void changedVP3LockOff(int value); \
    void changedVP5LockOff(int value); \
    void changedVP6LockOff(int value); \
    void changedVP7LockOff(int value); \
    void changedPTState(int value); \
    void changedLEDState(int value); \
    void changedSpiralState(int value); \
    void changedAlgNumber(int value); \
    void changedAlgState(int value); \
    void changedAlgTime(int value); \
    void changedPT1Valid(bool on); \
    void changedPT2Valid(bool on); \
    void changedPT3Valid(bool on); \
    void changedPowerPT(bool on); \
    void changedPower380V(bool on); \
    void changedPower110V(bool on); \
    void changedPower24V(bool on); \
    void changedPowerDischarge(bool on); \
    void changedPowerFan(bool on); \
    void changedEmStop(bool on); \
    void changedRopeAlarm(bool on); \
    void changedPowerSHUK(bool on); \
    void changedPowerKVK(bool on); \
    void changedDoorClosed(bool on); \
    void changedPT1(double pa); \
    void changedPT2(double pa); \
    void changedPT3(double pa); \
    void changedTempCorpND(float value); \
    void changedTempOilND(float value); \
    void changedTemp1(float value); \
    void changedTemp2(float value); \
    void changedTemp3(float value); \
    void changedTemp4(float value); \
    void changedTemp5(float value); \
    void changedTemp6(float value); \
    void changedTemp7(float value); \
    void changedTemp8(float value); \
    void changedDisch1(float value); \
    void changedDisch2(float value); \
    void changedDisch3(float value); \
    void changedDisch4(float value); \
    void changedDisch5(float value); \
    void changedDisch6(float value); \
    void changedDisch7(float value); \
    void changedDisch8(float value);

#define KVK_CHANGE_SIGNALS \
    void changedVP4State(int value); \
    void changedVP4Opened(int value); \
    void changedVP4Closed(int value); \
    void changedVP8State(int value); \
    void changedVP8Opened(int value); \
    void changedVP8Closed(int value); \
    void changedDoorState(int value); \
    void changedDoorPressed(int value); \
    void changedDoorUnpressed(int value); \
    void changedVP4LockOn(int value); \
    void changedVP8LockOn(int value); \
    void changedDoorLockOn(int value); \
    void changedVP4LockOff(int value); \
    void changedVP8LockOff(int value); \
    void changedDoorLockOff(int value); \
    void changedPT4(double pa); \
    void changedPT5(double pa); \
    void changedPT4Valid(bool on); \
    void changedPT5Valid(bool on); \
    void changedPressureOK(bool on); \
    void changedNP1Power(bool on); \
    void changedNW1Power(bool on); \
    void changedDrivesLock(bool on); \
    void changedSpiralLock(bool on); \
    void changedShutdownLock(bool on); \
    void changedAlgRun(uint value); \
    void changedAlgNumber(uint value); \
    void changedAlgTime(uint value); \
    void changedBKUValid(int value); \
    void changedStateVPT(int value); \
    void changedStateVE(int value); \
    void changedStateTMN(int value); \
    void changedStateNET(uint value); \
    void changedStateACC(uint value); \
    void changedStateMP(uint value); \
    void changedStateLocks(uint value); \
    void changedPT6(float value); \
    void changedTMNFreq(float value);

class VacuumStatusReceiver;

// What tells the two links apart besides their signals.
struct VacuumLinkTexts {
    LinkTexts link;               // command log "<name>: > ", connect failures
    const char* name;             // "KVSTCPthread": "<name> started", "<name> stopped"
    const char* receivedPrefix;   // logged before a received text
    const char* connectLog;       // logged on every connect() call (null: nothing)
    const char* connectDoneLog;   // logged when the link is up, before its thread starts (null: nothing)
    quint16 constsSignature;      // the constants frames this link accepts besides "PV"
    const QVector<StatusField::Field>& (*fields)();  // the status fields, in emission order
    const QMetaObject* meta;      // the link class, which declares their signals
};

// connected(), disconnect() and command() (one "PV" text frame) come from FramedLink.
class VacuumLink : public FramedLink
{
    Q_OBJECT

public:
    // Opens the link to host (numeric IPv4) on tcpPort and starts the status receiver on the local
    // udpPort. False while the link is up or still closing, and when the connection fails.
    bool connect(const QString& host, int tcpPort, int udpPort);
    // "[hh:mm:ss] " of the local time.
    QString timeStamp();

    // A copy of the records of the last constants frame (none before the first).
    QVector<VacConstRecord> getVacConsts() const;
    QVector<VacConstRecord> getVacConsts(int& count) const;
    // The next status datagram delivers every field, as the first one of a connection does: for
    // an owner that connects to the change signals after the first datagram was delivered.
    void resendStatus() { m_resendStatus = true; }

signals:
    void disconnected();
    void message(QString str);
    void constsReceived(int count);
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

public slots:
    // The status stream fell silent: ends the link.
    void UDPdisconnected();

protected:
    explicit VacuumLink(const VacuumLinkTexts& texts);
    void run() override;
    // Creates the status receiver, which hands its changes to this link and starts itself.
    virtual VacuumStatusReceiver* makePartner(int udpPort) = 0;

private:
    friend class VacuumStatusReceiver;

    bool acceptsSignature(quint16 signature) const override;
    void frameReceived(quint16 signature, const QByteArray& payload, bool complete) override;
    void textPassed(const QString& line) override;
    void report(LinkEvent event, const QString& reason) override;
    void deliverStatus() override;
    void notSent(const QString& text) override;
    void foreignSender(const QString& sender) override;
    void setStatusKnown(bool known);
    void storeConsts(const QByteArray& payload);

    const VacuumLinkTexts& m_texts;
    mutable QMutex m_constsLock;
    std::unique_ptr<VacConstRecord[]> m_consts;
    int m_constsCount = 0;
    // The debug listing of the constants tables: a few at once, then one every 10 s (receive
    // thread only).
    TextGate m_constsLogGate{3, 10000};
    const StatusField::Emitter m_emitter;
    // The receiver's changes on their way to this link's signals.
    StatusQueue<StatusField::Value> m_status;
    std::atomic<bool> m_resendStatus{false};
};

// The status receiver of a vacuum link: binds the local UDP port, takes datagrams of the exact
// packet size with the "PV" signature that come from the controller's address (the one its link
// connected to), hands the fields that differ from the previous datagram
// (every field for the first) to its link, which emits them as its change signals on the GUI
// thread; reports UDPdisconnected() before every wait once more than ten waits of 100 ms in a row
// brought nothing.
class VacuumStatusReceiver : public StatusReceiver
{
    Q_OBJECT

public:
    ~VacuumStatusReceiver() override;

signals:
    void UDPdisconnected();
    // The first datagram of this receiver passed the filter; its changes follow.
    void statusStarted();
    void message(QString text);  // kept for the links' owners; nothing emits it

protected:
    VacuumStatusReceiver(const QVector<StatusField::Field>& fields, int packetSize, VacuumLink* link, int port);
    // Starts the thread (end of the constructor).
    void begin();
    // Stops and joins the thread (start of the destructor).
    void halt();

private:
    bool datagramReceived(const char* data, int size) override;
    void rejected(const char* data, int size, bool badSignature) override;
    void foreignSender(quint32 address) override;
    void silence() override;

    const int m_packetSize;
    VacuumLink* const m_link;
    StatusField::Tracker m_tracker;
    std::vector<StatusField::Value> m_changes;  // of the datagram at hand
};

class KVSTCPthread : public VacuumLink
{
    Q_OBJECT

public:
    KVSTCPthread();
    ~KVSTCPthread() override;

signals:
    KVS_CHANGE_SIGNALS

protected:
    VacuumStatusReceiver* makePartner(int udpPort) override;
};

class KVSUDPthread : public VacuumStatusReceiver
{
    Q_OBJECT

public:
    KVSUDPthread(KVSTCPthread* link, int port);
    ~KVSUDPthread() override;
};

class KVKTCPthread : public VacuumLink
{
    Q_OBJECT

public:
    KVKTCPthread();
    ~KVKTCPthread() override;

signals:
    KVK_CHANGE_SIGNALS

protected:
    VacuumStatusReceiver* makePartner(int udpPort) override;
};

class KVKUDPthread : public VacuumStatusReceiver
{
    Q_OBJECT

public:
    KVKUDPthread(KVKTCPthread* link, int port);
    ~KVKUDPthread() override;
};
