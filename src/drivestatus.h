#pragma once

// The status datagram of the CNC/drive controller: layout, decoding and the compare-and-emit
// step, all without sockets.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstring>

// Byte image of the 296-byte datagram (little-endian on the wire). Decoded values are held in the
// host's byte order.
#pragma pack(push, 1)
struct DriveStatusPacket {
    enum : quint16 { Signature = 0x5650 };  // "PV"
    enum Axis { LX1, LX2, LY, A, B, C, D, U1, U2, V, X, Z, PHI, AxisCount };
    enum Drive { DriveCount = 10 };
    // Limit values and flags: LX and U stand for the pairs LX1/LX2 and U1/U2.
    enum LimitAxis { LimLX, LimLY, LimA, LimB, LimC, LimD, LimU, LimV, LimX, LimZ, LimPHI, LimitCount };

    quint16 signature;
    quint16 unused2;                 // not read
    quint32 channelState[3];
    quint32 channelMode[3];
    float position[AxisCount];       // LX1 ... PHI
    qint32 driveState[DriveCount];   // DriveDiagCode of LX1 ... V
    quint32 virtualState;
    float minLimit[LimitCount];
    float maxLimit[LimitCount];
    quint32 message[4];
    quint32 pointNo;
    quint32 cncError;
    quint32 doorState;
    quint32 trModuleState;
    quint32 drivePowerState;
    quint32 lightState;
    quint32 portPultRegime;
    quint32 alarmState;
    quint8 minFlag[LimitCount];
    quint8 maxFlag[LimitCount];
    quint8 drivesOn;
    quint8 transOn;
    quint8 axisMoving;
    quint8 pultOn;
    quint8 keyAccess;
    quint8 drivesLock;
    quint8 spiralLock;
    quint8 unused289[2];             // not read
    quint8 spiralPower;
    quint8 drivesPower;
    quint8 phaseAlarm;
    quint8 fill[2];                  // fill to the datagram size; not read
};
#pragma pack(pop)

static_assert(sizeof(DriveStatusPacket) == 296, "drive status datagram is 296 bytes");
static_assert(offsetof(DriveStatusPacket, channelState) == 4, "ChannelState1");
static_assert(offsetof(DriveStatusPacket, channelMode) == 16, "ChannelMode1");
static_assert(offsetof(DriveStatusPacket, position) == 28, "LX1");
static_assert(offsetof(DriveStatusPacket, position) + 4 * DriveStatusPacket::X == 68, "X");
static_assert(offsetof(DriveStatusPacket, driveState) == 80, "StateLX1");
static_assert(offsetof(DriveStatusPacket, virtualState) == 120, "VirtualState");
static_assert(offsetof(DriveStatusPacket, minLimit) == 124, "MinLimLX");
static_assert(offsetof(DriveStatusPacket, maxLimit) == 168, "MaxLimLX");
static_assert(offsetof(DriveStatusPacket, message) == 212, "Message");
static_assert(offsetof(DriveStatusPacket, pointNo) == 228, "PointNo");
static_assert(offsetof(DriveStatusPacket, cncError) == 232, "CNCError");
static_assert(offsetof(DriveStatusPacket, doorState) == 236, "DoorState");
static_assert(offsetof(DriveStatusPacket, trModuleState) == 240, "TrModuleState");
static_assert(offsetof(DriveStatusPacket, drivePowerState) == 244, "DrivePowerState");
static_assert(offsetof(DriveStatusPacket, lightState) == 248, "LightState");
static_assert(offsetof(DriveStatusPacket, portPultRegime) == 252, "PortPultRegime");
static_assert(offsetof(DriveStatusPacket, alarmState) == 256, "AlarmState");
static_assert(offsetof(DriveStatusPacket, minFlag) == 260, "LXmin");
static_assert(offsetof(DriveStatusPacket, maxFlag) == 271, "LXmax");
static_assert(offsetof(DriveStatusPacket, drivesOn) == 282, "DrivesOn");
static_assert(offsetof(DriveStatusPacket, transOn) == 283, "TransOn");
static_assert(offsetof(DriveStatusPacket, axisMoving) == 284, "AxisMoving");
static_assert(offsetof(DriveStatusPacket, pultOn) == 285, "PultOn");
static_assert(offsetof(DriveStatusPacket, keyAccess) == 286, "KeyAccess");
static_assert(offsetof(DriveStatusPacket, drivesLock) == 287, "DrivesLock");
static_assert(offsetof(DriveStatusPacket, spiralLock) == 288, "SpiralLock");
static_assert(offsetof(DriveStatusPacket, spiralPower) == 291, "SpiralPower");
static_assert(offsetof(DriveStatusPacket, drivesPower) == 292, "DrivesPower");
static_assert(offsetof(DriveStatusPacket, phaseAlarm) == 293, "PhaseAlarm");

