#include "weldprogram.h"

#include <QVector>
#include <algorithm>
#include <cmath>

#include "contourgeometry.h"

namespace WeldProgram {

namespace {

// Paths are stored with two decimals: closer than this they are one place.
constexpr float kPathTolerance = 0.01f;
// More frames than this would take the console minutes and gigabytes to write.
constexpr double kMaxMoves = 1e6;

const QString kStartRefused = QStringLiteral("[A]Пуск невозможен: ");
const QString kGoToRefused = QStringLiteral("[A]Переход к точке невозможен: ");
const QString kWait = QStringLiteral("WAIT");

// A number of the program, fixed point; a value that is not finite spoils the program.
QString fixed(double value, int decimals, bool* finite)
{
    if (!std::isfinite(value) && finite)
        *finite = false;
    return QString::number(value, 'f', decimals);
}

// Up to six significant digits without trailing zeros.
QString shortest(double value, bool* finite)
{
    if (!std::isfinite(value) && finite)
        *finite = false;
    return QString::number(value, 'g', 6);
}

bool allFinite(const QList<float>& c)
{
    return std::all_of(c.begin(), c.end(), [](float v) { return std::isfinite(v); });
}

// The scheme's point word, its coordinates and radius checked.
QString pointWord(const Schema& schema, const QList<float>& p, bool flag, bool* finite)
{
    if (finite && (!allFinite(p) || !std::isfinite(schema.R())))
        *finite = false;
    return schema.gCodePoint(p, flag);
}

QString numbered(int n, const QString& words)
{
    return QLatin1Char('N') + QString::number(n) + words;
}

QString moveFrame(const QString& word, float F, bool* finite)
{
    return QStringLiteral(" G90 ") + word + QStringLiteral(" F") + fixed(F, 3, finite);
}

// The short way between two angles of the rotator, degrees.
float foldedAngle(float a, float b)
{
    float d = std::fabs(a - b);
    if (d > 180)
        d = 360 - d;
    return d;
}

bool sameManipulatorPosition(const QList<float>& a, const QList<float>& b)
{
    return a.value(1) == b.value(1) && a.value(2) == b.value(2) && a.value(3) == b.value(3);
}

// Two points that the program writes as one ("XYZr": an arc between them has no direction).
bool sameWrittenPoint(const QList<float>& a, const QList<float>& b)
{
    for (int i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (Schema::num(a.value(i)) != Schema::num(b.value(i)))
            return false;
    }
    return true;
}

// Polar angle of a contour point about the "XYZr" centre, radians.
float polarAngle(const ContourSnapshot& s, int row)
{
    const PlaneAxes plane = planeAxes(s.schema->Aux());
    const QList<float> c = s.coords(row);
    return ContourGeometry::getPolarAngle(c.value(plane.u) - s.centerX, c.value(plane.v) - s.centerY);
}

// A closed linear contour without a closing segment: each pass returns along its own segments
// to point 0.
bool runsBack(const ContourSnapshot& s)
{
    return s.ring && !s.closeDirect && !s.schema->circle() && !s.schema->rotate();
}

int passCount(const ContourSnapshot& s)
{
    if (!s.ring)
        return 1;
    return s.passes >= 1 ? int(std::min(double(s.passes), kMaxMoves)) : 0;
}

// The length of a program text while its lines are written: each call counts the lines added
// since the last one, so that a generation can stop as soon as the program is too long.
class TextSize
{
public:
    qint64 of(const QStringList& lines)
    {
        for (; m_counted < lines.size(); ++m_counted)
            m_bytes += lines.at(m_counted).size() + (m_counted > 0 ? 1 : 0);
        return m_bytes;
    }

private:
    qint64 m_bytes = 0;
    int m_counted = 0;
};

// The channel whose program is longer than a controller holds (0 when none is).
int tooLong(const QString& text1, const QString& text2, const QString& text3 = QString())
{
    const QString* texts[] = {&text1, &text2, &text3};
    for (int i = 0; i < 3; ++i) {
        if (texts[i]->size() > kMaxProgramBytes)
            return i + 1;
    }
    return 0;
}

// Minutes the rotator needs to turn from one angle to another (the short way) at feed F along a
// ring of diameter D.
float turnTime(float D, float from, float to, float F)
{
    return float(double(D) * (double(foldedAngle(to, from)) * M_PI) / (double(F) * 360.0));
}

// The manipulator's share of a ring move that turns for t minutes: a dwell while only the part
// turns, else a straight move timed to arrive together with the part (at feed F when the part does
// not turn). Returns the frame; *feed is the manipulator's feed, or -1 for a dwell.
QString matchedManipulator(const Schema& schema, int n, const QList<float>& to, const QList<float>& from, float t,
                           float F, float* feed, bool* finite)
{
    if (sameManipulatorPosition(to, from)) {
        *feed = -1;
        return numbered(n, QStringLiteral(" G4 F") + fixed(t * 60.0f, 3, finite));
    }
    const double d1 = to.value(1) - from.value(1), d2 = to.value(2) - from.value(2), d3 = to.value(3) - from.value(3);
    *feed = t != 0 ? float(std::sqrt(d1 * d1 + d2 * d2 + d3 * d3) / double(t)) : F;
    return numbered(n, moveFrame(pointWord(schema, to, false, finite), *feed, finite));
}

// The frames of one segment of the linear scheme, to `to` at feed F: a straight frame, or for an
// arc its plane word in a frame of its own and then the circular frame. The arc turns left (G3)
// when a counter-clockwise arc is walked forward or a clockwise one backwards.
void linearSegmentFrames(const Schema& schema, const SegmentParams& segment, const QList<float>& to, float F,
                         bool forward, int* frameNo, QStringList* out, bool* finite)
{
    if (segment.type <= SegmentParams::Line) {
        *out << manipulatorFrame(schema, (*frameNo)++, to, F, finite);
        return;
    }
    const QString R = fixed(segment.radius, 2, finite);
    if (!allFinite(to))
        *finite = false;
    const QString coords = arcTarget(segment.plane, to, R);
    *out << numbered((*frameNo)++, planeWord(segment.plane));
    const QString arcWord = (segment.direction == 1) == forward ? QStringLiteral(" G3 ") : QStringLiteral(" G2 ");
    *out << arcFrame((*frameNo)++, coords, arcWord, F, finite);
}

// The segment parameters of contour row `row` (none outside the contour).
SegmentParams segmentOf(const ContourSnapshot& s, int row)
{
    return row >= 0 && row < s.points.size() ? s.points.at(row).segment : SegmentParams();
}

// The two channel programs of a test move or a go-to: each headed by its channel and the scheme's
// preamble, numbered from one counter, and closed by the scheme's closing lines.
class MoveProgram
{
public:
    explicit MoveProgram(const Schema& schema) : m_schema(schema), m_ring(schema.circle())
    {
        ch1 << QStringLiteral("N1 $1") << schema.gCodeInitChan1(&m_k);
        if (m_ring)
            ch2 << QStringLiteral("N1 $2") << schema.gCodeInitChan2(&m_k);
    }
    void frame1(const QString& words) { ch1 << numbered(m_k++, words); }
    void frame2(const QString& words) { ch2 << numbered(m_k++, words); }
    // One move from `from` to `to` at feed F, written as feedText; `flag` is the arc direction of
    // "XYZr", which writes no arc from a point to itself.
    void move(const QList<float>& to, const QList<float>& from, float F, const QString& feedText, bool flag)
    {
        if (m_ring)
            ringMove(to, from, F, feedText);
        else if (!(m_schema.rotate() && sameWrittenPoint(to, from)))
            frame1(QStringLiteral(" G90 ") + pointWord(m_schema, to, flag, &finite) + QStringLiteral(" F") + feedText);
    }
    // One segment of the contour, from `from` to `to`, with the frames the weld's motion program
    // writes for it: a linear arc (the parameters of contour row `row`, walked forward or back)
    // as a circular frame; every other move as move() writes it.
    void segment(const ContourSnapshot& s, int row, bool forward, const QList<float>& to, const QList<float>& from,
                 float F, const QString& feedText, bool flag)
    {
        if (m_schema.linear())
            linearSegmentFrames(m_schema, segmentOf(s, row), to, F, forward, &m_k, &ch1, &finite);
        else
            move(to, from, F, feedText, flag);
    }
    // Closes both programs; false when a number was not finite.
    bool finish(QString* text1, QString* text2)
    {
        if (m_ring) {
            ch2 << m_schema.gCodeUninitChan2(&m_k);
            frame2(QStringLiteral(" M30"));
        }
        ch1 << m_schema.gCodeUninitChan1(&m_k);
        frame1(QStringLiteral(" M30"));
        if (!finite)
            return false;
        *text1 = ch1.join(QLatin1Char('\n'));
        *text2 = ch2.join(QLatin1Char('\n'));
        return true;
    }

