#pragma once

#include <QByteArray>
#include <QMetaMethod>
#include <QVariant>
#include <QVector>

#include <vector>

class QObject;
struct QMetaObject;

// Change-only decoding of a fixed status datagram, described as a table of fields.
//
// A table lists the fields of one datagram layout in the order in which their change signals are
// emitted: the normalised signature of the signal, the field's byte offset and its kind. Two raw
// datagrams are compared field by field (integers and flag bytes bit for bit, floats and doubles
// with the floating-point inequality, so a NaN always counts as changed and +0 equals -0); for
// every field that differs, or every field when there is no previous datagram, the signal is
// emitted with the field's value (a flag byte as a bool that is true when the byte is not 0).
// All multi-byte fields are little-endian.
namespace StatusField {

enum class Kind : quint8 { Int32, UInt32, Flag, Float, Double };

struct Field {
    const char* signal;  // normalised signature, e.g. "changedNL1State(int)"
    quint16 offset;
    Kind kind;
    // A measured value that only a display shows (a pressure, a temperature, a flow): of such a
    // field only the latest value matters while several wait for the GUI thread.
    bool display = false;
};

// Number of bytes a field of this kind occupies.
int width(Kind kind);

// True when the field differs between the two datagrams; always true without a previous one.
bool differs(const Field& field, const uchar* previous, const uchar* current);

// The field's value in the type its signal carries (int, uint, bool, float or double).
QVariant value(const Field& field, const uchar* data);

// One change as it is handed from the receiver's thread to the link's: the index of the field in
// its table and its new value in the type its signal carries.
struct Value {
    int index;
    Kind kind;
    union {
        qint32 i;
        quint32 u;
        bool b;
        float f;
        double d;
    };
};

// The field's value (index is left to the caller).
Value valueOf(const Field& field, const uchar* data);

// Appends the changes between two datagrams to out in emission order (previous may be null:
// every field).
void collect(const QVector<Field>& table, const uchar* previous, const uchar* current, std::vector<Value>& out);

// True when a float or double field of the datagram holds a NaN (such a field counts as changed
// with every datagram, so two equal datagrams may still differ).
bool hasNaN(const QVector<Field>& table, const uchar* data);

// Keeps the previous datagram of one layout and collects the changes of the next one (every field
// for the first). A steady controller repeats its datagram: one compare of the bytes settles it,
// unless a NaN has to be reported again.
class Tracker
{
public:
    Tracker(const QVector<Field>& table, int datagramSize);

    // Appends the changes of current (datagramSize bytes) to out, in emission order.
    void update(const uchar* current, std::vector<Value>& out);
    bool havePrevious() const { return m_havePrevious; }
    // The next update() reports every field, as for the first datagram.
    void forget() { m_havePrevious = false; }

private:
    const QVector<Field>& m_table;
    QByteArray m_previous;
    bool m_havePrevious = false;
    bool m_previousHasNaN = false;
};

// One change: the index of the field in its table and its new value.
struct Change {
    int field;
    QVariant value;
};

// The changes between two datagrams in emission order (previous may be null: every field).
QVector<Change> changes(const QVector<Field>& table, const uchar* previous, const uchar* current);

// Emits the change signals of a table on an object of a class that declares them. The signals
// are looked up once, when the emitter is made; a table entry without a matching signal on the
// class is a programming error and stops the program at once.
class Emitter
{
public:
    Emitter(const QVector<Field>& table, const QMetaObject& meta);

    // Emits, on the calling thread, the signal of the change's field with its value.
    void emitValue(QObject* target, const Value& value) const;

private:
    QVector<QMetaMethod> m_signals;
};

}  // namespace StatusField
