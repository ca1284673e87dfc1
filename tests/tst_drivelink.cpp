// The drive link over real loopback sockets: commands, inbound text frames, the status stream,
// loss and reconnection.

#include <QElapsedTimer>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "drivecomm.h"
#include "drivestatus.h"
#include "loopbackpeer.h"
#include "messagelog.h"
#include "queuedspy.h"
#include "testenv.h"

namespace {

// Records the names of the link's change signals in the order they reach the GUI thread.
class EmissionRecorder : public QObject
{
    Q_OBJECT

public:
    explicit EmissionRecorder(DriveTCPthread* link)
    {
        const QMetaObject* meta = link->metaObject();
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("any()"));
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod signal = meta->method(i);
            if (signal.methodType() == QMetaMethod::Signal && signal.name().startsWith("changed")) {
                connect(link, signal, this, slot);
                ++signalCount;
            }
        }
    }
    QStringList names;
    int signalCount = 0;

public slots:
    void any()
    {
        const QMetaMethod signal = sender()->metaObject()->method(senderSignalIndex());
        names << QString::fromLatin1(signal.name().mid(int(qstrlen("changed"))));
    }
};

QByteArray frame(const char sig[2], const QByteArray& payload)
{
    QByteArray bytes(sig, 2);
    bytes.append(char(payload.size() & 0xff)).append(char(payload.size() >> 8));
    return bytes + payload;
}

QByteArray statusWire(quint32 channelState1 = 0)
{
    DriveStatusPacket packet = DriveStatus::blank();
    packet.channelState[0] = channelState1;
    packet.keyAccess = 1;
    return DriveStatus::encode(packet);
}

bool connectLink(DriveTCPthread& link, LoopbackPeer& peer)
{
    return peer.listen() && link.connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort)
           && peer.accept();
}

// Sends the datagram until the link's first emissions come in (the receiver binds its port on its
// own thread, so the very first datagrams may find nobody listening).
bool primeStream(LoopbackPeer& peer, EmissionRecorder& recorder, const QByteArray& wire)
{
    return QTest::qWaitFor([&] {
        peer.datagram(wire);
        QTest::qWait(20);
        return recorder.names.size() >= DriveStatus::FieldCount;
    }, 3000);
}

QStringList emissionOrder()
{
    QStringList names;
    for (int i = 0; i < DriveStatus::FieldCount; ++i)
        names << QString::fromLatin1(DriveStatus::fieldName(i));
    return names;
}

}  // namespace

class TestDriveLink : public QObject
{
    Q_OBJECT

    // The debug log of each test, whatever thread writes it.
    std::unique_ptr<MessageLog> m_log;

private slots:
    void init() { m_log = std::make_unique<MessageLog>(); }
    void cleanup() { m_log.reset(); }