    QStringList ch1, ch2;
    bool finite = true;

private:
    // The ring's rotator frame to `to` and the manipulator's matching frame; nothing for the
    // manipulator at feed 0 or when nothing moves.
    void ringMove(const QList<float>& to, const QList<float>& from, float F, const QString& feedText)
    {
        frame2(QStringLiteral(" G90 ") + pointWord(m_schema, to, true, &finite) + QStringLiteral(" F") + feedText);
        const float t = F != 0 ? turnTime(m_schema.D(), from.value(0), to.value(0), F) : 0.0f;
        if (F == 0 || (t == 0 && sameManipulatorPosition(to, from)))
            return;
        float feed = 0;
        ch1 << matchedManipulator(m_schema, m_k++, to, from, t, F, &feed, &finite);
    }

    const Schema& m_schema;
    const bool m_ring;
    int m_k = 2;
};

}  // namespace

// ---- single frames -------------------------------------------------------------------------------

QString rotateFrame(const Schema& schema, int n, const QList<float>& p, float F, bool* finite)
{
    return numbered(n, moveFrame(pointWord(schema, p, true, finite), F, finite));
}

QString manipulatorFrame(const Schema& schema, int n, const QList<float>& p, float F, bool* finite)
{
    return numbered(n, moveFrame(pointWord(schema, p, false, finite), F, finite));
}

QString circleFrame(const Schema& schema, int n, const QList<float>& p, float F, bool ccw, bool* finite)
{
    return numbered(n, moveFrame(pointWord(schema, p, ccw, finite), F, finite));
}

QString arcFrame(int n, const QString& coords, const QString& arcWord, float F, bool* finite)
{
    return numbered(n, QStringLiteral(" G90") + arcWord + coords + QStringLiteral(" F") + fixed(F, 3, finite));
}

// ---- motion frames -------------------------------------------------------------------------------

void mechanicalMoveFrames(const ContourSnapshot& s, GeneratorState& st, const QList<float>& to,
                          const QList<float>& from, float F, int row, bool forward, MotionFrames* out)
{
    const Schema& schema = *s.schema;
    bool* finite = &out->finite;

    if (schema.rotate()) {
        out->ch1 << circleFrame(schema, st.frameNo++, to, F, st.ringCcw, finite);
        // A straight return after a stop: the axes may stand anywhere by then, and an arc from
        // the target to itself has no direction.
        out->resume1 = moveFrame(Schema::lineWord(to.value(0), to.value(1), to.value(2)), F, finite);
        return;
    }

    if (schema.circle()) {
        if (F != 0) {
            float feed = 0;
            out->ch1 << matchedManipulator(schema, st.frameNo++, to, from,
                                           turnTime(schema.D(), from.value(0), to.value(0), F), F, &feed, finite);
            // A dwell leaves the manipulator where its last move took it.
            if (feed >= 0)
                out->resume1 = moveFrame(pointWord(schema, to, false, finite), feed, finite);
        }
        out->ch2 << rotateFrame(schema, st.frameNo++, to, F, finite);
        out->resume2 = moveFrame(pointWord(schema, to, true, finite), F, finite);
        return;
    }

    linearSegmentFrames(schema, segmentOf(s, row), to, F, forward, &st.frameNo, &out->ch1, finite);
    // After a stop the manipulator returns on a straight line, also onto an arc.
    out->resume1 = moveFrame(pointWord(schema, to, false, finite), F, finite);
}

void synchronizationFrames(const ContourSnapshot& s, GeneratorState& st, int event, MotionFrames* out)
{
    const bool ring = s.schema->circle();
    auto frame1 = [&](const QString& words) { out->ch1 << numbered(st.frameNo++, words); };
    auto frame2 = [&](const QString& words) { out->ch2 << numbered(st.frameNo++, words); };
    auto variable = [&](const QString& text) { out->ch1 << QString::number(++st.varLineNo) + text; };
    const QString n = QString::number(event), n1 = QString::number(event + 1);

    ++st.stopCount;
    frame1(QStringLiteral(" REV(ALL)"));
    frame1(QStringLiteral(" M30"));
    if (st.stopCount == st.startNo)
        st.restartLine1 = st.frameNo;
    if (!out->resume1.isEmpty()) {
        frame1(QStringLiteral(" WAIT"));
        variable(QStringLiteral(" @AXISMOVING?=TRUE"));
        frame1(out->resume1);
        out->ch1 << kWait;
        variable(QStringLiteral(" @AXISMOVING?=FALSE"));
    }
    if (ring) {
        frame1(QStringLiteral(" WREV(") + n + QLatin1Char(')'));
        frame1(QStringLiteral(" WAIT"));
        frame1(QStringLiteral(" SEV(") + n1 + QLatin1Char(')'));
    } else {
        frame1(QStringLiteral(" SEV(") + n + QLatin1Char(')'));
    }
    variable(QStringLiteral(" @AXISMOVING?=TRUE"));
    frame1(QStringLiteral(" WAIT"));

    if (!ring)
        return;
    out->ch2 << s.schema->gCodeUninitChan2(&st.frameNo);
    frame2(QStringLiteral(" M30"));
    if (st.stopCount == st.startNo)
        st.restartLine2 = st.frameNo;
    if (!out->resume2.isEmpty())
        frame2(out->resume2);
    frame2(QStringLiteral(" SEV(") + n + QLatin1Char(')'));
    frame2(QStringLiteral(" WAIT"));
    frame2(QStringLiteral(" WEV(") + n1 + QLatin1Char(')'));
}

// ---- checks --------------------------------------------------------------------------------------

namespace {

// A feed of the start that is not above 0, named as the operator knows it.
QString feedProblem(float speed, const QString& name)
{
    if (speed < 0)
        return QStringLiteral("отрицательная ") + name;
    if (speed == 0)
        return name + QStringLiteral(" равна 0");
    return {};
}

QString rowSpeedProblem(float speed, int row)
{
    return feedProblem(speed, QStringLiteral("скорость в строке %1 технологической таблицы").arg(row + 1));
}

// Why no move along the contour can be written ("" when one can): no scheme, no point, no
// diameter of a scheme whose moves need one (the radius of its arcs, the ring's travel per degree).
QString checkPoints(const ContourSnapshot& s)
{
    if (!s.schema)
        return QStringLiteral("контур не задан");
    if (s.points.isEmpty())
        return QStringLiteral("в контуре нет точек");
    const Schema& schema = *s.schema;
    if ((schema.rotate() || schema.circle()) && !(schema.D() > 0 && std::isfinite(schema.D())))
        return QStringLiteral("не задан диаметр контура");
    return {};
}

// Why the contour cannot be generated ("" when it can): the checks of checkPoints, fewer than
// three points for "XYZr", a value that is not finite, too many moves; with `technology` also a
// technology table without its start and end rows and a negative speed.
QString checkContour(const ContourSnapshot& s, bool technology)
{
    const QString points = checkPoints(s);
    if (!points.isEmpty())
        return points;
    const Schema& schema = *s.schema;
    if (schema.rotate() && s.points.size() < 3)
        return QStringLiteral("для круговой интерполяции нужны не менее трёх точек контура");
    for (const ContourPoint& p : s.points) {
        if (!allFinite(p.coords) || !std::isfinite(p.segment.radius))
            return QStringLiteral("в контуре есть нечисловое значение");
    }
    if (!std::isfinite(s.passLength) || !std::isfinite(s.passes) || !std::isfinite(s.weldSpeed) ||
        !std::isfinite(s.contourSpeed) || !std::isfinite(s.centerX) || !std::isfinite(s.centerY))
        return QStringLiteral("нечисловое значение скорости, длины или числа проходов");
    if (double(passCount(s)) * double(s.points.size() + (technology ? s.tech.size() : 0)) > kMaxMoves)
        return QStringLiteral("слишком большое число проходов");
    if (!technology)
        return {};
    if (s.tech.size() < 2 || s.tech.first().isComment() || s.tech.last().isComment())
        return QStringLiteral("в технологической таблице нет начальной или конечной строки");
    for (int r = 0; r < s.tech.size(); ++r) {
        const TechRow& row = s.tech.at(r);
        if (row.isComment())
            continue;
        const RasterParams& sweep = row.raster;
        if (!std::isfinite(row.path) || !std::isfinite(row.Ir) || !std::isfinite(row.If) ||
            !std::isfinite(row.speed) || !std::isfinite(sweep.ampX) || !std::isfinite(sweep.ampY) ||
            !std::isfinite(sweep.shiftX) || !std::isfinite(sweep.shiftY) || !std::isfinite(sweep.param))
            return QStringLiteral("нечисловое значение в строке %1 технологической таблицы").arg(r + 1);
        if (row.speed < 0 && (row.on || r == 0))
            return rowSpeedProblem(row.speed, r);
    }
    return {};
}

// A generated number that is not finite.
const QString kMotionNotFinite = QStringLiteral("нечисловое значение в программе перемещения");
const QString kBeamNotFinite = QStringLiteral("нечисловое значение в программе сварки");

}  // namespace

QString programTooLarge(int channel)
{
    return QStringLiteral("программа канала %1 длиннее %2 МБ, которые вмещает память ЧПУ")
        .arg(channel)
        .arg(kMaxProgramBytes >> 20);
}

QString programTooLarge(int channel, const ContourSnapshot& s)
{
    return programTooLarge(channel) + QStringLiteral(" (точек контура %1, проходов %2, строк технологии %3)")
                                          .arg(s.points.size())
                                          .arg(passCount(s))
                                          .arg(s.tech.size());
}

bool ringCcw(const ContourSnapshot& s)
{
    if (!s.schema || s.points.size() < 3)
        return false;
    const float A = polarAngle(s, 0), B = polarAngle(s, 1), C = polarAngle(s, 2);
    return (A <= B && B <= C) || (C < A && A <= B) || (B <= C && C < A);
}

int idlePasses(float path, float L)
{
    if (!(L > 0) || !std::isfinite(L) || !std::isfinite(path))
        return 0;
    const double passes = (double(path) - double(kPathTolerance)) / double(L);
    if (!(passes > 1))
        return 0;
    return int(std::min(std::ceil(passes) - 1, kMaxMoves));
}

// ---- motion programs -----------------------------------------------------------------------------

namespace {

// One walk along the contour and the technology table together.
class ContourWalk
{
public:
    ContourWalk(const ContourSnapshot& s, GeneratorState& st, MotionFrames& m)
        : s(s), schema(*s.schema), st(st), m(m), ring(schema.circle()), rotate(schema.rotate()),
          linear(!ring && !rotate), n(s.points.size()), L(s.passLength)
    {
    }

