#pragma once

// Hands the changes that a status receiver decodes on its own thread to its link, which emits
// them on the link's own (GUI) thread.
//
// The receiver queues the changes of each datagram and posts one event to the link only when
// none is on its way, so the GUI thread gets one piece of work per wake-up however many fields
// changed. The link takes the changes one by one, oldest first, and emits each.
//
// Every change of a state word, flag, alarm bit, message number or element state is kept and
// goes on in order, however long the GUI thread is held up. Only a field marked as a display
// value (an axis coordinate, a pressure, a temperature) is treated otherwise: a newer value
// replaces one that still waits and takes the place of its own change in the order (so it never
// overtakes an older change of another field), and when nothing but display values waits, they go
// on no sooner than the hold time after the previous hand-over. A label thus shows at most the
// hold time late, always ends at the latest value, and a controller that reports a moving axis a
// thousand times a second does not wake the GUI thread as often. The place a replaced value
// leaves is no waiting change: it counts towards no bound, and the queue sweeps such places out
// once they outnumber the changes that wait, so that they take bounded memory.
//
// A controller may report changes faster than the GUI thread can take them. The GUI thread
// therefore takes a bounded share per event (the datagrams that begin before TurnChanges changes
// or TurnMs have passed, each datagram whole) and posts a new event for the rest, so that input,
// timers and painting get their turn in between, and never between two changes of one datagram.
// Only a peer that runs far ahead of any controller gets more than StateBound state changes to
// wait: the queue then keeps only the latest value of each field, in the order in which the
// fields last changed, until the GUI thread is back in step (nothing waits), and counts the state
// changes it so drops. The backlog, and the memory it takes, never exceed the bound and one entry
// per field, and the GUI thread still ends at the peer's latest state. The count goes to the link
// once the queue is back in step, at most once per DropReportMs (the rest with a later report).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>

#include <limits>
#include <vector>

// The type of the event that tells a link that changes wait (one type for every link).
QEvent::Type statusEventType();

// Change is a plain value type with an `int index` member: the field's position in its table.
template <typename Change>
class StatusQueue
{
public:
    // State changes (all but display values) that may wait in order.
    static constexpr int StateBound = 65536;
    // What the GUI thread takes per event at most, in changes and in time.
    static constexpr int TurnChanges = 256;
    static constexpr int TurnMs = 5;
    // The least time between two reports of dropped state changes.
    static constexpr int DropReportMs = 1000;

    // display[i] marks field i as a display value; the table has display.size() fields. holdMs is
    // the least time between two hand-overs of display values alone.
    explicit StatusQueue(std::vector<bool> display, int holdMs = 0)
        : m_display(std::move(display)),
          m_holdNs(qint64(holdMs) * 1000000),
          m_ring(RingStart),
          m_lastAt(m_display.size(), -1),
          m_latest(m_display.size()),
          m_prev(m_display.size(), None),
          m_next(m_display.size(), None),
          m_waiting(m_display.size(), false)
    {
    }
    StatusQueue(const StatusQueue&) = delete;
    StatusQueue& operator=(const StatusQueue&) = delete;

    // Receiver thread: queues the changes of one datagram in their order, and posts the event to
    // target when something is due and no event is on its way. Called for every datagram, also
    // one without changes (and when the stream is quiet), so that what waits is never held up for
    // long: display values past their hold time, a count of dropped changes that may be reported
    // again, or the rest of a delivery that a slot interrupted with a nested event loop.
    // With displayWaits, display values alone are not posted: the receiver calls release() soon.
    void push(QObject* target, const Change* changes, int count, bool displayWaits = false)
    {
        QMutexLocker lock(&m_mutex);
        for (int i = 0; i < count; ++i)
            append(changes[i]);
        if (count > 0 && m_size > 0)
            back().end = true;  // the datagram ends here
        if ((!displayWaits || m_urgent > 0) && takePost(false))
            post(target);
    }

    // Receiver thread, when it has taken every datagram that waited and is about to sleep: posts
    // the event when anything waits, display values inside their hold time included (the
    // receiver's own pause already spaces its hand-overs), so that what the window shows is never
    // older than the last datagram taken. The share per event stays bounded.
    void release(QObject* target)
    {
        QMutexLocker lock(&m_mutex);
        if (takePost(true))
            post(target);
    }

    // Posts the event when anything waits, held or not, and has everything that waits delivered
    // with it, whatever its amount, and any count of dropped changes reported (the link calls it
    // when it has ended, so that what waits is emitted before its disconnected(), which the event
    // is posted ahead of).
    void flush(QObject* target)
    {
        QMutexLocker lock(&m_mutex);
        if (empty() && m_dropped == 0)
            return;
        m_final = true;
        if (takePost(true))
            post(target);
    }

