#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

#include "kvspackets.h"
#include "testenv.h"

// The two vacuum status datagrams and the constants records, decoded without any socket.
class TestKvsPackets : public QObject
{
    Q_OBJECT

    // The emission order of the vacuum-system datagram: pumps (State, Power, Thermal, Error),
    // valves (State, Opened, Closed), the interlock words, then everything from offset 268 on.
    static QStringList kvsOrder()
    {
        QStringList order;
        const QStringList pumps = {"NL1", "NL2", "NZ1", "NZ2", "ND1", "NW2"};
        const QStringList valves = {"VP1", "VP2", "VP3", "VP5", "VP6", "VP7"};
        for (const QString& p : pumps)
            order << p + "State" << p + "Power" << p + "Thermal" << p + "Error";
        for (const QString& v : valves)
            order << v + "State" << v + "Opened" << v + "Closed";
        for (const QString& p : pumps)
            order << p + "LockOn";
        for (const QString& p : pumps)
            order << p + "LockOff";
        for (const QString& v : valves)
            order << v + "LockOn";
        for (const QString& v : valves)
            order << v + "LockOff";
        order << QString("PTState LEDState SpiralState AlgNumber AlgState AlgTime PT1Valid PT2Valid "
                         "PT3Valid PowerPT Power380V Power110V Power24V PowerDischarge PowerFan "
                         "EmStop RopeAlarm PowerSHUK PowerKVK DoorClosed PT1 PT2 PT3 TempCorpND "
                         "TempOilND Temp1 Temp2 Temp3 Temp4 Temp5 Temp6 Temp7 Temp8 Disch1 Disch2 "
                         "Disch3 Disch4 Disch5 Disch6 Disch7 Disch8")
                     .split(' ');
        return order;
    }

    static QStringList kvkOrder()
    {
        return QString("VP4State VP4Opened VP4Closed VP8State VP8Opened VP8Closed DoorState "
                       "DoorUnpressed DoorPressed VP4LockOn VP8LockOn DoorLockOn VP4LockOff "
                       "VP8LockOff DoorLockOff PT4 PT5 PT4Valid PT5Valid PressureOK NP1Power "
                       "NW1Power DrivesLock SpiralLock ShutdownLock AlgRun AlgNumber AlgTime "
                       "BKUValid StateVPT StateVE StateTMN StateACC StateNET StateMP StateLocks "
                       "PT6 TMNFreq")
            .split(' ');
    }

    template<typename Packet>
    static QStringList changedNames(const Packet* previous, const Packet& current)
    {
        const auto& table = fieldsOf(current);
        QStringList names;
        for (const StatusField::Change& change : VacuumStatus::changes(previous, current))
            names << QString(table[change.field].signal).section('(', 0, 0).mid(7);
        return names;
    }
    static const QVector<StatusField::Field>& fieldsOf(const KvsStatusPacket&) { return VacuumStatus::kvsFields(); }
    static const QVector<StatusField::Field>& fieldsOf(const KvkStatusPacket&) { return VacuumStatus::kvkFields(); }

    template<typename Packet>
    static Packet zeroed()
    {
        Packet packet;
        std::memset(&packet, 0, sizeof packet);
        packet.signature = kVacuumTextSignature;
        return packet;
    }

private slots:
    void firstDatagramAnnouncesEveryFieldInOrder()
    {
        const auto kvs = zeroed<KvsStatusPacket>();
        QCOMPARE(changedNames<KvsStatusPacket>(nullptr, kvs), kvsOrder());
        QCOMPARE(kvsOrder().size(), 107);
        const auto kvk = zeroed<KvkStatusPacket>();
        QCOMPARE(changedNames<KvkStatusPacket>(nullptr, kvk), kvkOrder());
        QCOMPARE(kvkOrder().size(), 38);
    }

    void signalTypesFollowTheFieldKinds()
    {
        auto kvk = zeroed<KvkStatusPacket>();
        kvk.AlgNumber = 0xFFFFFFFFu;
        kvk.PT5 = 1.5e-3;
        kvk.PT6 = 2.5f;
        kvk.SpiralLock = 2;
        kvk.DoorState = -1;
        QHash<QString, QVariant> values;
        for (const StatusField::Change& change : VacuumStatus::changes(nullptr, kvk))
            values.insert(VacuumStatus::kvkFields()[change.field].signal, change.value);
        QCOMPARE(values.value("changedAlgNumber(uint)").userType(), int(QMetaType::UInt));
        QCOMPARE(values.value("changedAlgNumber(uint)").toUInt(), 0xFFFFFFFFu);
        QCOMPARE(values.value("changedPT5(double)").userType(), int(QMetaType::Double));
        QCOMPARE(values.value("changedPT5(double)").toDouble(), 1.5e-3);
        QCOMPARE(values.value("changedPT6(float)").userType(), int(QMetaType::Float));
        QCOMPARE(values.value("changedPT6(float)").toFloat(), 2.5f);
        QCOMPARE(values.value("changedSpiralLock(bool)").toBool(), true);
        QCOMPARE(values.value("changedDoorState(int)").toInt(), -1);
    }