    void commandBytesOnTheWire()
    {
        DriveTCPthread link;
        LoopbackPeer peer;
        QVERIFY(peer.listen());

        // Down: the command is logged, not sent, and reported as false.
        QVERIFY(!link.connected());
        QVERIFY(!link.command(QStringLiteral("DRIVE ON")));
        QVERIFY(m_log->contains("DriveTCPthread: > \"DRIVE ON\""));
        QTest::qWait(50);
        QVERIFY(!peer.server.hasPendingConnections());

        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort));
        QVERIFY(peer.accept());
        QVERIFY(link.connected());
        QVERIFY(!link.connect(QStringLiteral("127.0.0.1"), peer.tcpPort, peer.udpPort));
        QTest::qWait(50);
        QVERIFY(!peer.server.hasPendingConnections());  // the open link was left alone

        QVERIFY(link.command(QStringLiteral("DRIVE ON")));
        QVERIFY(link.command(QStringLiteral("ТЕСТ")));
        const QByteArray expected = QByteArray("PV\x08\x00" "DRIVE ON", 12)
                                    + QByteArray("PV\x08\x00", 4) + QStringLiteral("ТЕСТ").toUtf8();
        QByteArray got;
        QVERIFY(QTest::qWaitFor([&] {
            got += peer.connection->readAll();
            return got.size() >= expected.size();
        }, 2000));
        QCOMPARE(got, expected);
        QVERIFY(link.disconnect());
        QVERIFY(!link.connected());
    }

    void commandAfterPeerClosed()
    {
        DriveTCPthread link;
        LoopbackPeer peer;
        QueuedSpy down(&link, &DriveTCPthread::disconnected);
        QVERIFY(connectLink(link, peer));
        peer.connection->abort();
        QVERIFY(QTest::qWaitFor([&] { return down.count() == 1; }, 2000));
        QVERIFY(!link.connected());
        for (int i = 0; i < 5; ++i)
            QVERIFY(!link.command(QStringLiteral("STOP_PRG")));  // and the process lives
        QVERIFY(!link.disconnect());
    }

    void inboundFrames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("closeAfter");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("linkEnds");
        QTest::addColumn<QString>("logLine");

        QTest::newRow("empty payload") << frame("PV", "") << false << QStringList{""} << false
                                       << "DriveTCPthread: < ";
        QTest::newRow("NUL inside") << frame("PV", QByteArray("Ready\0junk", 10)) << false
                                    << QStringList{"Ready"} << false << "DriveTCPthread: < Ready";
        QTest::newRow("UTF-8") << frame("PV", QStringLiteral("Привод готов").toUtf8()) << false
                               << QStringList{QStringLiteral("Привод готов")} << false << QString();
        QTest::newRow("close mid-payload") << QByteArray("PV\x20\x00" "cut", 7) << true
                                           << QStringList{"cut"} << true << "DriveTCPthread finished";
        QTest::newRow("close between frames") << frame("PV", "a") << true << QStringList{"a"} << true
                                              << "DriveTCPthread finished";
        QTest::newRow("RV") << frame("RV", "xx") << false << QStringList{} << true << "Bad packet signature";
        QTest::newRow("QV") << frame("QV", "") << false << QStringList{} << true << "Bad packet signature";
        QTest::newRow("SQ") << frame("PV", "ok") + frame("SQ", "x") << false << QStringList{"ok"} << true
                            << "Bad packet signature";
        QTest::newRow("garbage") << QByteArray("GARBAGE!") << false << QStringList{} << true
                                 << "Bad packet signature";
    }
    void inboundFrames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, closeAfter);
        QFETCH(QStringList, texts);
        QFETCH(bool, linkEnds);
        QFETCH(QString, logLine);

        DriveTCPthread link;
        LoopbackPeer peer;
        QueuedSpy messages(&link, &DriveTCPthread::message);
        QueuedSpy down(&link, &DriveTCPthread::disconnected);
        QVERIFY(connectLink(link, peer));
        // Written in two pieces with a pause: the header arrives split.
        peer.write(bytes.left(1));
        QTest::qWait(30);
        peer.write(bytes.mid(1));
        if (closeAfter)
            peer.connection->disconnectFromHost();

        if (linkEnds) {
            QVERIFY(QTest::qWaitFor([&] { return down.count() == 1; }, 2000));
            QVERIFY(!link.connected());
        } else {
            QVERIFY(QTest::qWaitFor([&] { return messages.count() >= texts.size(); }, 2000));
            QTest::qWait(50);
            QCOMPARE(down.count(), 0);
            QVERIFY(link.connected());
        }
        if (!logLine.isEmpty())
            QVERIFY2(m_log->waitFor(logLine), qPrintable(m_log->texts().join('\n')));
        QCOMPARE(messages.count(), texts.size());
        const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] "));
        for (int i = 0; i < texts.size(); ++i) {
            const QString text = messages[i][0].toString();
            QVERIFY2(stamp.match(text).hasMatch(), qPrintable(text));
            QCOMPARE(text.mid(11), texts[i]);
        }
    }

    void firstDatagramEmitsEveryField()
    {
        DriveTCPthread link;
        EmissionRecorder recorder(&link);
        QCOMPARE(recorder.signalCount, 93);
        LoopbackPeer peer;
        QSignalSpy channel(&link, &DriveTCPthread::changedChannelState1);
        QSignalSpy key(&link, &DriveTCPthread::changedKeyAccess);
        QCOMPARE(link.channelState(), 0u);
        QVERIFY(connectLink(link, peer));

        QVERIFY(primeStream(peer, recorder, statusWire(0x1234)));
        QTest::qWait(100);
        QCOMPARE(recorder.names, emissionOrder());
        QCOMPARE(channel.count(), 1);
        QCOMPARE(channel[0][0].toUInt(), 0x1234u);
        QCOMPARE(key[0][0].toBool(), true);
        QCOMPARE(link.channelState(), 0x1234u);

        // Identical again, then differing only in bytes that are not read: nothing.
        QByteArray wire = statusWire(0x1234);
        peer.datagram(wire);
        for (int offset : {2, 3, 289, 290, 294, 295})
            wire[offset] = char(0x77);
        peer.datagram(wire);
        QTest::qWait(150);
        QCOMPARE(recorder.names.size(), 96);

        // A flag byte 1 to 2 is a change; a NaN is re-emitted with every datagram (given the time
        // to reach the GUI thread: a coordinate still waiting there would take the newer value's
        // place).
        wire[286] = 2;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        wire.replace(68, 4, QByteArray(reinterpret_cast<const char*>(&nan), 4));
        peer.datagram(wire);
        QVERIFY(QTest::qWaitFor([&] { return recorder.names.size() == 98; }, 1000));
        peer.datagram(wire);
        QVERIFY(QTest::qWaitFor([&] { return recorder.names.size() == 99; }, 1000));
        QCOMPARE(recorder.names.mid(96), (QStringList{"X", "KeyAccess", "X"}));
        QCOMPARE(key.last()[0].toBool(), true);
    }

    // Loss of the status stream ends the link; wrong datagrams do not keep it alive; after
    // reconnecting, the first datagram emits every field again. A coordinate counts as reported
    // from its first delivery until the loss, and again once the new stream has delivered it.
    void lossAndReconnect_data()
    {
        QTest::addColumn<QByteArray>("noise");
        QTest::newRow("silence") << QByteArray();
        QTest::newRow("wrong size") << statusWire().left(200);
        QTest::newRow("wrong signature") << QByteArray("QV") + statusWire().mid(2);
    }
    void lossAndReconnect()
    {
        QFETCH(QByteArray, noise);
        DriveTCPthread link;
        EmissionRecorder recorder(&link);
        LoopbackPeer peer;
        QueuedSpy down(&link, &DriveTCPthread::disconnected);
        float at = -1;
        QVERIFY(!link.reportedPosition(DriveStatusPacket::LY, &at));
        QVERIFY(connectLink(link, peer));
        QVERIFY(!link.reportedPosition(DriveStatusPacket::LY, &at));
        QVERIFY(primeStream(peer, recorder, statusWire(7)));
        QCOMPARE(link.channelState(), 7u);
        QVERIFY(QTest::qWaitFor([&] { return link.reportedPosition(DriveStatusPacket::LY, &at); }, 1000));
        QCOMPARE(at, 0.0f);

        // Keep the stream alive for a while, then only noise (or nothing).
        for (int i = 0; i < 15; ++i) {
            peer.datagram(statusWire(7));
            QTest::qWait(50);
        }
        QElapsedTimer clock;
        peer.datagram(statusWire(7));
        clock.start();
        while (down.isEmpty() && clock.elapsed() < 3000) {
            if (!noise.isEmpty())
                peer.datagram(noise);
            QTest::qWait(10);
        }
        const qint64 lossMs = clock.elapsed();
        // The silence rule ends the link after 1 s; the upper bound leaves room for a loaded
        // machine (a missed rule would run to the 3 s of the loop).
        QVERIFY2(lossMs >= 1000 && lossMs <= 2500, QByteArray::number(lossMs));
        QVERIFY(!link.connected());
        QCOMPARE(m_log->contains("Bad signature of drive UDP packet"), noise.startsWith("QV"));
        QCOMPARE(link.channelState(), 0u);
        QCOMPARE(recorder.names.size(), 96);
        // (The owner hears of the loss on its own thread.)
        QVERIFY(QTest::qWaitFor([&] { return !link.reportedPosition(DriveStatusPacket::LY, &at); }, 1000));
        QVERIFY(!link.reportedPosition(DriveStatusPacket::V, &at));

        // The owner reconnects; the new receiver reports every field again.
        recorder.names.clear();
        peer.server.close();
        QVERIFY(connectLink(link, peer));
        QVERIFY(primeStream(peer, recorder, statusWire(7)));
        QTest::qWait(100);
        QCOMPARE(recorder.names, emissionOrder());
        QCOMPARE(link.channelState(), 7u);
        QVERIFY(link.reportedPosition(DriveStatusPacket::V, &at));
    }

    // Datagrams that reach the receiver while the GUI thread is busy are emitted together: every
    // value of a state word, a channel state and a message word arrives, in order, while a
    // coordinate may skip to its latest value.
    void burstKeepsEveryStateEdge()
    {
        DriveTCPthread link;
        EmissionRecorder recorder(&link);
        LoopbackPeer peer;
        QStringList seen;
        connect(&link, &DriveTCPthread::changedStateLX1, this, [&](int v) { seen << QStringLiteral("StateLX1=%1").arg(v); });
        connect(&link, &DriveTCPthread::changedChannelState1, this, [&](uint v) { seen << QStringLiteral("Channel1=%1").arg(v); });
        connect(&link, &DriveTCPthread::changedMessage, this, [&](uint v) { seen << QStringLiteral("Message=%1").arg(v); });
        QList<float> lx1;
        connect(&link, &DriveTCPthread::changedLX1, this, [&](float v) { lx1 << v; });
        QVERIFY(connectLink(link, peer));
        QVERIFY(primeStream(peer, recorder, statusWire(0)));
        QTest::qWait(100);
        seen.clear();
        lx1.clear();

        struct Step {
            qint32 state;
            quint32 channel;
            quint32 message;
            float lx1;
        };
        const Step burst[] = {{3, 2, 5, 1.0f}, {0, 0, 6, 2.0f}, {0, 0, 5, 3.0f}};
        for (const Step& step : burst) {
            DriveStatusPacket packet = DriveStatus::blank();
            packet.keyAccess = 1;
            packet.driveState[DriveStatusPacket::LX1] = step.state;
            packet.channelState[0] = step.channel;
            packet.message[0] = step.message;
            packet.position[DriveStatusPacket::LX1] = step.lx1;
            peer.datagram(DriveStatus::encode(packet));
        }
        QThread::msleep(150);  // the GUI thread is busy while all three arrive
        QVERIFY(QTest::qWaitFor([&] { return !lx1.isEmpty() && lx1.last() == 3.0f; }, 2000));
        QTest::qWait(50);
        QCOMPARE(seen, (QStringList{"Channel1=2", "StateLX1=3", "Message=5", "Channel1=0", "StateLX1=0",
                                    "Message=6", "Message=5"}));
        QVERIFY(lx1.size() <= 3);
        QCOMPARE(lx1.last(), 3.0f);
        QVERIFY(std::is_sorted(lx1.begin(), lx1.end()));
    }

    // A coordinate held back for a moment still reaches its slot when the stream then pauses,
    // long before the pause would count as a loss.
    void lastCoordinateArrivesWhenTheStreamPauses()
    {
        DriveTCPthread link;
        EmissionRecorder recorder(&link);
        LoopbackPeer peer;
        QVERIFY(connectLink(link, peer));
        QVERIFY(primeStream(peer, recorder, statusWire(0)));
        QTest::qWait(100);

        const auto send = [&](float position) {
            DriveStatusPacket packet = DriveStatus::blank();
            packet.keyAccess = 1;
            packet.position[DriveStatusPacket::LX1] = position;
            peer.datagram(DriveStatus::encode(packet));
        };
        // A plain event loop, which takes each event the moment it comes: the second coordinate
        // goes out right after the first has been handed over, and is held back.
        QEventLoop loop;
        QElapsedTimer clock;
        connect(&link, &DriveTCPthread::changedLX1, &loop, [&](float v) {
            if (v == 1.0f) {
                QTimer::singleShot(0, &loop, [&] {
                    send(2.0f);
                    clock.start();
                });
            } else if (v == 2.0f) {
                loop.exit(int(clock.elapsed()));
            }
        });
        QTimer::singleShot(2000, &loop, [&] { loop.exit(-1); });
        send(1.0f);
        const int ms = loop.exec();
        QVERIFY2(ms >= 0 && ms < 700, QByteArray::number(ms));  // a loss would count after 1 s
        QVERIFY(link.connected());
    }

    // A fast stream is read in gathered runs; the newest coordinate of a run reaches the window
    // as soon as the run has been read, not a pause or a silent turn later.
    void fastStreamShowsItsNewestCoordinateAtOnce()
    {
        DriveTCPthread link;
        EmissionRecorder recorder(&link);
        LoopbackPeer peer;
        QVERIFY(connectLink(link, peer));
        QVERIFY(primeStream(peer, recorder, statusWire(0)));
        QTest::qWait(100);

        // The least of three runs: a loaded machine may hold one of them up, while a coordinate
        // that waited for a silent turn (100 ms) would come late every time.
        constexpr int kRun = 60;
        int least = std::numeric_limits<int>::max();
        for (int run = 0; run < 3; ++run) {
            const float last = float((run + 1) * kRun);
            QElapsedTimer sinceLast;
            QEventLoop loop;
            connect(&link, &DriveTCPthread::changedLX1, &loop, [&](float v) {
                if (v == last)
                    loop.exit(int(sinceLast.elapsed()));
            });
            QTimer::singleShot(2000, &loop, [&] { loop.exit(-1); });
            DriveStatusPacket packet = DriveStatus::blank();
            packet.keyAccess = 1;
            for (int i = run * kRun + 1; i <= (run + 1) * kRun; ++i) {  // a thousand datagrams a second
                packet.position[DriveStatusPacket::LX1] = float(i);
                peer.datagram(DriveStatus::encode(packet));
                QThread::usleep(1000);
            }
            sinceLast.start();
            const int ms = loop.exec();
            QVERIFY2(ms >= 0, "the newest coordinate did not come");
            least = std::min(least, ms);
            QTest::qWait(200);
        }
        QVERIFY2(least < 50, QByteArray::number(least));
    }

    void connectFailures()
    {
        DriveTCPthread link;
        QVERIFY(!link.connect(QStringLiteral("127.0.0.1"), TestEnv::freePort(), TestEnv::freePort()));
        QVERIFY(!link.connect(QStringLiteral("no.such.host"), 5190, 5191));
        const QStringList log = m_log->texts();
        QCOMPARE(log.size(), 2);
        QVERIFY2(log[0].startsWith("tcp connect() error: "), qPrintable(log[0]));
        QVERIFY2(log[1].startsWith("DRIVE gethostbyname() error: "), qPrintable(log[1]));
        QVERIFY(!link.connected());
        QVERIFY(!link.disconnect());
    }

    void destructorJoinsARunningLink()
    {
        LoopbackPeer peer;
        auto* link = new DriveTCPthread;
        QVERIFY(connectLink(*link, peer));
        delete link;  // must not hang and must leave no thread running
        QVERIFY(m_log->contains("DriveTCPthread finished"));
        QVERIFY(QTest::qWaitFor([&] { return peer.connection->state() != QAbstractSocket::ConnectedState; }, 2000));
    }
};

POKAVRO_TEST_MAIN(TestDriveLink)
#include "tst_drivelink.moc"
