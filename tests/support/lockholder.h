#pragma once

#include <QProcess>
#include <QString>

// A companion program that holds a shared-memory segment's lock, played by a second process:
// the running test program started again for the same test function, which then only attaches
// to the segment (in this process's TMPDIR), takes its lock, says so and keeps it for the time
// asked before it lets go and ends; or, asked to go on for a while, takes the lock again at once
// after each hold until that while has passed (a companion that hardly ever lets go).
//
// Every test function that uses it begins with `if (LockHolder::holdIfAsked()) return;`.
class LockHolder
{
public:
    ~LockHolder();  // ends the process if it still runs

    // Starts the holder for `key` and waits (at most 10 s) until it holds the lock. With forMs,
    // the holder holds the lock holdMs at a time, again and again, until forMs have passed.
    bool start(const QString& key, int holdMs, int forMs = 0);
    // Waits (at most 10 s) until the holder has let go and ended; true when it ended well.
    bool finish();

    // In the holder process: does the holding and returns true; elsewhere false.
    static bool holdIfAsked();

private:
    QProcess m_process;
};
