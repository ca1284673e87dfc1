#pragma once

// The thread halves that every controller link builds on the framed-socket core.
//
// FramedLink is the TCP side of a link: it opens the connection, sends text frames, runs the
// receive loop on its own thread and owns the link's status receiver. StatusReceiver is the UDP
// side: a thread that runs a StatusStream until it is asked to stop. Neither declares signals or
// slots of its own (no Q_OBJECT): each link class keeps its own names, signals, accepted
// signatures and log texts, and decides what it logs and emits around the shared steps.

#include <QByteArray>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaObject>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QVector>

#include <atomic>

#include "comm.h"
#include "outsidetext.h"

// What a link says in its own words about opening and sending.
struct LinkTexts {
    void (*log)(const QString& text);  // where connect failures are reported
    const char* commandLog;            // debug line before every sent text, which follows quoted
    const char* resolveError;          // before the reason when the address is not usable
    const char* connectError;          // before the reason when the TCP connect fails
    quint16 signature;                 // of the text frames the link sends
};

class FramedLink : public QThread, private FrameHandler
{
public:
    ~FramedLink() override;

    bool connected() const { return m_socket.isOpen(); }
    // Asks the link to end and waits for it; false when it is down or called from the link itself.
    bool disconnect();
    // Logs the text, then sends it as one frame; false when the link is down or the frame did not
    // leave whole (the link class then reports the text through notSent()).
    bool command(const QString& text);

    // Whether the owner's thread holds fresh status of the link: from the delivery of the first
    // status datagram of a connection (before its change signals reach their receivers) until
    // the link has ended. False before the first connection. Owner's thread only.
    bool statusKnown() const { return m_statusKnown; }

    // The controller's IPv4 address (host byte order) as the last connect() had it; its status
    // receiver takes datagrams from there only. 0 before the first connection.
    quint32 peerAddress() const { return m_socket.peerAddress(); }
    // Status receiver's thread: a status datagram came from another sender than the controller.
    // Each sender is told once in the link's life through foreignSender() (up to
    // StatusStream::ForeignSenders of them; further ones are only counted by the receiver).
    void noteForeignSender(quint32 address);

    // The log text of a receive-loop event that ends the link or cuts a frame short: "select()
    // error: " or "recv() error: " with the reason, "Bad packet signature"; empty for the two stop
    // events, which each link words (or keeps quiet about) itself.
    static QString eventText(LinkEvent event, const QString& reason);
    // A received text frame: UTF-8 up to its first NUL byte.
    static QString payloadText(const QByteArray& payload);

protected:
    explicit FramedLink(const LinkTexts& texts);

    // Opens the connection. False while the link is up or its previous receive thread is still
    // ending, and when the connection fails (logged in the link's words).
    bool open(const QString& host, int tcpPort);
    // Takes over the started status receiver and the connection of its loss report to this link,
    // and clears the stop flag; the caller then starts the thread.
    void arm(QThread* partner, const QMetaObject::Connection& partnerLoss);
    // The receive loop with this link as frame handler; returns when the link has ended.
    void receive();
    // After receive(): closes the socket, removes the partner's loss report and deletes the
    // partner (its destructor stops and joins its thread).
    void release();
    // Asks the receive thread to end and joins it. Each link class calls it in its destructor,
    // while its own members and signals still exist.
    void stopAndJoin();

    bool stopRequested() const override { return m_stop; }
    // Receive thread: the note of the texts held back, once the gate would let a text through.
    void tick() override;

    // Takes the event that the status receiver posts (statusEventType()) to deliverStatus().
    bool event(QEvent* event) override;
    // On the link's own thread: emits the status changes that wait (see StatusQueue).
    virtual void deliverStatus() {}
    // A command that could not be sent, on the sender's thread; the link classes tell their
    // owner.
    virtual void notSent(const QString& text);
    // Owner's thread: records whether the status is known; true when that changed.
    bool takeStatusKnown(bool known);
    // A new foreign sender of status datagrams ("a.b.c.d"), on the status receiver's thread; the
    // link classes tell their owner.
    virtual void foreignSender(const QString& sender);

    // Receive thread: a text frame of the controller. It is made one line of bounded length and
    // let through at a bounded rate (TextGate), so that a chatty or hostile controller can
    // neither forge log lines nor fill the disk; textPassed() gets each line to log, and a note
    // of the texts held back as soon as a text could pass again (tick()).
    void takeText(const QString& text);
    // Receive thread, when the link ends: the note of the texts still held back, if any.
    void flushTexts();
    virtual void textPassed(const QString& /*line*/) {}
    // The monotonic clock of the text bound, in ms.
    qint64 textClockMs() const { return m_textClock.elapsed(); }

    std::atomic<bool> m_stop{false};

private:
    bool m_statusKnown = false;
    TextGate m_textGate;  // receive thread only
    QElapsedTimer m_textClock;
    const LinkTexts& m_texts;
    FramedSocket m_socket;
    QThread* m_partner = nullptr;
    QMetaObject::Connection m_partnerLoss;
    QMutex m_foreignLock;
    QVector<quint32> m_foreignSenders;  // told already
};

// A status receiver thread: binds its UDP port and hands every datagram that passes the filter to
// the StatusHandler overrides of the class built on it, until it is asked to stop.
class StatusReceiver : public QThread, private StatusHandler
{
public:
    ~StatusReceiver() override;

    // Datagrams taken as status and datagrams rejected so far (see StatusStream).
    quint64 datagramsAccepted() const { return m_stream.accepted(); }
    quint64 datagramsRejected() const { return m_stream.rejected(); }

protected:
    StatusReceiver(int port, StatusFilter filter);

    using StatusHandler::gathered;

    void run() override;
    // Asks the thread to end and joins it (each receiver class calls it in its destructor).
    void stopAndJoin();
    // For continuation datagrams, from datagramReceived(): see StatusStream::readNext().
    bool readNext(QByteArray& out, int timeoutMs);

    bool stopRequested() const override { return m_stop; }

private:
    std::atomic<bool> m_stop{false};
    StatusStream m_stream;  // runs on this thread; its counters may be read from any
};
