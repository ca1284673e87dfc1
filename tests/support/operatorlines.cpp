#include "operatorlines.h"

#include <QFile>

QStringList OperatorLines::all() const
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        line = line.mid(11);
    return lines;
}

QStringList OperatorLines::fresh()
{
    const QStringList lines = all();
    const QStringList added = lines.mid(m_seen);
    m_seen = lines.size();
    return added;
}
