// Every status link against four threads flooding its UDP port with datagrams it must reject (or,
// for the generic link, with empty continuations of a long message): the link still reports its
// loss by the silence rule, and disconnect() and the destructor still return promptly while the
// flood goes on.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <functional>
#include <memory>

#include "datagramflood.h"
#include "drivecomm.h"
#include "drivestatus.h"
#include "genericlink.h"
#include "kvscomm.h"
#include "loopbackpeer.h"
#include "testenv.h"

namespace {

enum class Kind { Drive, Kvs, Kvk, Generic };

// A status datagram of `size` bytes that starts with `signature`.
QByteArray datagram(int size, const char signature[2])
{
    QByteArray bytes(size, '\0');
    bytes[0] = signature[0];
    bytes[1] = signature[1];
    return bytes;
}

int packetSize(Kind kind)
{
    switch (kind) {
    case Kind::Drive:
        return DriveStatus::DatagramSize;
    case Kind::Kvs:
        return int(sizeof(KvsStatusPacket));
    case Kind::Kvk:
        return int(sizeof(KvkStatusPacket));
    case Kind::Generic:
        break;
    }
    return 0;
}

// One link of any kind on a loopback peer, with what tells that its status arrives.
struct Fixture {
    Kind kind;
    LoopbackPeer peer;
    std::unique_ptr<Element> element;  // the generic link's one subscribed value
    ElementMap elements;
    std::unique_ptr<FramedLink> link;
    std::unique_ptr<QSignalSpy> down;
    std::unique_ptr<QSignalSpy> status;

    explicit Fixture(Kind k) : kind(k)
    {
        element = std::make_unique<Element>(Element::VariableNumber, QStringLiteral("A"), 2, -1000, 1000);
        elements.insert(element->name(), element.get());
    }

    QByteArray good() const
    {
        if (kind != Kind::Generic)
            return datagram(packetSize(kind), "PV");
        QByteArray payload(4, '\0');
        qToLittleEndian(1.0f, payload.data());
        return LinkFrame::encode(LinkFrame::SQ, payload);
    }

    // Connects a new link and waits for its first status.
    bool connectLink()
    {
        const char* signal = nullptr;
        bool up = false;
        if (!peer.listen())
            return false;
        switch (kind) {
        case Kind::Drive: {
            auto* drive = new DriveTCPthread;
            link.reset(drive);
            up = drive->connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort);
            signal = SIGNAL(changedChannelState1(uint));
            break;
        }
        case Kind::Kvs:
        case Kind::Kvk: {
            VacuumLink* vacuum = kind == Kind::Kvs ? static_cast<VacuumLink*>(new KVSTCPthread) : new KVKTCPthread;
            link.reset(vacuum);
            up = vacuum->connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort);
            signal = kind == Kind::Kvs ? SIGNAL(changedNL1State(int)) : SIGNAL(changedVP4State(int));
            break;
        }
        case Kind::Generic: {
            auto* generic = new TCPthread;
            link.reset(generic);
            up = generic->connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort, &elements);
            break;
        }
        }
        down = std::make_unique<QSignalSpy>(link.get(), SIGNAL(disconnected()));
        status = signal ? std::make_unique<QSignalSpy>(link.get(), signal)
                        : std::make_unique<QSignalSpy>(element.get(), SIGNAL(numberValChanged(float)));
        if (!up || !peer.accept())
            return false;
        // The receiver binds its port on its own thread: send until the first status comes in.
        return QTest::qWaitFor([&] {
            peer.datagram(good());
            QTest::qWait(20);
            return !status->isEmpty();
        }, 3000);
    }
};

}  // namespace

class TestStatusFlood : public QObject
{
    Q_OBJECT

private slots:
    void floodNeitherHidesLossNorHoldsTheLink_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("lead");   // sent once before the flood
        QTest::addColumn<QByteArray>("noise");  // what the four threads send
        const QByteArray none;
        QTest::newRow("drive, wrong size") << int(Kind::Drive) << none << datagram(200, "PV");
        QTest::newRow("drive, wrong signature") << int(Kind::Drive) << none << datagram(296, "QV");
        QTest::newRow("vacuum system, wrong size") << int(Kind::Kvs) << none << datagram(403, "PV");
        QTest::newRow("vacuum/door, wrong signature") << int(Kind::Kvk) << none << datagram(144, "XV");
        // A message that announces 1000 payload bytes, followed by nothing but empty datagrams.
        QByteArray head = LinkFrame::encode(LinkFrame::SQ, QByteArray(1000, '\0')).left(16);
        QTest::newRow("generic, empty continuations") << int(Kind::Generic) << head << QByteArray();
    }
    void floodNeitherHidesLossNorHoldsTheLink()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, lead);
        QFETCH(QByteArray, noise);

        // The loss is reported by the silence rule: about a second after the last status.
        {
            Fixture f{Kind(kind)};
            QVERIFY(f.connectLink());
            if (!lead.isEmpty())
                f.peer.datagram(lead);
            QElapsedTimer clock;
            clock.start();
            DatagramFlood flood(f.peer.udpPort, noise);
            QVERIFY(QTest::qWaitFor([&] { return !f.down->isEmpty(); }, 4000));
            QVERIFY2(clock.elapsed() <= 1500, QByteArray::number(clock.elapsed()));
            QVERIFY(!f.link->connected());
            flood.stop();
            QVERIFY(flood.sent() > 1000);
        }

        // disconnect() and the destructor return at once while the flood goes on.
        for (const bool destroy : {false, true}) {
            Fixture f{Kind(kind)};
            QVERIFY(f.connectLink());
            if (!lead.isEmpty())
                f.peer.datagram(lead);
            DatagramFlood flood(f.peer.udpPort, noise);
            QTest::qWait(300);
            QVERIFY(f.link->connected());
            QElapsedTimer clock;
            clock.start();
            if (destroy)
                f.link.reset();
            else
                QVERIFY(f.link->disconnect());
            const qint64 ms = clock.elapsed();
            QVERIFY2(ms <= 300, qPrintable(QStringLiteral("%1 took %2 ms").arg(destroy ? "destructor" : "disconnect()").arg(ms)));
            flood.stop();
        }
    }
};

POKAVRO_TEST_MAIN(TestStatusFlood)
#include "tst_statusflood.moc"
