#include "comm.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QtEndian>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Milliseconds left until `deadlineMs` on `clock`, rounded up (so that a wait never ends early)
// and never negative.
int remainingMs(const QElapsedTimer& clock, qint64 deadlineMs)
{
    const qint64 leftNs = deadlineMs * 1000000 - clock.nsecsElapsed();
    return leftNs <= 0 ? 0 : int((leftNs + 999999) / 1000000);
}

// Waits until fd is ready for `events` or timeoutMs have passed; retried on EINTR with the time
// that is left. Returns poll()'s result (1 ready, 0 time-out, -1 failure with errno set).
int pollFor(int fd, short events, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, remainingMs(clock, timeoutMs));
        if (rc >= 0 || errno != EINTR)
            return rc;
    }
}

}  // namespace

// ---- LinkFrame -----------------------------------------------------------------------------

QByteArray LinkFrame::encode(quint16 signature, const QByteArray& payload)
{
    if (payload.size() > MaxPayload)
        return QByteArray();
    QByteArray frame(HeaderSize + payload.size(), Qt::Uninitialized);
    qToLittleEndian<quint16>(signature, frame.data());
    qToLittleEndian<quint16>(quint16(payload.size()), frame.data() + 2);
    if (!payload.isEmpty())
        std::memcpy(frame.data() + HeaderSize, payload.constData(), size_t(payload.size()));
    return frame;
}

LinkFrame LinkFrame::parseHeader(const char* header)
{
    LinkFrame frame;
    frame.signature = qFromLittleEndian<quint16>(header);
    frame.length = qFromLittleEndian<quint16>(header + 2);
    return frame;
}

QByteArray LinkFrame::signatureText(quint16 signature)
{
    QByteArray text(2, Qt::Uninitialized);
    qToLittleEndian<quint16>(signature, text.data());
    return text;
}

QString linkTimeStamp(std::time_t t)
{
    struct tm local;
    if (!localtime_r(&t, &local))
        std::memset(&local, 0, sizeof local);
    return QString::asprintf("[%02d:%02d:%02d] ", local.tm_hour, local.tm_min, local.tm_sec);
}

QString ipv4Text(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

// ---- FramedSocket --------------------------------------------------------------------------

FramedSocket::~FramedSocket()
{
    close();
}

FramedSocket::ConnectError FramedSocket::open(const QString& host, int port)
{
    QMutexLocker lock(&m_mutex);
    ConnectError result;
    if (m_fd.load() != -1) {
        result.stage = ConnectError::AlreadyOpen;
        return result;
    }

    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    if (port <= 0 || port > 65535
        || ::inet_pton(AF_INET, host.toUtf8().constData(), &address.sin_addr) != 1) {
        result.stage = ConnectError::Resolve;
        result.reason = QStringLiteral("not a numeric IPv4 address and port: %1:%2").arg(host).arg(port);
        return result;
    }

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        result.stage = ConnectError::Socket;
        result.reason = errorText(errno);
        return result;
    }

    int error = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno;
        if (error == EINPROGRESS || error == EALREADY || error == EINTR) {
            // The handshake is under way: wait for it a short, bounded time.
            const int rc = pollFor(fd, POLLOUT, ConnectWaitMs);
            if (rc == 0) {
                error = ETIMEDOUT;
            } else if (rc < 0) {
                error = errno;
            } else {
                socklen_t length = sizeof error;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                    error = errno;
            }
        }
    }
    if (error != 0) {
        ::close(fd);
        result.stage = ConnectError::Connect;
        result.reason = errorText(error);
        return result;
    }
    m_fd.store(fd);
    // The address the connection really reached (0.0.0.0, say, reaches this host's own).
    sockaddr_in peer = address;
    socklen_t peerSize = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0 || peer.sin_family != AF_INET)
        peer = address;
    m_peer.store(ntohl(peer.sin_addr.s_addr));
    return result;
}

bool FramedSocket::adopt(int fd)
{
    QMutexLocker lock(&m_mutex);
    int none = -1;
    return fd >= 0 && m_fd.compare_exchange_strong(none, fd);
}

bool FramedSocket::send(quint16 signature, const QByteArray& payload)
{
    const QByteArray frame = LinkFrame::encode(signature, payload);
    if (frame.isEmpty())
        return false;

    QMutexLocker lock(&m_mutex);
    const int fd = m_fd.load();
    if (fd == -1)
        return false;

    QElapsedTimer clock;
    clock.start();
    int sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)
            && pollFor(fd, POLLOUT, remainingMs(clock, SendWaitMs)) > 0)
            continue;
        // Peer gone, error, or no room within the bound: the frame did not leave whole.
        if (sent > 0)
            ::shutdown(fd, SHUT_RDWR);
        return false;
    }
    return true;
}

