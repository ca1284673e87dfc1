#include "linkpeer.h"

#include "comm.h"
#include "testenv.h"

#include <QtTest>

bool LinkPeer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, TestEnv::freePort());
}

bool LinkPeer::accept(int timeoutMs)
{
    if (!QTest::qWaitFor([&] { return m_server.hasPendingConnections(); }, timeoutMs))
        return false;
    m_connection = m_server.nextPendingConnection();
    m_inbox.clear();
    return m_connection != nullptr;
}

void LinkPeer::sendFrame(quint16 signature, const QByteArray& payload)
{
    sendRaw(LinkFrame::encode(signature, payload));
}

void LinkPeer::sendRaw(const QByteArray& bytes)
{
    if (!m_connection)
        return;
    m_connection->write(bytes);
    m_connection->flush();
    m_connection->waitForBytesWritten(1000);
}

bool LinkPeer::nextFrame(Frame& frame, int timeoutMs)
{
    if (!m_connection)
        return false;
    auto complete = [&] {
        m_inbox += m_connection->readAll();
        return m_inbox.size() >= LinkFrame::HeaderSize
               && m_inbox.size() >= LinkFrame::HeaderSize + LinkFrame::parseHeader(m_inbox.constData()).length;
    };
    if (!complete() && !QTest::qWaitFor(complete, timeoutMs))
        return false;
    const LinkFrame header = LinkFrame::parseHeader(m_inbox.constData());
    frame.signature = header.signature;
    frame.payload = m_inbox.mid(LinkFrame::HeaderSize, header.length);
    m_inbox.remove(0, LinkFrame::HeaderSize + header.length);
    return true;
}

void LinkPeer::close()
{
    if (m_connection) {
        m_connection->close();
        m_connection->deleteLater();
        m_connection = nullptr;
    }
}

bool LinkPeer::sendDatagram(quint16 port, const QByteArray& datagram)
{
    return m_udp.writeDatagram(datagram, QHostAddress::LocalHost, port) == datagram.size();
}
