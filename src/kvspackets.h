#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <cstddef>

#include "statusfield.h"

// Wire formats of the two vacuum controllers: the status datagrams of the vacuum-system
// controller (KvsStatusPacket) and of the vacuum/door controller (KvkStatusPacket), and the
// records of their constants tables. Everything is little-endian and packed; the structures are
// filled by copying the received bytes, so the console must run on a little-endian machine.

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the vacuum packets are read by plain copies");

// Signature of text frames and of both status datagrams: the bytes 'P' 'V'.
constexpr quint16 kVacuumTextSignature = 0x5650;
// Signatures of the constants frames: 'Q' 'V' from the vacuum/door controller, 'R' 'V' from the
// vacuum-system controller.
constexpr quint16 kKvkConstsSignature = 0x5651;
constexpr quint16 kKvsConstsSignature = 0x5652;

#pragma pack(push, 1)

// 404 bytes from the vacuum-system controller. Bytes 2-3 and 306-307 are not read.
struct KvsStatusPacket {
    quint16 signature;
    quint16 reserved0;
    qint32 NL1State, NL1Power, NL1Thermal, NL1LockOn, NL1LockOff, NL1Error;
    qint32 NL2State, NL2Power, NL2Thermal, NL2LockOn, NL2LockOff, NL2Error;
    qint32 NZ1State, NZ1Power, NZ1Thermal, NZ1LockOn, NZ1LockOff, NZ1Error;
    qint32 NZ2State, NZ2Power, NZ2Thermal, NZ2LockOn, NZ2LockOff, NZ2Error;
    qint32 ND1State, ND1Power, ND1Thermal, ND1LockOn, ND1LockOff, ND1Error;
    qint32 NW2State, NW2Power, NW2Thermal, NW2LockOn, NW2LockOff, NW2Error;
    qint32 VP1State, VP1Opened, VP1Closed, VP1LockOn, VP1LockOff;
    qint32 VP2State, VP2Opened, VP2Closed, VP2LockOn, VP2LockOff;
    qint32 VP3State, VP3Opened, VP3Closed, VP3LockOn, VP3LockOff;
    qint32 VP5State, VP5Opened, VP5Closed, VP5LockOn, VP5LockOff;
    qint32 VP6State, VP6Opened, VP6Closed, VP6LockOn, VP6LockOff;
    qint32 VP7State, VP7Opened, VP7Closed, VP7LockOn, VP7LockOff;
    qint32 PTState, LEDState, SpiralState, AlgNumber, AlgState, AlgTime;
    quint8 PT1Valid, PT2Valid, PT3Valid;
    quint8 PowerPT, Power380V, Power110V, Power24V, PowerDischarge, PowerFan;
    quint8 EmStop, RopeAlarm, PowerSHUK, PowerKVK, DoorClosed;
    quint8 reserved1[2];
    double PT1, PT2, PT3;
    float TempCorpND, TempOilND;
    float Temp1, Temp2, Temp3, Temp4, Temp5, Temp6, Temp7, Temp8;
    float Disch1, Disch2, Disch3, Disch4, Disch5, Disch6, Disch7, Disch8;
};

// 144 bytes from the vacuum/door controller. Bytes 2-3 and 100-103 are not read.
struct KvkStatusPacket {
    quint16 signature;
    quint16 reserved0;
    qint32 VP4State, VP4Opened, VP4Closed, VP4LockOn, VP4LockOff;
    qint32 VP8State, VP8Opened, VP8Closed, VP8LockOn, VP8LockOff;
    qint32 DoorState, DoorUnpressed, DoorPressed, DoorLockOn, DoorLockOff;
    double PT4, PT5;
    quint8 PT4Valid, PT5Valid, PressureOK, NP1Power, NW1Power, DrivesLock, SpiralLock, ShutdownLock;
    quint32 AlgNumber, AlgTime, AlgRun;
    quint8 reserved1[4];
    qint32 BKUValid, StateVPT, StateVE, StateTMN;
    quint32 StateNET, StateACC, StateMP, StateLocks;
    float PT6, TMNFreq;
};

#pragma pack(pop)

// One system constant of a controller: 92 bytes with no padding, a constants frame carries a
// plain run of them.
struct VacConstRecord {
    qint32 id;
    float value;
    char name[84];  // Windows-1251, ended by a NUL within the field (or filling all of it)

    // The name up to its first NUL, never beyond the 84 bytes, decoded from Windows-1251.
    QString nameText() const;
};