void FramedSocket::close()
{
    QMutexLocker lock(&m_mutex);
    const int fd = m_fd.exchange(-1);
    if (fd != -1)
        ::close(fd);
}

FramedSocket::ReadResult FramedSocket::readExactly(int fd, char* buffer, int size, int& got,
                                                   FrameHandler& handler, QString& reason)
{
    while (got < size) {
        if (handler.stopRequested())
            return ReadResult::Stopped;
        handler.tick();
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval timeout{0, PollMs * 1000};
        const int rc = ::select(fd + 1, &readable, nullptr, nullptr, &timeout);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            reason = errorText(errno);
            return ReadResult::SelectFailed;
        }
        if (rc == 0)
            continue;
        const ssize_t n = ::recv(fd, buffer + got, size_t(size - got), 0);
        if (n > 0) {
            got += int(n);
        } else if (n == 0) {
            reason = QStringLiteral("connection closed by peer");
            return ReadResult::PeerClosed;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            reason = errorText(errno);
            return ReadResult::RecvFailed;
        }
    }
    return ReadResult::Ok;
}

void FramedSocket::receive(FrameHandler& handler)
{
    // Only the receive thread closes the descriptor, so it stays valid for the whole loop.
    const int fd = m_fd.load();
    if (fd == -1)
        return;

    QString reason;
    for (;;) {
        if (handler.stopRequested()) {
            handler.report(LinkEvent::Stopped, QString());
            return;
        }

        char header[LinkFrame::HeaderSize];
        int got = 0;
        switch (readExactly(fd, header, LinkFrame::HeaderSize, got, handler, reason)) {
        case ReadResult::Ok:
            break;
        case ReadResult::Stopped:
            handler.report(LinkEvent::Stopped, QString());
            return;
        case ReadResult::SelectFailed:
            handler.report(LinkEvent::HeaderSelectFailed, reason);
            return;
        case ReadResult::RecvFailed:
            handler.report(LinkEvent::HeaderRecvFailed, reason);
            return;
        case ReadResult::PeerClosed:
            handler.report(LinkEvent::HeaderPeerClosed, reason);
            return;
        }

        const LinkFrame frame = LinkFrame::parseHeader(header);
        if (!handler.acceptsSignature(frame.signature)) {
            handler.report(LinkEvent::BadSignature, QString::fromLatin1(LinkFrame::signatureText(frame.signature).toHex()));
            return;
        }

        QByteArray payload(frame.length, Qt::Uninitialized);
        got = 0;
        ReadResult result = ReadResult::Ok;
        if (frame.length > 0) {
            // A stop already requested leaves the payload unread.
            result = handler.stopRequested()
                         ? ReadResult::Stopped
                         : readExactly(fd, payload.data(), frame.length, got, handler, reason);
        }
        switch (result) {
        case ReadResult::Ok:
            handler.frameReceived(frame.signature, payload, true);
            continue;
        case ReadResult::Stopped:
            handler.report(LinkEvent::StoppedInFrame, QString());
            break;
        case ReadResult::SelectFailed:
            handler.report(LinkEvent::PayloadSelectFailed, reason);
            break;
        case ReadResult::RecvFailed:
            handler.report(LinkEvent::PayloadRecvFailed, reason);
            break;
        case ReadResult::PeerClosed:
            handler.report(LinkEvent::PayloadPeerClosed, reason);
            break;
        }
        payload.truncate(got);
        handler.frameReceived(frame.signature, payload, false);
        return;
    }
}

// ---- StatusStream --------------------------------------------------------------------------

