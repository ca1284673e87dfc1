#pragma once

// The generic subscribe-by-name link. The console names the values it wants in one subscription
// command on a TCP connection ("SQ" frames both ways); the controller then streams the values to
// a local UDP port, packed one record per element in subscription order, and the receiver hands
// the values that changed to the thread that owns the Element objects, which store them there and
// tell their viewers through Qt signals.

#include "comm.h"
#include "linkthread.h"
#include "statusqueue.h"

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThread>
#include <QVector>
#include <QtEndian>

#include <atomic>
#include <memory>
#include <vector>

// One named value of the generic link, guarded by its own mutex. A setter emits the two signals of
// its value kind (first the one carrying the element, then the plain one) when the value changed,
// and always the first time that kind is set.
class Element : public QObject
{
    Q_OBJECT

public:
    // The type code decides the layout of the element's record in a status message:
    // 0, 1 validity byte + on/off byte; 2, 3 validity byte + number + raw number;
    // 4, 5 on/off byte; 6 number. Codes above 3 are variables (they carry no validity).
    enum Type : int {
        SensorBool = 0,
        SensorBoolAlt = 1,
        SensorNumber = 2,
        SensorNumberAlt = 3,
        VariableBool = 4,
        VariableBoolAlt = 5,
        VariableNumber = 6,
    };
    Q_ENUM(Type)

    // Size in bytes of the record of an element of the given type code (0 for unknown codes,
    // which are not decoded).
    static int recordSize(int typeCode);

    // min must not exceed max.
    Element(Element::Type type, const QString& name, int dec, float min, float max);

    Type type() const { return m_type; }
    QString name() const { return m_name; }
    int offset() const;
    bool isVariable() const { return int(m_type) > 3; }
    int dec() const { return m_dec; }

    bool valid() const;
    float rawNumberVal() const;
    float numberVal() const;
    bool boolVal() const;
    QString stringVal() const;

    // Byte position of the element's record in the status payload. Once set, it may only be set
    // again to the same value.
    void setOffset(int offs);

    void setValid(bool valid);
    void setRawNumberVal(float val);
    // Clamps to [min, max] first (a NaN passes unchanged).
    void setNumberVal(float val);
    void setBoolVal(bool val);
    void setStringVal(const QString& val);

signals:
    void validChanged(const Element* elem, bool valid);
    void validChanged(bool valid);
    void rawNumberValChanged(const Element* elem, float val);
    void rawNumberValChanged(float val);
    void numberValChanged(const Element* elem, float val);
    void numberValChanged(float val);
    void boolValChanged(const Element* elem, bool val);
    void boolValChanged(bool val);
    void stringValChanged(const Element* elem, QString val);
    void stringValChanged(QString val);

private:
    // Stores value into field under the mutex; true when the change is to be announced.
    template <typename T>
    bool store(T& field, bool& notified, const T& value);

    mutable QMutex m_mutex;
    const Type m_type;
    const QString m_name;
    int m_offs = -1;
    bool m_valid = false;
    float m_rawNumber = 0.0f;
    float m_number = 0.0f;
    bool m_bool = false;
    QString m_string;
    const int m_dec;
    const float m_min;
    const float m_max;
    bool m_validNotified = false;
    bool m_rawNumberNotified = false;
    bool m_numberNotified = false;
    bool m_boolNotified = false;
    bool m_stringNotified = false;
};

// The element-carrying signals reach viewers on other threads by queued delivery.
Q_DECLARE_METATYPE(const Element*)

using ElementMap = QMap<QString, Element*>;

