#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "schema.h"

// A plain value copy of the weld program that the editor keeps in its two tables. CONTOUR reads
// its tables into one (CONTOUR::snapshot); the geometry, the program generators, the contour file
// and the passport are functions of it, so they can be tested without widgets.

// The segment that leaves a contour point of the linear scheme, to the next point (the last point
// of a closed contour: the closing segment to point 0).
struct SegmentParams {
    enum Type { End = 0, Line = 1, Arc = 2 };
    int type = End;         // 1 line, 2 arc, anything else: no segment starts here ("Конец")
    float radius = 0;       // arc radius, mm
    int direction = 0;      // 1 counter-clockwise, anything else clockwise
    int plane = 0;          // 0 XY, 1 XZ, 2 YZ

    bool operator==(const SegmentParams& o) const
    {
        return type == o.type && radius == o.radius && direction == o.direction && plane == o.plane;
    }
};

// One contour point: its coordinates in the scheme's axisNames order and, for the linear scheme,
// the segment that leaves it.
struct ContourPoint {
    QList<float> coords;
    SegmentParams segment;

    bool operator==(const ContourPoint& o) const { return coords == o.coords && segment == o.segment; }
};

// The beam sweep of a technology point.
struct RasterParams {
    int type = 0;       // RasterType 0..17
    float ampX = 0;     // %
    float ampY = 0;     // %
    int angle = 0;      // degrees
    int freq = 0;       // Hz
    float shiftX = 0;   // %
    float shiftY = 0;   // %
    float param = 0;
    int reverse = 0;    // reverse rotation, 0 or 1

    bool operator==(const RasterParams& o) const
    {
        return type == o.type && ampX == o.ampX && ampY == o.ampY && angle == o.angle && freq == o.freq &&
               shiftX == o.shiftX && shiftY == o.shiftY && param == o.param && reverse == o.reverse;
    }
};

// The 18 sweep type names, indexed by RasterType.
const QStringList& rasterTypeNames();
// The sweep cell's text for a set sweep: "name; ampXxampY; angle; freq; shiftXxshiftY; param;
// reverse". A type outside the name list shows its number.
QString rasterText(const RasterParams& raster);

// The text of a comment row that makes it a technological stop.
inline const QString& techStopText()
{
    static const QString text = QStringLiteral("Технол.останов");
    return text;
}

// One row of the technology table.
struct TechRow {
    enum Kind { Point, Comment };
    // The sweep cell: empty (no sweep given), "ВЫКЛ" (switched off) or a sweep.
    enum Sweep { SweepOff = 0, SweepSet = 1, SweepNone = 2 };

    Kind kind = Point;
    bool on = true;          // takes part in the generated programs
    QString comment;         // Comment rows: the text
    // Point rows: the cell values (read from the cell texts).
    float path = 0;          // mm from the start of the seam
    float Ir = 0;            // beam current, mA
    float If = 0;            // focus current, mA
    float Ix = 0;            // deflection X, mA
    float Iy = 0;            // deflection Y, mA
    float speed = 0;         // mm/min
    Sweep sweep = SweepNone;
    RasterParams raster;     // meaningful for SweepSet

    bool isComment() const { return kind == Comment; }
    bool isStop() const { return kind == Comment && comment == techStopText(); }

    bool operator==(const TechRow& o) const
    {
        return kind == o.kind && on == o.on && comment == o.comment && path == o.path && Ir == o.Ir &&
               If == o.If && Ix == o.Ix && Iy == o.Iy && speed == o.speed && sweep == o.sweep &&
               (sweep != SweepSet || raster == o.raster);
    }
};

struct ContourSnapshot {
    std::shared_ptr<const Schema> schema;   // null: no scheme installed
    QList<ContourPoint> points;             // contour rows in path order
    QList<TechRow> tech;                    // technology rows; start row first, end row last
    bool ring = false;                      // the contour is closed
    bool closeDirect = true;                // "XYZ": closed by a direct move (else run back)
    bool inverted = false;                  // the contour order has been reversed
    float centerX = 0, centerY = 0;         // "XYZr": centre of the circle in the plane's pair
    float passLength = 0;                   // label `length`: one pass, mm
    float passes = 1;                       // label `nrings`
    float pointCount = 0;                   // label `points` (the scheme's P of a ring joint)
    float weldSpeed = 0;                    // label `weldSpeed`, mm/min
    float contourSpeed = 0;                 // label `contourSpeed`, mm/min
    bool testMove = false;                  // manual current control
    bool focusOn = false, yokeXOn = false, yokeYOn = false;  // shown technology columns
    float If = 700, Ix = 0, Iy = 0;         // default currents of new rows

    int count() const { return points.size(); }
    // Coordinates of contour row `row`; empty for a row that does not exist.
    QList<float> coords(int row) const
    {
        return row >= 0 && row < points.size() ? points.at(row).coords : QList<float>();
    }
};

// What the editor holds. Every operator action on a program of this size keeps the GUI thread well
// under 100 ms; the editor adds no point or row beyond it, and reads a contour file only as far
// as it goes.
namespace ContourLimits {

// Contour points. A taught contour has tens to hundreds of points; a ring joint has one per step
// of its turn, at most 3,600.
constexpr int kMaxPoints = 10000;
// Rows of the technology table, its start and end rows included. A template press adds at most
// about 500 rows, an add-contour-point press at most 1,000; a weld program has tens.
constexpr int kMaxTechRows = 5000;
// Characters of a text of a contour file (the program's name, a comment after its marker) and of
// one value: a program's name is a file name (at most 255 bytes), a comment is a template's title,
// whose line edit takes no more; a number is a few dozen at most.
constexpr int kMaxLineChars = 255;
// Bytes of a contour file. The largest program the editor holds, every number as long as it can
// be written and every text of the most characters (three bytes each), takes some 5.6 MB: every
// file the editor saves opens again. Read and parsed in a quarter of a second.
constexpr qint64 kMaxFileBytes = 8 * 1024 * 1024;

}  // namespace ContourLimits

// Frame numbering of program lines: "N" + the number with at least 3 digits + " " + the line +
// "\n", numbered step, 2 * step, ...
QString numerate(const QStringList& lines, int step);
