// Every status link against status traffic it must not trust. Four threads flooding its UDP port
// with datagrams it must reject (of the wrong size or signature, valid ones from another host,
// or, for the generic link, empty continuations of a long message): the link still reports its
// loss by the silence rule, and disconnect() and the destructor still return promptly while the
// flood goes on. Status from any other address than the controller's is never taken. And a
// controller that reports changes faster than the GUI thread can take them neither freezes the
// window nor fills the memory.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <memory>

#include "datagramflood.h"
#include "drivecomm.h"
#include "drivestatus.h"
#include "genericlink.h"
#include "kvscomm.h"
#include "loopbackpeer.h"
#include "memoryuse.h"
#include "queuedspy.h"
#include "testenv.h"
#include "threadcpu.h"

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
    std::unique_ptr<QueuedSpy> down;  // emitted on the link's thread
    std::unique_ptr<QSignalSpy> status;  // emitted on this thread

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

    // good() with another value in the field that `status` spies on.
    QByteArray changed() const
    {
        QByteArray bytes = good();
        if (kind == Kind::Generic)
            qToLittleEndian(2.0f, bytes.data() + LinkFrame::HeaderSize);
        else
            bytes[4] = 1;
        return bytes;
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
        down = std::make_unique<QueuedSpy>(link.get(), SIGNAL(disconnected()));
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

// Takes every change signal of a link as a screen does: each change sets a label's text, and takes
// as long as a slot of the window (a few microseconds), so that the window cannot keep up with a
// flood however cheap the receiver.
class Screen : public QObject
{
    Q_OBJECT

public:
    explicit Screen(QObject* link)
    {
        const QMetaObject* meta = link->metaObject();
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal && method.name().startsWith("changed"))
                QObject::connect(link, method, this, metaObject()->method(metaObject()->indexOfSlot("show()")));
        }
    }

public slots:
    void show()
    {
        QElapsedTimer spent;
        spent.start();
        label.setText(QString::number(++shown));
        while (spent.nsecsElapsed() < 5000) {
        }
    }

private:
    QLabel label;
    int shown = 0;
};

