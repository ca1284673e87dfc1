#include "kvscomm.h"

#include <QDebug>
#include <QMutexLocker>

#include <cstring>
#include <ctime>

namespace {

const VacuumLinkTexts kKvsTexts = {"KVSTCPthread", "VacuumTCPthread: < ", "KVS gethostbyname() error: ",
                                   "KVS connect", "KVS tcp connect() done", kKvsConstsSignature};
const VacuumLinkTexts kKvkTexts = {"KVKTCPthread", "KVKTCPthread: < ", "gethostbyname() error: ",
                                   nullptr, nullptr, kKvkConstsSignature};

void log(const QString& text)
{
    qDebug().noquote() << text;
}

}  // namespace

// ---- VacuumLink -------------------------------------------------------------------------------

VacuumLink::VacuumLink(const VacuumLinkTexts& texts)
    : m_texts(texts), m_consts(new VacConstRecord[kVacConstCapacity])
{
    std::memset(m_consts.get(), 0, sizeof(VacConstRecord) * kVacConstCapacity);
}

VacuumLink::~VacuumLink()
{
    shutdown();
}

void VacuumLink::shutdown()
{
    if (isRunning()) {
        m_stop = true;
        wait();
    }
}

bool VacuumLink::connect(const QString& host, int tcpPort, int udpPort)
{
    if (m_texts.connectLog)
        log(QString::fromLatin1(m_texts.connectLog));
    if (m_socket.isOpen() || isRunning())
        return false;
    const FramedSocket::ConnectError error = m_socket.open(host, tcpPort);
    switch (error.stage) {
    case FramedSocket::ConnectError::None:
        break;
    case FramedSocket::ConnectError::AlreadyOpen:
        return false;
    case FramedSocket::ConnectError::Resolve:
        log(QString::fromLatin1(m_texts.resolveError) + error.reason);
        return false;
    case FramedSocket::ConnectError::Socket:
        log(QStringLiteral("socket() error: ") + error.reason);
        return false;
    case FramedSocket::ConnectError::Connect:
        log(QStringLiteral("tcp connect() error: ") + error.reason);
        return false;
    }
    m_partner = makePartner(udpPort);
    QObject::connect(m_partner, &VacuumStatusReceiver::UDPdisconnected, this, &VacuumLink::UDPdisconnected);
    m_stop = false;
    if (m_texts.connectDoneLog)
        log(QString::fromLatin1(m_texts.connectDoneLog));
    start();
    return true;
}

bool VacuumLink::connected() const
{
    return m_socket.isOpen();
}

bool VacuumLink::disconnect()
{
    if (!m_socket.isOpen() || QThread::currentThread() == this)
        return false;
    m_stop = true;
    return wait();
}

bool VacuumLink::command(const QString& text)
{
    log(QString::fromLatin1(m_texts.name) + QStringLiteral(": > \"") + text + QLatin1Char('"'));
    return m_socket.send(LinkFrame::PV, text.toUtf8());
}

QString VacuumLink::timeStamp()
{
    return linkTimeStamp(std::time(nullptr));
}

QVector<VacConstRecord> VacuumLink::getVacConsts() const
{
    QMutexLocker locker(&m_constsLock);
    return QVector<VacConstRecord>(m_consts.get(), m_consts.get() + m_constsCount);
}

QVector<VacConstRecord> VacuumLink::getVacConsts(int& count) const
{
    const QVector<VacConstRecord> records = getVacConsts();
    count = records.size();
    return records;
}

void VacuumLink::UDPdisconnected()
{
    m_stop = true;
}

void VacuumLink::run()
{
    log(QString::fromLatin1(m_texts.name) + QStringLiteral(" started"));
    m_socket.receive(*this);
    m_socket.close();
    QObject::disconnect(m_partner, &VacuumStatusReceiver::UDPdisconnected, this, &VacuumLink::UDPdisconnected);
    delete m_partner;  // stops and joins the receiver's thread
    m_partner = nullptr;
    emit disconnected();
}

bool VacuumLink::stopRequested() const
{
    return m_stop;
}

bool VacuumLink::acceptsSignature(quint16 signature) const
{
    return signature == LinkFrame::PV || signature == m_texts.constsSignature;
}

void VacuumLink::frameReceived(quint16 signature, const QByteArray& payload, bool)
{
    if (signature != LinkFrame::PV) {
        storeConsts(payload);
        return;
    }
    const int end = payload.indexOf('\0');
    const QString text = QString::fromUtf8(payload.constData(), end < 0 ? payload.size() : end);
    log(QString::fromLatin1(m_texts.receivedPrefix) + text);
    emit message(timeStamp() + text);
}

