#include "genericlink.h"

#include <QtEndian>

#include <cstdio>

#include <QStringList>

// ---- Element --------------------------------------------------------------------------------

int Element::recordSize(int typeCode)
{
    switch (typeCode) {
    case SensorBool:
    case SensorBoolAlt:
        return 2;
    case SensorNumber:
    case SensorNumberAlt:
        return 9;
    case VariableBool:
    case VariableBoolAlt:
        return 1;
    case VariableNumber:
        return 4;
    default:
        return 0;
    }
}

Element::Element(Element::Type type, const QString& name, int dec, float min, float max)
    : m_type(type), m_name(name), m_dec(dec), m_min(min), m_max(max)
{
    Q_ASSERT_X(min <= max, "Element", "min <= max");
    qRegisterMetaType<const Element*>();
}

int Element::offset() const
{
    QMutexLocker lock(&m_mutex);
    return m_offs;
}

void Element::setOffset(int offs)
{
    QMutexLocker lock(&m_mutex);
    Q_ASSERT_X((m_offs < 0) || (m_offs == offs), "Element::setOffset", "(m_offs < 0) || (m_offs == offs)");
    m_offs = offs;
}

bool Element::valid() const
{
    QMutexLocker lock(&m_mutex);
    return m_valid;
}

float Element::rawNumberVal() const
{
    QMutexLocker lock(&m_mutex);
    return m_rawNumber;
}

float Element::numberVal() const
{
    QMutexLocker lock(&m_mutex);
    return m_number;
}

bool Element::boolVal() const
{
    QMutexLocker lock(&m_mutex);
    return m_bool;
}

QString Element::stringVal() const
{
    QMutexLocker lock(&m_mutex);
    return m_string;
}

template <typename T>
bool Element::store(T& field, bool& notified, const T& value)
{
    QMutexLocker lock(&m_mutex);
    const bool announce = !notified || !(field == value);
    field = value;
    notified = true;
    return announce;
}

void Element::setValid(bool valid)
{
    if (store(m_valid, m_validNotified, valid)) {
        emit validChanged(this, valid);
        emit validChanged(valid);
    }
}

void Element::setRawNumberVal(float val)
{
    if (store(m_rawNumber, m_rawNumberNotified, val)) {
        emit rawNumberValChanged(this, val);
        emit rawNumberValChanged(val);
    }
}

void Element::setNumberVal(float val)
{
    if (val < m_min)
        val = m_min;
    else if (val > m_max)
        val = m_max;
    if (store(m_number, m_numberNotified, val)) {
        emit numberValChanged(this, val);
        emit numberValChanged(val);
    }
}

void Element::setBoolVal(bool val)
{
    if (store(m_bool, m_boolNotified, val)) {
        emit boolValChanged(this, val);
        emit boolValChanged(val);
    }
}

void Element::setStringVal(const QString& val)
{
    if (store(m_string, m_stringNotified, val)) {
        emit stringValChanged(this, val);
        emit stringValChanged(val);
    }
}

// ---- subscription and status records ----------------------------------------------------------

namespace GenericLink {

QString subscribe(int udpPort, const ElementMap& elements)
{
    QStringList names;
    int offset = 0;
    for (auto it = elements.cbegin(); it != elements.cend(); ++it) {
        Element* element = it.value();
        names << it.key();
        element->setOffset(offset);
        offset += Element::recordSize(element->type());
    }
    return QStringLiteral("SUBSCRIBE PORT %1 DELAY 50 ").arg(udpPort) + names.join(QStringLiteral(", "));
}

namespace {

float floatAt(const char* p)
{
    return qFromLittleEndian<float>(p);
}

}  // namespace

void decode(const ElementMap& elements, const char* payload, int size)
{
    for (Element* element : elements) {
        const int offset = element->offset();
        const int type = element->type();
        const int recordSize = Element::recordSize(type);
        if (offset < 0 || recordSize == 0 || offset > size - recordSize)
            continue;
        const char* record = payload + offset;
        switch (type) {
        case Element::SensorBool:
        case Element::SensorBoolAlt:
            element->setValid(record[0] != 0);
            element->setBoolVal(record[1] != 0);
            break;
        case Element::SensorNumber:
        case Element::SensorNumberAlt:
            element->setValid(record[0] != 0);
            element->setRawNumberVal(floatAt(record + 5));
            element->setNumberVal(floatAt(record + 1));
            break;
        case Element::VariableBool:
        case Element::VariableBoolAlt:
            element->setBoolVal(record[0] != 0);
            break;
        case Element::VariableNumber:
            element->setNumberVal(floatAt(record));
            break;
        default:
            break;
        }
    }
}

void decodeMessage(const ElementMap& elements, const QByteArray& message)
{
    decode(elements, message.constData() + LinkFrame::HeaderSize,
           LinkFrame::parseHeader(message.constData()).length);
}

}  // namespace GenericLink

