#include "drivecomm.h"

#include <QDebug>
#include <QMetaMethod>

#include <ctime>

namespace {

void log(const QString& text)
{
    qDebug().noquote() << text;
}

const LinkTexts kDriveTexts = {log, "DriveTCPthread: > ", "DRIVE gethostbyname() error: ",
                               "tcp connect() error: ", LinkFrame::PV};

}  // namespace

// ---- DriveTCPthread ------------------------------------------------------------------------

DriveTCPthread::DriveTCPthread() : FramedLink(kDriveTexts)
{
    // Connected before any owner's receiver, so the status counts as unknown again before they
    // hear of the loss.
    QObject::connect(this, &DriveTCPthread::disconnected, this, [this] { setStatusKnown(false); });
}

DriveTCPthread::~DriveTCPthread()
{
    stopAndJoin();
}

bool DriveTCPthread::connect(const QString& host, int tcpPort, int udpPort)
{
    if (!open(host, tcpPort))
        return false;
    m_channelState = 0;
    auto* partner = new DriveUDPthread(this, udpPort);
    QObject::connect(partner, &DriveUDPthread::statusStarted, this, [this] { setStatusKnown(true); });
    arm(partner, QObject::connect(partner, &DriveUDPthread::UDPdisconnected, this, &DriveTCPthread::UDPdisconnected));
    start();
    return true;
}

quint32 DriveTCPthread::channelState() const
{
    return m_channelState.load();
}

QString DriveTCPthread::timeStamp()
{
    return linkTimeStamp(std::time(nullptr));
}

void DriveTCPthread::setStatusKnown(bool known)
{
    if (takeStatusKnown(known))
        emit statusKnownChanged(known);
}

void DriveTCPthread::notSent(const QString& text)
{
    emit commandNotSent(text);
}

void DriveTCPthread::UDPdisconnected()
{
    m_stop = true;
}

void DriveTCPthread::onChangedStateLX1(int state) { m_axisState[DriveStatusPacket::LX1] = state; }
void DriveTCPthread::onChangedStateLX2(int state) { m_axisState[DriveStatusPacket::LX2] = state; }
void DriveTCPthread::onChangedStateLY(int state) { m_axisState[DriveStatusPacket::LY] = state; }
void DriveTCPthread::onChangedStateA(int state) { m_axisState[DriveStatusPacket::A] = state; }
void DriveTCPthread::onChangedStateB(int state) { m_axisState[DriveStatusPacket::B] = state; }
void DriveTCPthread::onChangedStateC(int state) { m_axisState[DriveStatusPacket::C] = state; }
void DriveTCPthread::onChangedStateD(int state) { m_axisState[DriveStatusPacket::D] = state; }
void DriveTCPthread::onChangedStateU1(int state) { m_axisState[DriveStatusPacket::U1] = state; }
void DriveTCPthread::onChangedStateU2(int state) { m_axisState[DriveStatusPacket::U2] = state; }
void DriveTCPthread::onChangedStateV(int state) { m_axisState[DriveStatusPacket::V] = state; }
void DriveTCPthread::onChangedStateVirtual(int state) { m_virtualState = state; }

void DriveTCPthread::run()
{
    log(QStringLiteral("DriveTCPthread started"));
    receive();
    log(QStringLiteral("DriveTCPthread finished"));
    release();
    m_channelState = 0;
    emit disconnected();
}

bool DriveTCPthread::acceptsSignature(quint16 signature) const
{
    return signature == LinkFrame::PV;
}

void DriveTCPthread::frameReceived(quint16, const QByteArray& payload, bool)
{
    // A frame cut short gives what arrived.
    const QString text = payloadText(payload);
    log(QStringLiteral("DriveTCPthread: < ") + text);
    emit message(timeStamp() + text);
}

void DriveTCPthread::report(LinkEvent event, const QString& reason)
{
    if (event == LinkEvent::Stopped || event == LinkEvent::StoppedInFrame)
        log(QStringLiteral("Drive TCP thread stopped"));
    else
        log(eventText(event, reason));
}

// ---- DriveUDPthread ------------------------------------------------------------------------

