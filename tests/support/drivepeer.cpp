#include "drivepeer.h"

#include <QtTest>

#include "datagramflood.h"
#include "drivecomm.h"
#include "drivestatus.h"
#include "testenv.h"

namespace {

DriveStatusPacket firstStatus()
{
    DriveStatusPacket packet = DriveStatus::blank();
    packet.keyAccess = 1;
    return packet;
}

}  // namespace

DrivePeer::DrivePeer() : m_tcpPort(TestEnv::freePort()), m_udpPort(TestEnv::freePort())
{
    setStatus(firstStatus());
    m_sender = std::thread([this] { stream(); });
}

DrivePeer::~DrivePeer()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_quit = true;
    }
    m_wake.notify_all();
    m_sender.join();
}

void DrivePeer::stream()
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_quit) {
        if (m_streaming)
            sendDatagramFrom(QByteArray(), m_udpPort, m_status);
        m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_quit; });
    }
}

void DrivePeer::setStatus(const DriveStatusPacket& packet)
{
    m_packet = packet;
    const QByteArray status = DriveStatus::encode(packet);
    std::lock_guard<std::mutex> lock(m_lock);
    m_status = status;
}

DriveStatusPacket DrivePeer::ready()
{
    DriveStatusPacket packet = firstStatus();
    packet.drivesOn = 1;
    for (quint32& state : packet.channelState)
        state = 1;
    return packet;
}

bool DrivePeer::report(DriveTCPthread& link, const DriveStatusPacket& packet)
{
    setStatus(packet);
    return QTest::qWaitFor(
        [&] {
            const DriveReadiness r = link.readiness();
            return r.known && r.drivesOn == (packet.drivesOn != 0) && r.channel(1) == packet.channelState[0]
                   && r.channel(2) == packet.channelState[1] && r.channel(3) == packet.channelState[2];
        },
        3000);
}

void DrivePeer::setStreaming(bool on)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_streaming = on;
}

bool DrivePeer::streaming() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_streaming;
}

bool DrivePeer::reportNotReady(DriveTCPthread& link, const QString& fault)
{
    if (fault == QLatin1String("no status")) {
        setStreaming(false);
        return QTest::qWaitFor([&] { return !link.connected(); }, 5000) && attach(link) && !link.statusKnown();
    }
    DriveStatusPacket status = ready();
    if (fault == QLatin1String("drives off")) {
        status.drivesOn = 0;
    } else {
        const QStringList words = fault.split(QLatin1Char(' '));
        const int channel = words.value(1).toInt();
        if (words.size() != 3 || words.at(0) != QLatin1String("channel") || channel < 1 || channel > 3)
            return false;
        status.channelState[channel - 1] = words.at(2) == QLatin1String("loading") ? 9 : 3;
    }
    return report(link, status);
}

bool DrivePeer::attach(DriveTCPthread& link)
{
    if (link.connected() && m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        return true;
    delete m_socket;
    m_socket = nullptr;
    m_buffer.clear();
    if (!m_server.isListening() && !m_server.listen(QHostAddress::LocalHost, m_tcpPort))
        return false;
    // A lost link opens again once its receive thread has ended.
    if (!QTest::qWaitFor([&] { return !link.connected() && !link.isRunning(); }, 3000))
        return false;
    if (!link.connect(QStringLiteral("127.0.0.1"), m_tcpPort, m_udpPort))
        return false;
    if (!QTest::qWaitFor([&] { return m_server.hasPendingConnections(); }, 3000))
        return false;
    m_socket = m_server.nextPendingConnection();
    // Attached once the link holds the peer's status.
    return m_socket != nullptr && (!streaming() || QTest::qWaitFor([&] { return link.statusKnown(); }, 3000));
}

QString DrivePeer::next(int timeoutMs)
{
    QString text;
    if (!QTest::qWaitFor([&] { return takeFrame(text); }, timeoutMs))
        return QString();
    return text;
}

bool DrivePeer::silent(int waitMs)
{
    return next(waitMs).isNull();
}

bool DrivePeer::takeFrame(QString& text)
{
    if (!m_socket)
        return false;
    m_buffer += m_socket->readAll();
    if (m_buffer.size() < 4)
        return false;
    if (!m_buffer.startsWith("PV")) {
        text = QStringLiteral("<not a PV frame>");
        return true;
    }
    const int length = quint8(m_buffer[2]) | (quint8(m_buffer[3]) << 8);
    if (m_buffer.size() < 4 + length)
        return false;
    text = QString::fromUtf8(m_buffer.mid(4, length));
    m_buffer.remove(0, 4 + length);
    return true;
}
