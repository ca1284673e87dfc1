#include "kvspackets.h"

#include <QTextCodec>

#include <cstring>

using StatusField::Kind;

namespace {

QTextCodec* cp1251()
{
    static QTextCodec* const codec = [] {
        QTextCodec* found = QTextCodec::codecForName("CP1251");
        return found ? found : QTextCodec::codecForName("windows-1251");
    }();
    return codec;
}

template<typename Packet>
VacuumStatus::Verdict take(const QByteArray& datagram, Packet& packet)
{
    if (datagram.size() != int(sizeof(Packet)))
        return VacuumStatus::Verdict::WrongSize;
    quint16 signature = 0;
    std::memcpy(&signature, datagram.constData(), sizeof signature);
    if (signature != kVacuumTextSignature)
        return VacuumStatus::Verdict::BadSignature;
    std::memcpy(&packet, datagram.constData(), sizeof(Packet));
    return VacuumStatus::Verdict::Accepted;
}

template<typename Packet>
QByteArray bytesOf(const Packet& packet)
{
    return QByteArray(reinterpret_cast<const char*>(&packet), int(sizeof(Packet)));
}

}  // namespace

QString VacConstRecord::nameText() const
{
    const void* end = std::memchr(name, '\0', sizeof name);
    const int length = end ? int(static_cast<const char*>(end) - name) : int(sizeof name);
    return cp1251()->toUnicode(name, length);
}