DriveUDPthread::DriveUDPthread(DriveTCPthread* owner, int port)
    : StatusReceiver(port, StatusFilter{DriveStatus::DatagramSize, DriveStatusPacket::Signature}), m_owner(owner)
{
    // Every change signal is forwarded to the owner's signal of the same name and argument.
    const QMetaObject* mine = metaObject();
    const QMetaObject* theirs = owner->metaObject();
    for (int i = mine->methodOffset(); i < mine->methodCount(); ++i) {
        const QMetaMethod signal = mine->method(i);
        if (signal.methodType() != QMetaMethod::Signal || !signal.name().startsWith("changed"))
            continue;
        const int target = theirs->indexOfSignal(signal.methodSignature().constData());
        Q_ASSERT(target >= 0);
        QObject::connect(this, signal, owner, theirs->method(target));
    }
    start();
}

DriveUDPthread::~DriveUDPthread()
{
    QObject::disconnect(this, nullptr, m_owner, nullptr);
    stopAndJoin();
}

quint32 DriveUDPthread::channelState() const
{
    return m_channelState.load();
}

void DriveUDPthread::datagramReceived(const char* data, int size)
{
    if (!DriveStatus::decode(data, size, m_packet))
        return;
    if (!m_tracker.havePrevious())
        emit statusStarted();
    m_tracker.update(m_packet, [this](const DriveStatus::Change& change) { emitChange(change); });
}

void DriveUDPthread::rejected(const char*, int, bool badSignature)
{
    if (badSignature)
        log(QStringLiteral("Bad signature of drive UDP packet"));
}

void DriveUDPthread::silence()
{
    emit UDPdisconnected();
}

void DriveUDPthread::bindFailed(const QString& reason)
{
    log(QStringLiteral("drive UDP bind() error: ") + reason);
}