namespace DriveStatus {

constexpr int DatagramSize = int(sizeof(DriveStatusPacket));
// Bytes 0..293 carry every field; the two fill bytes are not compared.
constexpr int ComparedSize = int(offsetof(DriveStatusPacket, fill));

// Decodes a datagram: false (and `out` untouched) unless it is 296 bytes starting with "PV".
bool decode(const char* data, int size, DriveStatusPacket& out);
// The 296 bytes of a packet (the signature is written as it stands in `packet`).
QByteArray encode(const DriveStatusPacket& packet);
// A packet with the signature set and every other byte 0.
DriveStatusPacket blank();

// How a field is compared and emitted.
enum class Kind : quint8 { UInt, Int, Float, Flag };

// One emitted value; `index` is the field's position in emission order (see fieldName()).
struct Change {
    int index;
    Kind kind;
    union {
        quint32 u;
        qint32 i;
        float f;
        bool b;
    };
};

// Fields in emission order: 93 change signals, the Message word appearing four times.
constexpr int FieldCount = 96;
// The signal name of the field at `index` without the "changed" prefix ("ChannelState1",
// "LX1", "Message", ...).
const char* fieldName(int index);
Kind fieldKind(int index);
// True for the axis coordinates: values that only a label shows, of which the latest is all that
// matters when several wait for the GUI thread.
bool isDisplayValue(int index);

// The axis (DriveStatusPacket::Axis) whose coordinate the field at `index` carries, or -1.
int positionAxis(int index);
// The datagram's axis (DriveStatusPacket::Axis) of a console axis name: "LX" is LX1, every other
// name is its own ("LX2", "LY", "A" ... "PHI"); -1 for a name that is no axis of the datagram.
int axisOfName(const QString& name);

// Keeps the previous datagram and reports the fields of the next one that differ from it (all of
// them for the first). u32 and int32 compare as integers, floats as floats (a NaN differs from
// everything, +0 equals -0), flags as bytes (1 to 2 counts) and are reported as bool.
class Tracker
{
public:
    // Calls sink(const Change&) for each changed field, in emission order; returns how many.
    template <typename Sink>
    int update(const DriveStatusPacket& current, Sink&& sink);

    bool havePrevious() const { return m_havePrevious; }
    void reset() { m_havePrevious = false; }

private:
    bool changed(int index, const DriveStatusPacket& current, Change& change) const;

    bool m_havePrevious = false;
    bool m_previousHasNaN = false;
    DriveStatusPacket m_previous{};
};

bool hasNaN(const DriveStatusPacket& packet);

template <typename Sink>
int Tracker::update(const DriveStatusPacket& current, Sink&& sink)
{
    // A steady machine sends the same bytes again and again: one compare settles it, unless a
    // NaN (which differs from itself) has to be reported again.
    if (m_havePrevious && !m_previousHasNaN
        && std::memcmp(&m_previous, &current, size_t(ComparedSize)) == 0)
        return 0;
    int count = 0;
    Change change;
    for (int index = 0; index < FieldCount; ++index) {
        if (changed(index, current, change)) {
            sink(static_cast<const Change&>(change));
            ++count;
        }
    }
    m_previous = current;
    m_previousHasNaN = hasNaN(current);
    m_havePrevious = true;
    return count;
}

}  // namespace DriveStatus
