// The drive status datagram: layout, decoding and compare-and-emit, without sockets.

#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <limits>

#include "drivestatus.h"
#include "testenv.h"

namespace {

struct WireField {
    const char* name;
    int offset;
    char kind;  // 'u' u32, 'i' int32, 'f' float, 'b' flag byte
};

// The datagram as the controller documents it, in emission order.
const WireField kWire[] = {
    {"ChannelState1", 4, 'u'}, {"ChannelState2", 8, 'u'}, {"ChannelState3", 12, 'u'},
    {"ChannelMode1", 16, 'u'}, {"ChannelMode2", 20, 'u'}, {"ChannelMode3", 24, 'u'},
    {"LX1", 28, 'f'}, {"LX2", 32, 'f'}, {"LY", 36, 'f'}, {"A", 40, 'f'}, {"B", 44, 'f'},
    {"C", 48, 'f'}, {"D", 52, 'f'}, {"U1", 56, 'f'}, {"U2", 60, 'f'}, {"V", 64, 'f'},
    {"X", 68, 'f'}, {"Z", 72, 'f'}, {"PHI", 76, 'f'},
    {"MinLimLX", 124, 'f'}, {"MinLimLY", 128, 'f'}, {"MinLimA", 132, 'f'}, {"MinLimB", 136, 'f'},
    {"MinLimC", 140, 'f'}, {"MinLimD", 144, 'f'}, {"MinLimU", 148, 'f'}, {"MinLimV", 152, 'f'},
    {"MinLimX", 156, 'f'}, {"MinLimZ", 160, 'f'}, {"MinLimPHI", 164, 'f'},
    {"MaxLimLX", 168, 'f'}, {"MaxLimLY", 172, 'f'}, {"MaxLimA", 176, 'f'}, {"MaxLimB", 180, 'f'},
    {"MaxLimC", 184, 'f'}, {"MaxLimD", 188, 'f'}, {"MaxLimU", 192, 'f'}, {"MaxLimV", 196, 'f'},
    {"MaxLimX", 200, 'f'}, {"MaxLimZ", 204, 'f'}, {"MaxLimPHI", 208, 'f'},
    {"StateLX1", 80, 'i'}, {"StateLX2", 84, 'i'}, {"StateLY", 88, 'i'}, {"StateA", 92, 'i'},
    {"StateB", 96, 'i'}, {"StateC", 100, 'i'}, {"StateD", 104, 'i'}, {"StateU1", 108, 'i'},
    {"StateU2", 112, 'i'}, {"StateV", 116, 'i'}, {"VirtualState", 120, 'u'},
    {"LXmin", 260, 'b'}, {"LYmin", 261, 'b'}, {"Amin", 262, 'b'}, {"Bmin", 263, 'b'},
    {"Cmin", 264, 'b'}, {"Dmin", 265, 'b'}, {"Umin", 266, 'b'}, {"Vmin", 267, 'b'},
    {"Xmin", 268, 'b'}, {"Zmin", 269, 'b'}, {"PHImin", 270, 'b'},
    {"LXmax", 271, 'b'}, {"LYmax", 272, 'b'}, {"Amax", 273, 'b'}, {"Bmax", 274, 'b'},
    {"Cmax", 275, 'b'}, {"Dmax", 276, 'b'}, {"Umax", 277, 'b'}, {"Vmax", 278, 'b'},
    {"Xmax", 279, 'b'}, {"Zmax", 280, 'b'}, {"PHImax", 281, 'b'},
    {"DoorState", 236, 'u'}, {"TrModuleState", 240, 'u'}, {"DrivePowerState", 244, 'u'},
    {"LightState", 248, 'u'}, {"PointNo", 228, 'u'}, {"PortPultRegime", 252, 'u'},
    {"AlarmState", 256, 'u'},
    {"DrivesOn", 282, 'b'}, {"TransOn", 283, 'b'}, {"PultOn", 285, 'b'}, {"AxisMoving", 284, 'b'},
    {"KeyAccess", 286, 'b'}, {"DrivesLock", 287, 'b'}, {"SpiralLock", 288, 'b'},
    {"SpiralPower", 291, 'b'}, {"DrivesPower", 292, 'b'}, {"PhaseAlarm", 293, 'b'},
    {"Message", 212, 'u'}, {"Message", 216, 'u'}, {"Message", 220, 'u'}, {"Message", 224, 'u'},
    {"CNCError", 232, 'u'},
};
static_assert(sizeof kWire / sizeof kWire[0] == DriveStatus::FieldCount, "96 emissions");

QByteArray blankWire()
{
    QByteArray bytes(DriveStatus::DatagramSize, '\0');
    bytes[0] = 'P';
    bytes[1] = 'V';
    return bytes;
}

DriveStatusPacket decoded(const QByteArray& wire)
{
    DriveStatusPacket packet;
    if (!DriveStatus::decode(wire.constData(), wire.size(), packet))
        qFatal("test datagram does not decode");
    return packet;
}

QList<DriveStatus::Change> update(DriveStatus::Tracker& tracker, const QByteArray& wire)
{
    QList<DriveStatus::Change> changes;
    const int count = tracker.update(decoded(wire), [&](const DriveStatus::Change& c) { changes << c; });
    if (count != changes.size())
        qFatal("change count disagrees");
    return changes;
}

template <typename T>
QByteArray le(T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, int(sizeof(T)));
}

