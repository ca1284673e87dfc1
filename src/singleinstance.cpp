#include "singleinstance.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "fixedpaths.h"

bool checkSingleInstance()
{
    const QByteArray path = QFile::encodeName(FixedPaths::lockFile());
    // Close-on-exec: a program started from the console must not keep the descriptor open.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    // The record lock is tested, not the file: a file left behind by a crashed copy is free.
    if (::lockf(fd, F_TLOCK, 1) != 0) {
        ::close(fd);
        return false;
    }
    return true;
}
