#pragma once

// The framed-socket core shared by every controller link.
//
// A controller link is a QThread subclass that owns one FramedSocket (TCP) and, usually, a status
// receiver thread built on StatusStream (UDP). How a link class uses the core:
//
//   connect(host, tcpPort, udpPort):   refuse while isOpen() or while the link's own thread still
//       runs; call socket.open(host, tcpPort) and log the returned ConnectError with the link's
//       own texts; create the status receiver; clear the stop flag; start the thread.
//   command(text):                     log, then return socket.send(LinkFrame::PV, text.toUtf8()).
//       send() writes the whole frame or reports false; it never raises SIGPIPE and never reaches
//       a descriptor that the receive thread has closed meanwhile.
//   run():                              call socket.receive(*this) with the link as FrameHandler.
//       receive() returns when the link has ended (stop requested, peer closed, error, a
//       signature the link does not accept, a frame cut short); then the link calls
//       socket.close(), deletes its status receiver and emits its disconnected() signal.
//   FrameHandler:                       acceptsSignature() lists the signatures the link takes;
//       frameReceived() gets every frame in order (complete == false for a frame cut short, after
//       which receive() ends the link); report() turns each LinkEvent into the link's own log text;
//       stopRequested() is polled at least every 100 ms.
//
// A status receiver runs StatusStream::run() in its own thread with a StatusHandler: the stream
// binds the UDP port, waits in turns of 100 ms, hands over each datagram that passes the filter
// (sender address, exact size and leading signature), and calls silence() before every turn once
// more than ten turns in a row brought no valid datagram. Datagrams that fail the filter are
// counted, reported through rejected() (the first of each kind in a turn) or foreignSender() (once
// per sender) and do not count as traffic.

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <ctime>
#include <netinet/in.h>
#include <sys/types.h>

// Frame of every TCP controller link: u16 signature, u16 payload length (both little-endian),
// then the payload. No padding, no trailer.
struct LinkFrame {
    enum Signature : quint16 {
        PV = 0x5650,  // text, both ways, drive and vacuum links
        QV = 0x5651,  // constants table from the vacuum/door controller
        RV = 0x5652,  // constants table from the vacuum-system controller
        SQ = 0x5153,  // the generic subscribe-by-name link
    };
    static constexpr int HeaderSize = 4;
    static constexpr int MaxPayload = 65535;

    quint16 signature = 0;
    quint16 length = 0;

    // The header and payload as they go on the wire; an empty array when the payload exceeds
    // MaxPayload.
    static QByteArray encode(quint16 signature, const QByteArray& payload);
    // Reads a 4-byte header.
    static LinkFrame parseHeader(const char* header);
    // The two characters that spell a signature on the wire ("PV", "SQ", ...).
    static QByteArray signatureText(quint16 signature);
};

// Local wall-clock time of t as "[hh:mm:ss] " (11 characters), the prefix of received texts.
QString linkTimeStamp(std::time_t t);

// What happened on a link, for the link to log in its own words. `reason` carries the system's
// error text where there is one.
enum class LinkEvent {
    HeaderSelectFailed,   // waiting for a header: select() failed; the link ends
    HeaderRecvFailed,     // recv() of a header failed; the link ends
    HeaderPeerClosed,     // the peer closed the connection before or inside a header; the link ends
    BadSignature,         // a header with a signature the link does not accept; the link ends
    PayloadSelectFailed,  // select() failed inside a payload; the frame is cut short
    PayloadRecvFailed,    // recv() failed inside a payload; the frame is cut short
    PayloadPeerClosed,    // the peer closed inside a payload; the frame is cut short
    StoppedInFrame,       // stop seen after a header or inside a payload; the frame is cut short
    Stopped,              // stop seen between frames; the link ends
};

