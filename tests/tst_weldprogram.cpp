// The NC programs of a weld as functions of the editor's snapshot: the motion programs with their
// stops and restarts, the beam program, the test move and the go-to moves, compared byte for byte
// under a Russian default locale; and every refusal that keeps a program that cannot be right from
// being written at all.

#include <QLocale>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <limits>

#include "contourgeometry.h"
#include "contoursamples.h"
#include "testenv.h"
#include "threadcpu.h"
#include "weldprogram.h"

using namespace WeldProgram;

namespace {

TechRow point(float path, float Ir, float If, float speed, TechRow::Sweep sweep = TechRow::SweepNone)
{
    TechRow row;
    row.path = path;
    row.Ir = Ir;
    row.If = If;
    row.speed = speed;
    row.sweep = sweep;
    return row;
}

using ContourSamples::comment;

TechRow stop()
{
    return comment(techStopText());
}

ContourPoint at(const QList<float>& coords, int type = SegmentParams::Line)
{
    return {coords, SegmentParams{type, 0, 0, 0}};
}

// The linear contour (0,0,0) - (100,0,0) with technology rows at 0, 50 (speed 300) and the end.
ContourSnapshot twoPoints()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ());
    s.points << at({0, 0, 0}) << at({100, 0, 0}, SegmentParams::End);
    s.tech << point(0, 0, 300, 600) << point(50, 0, 300, 300) << point(100, 0, 300, 300);
    s.passLength = 100;
    s.weldSpeed = 300;
    s.contourSpeed = 600;
    return s;
}

// A closed linear contour of two passes through the points, straight but for a counter-clockwise
// arc of radius 10 in the XY plane that leaves point `arcRow`.
ContourSnapshot closedLinear(const QList<QList<float>>& points, int arcRow, bool closeDirect)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ());
    for (const QList<float>& p : points)
        s.points << at(p);
    s.points[arcRow].segment = {SegmentParams::Arc, 10, 1, 0};
    s.ring = true;
    s.closeDirect = closeDirect;
    s.passes = 2;
    return s;
}

// A closed ring joint of D 100 with four points a quarter turn apart.
ContourSnapshot quarterRing()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaCircle(100, 4));
    for (float v : {0.0f, 90.0f, 180.0f, 270.0f})
        s.points << ContourPoint{{v, 10, 20, 30}, {}};
    s.ring = true;
    s.passes = 1;
    s.passLength = 314.16f;
    s.tech << point(0, 0, 300, 600) << point(314.16f, 0, 300, 600);
    s.weldSpeed = 600;
    s.contourSpeed = 600;
    return s;
}

// A closed "XYZr" contour of D 100 about (0, 0) in the XY plane, counter-clockwise.
ContourSnapshot ccwCircle()
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZr(100, 0, 0));
    s.points << at({50, 0, 5}) << at({0, 50, 5}) << at({-50, 0, 5}) << at({0, -50, 5});
    s.ring = true;
    s.passes = 1;
    s.passLength = 314.16f;
    s.tech << point(0, 0, 300, 600) << point(314.16f, 0, 300, 600);
    s.weldSpeed = 600;
    s.contourSpeed = 1200;
    return s;
}

QString lines(const QStringList& list)
{
    return list.join(QLatin1Char('\n'));
}

// Lines of a program that match a pattern.
QStringList grep(const QString& text, const QString& pattern)
{
    return text.split(QLatin1Char('\n')).filter(QRegularExpression(pattern));
}

// A quarter of a circle of radius 10, mm.
constexpr double kQuarterArc = 5 * 3.141592653589793;

const QString kMotionHead = QStringLiteral(
    "N1 $1\nN2 COORD(1)\nN3 G4 F0.2\nN4 COORD(2)\nN5 GOTO N6\nN6 WREV(3)\nN7 WAIT\nN8 SEV(1)\n"
    "1 @AXISMOVING?=FALSE\nN9 WAIT\n");

const QString kBeamHead = QStringLiteral(
    "N1 $3\nN2 GAX(IR)\nN3 GAX(IW)\nN4 G0 IR=0.0\nN5 G0 IW=300\nN6 REV(ALL)\nN7 WAIT\nN8 G4 F0.5\n"
    "N9 SEV(3)\nN10 WAIT\nN11 WEV(1)\nN12 WAIT\nN13 G0 IR=0.0\n");

}  // namespace

Q_DECLARE_METATYPE(TechRow)

class TestWeldProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // ---- frames of one move and of one stop ----------------------------------------------------

    void stopFrames()
    {
        ContourSnapshot s = twoPoints();
        GeneratorState st;
        st.frameNo = 40;
        st.varLineNo = 3;
        st.startNo = 2;
        MotionFrames m;
        m.resume1 = QStringLiteral(" G90 G01 x=10.00 y=-2.50 z=0.00 F600.000");
        synchronizationFrames(s, st, 4, &m);
        QCOMPARE(lines(m.ch1), QStringLiteral("N40 REV(ALL)\nN41 M30\nN42 WAIT\n4 @AXISMOVING?=TRUE\n"
                                              "N43 G90 G01 x=10.00 y=-2.50 z=0.00 F600.000\nWAIT\n"
                                              "5 @AXISMOVING?=FALSE\nN44 SEV(4)\n6 @AXISMOVING?=TRUE\nN45 WAIT"));
        QVERIFY(m.ch2.isEmpty());
        QCOMPARE(st.stopCount, 1);
        QCOMPARE(st.restartLine1, 0);  // stop 1 of the second start: nothing recorded
        QCOMPARE(st.frameNo, 46);

        // The stop of this start records the frame behind its end; before any move nothing is
        // issued again.
        st = GeneratorState();
        st.frameNo = 40;
        MotionFrames first;
        synchronizationFrames(s, st, 6, &first);
        QCOMPARE(lines(first.ch1),
                 QStringLiteral("N40 REV(ALL)\nN41 M30\nN42 SEV(6)\n1 @AXISMOVING?=TRUE\nN43 WAIT"));
        QCOMPARE(st.restartLine1, 42);

        // Ring joint: channel 1 waits for the rotator, which ends and comes back on its own.
        ContourSnapshot ring = quarterRing();
        st = GeneratorState();
        st.frameNo = 30;
        MotionFrames r;
        r.resume1 = QStringLiteral(" G90 G01 x=10.00 y=20.00 z=30.00 F50.000");
        r.resume2 = QStringLiteral(" G90 G01 V=90.00 F600.000");
        synchronizationFrames(ring, st, 4, &r);
        QCOMPARE(lines(r.ch1), QStringLiteral("N30 REV(ALL)\nN31 M30\nN32 WAIT\n1 @AXISMOVING?=TRUE\n"
                                              "N33 G90 G01 x=10.00 y=20.00 z=30.00 F50.000\nWAIT\n"
                                              "2 @AXISMOVING?=FALSE\nN34 WREV(4)\nN35 WAIT\nN36 SEV(5)\n"
                                              "3 @AXISMOVING?=TRUE\nN37 WAIT"));
        QCOMPARE(lines(r.ch2), QStringLiteral("N38 ARF()\nN39 M30\nN40 G90 G01 V=90.00 F600.000\nN41 SEV(4)\n"
                                              "N42 WAIT\nN43 WEV(5)"));
        QCOMPARE(st.restartLine1, 32);
        QCOMPARE(st.restartLine2, 40);
    }

    void ringMoves_data()
    {
        QTest::addColumn<QList<float>>("from");
        QTest::addColumn<QList<float>>("to");
        QTest::addColumn<float>("F");
        QTest::addColumn<QString>("ch1");
        QTest::addColumn<QString>("ch2");
        // 350 to 10 turns the short way: 20 degrees of a ring of D 100 at 600 mm/min.
        QTest::newRow("short way, dwell") << QList<float>{350, 1, 2, 3} << QList<float>{10, 1, 2, 3} << 600.0f
                                          << "N7 G4 F1.745" << "N8 G90 G01 V=10.00 F600.000";
        QTest::newRow("manipulator arrives with the part")
            << QList<float>{0, 0, 0, 0} << QList<float>{90, 30, 40, 0} << 600.0f
            << "N7 G90 G01 x=30.00 y=40.00 z=0.00 F381.972" << "N8 G90 G01 V=90.00 F600.000";
        QTest::newRow("feed 0 turns only") << QList<float>{0, 1, 2, 3} << QList<float>{90, 5, 2, 3} << 0.0f << ""
                                           << "N7 G90 G01 V=90.00 F0.000";
        QTest::newRow("no turn keeps the feed") << QList<float>{45, 0, 0, 0} << QList<float>{45, 10, 0, 0} << 600.0f
                                                << "N7 G90 G01 x=10.00 y=0.00 z=0.00 F600.000"
                                                << "N8 G90 G01 V=45.00 F600.000";
    }
    void ringMoves()
    {
        QFETCH(QList<float>, from);
        QFETCH(QList<float>, to);
        QFETCH(float, F);
        QFETCH(QString, ch1);
        QFETCH(QString, ch2);
        GeneratorState st;
        st.frameNo = 7;
        MotionFrames m;
        mechanicalMoveFrames(quarterRing(), st, to, from, F, 0, true, &m);
        QCOMPARE(lines(m.ch1), ch1);
        QCOMPARE(lines(m.ch2), ch2);
        QVERIFY(m.finite);
        // A dwell leaves the manipulator's resume frame as it was.
        QCOMPARE(m.resume1.isEmpty(), !ch1.contains(QLatin1String("G90")));
    }

    // Arcs of the linear scheme: the plane word in a frame of its own, then the arc; walking the
    // rows backwards turns the arc the other way; a stop returns on a straight line.
    void linearArcs_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("plane");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("frames");
        QTest::newRow("ccw forward XY") << 1 << 0 << true
                                        << "N12 G17\nN13 G90 G3 x=10.00 y=5.00 R20.00 z=0.00 F600.000";
        QTest::newRow("ccw backward") << 1 << 0 << false
                                      << "N12 G17\nN13 G90 G2 x=10.00 y=5.00 R20.00 z=0.00 F600.000";
        QTest::newRow("cw forward XZ") << 0 << 1 << true
                                       << "N12 G18\nN13 G90 G2 x=10.00 z=0.00 R20.00 y=5.00 F600.000";
        QTest::newRow("cw backward YZ") << 0 << 2 << false
                                        << "N12 G19\nN13 G90 G3 y=5.00 z=0.00 R20.00 x=10.00 F600.000";
    }
    void linearArcs()
    {
        QFETCH(int, direction);
        QFETCH(int, plane);
        QFETCH(bool, forward);
        QFETCH(QString, frames);
        ContourSnapshot s = twoPoints();
        s.points[0].segment = {SegmentParams::Arc, 20, direction, plane};
        GeneratorState st;
        st.frameNo = 12;
        MotionFrames m;
        mechanicalMoveFrames(s, st, {10, 5, 0}, {0, 0, 0}, 600, 0, forward, &m);
        QCOMPARE(lines(m.ch1), frames);
        QCOMPARE(m.resume1, QStringLiteral(" G90 G01 x=10.00 y=5.00 z=0.00 F600.000"));
    }

    // ---- motion programs ---------------------------------------------------------------------

    void linearProgram()
    {
        const Programs p = genContour(twoPoints(), GeneratorState());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.text1, kMotionHead + QStringLiteral("N10 G90 G01 x=50.00 y=0.00 z=0.00 F600.000\n"
                                                       "N11 G90 G01 x=100.00 y=0.00 z=0.00 F300.000\n"
                                                       "N12 REV(ALL)\nWAIT\n1 @1=1\nN13 G4 F0.2\n"
                                                       "N14 COORD(0,2)\nN15 M30"));
        QVERIFY(p.text2.isEmpty());
        QCOMPARE(p.state.stopCount, 0);
        QCOMPARE(p.state.frameNo, 16);
    }

    // One stop between the technology rows: the first start ends there, the continuation jumps
    // behind it, and only the program that was stopped may be continued.
    void stopAndContinuation()
    {
        ContourSnapshot s = twoPoints();
        s.tech.insert(2, stop());
        const Programs full = genContour(s, GeneratorState());
        QVERIFY2(full.ok(), qPrintable(full.error));
        const QString body = QStringLiteral(
            "N10 G90 G01 x=50.00 y=0.00 z=0.00 F600.000\nN11 REV(ALL)\nN12 M30\nN13 WAIT\n"
            "2 @AXISMOVING?=TRUE\nN14 G90 G01 x=50.00 y=0.00 z=0.00 F600.000\nWAIT\n3 @AXISMOVING?=FALSE\n"
            "N15 SEV(4)\n4 @AXISMOVING?=TRUE\nN16 WAIT\nN17 G90 G01 x=100.00 y=0.00 z=0.00 F300.000\n"
            "N18 REV(ALL)\nWAIT\n1 @1=1\nN19 G4 F0.2\nN20 COORD(0,2)\nN21 M30");
        QCOMPARE(full.text1, kMotionHead + body);
        QCOMPARE(full.state.stopCount, 1);
        QCOMPARE(full.state.restartLine1, 13);
        QVERIFY(full.state.stopPending());

        GeneratorState next = full.state;
        next.startNo += 1;
        next.stopCount = 0;
        const Programs cont = genContour(s, next);
        QVERIFY2(cont.ok(), qPrintable(cont.error));
        QString expected = kMotionHead + body;
        expected.replace(QStringLiteral("N5 GOTO N6"), QStringLiteral("N5 GOTO N13"));
        QCOMPARE(cont.text1, expected);
        QCOMPARE(cont.state.startNo, 2);
        QVERIFY(!cont.state.stopPending());
        QVERIFY(continues(full.text1, cont.text1));
    }

    // The beam program of the full start runs on through every continuation and knows only the
    // motion it was started with: a continuation is only one whose motion programs are those of
    // the full start, their opening jumps aside. A change before or behind the stop (a speed, a
    // row, a point, the passes, the diameter) is refused; one the motion does not see is not.
    void continuationOnlyOfTheStartedProgram_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("continued");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("a beam current") << "current" << true;
        QTest::newRow("a speed before the stop") << "speed before" << false;
        QTest::newRow("a speed behind the stop") << "speed behind" << false;
        QTest::newRow("a row behind the stop") << "row behind" << false;
        QTest::newRow("the end point") << "end point" << false;
        QTest::newRow("circle: nothing") << "circle" << true;
        QTest::newRow("circle: the pass count") << "passes" << false;
        QTest::newRow("circle: the diameter") << "diameter" << false;
        QTest::newRow("ring joint: nothing") << "ring" << true;
        QTest::newRow("ring joint: a point's angle") << "angle" << false;
    }
    void continuationOnlyOfTheStartedProgram()
    {
        QFETCH(QString, change);
        QFETCH(bool, continued);
        ContourSnapshot s;
        if (change == "circle" || change == "passes" || change == "diameter")
            s = ccwCircle();
        else if (change == "ring" || change == "angle")
            s = quarterRing();
        else
            s = twoPoints();
        s.tech.insert(1, point(25, 0, 300, 450));
        s.tech.insert(2, stop());
        const Programs full = genContour(s, GeneratorState());
        QVERIFY2(full.ok(), qPrintable(full.error));
        QVERIFY(full.state.stopPending());

        ContourSnapshot now = s;
        if (change == "current")
            now.tech[3].Ir = 120;
        else if (change == "speed before")
            now.tech[0].speed = 500;
        else if (change == "speed behind")
            now.tech[4].speed = 200;   // the end row: the feed of the last move
        else if (change == "row behind")
            now.tech.insert(4, point(75, 0, 300, 300));
        else if (change == "end point")
            now.points[1].coords = {120, 0, 0};
        else if (change == "passes")
            now.passes = 2;
        else if (change == "diameter")
            now.schema.reset(new SchemaXYZr(120, 0, 0));
        else if (change == "angle")
            now.points[2].coords[0] = 170;
        GeneratorState next = full.state;
        next.startNo += 1;
        next.stopCount = 0;
        const Programs cont = genContour(now, next);
        QVERIFY2(cont.ok(), qPrintable(cont.error));
        QVERIFY(cont.text1 != full.text1);   // the opening jump differs in any case
        QCOMPARE(continues(full.text1, cont.text1) && continues(full.text2, cont.text2), continued);
    }

    // Two stops: events 4 and 6; each start records the restart line of its own stop.
    void twoStops()
    {
        ContourSnapshot s = twoPoints();
        s.tech.insert(2, stop());
        s.tech.insert(1, stop());
        GeneratorState st;
        Programs p = genContour(s, st);
        QCOMPARE(grep(p.text1, QStringLiteral("SEV\\(")), QStringList({"N8 SEV(1)", "N12 SEV(4)", "N19 SEV(6)"}));
        QCOMPARE(p.state.stopCount, 2);
        QCOMPARE(p.state.restartLine1, 12);  // the first stop comes before any move
        st = p.state;
        st.startNo = 2;
        st.stopCount = 0;
        p = genContour(s, st);
        QCOMPARE(grep(p.text1, QStringLiteral("GOTO")), QStringList({"N5 GOTO N12"}));
        QCOMPARE(p.state.restartLine1, 17);
        QVERIFY(p.state.stopPending());
        st = p.state;
        st.startNo = 3;
        st.stopCount = 0;
        p = genContour(s, st);
        QCOMPARE(grep(p.text1, QStringLiteral("GOTO")), QStringList({"N5 GOTO N17"}));
        QVERIFY(!p.state.stopPending());
    }

    void technologyWalk_data()
    {
        QTest::addColumn<QList<TechRow>>("tech");
        QTest::addColumn<QString>("moves");
        // A row within 0.01 mm of the segment end writes no frame of its own: its speed is the feed
        // of the end move.
        QTest::newRow("row at segment end")
            << QList<TechRow>{point(0, 0, 300, 600), point(99.995f, 0, 300, 450), point(100, 0, 300, 300)}
            << "N10 G90 G01 x=100.00 y=0.00 z=0.00 F450.000";
        // Switched-off rows and comments leave no trace; a stop text on a row that is on is no stop.
        TechRow off = point(50, 0, 300, 100);
        off.on = false;
        TechRow onStop = stop();
        onStop.on = true;
        QTest::newRow("off rows")
            << QList<TechRow>{point(0, 0, 300, 600), off, comment(QStringLiteral("шов 1")), onStop,
                              point(100, 0, 300, 300)}
            << "N10 G90 G01 x=100.00 y=0.00 z=0.00 F300.000";
        // A row at path 0 is the start point itself: no move.
        QTest::newRow("row at 0")
            << QList<TechRow>{point(0, 0, 300, 600), point(0, 0, 300, 450), point(100, 0, 300, 300)}
            << "N10 G90 G01 x=100.00 y=0.00 z=0.00 F300.000";
    }
    void technologyWalk()
    {
        QFETCH(QList<TechRow>, tech);
        QFETCH(QString, moves);
        ContourSnapshot s = twoPoints();
        s.tech = tech;
        const Programs p = genContour(s, GeneratorState());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(lines(grep(p.text1, QStringLiteral(" G90 "))), moves);
        QVERIFY(!p.text1.contains(QLatin1String("M30\nN")));  // no stop
    }

    // A segment along y: a technology row inside it moves the manipulator there, although the
    // first coordinate does not change.
    void intermediatePointAcrossX()
    {
        ContourSnapshot s = twoPoints();
        s.points[1].coords = {0, 100, 0};
        const Programs p = genContour(s, GeneratorState());
        QCOMPARE(grep(p.text1, QStringLiteral(" G90 ")),
                 QStringList({"N10 G90 G01 x=0.00 y=50.00 z=0.00 F600.000",
                              "N11 G90 G01 x=0.00 y=100.00 z=0.00 F300.000"}));
    }

    // A closed linear contour with an arc on its closing segment, two passes: the path of the
    // second pass starts where the arc ends, so the row at the start of pass 2 is met at point 0.
    void closedLinearTwoPasses()
    {
        ContourSnapshot s = closedLinear({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, 2, true);
        const float arc = float(2 * std::asin(std::sqrt(200.0) / 20) * 10);
        s.passLength = 20 + arc;
        s.tech << point(0, 0, 300, 600) << point(std::round(s.passLength * 100) / 100, 0, 300, 300)
               << point(std::round(2 * s.passLength * 100) / 100, 0, 300, 300);
        const Programs p = genContour(s, GeneratorState());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(lines(grep(p.text1, QStringLiteral(" G[0-9]"))),
                 QStringLiteral("N3 G4 F0.2\nN10 G90 G01 x=10.00 y=0.00 z=0.00 F600.000\n"
                                "N11 G90 G01 x=10.00 y=10.00 z=0.00 F600.000\nN12 G17\n"
                                "N13 G90 G3 x=0.00 y=0.00 R10.00 z=0.00 F300.000\n"
                                "N14 G90 G01 x=10.00 y=0.00 z=0.00 F300.000\n"
                                "N15 G90 G01 x=10.00 y=10.00 z=0.00 F300.000\nN16 G17\n"
                                "N17 G90 G3 x=0.00 y=0.00 R10.00 z=0.00 F300.000\nN19 G4 F0.2"));
        QVERIFY(p.text1.contains(QLatin1String("WAIT\n1 @1=0\n")));
    }

    // A linear contour closed by running back: a line (0,0,0)-(10,0,0) and a quarter arc about
    // (10,10,0) to (20,10,0), two passes of 2 x 25.71 mm. Each pass runs there and back along the
    // same segments, the arc backwards turning the other way; the technology rows of the way back
    // (one on the arc, one on the line) fall on the returning segments, a stop between them is
    // continued from there, and every pass starts again at point 0.
    void runBack()
    {
        ContourSnapshot s = closedLinear({{0, 0, 0}, {10, 0, 0}, {20, 10, 0}}, 1, false);
        s.passLength = 2 * (10 + float(kQuarterArc));
        s.tech << point(0, 0, 300, 600) << point(33.56f, 0, 300, 400) << stop() << point(46.42f, 0, 300, 300)
               << point(102.83f, 0, 300, 300);
        const Programs full = genContour(s, GeneratorState());
        QVERIFY2(full.ok(), qPrintable(full.error));
        const QString body = QStringLiteral(
            // pass 1, there
            "N10 G90 G01 x=10.00 y=0.00 z=0.00 F600.000\nN11 G17\nN12 G90 G3 x=20.00 y=10.00 R10.00 z=0.00 F600.000\n"
            // and back: half the arc to the row at 33.56, the stop there
            "N13 G17\nN14 G90 G2 x=17.07 y=2.93 R10.00 z=0.00 F600.000\nN15 REV(ALL)\nN16 M30\nN17 WAIT\n"
            "2 @AXISMOVING?=TRUE\nN18 G90 G01 x=17.07 y=2.93 z=0.00 F600.000\nWAIT\n3 @AXISMOVING?=FALSE\n"
            "N19 SEV(4)\n4 @AXISMOVING?=TRUE\nN20 WAIT\n"
            // the rest of the arc, the row at 46.42 half way down the line, point 0
            "N21 G17\nN22 G90 G2 x=10.00 y=0.00 R10.00 z=0.00 F400.000\nN23 G90 G01 x=5.00 y=0.00 z=0.00 F400.000\n"
            "WAIT\n5 @AXISMOVING?=FALSE\nN24 G90 G01 x=0.00 y=0.00 z=0.00 F300.000\n"
            // pass 2, there and back, ending on the end row at point 0
            "N25 G90 G01 x=10.00 y=0.00 z=0.00 F300.000\nN26 G17\nN27 G90 G3 x=20.00 y=10.00 R10.00 z=0.00 F300.000\n"
            "N28 G17\nN29 G90 G2 x=10.00 y=0.00 R10.00 z=0.00 F300.000\nN30 G90 G01 x=0.00 y=0.00 z=0.00 F300.000\n"
            "N31 REV(ALL)\nWAIT\n1 @1=0\nN32 G4 F0.2\nN33 COORD(0,2)\nN34 M30");
        QCOMPARE(full.text1, kMotionHead + body);
        QCOMPARE(full.state.stopCount, 1);
        QCOMPARE(full.state.restartLine1, 17);

        // The continuation jumps behind the stop on the way back and runs the same program on.
        GeneratorState next = full.state;
        next.startNo = 2;
        next.stopCount = 0;
        const Programs cont = genContour(s, next);
        QVERIFY2(cont.ok(), qPrintable(cont.error));
        QCOMPARE(cont.text1,
                 QString(kMotionHead + body).replace(QStringLiteral("N5 GOTO N6"), QStringLiteral("N5 GOTO N17")));
        QVERIFY(continues(full.text1, cont.text1));
        QVERIFY(!cont.state.stopPending());

    }

    // The ring joint: the two channels wait for each other and the beam, the manipulator dwells
    // while the part turns a quarter, the jumps land on the waits.
    void ringProgram()
    {
        const Programs p = genContour(quarterRing(), GeneratorState());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.text1, QStringLiteral("N1 $1\nN2 COORD(1)\nN3 G4 F0.2\nN4 COORD(2)\nN5 GOTO N9\n"
                                         "N8 G4 F0.5\nN9 WREV(3)\nN10 WAIT\nN11 WREV(2)\nN16 WAIT\nN17 SEV(1)\n"
                                         "1 @AXISMOVING?=FALSE\nN18 WAIT\nN19 G4 F7.854\nN21 G4 F7.854\n"
                                         "N23 G4 F7.854\nN25 G4 F7.854\nN27 REV(ALL)\nWAIT\n1 @1=0\n"
                                         "N28 G4 F0.2\nN29 COORD(0,2)\nN30 M30"));
        QCOMPARE(p.text2, QStringLiteral("N1 $2\nN6 ARF(V=0.87)\nN7 GOTO N12\nN12 SEV(2)\nN13 WAIT\nN14 WEV(1)\n"
                                         "N15 WAIT\nN20 G90 G01 V=90.00 F600.000\nN22 G90 G01 V=180.00 F600.000\n"
                                         "N24 G90 G01 V=270.00 F600.000\nN26 G90 G01 V=0.00 F600.000\n"
                                         "N31 ARF()\nN32 M30"));

        // A stop in the ring: channel 1 sets 5 after the rotator's 4; the continuation jumps both.
        ContourSnapshot s = quarterRing();
        s.tech.insert(1, point(100, 0, 300, 600));
        s.tech.insert(2, stop());
        const Programs stopped = genContour(s, GeneratorState());
        QCOMPARE(grep(stopped.text1, QStringLiteral("[SW]R?EV\\(")),
                 QStringList({"N9 WREV(3)", "N11 WREV(2)", "N17 SEV(1)", "N25 WREV(4)", "N27 SEV(5)"}));
        QCOMPARE(grep(stopped.text2, QStringLiteral("[SW]R?EV\\(")),
                 QStringList({"N12 SEV(2)", "N14 WEV(1)", "N32 SEV(4)", "N34 WEV(5)"}));
        GeneratorState st = stopped.state;
        st.startNo = 2;
        st.stopCount = 0;
        const Programs cont = genContour(s, st);
        QCOMPARE(grep(cont.text1, QStringLiteral("GOTO")), QStringList({QStringLiteral("N5 GOTO N%1").arg(st.restartLine1)}));
        QCOMPARE(grep(cont.text2, QStringLiteral("GOTO")), QStringList({QStringLiteral("N7 GOTO N%1").arg(st.restartLine2)}));
        QVERIFY(continues(stopped.text1, cont.text1));
        QVERIFY(continues(stopped.text2, cont.text2));
    }

    // Idle whole passes (no beam, no change) are left out of both programs alike; a stretch of
    // exactly whole passes keeps its last pass, so the ring's final move is never lost.
    void idlePassesOfARing_data()
    {
        QTest::addColumn<float>("passes");
        QTest::addColumn<float>("endPath");
        QTest::addColumn<int>("turns");
        QTest::addColumn<QString>("dwell");
        QTest::newRow("3 passes idle all the way") << 3.0f << 942.48f << 4 << "G4 F31.416";
        QTest::newRow("exactly 2 passes") << 2.0f << 628.32f << 4 << "G4 F31.416";
        QTest::newRow("2.6 of 3 passes") << 3.0f << 816.82f << 5 << "G4 F18.850";
    }
    void idlePassesOfARing()
    {
        QFETCH(float, passes);
        QFETCH(float, endPath);
        QFETCH(int, turns);
        QFETCH(QString, dwell);
        ContourSnapshot s = quarterRing();
        s.passes = passes;
        s.tech.last().path = endPath;
        const Programs motion = genContour(s, GeneratorState());
        QVERIFY2(motion.ok(), qPrintable(motion.error));
        QCOMPARE(grep(motion.text2, QStringLiteral(" G90 ")).size(), turns);
        QVERIFY(motion.text2.contains(QLatin1String("V=0.00 F600.000\nN")));
        const Programs beam = genTechnology(s);
        QCOMPARE(grep(beam.text3, QStringLiteral("^N14 ")).first().section(QLatin1Char(' '), 1), dwell);

        QCOMPARE(idlePasses(2.5f * 100, 100), 2);
        QCOMPARE(idlePasses(200, 100), 1);
        QCOMPARE(idlePasses(100.005f, 100), 0);
        QCOMPARE(idlePasses(500, 0), 0);
        QCOMPARE(idlePasses(500, -100), 0);
        QCOMPARE(idlePasses(500, std::numeric_limits<float>::infinity()), 0);
    }

    // "XYZr": the arcs follow the contour's own direction, a stop returns on a straight line, and
    // no arc is written from a point to itself.
    void circularInterpolation()
    {
        ContourSnapshot s = ccwCircle();
        QVERIFY(ringCcw(s));
        s.tech.insert(1, point(0, 0, 300, 600));
        s.tech.insert(2, point(78.54f, 0, 300, 600));
        s.tech.insert(3, stop());
        const Programs p = genContour(s, GeneratorState());
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(lines(grep(p.text1, QStringLiteral(" G90 "))),
                 QStringLiteral("N9 G90 G03 x=0.00 y=50.00 R50.00 z=5.00 F600.000\n"
                                "N13 G90 G01 x=0.00 y=50.00 z=5.00 F600.000\n"
                                "N16 G90 G03 x=-50.00 y=0.00 R50.00 z=5.00 F600.000\n"
                                "N17 G90 G03 x=0.00 y=-50.00 R50.00 z=5.00 F600.000\n"
                                "N18 G90 G03 x=50.00 y=0.00 R50.00 z=5.00 F600.000"));
        QVERIFY(grep(p.text1, QStringLiteral(" G17")).size() == 1);

        ContourSnapshot cw = ccwCircle();
        std::swap(cw.points[1], cw.points[3]);
        QVERIFY(!ringCcw(cw));
        QVERIFY(genContour(cw, GeneratorState()).text1.contains(QLatin1String("G02 x=0.00 y=-50.00")));
    }

    // ---- beam program ------------------------------------------------------------------------

    void beamProgram_data()
    {
        QTest::addColumn<QList<TechRow>>("tech");
        QTest::addColumn<bool>("ring");
        QTest::addColumn<QString>("body");
        const TechRow start = point(0, 0, 300, 600, TechRow::SweepOff);
        QTest::newRow("dwell") << QList<TechRow>{start, point(60, 0, 300, 600, TechRow::SweepOff)} << false
                               << "WAIT\n1 @RASTERON%=0\nN14 G4 F6.000\nWAIT\n2 @RASTERON%=0\n";
        QTest::newRow("ramp") << QList<TechRow>{start, point(60, 100, 300, 600, TechRow::SweepOff)} << false
                              << "WAIT\n1 @RASTERON%=0\nN14 G90 G01 IR=100.0 IW=300 F1000.000\nWAIT\n"
                                 "2 @RASTERON%=0\n";
        QTest::newRow("stop") << QList<TechRow>{start, stop(), point(60, 0, 300, 600)} << false
                              << "WAIT\n1 @RASTERON%=0\nN14 WREV(4)\nN15 WAIT\nN16 G4 F6.000\n";
        QTest::newRow("stops of a ring")
            << QList<TechRow>{start, stop(), point(30, 0, 300, 600), stop(), point(60, 0, 300, 600)} << true
            << "WAIT\n1 @RASTERON%=0\nN14 WEV(5)\nN15 WAIT\nN16 G4 F3.000\nN17 WEV(7)\nN18 WAIT\n"
               "N19 G4 F3.000\n";
        // A switched-off row leaves no trace: the next segment is timed from the last row that is on.
        TechRow off = point(20, 50, 300, 100, TechRow::SweepOff);
        off.on = false;
        TechRow sweep = point(60, 0, 300, 600, TechRow::SweepSet);
        sweep.raster = {4, 12.5f, 0.25f, 45, 200, -1.5f, 0, 1e-7f, 1};
        QTest::newRow("off row, sweep") << QList<TechRow>{start, off, sweep} << false
                                        << "WAIT\n1 @RASTERON%=0\nN14 G4 F6.000\nWAIT\n2 @RASTERTYPE%=4\n"
                                           "3 @RASTERAMPX=12.5\n4 @RASTERAMPY=0.25\n5 @RASTERANGLE=45\n"
                                           "6 @RASTERFREQ=200\n7 @RASTERSHIFTX=-1.5\n8 @RASTERSHIFTY=0\n"
                                           "9 @RASTERPARAM=1e-07\n10 @RASTERCW%=1\n11 @RASTERON%=1\n";
        // Without a sweep text nothing is written for it; a speed of 0 writes no motion block.
        QTest::newRow("no sweep, speed 0")
            << QList<TechRow>{point(0, 0, 300, 0), point(30, 10, 300, 600), point(60, 10, 300, 600)} << false
            << "N14 G4 F3.000\n";
    }
    void beamProgram()
    {
        QFETCH(QList<TechRow>, tech);
        QFETCH(bool, ring);
        QFETCH(QString, body);
        ContourSnapshot s = ring ? quarterRing() : twoPoints();
        s.tech = tech;
        const Programs p = genTechnology(s);
        QVERIFY2(p.ok(), qPrintable(p.error));
        const QString end = QStringLiteral("N%1 G0 IR=0.0\nN%2 G4 F1.0\nN%3 RAX(IR)\nN%4 RAX(IW)\nN%5 M30");
        const int block = body.count(QRegularExpression(QStringLiteral("(^|\\n)N"))) + 14;
        QCOMPARE(p.text3, kBeamHead + body + end.arg(block).arg(block + 1).arg(block + 2).arg(block + 3).arg(block + 4));
    }

    // ---- test move ---------------------------------------------------------------------------

    void testMove()
    {
        // The ring joint: the rotator leads, the manipulator dwells the time of each quarter.
        ContourSnapshot ring = quarterRing();
        ring.points[2].coords[0] = 0;  // 90 to 0 and 0 to 270: the short ways, 90 degrees each
        Programs p = genTestMove(ring);
        QVERIFY2(p.ok(), qPrintable(p.error));
        QCOMPARE(p.text2, QStringLiteral("N1 $2\nN5 ARF(V=0.87)\nN6 REV(ALL)\nN7 WAIT\nN8 G4 F0.5 \nN13 SEV(2)\n"
                                         "N14 WAIT\nN15 WEV(1)\nN16 WAIT\nN17 G90 G01 V=90.00 F600.000\n"
                                         "N19 G90 G01 V=0.00 F600.000\nN21 G90 G01 V=270.00 F600.000\n"
                                         "N23 G90 G01 V=0.00 F600.000\nN25 ARF()\nN26 M30"));
        QCOMPARE(p.text1, QStringLiteral("N1 $1\nN2 COORD(1)\nN3 G4 F0.2\nN4 COORD(2)\nN9 WREV(2)\nN10 WAIT\n"
                                         "N11 SEV(1)\nN12 WAIT\nN18 G4 F7.854\nN20 G4 F7.854\nN22 G4 F7.854\n"
                                         "N24 G4 F7.854\nN27 G4 F0.2\nN28 COORD(0,2)\nN29 M30"));

        // Weld speed 0: the rotator frames carry F0.000 and the manipulator does not move.
        ring.weldSpeed = 0;
        p = genTestMove(ring);
        QCOMPARE(grep(p.text2, QStringLiteral("F0.000")).size(), 4);
        QVERIFY(grep(p.text1, QStringLiteral(" G4 F")).size() == 2);  // the scheme's own dwells

        // Linear, closed by running back: no closing move; each pass runs back through the points
        // to point 0, as the weld does.
        ContourSnapshot s = twoPoints();
        s.points << at({100, 50, 0}, SegmentParams::End);
        s.ring = true;
        s.closeDirect = false;
        s.passes = 2;
        p = genTestMove(s);
        const QString there = QStringLiteral("N%1 G90 G01 x=100.00 y=0.00 z=0.00 F300.000\n"
                                             "N%2 G90 G01 x=100.00 y=50.00 z=0.00 F300.000\n");
        const QString back = QStringLiteral("N%1 G90 G01 x=100.00 y=0.00 z=0.00 F300.000\n"
                                            "N%2 G90 G01 x=0.00 y=0.00 z=0.00 F300.000");
        QCOMPARE(lines(grep(p.text1, QStringLiteral(" G90 "))),
                 there.arg(5).arg(6) + back.arg(7).arg(8) + QLatin1Char('\n') + there.arg(9).arg(10) +
                     back.arg(11).arg(12));
        s.closeDirect = true;
        QCOMPARE(grep(genTestMove(s).text1, QStringLiteral(" G90 ")).size(), 6);

        // "XYZr" counter-clockwise runs counter-clockwise.
        p = genTestMove(ccwCircle());
        QCOMPARE(lines(grep(p.text1, QStringLiteral(" G90 "))),
                 QStringLiteral("N4 G90 G03 x=0.00 y=50.00 R50.00 z=5.00 F600.000\n"
                                "N5 G90 G03 x=-50.00 y=0.00 R50.00 z=5.00 F600.000\n"
                                "N6 G90 G03 x=0.00 y=-50.00 R50.00 z=5.00 F600.000\n"
                                "N7 G90 G03 x=50.00 y=0.00 R50.00 z=5.00 F600.000"));
    }

    // The test move drives the path the weld will follow: each segment with the frame the motion
    // program writes for it, an arc as its plane word and circular frame (turning the other way
    // when the contour is run back), at the weld speed.
    void testMoveFollowsArcs_data()
    {
        QTest::addColumn<int>("arcRow");
        QTest::addColumn<bool>("ring");
        QTest::addColumn<bool>("closeDirect");
        QTest::addColumn<QString>("moves");
        QTest::newRow("open") << 1 << false << true
                              << "N5 G90 G01 x=10.00 y=0.00 z=0.00 F300.000\nN6 G17\n"
                                 "N7 G90 G3 x=10.00 y=10.00 R10.00 z=0.00 F300.000";
        QTest::newRow("arc on the closing segment") << 2 << true << true
                                                    << "N5 G90 G01 x=10.00 y=0.00 z=0.00 F300.000\n"
                                                       "N6 G90 G01 x=10.00 y=10.00 z=0.00 F300.000\nN7 G17\n"
                                                       "N8 G90 G3 x=0.00 y=0.00 R10.00 z=0.00 F300.000";
        QTest::newRow("run back") << 1 << true << false
                                  << "N5 G90 G01 x=10.00 y=0.00 z=0.00 F300.000\nN6 G17\n"
                                     "N7 G90 G3 x=10.00 y=10.00 R10.00 z=0.00 F300.000\nN8 G17\n"
                                     "N9 G90 G2 x=10.00 y=0.00 R10.00 z=0.00 F300.000\n"
                                     "N10 G90 G01 x=0.00 y=0.00 z=0.00 F300.000";
    }
    void testMoveFollowsArcs()
    {
        QFETCH(int, arcRow);
        QFETCH(bool, ring);
        QFETCH(bool, closeDirect);
        QFETCH(QString, moves);
        ContourSnapshot s = closedLinear({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, arcRow, closeDirect);
        s.ring = ring;
        s.passes = 1;
        s.weldSpeed = 300;
        const Programs test = genTestMove(s);
        QVERIFY2(test.ok(), qPrintable(test.error));
        const QString pattern = QStringLiteral("^N\\d+ (G90 |G1[789]$)");
        QCOMPARE(lines(grep(test.text1, pattern)), moves);

        // The same frames as the weld's motion program at that speed, numbers aside.
        s.tech << point(0, 0, 300, 300) << point(ContourGeometry::updateLength(s).seam, 0, 300, 300);
        const Programs weld = genContour(s, GeneratorState());
        QVERIFY2(weld.ok(), qPrintable(weld.error));
        const QRegularExpression number(QStringLiteral("^N\\d+"));
        QStringList ours = grep(test.text1, pattern), theirs = grep(weld.text1, pattern);
        ours.replaceInStrings(number, QString());
        theirs.replaceInStrings(number, QString());
        QCOMPARE(ours, theirs);
    }

    // ---- go-to-point -------------------------------------------------------------------------

    void goToPoints_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("contour");  // open, closed directly or by running back
        QTest::addColumn<bool>("forward");
        QTest::addColumn<QString>("body");
        const QString frame = QStringLiteral("N%1 G90 G01 x=%2.00 y=0.00 z=0.00 F600\nWAIT\n%3 @1=%4\n");
        QTest::newRow("2 to 5") << 2 << 5 << "open" << true
                                << frame.arg(5).arg(20).arg(1).arg(2) + frame.arg(6).arg(30).arg(2).arg(3) +
                                       frame.arg(7).arg(40).arg(3).arg(4) + frame.arg(8).arg(50).arg(4).arg(5);
        QTest::newRow("5 back to 2") << 5 << 2 << "open" << false
                                     << frame.arg(5).arg(50).arg(1).arg(5) + frame.arg(6).arg(40).arg(2).arg(4) +
                                            frame.arg(7).arg(30).arg(3).arg(3) + frame.arg(8).arg(20).arg(4).arg(2);
        QTest::newRow("the current point") << 3 << 3 << "open" << true << frame.arg(5).arg(30).arg(1).arg(3);
        QTest::newRow("no current point") << -1 << 4 << "open" << true << frame.arg(5).arg(40).arg(1).arg(4);
        QTest::newRow("closing segment") << 5 << 0 << "direct" << false << frame.arg(5).arg(0).arg(1).arg(0);
        QTest::newRow("closed, back to 4") << 5 << 4 << "direct" << false
                                           << frame.arg(5).arg(50).arg(1).arg(5) + frame.arg(6).arg(40).arg(2).arg(4);
        // Closed by running back there is no closing segment: back through every point to 0.
        QString allBack;
        for (int i = 5, visited = 1; i >= 0; --i, ++visited)
            allBack += frame.arg(10 - i).arg(10 * i).arg(visited).arg(i);
        QTest::newRow("run back, last to 0") << 5 << 0 << "back" << false << allBack;
    }
    void goToPoints()
    {
        QFETCH(int, current);
        QFETCH(int, row);
        QFETCH(QString, contour);
        QFETCH(bool, forward);
        QFETCH(QString, body);
        ContourSnapshot s = twoPoints();
        s.points.clear();
        for (int i = 0; i < 6; ++i)
            s.points << at({float(10 * i), 0, 0});
        s.ring = contour != QLatin1String("open");
        s.closeDirect = contour != QLatin1String("back");
        const GoTo g = goToPoint(s, current, row, true, {0, 0, 0});
        QVERIFY2(g.ok(), qPrintable(g.error));
        QCOMPARE(g.forward, forward);
        const int end = int(grep(body, QStringLiteral("G90")).size()) + 5;
        QCOMPARE(g.text1, QStringLiteral("N1 $1\nN2 COORD(1)\nN3 G4 F0.2\nN4 COORD(2)\n") + body +
                              QStringLiteral("N%1 G4 F0.2\nN%2 COORD(0,2)\nN%3 M30").arg(end).arg(end + 1).arg(end + 2));
        QVERIFY(g.text2.isEmpty());
    }

    void goToRing()
    {
        // From the axes at V 350 to the point at V 10 with the same manipulator position: the
        // manipulator dwells while the part turns 20 degrees; then on to the next point.
        ContourSnapshot s = quarterRing();
        s.points[0].coords = {10, 10, 20, 30};
        s.points[1].coords = {90, 40, 60, 30};
        const GoTo g = goToPoint(s, 0, 1, true, {350, 10, 20, 30});
        QVERIFY2(g.ok(), qPrintable(g.error));
        QCOMPARE(g.text2, QStringLiteral("N1 $2\nN5 ARF(V=0.87)\nN6 G4 F0.5 \nN7 G90 G01 V=10.00 F600\n"
                                         "N9 G90 G01 V=90.00 F600\nN11 ARF()\nN12 M30"));
        QCOMPARE(g.text1, QStringLiteral("N1 $1\nN2 COORD(1)\nN3 G4 F0.2\nN4 COORD(2)\nN8 G4 F1.745\nWAIT\n"
                                         "1 @1=0\nN10 G90 G01 x=40.00 y=60.00 z=30.00 F429.718\nWAIT\n2 @1=1\n"
                                         "N13 G4 F0.2\nN14 COORD(0,2)\nN15 M30"));

        // The last row is timed from the point before it, not from where the axes stood; a point
        // that the part need not turn to is reached at the traverse speed.
        ContourSnapshot q = quarterRing();
        q.points[3].coords = {180, 0, 60, 30};
        const GoTo toLast = goToPoint(q, 1, 3, true, {90, 10, 20, 30});
        QCOMPARE(grep(toLast.text1, QStringLiteral("^N([5-9]|1[0-2]) ")),
                 QStringList({"N9 G4 F7.854", "N11 G90 G01 x=0.00 y=60.00 z=30.00 F600.000"}));

        // Traverse speed 0: the part turns, the manipulator only waits.
        s.contourSpeed = 0;
        const GoTo still = goToPoint(s, 0, 1, true, {350, 10, 20, 30});
        QVERIFY(!still.text1.contains(QLatin1String(" G90 ")));
        QCOMPARE(grep(still.text2, QStringLiteral(" G90 ")).size(), 2);
    }

    void goToCircle()
    {
        // Back along a counter-clockwise circle the arcs turn clockwise; the first frame, to the
        // point the axes stand on, is left out (an arc onto itself has no direction).
        ContourSnapshot s = ccwCircle();
        GoTo g = goToPoint(s, 2, 0, true, {-50, 0, 5});
        QCOMPARE(lines(grep(g.text1, QStringLiteral(" G90 "))),
                 QStringLiteral("N4 G90 G02 x=0.00 y=50.00 R50.00 z=5.00 F1200\n"
                                "N5 G90 G02 x=50.00 y=0.00 R50.00 z=5.00 F1200"));
        QCOMPARE(g.text1.count(QLatin1String("WAIT")), 3);
        // Along the closing segment in the contour's own direction.
        g = goToPoint(s, 3, 0, true, {0, -50, 5});
        QCOMPARE(lines(grep(g.text1, QStringLiteral(" G90 "))),
                 QStringLiteral("N4 G90 G03 x=50.00 y=0.00 R50.00 z=5.00 F1200"));
        QVERIFY(!g.forward);
    }

    // A go-to needs the points it visits and what their moves are written with, nothing of the
    // whole seam: an "XYZr" contour still being taught (two points) and a contour of a million
    // passes are driven to, the arcs of a circle of two points turning by the way the move goes.
    // Without a scheme, a point, the circle's diameter or the touched row there is no go-to.
    void goToChecks_data()
    {
        QTest::addColumn<QString>("contour");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("result");  // the move frames, or the refusal
        const QString refused = QStringLiteral("[A]Переход к точке невозможен: ");
        QTest::newRow("two on a circle, forward")
            << "two on a circle" << 0 << 1 << "N4 G90 G02 x=0.00 y=50.00 R50.00 z=5.00 F1200";
        QTest::newRow("two on a circle, back")
            << "two on a circle" << 1 << 0 << "N4 G90 G03 x=50.00 y=0.00 R50.00 z=5.00 F1200";
        QTest::newRow("a million passes") << "a million passes" << 0 << 1
                                          << "N5 G90 G01 x=0.00 y=0.00 z=0.00 F600\n"
                                             "N6 G90 G01 x=100.00 y=0.00 z=0.00 F600";
        QTest::newRow("no scheme") << "no scheme" << 0 << 1 << refused + QStringLiteral("контур не задан");
        QTest::newRow("no point") << "no point" << -1 << 0 << refused + QStringLiteral("в контуре нет точек");
        QTest::newRow("circle without diameter")
            << "circle D 0" << 0 << 1 << refused + QStringLiteral("не задан диаметр контура");
        QTest::newRow("no such row") << "two on a circle" << 0 << 2 << refused + QStringLiteral("в контуре нет точки 3");
    }
    void goToChecks()
    {
        QFETCH(QString, contour);
        QFETCH(int, current);
        QFETCH(int, row);
        QFETCH(QString, result);
        ContourSnapshot s = twoPoints();
        if (contour == QLatin1String("two on a circle") || contour == QLatin1String("circle D 0")) {
            s = ccwCircle();
            s.points = s.points.mid(0, 2);
            s.ring = false;
            if (contour == QLatin1String("circle D 0"))
                s.schema.reset(new SchemaXYZr(0, 0, 0));
        } else if (contour == QLatin1String("a million passes")) {
            s.ring = true;
            s.passes = 1e6f;
        } else if (contour == QLatin1String("no scheme")) {
            s.schema.reset();
        } else if (contour == QLatin1String("no point")) {
            s.points.clear();
        }
        // The axes stand on the current point.
        const GoTo g = goToPoint(s, current, row, true, s.coords(current));
        if (result.startsWith(QLatin1String("[A]"))) {
            QCOMPARE(g.error, result);
            QVERIFY(g.text1.isEmpty() && g.text2.isEmpty());
            return;
        }
        QVERIFY2(g.ok(), qPrintable(g.error));
        QCOMPARE(lines(grep(g.text1, QStringLiteral(" G90 "))), result);
    }

    // ---- refusals ----------------------------------------------------------------------------

    void refusals_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("no scheme") << "no scheme" << "[A]Пуск невозможен: контур не задан";
        QTest::newRow("no point") << "no point" << "[A]Пуск невозможен: в контуре нет точек";
        QTest::newRow("XYZr with two points")
            << "two on a circle" << "[A]Пуск невозможен: для круговой интерполяции нужны не менее трёх точек контура";
        QTest::newRow("ring without diameter") << "ring D 0" << "[A]Пуск невозможен: не задан диаметр контура";
        QTest::newRow("nan coordinate") << "nan point" << "[A]Пуск невозможен: в контуре есть нечисловое значение";
        QTest::newRow("inf current")
            << "inf current" << "[A]Пуск невозможен: нечисловое значение в строке 2 технологической таблицы";
        QTest::newRow("negative speed")
            << "negative speed" << "[A]Пуск невозможен: отрицательная скорость в строке 2 технологической таблицы";
        QTest::newRow("no end row")
            << "no end row" << "[A]Пуск невозможен: в технологической таблице нет начальной или конечной строки";
        QTest::newRow("a million passes") << "passes" << "[A]Пуск невозможен: слишком большое число проходов";
        QTest::newRow("turn time overflows")
            << "huge ring" << "[A]Пуск невозможен: нечисловое значение в программе перемещения";
    }
    void refusals()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        ContourSnapshot s = twoPoints();
        if (fault == QLatin1String("no scheme")) {
            s.schema.reset();
        } else if (fault == QLatin1String("no point")) {
            s.points.clear();
        } else if (fault == QLatin1String("two on a circle")) {
            s.schema.reset(new SchemaXYZr(100, 0, 0));
        } else if (fault == QLatin1String("ring D 0")) {
            s = quarterRing();
            s.schema.reset(new SchemaCircle(0, 4));
        } else if (fault == QLatin1String("nan point")) {
            s.points[1].coords[2] = std::nanf("");
        } else if (fault == QLatin1String("inf current")) {
            s.tech[1].Ir = std::numeric_limits<float>::infinity();
        } else if (fault == QLatin1String("negative speed")) {
            s.tech[1].speed = -300;
        } else if (fault == QLatin1String("no end row")) {
            s.tech = {point(0, 0, 300, 600)};
        } else if (fault == QLatin1String("passes")) {
            s = quarterRing();
            s.passes = 1e6f;
        } else if (fault == QLatin1String("huge ring")) {
            s = quarterRing();
            s.schema.reset(new SchemaCircle(3e38f, 4));
            s.tech[0].speed = s.tech[1].speed = 1e-3f;
        }
        const Programs motion = genContour(s, GeneratorState());
        QCOMPARE(motion.error, message);
        QVERIFY(motion.text1.isEmpty() && motion.text2.isEmpty());
        QCOMPARE(motion.state.startNo, 1);
        if (fault != QLatin1String("huge ring")) {
            QCOMPARE(genTechnology(s).error, message);
            QVERIFY(genTechnology(s).text3.isEmpty());
        }
    }

    // A row's speed of 0 refuses the weld, naming the row, where a program would run by it: where
    // the beam program times a stretch by it (before anything is generated) or where the motion
    // program would write it as the feed of a move (the controller cannot run "F0"; refused by the
    // generation). A start row at path 0 followed by a row at path 0 in the linear and circular
    // schemes, as a template leaves a fresh table, runs nothing by it; nor does a row switched off.
    void zeroFeeds_data()
    {
        QTest::addColumn<QString>("weld");
        QTest::addColumn<int>("row");      // the row whose speed is 0
        QTest::addColumn<bool>("off");     // that row is switched off
        QTest::addColumn<int>("refused");  // the row named by the refusal (1-based), 0 for none
        QTest::newRow("linear, start row, a row at path 0") << "linear at 0" << 0 << false << 0;
        QTest::newRow("circular, start row, a row at path 0") << "circular at 0" << 0 << false << 0;
        QTest::newRow("ring joint, start row, a row at path 0") << "ring at 0" << 0 << false << 1;
        QTest::newRow("linear, start row moving on") << "linear" << 0 << false << 1;
        QTest::newRow("linear, a row inside the seam") << "linear" << 1 << false << 2;
        QTest::newRow("linear, a row at the next one's path") << "linear at 50" << 1 << false << 0;
        QTest::newRow("linear, the end row (feed of the last move)") << "linear" << 2 << false << 3;
        QTest::newRow("linear, a row switched off") << "linear" << 1 << true << 0;
        QTest::newRow("circular, the end row of a closed circle") << "circular at 0" << 2 << false << 3;
    }
    void zeroFeeds()
    {
        QFETCH(QString, weld);
        QFETCH(int, row);
        QFETCH(bool, off);
        QFETCH(int, refused);
        ContourSnapshot s = weld.startsWith(QLatin1String("linear")) ? twoPoints()
                            : weld.startsWith(QLatin1String("circular")) ? ccwCircle()
                                                                        : quarterRing();
        if (weld.endsWith(QLatin1String("at 0")))
            s.tech.insert(1, point(0, 0, 300, 600));
        if (weld.endsWith(QLatin1String("at 50")))
            s.tech.insert(2, point(50, 0, 300, 300));
        s.tech[row].speed = 0;
        s.tech[row].on = !off;
        QString reason = startProblem(s, Start::Weld);
        const Programs motion = genContour(s, GeneratorState());
        const QString refusedLine = QStringLiteral("[A]Пуск невозможен: ");
        if (reason.isEmpty() && !motion.ok()) {
            QVERIFY(motion.error.startsWith(refusedLine));
            reason = motion.error.mid(refusedLine.size());
        }
        if (refused) {
            QCOMPARE(reason, QStringLiteral("скорость в строке %1 технологической таблицы равна 0").arg(refused));
        } else {
            QCOMPARE(reason, QString());
            QVERIFY(!motion.text1.isEmpty());
            QCOMPARE(grep(motion.text1 + QLatin1Char('\n') + motion.text2, QStringLiteral(" F0\\.000")), QStringList());
            QVERIFY(genTechnology(s).ok());
        }
    }

    // The motion program of a long seam costs as much more as the rows it has more, not as the
    // points times the rows: ten times the rows on 10,000 points take well under four times as
    // long. Each is the least processor time of three runs, taken in turn with the other's, so that
    // neither a busy machine nor a busy moment decides it.
    void generationGrowsLinearly()
    {
        const ContourSnapshot seams[] = {ContourSamples::longSeam(10000, 500), ContourSamples::longSeam(10000, 5000)};
        qint64 least[] = {std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max()};
        for (int run = 0; run < 3; ++run) {
            for (int i = 0; i < 2; ++i) {
                const qint64 start = threadCpuNs();
                const Programs p = genContour(seams[i], GeneratorState());
                least[i] = std::min(least[i], threadCpuNs() - start);
                QVERIFY2(p.ok(), qPrintable(p.error));
            }
        }
        const qint64 few = least[0], many = least[1];
        QVERIFY(few > 0);
        QVERIFY2(many < 4 * few, qPrintable(QStringLiteral("500 rows %1 ms, 5000 rows %2 ms").arg(few / 1e6).arg(many / 1e6)));
    }

    // A program longer than the controller's memory holds is refused, naming the channel, the
    // bound and the sizes of the contour that make it so; the largest program inside the bound
    // is written.
    void programsBeyondTheControllersMemory_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("passes");
        QTest::addColumn<int>("rows");      // technology rows with a sweep, start and end included
        QTest::addColumn<int>("channel");   // refused, or 0
        QTest::newRow("ring joint, 270 passes") << "motion" << 270 << 2 << 2;
        QTest::newRow("ring joint, 15 passes") << "motion" << 15 << 2 << 0;
        QTest::newRow("test move, 270 passes") << "test move" << 270 << 2 << 2;
        QTest::newRow("beam, 10000 rows") << "beam" << 1 << 10000 << 3;
        QTest::newRow("beam, 5000 rows") << "beam" << 1 << 5000 << 0;
    }
    void programsBeyondTheControllersMemory()
    {
        QFETCH(QString, program);
        QFETCH(int, passes);
        QFETCH(int, rows);
        QFETCH(int, channel);
        // A ring joint of 3,600 points (a tenth of a degree each).
        ContourSnapshot s;
        s.schema.reset(new SchemaCircle(500, 3600));
        for (int i = 0; i < 3600; ++i)
            s.points << ContourPoint{{float(i) / 10.0f, 10, 20, 30}, {}};
        s.ring = true;
        s.passes = float(passes);
        s.passLength = 1570.8f;
        s.weldSpeed = 600;
        const RasterParams sweep{2, 12.5f, 12.5f, 0, 500, 0, 0, 1, 0};
        for (int r = 0; r < rows; ++r) {
            s.tech << point(1570.8f * float(passes) * float(r) / float(rows - 1), 40, 700, 600, TechRow::SweepSet);
            s.tech.last().raster = sweep;
        }
        const Programs p = program == "beam"        ? genTechnology(s)
                           : program == "test move" ? genTestMove(s)
                                                    : genContour(s, GeneratorState());
        if (channel == 0) {
            QVERIFY2(p.ok(), qPrintable(p.error));
            const int longest = std::max({p.text1.size(), p.text2.size(), p.text3.size()});
            QVERIFY(longest > kMaxProgramBytes / 2 && longest <= kMaxProgramBytes);
            return;
        }
        QCOMPARE(p.error, QStringLiteral("[A]Пуск невозможен: программа канала %1 длиннее 2 МБ, которые вмещает память "
                                         "ЧПУ (точек контура 3600, проходов %2, строк технологии %3)")
                              .arg(channel)
                              .arg(passes)
                              .arg(rows));
        QVERIFY(p.text1.isEmpty() && p.text2.isEmpty() && p.text3.isEmpty());
    }

    // Numbers that overflow in the beam program or a go-to refuse as well; a refusal of a go-to
    // names the move.
    void refusedWhileGenerating()
    {
        ContourSnapshot s = twoPoints();
        s.tech[1].Ir = 100;
        s.tech[0].speed = 3e38f;
        const Programs beam = genTechnology(s);
        QCOMPARE(beam.error, QStringLiteral("[A]Пуск невозможен: нечисловое значение в программе сварки"));
        QVERIFY(beam.text3.isEmpty());

        ContourSnapshot ring = quarterRing();
        ring.schema.reset(new SchemaCircle(3e38f, 4));
        ring.contourSpeed = 1e-3f;
        const GoTo g = goToPoint(ring, 0, 2, true, {0, 10, 0, 30});
        QCOMPARE(g.error, QStringLiteral("[A]Переход к точке невозможен: нечисловое значение в программе перемещения"));
        QVERIFY(g.text1.isEmpty() && g.text2.isEmpty());
        QCOMPARE(goToPoint(twoPoints(), 0, 7, true, {}).error,
                 QStringLiteral("[A]Переход к точке невозможен: в контуре нет точки 8"));
        ContourSnapshot none = twoPoints();
        none.schema.reset();
        QCOMPARE(genTestMove(none).error, QStringLiteral("[A]Пуск невозможен: контур не задан"));
    }

    // What keeps a start from going at all, before anything is generated: the contour checks
    // first, then a feed of 0 or less where every frame would carry it (the test move's, a go-to's)
    // and a faulty technology table. A weld row's speed is left to the generation (zeroFeeds).
    void startProblems_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("reason");
        const int weld = int(Start::Weld), test = int(Start::TestMove), goTo = int(Start::GoTo);
        QTest::newRow("weld") << "" << weld << "";
        QTest::newRow("test move") << "" << test << "";
        QTest::newRow("go-to") << "" << goTo << "";
        QTest::newRow("no scheme before a zero feed") << "no scheme" << test << "контур не задан";
        QTest::newRow("row speed 0") << "row speed 0" << weld << "скорость в строке 2 технологической таблицы равна 0";
        QTest::newRow("negative row speed") << "row speed -1" << weld
                                            << "отрицательная скорость в строке 2 технологической таблицы";
        QTest::newRow("weld speed 0") << "weld speed 0" << test << "скорость сварки равна 0";
        QTest::newRow("negative weld speed") << "weld speed -1" << test << "отрицательная скорость сварки";
        QTest::newRow("transition speed 0") << "transition speed 0" << goTo << "скорость перехода равна 0";
        // The weld alone reads the table and its speeds.
        QTest::newRow("test move, row speed 0") << "row speed 0" << test << "";
        QTest::newRow("go-to, weld speed 0") << "weld speed 0" << goTo << "";
        QTest::newRow("weld, transition speed 0") << "transition speed 0" << weld << "";
        QTest::newRow("path past the end") << "path past the end" << weld
                                           << "ошибка заполнения технологической таблицы в строке 2";
        QTest::newRow("one path, two currents") << "one path, two currents" << weld
                                                << "ошибка заполнения технологической таблицы в строке 1";
    }
    void startProblems()
    {
        QFETCH(QString, fault);
        QFETCH(int, start);
        QFETCH(QString, reason);
        ContourSnapshot s = twoPoints();
        if (fault == QLatin1String("no scheme")) {
            s.schema.reset();
            s.weldSpeed = 0;
        } else if (fault == QLatin1String("row speed 0")) {
            s.tech[1].speed = 0;
        } else if (fault == QLatin1String("row speed -1")) {
            s.tech[1].speed = -1;
        } else if (fault == QLatin1String("weld speed 0")) {
            s.weldSpeed = 0;
        } else if (fault == QLatin1String("weld speed -1")) {
            s.weldSpeed = -1;
        } else if (fault == QLatin1String("transition speed 0")) {
            s.contourSpeed = 0;
        } else if (fault == QLatin1String("path past the end")) {
            s.tech[1].path = 120;
        } else if (fault == QLatin1String("one path, two currents")) {
            s.tech[1].path = 0;
            s.tech[1].Ir = 50;
        }
        QCOMPARE(startProblem(s, Start(start)), reason);
    }

    // The table check marks what the screen paints: from the first fault down every checked row
    // is faulty; comments and the end row are not checked.
    void techTableCheck()
    {
        using M = TechTableCheck;
        const QList<TechRow> rows{point(0, 0, 300, 600), point(20, 0, 300, 600), comment(QStringLiteral("Шов")),
                                  point(150, 10, 300, 600), point(60, 10, 300, 600), point(100, 0, 300, 600)};
        const TechTableCheck check = checkTechTable(rows);
        QCOMPARE(check.firstFault, 3);
        QCOMPARE(check.marks, (QVector<M::Mark>{M::Good, M::Good, M::Unchecked, M::Faulty, M::Faulty, M::Unchecked}));
        QVERIFY(checkTechTable(rows.mid(0, 2) + rows.mid(5)).ok());
        // Equal paths with equal currents pass.
        QVERIFY(checkTechTable({point(0, 0, 300, 600), point(0, 0, 300, 600), point(100, 0, 300, 600)}).ok());

        // Only the rows the generators read count: switched-off rows at one path with other
        // currents, or past the end, are no fault (and the rows around them are compared).
        QList<TechRow> off{point(0, 0, 300, 600), point(20, 10, 300, 600), comment(QStringLiteral("Прихватки")),
                           point(20, 50, 300, 600), point(150, 0, 300, 600), point(100, 0, 300, 600)};
        off[3].on = off[4].on = false;
        const TechTableCheck offCheck = checkTechTable(off);
        QVERIFY(offCheck.ok());
        QCOMPARE(offCheck.marks, (QVector<M::Mark>{M::Good, M::Good, M::Unchecked, M::Good, M::Good, M::Unchecked}));
        off[1].path = 0;
        QCOMPARE(checkTechTable(off).firstFault, 0);
        off[1].path = 120;
        QCOMPARE(checkTechTable(off).firstFault, 1);
    }
};

POKAVRO_TEST_MAIN(TestWeldProgram)
#include "tst_weldprogram.moc"
