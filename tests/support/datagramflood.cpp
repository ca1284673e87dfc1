#include "datagramflood.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(const QByteArray& address, quint16 port)
{
    sockaddr_in to;
    std::memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!address.isEmpty())
        ::inet_pton(AF_INET, address.constData(), &to.sin_addr);
    return to;
}

// A UDP socket that sends from `from` (any port), or from the system's choice when it is empty.
int senderSocket(const QByteArray& from)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || from.isEmpty())
        return fd;
    const sockaddr_in local = loopback(from, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

DatagramFlood::DatagramFlood(quint16 port, const QByteArray& datagram, int senders, int maxMs)
    : DatagramFlood(port, QList<QByteArray>{datagram}, Options{senders, maxMs, QByteArray()})
{
}

DatagramFlood::DatagramFlood(quint16 port, const QList<QByteArray>& datagrams, const Options& options)
{
    for (int i = 0; i < options.senders; ++i) {
        m_senders.emplace_back(QThread::create([this, port, datagrams, options] {
            const int fd = senderSocket(options.from);
            if (fd < 0)
                return;
            const sockaddr_in to = loopback(QByteArray(), port);
            QElapsedTimer clock;
            clock.start();
            quint64 count = 0;
            for (int next = 0; !m_stop.load(std::memory_order_relaxed) && clock.elapsed() < options.maxMs;
                 next = (next + 1) % datagrams.size()) {
                const QByteArray& datagram = datagrams[next];
                if (::sendto(fd, datagram.constData(), size_t(datagram.size()), 0,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0)
                    ++count;
            }
            ::close(fd);
            m_sent.fetch_add(count);
        }));
        m_senders.back()->start();
    }
}

DatagramFlood::~DatagramFlood()
{
    stop();
}

void DatagramFlood::stop()
{
    m_stop = true;
    for (auto& sender : m_senders)
        sender->wait();
}

bool sendDatagramFrom(const QByteArray& from, quint16 port, const QByteArray& datagram)
{
    const int fd = senderSocket(from);
    if (fd < 0)
        return false;
    const sockaddr_in to = loopback(QByteArray(), port);
    const bool sent = ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0,
                               reinterpret_cast<const sockaddr*>(&to), sizeof to) == datagram.size();
    ::close(fd);
    return sent;
}
