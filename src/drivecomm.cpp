#include "drivecomm.h"

#include <QDebug>

#include <algorithm>
#include <ctime>
#include <iterator>

namespace {

void log(const QString& text)
{
    qDebug().noquote() << text;
}

const LinkTexts kDriveTexts = {log, "DriveTCPthread: > ", "DRIVE gethostbyname() error: ",
                               "tcp connect() error: ", LinkFrame::PV};

// Axis coordinates go to the GUI thread at most this often, each time the latest (a screen shows
// no more); every other change goes at once and takes the waiting coordinates along.
constexpr int kCoordinateHoldMs = 5;

// Fields by their place in emission order (emitChange below): those that a program start depends
// on, ChannelState1 to ChannelState3 and DrivesOn, and the message words.
constexpr int kChannelState1 = 0;
constexpr int kDrivesOn = 81;
// The first of the four message words.
constexpr int kMessage0 = 91;

std::vector<bool> displayFields()
{
    std::vector<bool> display(DriveStatus::FieldCount);
    for (int i = 0; i < DriveStatus::FieldCount; ++i)
        display[size_t(i)] = DriveStatus::isDisplayValue(i);
    return display;
}

// Emits the change signal of one field on the link.
void emitChange(DriveTCPthread* link, const DriveStatus::Change& change)
{
    switch (change.index) {
    case 0:
        emit link->changedChannelState1(change.u);
        break;
    case 1:
        emit link->changedChannelState2(change.u);
        break;
    case 2:
        emit link->changedChannelState3(change.u);
        break;
    case 3:
        emit link->changedChannelMode1(change.u);
        break;
    case 4:
        emit link->changedChannelMode2(change.u);
        break;
    case 5:
        emit link->changedChannelMode3(change.u);
        break;
    case 6:
        emit link->changedLX1(change.f);
        break;
    case 7:
        emit link->changedLX2(change.f);
        break;
    case 8:
        emit link->changedLY(change.f);
        break;
    case 9:
        emit link->changedA(change.f);
        break;
    case 10:
        emit link->changedB(change.f);
        break;
    case 11:
        emit link->changedC(change.f);
        break;
    case 12:
        emit link->changedD(change.f);
        break;
    case 13:
        emit link->changedU1(change.f);
        break;
    case 14:
        emit link->changedU2(change.f);
        break;
    case 15:
        emit link->changedV(change.f);
        break;
    case 16:
        emit link->changedX(change.f);
        break;
    case 17:
        emit link->changedZ(change.f);
        break;
    case 18:
        emit link->changedPHI(change.f);
        break;
    case 19:
        emit link->changedMinLimLX(change.f);
        break;
    case 20:
        emit link->changedMinLimLY(change.f);
        break;
    case 21:
        emit link->changedMinLimA(change.f);
        break;
    case 22:
        emit link->changedMinLimB(change.f);
        break;
    case 23:
        emit link->changedMinLimC(change.f);
        break;
    case 24:
        emit link->changedMinLimD(change.f);
        break;
    case 25:
        emit link->changedMinLimU(change.f);
        break;
    case 26:
        emit link->changedMinLimV(change.f);
        break;
    case 27:
        emit link->changedMinLimX(change.f);
        break;
    case 28:
        emit link->changedMinLimZ(change.f);
        break;
    case 29:
        emit link->changedMinLimPHI(change.f);
        break;
    case 30:
        emit link->changedMaxLimLX(change.f);
        break;
    case 31:
        emit link->changedMaxLimLY(change.f);
        break;
    case 32:
        emit link->changedMaxLimA(change.f);
        break;
    case 33:
        emit link->changedMaxLimB(change.f);
        break;
    case 34:
        emit link->changedMaxLimC(change.f);
        break;
    case 35:
        emit link->changedMaxLimD(change.f);
        break;
    case 36:
        emit link->changedMaxLimU(change.f);
        break;
    case 37:
        emit link->changedMaxLimV(change.f);
        break;
    case 38:
        emit link->changedMaxLimX(change.f);
        break;
    case 39:
        emit link->changedMaxLimZ(change.f);
        break;
    case 40:
        emit link->changedMaxLimPHI(change.f);
        break;
    case 41:
        emit link->changedStateLX1(change.i);
        break;
    case 42:
        emit link->changedStateLX2(change.i);
        break;
    case 43:
        emit link->changedStateLY(change.i);
        break;
    case 44:
        emit link->changedStateA(change.i);
        break;
    case 45:
        emit link->changedStateB(change.i);
        break;
    case 46:
        emit link->changedStateC(change.i);
        break;
    case 47:
        emit link->changedStateD(change.i);
        break;
    case 48:
        emit link->changedStateU1(change.i);
        break;
    case 49:
        emit link->changedStateU2(change.i);
        break;
    case 50:
        emit link->changedStateV(change.i);
        break;
    case 51:
        emit link->changedVirtualState(change.u);
        break;
    case 52:
        emit link->changedLXmin(change.b);
        break;
    case 53:
        emit link->changedLYmin(change.b);
        break;
    case 54:
        emit link->changedAmin(change.b);
        break;
    case 55:
        emit link->changedBmin(change.b);
        break;
    case 56:
        emit link->changedCmin(change.b);
        break;
    case 57:
        emit link->changedDmin(change.b);
        break;
    case 58:
        emit link->changedUmin(change.b);
        break;
    case 59:
        emit link->changedVmin(change.b);
        break;
    case 60:
        emit link->changedXmin(change.b);
        break;
    case 61:
        emit link->changedZmin(change.b);
        break;
    case 62:
        emit link->changedPHImin(change.b);
        break;
    case 63:
        emit link->changedLXmax(change.b);
        break;
    case 64:
        emit link->changedLYmax(change.b);
        break;
    case 65:
        emit link->changedAmax(change.b);
        break;
    case 66:
        emit link->changedBmax(change.b);
        break;
    case 67:
        emit link->changedCmax(change.b);
        break;
    case 68:
        emit link->changedDmax(change.b);
        break;
    case 69:
        emit link->changedUmax(change.b);
        break;
    case 70:
        emit link->changedVmax(change.b);
        break;
    case 71:
        emit link->changedXmax(change.b);
        break;
    case 72:
        emit link->changedZmax(change.b);
        break;
    case 73:
        emit link->changedPHImax(change.b);
        break;
    case 74:
        emit link->changedDoorState(change.u);
        break;
    case 75:
        emit link->changedTrModuleState(change.u);
        break;
    case 76:
        emit link->changedDrivePowerState(change.u);
        break;
    case 77:
        emit link->changedLightState(change.u);
        break;
    case 78:
        emit link->changedPointNo(change.u);
        break;
    case 79:
        emit link->changedPortPultRegime(change.u);
        break;
    case 80:
        emit link->changedAlarmState(change.u);
        break;
    case 81:
        emit link->changedDrivesOn(change.b);
        break;
    case 82:
        emit link->changedTransOn(change.b);
        break;
    case 83:
        emit link->changedPultOn(change.b);
        break;
    case 84:
        emit link->changedAxisMoving(change.b);
        break;
    case 85:
        emit link->changedKeyAccess(change.b);
        break;
    case 86:
        emit link->changedDrivesLock(change.b);
        break;
    case 87:
        emit link->changedSpiralLock(change.b);
        break;
    case 88:
        emit link->changedSpiralPower(change.b);
        break;
    case 89:
        emit link->changedDrivesPower(change.b);
        break;
    case 90:
        emit link->changedPhaseAlarm(change.b);
        break;
    case kMessage0:
    case kMessage0 + 1:
    case kMessage0 + 2:
    case kMessage0 + 3:
        emit link->messageWordChanged(change.index - kMessage0, change.u);
        emit link->changedMessage(change.u);
        break;
    case 95:
        emit link->changedCNCError(change.u);
        break;
    }
}

}  // namespace