static_assert(sizeof(KvsStatusPacket) == 404, "KvsStatusPacket is 404 bytes");
static_assert(offsetof(KvsStatusPacket, NL1State) == 4, "layout");
static_assert(offsetof(KvsStatusPacket, NL2State) == 28, "layout");
static_assert(offsetof(KvsStatusPacket, NW2Error) == 144, "layout");
static_assert(offsetof(KvsStatusPacket, VP1State) == 148, "layout");
static_assert(offsetof(KvsStatusPacket, VP7LockOff) == 264, "layout");
static_assert(offsetof(KvsStatusPacket, PTState) == 268, "layout");
static_assert(offsetof(KvsStatusPacket, AlgTime) == 288, "layout");
static_assert(offsetof(KvsStatusPacket, PT1Valid) == 292, "layout");
static_assert(offsetof(KvsStatusPacket, DoorClosed) == 305, "layout");
static_assert(offsetof(KvsStatusPacket, PT1) == 308, "layout");
static_assert(offsetof(KvsStatusPacket, PT3) == 324, "layout");
static_assert(offsetof(KvsStatusPacket, TempCorpND) == 332, "layout");
static_assert(offsetof(KvsStatusPacket, Temp1) == 340, "layout");
static_assert(offsetof(KvsStatusPacket, Temp8) == 368, "layout");
static_assert(offsetof(KvsStatusPacket, Disch1) == 372, "layout");
static_assert(offsetof(KvsStatusPacket, Disch8) == 400, "layout");

static_assert(sizeof(KvkStatusPacket) == 144, "KvkStatusPacket is 144 bytes");
static_assert(offsetof(KvkStatusPacket, VP4State) == 4, "layout");
static_assert(offsetof(KvkStatusPacket, VP8State) == 24, "layout");
static_assert(offsetof(KvkStatusPacket, DoorState) == 44, "layout");
static_assert(offsetof(KvkStatusPacket, DoorLockOff) == 60, "layout");
static_assert(offsetof(KvkStatusPacket, PT4) == 64, "layout");
static_assert(offsetof(KvkStatusPacket, PT5) == 72, "layout");
static_assert(offsetof(KvkStatusPacket, PT4Valid) == 80, "layout");
static_assert(offsetof(KvkStatusPacket, ShutdownLock) == 87, "layout");
static_assert(offsetof(KvkStatusPacket, AlgNumber) == 88, "layout");
static_assert(offsetof(KvkStatusPacket, AlgRun) == 96, "layout");
static_assert(offsetof(KvkStatusPacket, BKUValid) == 104, "layout");
static_assert(offsetof(KvkStatusPacket, StateTMN) == 116, "layout");
static_assert(offsetof(KvkStatusPacket, StateNET) == 120, "layout");
static_assert(offsetof(KvkStatusPacket, StateLocks) == 132, "layout");
static_assert(offsetof(KvkStatusPacket, PT6) == 136, "layout");
static_assert(offsetof(KvkStatusPacket, TMNFreq) == 140, "layout");

static_assert(sizeof(VacConstRecord) == 92, "VacConstRecord is 92 bytes");
static_assert(offsetof(VacConstRecord, value) == 4, "layout");
static_assert(offsetof(VacConstRecord, name) == 8, "layout");

// A constants table holds at most this many records; further records of a frame are dropped.
constexpr int kVacConstCapacity = 100;

namespace VacuumStatus {

// The change fields of each datagram in emission order, with their signals: 107 for the
// vacuum-system controller, 38 for the vacuum/door controller. The gauges' pressures, the
// temperatures and the cooling-water flows are display values.
const QVector<StatusField::Field>& kvsFields();
const QVector<StatusField::Field>& kvkFields();

// Takes a datagram into packet when it has exactly the packet's size and the "PV" signature.
enum class Verdict { Accepted, WrongSize, BadSignature };
Verdict decode(const QByteArray& datagram, KvsStatusPacket& packet);
Verdict decode(const QByteArray& datagram, KvkStatusPacket& packet);

// The bytes of a packet as they go on the wire (for the simulator and tests).
QByteArray encode(const KvsStatusPacket& packet);
QByteArray encode(const KvkStatusPacket& packet);

// The change list between two packets (previous null: every field), in emission order.
QVector<StatusField::Change> changes(const KvsStatusPacket* previous, const KvsStatusPacket& current);
QVector<StatusField::Change> changes(const KvkStatusPacket* previous, const KvkStatusPacket& current);

}  // namespace VacuumStatus

namespace VacConsts {

// Stores the whole records of a constants frame's payload over the first entries of table (which
// has room for kVacConstCapacity records) and returns how many were stored: the payload's length
// divided by 92, rounded down, and at most kVacConstCapacity. Entries beyond that keep what they
// held.
int parse(const QByteArray& payload, VacConstRecord* table);

// The payload of a constants frame holding these records (for the simulator and tests).
QByteArray encode(const QVector<VacConstRecord>& records);

// A record with the given name encoded in Windows-1251, cut to 83 bytes so that a NUL ends it.
VacConstRecord make(qint32 id, float value, const QString& name);

}  // namespace VacConsts
