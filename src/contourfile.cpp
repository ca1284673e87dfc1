#include "contourfile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ContourFile {

namespace {

QString g(double value)
{
    return QString::number(value, 'g', 6);
}

QString fixed(float value, int decimals)
{
    return QString::number(double(value), 'f', decimals);
}

// The pass count as the reader takes it: a whole number within int.
int wholePasses(float passes)
{
    if (!std::isfinite(passes))
        return 0;
    return int(std::clamp<double>(std::trunc(double(passes)), std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

// What a cell written with `decimals` reads back as.
float asShown(float value, int decimals)
{
    return fixed(value, decimals).toFloat();
}

// Whitespace-separated values, as a text stream reads them; every read fails at the end of the
// text or on a token that is not a finite number of the asked kind.
class Cursor
{
public:
    explicit Cursor(const QString& text) : m_text(text) {}

    // A line or a word longer than the editor takes was met: reading stops there.
    bool tooLong() const { return m_tooLong; }

    QString line()
    {
        const int end = lineEnd();
        if (end - m_pos > ContourLimits::kMaxLineChars) {
            m_tooLong = true;
            m_pos = m_text.size();
            return QString();
        }
        QString result = m_text.mid(m_pos, end - m_pos);
        m_pos = end < m_text.size() ? end + 1 : end;
        if (result.endsWith(QLatin1Char('\r')))
            result.chop(1);
        // A text on one line holds no line breaks (as the writer keeps it).
        return result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    }

    // The rest of the current line after one blank.
    QString restOfLine()
    {
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char(' '))
            ++m_pos;
        return line();
    }

    bool word(QString* out)
    {
        QStringRef token;
        if (!next(&token))
            return false;
        *out = token.toString();
        return true;
    }

    bool real(float* out)
    {
        QStringRef token;
        bool ok = false;
        const float value = next(&token) ? token.toFloat(&ok) : 0.0f;
        if (!ok || !std::isfinite(value))
            return false;
        *out = value;
        return true;
    }

    bool integer(int* out)
    {
        QStringRef token;
        bool ok = false;
        const int value = next(&token) ? token.toInt(&ok) : 0;
        if (!ok)
            return false;
        *out = value;
        return true;
    }

private:
    // The next whitespace-separated token, in place.
    bool next(QStringRef* token)
    {
        const int size = m_text.size();
        while (m_pos < size && m_text.at(m_pos).isSpace())
            ++m_pos;
        const int start = m_pos;
        while (m_pos < size && !m_text.at(m_pos).isSpace())
            ++m_pos;
        if (m_pos - start > ContourLimits::kMaxLineChars) {
            m_tooLong = true;
            m_pos = size;
            return false;
        }
        *token = m_text.midRef(start, m_pos - start);
        return m_pos > start;
    }

    int lineEnd() const
    {
        const int end = m_text.indexOf(QLatin1Char('\n'), m_pos);
        return end < 0 ? m_text.size() : end;
    }

    QString m_text;
    int m_pos = 0;
    bool m_tooLong = false;
};

QString tooLongLine()
{
    return QStringLiteral("строка длиннее %1 символов").arg(ContourLimits::kMaxLineChars);
}

bool readPoint(Cursor& in, const Schema& schema, ContourPoint* point)
{
    const bool linear = schema.linear();
    for (int i = 0; i < schema.axisNames().size(); ++i) {
        float value = 0;
        if (!in.real(&value))
            return false;
        point->coords << asShown(value, 2);
    }
    if (!linear)
        return true;
    SegmentParams& seg = point->segment;
    if (!in.integer(&seg.type))
        return false;
    if (seg.type != 0 && !(in.integer(&seg.direction) && in.integer(&seg.plane) && in.real(&seg.radius)))
        return false;
    // Every type but a line and an arc is an end: the table shows "Конец" and stores no more.
    if (seg.type != SegmentParams::Line && seg.type != SegmentParams::Arc)
        seg = SegmentParams();
    return true;
}

bool readTechPoint(Cursor& in, TechRow* row)
{
    float v[6];
    for (float& value : v) {
        if (!in.real(&value))
            return false;
    }
    row->path = asShown(v[0], 2);
    row->Ir = asShown(v[1], 1);
    row->If = asShown(v[2], 0);
    row->Ix = asShown(v[3], 1);
    row->Iy = asShown(v[4], 1);
    row->speed = asShown(v[5], 1);
    int flag = 0;
    if (!in.integer(&flag))
        return false;
    if (flag == TechRow::SweepOff) {
        row->sweep = TechRow::SweepOff;
    } else if (flag == TechRow::SweepSet) {
        RasterParams& r = row->raster;
        if (!(in.integer(&r.type) && in.real(&r.ampX) && in.real(&r.ampY) && in.integer(&r.angle) &&
              in.integer(&r.freq) && in.real(&r.shiftX) && in.real(&r.shiftY) && in.real(&r.param) &&
              in.integer(&r.reverse)))
            return false;
        row->sweep = TechRow::SweepSet;
    } else {
        row->sweep = TechRow::SweepNone;   // an unknown flag leaves the cell as it is: empty
    }
    return true;
}

}  // namespace

QByteArray write(const QString& name, const ContourSnapshot& s)
{
    if (!s.schema)
        return QByteArray();
    const Schema& schema = *s.schema;
    const bool linear = schema.linear();
    const QString blank = QStringLiteral(" ");
    QString out;
    // Line breaks inside a text would split its line and shift every value after it.
    auto oneLine = [](QString text) {
        return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    };
    out += oneLine(name) + QLatin1Char('\n');
    out += schema.id() + QLatin1Char('\n');
    out += g(schema.D()) + blank + g(s.centerX) + blank + g(s.centerY) + QLatin1Char('\n');
    out += g(s.pointCount) + blank + QString::number(schema.Aux()) + QLatin1Char('\n');
    // The pass count is read back as a whole number: it is written as one.
    out += QString::number(s.ring ? 1 : 0) + blank + QString::number(wholePasses(s.passes)) + QLatin1Char('\n');
    out += g(s.weldSpeed) + QLatin1Char('\n');
    out += QString::number(s.points.size()) + QLatin1Char('\n');
    for (const ContourPoint& p : s.points) {
        for (int i = 0; i < schema.axisNames().size(); ++i)
            out += fixed(i < p.coords.size() ? p.coords.at(i) : 0.0f, 2) + blank;
        if (linear) {
            const SegmentParams& seg = p.segment;
            if (seg.type == SegmentParams::Line || seg.type == SegmentParams::Arc)
                out += QString::number(seg.type) + blank + QString::number(seg.direction) + blank +
                       QString::number(seg.plane) + blank + g(seg.radius) + blank;
            else
                out += QStringLiteral("0 ");
        }
        out += QLatin1Char('\n');
    }
    out += QString::number(s.tech.size()) + QLatin1Char('\n');
    for (const TechRow& row : s.tech) {
        if (row.isComment()) {
            out += QStringLiteral("- ") + oneLine(row.comment) + QLatin1Char('\n');
            continue;
        }
        out += QStringLiteral("+ ") + fixed(row.path, 2) + blank + fixed(row.Ir, 1) + blank + fixed(row.If, 0) +
               blank + fixed(row.Ix, 1) + blank + fixed(row.Iy, 1) + blank + fixed(row.speed, 1) + blank;
        if (row.sweep == TechRow::SweepOff) {
            out += QStringLiteral("0 ");
        } else if (row.sweep == TechRow::SweepNone) {
            out += QStringLiteral("2 ");
        } else {
            const RasterParams& r = row.raster;
            out += QStringLiteral("1 ") + QString::number(r.type) + blank + g(r.ampX) + blank + g(r.ampY) + blank +
                   QString::number(r.angle) + blank + QString::number(r.freq) + blank + g(r.shiftX) + blank +
                   g(r.shiftY) + blank + g(r.param) + blank + QString::number(r.reverse);
        }
        out += QLatin1Char('\n');
    }
    return out.toUtf8();
}

Contents read(const QByteArray& bytes)
{
    Contents c;
    Cursor in(QString::fromUtf8(bytes));
    // Whatever stopped the reading: a line beyond the bound is named to the operator.
    const auto stopped = [&c, &in]() -> Contents& {
        if (in.tooLong() && c.beyondLimits.isEmpty())
            c.beyondLimits = tooLongLine();
        return c;
    };
    c.name = in.line();
    QString id;
    if (!in.word(&id))
        return stopped();
    c.valid = true;

    float D = 0, cx = 0, cy = 0, P = 0, weldSpeed = 0;
    int closed = 0, passes = 1;
    const bool header = in.real(&D) && in.real(&cx) && in.real(&cy) && in.real(&P) && in.integer(&c.plane) &&
                        in.integer(&closed) && in.integer(&passes) && in.real(&weldSpeed);
    ContourSnapshot& s = c.snapshot;
    s.schema.reset(createSchema(id, D, P, c.plane));
    if (s.schema->rotate()) {
        s.centerX = cx;
        s.centerY = cy;
    }
    s.ring = closed != 0;
    s.closeDirect = true;
    s.passes = float(passes);
    s.weldSpeed = weldSpeed;
    s.pointCount = P;
    if (!header)
        return stopped();

    int n = 0;
    if (!in.integer(&n))
        return stopped();
    for (int r = 0; r < n; ++r) {
        if (r == ContourLimits::kMaxPoints) {
            c.beyondLimits = QStringLiteral("точек контура %1, редактор вмещает не более %2").arg(n).arg(r);
            return c;
        }
        ContourPoint point;
        if (!readPoint(in, *s.schema, &point))
            return stopped();
        s.points << point;
    }
    if (s.schema->circle() && s.points.size() >= 2)
        s.inverted = s.points.at(s.points.size() - 2).coords.value(0) > s.points.last().coords.value(0);

    int m = 0;
    if (!in.integer(&m))
        return stopped();
    c.techRows = m;
    for (int r = 0; r < m; ++r) {
        // Rows beyond the bound: those before it fill the table up to its end row.
        if (m > ContourLimits::kMaxTechRows && r == ContourLimits::kMaxTechRows - 1) {
            c.beyondLimits = QStringLiteral("строк технологии %1, редактор вмещает не более %2")
                                 .arg(m)
                                 .arg(ContourLimits::kMaxTechRows);
            return c;
        }
        QString marker;
        if (!in.word(&marker))
            return stopped();
        TechRow row;
        if (marker == QLatin1String("-")) {
            row.kind = TechRow::Comment;
            row.on = false;
            row.comment = in.restOfLine();
            if (in.tooLong())
                return stopped();
        } else if (!readTechPoint(in, &row)) {
            return stopped();
        }
        s.tech << row;
    }
    c.complete = true;
    return c;
}

}  // namespace ContourFile