template <typename T>
void put(QByteArray& wire, int offset, T value)
{
    wire.replace(offset, int(sizeof(T)), le(value));
}

}  // namespace

class TestDriveStatus : public QObject
{
    Q_OBJECT

private slots:
    void decodeAcceptsOnlyTheDatagram_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("accepted");
        QByteArray wrongSignature = blankWire();
        wrongSignature[0] = 'Q';
        QTest::newRow("296 bytes PV") << blankWire() << true;
        QTest::newRow("295 bytes") << blankWire().left(295) << false;
        QTest::newRow("297 bytes") << blankWire() + '\0' << false;
        QTest::newRow("QV") << wrongSignature << false;
        QTest::newRow("VP") << QByteArray("VP") + blankWire().mid(2) << false;
    }
    void decodeAcceptsOnlyTheDatagram()
    {
        QFETCH(QByteArray, wire);
        QFETCH(bool, accepted);
        DriveStatusPacket packet = DriveStatus::blank();
        packet.doorState = 77;
        QCOMPARE(DriveStatus::decode(wire.constData(), wire.size(), packet), accepted);
        QCOMPARE(packet.doorState, accepted ? 0u : 77u);
    }

    void encodeIsTheWireImage()
    {
        QByteArray wire = blankWire();
        for (int i = 2; i < wire.size(); ++i)
            wire[i] = char(i * 7 + 3);
        QCOMPARE(DriveStatus::encode(decoded(wire)), wire);
    }

    // Each field is read from its own bytes and reported alone, with its value.
    void everyFieldAtItsOffset_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < DriveStatus::FieldCount; ++i)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(i).arg(kWire[i].name))) << i;
    }
    void everyFieldAtItsOffset()
    {
        QFETCH(int, index);
        const WireField& field = kWire[index];
        QCOMPARE(DriveStatus::fieldName(index), field.name);

        DriveStatus::Tracker tracker;
        QCOMPARE(update(tracker, blankWire()).size(), DriveStatus::FieldCount);
        QByteArray wire = blankWire();
        switch (field.kind) {
        case 'u':
            put<quint32>(wire, field.offset, 0xC0FFEE01u);
            break;
        case 'i':
            put<qint32>(wire, field.offset, -0xF1234);
            break;
        case 'f':
            put<float>(wire, field.offset, -12.75f);
            break;
        case 'b':
            wire[field.offset] = 3;
            break;
        }
        const QList<DriveStatus::Change> changes = update(tracker, wire);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].index, index);
        switch (field.kind) {
        case 'u':
            QCOMPARE(changes[0].kind, DriveStatus::Kind::UInt);
            QCOMPARE(changes[0].u, 0xC0FFEE01u);
            break;
        case 'i':
            QCOMPARE(changes[0].kind, DriveStatus::Kind::Int);
            QCOMPARE(changes[0].i, -0xF1234);
            break;
        case 'f':
            QCOMPARE(changes[0].kind, DriveStatus::Kind::Float);
            QCOMPARE(changes[0].f, -12.75f);
            break;
        case 'b':
            QCOMPARE(changes[0].kind, DriveStatus::Kind::Flag);
            QCOMPARE(changes[0].b, true);
            break;
        }
    }

    void firstDatagramEmitsEverythingInOrder()
    {
        DriveStatus::Tracker tracker;
        QVERIFY(!tracker.havePrevious());
        const QList<DriveStatus::Change> changes = update(tracker, blankWire());
        QCOMPARE(changes.size(), 96);
        for (int i = 0; i < changes.size(); ++i)
            QCOMPARE(changes[i].index, i);
        QVERIFY(tracker.havePrevious());
        // After a reset (a new connection) the next datagram is a first one again.
        QCOMPARE(update(tracker, blankWire()).size(), 0);
        tracker.reset();
        QCOMPARE(update(tracker, blankWire()).size(), 96);
    }

    void ignoredBytesNeverEmit_data()
    {
        QTest::addColumn<int>("offset");
        for (int offset : {2, 3, 289, 290, 294, 295})
            QTest::newRow(qPrintable(QString::number(offset))) << offset;
    }
    void ignoredBytesNeverEmit()
    {
        QFETCH(int, offset);
        DriveStatus::Tracker tracker;
        update(tracker, blankWire());
        QCOMPARE(update(tracker, blankWire()).size(), 0);
        QByteArray wire = blankWire();
        wire[offset] = char(0x5a);
        QCOMPARE(update(tracker, wire).size(), 0);
    }

    // Value rules: flag bytes compare as bytes, floats as floats.
    void valueRules_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("before");  // 1 or 4 bytes as they stand on the wire
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("emissions");      // emissions of the datagram `after`, sent twice
        QTest::addColumn<bool>("flagValue");

        auto f = [](float v) { return le(v); };
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("flag 1 to 2") << 286 << QByteArray(1, 1) << QByteArray(1, 2) << 1 << true;
        QTest::newRow("flag 2 to 0") << 286 << QByteArray(1, 2) << QByteArray(1, 0) << 1 << false;
        QTest::newRow("flag unchanged") << 282 << QByteArray(1, 1) << QByteArray(1, 1) << 0 << true;
        QTest::newRow("+0 to -0") << 68 << f(0.0f) << f(-0.0f) << 0 << false;
        QTest::newRow("NaN every time") << 68 << f(1.0f) << f(nan) << 2 << false;
        QTest::newRow("float change") << 76 << f(1.0f) << f(1.5f) << 1 << false;
    }
    void valueRules()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(int, emissions);
        QFETCH(bool, flagValue);

        DriveStatus::Tracker tracker;
        QByteArray wire = blankWire();
        wire.replace(offset, before.size(), before);
        update(tracker, wire);
        wire.replace(offset, after.size(), after);
        const QList<DriveStatus::Change> first = update(tracker, wire);
        const QList<DriveStatus::Change> second = update(tracker, wire);
        QCOMPARE(first.size() + second.size(), emissions);
        if (!first.isEmpty() && first[0].kind == DriveStatus::Kind::Flag)
            QCOMPARE(first[0].b, flagValue);
        if (!second.isEmpty() && second[0].kind == DriveStatus::Kind::Float)
            QVERIFY(std::isnan(second[0].f));
    }

    void oneMessageWordAlone()
    {
        DriveStatus::Tracker tracker;
        QByteArray wire = blankWire();
        for (int word = 0; word < 4; ++word)
            put<quint32>(wire, 212 + 4 * word, quint32(100 + word));
        update(tracker, wire);
        put<quint32>(wire, 220, 4711u);
        const QList<DriveStatus::Change> changes = update(tracker, wire);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(QByteArray(DriveStatus::fieldName(changes[0].index)), QByteArray("Message"));
        QCOMPARE(changes[0].index, 93);  // the third of the four Message emissions
        QCOMPARE(changes[0].u, 4711u);
    }
};

POKAVRO_TEST_MAIN(TestDriveStatus)
#include "tst_drivestatus.moc"
