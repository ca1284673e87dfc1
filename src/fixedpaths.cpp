#include "fixedpaths.h"

#include <QDir>

namespace FixedPaths {

QString root()
{
    const QByteArray value = qgetenv("POKAVRO_ROOT");
    if (value.isEmpty())
        return QString();
    QString path = QDir::cleanPath(QString::fromLocal8Bit(value));
    if (path == QLatin1String("/"))
        return QString();
    return path;
}

QString local(const QString& systemPath)
{
    const QString base = root();
    if (base.isEmpty() || !systemPath.startsWith(QLatin1Char('/')))
        return systemPath;
    return base + systemPath;
}

QString settingsFile() { return local(QString::fromLatin1(kSettingsFile)); }
QString usersFile() { return local(QString::fromLatin1(kUsersFile)); }
QString passportDir() { return local(QString::fromLatin1(kPassportDir)); }
QString programDir() { return local(QString::fromLatin1(kProgramDir)); }
QString pointDir() { return local(QString::fromLatin1(kPointDir)); }
QString logDir() { return local(QString::fromLatin1(kLogDir)); }
QString lockFile() { return local(QString::fromLatin1(kLockFile)); }
QString counterDevice() { return local(QString::fromLatin1(kCounterDevice)); }

}  // namespace FixedPaths
