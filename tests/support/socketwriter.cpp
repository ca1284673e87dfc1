#include "socketwriter.h"

#include <QDeadlineTimer>

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>

SocketWriter::SocketWriter(qintptr descriptor, const QByteArray& bytes, int maxMs)
    : m_size(bytes.size())
{
    m_thread = std::thread([this, descriptor, bytes, maxMs] {
        const int fd = int(descriptor);
        const QDeadlineTimer deadline(maxMs);
        qint64 written = 0;
        while (written < bytes.size() && !m_stop.load() && !deadline.hasExpired()) {
            pollfd ready{fd, POLLOUT, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            const ssize_t n = ::send(fd, bytes.constData() + written, size_t(bytes.size() - written), MSG_NOSIGNAL);
            if (n > 0)
                m_written.store(written += n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                break;
        }
    });
}

SocketWriter::~SocketWriter()
{
    m_stop.store(true);
    m_thread.join();
}
