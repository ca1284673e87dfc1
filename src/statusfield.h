#pragma once

#include <QByteArray>
#include <QMetaMethod>
#include <QVariant>
#include <QVector>

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
};

// Number of bytes a field of this kind occupies.
int width(Kind kind);

// True when the field differs between the two datagrams; always true without a previous one.
bool differs(const Field& field, const uchar* previous, const uchar* current);

// The field's value in the type its signal carries (int, uint, bool, float or double).
QVariant value(const Field& field, const uchar* data);

// One change: the index of the field in its table and its new value.
struct Change {
    int field;
    QVariant value;
};

// The changes between two datagrams in emission order (previous may be null: every field).
QVector<Change> changes(const QVector<Field>& table, const uchar* previous, const uchar* current);

// Emits the change signals of a table on one object. The signals are looked up once, when the
// emitter is made; a table entry without a matching signal on the class is a programming error
// and stops the program at once.
class Emitter
{
public:
    Emitter(const QVector<Field>& table, const QMetaObject& meta);

    // Emits, on the calling thread, the signal of every field that changed.
    void emitChanges(QObject* target, const uchar* previous, const uchar* current) const;

private:
    const QVector<Field>& m_table;
    QVector<QMetaMethod> m_signals;
};

// Connects every signal of the table on source to the signal of the same signature on target
// (signal to signal, automatic connection), so that target re-emits what source emits. Returns
// false when a signal is missing on either side.
bool forward(const QVector<Field>& table, const QObject* source, const QObject* target);

// Removes the connections made by forward().
void unforward(const QVector<Field>& table, const QObject* source, const QObject* target);

}  // namespace StatusField
