#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

// The controller's side of a link in a test: a TCP listener on a free loopback port that hands
// over the console's connection, and a sender of datagrams to the console's free UDP port.
struct LoopbackPeer {
    QTcpServer server;
    QTcpSocket* connection = nullptr;
    QUdpSocket udp;
    quint16 tcpPort;
    quint16 udpPort;

    LoopbackPeer();
    bool listen();
    // Waits (bounded) for the console's connection.
    bool accept();
    // Writes and waits until the bytes have left.
    void write(const QByteArray& bytes);
    void datagram(const QByteArray& bytes);
};
