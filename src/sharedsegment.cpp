#include "sharedsegment.h"

#include <QSharedMemory>

#include <cstring>

namespace {

// Holds a segment's lock for one access.
class SegmentLock
{
public:
    explicit SegmentLock(QSharedMemory& segment) : m_segment(segment), m_locked(segment.lock()) {}
    ~SegmentLock()
    {
        if (m_locked)
            m_segment.unlock();
    }
    bool locked() const { return m_locked; }

private:
    QSharedMemory& m_segment;
    const bool m_locked;
};

}  // namespace

SharedSegment::SharedSegment(const QString& key, int size)
    : m_segment(std::make_unique<QSharedMemory>(key)), m_size(size)
{
    if (!m_segment->attach(QSharedMemory::ReadWrite) && !m_segment->create(size, QSharedMemory::ReadWrite))
        return;
    if (m_segment->size() < size || !m_segment->data()) {
        m_segment->detach();
        return;
    }
    SegmentLock lock(*m_segment);
    if (!lock.locked()) {
        m_segment->detach();
        return;
    }
    std::memset(m_segment->data(), 0, size_t(m_segment->size()));
    m_data = static_cast<char*>(m_segment->data());
}

SharedSegment::~SharedSegment() = default;

bool SharedSegment::inRange(int offset, int len) const
{
    return m_data && offset >= 0 && len >= 0 && offset <= m_size - len;
}

bool SharedSegment::read(int offset, void* dst, int len) const
{
    if (!inRange(offset, len))
        return false;
    SegmentLock lock(*m_segment);
    if (!lock.locked())
        return false;
    std::memcpy(dst, m_data + offset, size_t(len));
    return true;
}

bool SharedSegment::write(int offset, const void* src, int len)
{
    if (!inRange(offset, len))
        return false;
    SegmentLock lock(*m_segment);
    if (!lock.locked())
        return false;
    std::memcpy(m_data + offset, src, size_t(len));
    return true;
}