class FrameHandler
{
public:
    virtual ~FrameHandler() = default;
    virtual bool stopRequested() const = 0;
    virtual bool acceptsSignature(quint16 signature) const = 0;
    // One frame: the payload as far as it arrived. A frame cut short (complete false) ends the
    // link once this returns, since the stream has lost its framing.
    virtual void frameReceived(quint16 signature, const QByteArray& payload, bool complete) = 0;
    virtual void report(LinkEvent event, const QString& reason) = 0;
    // Called before every wait for bytes, so at least every FramedSocket::PollMs while the link
    // is up, on the receive thread.
    virtual void tick() {}
};

// One TCP connection carrying LinkFrames. open() and send() run on the owner's thread, receive()
// and close() on the link's receive thread; the descriptor is guarded by a mutex so that a send
// never reaches a descriptor that has been closed (and perhaps reused by the kernel).
class FramedSocket
{
public:
    struct ConnectError {
        enum Stage { None, AlreadyOpen, Resolve, Socket, Connect };
        Stage stage = None;
        QString reason;  // the system's error text
        bool ok() const { return stage == None; }
    };

    // How long a handshake still in progress is waited for.
    static constexpr int ConnectWaitMs = 20;
    // How long a send waits for room in the socket buffer before it gives up.
    static constexpr int SendWaitMs = 200;
    // select() time-out of the receive loop: the stop flag is seen at least this often.
    static constexpr int PollMs = 100;

    FramedSocket() = default;
    ~FramedSocket();
    FramedSocket(const FramedSocket&) = delete;
    FramedSocket& operator=(const FramedSocket&) = delete;

    // Connects to a numeric IPv4 address (no name lookup). Non-blocking socket, close-on-exec.
    ConnectError open(const QString& host, int port);
    // The IPv4 address (host byte order) of the last successful open(); 0 before the first.
    quint32 peerAddress() const { return m_peer.load(); }
    // Takes over a stream descriptor that is connected already (one end of a socketpair, say);
    // false, leaving fd to the caller, when the link is open.
    bool adopt(int fd);
    bool isOpen() const { return m_fd.load() != -1; }
    int descriptor() const { return m_fd.load(); }

    // Sends one whole frame. False when the link is down, the payload is too long, or the frame
    // could not be written whole; after a partial frame the connection is shut down so that the
    // receive loop ends and the owner reconnects cleanly.
    bool send(quint16 signature, const QByteArray& payload);

    // The receive loop; returns when the link has ended. Does not close the socket.
    void receive(FrameHandler& handler);

    // Closes the descriptor (waits for a send in progress) and marks the link down.
    void close();

private:
    enum class ReadResult { Ok, Stopped, SelectFailed, RecvFailed, PeerClosed };
    ReadResult readExactly(int fd, char* buffer, int size, int& got, FrameHandler& handler,
                           QString& reason);

    mutable QMutex m_mutex;
    std::atomic<int> m_fd{-1};
    std::atomic<quint32> m_peer{0};
};

// An IPv4 address in host byte order as "a.b.c.d".
QString ipv4Text(quint32 address);

// The filter and the silence rule of a status datagram stream.
struct StatusFilter {
    int size = 0;            // exact datagram size; 0 takes any size of at least 2 bytes
    quint16 signature = 0;   // the u16 the datagram starts with
    // The IPv4 address (host byte order) the datagrams must come from: the controller's own, so
    // that no other host on the network can pose as it. 0 takes any sender.
    quint32 source = 0;
};

class StatusHandler
{
public:
    virtual ~StatusHandler() = default;
    virtual bool stopRequested() const = 0;
    // A datagram that passed the filter (StatusStream::readNext() may fetch continuations).
    // True when it was taken as status: only that counts as traffic for the silence rule.
    virtual bool datagramReceived(const char* data, int size) = 0;
    // A datagram of the wrong size (badSignature false) or with the wrong signature: called for
    // the first of each kind in a turn, so that a flood does not flood the log as well (the
    // stream counts every one).
    virtual void rejected(const char* /*data*/, int /*size*/, bool /*badSignature*/) {}
    // A datagram from another address than the filter's source: called once for each such
    // sender (up to StatusStream::ForeignSenders of them), however many datagrams it sends.
    virtual void foreignSender(quint32 /*address*/) {}
    // Called before each turn once more than SilentTurns turns in a row brought nothing valid.
    virtual void silence() = 0;
    // Called after each turn that brought nothing valid.
    virtual void quiet() {}
    // Called when a fast stream has been read to its end and the receiver pauses to gather the
    // next datagrams: what was taken so far is to be handed over now, not after the pause.
    virtual void drained() {}

