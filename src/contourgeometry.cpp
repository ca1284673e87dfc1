#include "contourgeometry.h"

#include <algorithm>
#include <cmath>

namespace ContourGeometry {

namespace {

const SegmentParams* segmentOf(const ContourSnapshot& s, int row)
{
    return row >= 0 && row < s.points.size() ? &s.points.at(row).segment : nullptr;
}

// ((e - q) * (distance - s0)) / (s1 - s0) + q; a segment without length stays at its start.
float lerp(float q, float e, float distance, float s0, float s1)
{
    const float span = s1 - s0;
    if (!(std::fabs(span) > 0) || !std::isfinite(span))
        return q;
    return ((e - q) * (distance - s0)) / span + q;
}

float wrapDegrees(float v)
{
    v = std::fmod(v, 360.0f);
    if (v < 0)
        v += 360.0f;
    if (v >= 360.0f)
        v -= 360.0f;
    return v;
}

}  // namespace

float calcDistance(const ContourSnapshot& s, int row, const QList<float>& a, const QList<float>& b)
{
    if (!s.schema || row < 0 || row >= s.points.size() || !s.schema->linear())
        return 0;
    const SegmentParams& seg = s.points.at(row).segment;
    if (seg.type == SegmentParams::Line)
        return s.schema->distance(b, a);
    if (seg.type != SegmentParams::Arc)
        return 0;
    if (seg.plane < 0 || seg.plane > 2)
        return 0;
    const double c = planeChord(a, b, seg.plane);
    const float twoR = seg.radius + seg.radius;
    if (!(twoR > 0))
        return float(c);  // no circle at all: the straight chord (and the row shows red)
    // A chord longer than the diameter has no arc: it counts as half the circle (and shows red).
    return float(2.0 * std::asin(std::min(1.0, c / double(twoR))) * double(seg.radius));
}

bool segmentValid(const ContourSnapshot& s, int row, const QList<float>& a, const QList<float>& b)
{
    if (!s.schema)
        return false;
    if (!s.schema->validDistance(a, b))
        return false;
    const SegmentParams* seg = segmentOf(s, row);
    if (s.schema->linear() && seg && seg->type == SegmentParams::Arc && seg->plane >= 0 && seg->plane <= 2) {
        const double c = planeChord(a, b, seg->plane);
        const float twoR = seg->radius + seg->radius;
        return twoR > 0 && c <= double(twoR);
    }
    return true;
}

float calcLength(const ContourSnapshot& s, int n)
{
    if (!s.schema)
        return 0;
    n = std::min(n, s.points.size());
    float sum = 0;
    for (int i = 1; i < n; ++i)
        sum += s.schema->distance(s.coords(i - 1), s.coords(i));
    return sum;
}

QVector<float> pointPaths(const ContourSnapshot& s)
{
    QVector<float> paths;
    if (!s.schema || s.points.isEmpty())
        return paths;
    paths.reserve(s.points.size());
    paths << 0.0f;
    QList<float> a = s.coords(0);
    for (int i = 1; i < s.points.size(); ++i) {
        QList<float> b = s.coords(i);
        const float segment = s.schema->linear() ? calcDistance(s, i - 1, a, b) : s.schema->distance(a, b);
        paths << paths.last() + segment;
        a = std::move(b);
    }
    return paths;
}

Lengths updateLength(const ContourSnapshot& s)
{
    Lengths out;
    const int n = s.points.size();
    if (!s.schema || n <= 1)
        return out;
    if (s.schema->round()) {
        if (s.ring) {
            out.pass = float(double(s.schema->D()) * M_PI);
            out.seam = out.pass * s.passes;
        } else {
            out.pass = calcLength(s, n);
            out.seam = out.pass;
        }
        return out;
    }
    float L = 0;
    out.rowValid.resize(n - 1);
    for (int i = 1; i < n; ++i) {
        const QList<float> a = s.coords(i - 1), b = s.coords(i);
        L += calcDistance(s, i - 1, a, b);
        out.rowValid[i - 1] = segmentValid(s, i - 1, a, b);
    }
    if (s.ring && s.closeDirect) {
        L += calcDistance(s, n - 1, s.coords(n - 1), s.coords(0));
        out.pass = L;
        out.seam = L * s.passes;
    } else if (s.ring) {
        out.pass = 2 * L;
        out.seam = 2 * L * s.passes;
    } else {
        out.pass = out.seam = L;
    }
    return out;
}

bool _calcD(float x1, float y1, float x2, float y2, float x3, float y3, float* D, float* cx, float* cy)
{
    const float a = std::hypot(x2 - x1, y2 - y1);
    const float b = std::hypot(x3 - x2, y3 - y2);
    const float c = std::hypot(x3 - x1, y3 - y1);
    const float s = 0.5f * (a + b + c);
    const float area = std::sqrt((s - c) * ((s - a) * s * (s - b)));
    const float k1 = (x2 + x1) * (x2 - x1) * 0.5f + (y2 + y1) * (y2 - y1) * 0.5f;
    const float k2 = (x2 + x3) * (x3 - x2) * 0.5f + (y2 + y3) * (y3 - y2) * 0.5f;
    const float det = (x2 - x1) * (y3 - y2) - (x3 - x2) * (y2 - y1);
    const float d = c * (b * a) / (2 * area);
    const float ux = ((y3 - y2) * k1 - (y2 - y1) * k2) / det;
    const float uy = (k2 * (x2 - x1) - k1 * (x3 - x2)) / det;
    if (area > 0 && det != 0 && std::isfinite(d) && d > 0 && std::isfinite(ux) && std::isfinite(uy)) {
        *D = d;
        *cx = ux;
        *cy = uy;
        return true;
    }
    // On one line (or one point): there is no circle.
    *D = 0;
    *cx = (x1 + x2 + x3) / 3;
    *cy = (y1 + y2 + y3) / 3;
    return false;
}

bool calcDiameter(const ContourSnapshot& s, int row, int plane, float* D)
{
    *D = 0;
    if (row < 2 || row >= s.points.size() || plane < 0 || plane > 2)
        return false;
    const PlaneAxes axes = planeAxes(plane);
    const QList<float> p1 = s.coords(row), p2 = s.coords(row - 1), p3 = s.coords(row - 2);
    float cx = 0, cy = 0;
    return _calcD(p1.value(axes.u), p1.value(axes.v), p2.value(axes.u), p2.value(axes.v), p3.value(axes.u),
                  p3.value(axes.v), D, &cx, &cy);
}

bool calcD(const ContourSnapshot& s, Circle* circle)
{
    const int n = s.points.size();
    if (!s.schema || n < 3)
        return false;
    const PlaneAxes axes = planeAxes(s.schema->Aux());
    QVector<float> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        const QList<float> c = s.coords(i);
        x[i] = c.value(axes.u);
        y[i] = c.value(axes.v);
    }
    const int triples = n <= 3 ? 1 : n;
    float sumD = 0, sumX = 0, sumY = 0;
    int good = 0;
    for (int k = 0; k < triples; ++k) {
        const int k1 = (k + 1) % n, k2 = (k + 2) % n;
        float d = 0, cx = 0, cy = 0;
        if (_calcD(x[k], y[k], x[k1], y[k1], x[k2], y[k2], &d, &cx, &cy)) {
            sumD += d;
            sumX += cx;
            sumY += cy;
            ++good;
        }
    }
    if (good == 0)
        return false;
    const Circle result{sumD / good, sumX / good, sumY / good};
    if (!std::isfinite(result.D) || !std::isfinite(result.cx) || !std::isfinite(result.cy))
        return false;
    *circle = result;
    return true;
}

