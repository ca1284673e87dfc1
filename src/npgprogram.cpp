#include "npgprogram.h"

#include <QFile>

#include "fixedpaths.h"

namespace NpgProgram {

bool write(const QString& systemPath, const QByteArray& text, Replace how)
{
    const QString local = FixedPaths::local(systemPath);
    // Only an existing file can take the mode (a file written beside it takes it over); a new one
    // gets the process's default.
    if (QFile::exists(local))
        QFile::setPermissions(local, QFileDevice::ReadUser | QFileDevice::WriteUser |
                                         QFileDevice::ExeUser | QFileDevice::ReadGroup |
                                         QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                         QFileDevice::ReadOther | QFileDevice::WriteOther |
                                         QFileDevice::ExeOther);
    return writeWholeFile(local, text, how);
}

QString notWritten(const QString& systemPath)
{
    return QStringLiteral("[A]Не удалось записать файл %1: программа не запущена").arg(systemPath);
}

QByteArray singleAxisMove(int channel, const QString& address, bool absolute,
                          const QString& value, const QString& feed)
{
    QString text = QStringLiteral("N01 $%1\n").arg(channel);
    if (address == QLatin1String("V"))
        text += QStringLiteral("N02 ARF()\n");
    text += QStringLiteral("N03 ") + (absolute ? QStringLiteral("G90") : QStringLiteral("G91")) +
            QStringLiteral(" G01 ") + address + QLatin1Char('=') + value + QStringLiteral(" F") +
            feed + QLatin1Char('\n');
    text += QStringLiteral("N05 M30\n");
    return text.toLatin1();
}

}  // namespace NpgProgram
