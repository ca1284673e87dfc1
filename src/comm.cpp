#include "comm.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QMutexLocker>
#include <QThread>
#include <QUdpSocket>
#include <QtEndian>

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

StatusStream::StatusStream(int port, StatusFilter filter)
    : m_port(port), m_filter(filter), m_buffer(65536, Qt::Uninitialized)
{
}

StatusStream::~StatusStream()
{
    delete m_socket;
}

void StatusStream::run(StatusHandler& handler)
{
    delete m_socket;
    m_socket = new QUdpSocket;
    m_bound = m_port > 0 && m_port <= 65535
              && m_socket->bind(QHostAddress::AnyIPv4, quint16(m_port));
    if (!m_bound)
        handler.bindFailed(m_socket->errorString());

    QElapsedTimer clock;
    clock.start();
    int silent = 0;
    while (!handler.stopRequested()) {
        if (++silent > SilentTurns)
            handler.silence();

        // One turn: until a datagram passes the filter, or TurnMs have passed.
        const qint64 deadline = (clock.nsecsElapsed() + 999999) / 1000000 + TurnMs;
        bool traffic = false;
        while (!traffic) {
            const int left = remainingMs(clock, deadline);
            if (!m_bound) {
                QThread::msleep(ulong(left));
                break;
            }
            if (!m_socket->hasPendingDatagrams() && (left == 0 || !m_socket->waitForReadyRead(left)))
                break;
            while (!traffic && m_socket->hasPendingDatagrams()) {
                const qint64 size = m_socket->pendingDatagramSize();
                if (size > m_buffer.size())
                    m_buffer.resize(int(size));
                const qint64 n = m_socket->readDatagram(m_buffer.data(), m_buffer.size());
                if (n < 0)
                    break;
                const char* data = m_buffer.constData();
                if ((m_filter.size != 0 && n != m_filter.size) || n < 2) {
                    handler.rejected(data, int(n), false);
                } else if (qFromLittleEndian<quint16>(data) != m_filter.signature) {
                    handler.rejected(data, int(n), true);
                } else {
                    handler.datagramReceived(data, int(n));
                    traffic = true;
                }
            }
        }
        if (traffic)
            silent = 0;
    }
    delete m_socket;
    m_socket = nullptr;
    m_bound = false;
}

bool StatusStream::readNext(QByteArray& out, int timeoutMs, const StatusHandler& handler)
{
    if (!m_socket || !m_bound)
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!m_socket->hasPendingDatagrams()) {
        if (handler.stopRequested())
            return false;
        const int left = remainingMs(clock, timeoutMs);
        if (left == 0)
            return false;
        m_socket->waitForReadyRead(qMin(left, TurnMs));
    }
    const qint64 size = m_socket->pendingDatagramSize();
    const int start = out.size();
    out.resize(start + int(qMax<qint64>(size, 0)));
    const qint64 n = m_socket->readDatagram(out.data() + start, qMax<qint64>(size, 0));
    out.resize(start + int(qMax<qint64>(n, 0)));
    return n >= 0;
}