namespace VacuumStatus {

const QVector<StatusField::Field>& kvsFields()
{
    static const QVector<StatusField::Field> fields = {
        {"changedNL1State(int)", offsetof(KvsStatusPacket, NL1State), Kind::Int32},
        {"changedNL1Power(int)", offsetof(KvsStatusPacket, NL1Power), Kind::Int32},
        {"changedNL1Thermal(int)", offsetof(KvsStatusPacket, NL1Thermal), Kind::Int32},
        {"changedNL1Error(int)", offsetof(KvsStatusPacket, NL1Error), Kind::Int32},
        {"changedNL2State(int)", offsetof(KvsStatusPacket, NL2State), Kind::Int32},
        {"changedNL2Power(int)", offsetof(KvsStatusPacket, NL2Power), Kind::Int32},
        {"changedNL2Thermal(int)", offsetof(KvsStatusPacket, NL2Thermal), Kind::Int32},
        {"changedNL2Error(int)", offsetof(KvsStatusPacket, NL2Error), Kind::Int32},
        {"changedNZ1State(int)", offsetof(KvsStatusPacket, NZ1State), Kind::Int32},
        {"changedNZ1Power(int)", offsetof(KvsStatusPacket, NZ1Power), Kind::Int32},
        {"changedNZ1Thermal(int)", offsetof(KvsStatusPacket, NZ1Thermal), Kind::Int32},
        {"changedNZ1Error(int)", offsetof(KvsStatusPacket, NZ1Error), Kind::Int32},
        {"changedNZ2State(int)", offsetof(KvsStatusPacket, NZ2State), Kind::Int32},
        {"changedNZ2Power(int)", offsetof(KvsStatusPacket, NZ2Power), Kind::Int32},
        {"changedNZ2Thermal(int)", offsetof(KvsStatusPacket, NZ2Thermal), Kind::Int32},
        {"changedNZ2Error(int)", offsetof(KvsStatusPacket, NZ2Error), Kind::Int32},
        {"changedND1State(int)", offsetof(KvsStatusPacket, ND1State), Kind::Int32},
        {"changedND1Power(int)", offsetof(KvsStatusPacket, ND1Power), Kind::Int32},
        {"changedND1Thermal(int)", offsetof(KvsStatusPacket, ND1Thermal), Kind::Int32},
        {"changedND1Error(int)", offsetof(KvsStatusPacket, ND1Error), Kind::Int32},
        {"changedNW2State(int)", offsetof(KvsStatusPacket, NW2State), Kind::Int32},
        {"changedNW2Power(int)", offsetof(KvsStatusPacket, NW2Power), Kind::Int32},
        {"changedNW2Thermal(int)", offsetof(KvsStatusPacket, NW2Thermal), Kind::Int32},
        {"changedNW2Error(int)", offsetof(KvsStatusPacket, NW2Error), Kind::Int32},
        {"changedVP1State(int)", offsetof(KvsStatusPacket, VP1State), Kind::Int32},
        {"changedVP1Opened(int)", offsetof(KvsStatusPacket, VP1Opened), Kind::Int32},
        {"changedVP1Closed(int)", offsetof(KvsStatusPacket, VP1Closed), Kind::Int32},
        {"changedVP2State(int)", offsetof(KvsStatusPacket, VP2State), Kind::Int32},
        {"changedVP2Opened(int)", offsetof(KvsStatusPacket, VP2Opened), Kind::Int32},
        {"changedVP2Closed(int)", offsetof(KvsStatusPacket, VP2Closed), Kind::Int32},
        {"changedVP3State(int)", offsetof(KvsStatusPacket, VP3State), Kind::Int32},
        {"changedVP3Opened(int)", offsetof(KvsStatusPacket, VP3Opened), Kind::Int32},
        {"changedVP3Closed(int)", offsetof(KvsStatusPacket, VP3Closed), Kind::Int32},
        {"changedVP5State(int)", offsetof(KvsStatusPacket, VP5State), Kind::Int32},
        {"changedVP5Opened(int)", offsetof(KvsStatusPacket, VP5Opened), Kind::Int32},
        {"changedVP5Closed(int)", offsetof(KvsStatusPacket, VP5Closed), Kind::Int32},
        {"changedVP6State(int)", offsetof(KvsStatusPacket, VP6State), Kind::Int32},
        {"changedVP6Opened(int)", offsetof(KvsStatusPacket, VP6Opened), Kind::Int32},
        {"changedVP6Closed(int)", offsetof(KvsStatusPacket, VP6Closed), Kind::Int32},
        {"changedVP7State(int)", offsetof(KvsStatusPacket, VP7State), Kind::Int32},
        {"changedVP7Opened(int)", offsetof(KvsStatusPacket, VP7Opened), Kind::Int32},
        {"changedVP7Closed(int)", offsetof(KvsStatusPacket, VP7Closed), Kind::Int32},
        {"changedNL1LockOn(int)", offsetof(KvsStatusPacket, NL1LockOn), Kind::Int32},
        {"changedNL2LockOn(int)", offsetof(KvsStatusPacket, NL2LockOn), Kind::Int32},
        {"changedNZ1LockOn(int)", offsetof(KvsStatusPacket, NZ1LockOn), Kind::Int32},
        {"changedNZ2LockOn(int)", offsetof(KvsStatusPacket, NZ2LockOn), Kind::Int32},
        {"changedND1LockOn(int)", offsetof(KvsStatusPacket, ND1LockOn), Kind::Int32},
        {"changedNW2LockOn(int)", offsetof(KvsStatusPacket, NW2LockOn), Kind::Int32},
        {"changedNL1LockOff(int)", offsetof(KvsStatusPacket, NL1LockOff), Kind::Int32},
        {"changedNL2LockOff(int)", offsetof(KvsStatusPacket, NL2LockOff), Kind::Int32},
        {"changedNZ1LockOff(int)", offsetof(KvsStatusPacket, NZ1LockOff), Kind::Int32},
        {"changedNZ2LockOff(int)", offsetof(KvsStatusPacket, NZ2LockOff), Kind::Int32},
        {"changedND1LockOff(int)", offsetof(KvsStatusPacket, ND1LockOff), Kind::Int32},
        {"changedNW2LockOff(int)", offsetof(KvsStatusPacket, NW2LockOff), Kind::Int32},
        {"changedVP1LockOn(int)", offsetof(KvsStatusPacket, VP1LockOn), Kind::Int32},
        {"changedVP2LockOn(int)", offsetof(KvsStatusPacket, VP2LockOn), Kind::Int32},
        {"changedVP3LockOn(int)", offsetof(KvsStatusPacket, VP3LockOn), Kind::Int32},
        {"changedVP5LockOn(int)", offsetof(KvsStatusPacket, VP5LockOn), Kind::Int32},
        {"changedVP6LockOn(int)", offsetof(KvsStatusPacket, VP6LockOn), Kind::Int32},
        {"changedVP7LockOn(int)", offsetof(KvsStatusPacket, VP7LockOn), Kind::Int32},
        {"changedVP1LockOff(int)", offsetof(KvsStatusPacket, VP1LockOff), Kind::Int32},
        {"changedVP2LockOff(int)", offsetof(KvsStatusPacket, VP2LockOff), Kind::Int32},
        {"changedVP3LockOff(int)", offsetof(KvsStatusPacket, VP3LockOff), Kind::Int32},
        {"changedVP5LockOff(int)", offsetof(KvsStatusPacket, VP5LockOff), Kind::Int32},
        {"changedVP6LockOff(int)", offsetof(KvsStatusPacket, VP6LockOff), Kind::Int32},
        {"changedVP7LockOff(int)", offsetof(KvsStatusPacket, VP7LockOff), Kind::Int32},
        {"changedPTState(int)", offsetof(KvsStatusPacket, PTState), Kind::Int32},
        {"changedLEDState(int)", offsetof(KvsStatusPacket, LEDState), Kind::Int32},
        {"changedSpiralState(int)", offsetof(KvsStatusPacket, SpiralState), Kind::Int32},
        {"changedAlgNumber(int)", offsetof(KvsStatusPacket, AlgNumber), Kind::Int32},
        {"changedAlgState(int)", offsetof(KvsStatusPacket, AlgState), Kind::Int32},
        {"changedAlgTime(int)", offsetof(KvsStatusPacket, AlgTime), Kind::Int32},
        {"changedPT1Valid(bool)", offsetof(KvsStatusPacket, PT1Valid), Kind::Flag},
        {"changedPT2Valid(bool)", offsetof(KvsStatusPacket, PT2Valid), Kind::Flag},
        {"changedPT3Valid(bool)", offsetof(KvsStatusPacket, PT3Valid), Kind::Flag},
        {"changedPowerPT(bool)", offsetof(KvsStatusPacket, PowerPT), Kind::Flag},
        {"changedPower380V(bool)", offsetof(KvsStatusPacket, Power380V), Kind::Flag},
        {"changedPower110V(bool)", offsetof(KvsStatusPacket, Power110V), Kind::Flag},
        {"changedPower24V(bool)", offsetof(KvsStatusPacket, Power24V), Kind::Flag},
        {"changedPowerDischarge(bool)", offsetof(KvsStatusPacket, PowerDischarge), Kind::Flag},
        {"changedPowerFan(bool)", offsetof(KvsStatusPacket, PowerFan), Kind::Flag},
        {"changedEmStop(bool)", offsetof(KvsStatusPacket, EmStop), Kind::Flag},
        {"changedRopeAlarm(bool)", offsetof(KvsStatusPacket, RopeAlarm), Kind::Flag},
        {"changedPowerSHUK(bool)", offsetof(KvsStatusPacket, PowerSHUK), Kind::Flag},
        {"changedPowerKVK(bool)", offsetof(KvsStatusPacket, PowerKVK), Kind::Flag},
        {"changedDoorClosed(bool)", offsetof(KvsStatusPacket, DoorClosed), Kind::Flag},
        {"changedPT1(double)", offsetof(KvsStatusPacket, PT1), Kind::Double, true},
        {"changedPT2(double)", offsetof(KvsStatusPacket, PT2), Kind::Double, true},
        {"changedPT3(double)", offsetof(KvsStatusPacket, PT3), Kind::Double, true},
        {"changedTempCorpND(float)", offsetof(KvsStatusPacket, TempCorpND), Kind::Float, true},
        {"changedTempOilND(float)", offsetof(KvsStatusPacket, TempOilND), Kind::Float, true},
        {"changedTemp1(float)", offsetof(KvsStatusPacket, Temp1), Kind::Float, true},
        {"changedTemp2(float)", offsetof(KvsStatusPacket, Temp2), Kind::Float, true},
        {"changedTemp3(float)", offsetof(KvsStatusPacket, Temp3), Kind::Float, true},
        {"changedTemp4(float)", offsetof(KvsStatusPacket, Temp4), Kind::Float, true},
        {"changedTemp5(float)", offsetof(KvsStatusPacket, Temp5), Kind::Float, true},
        {"changedTemp6(float)", offsetof(KvsStatusPacket, Temp6), Kind::Float, true},
        {"changedTemp7(float)", offsetof(KvsStatusPacket, Temp7), Kind::Float, true},
        {"changedTemp8(float)", offsetof(KvsStatusPacket, Temp8), Kind::Float, true},
        {"changedDisch1(float)", offsetof(KvsStatusPacket, Disch1), Kind::Float, true},
        {"changedDisch2(float)", offsetof(KvsStatusPacket, Disch2), Kind::Float, true},
        {"changedDisch3(float)", offsetof(KvsStatusPacket, Disch3), Kind::Float, true},
        {"changedDisch4(float)", offsetof(KvsStatusPacket, Disch4), Kind::Float, true},
        {"changedDisch5(float)", offsetof(KvsStatusPacket, Disch5), Kind::Float, true},
        {"changedDisch6(float)", offsetof(KvsStatusPacket, Disch6), Kind::Float, true},
        {"changedDisch7(float)", offsetof(KvsStatusPacket, Disch7), Kind::Float, true},
        {"changedDisch8(float)", offsetof(KvsStatusPacket, Disch8), Kind::Float, true},
    };
    return fields;
}

const QVector<StatusField::Field>& kvkFields()
{
    static const QVector<StatusField::Field> fields = {
        {"changedVP4State(int)", offsetof(KvkStatusPacket, VP4State), Kind::Int32},
        {"changedVP4Opened(int)", offsetof(KvkStatusPacket, VP4Opened), Kind::Int32},
        {"changedVP4Closed(int)", offsetof(KvkStatusPacket, VP4Closed), Kind::Int32},
        {"changedVP8State(int)", offsetof(KvkStatusPacket, VP8State), Kind::Int32},
        {"changedVP8Opened(int)", offsetof(KvkStatusPacket, VP8Opened), Kind::Int32},
        {"changedVP8Closed(int)", offsetof(KvkStatusPacket, VP8Closed), Kind::Int32},
        {"changedDoorState(int)", offsetof(KvkStatusPacket, DoorState), Kind::Int32},
        {"changedDoorUnpressed(int)", offsetof(KvkStatusPacket, DoorUnpressed), Kind::Int32},
        {"changedDoorPressed(int)", offsetof(KvkStatusPacket, DoorPressed), Kind::Int32},
        {"changedVP4LockOn(int)", offsetof(KvkStatusPacket, VP4LockOn), Kind::Int32},
        {"changedVP8LockOn(int)", offsetof(KvkStatusPacket, VP8LockOn), Kind::Int32},
        {"changedDoorLockOn(int)", offsetof(KvkStatusPacket, DoorLockOn), Kind::Int32},
        {"changedVP4LockOff(int)", offsetof(KvkStatusPacket, VP4LockOff), Kind::Int32},
        {"changedVP8LockOff(int)", offsetof(KvkStatusPacket, VP8LockOff), Kind::Int32},
        {"changedDoorLockOff(int)", offsetof(KvkStatusPacket, DoorLockOff), Kind::Int32},
        {"changedPT4(double)", offsetof(KvkStatusPacket, PT4), Kind::Double, true},
        {"changedPT5(double)", offsetof(KvkStatusPacket, PT5), Kind::Double, true},
        {"changedPT4Valid(bool)", offsetof(KvkStatusPacket, PT4Valid), Kind::Flag},
        {"changedPT5Valid(bool)", offsetof(KvkStatusPacket, PT5Valid), Kind::Flag},
        {"changedPressureOK(bool)", offsetof(KvkStatusPacket, PressureOK), Kind::Flag},
        {"changedNP1Power(bool)", offsetof(KvkStatusPacket, NP1Power), Kind::Flag},
        {"changedNW1Power(bool)", offsetof(KvkStatusPacket, NW1Power), Kind::Flag},
        {"changedDrivesLock(bool)", offsetof(KvkStatusPacket, DrivesLock), Kind::Flag},
        {"changedSpiralLock(bool)", offsetof(KvkStatusPacket, SpiralLock), Kind::Flag},
        {"changedShutdownLock(bool)", offsetof(KvkStatusPacket, ShutdownLock), Kind::Flag},
        {"changedAlgRun(uint)", offsetof(KvkStatusPacket, AlgRun), Kind::UInt32},
        {"changedAlgNumber(uint)", offsetof(KvkStatusPacket, AlgNumber), Kind::UInt32},
        {"changedAlgTime(uint)", offsetof(KvkStatusPacket, AlgTime), Kind::UInt32},
        {"changedBKUValid(int)", offsetof(KvkStatusPacket, BKUValid), Kind::Int32},
        {"changedStateVPT(int)", offsetof(KvkStatusPacket, StateVPT), Kind::Int32},
        {"changedStateVE(int)", offsetof(KvkStatusPacket, StateVE), Kind::Int32},
        {"changedStateTMN(int)", offsetof(KvkStatusPacket, StateTMN), Kind::Int32},
        {"changedStateACC(uint)", offsetof(KvkStatusPacket, StateACC), Kind::UInt32},
        {"changedStateNET(uint)", offsetof(KvkStatusPacket, StateNET), Kind::UInt32},
        {"changedStateMP(uint)", offsetof(KvkStatusPacket, StateMP), Kind::UInt32},
        {"changedStateLocks(uint)", offsetof(KvkStatusPacket, StateLocks), Kind::UInt32},
        {"changedPT6(float)", offsetof(KvkStatusPacket, PT6), Kind::Float, true},
        {"changedTMNFreq(float)", offsetof(KvkStatusPacket, TMNFreq), Kind::Float},
    };
    return fields;
}

Verdict decode(const QByteArray& datagram, KvsStatusPacket& packet) { return take(datagram, packet); }
Verdict decode(const QByteArray& datagram, KvkStatusPacket& packet) { return take(datagram, packet); }

QByteArray encode(const KvsStatusPacket& packet) { return bytesOf(packet); }
QByteArray encode(const KvkStatusPacket& packet) { return bytesOf(packet); }

QVector<StatusField::Change> changes(const KvsStatusPacket* previous, const KvsStatusPacket& current)
{
    return StatusField::changes(kvsFields(), reinterpret_cast<const uchar*>(previous),
                                reinterpret_cast<const uchar*>(&current));
}

QVector<StatusField::Change> changes(const KvkStatusPacket* previous, const KvkStatusPacket& current)
{
    return StatusField::changes(kvkFields(), reinterpret_cast<const uchar*>(previous),
                                reinterpret_cast<const uchar*>(&current));
}

}  // namespace VacuumStatus

namespace VacConsts {

int parse(const QByteArray& payload, VacConstRecord* table)
{
    const int count = qMin(payload.size() / int(sizeof(VacConstRecord)), kVacConstCapacity);
    if (count > 0)
        std::memcpy(table, payload.constData(), size_t(count) * sizeof(VacConstRecord));
    return count;
}

QByteArray encode(const QVector<VacConstRecord>& records)
{
    return QByteArray(reinterpret_cast<const char*>(records.constData()),
                      records.size() * int(sizeof(VacConstRecord)));
}

VacConstRecord make(qint32 id, float value, const QString& name)
{
    VacConstRecord record;
    std::memset(&record, 0, sizeof record);
    record.id = id;
    record.value = value;
    const QByteArray bytes = cp1251()->fromUnicode(name).left(int(sizeof record.name) - 1);
    std::memcpy(record.name, bytes.constData(), size_t(bytes.size()));
    return record;
}

}  // namespace VacConsts