namespace GenericLink {

// Room for one status message, header included (the largest UDP payload).
constexpr int kMessageBufferSize = 65507;
// How long the receiver waits for each continuation datagram of a long message (empty datagrams
// do not end the wait).
constexpr int kContinuationWaitMs = 3000;

// The subscription command for the elements (in the map's order, ascending by name), giving each
// element its record offset as it is listed:
// "SUBSCRIBE PORT <udpPort> DELAY 50 <name>, <name>, ..., <name>".
QString subscribe(int udpPort, const ElementMap& elements);

// The values of a status payload, element by element in the map's order: for an element at
// position p, sink(p, kind, number, flag) for each value its record holds (validity first, then
// the raw number before the number). An element whose record does not lie wholly inside the
// payload, or that has no offset yet, gives nothing.
enum ValueKind { Valid, RawNumber, Number, Bool, KindCount };
template <typename Sink>
void read(const ElementMap& elements, const char* payload, int size, Sink&& sink);

// Stores the records of a status payload into the elements. An element whose record does not lie
// wholly inside the payload, or that has no offset yet, is left as it is.
void decode(const ElementMap& elements, const char* payload, int size);

// One value of an element on its way from the receiver's thread to the elements' own: field
// index = position of the element in the map * KindCount + its ValueKind.
struct Change {
    int index;
    float number;  // RawNumber, Number
    bool flag;     // Valid, Bool
};

// Stores a change into its element.
void apply(const QVector<Element*>& elements, const Change& change);

// The changes of the receiver's elements cross to the thread that owns them here, as a
// controller's status crosses to the console's window: every change of a validity or an on/off
// value in order, numbers (display values) folded while they wait, a bounded share per event.
class Handover
{
public:
    explicit Handover(const ElementMap& elements);

    StatusQueue<Change>& queue() { return m_queue; }
    // Owner's thread, on the queue's event: stores the changes due. Once nothing waits, a count of
    // changes that came far too fast and were dropped goes to the standard error stream.
    void deliver();
    // Owner's thread: stores everything that waits at once.
    void deliverAll();

private:
    const QVector<Element*> m_elements;
    StatusQueue<Change> m_queue;
};

// Keeps the values last handed over and collects those of the next payload that differ from them
// (every value the first time), as changes in read()'s order.
class Tracker
{
public:
    explicit Tracker(int elementCount);
    void update(const ElementMap& elements, const char* payload, int size, std::vector<Change>& out);

private:
    std::vector<Change> m_last;
    std::vector<bool> m_known;
};

// Completes a status message that starts with its first datagram: while the payload its header
// announces is not all in, next(message) appends the following datagram (false when none came).
// False, the message to be dropped, when the first datagram is too short for a header or longer
// than a message may be, when a continuation does not come, or when the message outgrows
// kMessageBufferSize.
template <typename Next>
bool assemble(QByteArray& message, Next&& next)
{
    if (message.size() < LinkFrame::HeaderSize || message.size() > kMessageBufferSize)
        return false;
    const int length = LinkFrame::parseHeader(message.constData()).length;
    while (message.size() - LinkFrame::HeaderSize < length) {
        if (!next(message) || message.size() > kMessageBufferSize)
            return false;
    }
    return true;
}

// Stores the records of a message completed by assemble() into the elements: the payload is as
// long as its header says (bytes after it are not read).
void decodeMessage(const ElementMap& elements, const QByteArray& message);

template <typename Sink>
void read(const ElementMap& elements, const char* payload, int size, Sink&& sink)
{
    int position = -1;
    for (const Element* element : elements) {
        ++position;
        const int offset = element->offset();
        const int type = element->type();
        const int recordSize = Element::recordSize(type);
        if (offset < 0 || recordSize == 0 || offset > size - recordSize)
            continue;
        const char* record = payload + offset;
        switch (type) {
        case Element::SensorBool:
        case Element::SensorBoolAlt:
            sink(position, Valid, 0.0f, record[0] != 0);
            sink(position, Bool, 0.0f, record[1] != 0);
            break;
        case Element::SensorNumber:
        case Element::SensorNumberAlt:
            sink(position, Valid, 0.0f, record[0] != 0);
            sink(position, RawNumber, qFromLittleEndian<float>(record + 5), false);
            sink(position, Number, qFromLittleEndian<float>(record + 1), false);
            break;
        case Element::VariableBool:
        case Element::VariableBoolAlt:
            sink(position, Bool, 0.0f, record[0] != 0);
            break;
        case Element::VariableNumber:
            sink(position, Number, qFromLittleEndian<float>(record), false);
            break;
        default:
            break;
        }
    }
}

}  // namespace GenericLink