    // While datagramReceived() runs: the datagram was one of a fast stream's gathered datagrams,
    // so the receiver reads on at once and calls drained() when it has read them all. A display
    // value need not go to the window before then: it would only be overtaken right away. A run
    // into which datagrams keep coming faster than they are read is gathered only for its first
    // StatusStream::GatherMs, so that nothing waits for a drained() that does not come.
    bool gathered() const { return m_gathered; }

    // The port could not be bound; reported once per run().
    virtual void bindFailed(const QString& /*reason*/) {}

private:
    friend class StatusStream;
    bool m_gathered = false;
};

// The UDP receive loop of a status receiver; run it on the receiver's own thread.
//
// The loop works in turns: a turn ends with the first datagram that passes the filter and is
// taken, or after TurnMs, whichever comes first, however many other datagrams arrive meanwhile;
// the stop request is seen between any two datagrams and at least every TurnMs. A stream costs
// one recv() per datagram, and at most one wake-up per datagram or per GatherMs, whichever is
// fewer: a datagram that comes less than GatherMs after the one before is taken at most GatherMs
// later than it came.
class StatusStream
{
public:
    static constexpr int TurnMs = 100;
    static constexpr int SilentTurns = 10;
    // While datagrams come faster than this, how long a turn gathers them before it takes the next.
    static constexpr int GatherMs = 20;
    // Foreign senders that are reported one by one; any further one is only counted.
    static constexpr int ForeignSenders = 16;

    StatusStream(int port, StatusFilter filter);
    ~StatusStream();
    StatusStream(const StatusStream&) = delete;
    StatusStream& operator=(const StatusStream&) = delete;

    // Binds the port (every local IPv4 address) and loops until handler.stopRequested(). Each
    // silent turn lasts TurnMs, also when the bind failed or when only rejected datagrams arrived.
    void run(StatusHandler& handler);

    // For continuation datagrams, from datagramReceived(): waits up to timeoutMs for the next
    // datagram that carries bytes and appends it to `out`. Empty datagrams do not end the wait
    // (they are counted as rejected). False on time-out or stop (seen at least every TurnMs).
    // The wait counts no silent turns: the silence rule belongs to run()'s own loop, and a
    // message being completed is no silence.
    bool readNext(QByteArray& out, int timeoutMs, StatusHandler& handler);

    // Datagrams taken as status, and datagrams rejected (foreign sender, wrong size or signature,
    // dropped messages, empty continuations), since construction; readable from any thread.
    quint64 accepted() const { return m_accepted.load(std::memory_order_relaxed); }
    quint64 rejected() const { return m_rejected.load(std::memory_order_relaxed); }

private:
    // One turn; true when a datagram was taken as status.
    bool turn(StatusHandler& handler);
    void countSilentTurn(StatusHandler& handler);
    // True when a datagram comes from the filter's source; otherwise it is counted as rejected
    // and its sender reported if it is new.
    bool fromSource(const sockaddr_in& from, StatusHandler& handler);

    const int m_port;
    const StatusFilter m_filter;
    int m_fd = -1;
    int m_silent = 0;
    // Datagrams come faster than one per GatherMs: gather them.
    bool m_gathering = false;
    QElapsedTimer m_clock;
    qint64 m_lastTakenNs = -1;  // on m_clock, when the last datagram was taken
    qint64 m_runStartNs = 0;    // on m_clock, when the gathered run being read began
    QByteArray m_buffer;
    quint32 m_foreign[ForeignSenders] = {};
    int m_foreignCount = 0;
    std::atomic<quint64> m_accepted{0};
    std::atomic<quint64> m_rejected{0};
};