float getPolarAngle(float x, float y)
{
    if (x > 0) {
        const float q = y / x;
        const double angle = std::atan(double(q));
        return float(y >= 0 ? angle : angle + 2 * M_PI);
    }
    if (x < 0) {
        const float q = y / x;
        return float(std::atan(double(q)) + M_PI);
    }
    return y > 0 ? float(M_PI / 2) : float(3 * M_PI / 2);
}

QList<float> interCoords(const ContourSnapshot& s, int row, float distance, float startAngle, float rise, bool ccw)
{
    const bool measured = s.schema && !s.schema->rotate();
    return interCoords(s, row, distance, startAngle, rise, ccw, measured ? pointPaths(s) : QVector<float>());
}

QList<float> interCoords(const ContourSnapshot& s, int row, float distance, float startAngle, float rise, bool ccw,
                         const QVector<float>& paths)
{
    const int n = s.points.size();
    if (!s.schema || n == 0 || row < 0 || row >= n)
        return {};
    const float Lp = s.passLength;
    if (!std::isfinite(distance))
        distance = 0;
    // A position on a later pass lies on the first; with no pass length there is nothing to fold.
    if (Lp > 0 && distance > Lp) {
        distance = std::fmod(distance, Lp);
        if (!(distance > 0))
            distance = Lp;
    }

    if (s.schema->rotate()) {
        const float turn = Lp > 0 ? (distance / Lp) * 360.0f : 0.0f;
        float theta = ccw ? startAngle + turn : startAngle - turn;
        if (theta < 0)
            theta += 360;
        const double rad = double(theta) * M_PI / 180.0;
        const double R = s.schema->R();
        const float u = float(double(s.centerX) + R * std::cos(rad));
        const float v = float(double(s.centerY) + R * std::sin(rad));
        const PlaneAxes axes = planeAxes(s.schema->Aux());
        const float w = float(double(rise * 0.5f) * (1.0 - std::cos(double(startAngle - theta) * M_PI / 180.0)) +
                              double(s.coords(0).value(axes.across)));
        QList<float> out{0, 0, 0};
        out[axes.u] = u;
        out[axes.v] = v;
        out[axes.across] = w;
        return out;
    }

    const bool linear = s.schema->linear();
    // The segment runs from the path at its start point to the path at its end (the closing
    // segment to the end of the pass).
    const float s0 = row == 0 ? paths.value(n - 1) : paths.value(row - 1);
    const float s1 = row == 0 ? Lp : paths.value(row);
    const int p = row == 0 ? n - 1 : row - 1;
    const QList<float> from = s.coords(p), to = s.coords(row);
    const int columns = s.schema->axisNames().size();

    QList<float> out;
    out.reserve(columns);
    for (int i = 0; i < columns; ++i)
        out << lerp(from.value(i), to.value(i), distance, s0, s1);

    if (!linear) {
        // Ring joint: V takes the short way round, as the rotation frames do.
        if (s.schema->circle()) {
            const float q = from.value(0);
            float delta = std::fmod(to.value(0) - q, 360.0f);
            if (delta > 180)
                delta -= 360;
            else if (delta <= -180)
                delta += 360;
            out[0] = wrapDegrees(lerp(q, q + delta, distance, s0, s1));
        }
        return out;
    }

    const SegmentParams& segment = s.points.at(p).segment;
    if (segment.type != SegmentParams::Arc || !(segment.radius > 0))
        return out;
    const PlaneAxes axes = planeAxes(segment.plane);
    const float Sx = from.value(axes.u), Sy = from.value(axes.v);
    const float Ex = to.value(axes.u), Ey = to.value(axes.v);
    const float c = std::hypot(Ex - Sx, Ey - Sy);
    const float span = s1 - s0;
    if (!(c > 0) || !(std::fabs(span) > 0))
        return out;
    const float R = segment.radius;
    const float half = c * 0.5f;
    const float h2 = R * R - half * half;
    // A chord longer than the diameter: the half circle over the chord (the row shows red).
    const float h = h2 > 0 ? std::sqrt(h2) : 0.0f;
    const float Mx = Sx + (Ex - Sx) * 0.5f, My = Sy + (Ey - Sy) * 0.5f;
    const float ox = (Ey - Sy) * h / c, oy = (Ex - Sx) * h / c;
    // The centre of the shorter arc: left of the chord for a counter-clockwise arc, right of it
    // for a clockwise one.
    const bool arcCcw = segment.direction == 1;
    const float Cx = arcCcw ? Mx - ox : Mx + ox;
    const float Cy = arcCcw ? My + oy : My - oy;
    const float phi = arcCcw ? (s0 - distance) / R : (distance - s0) / R;
    const double dx = Sx - Cx, dy = Sy - Cy;
    out[axes.u] = float(Cx + dx * std::cos(double(phi)) + dy * std::sin(double(phi)));
    out[axes.v] = float(Cy - dx * std::sin(double(phi)) + dy * std::cos(double(phi)));
    return out;
}

}  // namespace ContourGeometry

