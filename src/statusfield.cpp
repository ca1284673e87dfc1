#include "statusfield.h"

#include <QMetaObject>
#include <QObject>
#include <QtEndian>

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

QVariant value(const Field& field, const uchar* data)
{
    switch (field.kind) {
    case Kind::Int32:
        return QVariant::fromValue<int>(read<qint32>(data, field.offset));
    case Kind::UInt32:
        return QVariant::fromValue<uint>(read<quint32>(data, field.offset));
    case Kind::Flag:
        return QVariant::fromValue<bool>(data[field.offset] != 0);
    case Kind::Float:
        return QVariant::fromValue<float>(read<float>(data, field.offset));
    case Kind::Double:
        return QVariant::fromValue<double>(read<double>(data, field.offset));
    }
    return QVariant();
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

Emitter::Emitter(const QVector<Field>& table, const QMetaObject& meta) : m_table(table)
{
    m_signals.reserve(table.size());
    for (const Field& field : table) {
        const QMetaMethod method = signalOf(meta, field.signal);
        if (!method.isValid())
            qFatal("%s has no signal %s", meta.className(), field.signal);
        m_signals.append(method);
    }
}

void Emitter::emitChanges(QObject* target, const uchar* previous, const uchar* current) const
{
    for (int i = 0; i < m_table.size(); ++i) {
        const Field& field = m_table[i];
        if (!differs(field, previous, current))
            continue;
        const QMetaMethod& signal = m_signals[i];
        switch (field.kind) {
        case Kind::Int32:
            signal.invoke(target, Qt::DirectConnection, Q_ARG(int, read<qint32>(current, field.offset)));
            break;
        case Kind::UInt32:
            signal.invoke(target, Qt::DirectConnection, Q_ARG(uint, read<quint32>(current, field.offset)));
            break;
        case Kind::Flag:
            signal.invoke(target, Qt::DirectConnection, Q_ARG(bool, current[field.offset] != 0));
            break;
        case Kind::Float:
            signal.invoke(target, Qt::DirectConnection, Q_ARG(float, read<float>(current, field.offset)));
            break;
        case Kind::Double:
            signal.invoke(target, Qt::DirectConnection, Q_ARG(double, read<double>(current, field.offset)));
            break;
        }
    }
}

bool forward(const QVector<Field>& table, const QObject* source, const QObject* target)
{
    bool complete = true;
    for (const Field& field : table) {
        const QMetaMethod from = signalOf(*source->metaObject(), field.signal);
        const QMetaMethod to = signalOf(*target->metaObject(), field.signal);
        if (!from.isValid() || !to.isValid() || !QObject::connect(source, from, target, to))
            complete = false;
    }
    return complete;
}

void unforward(const QVector<Field>& table, const QObject* source, const QObject* target)
{
    for (const Field& field : table) {
        const QMetaMethod from = signalOf(*source->metaObject(), field.signal);
        const QMetaMethod to = signalOf(*target->metaObject(), field.signal);
        if (from.isValid() && to.isValid())
            QObject::disconnect(source, from, target, to);
    }
}

}  // namespace StatusField
