#include "sharedsegment.h"

#include <QByteArray>
#include <QSharedMemory>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The time the callers may still wait for companions' locks, all segments together (see the
// class comment).
class WaitBudget
{
public:
    using Clock = std::chrono::steady_clock;
    using Us = std::chrono::microseconds;

    // How long an access that starts at `now` may wait.
    Us allowance(Clock::time_point now)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const Us full = std::chrono::milliseconds(SharedSegment::LockWaitMs);
        const Us since = std::chrono::duration_cast<Us>(now - m_at);
        m_left = std::min(full, m_left + since * SharedSegment::LockWaitMs / SharedSegment::WaitBudgetMs);
        m_at = now;
        return m_left;
    }
    // An access that started at `start` has stopped waiting now.
    void spend(Clock::time_point start)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_left -= std::min(m_left, std::chrono::duration_cast<Us>(Clock::now() - start));
    }

private:
    std::mutex m_mutex;
    Us m_left = std::chrono::milliseconds(SharedSegment::LockWaitMs);
    Clock::time_point m_at = Clock::now();
};

WaitBudget& waitBudget()
{
    static WaitBudget budget;
    return budget;
}

// Waits for the access numbered `mine` to be done, within the budget; true when it was.
bool waitDone(std::unique_lock<std::mutex>& lock, std::condition_variable& done, const quint64& made, quint64 mine)
{
    const auto start = WaitBudget::Clock::now();
    const bool ok = done.wait_for(lock, waitBudget().allowance(start), [&] { return made >= mine; });
    waitBudget().spend(start);
    return ok;
}

}  // namespace

// What the caller's thread and the segment's thread share. Accesses are numbered as they are
// asked for; the segment's thread takes all that wait at once, makes them under one hold of the
// lock and then reports the highest number done.
struct SharedSegment::Shared {
    Shared(const QString& key, int size) : key(key), size(size) {}

    // The segment's thread: opens the segment, then makes the accesses until asked to quit.
    void run();
    void serve(QSharedMemory& segment);

    const QString key;
    const int size;

    std::mutex mutex;
    std::condition_variable work;  // something to do for the segment's thread
    std::condition_variable done;  // something done for the callers

    enum class Open { Pending, Attached, None };
    Open open = Open::Pending;
    struct Write {
        int offset;
        QByteArray bytes;
    };
    std::vector<Write> writes;  // waiting; one per field
    bool readWanted = false;
    quint64 asked = 0;  // accesses asked for
    quint64 made = 0;   // every access up to this number is done
    bool madeLocked = true;  // the last round had the lock (false: a semaphore error)
    QByteArray copy;    // the segment as the last read found it (empty when it could not be read)
    bool quit = false;
    bool finished = false;  // the segment's thread has detached and ends
};

void SharedSegment::Shared::run()
{
    {
        QSharedMemory segment(key);
        bool ok = segment.attach(QSharedMemory::ReadWrite) || segment.create(size, QSharedMemory::ReadWrite);
        if (ok && (segment.size() < size || !segment.data())) {
            segment.detach();
            ok = false;
        }
        if (ok) {
            if (segment.lock()) {
                std::memset(segment.data(), 0, size_t(segment.size()));
                segment.unlock();
            } else {
                segment.detach();
                ok = false;
            }
        }
        {
            const std::lock_guard<std::mutex> lock(mutex);
            open = ok ? Open::Attached : Open::None;
        }
        done.notify_all();
        if (ok)
            serve(segment);
    }  // detaches, under the lock
    {
        const std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_all();
}

void SharedSegment::Shared::serve(QSharedMemory& segment)
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        work.wait(lock, [this] { return quit || readWanted || !writes.empty(); });
        if (quit)
            return;
        std::vector<Write> batch;
        batch.swap(writes);
        const bool reading = std::exchange(readWanted, false);
        const quint64 round = asked;
        lock.unlock();

        QByteArray found;
        const bool locked = segment.lock();
        if (locked) {
            char* data = static_cast<char*>(segment.data());
            for (const Write& w : batch)
                std::memcpy(data + w.offset, w.bytes.constData(), size_t(w.bytes.size()));
            if (reading)
                found = QByteArray(data, size);
            segment.unlock();
        }

        lock.lock();
        if (reading)
            copy = found;
        made = round;
        madeLocked = locked;
        done.notify_all();
    }
}

SharedSegment::SharedSegment(const QString& key, int size)
    : m_size(size), m_shared(std::make_shared<Shared>(key, size))
{
    std::shared_ptr<Shared> shared = m_shared;
    m_thread = std::thread([shared] { shared->run(); });
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->done.wait_for(lock, std::chrono::milliseconds(LockWaitMs),
                            [this] { return m_shared->open != Shared::Open::Pending; });
}

SharedSegment::~SharedSegment()
{
    bool finished = false;
    {
        std::unique_lock<std::mutex> lock(m_shared->mutex);
        m_shared->quit = true;
        m_shared->work.notify_all();
        finished = m_shared->done.wait_for(lock, std::chrono::milliseconds(LockWaitMs),
                                           [this] { return m_shared->finished; });
    }
    if (finished)
        m_thread.join();
    else
        m_thread.detach();  // it holds the shared state and ends once the companion lets go
}

bool SharedSegment::isAttached() const
{
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->open == Shared::Open::Attached;
}

bool SharedSegment::inRange(int offset, int len) const
{
    return offset >= 0 && len >= 0 && offset <= m_size - len;
}

bool SharedSegment::read(int offset, void* dst, int len) const
{
    if (!inRange(offset, len))
        return false;
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.open != Shared::Open::Attached)
        return false;
    const bool busy = s.made < s.asked;  // an earlier access still waits for the lock
    s.readWanted = true;
    const quint64 mine = ++s.asked;
    s.work.notify_one();
    if (busy || !waitDone(lock, s.done, s.made, mine))
        return false;
    if (s.copy.size() != m_size)
        return false;
    std::memcpy(dst, s.copy.constData() + offset, size_t(len));
    return true;
}

bool SharedSegment::write(int offset, const void* src, int len)
{
    if (!inRange(offset, len))
        return false;
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.open == Shared::Open::None)
        return false;
    const QByteArray bytes(static_cast<const char*>(src), len);
    bool merged = false;
    for (Shared::Write& w : s.writes) {
        if (w.offset == offset && w.bytes.size() == len) {
            w.bytes = bytes;
            merged = true;
            break;
        }
    }
    if (!merged)
        s.writes.push_back({offset, bytes});
    const bool busy = s.made < s.asked || s.open == Shared::Open::Pending;
    const quint64 mine = ++s.asked;
    s.work.notify_one();
    return !busy && waitDone(lock, s.done, s.made, mine) && s.madeLocked;
}
