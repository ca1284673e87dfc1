// Measures of a weld contour as functions of the editor's snapshot: segment and pass lengths,
// circles through points, polar angles and positions inside segments, including the degenerate
// contours that must give finite numbers and end.

#include <QtTest>
#include <cmath>
#include <memory>

#include "contourgeometry.h"
#include "testenv.h"

using namespace ContourGeometry;

namespace {

constexpr double kPi = 3.141592653589793;

ContourSnapshot contour(Schema* schema, const QList<QList<float>>& points)
{
    ContourSnapshot s;
    s.schema.reset(schema);
    for (const QList<float>& p : points)
        s.points.append({p, SegmentParams{SegmentParams::Line, 0, 0, 0}});
    if (!s.points.isEmpty())
        s.points.last().segment.type = SegmentParams::End;
    return s;
}

void setArc(ContourSnapshot& s, int row, float radius, int direction, int plane = 0)
{
    s.points[row].segment = {SegmentParams::Arc, radius, direction, plane};
}

bool finite(const QList<float>& values)
{
    for (float v : values) {
        if (!std::isfinite(v))
            return false;
    }
    return true;
}

bool near(const QList<float>& got, const QList<float>& want, float tolerance = 1e-3f)
{
    if (got.size() != want.size())
        return false;
    for (int i = 0; i < got.size(); ++i) {
        if (!(std::fabs(got[i] - want[i]) <= tolerance))
            return false;
    }
    return true;
}

QByteArray show(const QList<float>& values)
{
    QStringList parts;
    for (float v : values)
        parts << QString::number(double(v), 'g', 8);
    return parts.join(QLatin1Char(' ')).toUtf8();
}

#define COMPARE_COORDS(got, want) \
    QVERIFY2(near(got, want), show(got) + " instead of " + show(want))

}  // namespace