    void run()
    {
        const TechRow& first = s.tech.first();
        P = s.coords(0);
        F = first.speed;
        lastPath = first.path;
        lastIr = first.Ir;
        lastIf = first.If;
        passes = passCount(s);
        if (rotate) {
            st.ringCcw = ringCcw(s);
            startAngle = float(double(polarAngle(s, 0)) * 180.0 / M_PI);
            const PlaneAxes plane = planeAxes(schema.Aux());
            rise = std::fabs(s.coords(0).value(plane.across) - s.coords(n / 2).value(plane.across));
        }
        // The path at each point, measured once: a row inside a segment finds its position from it.
        if (!rotate)
            paths = ContourGeometry::pointPaths(s);
        const bool closing = s.ring && (!linear || s.closeDirect);
        const bool runBack = runsBack(s);
        for (pass = 0; pass < passes && !ended(); ++pass) {
            for (int p = 1; p < n && !ended(); ++p)
                segment({p - 1, p, p - 1, p, false, false});
            if (closing && n > 1 && !ended())
                segment({n - 1, 0, n - 1, 0, true, false});
            for (int p = n - 1; runBack && p > 0 && !ended(); --p)
                segment({p, p - 1, p - 1, p, false, true});
        }
    }

    // The channel whose program grew beyond kMaxProgramBytes, which ended the walk (0: none).
    int tooLong() const { return m_tooLong; }
    // The technology row whose speed, 0 or less, was to be written as the feed of a move, which
    // ended the walk (-1: none).
    int badFeedRow() const { return m_badFeedRow; }

private:
    // One segment of the walk, from point `from` to point `to`. `row` holds its segment
    // parameters; `along` is the row through which interCoords finds it (its end row in the
    // forward direction, 0 for the closing segment); `back`: walked from its end to its start.
    struct Segment {
        int from, to, row, along;
        bool closing, back;
    };

