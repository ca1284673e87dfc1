#include "simlink.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtEndian>

#include "comm.h"

QList<FrameAssembler::Frame> FrameAssembler::feed(const QByteArray& bytes)
{
    m_pending += bytes;
    QList<Frame> frames;
    int at = 0;
    while (m_pending.size() - at >= LinkFrame::HeaderSize) {
        const LinkFrame header = LinkFrame::parseHeader(m_pending.constData() + at);
        if (m_pending.size() - at - LinkFrame::HeaderSize < header.length)
            break;
        frames.append({header.signature, m_pending.mid(at + LinkFrame::HeaderSize, header.length)});
        at += LinkFrame::HeaderSize + header.length;
    }
    m_pending.remove(0, at);
    return frames;
}

SimTcpEndpoint::SimTcpEndpoint(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    QObject::connect(m_server, &QTcpServer::newConnection, this, &SimTcpEndpoint::onNewConnection);
}

SimTcpEndpoint::~SimTcpEndpoint()
{
    if (m_connection)
        m_connection->abort();
}

bool SimTcpEndpoint::listen(quint16 port)
{
    m_server->close();
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server->serverPort();
    m_refuse = false;
    return true;
}

bool SimTcpEndpoint::isConnected() const
{
    return m_connection && m_connection->state() == QAbstractSocket::ConnectedState;
}

void SimTcpEndpoint::setRefuseConnections(bool refuse)
{
    if (refuse == m_refuse)
        return;
    m_refuse = refuse;
    if (refuse)
        m_server->close();
    else if (m_port != 0)
        m_server->listen(QHostAddress::LocalHost, m_port);
}

void SimTcpEndpoint::closeConnection()
{
    if (m_connection) {
        m_connection->disconnectFromHost();
        if (m_connection && m_connection->state() != QAbstractSocket::UnconnectedState)
            m_connection->abort();
    }
}

bool SimTcpEndpoint::sendFrame(quint16 signature, const QByteArray& payload)
{
    const QByteArray frame = LinkFrame::encode(signature, payload);
    return !frame.isEmpty() && sendRaw(frame);
}

bool SimTcpEndpoint::sendRaw(const QByteArray& bytes)
{
    if (!isConnected())
        return false;
    const bool ok = m_connection->write(bytes) == bytes.size();
    m_connection->flush();
    return ok;
}

void SimTcpEndpoint::onNewConnection()
{
    while (QTcpSocket* incoming = m_server->nextPendingConnection()) {
        if (m_connection) {
            QTcpSocket* old = m_connection;
            old->disconnect(this);
            old->abort();
            old->deleteLater();
        }
        m_connection = incoming;
        m_assembler.clear();
        QObject::connect(incoming, &QTcpSocket::readyRead, this, &SimTcpEndpoint::onReadyRead);
        QObject::connect(incoming, &QTcpSocket::disconnected, this, [this, incoming] {
            if (incoming == m_connection) {
                m_connection = nullptr;
                emit disconnected();
            }
            incoming->deleteLater();
        });
        emit connected();
    }
}

void SimTcpEndpoint::onReadyRead()
{
    if (!m_connection)
        return;
    for (const FrameAssembler::Frame& frame : m_assembler.feed(m_connection->readAll()))
        emit frameReceived(frame.signature, frame.payload);
}

SimStatusSender::SimStatusSender(QObject* parent) : QObject(parent), m_socket(new QUdpSocket(this))
{
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        QByteArray bytes;
        emit tick(bytes);
        if (!bytes.isEmpty())
            sendDatagram(bytes);
    });
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1000 / m_rate);
}

SimStatusSender::~SimStatusSender() = default;

void SimStatusSender::setRate(int perSecond)
{
    m_rate = qBound(1, perSecond, 1000);
    m_timer.setInterval(1000 / m_rate);
}

void SimStatusSender::start()
{
    m_timer.start();
}

void SimStatusSender::pause()
{
    m_timer.stop();
}

bool SimStatusSender::sendDatagram(const QByteArray& bytes)
{
    if (m_port == 0)
        return false;
    return m_socket->writeDatagram(bytes, QHostAddress::LocalHost, m_port) == bytes.size();
}
