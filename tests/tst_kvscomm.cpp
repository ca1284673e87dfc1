#include <QHostAddress>
#include <QMetaMethod>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

#include <cstring>
#include <memory>

#include "kvscomm.h"
#include "loopbackpeer.h"
#include "messagelog.h"
#include "queuedspy.h"
#include "testenv.h"

namespace {

// A controller in the test's own thread: the shared loopback peer, streaming one status datagram
// every 40 ms while the timer runs.
class Peer : public QObject, public LoopbackPeer
{
public:
    explicit Peer(int packetSize) : packet(packetSize, '\0')
    {
        qToLittleEndian<quint16>(kVacuumTextSignature, packet.data());
        listen();
        QObject::connect(&timer, &QTimer::timeout, this, [this] { datagram(packet); });
        timer.setInterval(40);
    }
    void sendFrame(quint16 signature, const QByteArray& payload) { write(LinkFrame::encode(signature, payload)); }
    bool closed()
    {
        connection->waitForReadyRead(10);
        return connection->state() == QAbstractSocket::UnconnectedState;
    }

    QByteArray packet;
    QTimer timer;
};

// Records the names of the change signals of a link in the order they arrive.
class SignalLog : public QObject
{
    Q_OBJECT

public:
    explicit SignalLog(QObject* link)
    {
        const QMetaObject* meta = link->metaObject();
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("record()"));
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            if (method.methodType() == QMetaMethod::Signal && method.name().startsWith("changed"))
                connect(link, method, this, slot);
        }
    }
    QStringList names;

public slots:
    void record() { names << QString(senderSignalIndex() >= 0 ? sender()->metaObject()->method(senderSignalIndex()).name().mid(7) : ""); }
};

std::unique_ptr<VacuumLink> makeLink(bool kvs)
{
    if (kvs)
        return std::make_unique<KVSTCPthread>();
    return std::make_unique<KVKTCPthread>();
}

int packetSize(bool kvs)
{
    return kvs ? int(sizeof(KvsStatusPacket)) : int(sizeof(KvkStatusPacket));
}

QByteArray records(int count, int firstId, const char* prefix)
{
    QVector<VacConstRecord> list;
    for (int i = 0; i < count; ++i)
        list << VacConsts::make(firstId + i, float(i), QString("%1 %2").arg(prefix).arg(i));
    return VacConsts::encode(list);
}

}  // namespace

class TestKvsComm : public QObject
{
    Q_OBJECT

    struct Fixture {
        std::unique_ptr<VacuumLink> link;
        std::unique_ptr<Peer> peer;
    };

    // A link of the given kind connected to a fresh peer.
    static Fixture connected(bool kvs, bool stream = true)
    {
        Fixture f;
        f.peer = std::make_unique<Peer>(packetSize(kvs));
        f.link = makeLink(kvs);
        if (!f.link->connect("127.0.0.1", f.peer->tcpPort, f.peer->udpPort) || !f.peer->accept())
            return {};
        if (stream)
            f.peer->timer.start();
        return f;
    }

    std::unique_ptr<MessageLog> m_log;

private slots:
    // The debug log of each test, whatever thread writes it.
    void init() { m_log = std::make_unique<MessageLog>(); }
    void cleanup() { m_log.reset(); }

