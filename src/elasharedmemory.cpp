#include "elasharedmemory.h"

#include <cstring>

ElaSharedMemory::ElaSharedMemory() : m_segment(QStringLiteral("ELA_SHM_KEY"), kSize) {}

bool ElaSharedMemory::updateStatusEla()
{
    unsigned char block[kSize];
    if (!m_segment.read(0, block, kSize)) {
        m_changed = false;
        return false;
    }
    m_changed = std::memcmp(block, m_snapshot, kLifeCounterSize) != 0;
    std::memcpy(m_snapshot, block, kSize);
    return true;
}

namespace {

template <typename T>
T fieldAt(const unsigned char* block, int offset)
{
    T value{};
    if (offset >= 0 && offset <= ElaSharedMemory::kSize - int(sizeof(T)))
        std::memcpy(&value, block + offset, sizeof(T));
    return value;
}

}  // namespace

float ElaSharedMemory::snapshotFloat(int offset) const
{
    return fieldAt<float>(m_snapshot, offset);
}

quint32 ElaSharedMemory::snapshotUInt(int offset) const
{
    return fieldAt<quint32>(m_snapshot, offset);
}
