#include "wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <unistd.h>

namespace {

constexpr int kMaxCopies = 99;

// Every byte handed to the file has reached the disk. A buffered device keeps what it could not
// write, and closing it does not say so; a file system may report a lack of room only when the
// data is synced.
bool onDisk(QFileDevice& file, const QByteArray& bytes, bool sync)
{
    return file.write(bytes) == bytes.size() && file.flush() && (!sync || ::fdatasync(file.handle()) == 0);
}

}  // namespace

bool writeWholeFile(const QString& localPath, const QByteArray& bytes, Replace how)
{
    if (how == Replace::InPlace) {
        QFile file(localPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const bool written = onDisk(file, bytes, false);
        file.close();
        return written && file.error() == QFileDevice::NoError;
    }
    QSaveFile file(localPath);
    file.setDirectWriteFallback(how == Replace::BesideWherePossible);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile::commit renames the file into place even when its last buffered bytes could not
    // be written: they are checked before it.
    if (!onDisk(file, bytes, true)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool makeFolderOf(const QString& localPath)
{
    return QDir().mkpath(QFileInfo(localPath).absolutePath());
}

QString freeCopyName(const QString& base)
{
    for (int n = 1; n <= kMaxCopies; ++n) {
        const QString name = n == 1 ? base : base + QStringLiteral(".%1").arg(n);
        if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink())
            return name;
    }
    return QString();
}