    void onlyChangedFieldsAreAnnounced()
    {
        auto kvs = zeroed<KvsStatusPacket>();
        kvs.PT1Valid = 1;
        kvs.Temp3 = 20.0f;
        auto next = kvs;
        QVERIFY(changedNames(&kvs, next).isEmpty());

        // Bytes that are not read never cause a signal.
        next.reserved0 = 0xABCD;
        next.reserved1[0] = 7;
        next.reserved1[1] = 9;
        QVERIFY(changedNames(&kvs, next).isEmpty());

        // A flag byte going from 1 to 2 is a change although its bool stays true; +0 and -0 are
        // equal; a changed double and an interlock word are announced by themselves.
        next.PT1Valid = 2;
        next.Temp3 = 20.0f;
        next.Temp4 = -0.0f;
        next.PT2 = 1e5;
        next.VP7LockOff = 0x10;
        QCOMPARE(changedNames(&kvs, next), QStringList({"VP7LockOff", "PT1Valid", "PT2"}));
        const auto changes = VacuumStatus::changes(&kvs, next);
        QCOMPARE(changes[1].value.toBool(), true);
        QCOMPARE(changes[2].value.toDouble(), 1e5);

        auto kvk = zeroed<KvkStatusPacket>();
        auto kvkNext = kvk;
        std::memset(kvkNext.reserved1, 0xFF, sizeof kvkNext.reserved1);
        kvkNext.reserved0 = 1;
        QVERIFY(changedNames(&kvk, kvkNext).isEmpty());
        kvkNext.StateNET = 3;
        kvkNext.StateACC = 4;
        QCOMPARE(changedNames(&kvk, kvkNext), QStringList({"StateACC", "StateNET"}));
    }

    void nanIsAnnouncedEveryTime()
    {
        auto kvs = zeroed<KvsStatusPacket>();
        kvs.Disch5 = std::numeric_limits<float>::quiet_NaN();
        kvs.PT3 = std::numeric_limits<double>::quiet_NaN();
        const auto same = kvs;
        QCOMPARE(changedNames(&kvs, same), QStringList({"PT3", "Disch5"}));
        auto kvk = zeroed<KvkStatusPacket>();
        kvk.TMNFreq = std::numeric_limits<float>::quiet_NaN();
        const auto kvkSame = kvk;
        QCOMPARE(changedNames(&kvk, kvkSame), QStringList({"TMNFreq"}));
    }

    void datagramsAreCheckedForSizeAndSignature_data()
    {
        QTest::addColumn<bool>("kvs");
        QTest::addColumn<int>("size");
        QTest::addColumn<quint16>("signature");
        QTest::addColumn<int>("verdict");
        const int ok = int(VacuumStatus::Verdict::Accepted);
        const int size = int(VacuumStatus::Verdict::WrongSize);
        const int sig = int(VacuumStatus::Verdict::BadSignature);
        QTest::newRow("kvs 404") << true << 404 << kVacuumTextSignature << ok;
        QTest::newRow("kvs 403") << true << 403 << kVacuumTextSignature << size;
        QTest::newRow("kvs 405") << true << 405 << kVacuumTextSignature << size;
        QTest::newRow("kvs kvk size") << true << 144 << kVacuumTextSignature << size;
        QTest::newRow("kvs RV") << true << 404 << kKvsConstsSignature << sig;
        QTest::newRow("kvk 144") << false << 144 << kVacuumTextSignature << ok;
        QTest::newRow("kvk 143") << false << 143 << kVacuumTextSignature << size;
        QTest::newRow("kvk 145") << false << 145 << kVacuumTextSignature << size;
        QTest::newRow("kvk empty") << false << 0 << kVacuumTextSignature << size;
        QTest::newRow("kvk swapped") << false << 144 << quint16(0x5056) << sig;
    }
    void datagramsAreCheckedForSizeAndSignature()
    {
        QFETCH(bool, kvs);
        QFETCH(int, size);
        QFETCH(quint16, signature);
        QFETCH(int, verdict);
        QByteArray datagram(size, '\x11');
        if (size >= 2)
            std::memcpy(datagram.data(), &signature, 2);
        KvsStatusPacket kvsPacket = zeroed<KvsStatusPacket>();
        KvkStatusPacket kvkPacket = zeroed<KvkStatusPacket>();
        const auto result = kvs ? VacuumStatus::decode(datagram, kvsPacket)
                                : VacuumStatus::decode(datagram, kvkPacket);
        QCOMPARE(int(result), verdict);
        // Only an accepted datagram reaches the packet.
        const qint32 word = kvs ? kvsPacket.NL1State : kvkPacket.VP4State;
        QCOMPARE(word, verdict == int(VacuumStatus::Verdict::Accepted) ? 0x11111111 : 0);
    }