namespace ContourGeometry {

QList<QList<float>> pointsOnNewCircle(const ContourSnapshot& s, float oldD)
{
    if (!s.schema || !(oldD > 0) || !(s.schema->D() > 0) || !std::isfinite(oldD))
        return {};
    const double R = s.schema->R();
    const PlaneAxes axes = planeAxes(s.schema->Aux());
    QList<QList<float>> out;
    for (const ContourPoint& p : s.points) {
        QList<float> c = p.coords;
        while (c.size() < 3)
            c << 0.0f;
        // The angle of the point itself: a point a little off the old circle would take another
        // angle from its first coordinate alone.
        const double rad = std::atan2(double(c[axes.v] - s.centerY), double(c[axes.u] - s.centerX));
        c[axes.u] = float(double(s.centerX) + R * std::cos(rad));
        c[axes.v] = float(double(s.centerY) + R * std::sin(rad));
        out << c;
    }
    return out;
}

int pointOffCircle(const ContourSnapshot& s, float D, float tolerance)
{
    if (!s.schema)
        return -1;
    const PlaneAxes axes = planeAxes(s.schema->Aux());
    const double R = 0.5 * double(D);
    for (int row = 0; row < s.points.size(); ++row) {
        const QList<float>& c = s.points.at(row).coords;
        const double r = std::hypot(double(c.value(axes.u)) - s.centerX, double(c.value(axes.v)) - s.centerY);
        if (!(std::fabs(r - R) <= double(tolerance)))
            return row;
    }
    return -1;
}

}  // namespace ContourGeometry
