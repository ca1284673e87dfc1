#include "fulldisk.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr const char* kFillerName = "/.filler";
constexpr const char* kTmpfsOptions = "size=256k,mode=0777";

// This thread in a mount namespace of its own, whose mounts reach no other namespace: done once.
bool ownMounts(QString* why)
{
    static QString failure = [] {
        if (::geteuid() != 0)
            return QStringLiteral("a tmpfs is mounted only by root");
        if (::unshare(CLONE_NEWNS) != 0)
            return QStringLiteral("no mount namespace of its own: %1").arg(qt_error_string(errno));
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("mounts not made private: %1").arg(qt_error_string(errno));
        return QString();
    }();
    *why = failure;
    return failure.isEmpty();
}

}  // namespace

void FullDisk::addColumn()
{
    QTest::addColumn<int>("disk");
}

void FullDisk::addRows(const QString& prefix)
{
    QTest::newRow(qPrintable(prefix + QStringLiteral("file size limit"))) << int(FileSizeLimit);
    QTest::newRow(qPrintable(prefix + QStringLiteral("full tmpfs"))) << int(Tmpfs);
}

FullDisk::FullDisk(Kind kind, const QString& folder) : m_kind(kind), m_folder(QDir::cleanPath(folder))
{
    QDir().mkpath(m_folder);
    if (kind != Tmpfs || !ownMounts(&m_unavailable))
        return;
    if (::mount("tmpfs", QFile::encodeName(m_folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV, kTmpfsOptions) != 0) {
        m_unavailable = QStringLiteral("tmpfs not mounted: %1").arg(qt_error_string(errno));
        return;
    }
    m_mounted = true;
}

FullDisk::~FullDisk()
{
    free();
    if (m_mounted && ::umount2(QFile::encodeName(m_folder).constData(), 0) != 0)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

void FullDisk::fill(qint64 room)
{
    if (m_kind == FileSizeLimit) {
        limitFileSize(room);
        return;
    }
    if (!m_mounted)
        return;
    const QByteArray filler = QFile::encodeName(m_folder + QLatin1String(kFillerName));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return;
    // Large pieces while they fit, then single bytes up to the end of the last block.
    static const QByteArray block(64 * 1024, 'f');
    for (ssize_t size = block.size(); size > 0; size /= 16) {
        while (::write(fd, block.constData(), size_t(size)) == size) {
        }
    }
    if (room > 0) {
        const off_t end = ::lseek(fd, 0, SEEK_END);
        if (::ftruncate(fd, std::max<off_t>(0, end - off_t(room))) != 0)
            qWarning("the filler was not shortened: %s", qPrintable(qt_error_string(errno)));
    }
    ::close(fd);
}

void FullDisk::free()
{
    if (m_limited) {
        ::setrlimit(RLIMIT_FSIZE, &m_limit);
        std::signal(SIGXFSZ, m_xfszHandler);
        m_limited = false;
    }
    if (m_mounted)
        QFile::remove(m_folder + QLatin1String(kFillerName));
}

void FullDisk::limitFileSize(qint64 bytes)
{
    if (!m_limited) {
        ::getrlimit(RLIMIT_FSIZE, &m_limit);
        // A write past the limit fails; the signal it raises would end the process.
        m_xfszHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_limited = true;
    }
    rlimit limit = m_limit;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}
