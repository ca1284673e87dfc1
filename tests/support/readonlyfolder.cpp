#include "readonlyfolder.h"

#include <QFile>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The capabilities that let root write where the permissions say no.
constexpr unsigned kOverride = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// Capabilities are kept per thread; pid 0 is the calling thread.
bool readCaps(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool writeCaps(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(const QString& localPath) : m_path(localPath)
{
    struct stat info {};
    const QByteArray path = QFile::encodeName(m_path);
    if (::stat(path.constData(), &info) == 0) {
        m_mode = info.st_mode & 07777;
        ::chmod(path.constData(), 0555);
    }
    __user_cap_data_struct caps[2]{};
    if (readCaps(caps) && (caps[0].effective & kOverride)) {
        m_effective[0] = caps[0].effective;
        m_effective[1] = caps[1].effective;
        caps[0].effective &= ~kOverride;
        m_capsDropped = writeCaps(caps);
    }
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_capsDropped) {
        __user_cap_data_struct caps[2]{};
        if (readCaps(caps)) {
            caps[0].effective = m_effective[0];
            caps[1].effective = m_effective[1];
            writeCaps(caps);
        }
    }
    if (m_mode)
        ::chmod(QFile::encodeName(m_path).constData(), m_mode);
}

bool ReadOnlyFolder::holds() const
{
    QFile probe(m_path + QStringLiteral("/.probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return false;
    }
    return true;
}