    // Target's thread, on the event: hands waiting changes, oldest first, to take(change), up to
    // a turn's share; the rest follows on a new event. Once nothing waits, hands a count of
    // dropped state changes that is due to dropped(count). A slot may run a nested event loop: a
    // delivery started there takes the following changes from the same queue, so the order holds
    // whatever the nesting.
    template <typename Take, typename Dropped>
    void deliver(Take&& take, Dropped&& dropped)
    {
        QElapsedTimer clock;
        clock.start();
        {
            QMutexLocker lock(&m_mutex);
            m_posted = false;
        }
        for (int taken = 0;; ++taken) {
            Change change;
            {
                QMutexLocker lock(&m_mutex);
                if (empty()) {
                    const int count = reportDue() ? m_dropped : 0;
                    m_final = false;
                    if (count > 0) {
                        m_dropped = 0;
                        m_lastReport.start();
                    }
                    lock.unlock();
                    if (count > 0)
                        dropped(count);
                    return;
                }
                if (!m_final && m_atBoundary
                    && (taken >= TurnChanges || clock.nsecsElapsed() >= qint64(TurnMs) * 1000000)) {
                    if (takePost(true))
                        post(m_target);  // the rest, after what else waits for this thread
                    return;
                }
                change = pop();
            }
            take(change);
        }
    }

    // Target's thread: hands everything that waits to take(change) at once, and any count of
    // dropped changes to dropped(count) (an owner that goes away, or starts over, takes the rest).
    template <typename Take, typename Dropped>
    void deliverAll(Take&& take, Dropped&& dropped)
    {
        {
            QMutexLocker lock(&m_mutex);
            m_final = true;
        }
        deliver(take, dropped);
    }

    // What the queue holds in order, the places of replaced display values included: the memory
    // it takes, in changes.
    int held() const
    {
        QMutexLocker lock(&m_mutex);
        return int(m_size);
    }

private:
    static constexpr int None = -1;
    // Places of replaced values that may stay in order beyond the number of waiting changes.
    static constexpr int SpareGaps = 256;
    // The ring's room at first (a power of two). It grows as a flood needs, up to what the bound
    // and the swept places allow, and keeps its room, so that floods to come allocate nothing.
    static constexpr size_t RingStart = 1024;

    struct Slot {
        Change change;  // index None: a display value that gave way to a newer one
        bool end;       // the last change of its datagram
    };

    // The ring holds m_size slots in order from m_head on; it doubles when full, so that a steady
    // stream allocates nothing.
    Slot& slot(size_t i) { return m_ring[(m_head + i) & (m_ring.size() - 1)]; }
    Slot& front() { return m_ring[m_head]; }
    Slot& back() { return slot(m_size - 1); }
    void pushBack(const Slot& s)
    {
        if (m_size == m_ring.size()) {
            std::vector<Slot> bigger(m_ring.size() * 2);
            for (size_t i = 0; i < m_size; ++i)
                bigger[i] = slot(i);
            m_ring.swap(bigger);
            m_head = 0;
        }
        slot(m_size++) = s;
    }
    void popFront()
    {
        m_head = (m_head + 1) & (m_ring.size() - 1);
        --m_size;
    }
    void clearOrder()
    {
        m_head = 0;
        m_size = 0;
    }

    bool isDisplay(int index) const { return size_t(index) < m_display.size() && m_display[size_t(index)]; }
    bool inTable(int index) const { return index >= 0 && size_t(index) < m_display.size(); }
    bool empty() const { return m_size == 0 && m_first == None; }

    bool reportDue() const
    {
        return m_dropped > 0 && empty()
               && (m_final || !m_lastReport.isValid() || m_lastReport.elapsed() >= DropReportMs);
    }

    void post(QObject* target)
    {
        // Under the mutex: once m_posted is seen set, the event is in the target's queue, ahead of
        // anything the caller posts next.
        m_target = target;
        QCoreApplication::postEvent(target, new QEvent(statusEventType()));
    }

    void append(const Change& change)
    {
        if (!inTable(change.index))
            return;
        const bool display = isDisplay(change.index);
        if (!display)
            ++m_urgent;
        if (m_first != None) {
            moveToEnd(change);
            return;
        }
        const size_t field = size_t(change.index);
        if (display && m_lastAt[field] >= m_headSeq) {
            // The waiting value of a display field gives way to the new one at the end.
            slot(size_t(m_lastAt[field] - m_headSeq)).change.index = None;
            --m_live;
            dropGaps();
            sweepGaps();
        }
        if (!display && m_urgent > StateBound) {
            coalesce();
            moveToEnd(change);
            return;
        }
        if (display)
            m_lastAt[field] = m_headSeq + qint64(m_size);
        pushBack(Slot{change, false});
        ++m_live;
    }

