#pragma once

// Weld programs of each coordinate scheme as snapshots, for the tests and the fuzz seeds.

#include <QList>

#include <cmath>

#include "contourgeometry.h"
#include "contourmodel.h"
#include "schema.h"

namespace ContourSamples {

inline TechRow point(float path, float Ir, float speed, TechRow::Sweep sweep = TechRow::SweepNone,
                     const RasterParams& raster = RasterParams())
{
    TechRow row;
    row.path = path;
    row.Ir = Ir;
    row.If = 700;
    row.speed = speed;
    row.sweep = sweep;
    row.raster = raster;
    return row;
}

inline TechRow comment(const QString& text)
{
    TechRow row;
    row.kind = TechRow::Comment;
    row.on = false;
    row.comment = text;
    return row;
}

// Two points (a line, then a counter-clockwise arc of R 25 in XY), open, and three technology rows,
// the last with a sweep of type 2: the program of the example file.
inline ContourSnapshot linear()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ);
    s.points << ContourPoint{{10, 20, 5}, {SegmentParams::Line, 0, 0, 0}}
             << ContourPoint{{30, 20, 5}, {SegmentParams::Arc, 25, 1, 0}};
    s.ring = false;
    s.passes = 1;
    s.pointCount = 0;
    s.weldSpeed = 600;
    // type, amplitudes X and Y, angle, frequency, shifts X and Y, parameter, reverse
    const RasterParams circles{2, 1, 1, 0, 10, 0, 0, 1, 0};
    s.tech << point(0, 0, 600) << comment(techStopText()) << point(20, 150, 600, TechRow::SweepSet, circles);
    return s;
}

// A closed circle of D 100 in the XZ plane about (5, -3), three passes, rows with every kind of
// sweep cell and a comment with blanks.
inline ContourSnapshot circular()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZr(100, 0, 1));
    s.centerX = 5;
    s.centerY = -3;
    s.points << ContourPoint{{55, 12.5f, -3}, {}} << ContourPoint{{5, 12.5f, 47}, {}}
             << ContourPoint{{-45, 12.5f, -3}, {}} << ContourPoint{{5, 12.5f, -53}, {}};
    s.ring = true;
    s.passes = 3;
    s.weldSpeed = 412.5f;
    const RasterParams spiral{15, 2.25f, 0.5f, 45, 500, -1.5f, 0.75f, 0.125f, 1};
    s.tech << point(0, 0, 412.5f) << comment(QStringLiteral("Сварка  корня шва")) << point(10, 40, 412.5f)
           << point(15.5f, 80.5f, 300, TechRow::SweepSet, spiral) << point(900, 0, 412.5f, TechRow::SweepOff)
           << point(942.48f, 0, 412.5f);
    return s;
}

// A ring joint of D 250 with four points on the turn and two technology rows.
inline ContourSnapshot ring()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaCircle(250, 4));
    s.points << ContourPoint{{0, 100, 20, -5}, {}} << ContourPoint{{90, 100, 20, -5}, {}}
             << ContourPoint{{180, 100, 20, -5}, {}} << ContourPoint{{270, 100, 20, -5}, {}};
    s.ring = true;
    s.passes = 2;
    s.pointCount = 4;
    s.weldSpeed = 1200;
    s.tech << point(0, 20, 1200) << point(1570.8f, 20, 1200);
    return s;
}

// A long linear seam of `points` points along a wave in the XY plane, every 25th segment an arc,
// with `rows` technology rows spread over it (a third with a beam sweep, a stop half way), and
// the pass length the editor shows for it.
inline ContourSnapshot longSeam(int points, int rows)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ);
    for (int i = 0; i < points; ++i) {
        const float x = float(i) * 2.0f;
        const float y = std::round(100.0f * 5.0f * std::sin(float(i) * 0.05f)) / 100.0f;
        SegmentParams segment{SegmentParams::Line, 0, 0, 0};
        if (i == points - 1)
            segment = SegmentParams();
        else if (i % 25 == 24)
            segment = SegmentParams{SegmentParams::Arc, 50, i % 2, 0};
        s.points.append({{x, y, 10.0f}, segment});
    }
    s.passes = 1;
    s.pointCount = float(points);
    s.weldSpeed = 600;
    s.contourSpeed = 1200;
    s.passLength = ContourGeometry::updateLength(s).pass;
    const float seam = float(points - 1) * 2.0f;
    const RasterParams circles{2, 12.5f, 12.5f, 0, 500, 0, 0, 1, 0};
    const int dataRows = rows - 1;
    for (int r = 0; r < dataRows; ++r) {
        const float path = r == dataRows - 1 ? seam : std::round(seam * float(r) / float(dataRows - 1) * 100) / 100;
        const float Ir = r == 0 || r == dataRows - 1 ? 0 : 40.0f + float(r % 7);
        s.tech << point(path, Ir, 600, r % 3 == 0 ? TechRow::SweepSet : TechRow::SweepOff, circles);
        if (r == dataRows / 2)
            s.tech << comment(techStopText());
    }
    return s;
}

// A closed ring joint of D 500 with 3,600 points (a tenth of a degree each) walked `passes` times,
// with `rows` technology rows spread evenly over the seam, each with a beam sweep (none for 0).
// Walked 15 times with 5,000 rows it is the largest weld a controller's program memory takes.
inline ContourSnapshot ringOf3600(int passes, int rows = 0)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaCircle(500, 3600));
    for (int i = 0; i < 3600; ++i)
        s.points.append({{float(i) / 10.0f, 100, 20, -5}, {}});
    s.ring = true;
    s.passes = float(passes);
    s.pointCount = 3600;
    s.passLength = 1570.8f;
    s.weldSpeed = 600;
    if (rows > 0)
        s.contourSpeed = 1200;
    const RasterParams circles{2, 12.5f, 12.5f, 0, 500, 0, 0, 1, 0};
    for (int r = 0; r < rows; ++r) {
        const float path = std::round(1570.8f * float(passes) * float(r) / float(rows - 1) * 100) / 100;
        s.tech << point(path, 40, 600, TechRow::SweepSet, circles);
    }
    return s;
}

}  // namespace ContourSamples
