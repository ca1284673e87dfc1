#pragma once

// Hands the changes that a status receiver decodes on its own thread to its link, which emits
// them on the link's own (GUI) thread.
//
// The receiver queues the changes of each datagram and posts one event to the link only when
// none is on its way, so the GUI thread gets one piece of work per wake-up however many fields
// changed (it used to be one queued call per field). The link takes the changes one by one,
// oldest first, and emits each. Every change of a state word, flag or message number is kept;
// only a field marked as a display value (an axis coordinate, say) whose previous value is still
// waiting has that value replaced, so that a label never falls behind the stream and still ends
// at the latest value.

#include <QCoreApplication>
#include <QEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

#include <vector>

// The type of the event that tells a link that changes wait (one type for every link).
QEvent::Type statusEventType();

// Change is a plain value type with an `int index` member: the field's position in its table.
template <typename Change>
class StatusQueue
{
public:
    // display[i] marks field i as a display value.
    explicit StatusQueue(std::vector<bool> display)
        : m_display(std::move(display)), m_lastAt(m_display.size(), -1)
    {
    }
    StatusQueue(const StatusQueue&) = delete;
    StatusQueue& operator=(const StatusQueue&) = delete;

    // Receiver thread: queues the changes of one datagram in their order, and posts the event to
    // target when something waits and no event is on its way. Called for every datagram, also
    // one without changes, so that what waits is never held up for long (a slot that runs a
    // nested event loop leaves the rest of a batch waiting until the next event).
    void push(QObject* target, const Change* changes, int count)
    {
        bool post = false;
        {
            QMutexLocker lock(&m_mutex);
            for (int i = 0; i < count; ++i)
                append(changes[i]);
            post = takePost();
        }
        if (post)
            QCoreApplication::postEvent(target, new QEvent(statusEventType()));
    }

    // Posts the event when something still waits (the link calls it when it has ended, so that
    // what waits is emitted before its disconnected()).
    void wake(QObject* target) { push(target, nullptr, 0); }

    // Target's thread, on the event: hands each waiting change, oldest first, to take(change).
    // A slot may run a nested event loop: a delivery started there takes the following changes
    // from the same queue, so the order holds whatever the nesting.
    template <typename Take>
    void deliver(Take&& take)
    {
        {
            QMutexLocker lock(&m_mutex);
            m_posted = false;
        }
        for (;;) {
            Change change;
            {
                QMutexLocker lock(&m_mutex);
                if (m_next >= m_queue.size()) {
                    m_queue.clear();
                    m_next = 0;
                    return;
                }
                change = m_queue[m_next++];
            }
            take(change);
        }
    }

private:
    void append(const Change& change)
    {
        const size_t field = size_t(change.index);
        if (field < m_display.size() && m_display[field]) {
            const size_t at = size_t(m_lastAt[field]);
            if (m_lastAt[field] >= 0 && at >= m_next && at < m_queue.size() && m_queue[at].index == change.index) {
                m_queue[at] = change;
                return;
            }
            m_lastAt[field] = int(m_queue.size());
        }
        m_queue.push_back(change);
    }

    bool takePost()
    {
        if (m_posted || m_next >= m_queue.size())
            return false;
        m_posted = true;
        return true;
    }

    const std::vector<bool> m_display;
    QMutex m_mutex;
    std::vector<Change> m_queue;  // delivered up to m_next
    size_t m_next = 0;
    // Where the last queued value of each display field stands in m_queue (checked before use:
    // it may be left over from before the queue was last emptied).
    std::vector<int> m_lastAt;
    bool m_posted = false;
};
