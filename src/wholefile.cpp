#include "wholefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

bool writeWholeFile(const QString& localPath, const QByteArray& bytes)
{
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool makeFolderOf(const QString& localPath)
{
    return QDir().mkpath(QFileInfo(localPath).absolutePath());
}
