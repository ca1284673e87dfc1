// The framed-socket core and the status-stream loop, against real loopback peers.

#include <QElapsedTimer>
#include <QMutex>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUdpSocket>
#include <QtTest>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "comm.h"
#include "loopbackpeer.h"
#include "testenv.h"

namespace {

struct Frame {
    quint16 signature;
    QByteArray payload;
    bool complete;
};

// A minimal link: runs the core's receive loop on its own thread and records what it sees.
class RecordingLink : public QThread, public FrameHandler
{
public:
    explicit RecordingLink(QSet<quint16> accepted = {LinkFrame::PV}) : m_accepted(accepted) {}
    ~RecordingLink() override
    {
        stop = true;
        wait();
    }

    bool stopRequested() const override { return stop.load(); }
    bool acceptsSignature(quint16 signature) const override { return m_accepted.contains(signature); }
    void frameReceived(quint16 signature, const QByteArray& payload, bool complete) override
    {
        QMutexLocker lock(&m_mutex);
        m_frames.append({signature, payload, complete});
    }
    void report(LinkEvent event, const QString&) override
    {
        QMutexLocker lock(&m_mutex);
        m_events.append(int(event));
    }

    QList<Frame> frames() const
    {
        QMutexLocker lock(&m_mutex);
        return m_frames;
    }
    QList<int> events() const
    {
        QMutexLocker lock(&m_mutex);
        return m_events;
    }

    FramedSocket socket;
    std::atomic<bool> stop{false};

protected:
    void run() override
    {
        socket.receive(*this);
        socket.close();
    }

private:
    QSet<quint16> m_accepted;
    mutable QMutex m_mutex;
    QList<Frame> m_frames;
    QList<int> m_events;
};

QByteArray header(const char sig[2], quint16 length)
{
    QByteArray bytes(sig, 2);
    bytes.append(char(length & 0xff)).append(char(length >> 8));
    return bytes;
}

// Bytes that wait in a socket's receive buffer, unread.
int unreadBytes(int fd)
{
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

bool openLink(RecordingLink& link, LoopbackPeer& peer)
{
    if (!peer.listen())
        return false;
    if (!link.socket.open(QStringLiteral("127.0.0.1"), peer.tcpPort).ok())
        return false;
    link.start();
    return peer.accept();
}

}  // namespace

Q_DECLARE_METATYPE(QList<QByteArray>)

class TestLinkCore : public QObject
{
    Q_OBJECT

private slots:
    void frameEncoding_data()
    {
        QTest::addColumn<int>("signature");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("PV text") << int(LinkFrame::PV) << QByteArray("DRIVE ON")
                                 << QByteArray("PV\x08\x00" "DRIVE ON", 12);
        QTest::newRow("SQ empty") << int(LinkFrame::SQ) << QByteArray() << QByteArray("SQ\x00\x00", 4);
        QTest::newRow("RV") << int(LinkFrame::RV) << QByteArray(300, 'x')
                            << QByteArray("RV\x2c\x01", 4) + QByteArray(300, 'x');
        QTest::newRow("QV largest") << int(LinkFrame::QV) << QByteArray(65535, 'q')
                                    << QByteArray("QV\xff\xff", 4) + QByteArray(65535, 'q');
        QTest::newRow("too long") << int(LinkFrame::PV) << QByteArray(65536, 'x') << QByteArray();
    }
    void frameEncoding()
    {
        QFETCH(int, signature);
        QFETCH(QByteArray, payload);
        QFETCH(QByteArray, wire);
        const QByteArray frame = LinkFrame::encode(quint16(signature), payload);
        QCOMPARE(frame, wire);
        if (!wire.isEmpty()) {
            const LinkFrame parsed = LinkFrame::parseHeader(frame.constData());
            QCOMPARE(int(parsed.signature), signature);
            QCOMPARE(int(parsed.length), payload.size());
            QCOMPARE(LinkFrame::signatureText(parsed.signature), wire.left(2));
        }
    }

    void timeStampFormat()
    {
        struct tm local {};
        local.tm_year = 126;
        local.tm_mon = 2;
        local.tm_mday = 14;
        local.tm_hour = 9;
        local.tm_min = 5;
        local.tm_sec = 7;
        local.tm_isdst = -1;
        QCOMPARE(linkTimeStamp(mktime(&local)), QStringLiteral("[09:05:07] "));
    }