    void segment(const Segment& g)
    {
        const QList<float> S = s.coords(g.from);
        QList<float> E = s.coords(g.to);
        P = S;
        if (linear)
            segmentEnd += ContourGeometry::calcDistance(s, g.row, g.back ? S : E, g.back ? E : S);
        else if (rotate)
            segmentEnd = g.closing ? float(pass + 1) * L : segmentEnd + schema.distance(E, S);
        else if (g.closing)
            segmentEnd = float(double(schema.D()) * M_PI * double(pass + 1));
        else
            segmentEnd += float(double(schema.D()) * M_PI * double(foldedAngle(E.value(0), S.value(0))) / 360.0);

        walk(g, E);

        if (ring && !E.isEmpty() && E[0] >= 360)
            E[0] = std::fmod(E[0], 360.0f);
        move(E, g);
        P = E;
        if (m_size1.of(m.ch1) > kMaxProgramBytes)
            m_tooLong = 1;
        else if (m_size2.of(m.ch2) > kMaxProgramBytes)
            m_tooLong = 2;
    }

    // The point at path `path` of the segment. Walked back, a segment passes the points of its
    // forward way in reverse: as far from its end as the forward way is from its start.
    QList<float> pointAt(const Segment& g, float path) const
    {
        if (path == 0)
            return P;
        const float distance = g.back ? paths.value(g.to) + (segmentEnd - path) : path;
        return ContourGeometry::interCoords(s, g.along, distance, startAngle, rise, st.ringCcw, paths);
    }

