#pragma once

// The controller's side of a link, for the simulator: a TCP endpoint that listens on 127.0.0.1
// for the console's framed connection, and a sender of status datagrams to the console's port.

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// Cuts a byte stream into LinkFrames; a header split over reads is completed first.
class FrameAssembler
{
public:
    struct Frame {
        quint16 signature;
        QByteArray payload;
    };
    // Adds received bytes and returns the frames they complete.
    QList<Frame> feed(const QByteArray& bytes);
    void clear() { m_pending.clear(); }

private:
    QByteArray m_pending;
};

// Listens on 127.0.0.1 only. A new connection replaces the old one.
class SimTcpEndpoint : public QObject
{
    Q_OBJECT

public:
    explicit SimTcpEndpoint(QObject* parent = nullptr);
    ~SimTcpEndpoint() override;

    // Port 0 picks a free one; false when the port cannot be had.
    bool listen(quint16 port);
    quint16 port() const { return m_port; }
    bool isConnected() const;

    // Refusing stops listening, so that the console's connect() is refused; the open connection
    // (if any) is left as it is.
    void setRefuseConnections(bool refuse);
    // Drops the console's connection (the console sees the peer close).
    void closeConnection();

    // A whole frame, raw bytes (a split header, a wrong signature...) to the console.
    bool sendFrame(quint16 signature, const QByteArray& payload);
    bool sendRaw(const QByteArray& bytes);

signals:
    void connected();
    void disconnected();
    void frameReceived(quint16 signature, const QByteArray& payload);

private:
    void onNewConnection();
    void onReadyRead();

    QTcpServer* m_server;
    QPointer<QTcpSocket> m_connection;
    FrameAssembler m_assembler;
    quint16 m_port = 0;
    bool m_refuse = false;
};

// Sends one status datagram per tick to 127.0.0.1:port, asking `source` for its bytes each time.
class SimStatusSender : public QObject
{
    Q_OBJECT

public:
    explicit SimStatusSender(QObject* parent = nullptr);
    ~SimStatusSender() override;

    void setTarget(quint16 consolePort) { m_port = consolePort; }
    quint16 target() const { return m_port; }
    // Datagrams per second (1 to 1000); default 20.
    void setRate(int perSecond);
    int rate() const { return m_rate; }

    void start();
    void pause();
    void resume() { start(); }
    bool isRunning() const { return m_timer.isActive(); }

    // Sends these bytes now, outside the stream.
    bool sendDatagram(const QByteArray& bytes);

signals:
    // Asks for the next datagram; the receiver fills `bytes` (empty sends nothing).
    void tick(QByteArray& bytes);

private:
    QUdpSocket* m_socket;
    QTimer m_timer;
    quint16 m_port = 0;
    int m_rate = 20;
};