void DriveUDPthread::emitChange(const DriveStatus::Change& change)
{
    switch (change.index) {
    case 0:
        emit changedChannelState1(change.u);
        break;
    case 1:
        emit changedChannelState2(change.u);
        break;
    case 2:
        emit changedChannelState3(change.u);
        break;
    case 3:
        emit changedChannelMode1(change.u);
        break;
    case 4:
        emit changedChannelMode2(change.u);
        break;
    case 5:
        emit changedChannelMode3(change.u);
        break;
    case 6:
        emit changedLX1(change.f);
        break;
    case 7:
        emit changedLX2(change.f);
        break;
    case 8:
        emit changedLY(change.f);
        break;
    case 9:
        emit changedA(change.f);
        break;
    case 10:
        emit changedB(change.f);
        break;
    case 11:
        emit changedC(change.f);
        break;
    case 12:
        emit changedD(change.f);
        break;
    case 13:
        emit changedU1(change.f);
        break;
    case 14:
        emit changedU2(change.f);
        break;
    case 15:
        emit changedV(change.f);
        break;
    case 16:
        emit changedX(change.f);
        break;
    case 17:
        emit changedZ(change.f);
        break;
    case 18:
        emit changedPHI(change.f);
        break;
    case 19:
        emit changedMinLimLX(change.f);
        break;
    case 20:
        emit changedMinLimLY(change.f);
        break;
    case 21:
        emit changedMinLimA(change.f);
        break;
    case 22:
        emit changedMinLimB(change.f);
        break;
    case 23:
        emit changedMinLimC(change.f);
        break;
    case 24:
        emit changedMinLimD(change.f);
        break;
    case 25:
        emit changedMinLimU(change.f);
        break;
    case 26:
        emit changedMinLimV(change.f);
        break;
    case 27:
        emit changedMinLimX(change.f);
        break;
    case 28:
        emit changedMinLimZ(change.f);
        break;
    case 29:
        emit changedMinLimPHI(change.f);
        break;
    case 30:
        emit changedMaxLimLX(change.f);
        break;
    case 31:
        emit changedMaxLimLY(change.f);
        break;
    case 32:
        emit changedMaxLimA(change.f);
        break;
    case 33:
        emit changedMaxLimB(change.f);
        break;
    case 34:
        emit changedMaxLimC(change.f);
        break;
    case 35:
        emit changedMaxLimD(change.f);
        break;
    case 36:
        emit changedMaxLimU(change.f);
        break;
    case 37:
        emit changedMaxLimV(change.f);
        break;
    case 38:
        emit changedMaxLimX(change.f);
        break;
    case 39:
        emit changedMaxLimZ(change.f);
        break;
    case 40:
        emit changedMaxLimPHI(change.f);
        break;
    case 41:
        emit changedStateLX1(change.i);
        break;
    case 42:
        emit changedStateLX2(change.i);
        break;
    case 43:
        emit changedStateLY(change.i);
        break;
    case 44:
        emit changedStateA(change.i);
        break;
    case 45:
        emit changedStateB(change.i);
        break;
    case 46:
        emit changedStateC(change.i);
        break;
    case 47:
        emit changedStateD(change.i);
        break;
    case 48:
        emit changedStateU1(change.i);
        break;
    case 49:
        emit changedStateU2(change.i);
        break;
    case 50:
        emit changedStateV(change.i);
        break;
    case 51:
        emit changedVirtualState(change.u);
        break;
    case 52:
        emit changedLXmin(change.b);
        break;
    case 53:
        emit changedLYmin(change.b);
        break;
    case 54:
        emit changedAmin(change.b);
        break;
    case 55:
        emit changedBmin(change.b);
        break;
    case 56:
        emit changedCmin(change.b);
        break;
    case 57:
        emit changedDmin(change.b);
        break;
    case 58:
        emit changedUmin(change.b);
        break;
    case 59:
        emit changedVmin(change.b);
        break;
    case 60:
        emit changedXmin(change.b);
        break;
    case 61:
        emit changedZmin(change.b);
        break;
    case 62:
        emit changedPHImin(change.b);
        break;
    case 63:
        emit changedLXmax(change.b);
        break;
    case 64:
        emit changedLYmax(change.b);
        break;
    case 65:
        emit changedAmax(change.b);
        break;
    case 66:
        emit changedBmax(change.b);
        break;
    case 67:
        emit changedCmax(change.b);
        break;
    case 68:
        emit changedDmax(change.b);
        break;
    case 69:
        emit changedUmax(change.b);
        break;
    case 70:
        emit changedVmax(change.b);
        break;
    case 71:
        emit changedXmax(change.b);
        break;
    case 72:
        emit changedZmax(change.b);
        break;
    case 73:
        emit changedPHImax(change.b);
        break;
    case 74:
        emit changedDoorState(change.u);
        break;
    case 75:
        emit changedTrModuleState(change.u);
        break;
    case 76:
        emit changedDrivePowerState(change.u);
        break;
    case 77:
        emit changedLightState(change.u);
        break;
    case 78:
        emit changedPointNo(change.u);
        break;
    case 79:
        emit changedPortPultRegime(change.u);
        break;
    case 80:
        emit changedAlarmState(change.u);
        break;
    case 81:
        emit changedDrivesOn(change.b);
        break;
    case 82:
        emit changedTransOn(change.b);
        break;
    case 83:
        emit changedPultOn(change.b);
        break;
    case 84:
        emit changedAxisMoving(change.b);
        break;
    case 85:
        emit changedKeyAccess(change.b);
        break;
    case 86:
        emit changedDrivesLock(change.b);
        break;
    case 87:
        emit changedSpiralLock(change.b);
        break;
    case 88:
        emit changedSpiralPower(change.b);
        break;
    case 89:
        emit changedDrivesPower(change.b);
        break;
    case 90:
        emit changedPhaseAlarm(change.b);
        break;
    case 91:
        emit changedMessage(change.u);
        break;
    case 92:
        emit changedMessage(change.u);
        break;
    case 93:
        emit changedMessage(change.u);
        break;
    case 94:
        emit changedMessage(change.u);
        break;
    case 95:
        emit changedCNCError(change.u);
        break;
    }
    if (change.index == 0) {
        m_channelState = change.u;
        m_owner->m_channelState = change.u;
    }
}