void VacuumLink::storeConsts(const QByteArray& payload)
{
    QVector<VacConstRecord> stored;
    {
        QMutexLocker locker(&m_constsLock);
        m_constsCount = VacConsts::parse(payload, m_consts.get());
        stored = QVector<VacConstRecord>(m_consts.get(), m_consts.get() + m_constsCount);
    }
    for (const VacConstRecord& record : stored)
        qDebug().noquote() << record.id << record.value << record.nameText();
    emit constsReceived(stored.size());
}

void VacuumLink::report(LinkEvent event, const QString& reason)
{
    switch (event) {
    case LinkEvent::HeaderSelectFailed:
    case LinkEvent::PayloadSelectFailed:
        log(QStringLiteral("select() error: ") + reason);
        break;
    case LinkEvent::HeaderRecvFailed:
    case LinkEvent::HeaderPeerClosed:
    case LinkEvent::PayloadRecvFailed:
    case LinkEvent::PayloadPeerClosed:
        log(QStringLiteral("recv() error: ") + reason);
        break;
    case LinkEvent::BadSignature:
        log(QStringLiteral("Bad packet signature"));
        break;
    case LinkEvent::StoppedInFrame:
        log(QString::fromLatin1(m_texts.name) + QStringLiteral(" stopped"));
        break;
    case LinkEvent::Stopped:
        break;
    }
}

// ---- VacuumStatusReceiver ---------------------------------------------------------------------

VacuumStatusReceiver::VacuumStatusReceiver(const QVector<StatusField::Field>& fields, const QMetaObject& meta,
                                           int packetSize, QObject* link, int port)
    : m_fields(fields),
      m_emitter(fields, meta),
      m_packetSize(packetSize),
      m_link(link),
      m_port(port),
      m_last(packetSize, '\0')
{
}

VacuumStatusReceiver::~VacuumStatusReceiver()
{
    halt();
}

void VacuumStatusReceiver::begin()
{
    StatusField::forward(m_fields, this, m_link);
    start();
}

void VacuumStatusReceiver::halt()
{
    StatusField::unforward(m_fields, this, m_link);
    m_stop = true;
    wait();
}

void VacuumStatusReceiver::run()
{
    StatusStream stream(m_port, StatusFilter{m_packetSize, kVacuumTextSignature});
    stream.run(*this);
}

bool VacuumStatusReceiver::stopRequested() const
{
    return m_stop;
}

void VacuumStatusReceiver::datagramReceived(const char* data, int size)
{
    Q_ASSERT(size == m_packetSize);
    const uchar* current = reinterpret_cast<const uchar*>(data);
    m_emitter.emitChanges(this, m_received ? reinterpret_cast<const uchar*>(m_last.constData()) : nullptr, current);
    std::memcpy(m_last.data(), data, size_t(size));
    m_received = true;
}

void VacuumStatusReceiver::rejected(const char*, int, bool badSignature)
{
    if (badSignature)
        log(QStringLiteral("Bad signature of drive UDP packet"));
}

void VacuumStatusReceiver::silence()
{
    emit UDPdisconnected();
}

// ---- the two links ----------------------------------------------------------------------------

KVSTCPthread::KVSTCPthread() : VacuumLink(kKvsTexts) {}

KVSTCPthread::~KVSTCPthread()
{
    shutdown();
}

VacuumStatusReceiver* KVSTCPthread::makePartner(int udpPort)
{
    return new KVSUDPthread(this, udpPort);
}

KVSUDPthread::KVSUDPthread(KVSTCPthread* link, int port)
    : VacuumStatusReceiver(VacuumStatus::kvsFields(), staticMetaObject, int(sizeof(KvsStatusPacket)), link, port)
{
    begin();
}

KVSUDPthread::~KVSUDPthread()
{
    halt();
}

KVKTCPthread::KVKTCPthread() : VacuumLink(kKvkTexts) {}

KVKTCPthread::~KVKTCPthread()
{
    shutdown();
}

VacuumStatusReceiver* KVKTCPthread::makePartner(int udpPort)
{
    return new KVKUDPthread(this, udpPort);
}

KVKUDPthread::KVKUDPthread(KVKTCPthread* link, int port)
    : VacuumStatusReceiver(VacuumStatus::kvkFields(), staticMetaObject, int(sizeof(KvkStatusPacket)), link, port)
{
    begin();
}

KVKUDPthread::~KVKUDPthread()
{
    halt();
}