    void connectErrors()
    {
        FramedSocket socket;
        QCOMPARE(socket.open(QStringLiteral("localhost"), 5190).stage, FramedSocket::ConnectError::Resolve);
        QCOMPARE(socket.open(QStringLiteral("127.0.0.1"), 0).stage, FramedSocket::ConnectError::Resolve);
        // Nobody listens on a free port: refused, and the socket stays down.
        QElapsedTimer clock;
        clock.start();
        const FramedSocket::ConnectError refused = socket.open(QStringLiteral("127.0.0.1"), TestEnv::freePort());
        QCOMPARE(refused.stage, FramedSocket::ConnectError::Connect);
        QVERIFY(!refused.reason.isEmpty());
        QVERIFY(clock.elapsed() < 500);
        QVERIFY(!socket.isOpen());
        QVERIFY(!socket.send(LinkFrame::PV, "x"));

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, TestEnv::freePort()));
        QVERIFY(socket.open(QStringLiteral("127.0.0.1"), server.serverPort()).ok());
        QVERIFY(socket.isOpen());
        QVERIFY(fcntl(socket.descriptor(), F_GETFD) & FD_CLOEXEC);
        const int fd = socket.descriptor();
        QCOMPARE(socket.open(QStringLiteral("127.0.0.1"), server.serverPort()).stage,
                 FramedSocket::ConnectError::AlreadyOpen);
        QCOMPARE(socket.descriptor(), fd);
        socket.close();
        QVERIFY(!socket.isOpen());
    }

    // A descriptor connected by other means (here a socketpair) carries frames both ways; an open
    // link refuses a second one.
    void adoptedDescriptor()
    {
        int ends[2];
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        RecordingLink link;
        QVERIFY(!link.socket.adopt(-1));
        QVERIFY(link.socket.adopt(ends[0]));
        QVERIFY(!link.socket.adopt(ends[1]));
        QCOMPARE(link.socket.descriptor(), ends[0]);
        link.start();
        QVERIFY(link.socket.send(LinkFrame::PV, "up"));
        char sent[6];
        QCOMPARE(::recv(ends[1], sent, sizeof sent, MSG_WAITALL), ssize_t(sizeof sent));
        QCOMPARE(QByteArray(sent, 6), header("PV", 2) + "up");
        const QByteArray frame = header("PV", 4) + "down";
        QCOMPARE(::send(ends[1], frame.constData(), size_t(frame.size()), MSG_NOSIGNAL), ssize_t(frame.size()));
        ::shutdown(ends[1], SHUT_WR);
        QVERIFY(link.wait(2000));
        QCOMPARE(link.frames().size(), 1);
        QCOMPARE(link.frames()[0].payload, QByteArray("down"));
        QCOMPARE(link.events(), QList<int>{int(LinkEvent::HeaderPeerClosed)});
        ::close(ends[1]);
    }

    // Frames written by the peer in chunks (with pauses between them) and what the link sees.
    void inboundFrames_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<bool>("closeAfter");
        QTest::addColumn<QList<QByteArray>>("payloads");
        QTest::addColumn<bool>("lastComplete");
        QTest::addColumn<int>("endEvent");  // -1: the link stays up

        using L = QList<QByteArray>;
        QTest::newRow("empty payload") << L{header("PV", 0)} << false << L{QByteArray()} << true << -1;
        QTest::newRow("NUL inside") << L{header("PV", 5) + QByteArray("ab\0cd", 5)} << false
                                    << L{QByteArray("ab\0cd", 5)} << true << -1;
        QTest::newRow("split header") << L{QByteArray("P"), QByteArray("V\x02", 2), QByteArray("\x00" "ok", 3)}
                                      << false << L{"ok"} << true << -1;
        QTest::newRow("split payload") << L{header("PV", 6) + "abc", QByteArray("def")} << false
                                       << L{"abcdef"} << true << -1;
        QTest::newRow("two in one write") << L{header("PV", 1) + "a" + header("PV", 2) + "bc"} << false
                                          << L{"a", "bc"} << true << -1;
        QTest::newRow("close between frames") << L{header("PV", 2) + "hi"} << true << L{"hi"} << true
                                              << int(LinkEvent::HeaderPeerClosed);
        QTest::newRow("close inside header") << L{QByteArray("PV\x05", 3)} << true << L{} << true
                                             << int(LinkEvent::HeaderPeerClosed);
        QTest::newRow("close mid-payload") << L{header("PV", 10) + "part"} << true << L{"part"} << false
                                           << int(LinkEvent::PayloadPeerClosed);
        QTest::newRow("RV") << L{header("RV", 0)} << false << L{} << true << int(LinkEvent::BadSignature);
        QTest::newRow("QV") << L{header("QV", 1) + "x"} << false << L{} << true << int(LinkEvent::BadSignature);
        QTest::newRow("SQ") << L{header("PV", 1) + "a" + header("SQ", 1) + "x"} << false << L{"a"} << true
                            << int(LinkEvent::BadSignature);
        QTest::newRow("garbage") << L{QByteArray("\xde\xad\xbe\xef", 4)} << false << L{} << true
                                 << int(LinkEvent::BadSignature);
    }
    void inboundFrames()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(bool, closeAfter);
        QFETCH(QList<QByteArray>, payloads);
        QFETCH(bool, lastComplete);
        QFETCH(int, endEvent);

        RecordingLink link;
        LoopbackPeer peer;
        QVERIFY(openLink(link, peer));
        for (const QByteArray& chunk : chunks) {
            peer.write(chunk);
            QTest::qWait(30);
        }
        if (closeAfter)
            peer.connection->disconnectFromHost();

        if (endEvent >= 0) {
            QVERIFY(link.wait(2000));
            QCOMPARE(link.events(), QList<int>{endEvent});
            QVERIFY(!link.socket.isOpen());
        } else {
            QVERIFY(QTest::qWaitFor([&] { return link.frames().size() >= payloads.size(); }, 2000));
            QTest::qWait(50);
            QVERIFY(link.isRunning());
            QVERIFY(link.events().isEmpty());
        }
        const QList<Frame> frames = link.frames();
        QCOMPARE(frames.size(), payloads.size());
        for (int i = 0; i < frames.size(); ++i) {
            QCOMPARE(frames[i].signature, quint16(LinkFrame::PV));
            QCOMPARE(frames[i].payload, payloads[i]);
            QCOMPARE(frames[i].complete, i + 1 < frames.size() || lastComplete);
        }
    }

    void acceptedSignaturesAreTheLinks()
    {
        RecordingLink link({LinkFrame::PV, LinkFrame::RV});
        LoopbackPeer peer;
        QVERIFY(openLink(link, peer));
        peer.write(header("RV", 2) + "ab" + header("PV", 1) + "c" + header("QV", 0));
        QVERIFY(link.wait(2000));
        const QList<Frame> frames = link.frames();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].signature, quint16(LinkFrame::RV));
        QCOMPARE(frames[1].signature, quint16(LinkFrame::PV));
        QCOMPARE(link.events(), QList<int>{int(LinkEvent::BadSignature)});
    }

    void stopEndsTheLoopPromptly_data()
    {
        QTest::addColumn<QByteArray>("pending");
        QTest::addColumn<int>("endEvent");
        QTest::newRow("between frames") << QByteArray() << int(LinkEvent::Stopped);
        QTest::newRow("inside a payload") << header("PV", 100) + "abc" << int(LinkEvent::StoppedInFrame);
    }
    void stopEndsTheLoopPromptly()
    {
        QFETCH(QByteArray, pending);
        QFETCH(int, endEvent);
        RecordingLink link;
        LoopbackPeer peer;
        QVERIFY(openLink(link, peer));
        if (!pending.isEmpty()) {
            peer.write(pending);
            // Stopped once the loop has read the pending bytes, so that it is inside the frame.
            QVERIFY(QTest::qWaitFor([&] { return unreadBytes(link.socket.descriptor()) == 0; }, 5000));
        }
        QTest::qWait(50);
        QElapsedTimer clock;
        clock.start();
        link.stop = true;
        QVERIFY(link.wait(1000));
        QVERIFY(clock.elapsed() < 300);
        QCOMPARE(link.events().value(0), endEvent);
    }

    void sendWritesTheWholeFrame()
    {
        RecordingLink link;
        LoopbackPeer peer;
        QVERIFY(openLink(link, peer));
        QVERIFY(link.socket.send(LinkFrame::PV, "DRIVE ON"));
        QVERIFY(link.socket.send(LinkFrame::PV, QByteArray(65535, 'z')));
        QVERIFY(!link.socket.send(LinkFrame::PV, QByteArray(65536, 'z')));
        const QByteArray expected = QByteArray("PV\x08\x00" "DRIVE ON", 12) + QByteArray("PV\xff\xff", 4)
                                    + QByteArray(65535, 'z');
        QByteArray got;
        QVERIFY(QTest::qWaitFor([&] {
            got += peer.connection->readAll();
            return got.size() >= expected.size();
        }, 3000));
        QCOMPARE(got, expected);
    }

    void sendAfterPeerClosedFailsQuietly()
    {
        RecordingLink link;
        LoopbackPeer peer;
        QVERIFY(openLink(link, peer));
        peer.connection->abort();
        // The first sends may still find room in the kernel; once the reset is back every send
        // fails, and no SIGPIPE ends the process.
        bool failed = false;
        for (int i = 0; i < 100 && !failed; ++i) {
            failed = !link.socket.send(LinkFrame::PV, "STOP_PRG");
            QTest::qWait(10);
        }
        QVERIFY(failed);
        QVERIFY(link.wait(2000));
        QVERIFY(!link.socket.send(LinkFrame::PV, "STOP_PRG"));
    }

    // A peer that stops reading: sends fail within their bound, and a frame that could only be
    // written in part shuts the connection down, so the peer never sees a broken frame followed
    // by more data.
    void stalledPeerNeverGetsAHalfFrameAndMore()
    {
        RecordingLink link;
        LoopbackPeer peer;
        QVERIFY(openLink(link, peer));
        peer.connection->setReadBufferSize(1);
        const QByteArray payload(65535, 'w');
        QElapsedTimer clock;
        clock.start();
        int sent = 0;
        while (sent < 2000 && link.socket.send(LinkFrame::PV, payload))
            ++sent;
        QVERIFY(sent < 2000);
        QVERIFY(clock.elapsed() < 60000);

        peer.connection->setReadBufferSize(0);
        const qint64 frameSize = payload.size() + LinkFrame::HeaderSize;
        qint64 received = 0;
        (void)QTest::qWaitFor([&] {
            received += peer.connection->readAll().size();
            return received >= sent * frameSize
                   && (received % frameSize == 0 || peer.connection->state() != QAbstractSocket::ConnectedState);
        }, 5000);
        received += peer.connection->readAll().size();
        if (received % frameSize != 0) {
            QVERIFY(link.wait(2000));  // the link was shut down after the partial frame
        } else {
            QCOMPARE(received, sent * frameSize);
            QVERIFY(link.socket.send(LinkFrame::PV, "x"));  // nothing left half-written: still usable
        }
    }

    // Sends racing the end of the link reach either the open connection or nothing at all.
    void sendRacingClose()
    {
        for (int round = 0; round < 20; ++round) {
            RecordingLink link;
            LoopbackPeer peer;
            QVERIFY(openLink(link, peer));
            std::atomic<bool> done{false};
            std::atomic<int> failures{0};
            QThread* sender = QThread::create([&] {
                while (!done.load()) {
                    if (!link.socket.send(LinkFrame::PV, "MOVE(X,0)"))
                        ++failures;
                }
            });
            sender->start();
            link.stop = true;
            QVERIFY(link.wait(5000));
            QVERIFY(QTest::qWaitFor([&] { return failures.load() > 0; }, 5000));
            done = true;
            QVERIFY(sender->wait(5000));
            delete sender;
        }
    }

    // ---- status stream ---------------------------------------------------------------------

    void statusFilterAndSilence_data()
    {
        QTest::addColumn<QByteArray>("noise");
        QTest::newRow("silence") << QByteArray();
        QTest::newRow("wrong size") << QByteArray("PV") + QByteArray(30, '\0');
        QTest::newRow("wrong signature") << QByteArray("QV") + QByteArray(38, '\0');
    }
    void statusFilterAndSilence()
    {
        QFETCH(QByteArray, noise);
        const quint16 port = TestEnv::freePort();
        StatusRecorder handler(port, StatusFilter{40, LinkFrame::PV});
        handler.start();
        QUdpSocket sender;
        const QByteArray good = QByteArray("PV") + QByteArray(38, '\x01');
        QVERIFY(handler.warmUp(sender, good, 0));
        // Every warm-up datagram taken, the count of silent turns starts at one more good one.
        const int warm = handler.received.load();
        sender.writeDatagram(good, QHostAddress::LocalHost, port);
        QVERIFY(QTest::qWaitFor([&] { return handler.received.load() == warm + 1; }, 5000));
        const int good0 = handler.received.load();
        QElapsedTimer clock;
        clock.start();
        // Only noise from now on: it is rejected and the stream is silent for the loss rule.
        quint64 sent = 0;
        while (handler.silences.load() == 0 && clock.elapsed() < 2000) {
            if (!noise.isEmpty() && sender.writeDatagram(noise, QHostAddress::LocalHost, port) == noise.size())
                ++sent;
            QTest::qWait(20);
        }
        const qint64 firstLoss = handler.firstSilenceMs.load() - handler.lastGoodMs.load();
        QVERIFY2(firstLoss >= 1000 && firstLoss <= 1300, QByteArray::number(firstLoss));
        QCOMPARE(handler.received.load(), good0);
        if (!noise.isEmpty()) {
            // Every one is counted; the handler hears of the first of each turn only.
            QVERIFY(sent > 10);
            QVERIFY2(QTest::qWaitFor([&] { return handler.stream().rejected() == sent; }, 1000),
                     QByteArray::number(handler.stream().rejected()) + " of " + QByteArray::number(sent));
            QVERIFY(handler.rejections.load() >= 10 && quint64(handler.rejections.load()) < handler.stream().rejected());
        }
        // Further silent turns repeat the report about every 100 ms.
        QTest::qWait(450);
        QVERIFY(handler.silences.load() >= 3 && handler.silences.load() <= 7);
        // A good datagram resets the count.
        sender.writeDatagram(good, QHostAddress::LocalHost, port);
        QVERIFY(QTest::qWaitFor([&] { return handler.received.load() == good0 + 1; }, 1000));
        const int silences = handler.silences.load();
        QTest::qWait(600);
        QCOMPARE(handler.silences.load(), silences);
    }

    void failedBindKeepsTheTurnLength()
    {
        // Hold the port without address reuse so that the stream's bind fails.
        const quint16 port = TestEnv::freePort();
        const int holder = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

        StatusRecorder handler(port, StatusFilter{40, LinkFrame::PV});
        handler.start();
        // Eleven turns pass before the first report; then one each turn. (The turns are counted
        // on the receiver's own clock: a loaded machine may stretch them, never shorten them.)
        QVERIFY(QTest::qWaitFor([&] { return handler.silences.load() >= 4; }, 10000));
        handler.stop = true;
        QVERIFY(handler.wait(5000));
        ::close(holder);
        QCOMPARE(handler.bindFailures.load(), 1);
        const QList<qint64> at = handler.silenceTimes();
        QVERIFY2(at.first() >= 10 * StatusStream::TurnMs, QByteArray::number(at.first()));
        for (int i = 1; i < at.size(); ++i)
            QVERIFY2(at[i] - at[i - 1] >= StatusStream::TurnMs - 5, QByteArray::number(at[i] - at[i - 1]));
    }

    void continuationDatagrams()
    {
        const quint16 port = TestEnv::freePort();
        StatusRecorder handler(port, StatusFilter{0, LinkFrame::SQ});
        handler.readContinuation = true;
        handler.start();
        QUdpSocket sender;
        QVERIFY(QTest::qWaitFor([&] {
            sender.writeDatagram(QByteArray("SQ\x03\x00" "ab", 6), QHostAddress::LocalHost, port);
            QTest::qWait(30);
            sender.writeDatagram(QByteArray("c"), QHostAddress::LocalHost, port);
            return handler.received.load() > 0;
        }, 2000));
        QVERIFY(QTest::qWaitFor([&] { return !handler.lastMessage().isEmpty(); }, 1000));
        QCOMPARE(handler.lastMessage().mid(4, 3), QByteArray("abc"));
    }

    // Given the controller's address, the stream takes datagrams from there only, also as
    // continuations: any other sender is counted as rejected, is no sign of life, and is
    // reported once however many datagrams it sends.
    void foreignSenders()
    {
        const quint16 port = TestEnv::freePort();
        StatusRecorder handler(port, StatusFilter{0, LinkFrame::SQ, 0x7f000001});
        handler.readContinuation = true;
        handler.start();
        QUdpSocket controller;
        QUdpSocket second;
        QUdpSocket third;
        QVERIFY(controller.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        QVERIFY(second.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        QVERIFY(third.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0));
        const QByteArray whole("SQ\x01\x00" "a", 5);
        QVERIFY(handler.warmUp(controller, whole, 20));
        const int received = handler.received.load();
        const quint64 rejected = handler.stream().rejected();

        // A message whose continuation comes from elsewhere first: only the controller's bytes
        // complete it.
        controller.writeDatagram(QByteArray("SQ\x03\x00" "ab", 6), QHostAddress::LocalHost, port);
        QTest::qWait(30);
        second.writeDatagram(QByteArray("x"), QHostAddress::LocalHost, port);
        QTest::qWait(30);
        controller.writeDatagram(QByteArray("c"), QHostAddress::LocalHost, port);
        QVERIFY(QTest::qWaitFor([&] { return handler.received.load() == received + 1; }, 1000));
        QCOMPARE(handler.lastMessage(), QByteArray("SQ\x03\x00" "abc", 7));

        // Whole messages from two other senders, the second sender's many times.
        for (int i = 0; i < 20; ++i)
            second.writeDatagram(whole, QHostAddress::LocalHost, port);
        third.writeDatagram(whole, QHostAddress::LocalHost, port);
        QVERIFY2(QTest::qWaitFor([&] { return handler.stream().rejected() == rejected + 22; }, 1000),
                 QByteArray::number(handler.stream().rejected() - rejected));
        QCOMPARE(handler.received.load(), received + 1);
        QCOMPARE(handler.foreign(), (QList<quint32>{0x7f000002, 0x7f000003}));

        // Only they keep sending: the stream is silent for the loss rule.
        QElapsedTimer clock;
        clock.start();
        while (handler.silences.load() == 0 && clock.elapsed() < 2000) {
            second.writeDatagram(whole, QHostAddress::LocalHost, port);
            QTest::qWait(10);
        }
        QVERIFY2(clock.elapsed() < 1500, QByteArray::number(clock.elapsed()));
        QCOMPARE(handler.foreign().size(), 2);
    }

    // A fast stream is read in gathered runs, each handed on through drained() once it has been
    // read to its end. Datagrams that come faster than the receiver reads them never let a run
    // end: they count as gathered only for the first GatherMs of it, so that nothing taken waits
    // for drained() longer than that.
    void gatheredRunEndsInTime()
    {
        const quint16 port = TestEnv::freePort();
        StatusRecorder handler(port, StatusFilter{40, LinkFrame::PV});
        handler.start();
        QUdpSocket sender;
        const QByteArray good = QByteArray("PV") + QByteArray(38, '\x01');
        QVERIFY(handler.warmUp(sender, good, 30));
        const int before = handler.received.load();
        handler.takeEvents();

        // Each datagram keeps the receiver 2 ms: the 60 wait in the socket from the first on.
        handler.takeMs = 2;
        constexpr int kCount = 60;
        for (int i = 0; i < kCount; ++i)
            QCOMPARE(sender.writeDatagram(good, QHostAddress::LocalHost, port), qint64(good.size()));
        QVERIFY(QTest::qWaitFor([&] { return handler.received.load() == before + kCount; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return handler.takeEvents(false).endsWith(QLatin1Char('D')); }, 1000));

        // g: taken as gathered, n: taken as any other, D: drained().
        const QString events = handler.takeEvents();
        int longest = 0;
        for (const QString& run : events.split(QRegularExpression(QStringLiteral("[nD]+")), Qt::SkipEmptyParts))
            longest = std::max(longest, int(run.size()));
        QVERIFY2(longest <= StatusStream::GatherMs / 2 + 1, qPrintable(events));
        QCOMPARE(events.count(QLatin1Char('g')) + events.count(QLatin1Char('n')), kCount);
    }

private:
    class StatusRecorder : public QThread, public StatusHandler
    {
    public:
        StatusRecorder(int port, StatusFilter filter) : m_port(quint16(port)), m_stream(port, filter) { clock.start(); }
        ~StatusRecorder() override
        {
            stop = true;
            wait();
        }
        bool stopRequested() const override { return stop.load(); }
        bool datagramReceived(const char* data, int size) override
        {
            QByteArray message(data, size);
            if (readContinuation)
                m_stream.readNext(message, 1000, *this);
            {
                QMutexLocker lock(&m_mutex);
                m_last = message;
            }
            lastGoodMs = clock.elapsed();
            note(gathered() ? 'g' : 'n');
            if (takeMs > 0)
                QThread::msleep(ulong(takeMs));
            ++received;
            return true;
        }
        void drained() override { note('D'); }
        void rejected(const char*, int, bool) override { ++rejections; }
        void silence() override
        {
            if (silences.fetch_add(1) == 0)
                firstSilenceMs = clock.elapsed();
            QMutexLocker lock(&m_mutex);
            m_silenceTimes << clock.elapsed();
        }
        void quiet() override { ++quietTurns; }
        // Waits (bounded) until the datagrams sent so far have all been taken: two whole turns
        // have passed without any, the second begun after this call. (Warm-up datagrams that a
        // busy receiver had not read yet would otherwise count as the test's own.)
        bool drain()
        {
            const int from = quietTurns.load();
            return QTest::qWaitFor([&] { return quietTurns.load() >= from + 2; }, 10000);
        }
        // Sends `datagram` from `sender` (pausing `pauseMs` after each) until the receiver has taken
        // one, then waits until it has taken every one sent: the test's own datagrams start after.
        bool warmUp(QUdpSocket& sender, const QByteArray& datagram, int pauseMs)
        {
            const bool taken = QTest::qWaitFor([&] {
                sender.writeDatagram(datagram, QHostAddress::LocalHost, m_port);
                if (pauseMs > 0)
                    QTest::qWait(pauseMs);
                return received.load() > 0;
            }, 2000);
            return taken && drain();
        }
        // When each silence report came, on the recorder's clock.
        QList<qint64> silenceTimes() const
        {
            QMutexLocker lock(&m_mutex);
            return m_silenceTimes;
        }
        void bindFailed(const QString&) override { ++bindFailures; }
        void foreignSender(quint32 address) override
        {
            QMutexLocker lock(&m_mutex);
            m_foreign << address;
        }
        QByteArray lastMessage() const
        {
            QMutexLocker lock(&m_mutex);
            return m_last;
        }
        // What happened since the last call, one letter each (see gatheredRunEndsInTime()).
        QString takeEvents(bool clear = true)
        {
            QMutexLocker lock(&m_mutex);
            const QString events = m_events;
            if (clear)
                m_events.clear();
            return events;
        }
        QList<quint32> foreign() const
        {
            QMutexLocker lock(&m_mutex);
            return m_foreign;
        }

        std::atomic<bool> stop{false};
        std::atomic<int> received{0}, rejections{0}, silences{0}, bindFailures{0}, quietTurns{0};
        std::atomic<qint64> firstSilenceMs{0}, lastGoodMs{0};
        bool readContinuation = false;
        std::atomic<int> takeMs{0};  // how long each datagram keeps the receiver
        QElapsedTimer clock;
        const StatusStream& stream() const { return m_stream; }

    protected:
        void run() override { m_stream.run(*this); }

    private:
        quint16 m_port;
        StatusStream m_stream;
        mutable QMutex m_mutex;
        QByteArray m_last;
        QList<quint32> m_foreign;
        QList<qint64> m_silenceTimes;
        QString m_events;

        void note(char event)
        {
            QMutexLocker lock(&m_mutex);
            m_events += QLatin1Char(event);
        }
    };
};

POKAVRO_TEST_MAIN(TestLinkCore)
#include "tst_linkcore.moc"
