#pragma once

// Hands the changes that a status receiver decodes on its own thread to its link, which emits
// them on the link's own (GUI) thread.
//
// The receiver queues the changes of each datagram and posts one event to the link only when
// none is on its way, so the GUI thread gets one piece of work per wake-up however many fields
// changed (it used to be one queued call per field). The link takes the changes one by one,
// oldest first, and emits each. Every change of a state word, flag or message number is kept and
// goes on at once. Only a field marked as a display value (an axis coordinate, say) is treated
// otherwise: a newer value takes the place of one that still waits, and when nothing but display
// values waits, they go on no sooner than the hold time after the previous hand-over. A label
// thus shows at most the hold time late, always ends at the latest value, and a controller that
// reports a moving axis a thousand times a second does not wake the GUI thread as often.

#include <QCoreApplication>
#include <QElapsedTimer>
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
    // display[i] marks field i as a display value; holdMs is the least time between two
    // hand-overs of display values alone.
    explicit StatusQueue(std::vector<bool> display, int holdMs = 0)
        : m_display(std::move(display)), m_holdNs(qint64(holdMs) * 1000000), m_lastAt(m_display.size(), -1)
    {
    }
    StatusQueue(const StatusQueue&) = delete;
    StatusQueue& operator=(const StatusQueue&) = delete;

    // Receiver thread: queues the changes of one datagram in their order, and posts the event to
    // target when something is due and no event is on its way. Called for every datagram, also
    // one without changes (and when the stream is quiet), so that what waits is never held up for
    // long: display values past their hold time, or the rest of a delivery that a slot
    // interrupted with a nested event loop.
    void push(QObject* target, const Change* changes, int count)
    {
        bool post = false;
        {
            QMutexLocker lock(&m_mutex);
            for (int i = 0; i < count; ++i)
                append(changes[i]);
            post = takePost(false);
        }
        if (post)
            QCoreApplication::postEvent(target, new QEvent(statusEventType()));
    }

    // Posts the event when anything waits, held or not (the link calls it when it has ended, so
    // that what waits is emitted before its disconnected()).
    void flush(QObject* target)
    {
        bool post = false;
        {
            QMutexLocker lock(&m_mutex);
            post = takePost(true);
        }
        if (post)
            QCoreApplication::postEvent(target, new QEvent(statusEventType()));
    }

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
                if (!isDisplay(change.index))
                    --m_urgent;
            }
            take(change);
        }
    }

private:
    bool isDisplay(int index) const { return size_t(index) < m_display.size() && m_display[size_t(index)]; }

    void append(const Change& change)
    {
        if (!isDisplay(change.index)) {
            ++m_urgent;
            m_queue.push_back(change);
            return;
        }
        const size_t field = size_t(change.index);
        const size_t at = size_t(m_lastAt[field]);
        if (m_lastAt[field] >= 0 && at >= m_next && at < m_queue.size() && m_queue[at].index == change.index) {
            m_queue[at] = change;
            return;
        }
        m_lastAt[field] = int(m_queue.size());
        m_queue.push_back(change);
    }

    bool takePost(bool flushing)
    {
        if (m_posted || m_next >= m_queue.size())
            return false;
        if (!flushing && m_urgent == 0 && m_lastPost.isValid() && m_lastPost.nsecsElapsed() < m_holdNs)
            return false;
        m_posted = true;
        m_lastPost.start();
        return true;
    }

    const std::vector<bool> m_display;
    const qint64 m_holdNs;
    QMutex m_mutex;
    std::vector<Change> m_queue;  // delivered up to m_next
    size_t m_next = 0;
    // Where the last queued value of each display field stands in m_queue (checked before use:
    // it may be left over from before the queue was last emptied).
    std::vector<int> m_lastAt;
    int m_urgent = 0;  // waiting changes that are not display values
    bool m_posted = false;
    QElapsedTimer m_lastPost;  // since the last hand-over; invalid before the first
};