    void encodedPacketsDecodeToThemselves()
    {
        auto kvs = zeroed<KvsStatusPacket>();
        kvs.PT1 = 12.5;
        kvs.Disch8 = 3.0f;
        const QByteArray bytes = VacuumStatus::encode(kvs);
        QCOMPARE(bytes.size(), 404);
        QCOMPARE(bytes.left(2), QByteArray("PV"));
        KvsStatusPacket back;
        QCOMPARE(VacuumStatus::decode(bytes, back), VacuumStatus::Verdict::Accepted);
        const double pt1 = back.PT1;  // a packed field: compared by value
        QCOMPARE(pt1, 12.5);
        QVERIFY(VacuumStatus::changes(&kvs, back).isEmpty());
    }

    void constantsFramesFillTheTable_data()
    {
        QTest::addColumn<int>("firstRecords");
        QTest::addColumn<int>("secondBytes");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lastId");  // id of table entry 99 after the second frame
        // The second frame's records have ids 1000 + i; the first frame's have ids i.
        QTest::newRow("empty frame keeps the table") << 100 << 0 << 0 << 99;
        QTest::newRow("93 bytes give one record") << 100 << 93 << 1 << 99;
        QTest::newRow("150 records keep 100") << 0 << 150 * 92 << 100 << 1099;
        QTest::newRow("shorter frame keeps later entries") << 100 << 10 * 92 + 91 << 10 << 99;
    }
    void constantsFramesFillTheTable()
    {
        QFETCH(int, firstRecords);
        QFETCH(int, secondBytes);
        QFETCH(int, count);
        QFETCH(int, lastId);
        VacConstRecord table[kVacConstCapacity + 1];
        std::memset(table, 0, sizeof table);
        table[kVacConstCapacity].id = -7;  // guard behind the table
        QVector<VacConstRecord> first;
        for (int i = 0; i < firstRecords; ++i)
            first << VacConsts::make(i, i * 0.5f, QString("first %1").arg(i));
        QCOMPARE(VacConsts::parse(VacConsts::encode(first), table), firstRecords);

        QVector<VacConstRecord> second;
        for (int i = 0; i < (secondBytes + 91) / 92; ++i)
            second << VacConsts::make(1000 + i, -1.0f, QString("second %1").arg(i));
        const QByteArray payload = VacConsts::encode(second).left(secondBytes);
        QCOMPARE(VacConsts::parse(payload, table), count);
        if (count > 0) {
            QCOMPARE(table[0].id, 1000);
            QCOMPARE(table[0].nameText(), QString("second 0"));
            QCOMPARE(table[count - 1].id, 1000 + count - 1);
        } else {
            QCOMPARE(table[0].id, 0);
        }
        QCOMPARE(table[99].id, lastId);
        QCOMPARE(table[kVacConstCapacity].id, -7);
    }

    void namesStopAtTheFirstNulAndAtTheField_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QString>("name");
        QTest::newRow("cyrillic") << QByteArray("\xC4\xE0\xE2\xEB\xE5\xED\xE8\xE5") << QString::fromUtf8("Давление");
        QTest::newRow("garbage after nul") << QByteArray("VP1\0junk", 8) << QString("VP1");
        QTest::newRow("84 bytes without nul") << QByteArray(84, 'A') << QString(84, 'A');
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void namesStopAtTheFirstNulAndAtTheField()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QString, name);
        // The record sits in a larger buffer whose next bytes are not NUL.
        QByteArray buffer(2 * 92, 'Z');
        VacConstRecord* record = reinterpret_cast<VacConstRecord*>(buffer.data());
        std::memset(record->name, 0, sizeof record->name);
        std::memcpy(record->name, raw.constData(), size_t(raw.size()));
        QCOMPARE(record->nameText(), name);
    }

    void madeRecordsRoundTripThroughWindows1251()
    {
        const QString name = QString::fromUtf8("Время откачки камеры, с");
        const VacConstRecord record = VacConsts::make(-12, 2.5f, name);
        QCOMPARE(record.nameText(), name);
        QCOMPARE(QByteArray(record.name).size(), name.size());  // one byte per letter
        QCOMPARE(VacConsts::make(1, 0, QString(200, 'x')).nameText(), QString(83, 'x'));
    }
};

POKAVRO_TEST_MAIN(TestKvsPackets)
#include "tst_kvspackets.moc"