// ---- DriveTCPthread ------------------------------------------------------------------------

DriveTCPthread::DriveTCPthread() : FramedLink(kDriveTexts), m_status(displayFields(), kCoordinateHoldMs)
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
    arm(partner, QObject::connect(partner, &DriveUDPthread::UDPdisconnected, this, &DriveTCPthread::UDPdisconnected));
    start();
    return true;
}

quint32 DriveTCPthread::channelState() const
{
    return m_channelState.load();
}

DriveReadiness DriveTCPthread::readiness() const
{
    DriveReadiness readiness = m_reported;
    readiness.known = statusKnown();
    return readiness;
}

QString DriveTCPthread::timeStamp()
{
    return linkTimeStamp(std::time(nullptr));
}

bool DriveTCPthread::reportedPosition(int axis, float* value) const
{
    if (axis < 0 || axis >= DriveStatusPacket::AxisCount || !m_positionKnown[axis])
        return false;
    *value = m_position[axis];
    return true;
}

void DriveTCPthread::setStatusKnown(bool known)
{
    if (!known) {
        m_reported = DriveReadiness();
        std::fill(std::begin(m_positionKnown), std::end(m_positionKnown), false);
    }
    if (takeStatusKnown(known))
        emit statusKnownChanged(known);
}

void DriveTCPthread::notSent(const QString& text)
{
    emit commandNotSent(text);
}

