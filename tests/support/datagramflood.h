#pragma once

#include <QByteArray>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

// Senders that flood a loopback UDP port with one datagram, each from its own thread, as fast as
// the system takes them, until stopped or for at most maxMs (every flood in a test is bounded).
class DatagramFlood
{
public:
    DatagramFlood(quint16 port, const QByteArray& datagram, int senders = 4, int maxMs = 8000);
    ~DatagramFlood();  // stops and joins the senders
    DatagramFlood(const DatagramFlood&) = delete;
    DatagramFlood& operator=(const DatagramFlood&) = delete;

    void stop();
    // Datagrams handed to the system (complete once stopped).
    quint64 sent() const { return m_sent.load(); }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<quint64> m_sent{0};
    std::vector<std::unique_ptr<QThread>> m_senders;
};