    void walk(const Segment& g, const QList<float>& E)
    {
        for (int r = next; r < s.tech.size(); ++r) {
            const TechRow& row = s.tech.at(r);
            if (row.isComment() || !row.on) {
                if (!row.on && row.isStop()) {
                    synchronizationFrames(s, st, event, &m);
                    stopMade = true;
                    event += 2;
                }
                continue;
            }
            const float path = row.path;
            if ((linear || (rotate && g.closing)) && std::fabs(path - segmentEnd) < kPathTolerance) {
                // The row lies at the segment's end: its speed is the feed of the end move.
                take(row, r);
                next = r + 1;
                return;
            }
            if (!linear)
                skipIdlePasses(row);
            if (path >= segmentEnd) {
                next = r;
                return;
            }
            const QList<float> M = pointAt(g, path);
            if (intermediateMove(M, E, g.closing))
                move(M, g);
            if (stopMade) {
                m.ch1 << kWait << QString::number(++st.varLineNo) + QStringLiteral(" @AXISMOVING?=FALSE");
                stopMade = false;
            }
            take(row, r);
            P = M;
        }
        next = s.tech.size();
    }

    // Whole passes of an idle stretch (no beam, no change) are not walked: the beam program
    // leaves the same passes out of its dwell, so that both stay in step.
    void skipIdlePasses(const TechRow& row)
    {
        if (!schema.round() || row.Ir != 0 || row.Ir != lastIr || row.If != lastIf)
            return;
        const int k = std::min(idlePasses(row.path - lastPath, L), passes - 1 - pass);
        if (k <= 0)
            return;
        lastPath += float(k) * L;
        segmentEnd += float(k) * L;
        pass += k;
    }

    bool intermediateMove(const QList<float>& M, const QList<float>& E, bool closing) const
    {
        if (linear) {
            if (closing)
                return true;
            for (int i = 0; i < std::max(M.size(), P.size()); ++i) {
                if (std::fabs(M.value(i) - P.value(i)) > kPathTolerance)
                    return true;
            }
            return false;
        }
        if (rotate)
            return true;
        return foldedAngle(std::fmod(M.value(0), 360.0f), std::fmod(E.value(0), 360.0f)) > kPathTolerance;
    }

    void move(const QList<float>& to, const Segment& g)
    {
        if (rotate && sameWrittenPoint(to, P))
            return;
        if (!(F > 0)) {
            m_badFeedRow = feedRow;
            return;
        }
        mechanicalMoveFrames(s, st, to, P, F, g.row, !g.back, &m);
    }

    bool ended() const { return m_tooLong || m_badFeedRow >= 0; }

    void take(const TechRow& row, int r)
    {
        feedRow = r;
        F = row.speed;
        lastPath = row.path;
        lastIr = row.Ir;
        lastIf = row.If;
    }

    const ContourSnapshot& s;
    const Schema& schema;
    GeneratorState& st;
    MotionFrames& m;
    const bool ring, rotate, linear;
    const int n;
    const float L;