void DriveTCPthread::foreignSender(const QString& sender)
{
    emit statusFromForeignSender(sender);
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
    flushTexts();
    log(QStringLiteral("DriveTCPthread finished"));
    release();
    m_status.flush(this);  // what still waits comes before disconnected()
    m_channelState = 0;
    emit disconnected();
}

void DriveTCPthread::deliverStatus()
{
    m_status.deliver(
        [this](const DriveStatus::Change& change) {
            // Noted first: a receiver of the signal reads it back.
            if (change.index >= kChannelState1 && change.index < kChannelState1 + 3)
                m_reported.channels[change.index - kChannelState1] = change.u;
            else if (change.index == kDrivesOn)
                m_reported.drivesOn = change.b;
            else if (const int axis = DriveStatus::positionAxis(change.index); axis >= 0) {
                m_position[axis] = change.f;
                m_positionKnown[axis] = true;
            }
            emitChange(this, change);
        },
        [this](int count) { emit statusChangesDropped(count); });
}

bool DriveTCPthread::acceptsSignature(quint16 signature) const
{
    return signature == LinkFrame::PV;
}

void DriveTCPthread::frameReceived(quint16, const QByteArray& payload, bool)
{
    // A frame cut short gives what arrived.
    takeText(payloadText(payload));
}

void DriveTCPthread::textPassed(const QString& line)
{
    log(QStringLiteral("DriveTCPthread: < ") + line);
    emit message(timeStamp() + line);
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
    : StatusReceiver(port, StatusFilter{DriveStatus::DatagramSize, DriveStatusPacket::Signature, owner->peerAddress()}),
      m_owner(owner)
{
    // Wired before the thread starts: the controller streams already, and the first datagram may
    // be decoded before the link's connect() returns.
    QObject::connect(this, &DriveUDPthread::statusStarted, owner, [owner] { owner->setStatusKnown(true); });
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

bool DriveUDPthread::datagramReceived(const char* data, int size)
{
    if (!DriveStatus::decode(data, size, m_packet))
        return false;
    // Posted to the link before the first changes, so the status counts as known when they come.
    if (!m_tracker.havePrevious())
        emit statusStarted();
    DriveStatus::Change changes[DriveStatus::FieldCount];
    int count = 0;
    m_tracker.update(m_packet, [&](const DriveStatus::Change& change) { changes[count++] = change; });
    if (count > 0 && changes[0].index == 0) {
        m_channelState = changes[0].u;
        m_owner->m_channelState = changes[0].u;
    }
    m_owner->m_status.push(m_owner, changes, count, gathered());
    return true;
}

void DriveUDPthread::rejected(const char*, int, bool badSignature)
{
    if (badSignature)
        log(QStringLiteral("Bad signature of drive UDP packet"));
}

void DriveUDPthread::foreignSender(quint32 address)
{
    m_owner->noteForeignSender(address);
}

void DriveUDPthread::silence()
{
    emit UDPdisconnected();
}

void DriveUDPthread::quiet()
{
    m_owner->m_status.push(m_owner, nullptr, 0);  // coordinates held back go on
}

void DriveUDPthread::drained()
{
    m_owner->m_status.release(m_owner);  // coordinates held back go on before the pause
}

void DriveUDPthread::bindFailed(const QString& reason)
{
    log(QStringLiteral("drive UDP bind() error: ") + reason);
}