    void constantsFrames_data()
    {
        QTest::addColumn<bool>("kvs");
        QTest::addColumn<bool>("ownSignature");
        QTest::addColumn<int>("secondBytes");
        QTest::addColumn<int>("count");  // emitted by the second frame; -1: the link ends
        for (bool kvs : {true, false}) {
            const char* name = kvs ? "kvs" : "kvk";
            QTest::addRow("%s: length 0", name) << kvs << true << 0 << 0;
            QTest::addRow("%s: 93 bytes", name) << kvs << true << 93 << 1;
            QTest::addRow("%s: 150 records", name) << kvs << true << 150 * 92 << 100;
            QTest::addRow("%s: shorter second frame", name) << kvs << true << 3 * 92 << 3;
            QTest::addRow("%s: other link's signature", name) << kvs << false << 92 << -1;
        }
    }
    void constantsFrames()
    {
        QFETCH(bool, kvs);
        QFETCH(bool, ownSignature);
        QFETCH(int, secondBytes);
        QFETCH(int, count);
        Fixture f = connected(kvs);
        QVERIFY(f.link);
        QueuedSpy received(f.link.get(), &VacuumLink::constsReceived);
        QueuedSpy down(f.link.get(), &VacuumLink::disconnected);
        const quint16 own = kvs ? LinkFrame::RV : LinkFrame::QV;
        const quint16 other = kvs ? LinkFrame::QV : LinkFrame::RV;

        f.peer->sendFrame(own, records(20, 0, "first"));
        QVERIFY(QTest::qWaitFor([&] { return received.count() == 1; }, 2000));
        QCOMPARE(received.at(0).at(0).toInt(), 20);

        f.peer->sendFrame(ownSignature ? own : other, records(150, 1000, "second").left(secondBytes));
        if (count < 0) {
            QVERIFY(QTest::qWaitFor([&] { return down.count() == 1; }, 2000));
            QVERIFY(m_log->contains("Bad packet signature"));
            QVERIFY(!f.link->connected());
            QCOMPARE(received.count(), 1);
            QCOMPARE(f.link->getVacConsts().size(), 20);  // the table outlives the link
            return;
        }
        QVERIFY(QTest::qWaitFor([&] { return received.count() == 2; }, 2000));
        QCOMPARE(received.at(1).at(0).toInt(), count);
        int reported = -1;
        const QVector<VacConstRecord> table = f.link->getVacConsts(reported);
        QCOMPARE(reported, count);
        QCOMPARE(table.size(), count);
        for (int i = 0; i < count; ++i)
            QCOMPARE(table[i].id, 1000 + i);
        if (count)
            QCOMPARE(table.last().nameText(), QString("second %1").arg(count - 1));
        QVERIFY(f.link->connected());
        QCOMPARE(down.count(), 0);
    }

    void nameFillingItsFieldStopsAtTheField()
    {
        Fixture f = connected(true);
        QVERIFY(f.link);
        QueuedSpy received(f.link.get(), &VacuumLink::constsReceived);
        VacConstRecord record = VacConsts::make(7, 1.5f, "");
        std::memset(record.name, 0xC0, sizeof record.name);  // 84 times 'А', no NUL
        QVector<VacConstRecord> list;
        list.append(record);
        QByteArray payload = VacConsts::encode(list);
        payload += records(1, 8, "next");
        f.peer->sendFrame(LinkFrame::RV, payload);
        QVERIFY(QTest::qWaitFor([&] { return received.count() == 1; }, 2000));
        const QVector<VacConstRecord> table = f.link->getVacConsts();
        QCOMPARE(table.size(), 2);
        QCOMPARE(table[0].nameText(), QString(84, QChar(0x0410)));
        QCOMPARE(table[1].nameText(), QString("next 0"));
    }

    void textFramesAndCommands()
    {
        Fixture f = connected(false);
        QVERIFY(f.link);
        QueuedSpy messages(f.link.get(), &VacuumLink::message);
        f.peer->sendFrame(LinkFrame::PV, QByteArray("OK\0tail", 7));
        f.peer->sendFrame(LinkFrame::PV, QByteArray());
        QVERIFY(QTest::qWaitFor([&] { return messages.count() == 2; }, 2000));
        QCOMPARE(messages.at(0).at(0).toString().mid(11), QString("OK"));
        QVERIFY(QRegularExpression("^\\[\\d\\d:\\d\\d:\\d\\d\\] OK$").match(messages.at(0).at(0).toString()).hasMatch());
        QCOMPARE(messages.at(1).at(0).toString().size(), 11);
        QVERIFY(m_log->contains("KVKTCPthread: < OK"));

        QVERIFY(f.link->command("DOOR PRESS"));
        QVERIFY(QTest::qWaitFor([&] {
            f.peer->connection->waitForReadyRead(10);
            return f.peer->connection->bytesAvailable() >= 14;
        }, 2000));
        QCOMPARE(f.peer->connection->readAll(), QByteArray("PV\x0a\x00" "DOOR PRESS", 14));
        QVERIFY(m_log->contains("KVKTCPthread: > \"DOOR PRESS\""));

        QVERIFY(f.link->disconnect());
        QVERIFY(!f.link->connected());
        QVERIFY(!f.link->command("VP4 ON"));
        QVERIFY(m_log->contains("KVKTCPthread: > \"VP4 ON\""));
        QVERIFY(!f.link->disconnect());
    }

