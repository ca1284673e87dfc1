#include "genericlink.h"

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

void decode(const ElementMap& elements, const char* payload, int size)
{
    const QVector<Element*> list = elements.values().toVector();
    read(elements, payload, size, [&list](int position, ValueKind kind, float number, bool flag) {
        apply(list, Change{position * KindCount + kind, number, flag});
    });
}

void apply(const QVector<Element*>& elements, const Change& change)
{
    const int position = change.index / KindCount;
    if (change.index < 0 || position >= elements.size())
        return;
    Element* element = elements[position];
    switch (change.index % KindCount) {
    case Valid:
        element->setValid(change.flag);
        break;
    case RawNumber:
        element->setRawNumberVal(change.number);
        break;
    case Number:
        element->setNumberVal(change.number);
        break;
    case Bool:
        element->setBoolVal(change.flag);
        break;
    }
}

namespace {

// The numbers are display values.
std::vector<bool> displayFields(int elementCount)
{
    std::vector<bool> display(size_t(elementCount) * KindCount, false);
    for (int i = 0; i < elementCount; ++i) {
        display[size_t(i * KindCount + RawNumber)] = true;
        display[size_t(i * KindCount + Number)] = true;
    }
    return display;
}

}  // namespace

Handover::Handover(const ElementMap& elements)
    : m_elements(elements.values().toVector()), m_queue(displayFields(elements.size()))
{
}

namespace {

void reportDropped(int count)
{
    std::fprintf(stderr, "Status changes came too fast: %d dropped\n", count);
}

}  // namespace

void Handover::deliver()
{
    m_queue.deliver([this](const Change& change) { apply(m_elements, change); }, reportDropped);
}

void Handover::deliverAll()
{
    m_queue.deliverAll([this](const Change& change) { apply(m_elements, change); }, reportDropped);
}

Tracker::Tracker(int elementCount)
    : m_last(size_t(elementCount) * KindCount, Change{0, 0.0f, false}), m_known(m_last.size(), false)
{
}

void Tracker::update(const ElementMap& elements, const char* payload, int size, std::vector<Change>& out)
{
    read(elements, payload, size, [&](int position, ValueKind kind, float number, bool flag) {
        const size_t index = size_t(position * KindCount + kind);
        Change& last = m_last[index];
        // Floats compare as floats: a NaN differs every time.
        const bool same = kind == RawNumber || kind == Number ? last.number == number : last.flag == flag;
        if (m_known[index] && same)
            return;
        m_known[index] = true;
        last = Change{int(index), number, flag};
        out.push_back(last);
    });
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
    : UDPthread(elements, port, source, nullptr, nullptr)
{
}

UDPthread::UDPthread(ElementMap* elements, int port, quint32 source, GenericLink::Handover* handover,
                     QObject* target)
    : StatusReceiver(port, StatusFilter{0, LinkFrame::SQ, source}),
      m_elements(elements),
      m_ownHandover(handover ? nullptr : new GenericLink::Handover(*elements)),
      m_handover(handover ? handover : m_ownHandover.get()),
      m_target(handover ? target : this),
      m_tracker(elements->size())
{
    m_message.reserve(GenericLink::kMessageBufferSize);
    start();
}

UDPthread::~UDPthread()
{
    stopAndJoin();
    if (m_ownHandover)
        m_ownHandover->deliverAll();
}

void UDPthread::run()
{
    StatusReceiver::run();
    std::vector<GenericLink::Change> invalid;
    for (int i = 0; i < m_elements->size(); ++i)
        invalid.push_back(GenericLink::Change{i * GenericLink::KindCount + GenericLink::Valid, 0.0f, false});
    m_handover->queue().push(m_target, invalid.data(), int(invalid.size()));
}

bool UDPthread::event(QEvent* event)
{
    if (event->type() != statusEventType() || !m_ownHandover)
        return StatusReceiver::event(event);
    m_ownHandover->deliver();
    return true;
}

void UDPthread::quiet()
{
    m_handover->queue().push(m_target, nullptr, 0);  // a count of dropped changes that is due
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
    QByteArray& message = m_message;
    message.resize(0);  // its room stays: a stream allocates nothing
    message.append(data, size);
    if (!GenericLink::assemble(message, [this](QByteArray& m) {
            return readNext(m, GenericLink::kContinuationWaitMs);
        }))
        return false;
    m_changes.clear();
    m_tracker.update(*m_elements, message.constData() + LinkFrame::HeaderSize,
                     LinkFrame::parseHeader(message.constData()).length, m_changes);
    m_handover->queue().push(m_target, m_changes.data(), int(m_changes.size()));
    return true;
}

// ---- TCPthread --------------------------------------------------------------------------------

TCPthread::TCPthread() : FramedLink(kGenericTexts) {}

TCPthread::~TCPthread()
{
    stopAndJoin();
    if (m_handover)
        m_handover->deliverAll();  // the elements end invalid, as when the link ends
}

bool TCPthread::connect(const QString& host, int tcpPort, int udpPort, ElementMap* elements)
{
    if (!open(host, tcpPort))
        return false;

    const QString subscription = GenericLink::subscribe(udpPort, *elements);
    // What the previous connection still has on its way is stored before the new one begins.
    if (m_handover)
        m_handover->deliverAll();
    m_handover = std::make_unique<GenericLink::Handover>(*elements);
    auto* partner = new UDPthread(elements, udpPort, peerAddress(), m_handover.get(), this);
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
    m_handover->queue().flush(this);  // what still waits comes before disconnected()
    emit disconnected();
}

void TCPthread::deliverStatus()
{
    m_handover->deliver();
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
