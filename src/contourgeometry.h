#pragma once

#include <QList>
#include <QVector>

#include "contourmodel.h"

// Measures of a weld contour, as functions of the editor's snapshot. Degenerate geometry (an arc
// whose chord exceeds its diameter, collinear or coincident points, a segment of no length, a
// pass length of 0) gives finite values, never "not a number" and never a loop without end.
namespace ContourGeometry {

// Length of the segment that the SegmentParams of `row` describe, between the points a and b.
// 0 for a row outside the contour, for the circular-interpolation scheme, and for the ring-joint
// scheme (which carries no segments). An arc whose chord is longer than its diameter counts as
// half the circle of its radius (and is invalid, see segmentValid).
float calcDistance(const ContourSnapshot& s, int row, const QList<float>& a, const QList<float>& b);

// Whether the segment leaving `row` towards b can be traversed: the scheme's validDistance, and
// for a linear arc a radius above 0 that spans the chord.
bool segmentValid(const ContourSnapshot& s, int row, const QList<float>& a, const QList<float>& b);

// Straight path from row 0 to row n - 1 (the scheme's distance; arcs as their chord path).
float calcLength(const ContourSnapshot& s, int n);

// The path at which the motion program reaches each contour point on its first pass, from
// point 0 (path 0) on: the segments' own lengths as the pass and seam lengths count them (a
// linear arc along its arc, a segment without a type as 0), the scheme's distance in the other
// schemes.
QVector<float> pointPaths(const ContourSnapshot& s);

struct Lengths {
    float pass = 0;              // one pass, mm (label `length`)
    float seam = 0;              // whole seam, mm (the technology table's end row)
    QVector<bool> rowValid;      // for rows 0 .. n-2 when the rows are to be painted, else empty
};
// Pass and seam length of the contour, and which rows are to be painted black or red.
Lengths updateLength(const ContourSnapshot& s);

// Circle through three points of a plane. Returns false for collinear or coincident points, and

bool _calcD(float x1, float y1, float x2, float y2, float x3, float y3, float* D, float* cx, float* cy);

// Diameter of the circle through contour rows row, row - 1 and row - 2 in a plane (0 XY, 1 XZ,
// 2 YZ). False when those rows do not exist, the plane is none of the three, or the points are
// on one line; *D is then 0.
bool calcDiameter(const ContourSnapshot& s, int row, int plane, float* D);

struct Circle {
    float D = 0;
    float cx = 0;
    float cy = 0;
};
// Circle through the points of a circular-interpolation contour in the scheme's plane: the mean
// of the circles through each cyclic triple (through the first three points for 3 or fewer).
// Triples on one line are left out of the mean; false when no triple gives a circle.
bool calcD(const ContourSnapshot& s, Circle* circle);

// Polar angle of the vector (x, y) in radians, in [0, 2 pi); (0, 0) gives 3 pi / 2.
float getPolarAngle(float x, float y);

// Coordinates at path position `distance` of the segment that ends at contour row `row` (row 0:
// the closing segment from the last point). A position on a later pass is folded into the first
// (not when the pass length is 0 or less). Empty for a row outside the contour.
//   circular interpolation: startAngle (degrees) is the angle of point 0 about the centre, rise
//     the travel across the plane over half a turn, ccw the direction;
//   ring joint: every column linear, V the short way round;
//   linear: lines linear, arcs on their circle (ccw for direction 1).
QList<float> interCoords(const ContourSnapshot& s, int row, float distance, float startAngle, float rise,
                         bool ccw);
// The same with the path at each point given (pointPaths of the snapshot): a walk along the whole
// contour finds each position without summing the segments again.
QList<float> interCoords(const ContourSnapshot& s, int row, float distance, float startAngle, float rise,
                         bool ccw, const QVector<float>& paths);

}  // namespace ContourGeometry

namespace ContourGeometry {

// The contour points moved radially about the snapshot's centre onto the circle of the scheme's
// (new) diameter, in the scheme's plane; each keeps its angle about the centre and its coordinate
// across the plane. Empty when oldD or the new diameter is not above 0.
QList<QList<float>> pointsOnNewCircle(const ContourSnapshot& s, float oldD);
// The first contour point (its row) that lies farther than `tolerance` (mm) from the circle of
// diameter D about the snapshot's centre, in the scheme's plane; -1 when every point lies on it.
int pointOffCircle(const ContourSnapshot& s, float D, float tolerance);

}  // namespace ContourGeometry
