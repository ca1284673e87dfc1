#pragma once

#include <QString>

#include <memory>

class QSharedMemory;

// A named shared-memory segment exchanged with a companion program. Whichever program starts
// first creates it; the other attaches. Every access runs under the segment's own lock (a system
// semaphore shared with the companion), so a copy or a field write is atomic for both sides.
//
// A segment that can neither be attached nor created, or that exists but is smaller than the
// size both programs agree on, counts as no segment: nothing is read or written.
class SharedSegment
{
public:
    // Attaches read-write to key, else creates it with size bytes; then zeroes the whole segment.
    SharedSegment(const QString& key, int size);
    ~SharedSegment();  // detaches

    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    bool isAttached() const { return m_data != nullptr; }

    // Copy len bytes at offset out of / into the segment under its lock. False (and nothing
    // copied) when there is no segment, the range lies outside the agreed size or the lock fails.
    bool read(int offset, void* dst, int len) const;
    bool write(int offset, const void* src, int len);

private:
    bool inRange(int offset, int len) const;

    std::unique_ptr<QSharedMemory> m_segment;
    char* m_data = nullptr;
    int m_size;
};