namespace {

void printError(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

const LinkTexts kGenericTexts = {printError, "TCPthread: > ", "COMM gethostbyname() error: ",
                                 "comm connect() error: ", LinkFrame::SQ};

}  // namespace

// ---- UDPthread --------------------------------------------------------------------------------

UDPthread::UDPthread(ElementMap* elements, int port) : UDPthread(elements, port, 0) {}

UDPthread::UDPthread(ElementMap* elements, int port, quint32 source)
    : StatusReceiver(port, StatusFilter{0, LinkFrame::SQ, source}), m_elements(elements)
{
    start();
}

UDPthread::~UDPthread()
{
    stopAndJoin();
}

void UDPthread::run()
{
    StatusReceiver::run();
    for (Element* element : qAsConst(*m_elements))
        element->setValid(false);
}

void UDPthread::rejected(const char*, int, bool badSignature)
{
    if (badSignature)
        printError(QStringLiteral("Bad signature of UDP packet"));
}

void UDPthread::foreignSender(quint32 address)
{
    printError(QStringLiteral("UDP packets from foreign sender ") + ipv4Text(address) + QStringLiteral(" dropped"));
}

bool UDPthread::datagramReceived(const char* data, int size)
{
    // A continuation that does not come in time (or a stop) drops the message, and a dropped
    // message is no sign of life for the silence rule.
    QByteArray message(data, size);
    if (!GenericLink::assemble(message, [this](QByteArray& m) {
            return readNext(m, GenericLink::kContinuationWaitMs);
        }))
        return false;
    GenericLink::decodeMessage(*m_elements, message);
    return true;
}

// ---- TCPthread --------------------------------------------------------------------------------

TCPthread::TCPthread() : FramedLink(kGenericTexts) {}

TCPthread::~TCPthread()
{
    stopAndJoin();
}

bool TCPthread::connect(const QString& host, int tcpPort, int udpPort, ElementMap* elements)
{
    if (!open(host, tcpPort))
        return false;

    const QString subscription = GenericLink::subscribe(udpPort, *elements);
    auto* partner = new UDPthread(elements, udpPort, peerAddress());
    // The flags are cleared here, before the thread runs, so that a disconnect() right after this
    // is never lost.
    arm(partner, QObject::connect(partner, &UDPthread::disconnected, this, &TCPthread::UDPdisconnected));
    m_udpLost = false;
    start();
    command(subscription);
    return true;
}

void TCPthread::UDPdisconnected()
{
    m_udpLost = true;
}

void TCPthread::run()
{
    receive();
    flushTexts();
    release();
    emit disconnected();
}

void TCPthread::frameReceived(quint16, const QByteArray& payload, bool)
{
    const int end = payload.indexOf('\0');
    takeText(QString::fromLatin1(end < 0 ? payload : payload.left(end)));
}

void TCPthread::textPassed(const QString& line)
{
    emit message(line);
}

void TCPthread::report(LinkEvent event, const QString& reason)
{
    // The controller closing the link between frames, and a stop, end the link without a word.
    if (event != LinkEvent::HeaderPeerClosed && event != LinkEvent::StoppedInFrame && event != LinkEvent::Stopped)
        printError(eventText(event, reason));
}
