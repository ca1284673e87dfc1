#include "drivestatus.h"

#include <QtEndian>

#include <cmath>

namespace DriveStatus {

namespace {

struct Field {
    const char* name;
    Kind kind;
    quint16 offset;
};

#define DS_AT(member) quint16(offsetof(DriveStatusPacket, member))
#define DS_ELEM(member, i) quint16(offsetof(DriveStatusPacket, member) + 4 * (i))
#define DS_BYTE(member, i) quint16(offsetof(DriveStatusPacket, member) + (i))

// Emission order of the change signals.
const Field kFields[FieldCount] = {
    {"ChannelState1", Kind::UInt, DS_ELEM(channelState, 0)},
    {"ChannelState2", Kind::UInt, DS_ELEM(channelState, 1)},
    {"ChannelState3", Kind::UInt, DS_ELEM(channelState, 2)},
    {"ChannelMode1", Kind::UInt, DS_ELEM(channelMode, 0)},
    {"ChannelMode2", Kind::UInt, DS_ELEM(channelMode, 1)},
    {"ChannelMode3", Kind::UInt, DS_ELEM(channelMode, 2)},
    {"LX1", Kind::Float, DS_ELEM(position, DriveStatusPacket::LX1)},
    {"LX2", Kind::Float, DS_ELEM(position, DriveStatusPacket::LX2)},
    {"LY", Kind::Float, DS_ELEM(position, DriveStatusPacket::LY)},
    {"A", Kind::Float, DS_ELEM(position, DriveStatusPacket::A)},
    {"B", Kind::Float, DS_ELEM(position, DriveStatusPacket::B)},
    {"C", Kind::Float, DS_ELEM(position, DriveStatusPacket::C)},
    {"D", Kind::Float, DS_ELEM(position, DriveStatusPacket::D)},
    {"U1", Kind::Float, DS_ELEM(position, DriveStatusPacket::U1)},
    {"U2", Kind::Float, DS_ELEM(position, DriveStatusPacket::U2)},
    {"V", Kind::Float, DS_ELEM(position, DriveStatusPacket::V)},
    {"X", Kind::Float, DS_ELEM(position, DriveStatusPacket::X)},
    {"Z", Kind::Float, DS_ELEM(position, DriveStatusPacket::Z)},
    {"PHI", Kind::Float, DS_ELEM(position, DriveStatusPacket::PHI)},
    {"MinLimLX", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimLX)},
    {"MinLimLY", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimLY)},
    {"MinLimA", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimA)},
    {"MinLimB", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimB)},
    {"MinLimC", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimC)},
    {"MinLimD", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimD)},
    {"MinLimU", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimU)},
    {"MinLimV", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimV)},
    {"MinLimX", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimX)},
    {"MinLimZ", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimZ)},
    {"MinLimPHI", Kind::Float, DS_ELEM(minLimit, DriveStatusPacket::LimPHI)},
    {"MaxLimLX", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimLX)},
    {"MaxLimLY", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimLY)},
    {"MaxLimA", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimA)},
    {"MaxLimB", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimB)},
    {"MaxLimC", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimC)},
    {"MaxLimD", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimD)},
    {"MaxLimU", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimU)},
    {"MaxLimV", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimV)},
    {"MaxLimX", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimX)},
    {"MaxLimZ", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimZ)},
    {"MaxLimPHI", Kind::Float, DS_ELEM(maxLimit, DriveStatusPacket::LimPHI)},
    {"StateLX1", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::LX1)},
    {"StateLX2", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::LX2)},
    {"StateLY", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::LY)},
    {"StateA", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::A)},
    {"StateB", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::B)},
    {"StateC", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::C)},
    {"StateD", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::D)},
    {"StateU1", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::U1)},
    {"StateU2", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::U2)},
    {"StateV", Kind::Int, DS_ELEM(driveState, DriveStatusPacket::V)},
    {"VirtualState", Kind::UInt, DS_AT(virtualState)},
    {"LXmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimLX)},
    {"LYmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimLY)},
    {"Amin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimA)},
    {"Bmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimB)},
    {"Cmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimC)},
    {"Dmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimD)},
    {"Umin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimU)},
    {"Vmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimV)},
    {"Xmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimX)},
    {"Zmin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimZ)},
    {"PHImin", Kind::Flag, DS_BYTE(minFlag, DriveStatusPacket::LimPHI)},
    {"LXmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimLX)},
    {"LYmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimLY)},
    {"Amax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimA)},
    {"Bmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimB)},
    {"Cmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimC)},
    {"Dmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimD)},
    {"Umax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimU)},
    {"Vmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimV)},
    {"Xmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimX)},
    {"Zmax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimZ)},
    {"PHImax", Kind::Flag, DS_BYTE(maxFlag, DriveStatusPacket::LimPHI)},
    {"DoorState", Kind::UInt, DS_AT(doorState)},
    {"TrModuleState", Kind::UInt, DS_AT(trModuleState)},
    {"DrivePowerState", Kind::UInt, DS_AT(drivePowerState)},
    {"LightState", Kind::UInt, DS_AT(lightState)},
    {"PointNo", Kind::UInt, DS_AT(pointNo)},
    {"PortPultRegime", Kind::UInt, DS_AT(portPultRegime)},
    {"AlarmState", Kind::UInt, DS_AT(alarmState)},
    {"DrivesOn", Kind::Flag, DS_AT(drivesOn)},
    {"TransOn", Kind::Flag, DS_AT(transOn)},
    {"PultOn", Kind::Flag, DS_AT(pultOn)},
    {"AxisMoving", Kind::Flag, DS_AT(axisMoving)},
    {"KeyAccess", Kind::Flag, DS_AT(keyAccess)},
    {"DrivesLock", Kind::Flag, DS_AT(drivesLock)},
    {"SpiralLock", Kind::Flag, DS_AT(spiralLock)},
    {"SpiralPower", Kind::Flag, DS_AT(spiralPower)},
    {"DrivesPower", Kind::Flag, DS_AT(drivesPower)},
    {"PhaseAlarm", Kind::Flag, DS_AT(phaseAlarm)},
    {"Message", Kind::UInt, DS_ELEM(message, 0)},
    {"Message", Kind::UInt, DS_ELEM(message, 1)},
    {"Message", Kind::UInt, DS_ELEM(message, 2)},
    {"Message", Kind::UInt, DS_ELEM(message, 3)},
    {"CNCError", Kind::UInt, DS_AT(cncError)},
};

#undef DS_AT
#undef DS_ELEM
#undef DS_BYTE

// Every 32-bit field of the packet, for the byte-order conversion (offsets of the u32, int32 and
// float fields; the two u16 at the start are handled on their own).
template <typename Convert>
void forEachWord(DriveStatusPacket& packet, Convert convert)
{
    char* base = reinterpret_cast<char*>(&packet);
    for (int offset = int(offsetof(DriveStatusPacket, channelState));
         offset < int(offsetof(DriveStatusPacket, minFlag)); offset += 4)
        convert(base + offset);
}

template <typename T>
T fieldAt(const DriveStatusPacket& packet, int offset)
{
    T value;
    std::memcpy(&value, reinterpret_cast<const char*>(&packet) + offset, sizeof value);
    return value;
}

}  // namespace

bool decode(const char* data, int size, DriveStatusPacket& out)
{
    if (size != DatagramSize || qFromLittleEndian<quint16>(data) != DriveStatusPacket::Signature)
        return false;
    std::memcpy(&out, data, sizeof out);
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
    out.signature = qFromLittleEndian(out.signature);
    out.unused2 = qFromLittleEndian(out.unused2);
    forEachWord(out, [](char* word) { qToBigEndian(qFromLittleEndian<quint32>(word), word); });
#endif
    return true;
}

QByteArray encode(const DriveStatusPacket& packet)
{
    DriveStatusPacket wire = packet;
#if Q_BYTE_ORDER != Q_LITTLE_ENDIAN
    wire.signature = qToLittleEndian(wire.signature);
    wire.unused2 = qToLittleEndian(wire.unused2);
    forEachWord(wire, [](char* word) { qToLittleEndian(qFromBigEndian<quint32>(word), word); });
#endif
    return QByteArray(reinterpret_cast<const char*>(&wire), DatagramSize);
}

DriveStatusPacket blank()
{
    DriveStatusPacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.signature = DriveStatusPacket::Signature;
    return packet;
}

const char* fieldName(int index)
{
    return index >= 0 && index < FieldCount ? kFields[index].name : "";
}

Kind fieldKind(int index)
{
    return kFields[index].kind;
}

bool isDisplayValue(int index)
{
    return index >= 0 && index < FieldCount && kFields[index].offset >= offsetof(DriveStatusPacket, position)
           && kFields[index].offset < offsetof(DriveStatusPacket, driveState);
}

int positionAxis(int index)
{
    if (!isDisplayValue(index))
        return -1;
    return int((kFields[index].offset - offsetof(DriveStatusPacket, position)) / sizeof(float));
}

int axisOfName(const QString& name)
{
    static const char* const names[DriveStatusPacket::AxisCount] = {"LX", "LX2", "LY", "A", "B",   "C",  "D",
                                                                    "U1", "U2",  "V",  "X", "Z",   "PHI"};
    for (int axis = 0; axis < DriveStatusPacket::AxisCount; ++axis) {
        if (name == QLatin1String(names[axis]))
            return axis;
    }
    return -1;
}

bool hasNaN(const DriveStatusPacket& packet)
{
    for (const Field& field : kFields) {
        if (field.kind == Kind::Float && std::isnan(fieldAt<float>(packet, field.offset)))
            return true;
    }
    return false;
}

bool Tracker::changed(int index, const DriveStatusPacket& current, Change& change) const
{
    const Field& field = kFields[index];
    change.index = index;
    change.kind = field.kind;
    switch (field.kind) {
    case Kind::UInt:
        change.u = fieldAt<quint32>(current, field.offset);
        return !m_havePrevious || change.u != fieldAt<quint32>(m_previous, field.offset);
    case Kind::Int:
        change.i = fieldAt<qint32>(current, field.offset);
        return !m_havePrevious || change.i != fieldAt<qint32>(m_previous, field.offset);
    case Kind::Float: {
        change.f = fieldAt<float>(current, field.offset);
        // Compared as floats on purpose: NaN != NaN, +0 == -0.
        return !m_havePrevious || change.f != fieldAt<float>(m_previous, field.offset);
    }
    case Kind::Flag: {
        const quint8 byte = fieldAt<quint8>(current, field.offset);
        change.b = byte != 0;
        return !m_havePrevious || byte != fieldAt<quint8>(m_previous, field.offset);
    }
    }
    return false;
}

}  // namespace DriveStatus
