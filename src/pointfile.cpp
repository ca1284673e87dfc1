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

// The first two blank-separated words of one line (fewer when it has fewer); false when one of
// them is longer than a row's word may be.
bool wordsOf(const char* begin, const char* end, QList<QByteArray>* words)
{
    const char* p = begin;
    while (p < end && words->size() < 2) {
        while (p < end && isBlank(*p))
            ++p;
        const char* start = p;
        while (p < end && !isBlank(*p))
            ++p;
        if (p - start > kMaxWordBytes)
            return false;
        if (p > start)
            words->append(QByteArray(start, int(p - start)));
    }
    return true;
}

}  // namespace

QVector<Row> parse(const QByteArray& text)
{
    QVector<Row> rows(kRows);
    int filled = 0;
    const char* p = text.constData();
    const char* end = p + text.size();
    if (text.size() > kMaxBytes) {
        // A line cut at the limit is not a row.
        const int lastLineEnd = text.lastIndexOf('\n', kMaxBytes - 1);
        end = p + (lastLineEnd < 0 ? 0 : lastLineEnd);
    }
    while (p < end && filled < kRows) {
        const char* lineEnd = static_cast<const char*>(memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        QList<QByteArray> words;
        const bool fits = wordsOf(p, lineEnd, &words);
        p = lineEnd + 1;
        if (!fits) {
            ++filled;  // an empty row
            continue;
        }
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
    // One byte more than the limit tells parse() that the file goes on.
    *rows = parse(file.read(kMaxBytes + 1));
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
