#include "queuedspy.h"

#include <QtTest>

QueuedSpy::QueuedSpy(const QObject* sender, const char* signal)
    : QueuedSpy(sender, sender && signal && signal[0] == '0' + QSIGNAL_CODE
                            ? sender->metaObject()->method(sender->metaObject()->indexOfSignal(
                                  QMetaObject::normalizedSignature(signal + 1).constData()))
                            : QMetaMethod())
{
}

QueuedSpy::QueuedSpy(const QObject* sender, const QMetaMethod& signal)
{
    if (!sender || !signal.isValid() || signal.methodType() != QMetaMethod::Signal) {
        qWarning("QueuedSpy: no such signal");
        return;
    }
    for (int i = 0; i < signal.parameterCount(); ++i)
        m_types << signal.parameterType(i);
    // The one method of this object past QObject's own takes the emissions; the arguments are
    // copied when the signal is emitted, as any queued connection copies them.
    m_valid = QMetaObject::connect(sender, signal.methodIndex(), this, QObject::staticMetaObject.methodCount(),
                                   Qt::QueuedConnection, nullptr);
}

bool QueuedSpy::wait(int timeoutMs)
{
    const int before = size();
    return QTest::qWaitFor([&] { return size() > before; }, timeoutMs);
}

int QueuedSpy::qt_metacall(QMetaObject::Call call, int id, void** args)
{
    id = QObject::qt_metacall(call, id, args);
    if (id < 0)
        return id;
    if (call == QMetaObject::InvokeMetaMethod) {
        if (id == 0) {
            QList<QVariant> values;
            for (int i = 0; i < m_types.size(); ++i)
                values << QVariant(m_types.at(i), args[i + 1]);
            append(values);
        }
        --id;
    }
    return id;
}
