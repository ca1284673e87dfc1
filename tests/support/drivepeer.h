#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include "drivestatus.h"

class DriveTCPthread;

// The drive controller's side of the drive link over loopback, run on the test's thread: accepts
// the link, decodes its "PV" frames into command texts, and streams status datagrams every 50 ms
// so that the link stays up. Every wait is bounded.
class DrivePeer : public QObject
{
public:
    DrivePeer();

    // Opens the link to this peer unless it is up already.
    bool attach(DriveTCPthread& link);

    // The next command the controller received ("" when none came within timeoutMs).
    QString next(int timeoutMs = 3000);
    // True when no command arrives within quietMs.
    bool silent(int quietMs = 300);

    // The status datagram streamed from now on (starts blank with key access on).
    void setStatus(const DriveStatusPacket& packet);
    DriveStatusPacket status() const { return m_packet; }

private:
    bool takeFrame(QString& text);

    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_buffer;
    QUdpSocket m_udp;
    QTimer m_stream;
    DriveStatusPacket m_packet;
    QByteArray m_status;
    const quint16 m_tcpPort;
    const quint16 m_udpPort;
};