    void connectLogsAndRefusesWhileUp()
    {
        Fixture f = connected(true);
        QVERIFY(f.link);
        QCOMPARE(m_log->texts().mid(0, 3), QStringList({"KVS connect", "KVS tcp connect() done", "KVSTCPthread started"}));
        m_log->clear();
        QVERIFY(!f.link->connect("127.0.0.1", f.peer->tcpPort, TestEnv::freePort()));
        QCOMPARE(m_log->texts(), QStringList({"KVS connect"}));
        QVERIFY(f.link->connected());

        // A refused connection and an address that is not numeric.
        KVKTCPthread kvk;
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 port = closed.serverPort();
        closed.close();
        m_log->clear();
        QVERIFY(!kvk.connect("127.0.0.1", port, TestEnv::freePort()));
        QVERIFY(!kvk.connect("controller.invalid", port, TestEnv::freePort()));
        QCOMPARE(m_log->texts().size(), 2);
        QVERIFY(m_log->texts()[0].startsWith("tcp connect() error: "));
        QVERIFY(m_log->texts()[1].startsWith("gethostbyname() error: "));
        QVERIFY(!kvk.connected());
    }

    void statusStreams_data()
    {
        QTest::addColumn<bool>("kvs");
        QTest::addColumn<int>("fields");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("kvs") << true << 107 << "NL1State" << "Disch8";
        QTest::newRow("kvk") << false << 38 << "VP4State" << "TMNFreq";
    }
    void statusStreams()
    {
        QFETCH(bool, kvs);
        QFETCH(int, fields);
        QFETCH(QString, first);
        QFETCH(QString, last);
        Fixture f = connected(kvs);
        QVERIFY(f.link);
        SignalLog changes(f.link.get());
        QueuedSpy down(f.link.get(), &VacuumLink::disconnected);

        // The first datagram announces every field in emission order.
        QVERIFY(QTest::qWaitFor([&] { return changes.names.size() >= fields; }, 3000));
        QCOMPARE(changes.names.size(), fields);
        QCOMPARE(changes.names.first(), first);
        QCOMPARE(changes.names.last(), last);
        QStringList expected;
        for (const StatusField::Field& field : kvs ? VacuumStatus::kvsFields() : VacuumStatus::kvkFields())
            expected << QString(field.signal).section('(', 0, 0).mid(7);
        QCOMPARE(changes.names, expected);

        // Identical datagrams and datagrams of the wrong size announce nothing; the link stays up.
        const int size = packetSize(kvs);
        for (int wrong : {size - 1, size + 1}) {
            QByteArray bytes = f.peer->packet;
            bytes.resize(wrong);
            bytes.fill('\x7f', wrong);
            qToLittleEndian<quint16>(kVacuumTextSignature, bytes.data());
            for (int i = 0; i < 5; ++i)
                f.peer->datagram(bytes);
        }
        QTest::qWait(400);
        QCOMPARE(changes.names.size(), fields);

        // A changed word is announced by itself, with its value.
        const int offset = kvs ? int(offsetof(KvsStatusPacket, VP5LockOn)) : int(offsetof(KvkStatusPacket, StateLocks));
        qToLittleEndian<qint32>(0x24, f.peer->packet.data() + offset);
        QVERIFY(QTest::qWaitFor([&] { return changes.names.size() == fields + 1; }, 2000));
        QCOMPARE(changes.names.last(), QString(kvs ? "VP5LockOn" : "StateLocks"));

        // A bad signature is logged and changes nothing.
        QByteArray bad = f.peer->packet;
        bad[0] = 'X';
        f.peer->datagram(bad);
        QVERIFY(QTest::qWaitFor([&] { return m_log->contains("Bad signature of drive UDP packet"); }, 2000));
        QTest::qWait(200);
        QCOMPARE(changes.names.size(), fields + 1);
        QCOMPARE(down.count(), 0);
        QVERIFY(f.link->connected());
    }