// One row per link kind: the three controllers' links, and the generic link when asked.
void kindRows(bool generic)
{
    QTest::addColumn<int>("kind");
    QTest::newRow("drive") << int(Kind::Drive);
    QTest::newRow("vacuum system") << int(Kind::Kvs);
    QTest::newRow("vacuum/door") << int(Kind::Kvk);
    if (generic)
        QTest::newRow("generic") << int(Kind::Generic);
}

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
        QTest::addColumn<QByteArray>("from");   // the address they send it from (empty: 127.0.0.1)
        const QByteArray none;
        const QByteArray other("127.0.0.2");
        QTest::newRow("drive, wrong size") << int(Kind::Drive) << none << datagram(200, "PV") << none;
        QTest::newRow("drive, wrong signature") << int(Kind::Drive) << none << datagram(296, "QV") << none;
        QTest::newRow("vacuum system, wrong size") << int(Kind::Kvs) << none << datagram(403, "PV") << none;
        QTest::newRow("vacuum/door, wrong signature") << int(Kind::Kvk) << none << datagram(144, "XV") << none;
        // A message that announces 1000 payload bytes, followed by nothing but empty datagrams.
        QByteArray head = LinkFrame::encode(LinkFrame::SQ, QByteArray(1000, '\0')).left(16);
        QTest::newRow("generic, empty continuations") << int(Kind::Generic) << head << QByteArray() << none;
        // Valid status, but from another host.
        QTest::newRow("drive, other host") << int(Kind::Drive) << none << Fixture(Kind::Drive).good() << other;
        QTest::newRow("vacuum system, other host") << int(Kind::Kvs) << none << Fixture(Kind::Kvs).good() << other;
        QTest::newRow("vacuum/door, other host") << int(Kind::Kvk) << none << Fixture(Kind::Kvk).good() << other;
        QTest::newRow("generic, other host") << int(Kind::Generic) << none << Fixture(Kind::Generic).good() << other;
    }
    void floodNeitherHidesLossNorHoldsTheLink()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, lead);
        QFETCH(QByteArray, noise);
        QFETCH(QByteArray, from);
        // The flood outlasts every bound below by far: a link that the flood kept up, or held,
        // would stay so until it ends.
        const DatagramFlood::Options options{4, 12000, from};

        // The loss is reported by the silence rule: about a second after the last status (after
        // a message's head, once the wait for its continuation has given it up). The bound
        // leaves a loaded machine twice the second.
        {
            Fixture f{Kind(kind)};
            QVERIFY(f.connectLink());
            if (!lead.isEmpty())
                f.peer.datagram(lead);
            const int bound = 3000 + (lead.isEmpty() ? 0 : GenericLink::kContinuationWaitMs);
            QElapsedTimer clock;
            clock.start();
            DatagramFlood flood(f.peer.udpPort, {noise}, options);
            QVERIFY(QTest::qWaitFor([&] { return !f.down->isEmpty(); }, bound + 1000));
            QVERIFY2(clock.elapsed() <= bound, QByteArray::number(clock.elapsed()));
            QVERIFY(!f.link->connected());
            flood.stop();
            QVERIFY(flood.sent() > 1000);
        }

        // disconnect() and the destructor return at once while the flood goes on (the bound is
        // a loaded machine's "at once": a link held by the flood would hold them for seconds).
        for (const bool destroy : {false, true}) {
            Fixture f{Kind(kind)};
            QVERIFY(f.connectLink());
            if (!lead.isEmpty())
                f.peer.datagram(lead);
            DatagramFlood flood(f.peer.udpPort, {noise}, options);
            QTest::qWait(300);
            QVERIFY(f.link->connected());
            QElapsedTimer clock;
            clock.start();
            if (destroy)
                f.link.reset();
            else
                QVERIFY(f.link->disconnect());
            const qint64 ms = clock.elapsed();
            QVERIFY2(ms <= 2000, qPrintable(QStringLiteral("%1 took %2 ms").arg(destroy ? "destructor" : "disconnect()").arg(ms)));
            flood.stop();
        }
    }

    // The same valid datagram from other loopback addresses and from the controller's own
    // (127.0.0.1, where the link connected): only the controller's is taken, and each other
    // sender is told once, however many datagrams it sends.
    void statusOnlyFromTheController_data() { kindRows(true); }
    void statusOnlyFromTheController()
    {
        QFETCH(int, kind);
        Fixture f{Kind(kind)};
        QVERIFY(f.connectLink());
        std::unique_ptr<QueuedSpy> foreign;  // emitted on the receiver's thread
        if (f.kind != Kind::Generic)
            foreign = std::make_unique<QueuedSpy>(f.link.get(), SIGNAL(statusFromForeignSender(QString)));
        QTest::qWait(50);
        f.status->clear();

        const QByteArray changed = f.changed();
        for (int i = 0; i < 5; ++i)
            QVERIFY(sendDatagramFrom("127.0.0.2", f.peer.udpPort, changed));
        QVERIFY(sendDatagramFrom("127.0.0.3", f.peer.udpPort, changed));
        QTest::qWait(300);
        QCOMPARE(f.status->size(), 0);
        if (foreign) {
            QCOMPARE(foreign->size(), 2);
            QCOMPARE(foreign->at(0).value(0).toString(), QStringLiteral("127.0.0.2"));
            QCOMPARE(foreign->at(1).value(0).toString(), QStringLiteral("127.0.0.3"));
        }

        QVERIFY(sendDatagramFrom("127.0.0.1", f.peer.udpPort, changed));
        QVERIFY(QTest::qWaitFor([&] { return !f.status->isEmpty(); }, 2000));
        QVERIFY(f.status->last().value(0).toFloat() != 0.0f);
    }

    // Two valid datagrams that differ in every field, in turn, as fast as one sender can for 3 s:
    // every datagram brings a change of every field. The GUI thread keeps answering (between two
    // turns of a 10 ms timer it never works long), memory stays bounded, the link stays up, and
    // the GUI thread ends at the controller's latest state.
    void changesFasterThanTheWindowTakesThem_data() { kindRows(false); }
    void changesFasterThanTheWindowTakesThem()
    {
        QFETCH(int, kind);
        Fixture f{Kind(kind)};
        QVERIFY(f.connectLink());
        Screen screen(f.link.get());
        // The spied field is the first of the datagram: 0 in good(), not 0 in other.
        QByteArray other = f.good();
        for (int i = 4; i < other.size(); ++i)
            other[i] = char(i);

        // How long the GUI thread works between two turns of the timer is the processor time it
        // spends there: the flood's senders and other processes on a loaded machine stretch the
        // wait on the wall clock, not that. The wall-clock wait is only reported.
        QElapsedTimer sinceTick;
        qint64 tickCpuNs = 0;
        qint64 longestWaitMs = 0;
        qint64 longestWorkMs = 0;
        qint64 peakBytes = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestWaitMs = std::max(longestWaitMs, sinceTick.elapsed());
            longestWorkMs = std::max(longestWorkMs, (threadCpuNs() - tickCpuNs) / 1000000);
            peakBytes = std::max(peakBytes, residentBytes());
            f.status->clear();  // the spy's own record is not what is measured
            sinceTick.start();
            tickCpuNs = threadCpuNs();
        });
        const qint64 startBytes = residentBytes();
        {
            DatagramFlood flood(f.peer.udpPort, {f.good(), other}, {1, 3000, QByteArray()});
            sinceTick.start();
            tickCpuNs = threadCpuNs();
            ticker.start(10);
            QTest::qWait(3000);
            flood.stop();
            QVERIFY(flood.sent() > 10000);
        }
        ticker.stop();
        const qint64 growthMb = (peakBytes - startBytes) >> 20;
        qInfo("longest timer wait %lld ms (%lld ms of processor time), memory growth %lld MB", longestWaitMs,
              longestWorkMs, growthMb);
        QVERIFY2(longestWorkMs <= 200,
                 qPrintable(QStringLiteral("the GUI thread worked %1 ms between two timer turns").arg(longestWorkMs)));
        QVERIFY2(growthMb <= 40, qPrintable(QStringLiteral("memory grew by %1 MB").arg(growthMb)));

        // Whichever datagram came last, these two end at good()'s value. (Sent again until they
        // find room: the flood may have left the socket's buffer full, and the system drops what
        // does not fit.)
        QVERIFY(QTest::qWaitFor([&] {
            f.status->clear();
            f.peer.datagram(other);
            f.peer.datagram(f.good());
            QTest::qWait(100);
            return !f.status->isEmpty() && f.status->last().value(0).toInt() == 0;
        }, 3000));
        QVERIFY(f.link->connected());
    }
};

POKAVRO_TEST_MAIN(TestStatusFlood)
#include "tst_statusflood.moc"
