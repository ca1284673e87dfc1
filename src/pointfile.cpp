#include "pointfile.h"

#include <QFile>
#include <cmath>
#include <cstring>

namespace PointFile {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The blank-separated words of one line.
QList<QByteArray> wordsOf(const char* begin, const char* end)
{
    QList<QByteArray> words;
    const char* p = begin;
    while (p < end) {
        while (p < end && isBlank(*p))
            ++p;
        const char* start = p;
        while (p < end && !isBlank(*p))
            ++p;
        if (p > start)
            words.append(QByteArray(start, int(p - start)));
    }
    return words;
}

}  // namespace

QVector<Row> parse(const QByteArray& text)
{
    QVector<Row> rows(kRows);
    int filled = 0;
    const char* p = text.constData();
    const char* const end = p + text.size();
    while (p < end && filled < kRows) {
        const char* lineEnd = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        const QList<QByteArray> words = wordsOf(p, lineEnd);
        p = lineEnd + 1;
        if (words.isEmpty())
            continue;
        Row& row = rows[filled++];
        row.name = QString::fromLocal8Bit(words.at(0));
        if (words.size() < 2)
            continue;
        bool ok = false;
        const float value = float(words.at(1).toDouble(&ok));
        if (ok && std::isfinite(value)) {
            row.hasCoord = true;
            row.coord = value;
        }
    }
    return rows;
}

bool read(const QString& localPath, QVector<Row>* rows)
{
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *rows = parse(file.readAll());
    return true;
}

QByteArray format(const QStringList& names, const QStringList& coords)
{
    QByteArray text;
    for (int i = 0; i < names.size(); ++i)
        text += names.at(i).toLocal8Bit() + ' ' + coords.value(i).toLocal8Bit() + '\n';
    return text;
}

}  // namespace PointFile
