#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "drivestatus.h"

class DriveTCPthread;

// The drive controller's side over loopback for tests of what the console sends: accepts the
// drive link, decodes its "PV" frames into command texts, and streams a status datagram every
// 50 ms so that the link stays up. Every wait is bounded.
//
// The stream runs on a thread of its own, as a controller's does: a test that keeps its own
// thread busy for a while (building windows in a sanitizer build on a loaded machine) does not
// silence the controller and so lose the link under it.
class DrivePeer : public QObject
{
public:
    DrivePeer();
    ~DrivePeer() override;

    // Opens the link to this peer unless it is up already; true once the link holds the peer's
    // status (at once when the peer does not stream).
    bool attach(DriveTCPthread& link);

    // The next command the controller received ("" when none came within the wait).
    QString next(int timeoutMs = 3000);

    // True when no command arrives within the wait.
    bool silent(int waitMs = 200);

    // The status datagram streamed from now on (at first blank, with key access on).
    void setStatus(const DriveStatusPacket& packet);
    DriveStatusPacket status() const { return m_packet; }
    // Streams `packet` and waits until the link has delivered its drive power and channel states
    // (DriveTCPthread::readiness()).
    bool report(DriveTCPthread& link, const DriveStatusPacket& packet);
    // The first status with the drives on and every channel idle (1): a program may start.
    static DriveStatusPacket ready();

    // Stops and resumes the status stream: a link that hears nothing for a second is lost.
    void setStreaming(bool on);
    bool streaming() const;
    // Brings the link to a state in which no program may start: "no status" (the stream stops,
    // the link is lost and opened again, and has no status yet), "drives off", or "channel <n>
    // loading" / "channel <n> running" with the drives on.
    bool reportNotReady(DriveTCPthread& link, const QString& fault);

private:
    bool takeFrame(QString& text);

    QTcpServer m_server;
    QTcpSocket* m_socket = nullptr;
    QByteArray m_buffer;
    void stream();

    DriveStatusPacket m_packet;
    const quint16 m_tcpPort;
    const quint16 m_udpPort;
    // Shared with the stream's thread. A datagram is sent under the lock, so none leaves once
    // setStreaming(false) has returned.
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    QByteArray m_status;
    bool m_streaming = true;
    bool m_quit = false;
    std::thread m_sender;
};