class TestContourGeometry : public QObject
{
    Q_OBJECT

private slots:
    void passAndSeamLength_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("seam");
        QTest::newRow("empty") << "empty" << "0.00" << "0.00";
        QTest::newRow("one point") << "one" << "0.00" << "0.00";
        QTest::newRow("XYZr D100 closed 3 passes") << "xyzr-closed" << "314.16" << "942.48";
        QTest::newRow("XYZr open sums arcs") << "xyzr-open" << "31.42" << "31.42";
        QTest::newRow("triangle closed directly") << "direct" << "34.14" << "102.43";
        QTest::newRow("triangle closed back") << "back" << "40.00" << "120.00";
        QTest::newRow("triangle open") << "open" << "20.00" << "20.00";
        QTest::newRow("arc R5 over chord 10") << "arc" << "15.71" << "15.71";
        QTest::newRow("ring joint without D") << "ring" << "0.00" << "0.00";
    }

    void passAndSeamLength()
    {
        QFETCH(QString, shape);
        const QList<QList<float>> triangle{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
        ContourSnapshot s;
        if (shape == "empty") {
            s = contour(new SchemaXYZ, {});
        } else if (shape == "one") {
            s = contour(new SchemaXYZ, {{5, 5, 5}});
        } else if (shape == "xyzr-closed") {
            s = contour(new SchemaXYZr(100, 0, 0), {{50, 0, 0}, {0, 50, 0}, {-50, 0, 0}});
            s.ring = true;
            s.passes = 3;
        } else if (shape == "xyzr-open") {
            // Two arcs of a quarter circle of D 20 each.
            s = contour(new SchemaXYZr(20, 0, 0), {{10, 0, 0}, {0, 10, 0}, {-10, 0, 0}});
        } else if (shape == "direct" || shape == "back" || shape == "open") {
            s = contour(new SchemaXYZ, triangle);
            s.ring = shape != "open";
            s.closeDirect = shape == "direct";
            s.passes = 3;
            s.points.last().segment.type = s.ring ? SegmentParams::Line : SegmentParams::End;
        } else if (shape == "arc") {
            s = contour(new SchemaXYZ, {{0, 0, 0}, {10, 0, 0}});
            setArc(s, 0, 5, 1);
        } else if (shape == "ring") {
            s = contour(new SchemaCircle(0, 4), {{0, 1, 1, 1}, {90, 2, 2, 2}, {180, 3, 3, 3}});
        }
        const Lengths lengths = updateLength(s);
        QFETCH(QString, pass);
        QFETCH(QString, seam);
        QCOMPARE(QString::number(double(lengths.pass), 'f', 2), pass);
        QCOMPARE(QString::number(double(lengths.seam), 'f', 2), seam);
    }

    void rowsPaintedByValidity()
    {
        // Row 0: an arc that cannot span its chord; row 1: a plain line; the last row is not painted.
        ContourSnapshot s = contour(new SchemaXYZ, {{0, 0, 0}, {10.01f, 0, 0}, {20, 0, 0}});
        setArc(s, 0, 5, 0);
        const Lengths lengths = updateLength(s);
        QCOMPARE(lengths.rowValid, QVector<bool>({false, true}));
        QVERIFY(std::isfinite(lengths.pass));
        // Counted as the half circle over its chord, never "not a number".
        QCOMPARE(calcDistance(s, 0, s.coords(0), s.coords(1)), float(5 * kPi));

        setArc(s, 0, 5, 0);
        s.points[1].coords[0] = 10;
        QCOMPARE(updateLength(s).rowValid, QVector<bool>({true, true}));
        // A radius of 0 is no arc at all.
        setArc(s, 0, 0, 0);
        QCOMPARE(updateLength(s).rowValid, QVector<bool>({false, true}));
        QVERIFY(std::isfinite(updateLength(s).pass));

        // Schemes with a diameter are not painted.
        ContourSnapshot round = contour(new SchemaXYZr(10, 0, 0), {{0, 0, 0}, {30, 0, 0}});
        QVERIFY(updateLength(round).rowValid.isEmpty());
        QVERIFY(std::isfinite(updateLength(round).pass));
    }

    void segmentDistances()
    {
        ContourSnapshot s = contour(new SchemaXYZ, {{0, 0, 0}, {0, 10, 0}, {0, 10, 10}});
        setArc(s, 0, 5.9f, 0, 1);  // XZ: the chord over x and z is 0
        QCOMPARE(calcDistance(s, 0, s.coords(0), s.coords(1)), 0.0f);
        setArc(s, 0, 5.9f, 0, 0);  // XY: chord 10 under radius 5.9, not cut to 5
        QCOMPARE(calcDistance(s, 0, s.coords(0), s.coords(1)), float(2 * std::asin(10 / 11.8) * 5.9));
        setArc(s, 0, 5, 0, 7);     // no such plane
        QCOMPARE(calcDistance(s, 0, s.coords(0), s.coords(1)), 0.0f);
        QCOMPARE(calcDistance(s, 1, s.coords(1), s.coords(2)), 10.0f);
        QCOMPARE(calcDistance(s, 2, s.coords(2), s.coords(0)), 0.0f);   // "Конец"
        QCOMPARE(calcDistance(s, 3, s.coords(0), s.coords(1)), 0.0f);   // no such row
        QCOMPARE(calcDistance(s, -1, s.coords(0), s.coords(1)), 0.0f);
        // Straight lengths ignore the arcs and stop at the last row.
        QCOMPARE(calcLength(s, 3), 20.0f);
        QCOMPARE(calcLength(s, 99), 20.0f);
        QCOMPARE(calcLength(s, 1), 0.0f);

        const ContourSnapshot ring = contour(new SchemaCircle(100, 0), {{0, 0, 0, 0}, {90, 0, 0, 0}});
        QCOMPARE(calcDistance(ring, 0, ring.coords(0), ring.coords(1)), 0.0f);
        const ContourSnapshot xyzr = contour(new SchemaXYZr(100, 0, 0), {{0, 0, 0}, {50, 50, 0}});
        QCOMPARE(calcDistance(xyzr, 0, xyzr.coords(0), xyzr.coords(1)), 0.0f);
    }

    void circles()
    {
        float D = -1, cx = -1, cy = -1;
        QVERIFY(_calcD(10, 0, 0, 10, -10, 0, &D, &cx, &cy));
        QCOMPARE(D, 20.0f);
        QVERIFY(std::fabs(cx) < 1e-5f && std::fabs(cy) < 1e-5f);

        // On one line or one point there is no circle: D 0, never NaN or infinity.
        QVERIFY(!_calcD(0, 0, 1, 1, 2, 2, &D, &cx, &cy));
        QCOMPARE(D, 0.0f);
        QVERIFY(std::isfinite(cx) && std::isfinite(cy));
        QVERIFY(!_calcD(3, 3, 3, 3, 3, 3, &D, &cx, &cy));
        QCOMPARE(D, 0.0f);

        ContourSnapshot s = contour(new SchemaXYZr(0, 0, 0), {{10, 0, 5}, {0, 10, 5}, {-10, 0, 5}, {0, -10, 5}});
        Circle circle;
        QVERIFY(calcD(s, &circle));
        QCOMPARE(circle.D, 20.0f);
        QVERIFY(std::fabs(circle.cx) < 1e-5f && std::fabs(circle.cy) < 1e-5f);

        // The same values in the XZ plane stand in LX and Z.
        s = contour(new SchemaXYZr(0, 0, 1), {{12, 7, 0}, {2, 7, 10}, {-8, 7, 0}, {2, 7, -10}});
        QVERIFY(calcD(s, &circle));
        QCOMPARE(circle.D, 20.0f);
        QVERIFY(std::fabs(circle.cx - 2) < 1e-5f && std::fabs(circle.cy) < 1e-5f);

        // One point repeated: its triples on a line are left out of the mean.
        s = contour(new SchemaXYZr(0, 0, 0), {{10, 0, 0}, {0, 10, 0}, {0, 10, 0}, {-10, 0, 0}});
        QVERIFY(calcD(s, &circle));
        QCOMPARE(circle.D, 20.0f);
        // All on one line, or fewer than three points: no circle.
        s = contour(new SchemaXYZr(0, 0, 0), {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
        QVERIFY(!calcD(s, &circle));
        s = contour(new SchemaXYZr(0, 0, 0), {{0, 0, 0}, {1, 0, 0}});
        QVERIFY(!calcD(s, &circle));

        // Three-point diameter of rows row-2..row, in the asked plane.
        s = contour(new SchemaXYZ, {{0, 0, 0}, {5, 0, 5}, {10, 0, 0}, {10, 3, 0}});
        QVERIFY(calcDiameter(s, 2, 1, &D));
        QCOMPARE(D, 10.0f);
        QVERIFY(!calcDiameter(s, 2, 0, &D));   // in XY the three points lie on one line
        QCOMPARE(D, 0.0f);
        QVERIFY(!calcDiameter(s, 1, 1, &D));   // no row -1
        QVERIFY(!calcDiameter(s, 4, 1, &D));   // no row 4 (the closing segment of the last row)
        QVERIFY(!calcDiameter(s, 2, 3, &D));   // no such plane
    }

    void polarAngles_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<double>("angle");
        QTest::newRow("+x") << 1.0f << 0.0f << 0.0;
        QTest::newRow("first quadrant") << 1.0f << 1.0f << kPi / 4;
        QTest::newRow("+y") << 0.0f << 2.0f << kPi / 2;
        QTest::newRow("-x") << -1.0f << 0.0f << kPi;
        QTest::newRow("third quadrant") << -1.0f << -1.0f << 5 * kPi / 4;
        QTest::newRow("-y") << 0.0f << -3.0f << 3 * kPi / 2;
        QTest::newRow("fourth quadrant") << 1.0f << -1.0f << 7 * kPi / 4;
        QTest::newRow("origin") << 0.0f << 0.0f << 3 * kPi / 2;
    }

    void polarAngles()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(double, angle);
        QCOMPARE(getPolarAngle(x, y), float(angle));
    }

    void positionsInLinearSegments()
    {
        ContourSnapshot s = contour(new SchemaXYZ, {{0, 0, 0}, {10, 0, 4}, {10, 10, 4}});
        s.passLength = updateLength(s).pass;   // 20.8
        const float first = std::sqrt(116.0f);
        COMPARE_COORDS(interCoords(s, 1, first / 2, 0, 0, false), QList<float>({5, 0, 2}));
        COMPARE_COORDS(interCoords(s, 2, first + 5, 0, 0, false), QList<float>({10, 5, 4}));
        // The pass length itself stays in the last segment; 1.5 passes fold to half a pass.
        COMPARE_COORDS(interCoords(s, 2, s.passLength, 0, 0, false), QList<float>({10, 10, 4}));
        COMPARE_COORDS(interCoords(s, 2, 1.5f * s.passLength, 0, 0, false),
                       interCoords(s, 2, 0.5f * s.passLength, 0, 0, false));
        QVERIFY(interCoords(s, 3, 1, 0, 0, false).isEmpty());

        // Arcs of radius 5.9 (used as it is, not cut to 5) over a chord of 10 reach their end
        // point in both directions, on the side their direction gives.
        for (int direction : {0, 1}) {
            ContourSnapshot arc = contour(new SchemaXYZ, {{0, 0, 1}, {10, 0, 3}});
            setArc(arc, 0, 5.9f, direction);
            arc.passLength = updateLength(arc).pass;
            const float length = calcDistance(arc, 0, arc.coords(0), arc.coords(1));
            COMPARE_COORDS(interCoords(arc, 1, 0, 0, 0, false), QList<float>({0, 0, 1}));
            COMPARE_COORDS(interCoords(arc, 1, length, 0, 0, false), QList<float>({10, 0, 3}));
            const QList<float> middle = interCoords(arc, 1, length / 2, 0, 0, false);
            const float sagitta = 5.9f - std::sqrt(5.9f * 5.9f - 25.0f);
            COMPARE_COORDS(middle, QList<float>({5, direction == 1 ? -sagitta : sagitta, 2}));
        }

        // A half circle of R 5 in the XZ plane, counter-clockwise.
        ContourSnapshot xz = contour(new SchemaXYZ, {{0, 7, 0}, {10, 7, 0}});
        setArc(xz, 0, 5, 1, 1);
        xz.passLength = updateLength(xz).pass;
        COMPARE_COORDS(interCoords(xz, 1, xz.passLength / 2, 0, 0, false), QList<float>({5, 7, -5}));
    }

    void positionsOnRing()
    {
        // D chosen so that one degree of V is one mm of path.
        const float D = float(360 / kPi);
        ContourSnapshot s = contour(new SchemaCircle(D, 0), {{350, 0, 0, 0}, {10, 10, 20, 30}});
        s.passLength = 20;
        // V takes the short way up through 360, the other columns are linear.
        COMPARE_COORDS(interCoords(s, 1, 5, 0, 0, false), QList<float>({355, 2.5f, 5, 7.5f}));
        COMPARE_COORDS(interCoords(s, 1, 10, 0, 0, false), QList<float>({0, 5, 10, 15}));
        COMPARE_COORDS(interCoords(s, 1, 20, 0, 0, false), QList<float>({10, 10, 20, 30}));
        // And the short way down, whatever the reversal flag says.
        for (bool inverted : {false, true}) {
            ContourSnapshot down = contour(new SchemaCircle(D, 0), {{10, 0, 0, 0}, {350, 0, 0, 0}});
            down.passLength = 20;
            down.inverted = inverted;
            COMPARE_COORDS(interCoords(down, 1, 5, 0, 0, false), QList<float>({5, 0, 0, 0}));
            COMPARE_COORDS(interCoords(down, 1, 15, 0, 0, false), QList<float>({355, 0, 0, 0}));
        }
    }

    void positionsOnCircle()
    {
        ContourSnapshot s = contour(new SchemaXYZr(20, 0, 0), {{10, 0, 1}, {0, 10, 5}, {-10, 0, 1}});
        s.passLength = float(20 * kPi);
        COMPARE_COORDS(interCoords(s, 0, 0, 0, 4, true), QList<float>({10, 0, 1}));
        COMPARE_COORDS(interCoords(s, 0, s.passLength / 4, 0, 4, true), QList<float>({0, 10, 3}));
        COMPARE_COORDS(interCoords(s, 0, s.passLength / 4, 0, 4, false), QList<float>({0, -10, 3}));
        COMPARE_COORDS(interCoords(s, 0, s.passLength / 2, 0, 4, true), QList<float>({-10, 0, 5}));
        // In the XZ plane the across coordinate is LY, and the result keeps the column order.
        ContourSnapshot xz = contour(new SchemaXYZr(20, 0, 1), {{10, 6, 0}, {0, 6, 10}, {-10, 6, 0}});
        xz.passLength = float(20 * kPi);
        xz.centerX = 0;
        COMPARE_COORDS(interCoords(xz, 0, xz.passLength / 4, 0, 0, true), QList<float>({0, 6, 10}));
        ContourSnapshot yz = contour(new SchemaXYZr(20, 0, 2), {{6, 10, 0}, {6, 0, 10}});
        yz.passLength = float(20 * kPi);
        COMPARE_COORDS(interCoords(yz, 0, yz.passLength / 4, 0, 0, true), QList<float>({6, 0, 10}));
    }

    void degenerateContoursEnd()
    {
        // No pass length: nothing to fold, no division by zero, the call returns.
        ContourSnapshot s = contour(new SchemaXYZ, {{0, 0, 0}, {0, 0, 0}});
        s.passLength = 0;
        COMPARE_COORDS(interCoords(s, 1, 5, 0, 0, false), QList<float>({0, 0, 0}));
        s.passLength = -3;
        QVERIFY(finite(interCoords(s, 0, 1e30f, 0, 0, false)));
        // A far position on a short pass folds at once instead of subtracting forever.
        s = contour(new SchemaXYZ, {{0, 0, 0}, {1, 0, 0}});
        s.passLength = 1e-3f;
        QVERIFY(finite(interCoords(s, 1, 1e30f, 0, 0, false)));
        QVERIFY(finite(interCoords(s, 1, std::numeric_limits<float>::infinity(), 0, 0, false)));

        // A zero-length arc and an arc that cannot span its chord.
        ContourSnapshot arc = contour(new SchemaXYZ, {{1, 1, 1}, {1, 1, 1}, {50, 0, 0}});
        setArc(arc, 0, 5, 1);
        setArc(arc, 1, 5, 0);
        arc.passLength = updateLength(arc).pass;
        QVERIFY(std::isfinite(arc.passLength));
        COMPARE_COORDS(interCoords(arc, 1, 0.5f, 0, 0, false), QList<float>({1, 1, 1}));
        for (float d : {0.0f, 3.0f, 7.85f, 15.7f, 40.0f})
            QVERIFY(finite(interCoords(arc, 2, d, 0, 0, false)));
        // The impossible arc still ends at its end point.
        COMPARE_COORDS(interCoords(arc, 2, float(5 * kPi), 0, 0, false), QList<float>({50, 0, 0}));

        // Circle with no pass length and no points.
        ContourSnapshot circle = contour(new SchemaXYZr(20, 0, 0), {{10, 0, 0}});
        QVERIFY(finite(interCoords(circle, 0, 5, 0, 1, true)));
        QVERIFY(interCoords(contour(new SchemaXYZr(20, 0, 0), {}), 0, 5, 0, 1, true).isEmpty());
        ContourSnapshot ring = contour(new SchemaCircle(100, 0), {{0, 0, 0, 0}, {0, 0, 0, 0}});
        ring.passLength = 0;
        QVERIFY(finite(interCoords(ring, 1, 10, 0, 0, false)));
    }
};

POKAVRO_TEST_MAIN(TestContourGeometry)
#include "tst_contourgeometry.moc"