    // Once the places of replaced values outnumber the waiting changes (and a spare), they are
    // swept out: a datagram end that one of them carried passes to the change before it.
    void sweepGaps()
    {
        if (qint64(m_size) - m_live <= qint64(m_live) + SpareGaps)
            return;
        size_t kept = 0;
        for (size_t i = 0; i < m_size; ++i) {
            const Slot s = slot(i);
            if (s.change.index != None) {
                if (isDisplay(s.change.index))
                    m_lastAt[size_t(s.change.index)] = m_headSeq + qint64(kept);
                slot(kept++) = s;
            } else if (s.end) {
                if (kept == 0)
                    m_atBoundary = true;  // the rest of the datagram delivered last was replaced
                else
                    slot(kept - 1).end = true;
            }
        }
        m_size = kept;
    }

    // Moves everything that waits in order over to the latest value per field.
    void coalesce()
    {
        for (size_t i = 0; i < m_size; ++i) {
            if (slot(i).change.index != None)
                moveToEnd(slot(i).change);
        }
        m_headSeq += qint64(m_size);
        clearOrder();
        m_live = 0;
    }

    // The field's latest value, as the last one to be delivered. m_urgent counts the change
    // already when it is not a display value, so the value it replaces is taken off, and counted
    // as dropped.
    void moveToEnd(const Change& change)
    {
        const int field = change.index;
        if (m_waiting[size_t(field)]) {
            if (!isDisplay(field)) {
                --m_urgent;
                // A flood that never lets the queue run empty keeps the count from being
                // reported: it stays at its largest value rather than wrap.
                if (m_dropped < std::numeric_limits<int>::max())
                    ++m_dropped;
            }
            unlink(field);
        }
        m_latest[size_t(field)] = change;
        m_waiting[size_t(field)] = true;
        m_prev[size_t(field)] = m_last;
        m_next[size_t(field)] = None;
        if (m_last != None)
            m_next[size_t(m_last)] = field;
        else
            m_first = field;
        m_last = field;
    }

    void unlink(int field)
    {
        const int prev = m_prev[size_t(field)];
        const int next = m_next[size_t(field)];
        (prev != None ? m_next[size_t(prev)] : m_first) = next;
        (next != None ? m_prev[size_t(next)] : m_last) = prev;
        m_waiting[size_t(field)] = false;
    }

    // The oldest waiting change; the queue is not empty. Notes whether a datagram ends with it
    // (coalesced values belong to no datagram of their own: each counts as an end).
    Change pop()
    {
        Change change;
        if (m_first != None) {
            const int field = m_first;
            unlink(field);
            change = m_latest[size_t(field)];
            m_atBoundary = true;
        } else {
            do {
                change = front().change;
                m_atBoundary = front().end;
                popFront();
                ++m_headSeq;
            } while (change.index == None);
            // Places that follow are passed at once, with the end of a datagram among them.
            while (m_size > 0 && front().change.index == None) {
                m_atBoundary = m_atBoundary || front().end;
                popFront();
                ++m_headSeq;
            }
            --m_live;
            dropGaps();
        }
        if (!isDisplay(change.index))
            --m_urgent;
        return change;
    }

    // Nothing but places of replaced values left in order: they are passed over at once.
    void dropGaps()
    {
        if (m_live == 0) {
            if (m_size > 0)
                m_atBoundary = true;
            m_headSeq += qint64(m_size);
            clearOrder();
        }
    }

    bool takePost(bool flushing)
    {
        if (m_posted)
            return false;
        if (empty()) {
            if (!reportDue())
                return false;
        } else if (!flushing && m_urgent == 0 && m_lastPost.isValid() && m_lastPost.nsecsElapsed() < m_holdNs) {
            return false;
        }
        m_posted = true;
        m_lastPost.start();
        return true;
    }

    const std::vector<bool> m_display;
    const qint64 m_holdNs;
    mutable QMutex m_mutex;
    QObject* m_target = nullptr;

    // In order: the changes from sequence number m_headSeq on, in the ring (a display value that
    // gave way to a newer one leaves its place, index None, until delivery passes it or it is
    // swept out; m_live counts the others).
    std::vector<Slot> m_ring;
    size_t m_head = 0;
    size_t m_size = 0;
    qint64 m_headSeq = 0;
    int m_live = 0;
    // Sequence number of the last queued value of each display field (delivered once below
    // m_headSeq).
    std::vector<qint64> m_lastAt;

    // Coalesced: the latest value of each waiting field, in a list in the order of their last
    // change. Only one of the two holds changes at a time.
    std::vector<Change> m_latest;
    std::vector<int> m_prev;
    std::vector<int> m_next;
    std::vector<bool> m_waiting;
    int m_first = None;
    int m_last = None;

    int m_urgent = 0;   // waiting changes that are not display values
    int m_dropped = 0;  // state changes dropped past the bound and not yet reported
    bool m_posted = false;
    bool m_final = false;      // deliver everything that waits in one go
    bool m_atBoundary = true;  // the last change delivered ended its datagram
    QElapsedTimer m_lastPost;  // since the last hand-over; invalid before the first
    QElapsedTimer m_lastReport;  // since the last report of dropped changes; invalid before the first
};
