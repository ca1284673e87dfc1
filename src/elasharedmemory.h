#pragma once

#include "sharedsegment.h"

#include <QtGlobal>

// The console's view of the beam-unit program's status block (segment "ELA_SHM_KEY", 512 bytes):
// the companion counts its life counter (the first 8 bytes) up while it runs and publishes its beam
// values; the console polls it with updateStatusEla() and reads from the snapshot it took.
class ElaSharedMemory
{
public:
    static constexpr int kSize = 512;
    static constexpr int kLifeCounterSize = 8;

    // Attaches to or creates the segment and zeroes it, also when the companion had filled it.
    ElaSharedMemory();

    // Under the segment lock: notes whether the life counter moved since the previous snapshot and
    // copies the whole block into the snapshot; true then. False when the block could not be read:
    // without a segment, or when the companion holds the lock longer than the segment lets a
    // caller wait (a hung companion is not alive): the flag is then false and the snapshot stays
    // as it was.
    bool updateStatusEla();

    // True when the last updateStatusEla() saw the life counter move.
    bool changed() const { return m_changed; }

    // The block as copied by the last updateStatusEla() (all zero before the first).
    const unsigned char* snapshot() const { return m_snapshot; }
    // A 32-bit float or unsigned field of the snapshot at a byte offset; 0 outside the block.
    float snapshotFloat(int offset) const;
    quint32 snapshotUInt(int offset) const;

    bool isAttached() const { return m_segment.isAttached(); }

private:
    SharedSegment m_segment;
    unsigned char m_snapshot[kSize] = {};
    bool m_changed = false;
};
