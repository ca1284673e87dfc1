#include "loopbackpeer.h"

#include <QtTest>

#include "testenv.h"

LoopbackPeer::LoopbackPeer() : tcpPort(TestEnv::freePort()), udpPort(TestEnv::freePort())
{
}

bool LoopbackPeer::listen()
{
    return server.isListening() || server.listen(QHostAddress::LocalHost, tcpPort);
}

bool LoopbackPeer::accept()
{
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 2000))
        return false;
    connection = server.nextPendingConnection();
    return connection != nullptr;
}

void LoopbackPeer::write(const QByteArray& bytes)
{
    connection->write(bytes);
    connection->flush();
    connection->waitForBytesWritten(1000);
}

void LoopbackPeer::datagram(const QByteArray& bytes)
{
    udp.writeDatagram(bytes, QHostAddress::LocalHost, udpPort);
}