    // Datagrams that reach the receiver while the GUI thread is busy are emitted together, every
    // state change of each in order; a pressure, a display value, with its latest value only.
    void burstKeepsEveryChange()
    {
        Fixture f = connected(true);
        QVERIFY(f.link);
        auto* link = static_cast<KVSTCPthread*>(f.link.get());
        QStringList seen;
        connect(link, &KVSTCPthread::changedVP1State, this, [&](int v) { seen << QStringLiteral("VP1State=%1").arg(v); });
        connect(link, &KVSTCPthread::changedPT1, this, [&](double v) { seen << QStringLiteral("PT1=%1").arg(v); });
        QVERIFY(QTest::qWaitFor([&] { return seen.size() == 2; }, 3000));
        f.peer->timer.stop();
        QTest::qWait(60);
        seen.clear();

        const struct {
            qint32 state;
            double pressure;
        } burst[] = {{3, 1.0}, {0, 2.0}, {0, 3.0}};
        for (const auto& step : burst) {
            KvsStatusPacket packet;
            std::memcpy(&packet, f.peer->packet.constData(), sizeof packet);
            packet.VP1State = step.state;
            packet.PT1 = step.pressure;
            f.peer->datagram(VacuumStatus::encode(packet));
        }
        QThread::msleep(150);  // the GUI thread is busy while all three arrive
        QVERIFY(QTest::qWaitFor([&] { return seen.size() >= 3; }, 2000));
        QTest::qWait(50);
        QCOMPARE(seen, (QStringList{"VP1State=3", "VP1State=0", "PT1=3"}));
    }

    void lossAndReconnect_data()
    {
        QTest::addColumn<bool>("kvs");
        QTest::newRow("kvs") << true;
        QTest::newRow("kvk") << false;
    }
    void lossAndReconnect()
    {
        QFETCH(bool, kvs);
        Fixture f = connected(kvs);
        QVERIFY(f.link);
        SignalLog changes(f.link.get());
        QueuedSpy down(f.link.get(), &VacuumLink::disconnected);
        const int fields = kvs ? 107 : 38;
        QVERIFY(QTest::qWaitFor([&] { return changes.names.size() == fields; }, 3000));

        // The stream falls silent: about a second later the link ends and closes its connection.
        f.peer->timer.stop();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QTest::qWaitFor([&] { return down.count() == 1; }, 4000));
        QVERIFY2(clock.elapsed() >= 900, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!f.link->connected());
        QVERIFY(QTest::qWaitFor([&] { return !f.link->isRunning(); }, 2000));
        QVERIFY(QTest::qWaitFor([&] { return f.peer->closed(); }, 3000));

        // A new connection announces every field again, from the same port.
        QVERIFY(f.link->connect("127.0.0.1", f.peer->tcpPort, f.peer->udpPort));
        QVERIFY(f.peer->accept());
        f.peer->timer.start();
        QVERIFY(QTest::qWaitFor([&] { return changes.names.size() == 2 * fields; }, 3000));

        // The controller closing the connection ends the link as well.
        f.peer->connection->close();
        QVERIFY(QTest::qWaitFor([&] { return down.count() == 2; }, 3000));
        QVERIFY(m_log->texts().filter("recv() error: ").size() >= 1);
    }

    void destroyingAConnectedLinkEndsIt()
    {
        Fixture f = connected(false);
        QVERIFY(f.link);
        QueuedSpy changesSeen(f.link.get(), SIGNAL(changedVP4State(int)));
        QVERIFY(QTest::qWaitFor([&] { return changesSeen.count() == 1; }, 3000));
        f.link.reset();  // stops and joins both threads
        QVERIFY(QTest::qWaitFor([&] { return f.peer->closed(); }, 3000));
    }
};

POKAVRO_TEST_MAIN(TestKvsComm)
#include "tst_kvscomm.moc"