    QList<float> P;
    float F = 0;
    int feedRow = 0;                // the technology row whose speed F is
    float lastPath = 0;
    float lastIr = 0, lastIf = 0;
    float segmentEnd = 0;
    int next = 1;
    int event = 4;
    bool stopMade = false;
    int pass = 0;
    int passes = 1;
    float startAngle = 0;
    float rise = 0;
    QVector<float> paths;           // the path at each point of the first way (not "XYZr")
    TextSize m_size1, m_size2;
    int m_tooLong = 0;
    int m_badFeedRow = -1;
};

}  // namespace

Programs genContour(const ContourSnapshot& s, GeneratorState st)
{
    Programs out;
    out.state = st;
    const QString reason = checkContour(s, true);
    if (!reason.isEmpty()) {
        out.error = kStartRefused + reason;
        return out;
    }
    const Schema& schema = *s.schema;
    const bool ring = schema.circle();
    MotionFrames m;
    auto frame1 = [&](const QString& words) { m.ch1 << numbered(st.frameNo++, words); };
    auto frame2 = [&](const QString& words) { m.ch2 << numbered(st.frameNo++, words); };
    auto jump = [&](int line) { return QStringLiteral(" GOTO N") + QString::number(line); };

    st.frameNo = 2;
    st.varLineNo = 0;
    m.ch1 << QStringLiteral("N1 $1") << schema.gCodeInitChan1(&st.frameNo);
    if (!ring) {
        // A first start jumps onto its own wait for the beam channel.
        frame1(jump(st.startNo == 1 ? st.frameNo + 1 : st.restartLine1));
        frame1(QStringLiteral(" WREV(3)"));
    } else {
        frame1(jump(st.startNo == 1 ? st.frameNo + 4 : st.restartLine1));
        m.ch2 << QStringLiteral("N1 $2") << schema.gCodeInitChan2(&st.frameNo);
        frame2(jump(st.startNo == 1 ? st.frameNo + 5 : st.restartLine2));
        frame1(QStringLiteral(" G4 F0.5"));
        frame1(QStringLiteral(" WREV(3)"));
        frame1(QStringLiteral(" WAIT"));
        frame1(QStringLiteral(" WREV(2)"));
        frame2(QStringLiteral(" SEV(2)"));
        frame2(QStringLiteral(" WAIT"));
        frame2(QStringLiteral(" WEV(1)"));
        frame2(QStringLiteral(" WAIT"));
    }
    frame1(QStringLiteral(" WAIT"));
    frame1(QStringLiteral(" SEV(1)"));
    m.ch1 << QString::number(++st.varLineNo) + QStringLiteral(" @AXISMOVING?=FALSE");
    frame1(QStringLiteral(" WAIT"));

    ContourWalk walk(s, st, m);
    walk.run();
    if (walk.tooLong()) {
        out.error = kStartRefused + programTooLarge(walk.tooLong(), s);
        return out;
    }
    if (walk.badFeedRow() >= 0) {
        out.error = kStartRefused + rowSpeedProblem(s.tech.at(walk.badFeedRow()).speed, walk.badFeedRow());
        return out;
    }

    frame1(QStringLiteral(" REV(ALL)"));
    m.ch1 << kWait << QStringLiteral("1 @1=") + QString::number(s.ring ? 0 : s.points.size() - 1);
    m.ch1 << schema.gCodeUninitChan1(&st.frameNo);
    frame1(QStringLiteral(" M30"));
    if (ring) {
        m.ch2 << schema.gCodeUninitChan2(&st.frameNo);
        frame2(QStringLiteral(" M30"));
    }
    if (!m.finite) {
        out.error = kStartRefused + kMotionNotFinite;
        return out;
    }
    out.text1 = m.ch1.join(QLatin1Char('\n'));
    out.text2 = m.ch2.join(QLatin1Char('\n'));
    if (const int channel = tooLong(out.text1, out.text2)) {
        out = Programs();
        out.error = kStartRefused + programTooLarge(channel, s);
        return out;
    }
    out.state = st;
    return out;
}

// ---- beam program --------------------------------------------------------------------------------

Programs genTechnology(const ContourSnapshot& s)
{
    Programs out;
    const QString reason = checkContour(s, true);
    if (!reason.isEmpty()) {
        out.error = kStartRefused + reason;
        return out;
    }
    bool finite = true;
    const bool ring = s.schema->circle();
    const TechRow& first = s.tech.first();
    QStringList lines{QStringLiteral("N1 $3"),
                      QStringLiteral("N2 GAX(IR)"),
                      QStringLiteral("N3 GAX(IW)"),
                      QStringLiteral("N4 G0 IR=0.0"),
                      QStringLiteral("N5 G0 IW=") + fixed(first.If, 0, &finite),
                      QStringLiteral("N6 REV(ALL)"),
                      QStringLiteral("N7 WAIT"),
                      QStringLiteral("N8 G4 F0.5"),
                      QStringLiteral("N9 SEV(3)"),
                      QStringLiteral("N10 WAIT"),
                      QStringLiteral("N11 WEV(1)"),
                      QStringLiteral("N12 WAIT"),
                      QStringLiteral("N13 G0 IR=") + fixed(first.Ir, 1, &finite)};
    int block = 14;
    int event = 4;
    int variable = 0;
    auto frame = [&](const QString& words) { lines << numbered(block++, words); };
    auto assign = [&](const char* name, const QString& value) {
        lines << QString::number(++variable) + QStringLiteral(" @") + QLatin1String(name) + QLatin1Char('=') + value;
    };
    auto sweep = [&](const TechRow& row) {
        if (row.sweep == TechRow::SweepNone)
            return;
        lines << kWait;
        if (row.sweep == TechRow::SweepOff) {
            assign("RASTERON%", QStringLiteral("0"));
            return;
        }
        const RasterParams& r = row.raster;
        assign("RASTERTYPE%", QString::number(r.type));
        assign("RASTERAMPX", shortest(r.ampX, &finite));
        assign("RASTERAMPY", shortest(r.ampY, &finite));
        assign("RASTERANGLE", QString::number(r.angle));
        assign("RASTERFREQ", QString::number(r.freq));
        assign("RASTERSHIFTX", shortest(r.shiftX, &finite));
        assign("RASTERSHIFTY", shortest(r.shiftY, &finite));
        assign("RASTERPARAM", shortest(r.param, &finite));
        assign("RASTERCW%", QString::number(r.reverse));
        assign("RASTERON%", QStringLiteral("1"));
    };

    float prevPath = 0;
    float prevSpeed = first.speed;
    float prevIr = first.Ir;
    float prevIf = first.If;
    const float L = s.passLength;
    sweep(first);
    for (int r = 1; r < s.tech.size(); ++r) {
        const TechRow& row = s.tech.at(r);
        if (row.isComment() || !row.on) {
            if (!row.on && row.isStop()) {
                // Waits there until the motion program has come back from the stop.
                frame(ring ? QStringLiteral(" WEV(%1)").arg(event + 1) : QStringLiteral(" WREV(%1)").arg(event));
                frame(QStringLiteral(" WAIT"));
                event += 2;
            }
            continue;
        }
        if (prevSpeed != 0) {
            const float path = std::fabs(row.path - prevPath);
            float t = path / prevSpeed;
            if (t != 0) {
                if (row.If == prevIf && row.Ir == prevIr) {
                    // The beam stays off over whole idle passes, which the motion program leaves
                    // out as well.
                    if (s.schema->round() && row.Ir == 0 && prevSpeed > 0)
                        t = (path - float(idlePasses(path, L)) * L) / prevSpeed;
                    frame(QStringLiteral(" G4 F") + fixed(60 * t, 3, &finite));
                } else {
                    const float dIr = (row.Ir - prevIr) / t, dIf = (row.If - prevIf) / t;
                    const float rate = std::sqrt(dIr * dIr + dIf * dIf);
                    frame(QStringLiteral(" G90 G01 IR=") + fixed(row.Ir, 1, &finite) + QStringLiteral(" IW=") +
                          fixed(row.If, 0, &finite) + QStringLiteral(" F") + fixed(rate, 3, &finite));
                }
            }
        }
        sweep(row);
        prevPath = row.path;
        prevSpeed = row.speed;
        prevIr = row.Ir;
        prevIf = row.If;
    }
    frame(QStringLiteral(" G0 IR=0.0"));
    frame(QStringLiteral(" G4 F1.0"));
    frame(QStringLiteral(" RAX(IR)"));
    frame(QStringLiteral(" RAX(IW)"));
    frame(QStringLiteral(" M30"));
    if (!finite) {
        out.error = kStartRefused + kBeamNotFinite;
        return out;
    }
    out.text3 = lines.join(QLatin1Char('\n'));
    if (tooLong(QString(), QString(), out.text3)) {
        out.text3.clear();
        out.error = kStartRefused + programTooLarge(3, s);
    }
    return out;
}

// ---- test move -----------------------------------------------------------------------------------

Programs genTestMove(const ContourSnapshot& s)
{
    Programs out;
    const QString reason = checkContour(s, false);
    if (!reason.isEmpty()) {
        out.error = kStartRefused + reason;
        return out;
    }
    const Schema& schema = *s.schema;
    const bool ring = schema.circle();
    // The contour's own sense of rotation, so that an "XYZr" contour is never mirrored.
    const bool ccw = schema.rotate() && ringCcw(s);
    MoveProgram m(schema);
    if (ring) {
        m.frame2(QStringLiteral(" REV(ALL)"));
        m.frame2(QStringLiteral(" WAIT"));
        m.frame2(QStringLiteral(" G4 F0.5 "));
        m.frame1(QStringLiteral(" WREV(2)"));
        m.frame1(QStringLiteral(" WAIT"));
        m.frame1(QStringLiteral(" SEV(1)"));
        m.frame1(QStringLiteral(" WAIT"));
        m.frame2(QStringLiteral(" SEV(2)"));
        m.frame2(QStringLiteral(" WAIT"));
        m.frame2(QStringLiteral(" WEV(1)"));
        m.frame2(QStringLiteral(" WAIT"));
    }

    const float v = s.weldSpeed;
    const QString feed = fixed(v, 3, &m.finite);
    // Each segment as the weld walks it: `row` holds its parameters, `forward` its direction.
    auto move = [&](int to, int from, int row, bool forward) {
        m.segment(s, row, forward, s.coords(to), s.coords(from), v, feed, ccw);
    };
    const int last = s.points.size() - 1;
    const int passes = passCount(s);
    // Driven back through the points, as the weld runs back.
    const bool runBack = runsBack(s);
    TextSize size1, size2;
    for (int pass = 0; pass < passes; ++pass) {
        for (int r = 1; r <= last; ++r)
            move(r, r - 1, r - 1, true);
        if (s.ring && s.closeDirect && last > 0)
            move(0, last, last, true);
        for (int r = last - 1; runBack && r >= 0; --r)
            move(r, r + 1, r, false);
        // One pass at a time: a test move too long for the controller is not written on.
        if (size1.of(m.ch1) > kMaxProgramBytes || size2.of(m.ch2) > kMaxProgramBytes)
            break;
    }
    if (!m.finish(&out.text1, &out.text2)) {
        out.error = kStartRefused + kMotionNotFinite;
    } else if (const int channel = tooLong(out.text1, out.text2)) {
        out = Programs();
        out.error = kStartRefused + programTooLarge(channel, s);
    }
    return out;
}

// ---- go-to-point ---------------------------------------------------------------------------------

GoTo goToPoint(const ContourSnapshot& s, int currentPoint, int row, bool forward, const QList<float>& axes)
{
    GoTo out;
    out.forward = forward;
    // A go-to visits the points from the current one to the touched one: the whole seam's checks
    // (three points of a circle, the number of passes) are not its own.
    QString reason = checkPoints(s);
    if (reason.isEmpty() && (row < 0 || row >= s.points.size()))
        reason = QStringLiteral("в контуре нет точки %1").arg(row + 1);
    if (!reason.isEmpty()) {
        out.error = kGoToRefused + reason;
        return out;
    }
    const Schema& schema = *s.schema;
    const bool ring = schema.circle();
    const bool ccw = schema.rotate() && ringCcw(s);
    const int last = s.points.size() - 1;
    // Without a current point only the touched point is visited.
    const int start = currentPoint >= 0 && currentPoint <= last ? currentPoint : row;
    if (start != row)
        out.forward = start < row;

    MoveProgram m(schema);
    const float F = s.contourSpeed;
    const QString speed = fixed(F, 0, &m.finite);
    if (ring)
        m.frame2(QStringLiteral(" G4 F0.5 "));

    if (s.ring && !runsBack(s) && start == last && row == 0 && last > 0) {
        // Along the closing segment, in the contour's own direction.
        m.move(s.coords(0), s.coords(start), F, speed, ccw);
        m.ch1 << kWait << QStringLiteral("1 @1=0");
    } else {
        const bool ahead = out.forward;
        // Walked backwards an "XYZr" arc turns against the contour.
        const bool flag = ahead ? ccw : !ccw;
        QList<float> Q = axes;
        for (int i = start, visited = 1;; i += ahead ? 1 : -1, ++visited) {
            const QList<float> P = s.coords(i);
            m.move(P, Q, F, speed, flag);
            m.ch1 << kWait << QStringLiteral("%1 @1=%2").arg(visited).arg(i);
            if (i == row)
                break;
            Q = P;
        }
    }
    if (!m.finish(&out.text1, &out.text2))
        out.error = kGoToRefused + kMotionNotFinite;
    return out;
}

// ---- checks before a start ---------------------------------------------------------------------

TechTableCheck checkTechTable(const QList<TechRow>& rows)
{
    TechTableCheck out;
    out.marks.fill(TechTableCheck::Unchecked, rows.size());
    if (rows.size() < 2)
        return out;
    const float end = rows.last().isComment() ? 0.0f : rows.last().path;
    bool valid = true;
    int p = 0;
    for (int r = 1; r < rows.size(); ++r) {
        if (rows.at(r).isComment())
            continue;
        // A switched-off row is not generated: whatever it holds, no program runs it.
        if (!rows.at(r).on) {
            out.marks[r] = TechTableCheck::Good;
            continue;
        }
        const TechRow& above = rows.at(p);
        const TechRow& row = rows.at(r);
        if ((above.Ir != row.Ir || above.If != row.If) && above.path == row.path)
            valid = false;
        else
            valid = valid && end >= above.path;
        out.marks[p] = valid ? TechTableCheck::Good : TechTableCheck::Faulty;
        if (!valid && out.firstFault < 0)
            out.firstFault = p;
        p = r;
    }
    return out;
}

QString startProblem(const ContourSnapshot& s, Start start)
{
    // A go-to has only its own moves' needs, as goToPoint checks them.
    QString reason = start == Start::GoTo ? checkPoints(s) : checkContour(s, start == Start::Weld);
    if (!reason.isEmpty())
        return reason;
    switch (start) {
    case Start::TestMove:
        return feedProblem(s.weldSpeed, QStringLiteral("скорость сварки"));
    case Start::GoTo:
        return feedProblem(s.contourSpeed, QStringLiteral("скорость перехода"));
    case Start::Weld:
        break;
    }
    // A row's speed of 0 that the beam program times a stretch by: nothing would be written for it,
    // and the beam would run ahead of the motion. A row at the path of the next one (a start row
    // at path 0 followed by a row at path 0) has no stretch; where the motion program would write
    // its speed as a feed, its generation refuses it.
    int above = -1;
    for (int r = 0; r < s.tech.size(); ++r) {
        const TechRow& row = s.tech.at(r);
        if (row.isComment() || !(row.on || r == 0))
            continue;
        if (above >= 0 && s.tech.at(above).speed == 0 && row.path != s.tech.at(above).path)
            return rowSpeedProblem(0, above);
        above = r;
    }
    const TechTableCheck table = checkTechTable(s.tech);
    if (!table.ok())
        return QStringLiteral("ошибка заполнения технологической таблицы в строке %1").arg(table.firstFault + 1);
    return {};
}

bool continues(const QString& started, const QString& next)
{
    const QStringList before = started.split(QLatin1Char('\n'));
    const QStringList after = next.split(QLatin1Char('\n'));
    if (before.size() != after.size())
        return false;
    const QString jump = QStringLiteral(" GOTO N");
    for (int i = 0; i < before.size(); ++i) {
        const QString& a = before.at(i);
        const QString& b = after.at(i);
        if (a == b)
            continue;
        // The opening jump alone may differ: it names the line where this start begins.
        if (!a.contains(jump) || !b.contains(jump) || a.section(jump, 0, 0) != b.section(jump, 0, 0))
            return false;
    }
    return true;
}

}  // namespace WeldProgram