namespace {

void sleepMs(int ms)
{
    if (ms > 0)
        ::poll(nullptr, 0, ms);
}

// A UDP socket bound to port on every local IPv4 address; a blocking recv() on it waits at most
// waitMs. -1 (and the reason) when it cannot be had.
int bindStatusSocket(int port, int waitMs, QString& reason)
{
    if (port <= 0 || port > 65535) {
        reason = QStringLiteral("no such port: %1").arg(port);
        return -1;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        reason = errorText(errno);
        return -1;
    }
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const timeval wait{waitMs / 1000, (waitMs % 1000) * 1000};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0) {
        reason = errorText(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

StatusStream::StatusStream(int port, StatusFilter filter)
    : m_port(port), m_filter(filter), m_buffer(65536, Qt::Uninitialized)
{
    m_clock.start();
}

StatusStream::~StatusStream()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void StatusStream::run(StatusHandler& handler)
{
    QString reason;
    m_fd = bindStatusSocket(m_port, TurnMs, reason);
    if (m_fd < 0)
        handler.bindFailed(reason);

    m_silent = 0;
    while (!handler.stopRequested()) {
        countSilentTurn(handler);
        if (turn(handler))
            m_silent = 0;
        else
            handler.quiet();
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void StatusStream::countSilentTurn(StatusHandler& handler)
{
    if (++m_silent > SilentTurns)
        handler.silence();
}

bool StatusStream::turn(StatusHandler& handler)
{
    QElapsedTimer clock;
    clock.start();
    if (m_fd < 0) {
        sleepMs(TurnMs);
        return false;
    }
    bool reported[2] = {false, false};  // wrong size, bad signature
    // The first read blocks for at most a turn (SO_RCVTIMEO); after a rejected datagram the turn
    // goes on without blocking. While datagrams come faster than one per GatherMs, a turn does not
    // wait for the next one: it takes one that waits already, and when none does, it sleeps
    // GatherMs first and then takes what came meanwhile. A controller that sends a thousand
    // datagrams a second thus wakes this thread some 1000 / GatherMs times, not a thousand; a
    // slower one wakes it once per datagram, which is taken at once.
    bool gathered = !m_gathering;
    int flags = m_gathering ? MSG_TRUNC | MSG_DONTWAIT : MSG_TRUNC;
    for (;;) {
        sockaddr_in from;
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, m_buffer.data(), size_t(m_buffer.size()), flags,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        flags = MSG_TRUNC | MSG_DONTWAIT;
        if (n >= 0 && !fromSource(from, handler)) {
            if (handler.stopRequested() || remainingMs(clock, TurnMs) == 0)
                return false;
            continue;
        }
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                sleepMs(remainingMs(clock, TurnMs));  // never spin on a failing socket
                return false;
            }
            const int left = remainingMs(clock, TurnMs);
            if (left == 0 || handler.stopRequested())
                return false;
            if (!gathered) {
                gathered = true;
                handler.drained();
                sleepMs(qMin(GatherMs, left));
                m_runStartNs = m_clock.nsecsElapsed();
                continue;
            }
            m_gathering = false;  // nothing came while it gathered
            if (pollFor(m_fd, POLLIN, left) <= 0)
                return false;
            continue;
        }
        // MSG_TRUNC gives the datagram's own size, also when it is longer than the buffer.
        const int size = int(qMin<ssize_t>(n, m_buffer.size()));
        const char* data = m_buffer.constData();
        const bool sizeOk = n <= m_buffer.size() && n >= 2 && (m_filter.size == 0 || n == m_filter.size);
        const bool signatureOk = sizeOk && qFromLittleEndian<quint16>(data) == m_filter.signature;
        const qint64 now = signatureOk ? m_clock.nsecsElapsed() : 0;
        // A run that datagrams keep coming into faster than they are read is gathered no longer
        // once it has lasted GatherMs: what it brings is not held for a drained() that may never
        // come.
        handler.m_gathered = m_gathering && now - m_runStartNs < qint64(GatherMs) * 1000000;
        const bool taken = signatureOk && handler.datagramReceived(data, size);
        handler.m_gathered = false;
        if (taken) {
            m_accepted.fetch_add(1, std::memory_order_relaxed);
            if (!m_gathering) {
                m_gathering = m_lastTakenNs >= 0 && now - m_lastTakenNs < qint64(GatherMs) * 1000000;
                m_runStartNs = now;
            }
            m_lastTakenNs = now;
            return true;
        }
        m_rejected.fetch_add(1, std::memory_order_relaxed);
        if (!signatureOk && !reported[sizeOk]) {
            reported[sizeOk] = true;
            handler.rejected(data, size, sizeOk);
        }
        if (handler.stopRequested() || remainingMs(clock, TurnMs) == 0)
            return false;
    }
}

bool StatusStream::fromSource(const sockaddr_in& from, StatusHandler& handler)
{
    const quint32 sender = ntohl(from.sin_addr.s_addr);
    if (m_filter.source == 0 || (from.sin_family == AF_INET && sender == m_filter.source))
        return true;
    m_rejected.fetch_add(1, std::memory_order_relaxed);
    if (m_foreignCount < ForeignSenders
        && std::find(m_foreign, m_foreign + m_foreignCount, sender) == m_foreign + m_foreignCount) {
        m_foreign[m_foreignCount++] = sender;
        handler.foreignSender(sender);
    }
    return false;
}

bool StatusStream::readNext(QByteArray& out, int timeoutMs, StatusHandler& handler)
{
    if (m_fd < 0)
        return false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (handler.stopRequested())
            return false;
        sockaddr_in from;
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(m_fd, m_buffer.data(), size_t(m_buffer.size()), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromSize);
        const bool foreign = n >= 0 && !fromSource(from, handler);  // counted there
        if (n > 0 && !foreign) {
            out.append(m_buffer.constData(), int(n));
            return true;
        }
        if (n == 0 && !foreign)
            m_rejected.fetch_add(1, std::memory_order_relaxed);
        else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (clock.elapsed() >= timeoutMs)
            return false;
        if (n < 0)
            pollFor(m_fd, POLLIN, qMin(remainingMs(clock, timeoutMs), TurnMs));
    }
}
