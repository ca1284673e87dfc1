#pragma once

#include <QString>

#include <memory>
#include <thread>

// A named shared-memory segment exchanged with a companion program. Whichever program starts
// first creates it; the other attaches. Every access runs under the segment's own lock (a system
// semaphore shared with the companion), so a copy or a field write is atomic for both sides.
//
// A companion may hold that lock as long as it likes, or stop while it holds it. So the segment
// is attached, locked and detached on a thread of its own, and the caller waits for an access at
// most LockWaitMs: a read that is not done by then fails; a write that is not done by then is
// made as soon as the lock is free (the latest value of each field, in the order the fields were
// first written). While an access is still waiting for the lock, later ones do not wait at all.
// A companion may also hold its lock nearly all the time, letting go only briefly: then every
// access would wait almost LockWaitMs. So the accesses of all segments together wait at most
// LockWaitMs, and that time comes back at LockWaitMs per WaitBudgetMs: an access beyond it does
// not wait (a read fails, a write is made later), however many fields a caller writes.
//
// A segment that can neither be attached nor created, or that exists but is smaller than the
// size both programs agree on, counts as no segment: nothing is read or written.
class SharedSegment
{
public:
    static constexpr int LockWaitMs = 50;
    static constexpr int WaitBudgetMs = 1000;

    // Attaches read-write to key, else creates it with size bytes; then zeroes the whole segment
    // (waits for that at most LockWaitMs; if the lock is busy longer, it is done once it is free).
    SharedSegment(const QString& key, int size);
    // Detaches; waits for the segment's lock at most LockWaitMs (a busy lock is left to the
    // segment's thread, which detaches once it gets it).
    ~SharedSegment();

    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    // Attached, of the agreed size and zeroed.
    bool isAttached() const;

    // Copy len bytes at offset out of / into the segment under its lock. False when there is no
    // segment, the range lies outside the agreed size or the lock could not be had in time (a
    // write is then made later; a read is not).
    bool read(int offset, void* dst, int len) const;
    bool write(int offset, const void* src, int len);

private:
    struct Shared;

    bool inRange(int offset, int len) const;

    const int m_size;
    std::shared_ptr<Shared> m_shared;  // also held by the segment's thread
    std::thread m_thread;
};
