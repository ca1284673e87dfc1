#include "datagramflood.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

DatagramFlood::DatagramFlood(quint16 port, const QByteArray& datagram, int senders, int maxMs)
{
    for (int i = 0; i < senders; ++i) {
        m_senders.emplace_back(QThread::create([this, port, datagram, maxMs] {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (fd < 0)
                return;
            sockaddr_in to;
            std::memset(&to, 0, sizeof to);
            to.sin_family = AF_INET;
            to.sin_port = htons(port);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            QElapsedTimer clock;
            clock.start();
            quint64 count = 0;
            while (!m_stop.load(std::memory_order_relaxed) && clock.elapsed() < maxMs) {
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
