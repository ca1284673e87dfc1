#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// A taught point as it is stored in a ".point" file under "/points/": one line per axis, the
// axis name, one blank and the coordinate with two decimals ("LX 120.50", "A -3.00").
namespace PointFile {

// The rows of a point: LX, LY, A, B, C, D, U1, V.
constexpr int kRows = 8;

struct Row {
    QString name;            // the axis name as the file writes it ("" when the file has no row)
    bool hasCoord = false;   // the file gave a finite coordinate for the row
    float coord = 0.0f;
};

// The most of a file that a point can take: eight rows of a name and a coordinate are far
// shorter. Only this much of a file is read; a longer text is cut after its last whole line
// within it.
constexpr int kMaxBytes = 4096;
// The longest word of a row; a row with a longer word is empty.
constexpr int kMaxWordBytes = 64;

// Reads the text of a point file. Always returns kRows rows: each non-blank line gives the next
// row, its first word the name and its second the coordinate; words are separated by blanks or
// tabs. A row the text does not reach, a missing coordinate, or one that is not a finite number
// ("nan", "inf", "12,5", a value beyond the float range) has no coordinate. Lines after the
// eighth row, and text beyond kMaxBytes, are ignored.
QVector<Row> parse(const QByteArray& text);

// Reads the point file at `localPath` (a path on this computer, suffix included), at most
// kMaxBytes + 1 bytes of it. False when it cannot be opened; `rows` is then left as it was.
bool read(const QString& localPath, QVector<Row>* rows);

// The text of a point file: for each row i, names[i], a blank, coords[i] and a line feed.
QByteArray format(const QStringList& names, const QStringList& coords);

}  // namespace PointFile