// Receives the status messages of the generic link on a local UDP port and hands the values that
// changed to the elements' thread (GenericLink::Handover), where they are stored into the elements.
// A message starts with an "SQ" header (u16 signature, u16 payload length); a payload longer than
// its first datagram continues in the following datagrams. Starts itself; emits disconnected()
// before every wait once more than ten waits of 100 ms in a row brought nothing. When it stops it
// marks every element invalid (after every value it handed over before). Given the controller's
// address, it takes datagrams from there only and names each other sender once on the standard
// error stream.
class UDPthread : public StatusReceiver
{
    Q_OBJECT

public:
    // elements is not owned and must not change while the receiver runs. Datagrams are taken
    // from any sender. The values are stored on the thread that makes the receiver, in its events;
    // what still waits when the receiver is deleted there is stored by its destructor.
    UDPthread(ElementMap* elements, int port);
    // Datagrams are taken only from source, an IPv4 address in host byte order.
    UDPthread(ElementMap* elements, int port, quint32 source);
    // The values go to handover, whose events go to target (a link that owns the receiver).
    UDPthread(ElementMap* elements, int port, quint32 source, GenericLink::Handover* handover, QObject* target);
    ~UDPthread() override;

signals:
    void disconnected();

protected:
    void run() override;
    bool event(QEvent* event) override;

private:
    bool datagramReceived(const char* data, int size) override;
    void rejected(const char* data, int size, bool badSignature) override;
    void foreignSender(quint32 address) override;
    void silence() override { emit disconnected(); }
    void quiet() override;

    ElementMap* const m_elements;
    std::unique_ptr<GenericLink::Handover> m_ownHandover;  // when no link owns the receiver
    GenericLink::Handover* const m_handover;
    QObject* const m_target;
    GenericLink::Tracker m_tracker;  // receiver's thread
    QByteArray m_message;                         // the message at hand
    std::vector<GenericLink::Change> m_changes;  // its changes
};

// The TCP side of the generic link and owner of its receiver. connect() opens the connection,
// starts the receiver and sends the subscription of the elements; command() sends an "SQ" text
// frame; the thread's run() receives "SQ" text frames and emits them as message(). The receiver's
// values are stored into the elements on the owner's thread, as its events come. The link ends
// on a connection error, a frame of another signature, or the receiver's silence report; it then
// emits disconnected() (every value, the elements marked invalid included, is stored before) and
// the owner may connect again.
// connected(), disconnect() and command() (one "SQ" text frame, UTF-8) come from FramedLink.
class TCPthread : public FramedLink
{
    Q_OBJECT

public:
    TCPthread();
    ~TCPthread() override;  // stops and joins the thread

    // False when the link is already up (or still winding down) or the connection fails (the
    // reason goes to the standard error stream). True once the connection is up and the
    // subscription has been offered, whether or not its send succeeded.
    bool connect(const QString& host, int tcpPort, int udpPort, ElementMap* elements);

signals:
    void disconnected();
    void message(QString str);

public slots:
    void UDPdisconnected();

protected:
    void run() override;

private:
    bool stopRequested() const override { return m_stop || m_udpLost; }
    bool acceptsSignature(quint16 signature) const override { return signature == LinkFrame::SQ; }
    void frameReceived(quint16 signature, const QByteArray& payload, bool complete) override;
    void textPassed(const QString& line) override;
    void report(LinkEvent event, const QString& reason) override;
    void deliverStatus() override;

    std::atomic_bool m_udpLost{false};
    // The receiver's values on their way to the elements (owner's thread; one per connection).
    std::unique_ptr<GenericLink::Handover> m_handover;
};
