#pragma once

#include <QByteArray>
#include <QList>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

// Senders that flood a loopback UDP port, each from its own thread, as fast as the system takes
// the datagrams, until stopped or for at most maxMs (every flood in a test is bounded). Each
// sender sends the datagrams in turn, over and over.
class DatagramFlood
{
public:
    struct Options {
        int senders = 4;
        int maxMs = 8000;
        // The loopback address the senders send from ("127.0.0.2", say); empty: the system's
        // choice (127.0.0.1).
        QByteArray from;
    };

    DatagramFlood(quint16 port, const QByteArray& datagram, int senders = 4, int maxMs = 8000);
    DatagramFlood(quint16 port, const QList<QByteArray>& datagrams, const Options& options);
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

// One datagram to a loopback port, sent from the given loopback address (127.0.0.2, say); false
// when it could not be sent.
bool sendDatagramFrom(const QByteArray& from, quint16 port, const QByteArray& datagram);
