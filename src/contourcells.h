#pragma once

#include <QString>
#include <QTableWidgetItem>

// The cells of the weld program editor's two tables, shared by the sources of CONTOUR.
namespace ContourCells {

// Columns of the technology table.
constexpr int kTechColumns = 7;
constexpr int kPathColumn = 0;
constexpr int kIrColumn = 1;
constexpr int kIfColumn = 2;
constexpr int kIxColumn = 3;
constexpr int kIyColumn = 4;
constexpr int kSpeedColumn = 5;
constexpr int kSweepColumn = 6;

// The highest beam current of a technology row, mA.
constexpr float kMaxBeamCurrent = 800;

// A number as the cells hold it: fixed notation with the given decimals.
inline QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

inline QTableWidgetItem* textItem(const QString& text)
{
    return new QTableWidgetItem(text);
}

}  // namespace ContourCells
