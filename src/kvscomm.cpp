#include "kvscomm.h"

#include <QDebug>
#include <QMutexLocker>

#include <cstring>
#include <ctime>

namespace {

void log(const QString& text)
{
    qDebug().noquote() << text;
}

const VacuumLinkTexts kKvsTexts = {
    {log, "KVSTCPthread: > ", "KVS gethostbyname() error: ", "tcp connect() error: ", LinkFrame::PV},
    "KVSTCPthread", "VacuumTCPthread: < ", "KVS connect", "KVS tcp connect() done", kKvsConstsSignature,
    VacuumStatus::kvsFields, &KVSTCPthread::staticMetaObject};
const VacuumLinkTexts kKvkTexts = {
    {log, "KVKTCPthread: > ", "gethostbyname() error: ", "tcp connect() error: ", LinkFrame::PV},
    "KVKTCPthread", "KVKTCPthread: < ", nullptr, nullptr, kKvkConstsSignature,
    VacuumStatus::kvkFields, &KVKTCPthread::staticMetaObject};

std::vector<bool> displayFields(const QVector<StatusField::Field>& fields)
{
    std::vector<bool> display;
    for (const StatusField::Field& field : fields)
        display.push_back(field.display);
    return display;
}

}  // namespace

// ---- VacuumLink -------------------------------------------------------------------------------

VacuumLink::VacuumLink(const VacuumLinkTexts& texts)
    : FramedLink(texts.link),
      m_texts(texts),
      m_consts(new VacConstRecord[kVacConstCapacity]),
      m_emitter(texts.fields(), *texts.meta),
      m_status(displayFields(texts.fields()))
{
    std::memset(m_consts.get(), 0, sizeof(VacConstRecord) * kVacConstCapacity);
    // Connected before any owner's receiver, so the status counts as unknown again before they
    // hear of the loss.
    QObject::connect(this, &VacuumLink::disconnected, this, [this] { setStatusKnown(false); });
}

bool VacuumLink::connect(const QString& host, int tcpPort, int udpPort)
{
    if (m_texts.connectLog)
        log(QString::fromLatin1(m_texts.connectLog));
    if (!open(host, tcpPort))
        return false;
    VacuumStatusReceiver* partner = makePartner(udpPort);
    arm(partner, QObject::connect(partner, &VacuumStatusReceiver::UDPdisconnected, this, &VacuumLink::UDPdisconnected));
    if (m_texts.connectDoneLog)
        log(QString::fromLatin1(m_texts.connectDoneLog));
    start();
    return true;
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

void VacuumLink::setStatusKnown(bool known)
{
    if (takeStatusKnown(known))
        emit statusKnownChanged(known);
}

void VacuumLink::notSent(const QString& text)
{
    emit commandNotSent(text);
}

void VacuumLink::foreignSender(const QString& sender)
{
    emit statusFromForeignSender(sender);
}

void VacuumLink::UDPdisconnected()
{
    m_stop = true;
}

void VacuumLink::run()
{
    log(QString::fromLatin1(m_texts.name) + QStringLiteral(" started"));
    receive();
    flushTexts();
    release();
    m_status.flush(this);  // what still waits comes before disconnected()
    emit disconnected();
}

void VacuumLink::deliverStatus()
{
    m_status.deliver([this](const StatusField::Value& change) { m_emitter.emitValue(this, change); },
                     [this](int count) { emit statusChangesDropped(count); });
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
    takeText(payloadText(payload));
}

void VacuumLink::textPassed(const QString& line)
{
    log(QString::fromLatin1(m_texts.receivedPrefix) + line);
    emit message(timeStamp() + line);
}

void VacuumLink::storeConsts(const QByteArray& payload)
{
    QVector<VacConstRecord> stored;
    {
        QMutexLocker locker(&m_constsLock);
        m_constsCount = VacConsts::parse(payload, m_consts.get());
        stored = QVector<VacConstRecord>(m_consts.get(), m_consts.get() + m_constsCount);
    }
    // The listing is bounded like the texts: a controller flooding tables does not flood the
    // debug output.
    if (m_constsLogGate.admit(textClockMs())) {
        for (const VacConstRecord& record : stored)
            qDebug().noquote() << record.id << record.value << OutsideText::singleLine(record.nameText());
    }
    emit constsReceived(stored.size());
}

void VacuumLink::report(LinkEvent event, const QString& reason)
{
    // Stop seen between frames ends the link without a word.
    if (event == LinkEvent::StoppedInFrame)
        log(QString::fromLatin1(m_texts.name) + QStringLiteral(" stopped"));
    else if (event != LinkEvent::Stopped)
        log(eventText(event, reason));
}

// ---- VacuumStatusReceiver ---------------------------------------------------------------------

VacuumStatusReceiver::VacuumStatusReceiver(const QVector<StatusField::Field>& fields, int packetSize,
                                           VacuumLink* link, int port)
    : StatusReceiver(port, StatusFilter{packetSize, kVacuumTextSignature, link->peerAddress()}),
      m_packetSize(packetSize),
      m_link(link),
      m_tracker(fields, packetSize)
{
    m_changes.reserve(size_t(fields.size()));
    // Wired before the thread starts (begin()): the controller streams already, and the first
    // datagram may be decoded before the link's connect() returns.
    QObject::connect(this, &VacuumStatusReceiver::statusStarted, link, [link] { link->setStatusKnown(true); });
}

VacuumStatusReceiver::~VacuumStatusReceiver()
{
    halt();
}

void VacuumStatusReceiver::begin()
{
    start();
}

void VacuumStatusReceiver::halt()
{
    stopAndJoin();
}

bool VacuumStatusReceiver::datagramReceived(const char* data, int size)
{
    Q_ASSERT(size == m_packetSize);
    // Posted to the link before the first changes, so the status counts as known when they come.
    if (!m_tracker.havePrevious())
        emit statusStarted();
    else if (m_link->m_resendStatus.exchange(false))
        m_tracker.forget();
    m_changes.clear();
    m_tracker.update(reinterpret_cast<const uchar*>(data), m_changes);
    m_link->m_status.push(m_link, m_changes.data(), int(m_changes.size()));
    return true;
}

void VacuumStatusReceiver::rejected(const char*, int, bool badSignature)
{
    if (badSignature)
        log(QStringLiteral("Bad signature of drive UDP packet"));
}

void VacuumStatusReceiver::foreignSender(quint32 address)
{
    m_link->noteForeignSender(address);
}

void VacuumStatusReceiver::silence()
{
    emit UDPdisconnected();
}

// ---- the two links ----------------------------------------------------------------------------

KVSTCPthread::KVSTCPthread() : VacuumLink(kKvsTexts) {}

KVSTCPthread::~KVSTCPthread()
{
    stopAndJoin();
}

VacuumStatusReceiver* KVSTCPthread::makePartner(int udpPort)
{
    return new KVSUDPthread(this, udpPort);
}

KVSUDPthread::KVSUDPthread(KVSTCPthread* link, int port)
    : VacuumStatusReceiver(VacuumStatus::kvsFields(), int(sizeof(KvsStatusPacket)), link, port)
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
    stopAndJoin();
}

VacuumStatusReceiver* KVKTCPthread::makePartner(int udpPort)
{
    return new KVKUDPthread(this, udpPort);
}

KVKUDPthread::KVKUDPthread(KVKTCPthread* link, int port)
    : VacuumStatusReceiver(VacuumStatus::kvkFields(), int(sizeof(KvkStatusPacket)), link, port)
{
    begin();
}

KVKUDPthread::~KVKUDPthread()
{
    halt();
}
