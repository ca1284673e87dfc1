#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

// The controller's side of a link on loopback, run on the test's thread: a TCP listener that
// accepts the console's connection and exchanges LinkFrames with it, and a UDP sender for status
// datagrams. Every wait is bounded.
class LinkPeer
{
public:
    struct Frame {
        quint16 signature = 0;
        QByteArray payload;
    };

    // Listens on a free loopback port.
    bool listen();
    quint16 port() const { return m_server.serverPort(); }

    // Takes the console's connection (waits up to timeoutMs).
    bool accept(int timeoutMs = 2000);
    QTcpSocket* connection() const { return m_connection; }

    // Sends one frame; or any bytes, for broken frames.
    void sendFrame(quint16 signature, const QByteArray& payload);
    void sendRaw(const QByteArray& bytes);

    // The next complete frame from the console; false when none arrives within timeoutMs.
    bool nextFrame(Frame& frame, int timeoutMs = 2000);

    // Closes the accepted connection.
    void close();

    // Sends one datagram to 127.0.0.1:port.
    bool sendDatagram(quint16 port, const QByteArray& datagram);

private:
    QTcpServer m_server;
    QTcpSocket* m_connection = nullptr;
    QByteArray m_inbox;
    QUdpSocket m_udp;
};
