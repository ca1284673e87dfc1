#include "statusfield.h"

#include <QMetaObject>
#include <QObject>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace StatusField {

namespace {

template<typename T>
T read(const uchar* data, quint16 offset)
{
    return qFromLittleEndian<T>(data + offset);
}

QMetaMethod signalOf(const QMetaObject& meta, const char* signature)
{
    const int index = meta.indexOfSignal(signature);
    return index < 0 ? QMetaMethod() : meta.method(index);
}

}  // namespace

int width(Kind kind)
{
    switch (kind) {
    case Kind::Int32:
    case Kind::UInt32:
    case Kind::Float:
        return 4;
    case Kind::Flag:
        return 1;
    case Kind::Double:
        return 8;
    }
    return 0;
}

bool differs(const Field& field, const uchar* previous, const uchar* current)
{
    if (!previous)
        return true;
    switch (field.kind) {
    case Kind::Float:
        return read<float>(previous, field.offset) != read<float>(current, field.offset);
    case Kind::Double:
        return read<double>(previous, field.offset) != read<double>(current, field.offset);
    default:
        return std::memcmp(previous + field.offset, current + field.offset, width(field.kind)) != 0;
    }
}

Value valueOf(const Field& field, const uchar* data)
{
    Value v;
    v.index = 0;
    v.kind = field.kind;
    v.d = 0.0;
    switch (field.kind) {
    case Kind::Int32:
        v.i = read<qint32>(data, field.offset);
        break;
    case Kind::UInt32:
        v.u = read<quint32>(data, field.offset);
        break;
    case Kind::Flag:
        v.b = data[field.offset] != 0;
        break;
    case Kind::Float:
        v.f = read<float>(data, field.offset);
        break;
    case Kind::Double:
        v.d = read<double>(data, field.offset);
        break;
    }
    return v;
}

QVariant value(const Field& field, const uchar* data)
{
    const Value v = valueOf(field, data);
    switch (field.kind) {
    case Kind::Int32:
        return QVariant::fromValue<int>(v.i);
    case Kind::UInt32:
        return QVariant::fromValue<uint>(v.u);
    case Kind::Flag:
        return QVariant::fromValue<bool>(v.b);
    case Kind::Float:
        return QVariant::fromValue<float>(v.f);
    case Kind::Double:
        return QVariant::fromValue<double>(v.d);
    }
    return QVariant();
}

void collect(const QVector<Field>& table, const uchar* previous, const uchar* current, std::vector<Value>& out)
{
    for (int i = 0; i < table.size(); ++i) {
        if (differs(table[i], previous, current)) {
            Value v = valueOf(table[i], current);
            v.index = i;
            out.push_back(v);
        }
    }
}

bool hasNaN(const QVector<Field>& table, const uchar* data)
{
    for (const Field& field : table) {
        if ((field.kind == Kind::Float && std::isnan(read<float>(data, field.offset)))
            || (field.kind == Kind::Double && std::isnan(read<double>(data, field.offset))))
            return true;
    }
    return false;
}

Tracker::Tracker(const QVector<Field>& table, int datagramSize) : m_table(table), m_previous(datagramSize, '\0') {}

void Tracker::update(const uchar* current, std::vector<Value>& out)
{
    uchar* previous = reinterpret_cast<uchar*>(m_previous.data());
    const size_t size = size_t(m_previous.size());
    if (m_havePrevious && !m_previousHasNaN && std::memcmp(previous, current, size) == 0)
        return;
    collect(m_table, m_havePrevious ? previous : nullptr, current, out);
    std::memcpy(previous, current, size);
    m_previousHasNaN = hasNaN(m_table, current);
    m_havePrevious = true;
}

QVector<Change> changes(const QVector<Field>& table, const uchar* previous, const uchar* current)
{
    QVector<Change> result;
    for (int i = 0; i < table.size(); ++i) {
        if (differs(table[i], previous, current))
            result.append({i, value(table[i], current)});
    }
    return result;
}

Emitter::Emitter(const QVector<Field>& table, const QMetaObject& meta)
{
    m_signals.reserve(table.size());
    for (const Field& field : table) {
        const QMetaMethod method = signalOf(meta, field.signal);
        if (!method.isValid())
            qFatal("%s has no signal %s", meta.className(), field.signal);
        m_signals.append(method);
    }
}

void Emitter::emitValue(QObject* target, const Value& v) const
{
    const QMetaMethod& signal = m_signals[v.index];
    switch (v.kind) {
    case Kind::Int32:
        signal.invoke(target, Qt::DirectConnection, Q_ARG(int, v.i));
        break;
    case Kind::UInt32:
        signal.invoke(target, Qt::DirectConnection, Q_ARG(uint, v.u));
        break;
    case Kind::Flag:
        signal.invoke(target, Qt::DirectConnection, Q_ARG(bool, v.b));
        break;
    case Kind::Float:
        signal.invoke(target, Qt::DirectConnection, Q_ARG(float, v.f));
        break;
    case Kind::Double:
        signal.invoke(target, Qt::DirectConnection, Q_ARG(double, v.d));
        break;
    }
}

}  // namespace StatusField
