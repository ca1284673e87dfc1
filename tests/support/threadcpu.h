#pragma once

#include <QtGlobal>

#include <time.h>

// The processor time the calling thread has used, in ns. A test that bounds the cost of some work
// measures it with this, not with a clock on the wall: a machine busy with other tests (or a
// sanitizer build sharing two cores) stretches the time the work takes to finish, not the time it
// computes.
inline qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
