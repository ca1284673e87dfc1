#pragma once

#include <QList>
#include <QMetaMethod>
#include <QObject>
#include <QVariant>
#include <QVector>

// The arguments of each emission of one signal, recorded on the thread the spy lives on (the
// test's) whatever thread emits it: the signal reaches the spy through a queued connection, so a
// link or receiver thread never touches the list the test reads, and the spy may end while that
// thread still emits. The emissions show once the test's thread has run its events (wait() or
// QTest::qWaitFor). Reads as QSignalSpy does: count(), at(i).at(arg), first(), takeFirst().
class QueuedSpy : public QObject, public QList<QList<QVariant>>
{
public:
    // A signal of the new syntax: QueuedSpy spy(link, &Link::disconnected).
    template <typename Func>
    QueuedSpy(const typename QtPrivate::FunctionPointer<Func>::Object* sender, Func signal)
        : QueuedSpy(sender, QMetaMethod::fromSignal(signal))
    {
    }
    // A signal as SIGNAL() names it.
    QueuedSpy(const QObject* sender, const char* signal);

    bool isValid() const { return m_valid; }
    // Runs the events of this thread until one more emission arrives; false after timeoutMs.
    bool wait(int timeoutMs = 5000);

    int qt_metacall(QMetaObject::Call call, int id, void** args) override;

private:
    QueuedSpy(const QObject* sender, const QMetaMethod& signal);

    QVector<int> m_types;
    bool m_valid = false;
};
