// The taught-point file: whatever text it holds reads as eight rows, each with a finite
// coordinate or none; saving those rows again (the coordinates as the dialog shows them, with two
// decimals) and reading the file back gives the same rows.

#include <cmath>

#include "fuzzinput.h"
#include "pointfile.h"

namespace {

const QStringList kAxes = {"LX", "LY", "A", "B", "C", "D", "U1", "V"};

// The coordinates as the dialog's table shows them ("" for a row without one).
QStringList shown(const QVector<PointFile::Row>& rows)
{
    QStringList coords;
    for (const PointFile::Row& row : rows) {
        FUZZ_CHECK(row.hasCoord ? std::isfinite(row.coord) : row.coord == 0.0f);
        FUZZ_CHECK(!row.name.contains(QLatin1Char(' ')) && !row.name.contains(QLatin1Char('\n')));
        coords << (row.hasCoord ? QString::number(double(row.coord), 'f', 2) : QString());
    }
    return coords;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QVector<PointFile::Row> rows =
        PointFile::parse(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
    FUZZ_CHECK(rows.size() == PointFile::kRows);
    const QStringList coords = shown(rows);

    const QVector<PointFile::Row> again = PointFile::parse(PointFile::format(kAxes, coords));
    FUZZ_CHECK(again.size() == PointFile::kRows);
    for (int i = 0; i < PointFile::kRows; ++i)
        FUZZ_CHECK(again[i].name == kAxes[i]);
    // The same numbers ("-0.00", shown for a small negative value, reads back as 0.00).
    const QStringList shownAgain = shown(again);
    for (int i = 0; i < PointFile::kRows; ++i)
        FUZZ_CHECK(shownAgain[i].isEmpty() == coords[i].isEmpty() && shownAgain[i].toDouble() == coords[i].toDouble());
    return 0;
}
