#include "weldpassport.h"

#include <QDir>
#include <QFile>
#include <QTextCodec>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace WeldPassport {

namespace {

constexpr int kTicksPerMinute = 60 * 1000 / kTickMs;
// Copies of one name tried before giving up (a start every second would not reach it).
constexpr int kMaxCopies = 1000;

QByteArray encoded(const QString& text)
{
    static QTextCodec* const codec = QTextCodec::codecForName("Windows-1251");
    return codec ? codec->fromUnicode(text) : text.toLocal8Bit();
}

// A program's text as header lines: its title, each of its lines (empty ones kept) enclosed and
// followed by ";", and an empty line. The program's lines go into one string, so that a long
// program is copied once rather than line by line.
void programSection(QStringList& lines, const QString& title, const QString& text)
{
    lines << quoted(title);
    QString section;
    section.reserve(text.size() + 4 * (text.count(QLatin1Char('\n')) + 1));
    for (int start = 0;;) {
        const int end = text.indexOf(QLatin1Char('\n'), start);
        const QStringRef line = text.midRef(start, (end < 0 ? text.size() : end) - start);
        section += QLatin1Char('"');
        if (line.contains(QLatin1Char('"')))
            section += line.toString().replace(QLatin1Char('"'), QStringLiteral("\"\""));
        else
            section += line;
        section += QStringLiteral("\";");
        if (end < 0)
            break;
        section += QLatin1Char('\n');
        start = end + 1;
    }
    lines << section << QString();
}

QString columnLine(const QStringList& names)
{
    QString line;
    for (const QString& name : names)
        line += quoted(name) + QLatin1Char(';');
    return line;
}

// A number as the header's technology lines write it: a point, at most six significant digits.
QString streamed(float value)
{
    return QString::number(double(value), 'g', 6);
}

QString whole(float value)
{
    return std::isfinite(value) ? QString::number(qint64(std::trunc(double(value)))) : QStringLiteral("0");
}

// A measured number in the row's form; a value that is not finite (not a number, infinite) was
// not measured, and its cell is left empty.
QString measured(double value, const QLocale& locale, char format, int decimals)
{
    return std::isfinite(value) ? locale.toString(value, format, decimals) : QString();
}

quint32 blockUInt(const QByteArray& block, int offset)
{
    if (offset < 0 || offset + 4 > block.size())
        return 0;
    return qFromLittleEndian<quint32>(block.constData() + offset);
}

float blockFloat(const QByteArray& block, int offset)
{
    const quint32 bits = blockUInt(block, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The path travelled at the tracked row's speed since it took over.
double segmentTravel(const Progress& p)
{
    return double(p.segmentTicks) * double(p.speed) / kTicksPerMinute;
}

}  // namespace

QString quoted(const QString& text)
{
    QString inner = text;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString contourLine(const QStringList& cells)
{
    QString line;
    for (const QString& cell : cells)
        line += cell + QLatin1Char(' ');
    return line;
}

QString commentLine(const QString& text)
{
    return QStringLiteral("- ") + text;
}

QString pointLine(const QString& path, const QString& Ir, const QString& If, const QString& speed,
                  TechRow::Sweep sweep, const RasterParams& raster)
{
    QString line = QStringLiteral("+ ");
    for (const QString& cell : {path, Ir, If, speed})
        line += cell + QLatin1Char(' ');
    line += QString::number(int(sweep)) + QLatin1Char(' ');
    if (sweep == TechRow::SweepSet) {
        const QStringList values{QString::number(raster.type), streamed(raster.ampX),   streamed(raster.ampY),
                                 QString::number(raster.angle), QString::number(raster.freq),
                                 streamed(raster.shiftX),       streamed(raster.shiftY), whole(raster.param),
                                 QString::number(raster.reverse)};
        for (const QString& value : values)
            line += value + QLatin1Char(' ');
    }
    return line;
}

const QList<BeamColumn>& beamColumns()
{
    static const QList<BeamColumn> columns{
        {"Уст. I луча", 268, BeamColumn::Float, 1}, {"I луча", 236, BeamColumn::Float, 1},
        {"Уст. I фок.", 132, BeamColumn::Float, 0}, {"I фок.", 128, BeamColumn::Float, 0},
        {"I откл.X", 144, BeamColumn::Float, 0},    {"I откл.Y", 152, BeamColumn::Float, 0},
        {"Ub бомб.", 220, BeamColumn::Float, 1},    {"Ib бомб.", 224, BeamColumn::Float, 1},
        {"U уск.", 212, BeamColumn::Float, 1},      {"U зап.", 216, BeamColumn::Float, 1},
        {"Тип ТР", 364, BeamColumn::Unsigned, 0},   {"Ампл.X", 368, BeamColumn::Float, 2},
        {"Ампл.Y", 372, BeamColumn::Float, 2},      {"Угол", 384, BeamColumn::Float, 0},
        {"Час-та", 396, BeamColumn::Float, 0},      {"Смещ.X", 388, BeamColumn::Float, 2},
        {"Смещ.Y", 392, BeamColumn::Float, 2},      {"Д.пар.", 376, BeamColumn::Float, 2},
        {"По ч.с.", 380, BeamColumn::Unsigned, 0},  {"ТР", 320, BeamColumn::Unsigned, 0},
        {"P пушк.", 52, BeamColumn::Exponent, 1},
    };
    return columns;
}

QByteArray headerTop(const Header& h)
{
    const QStringList lines{quoted(h.full ? h.program : QStringLiteral("_temp")),
                            quoted(QStringLiteral("Дата: ") + h.start.toString(QStringLiteral("dd-MM-yyyy"))),
                            quoted(QStringLiteral("Сварщик: ") + h.welder),
                            quoted(QStringLiteral("Время запуска: ") + h.start.toString(QStringLiteral("hh:mm:ss")))};
    return encoded(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

QByteArray headerBody(const Header& h, const QLocale& locale)
{
    QStringList lines;
    QStringList columns{QStringLiteral("Время"), QStringLiteral("Путь")};
    columns << h.axes;
    if (!h.full) {
        lines << QString();
        programSection(lines, QStringLiteral("ПРОГРАММА ПЕРЕМЕЩЕНИЯ (канал 1)"), h.channel1);
    } else {
        const QString length = locale.toString(double(h.passLength), 'f', 2) + QStringLiteral(" мм");
        if (h.ring)
            lines << quoted(QStringLiteral("Длина прохода: ") + length)
                  << quoted(QStringLiteral("Число проходов: ") + locale.toString(double(h.passes), 'f', 0));
        else
            lines << quoted(QStringLiteral("Длина шва: ") + length);
        lines << quoted(QStringLiteral("Скорость: ") + locale.toString(double(h.weldSpeed), 'f', 1) +
                        QStringLiteral(" мм/мин"))
              << QString() << quoted(QStringLiteral("Контур:"));
        for (const QString& line : h.contour)
            lines << quoted(line);
        lines << quoted(QStringLiteral("Технология:"));
        for (const QString& line : h.technology)
            lines << quoted(line) + QLatin1Char(';');
        lines << QString();
        programSection(lines, QStringLiteral("ПРОГРАММА ПЕРЕМЕЩЕНИЯ (канал 1)"), h.channel1);
        if (!h.channel2.isEmpty())
            programSection(lines, QStringLiteral("ПРОГРАММА ВРАЩЕНИЯ ДЕТАЛИ (канал 2)"), h.channel2);
        programSection(lines, QStringLiteral("ПРОГРАММА СВАРКИ (канал 3)"), h.channel3);
        for (const BeamColumn& column : beamColumns())
            columns << QString::fromUtf8(column.name);
        columns << QStringLiteral("P кам.");
    }
    lines << columnLine(columns);
    return encoded(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

QByteArray header(const Header& h, const QLocale& locale)
{
    return headerTop(h) + headerBody(h, locale);
}

QByteArray row(const Row& r, const QLocale& locale)
{
    QString line;
    const auto cell = [&line](const QString& text) { line += text + QLatin1Char(';'); };
    // Whole ticks: the tenths are exact however long the run.
    cell(locale.toString(r.tick / 10) + locale.decimalPoint() + QString::number(r.tick % 10));
    cell(locale.toString(double(r.path), 'f', 2));
    for (int i = 0; i < r.axes; ++i)
        cell(i < r.coords.size() ? measured(double(r.coords.at(i)), locale, 'f', 2) : QString());
    if (r.full) {
        for (const BeamColumn& column : beamColumns()) {
            if (!r.elaAlive || column.offset + 4 > r.ela.size()) {
                cell(QString());  // no measurement, or the block was not read
                continue;
            }
            switch (column.kind) {
            case BeamColumn::Unsigned:
                cell(locale.toString(blockUInt(r.ela, column.offset)));
                break;
            case BeamColumn::Exponent:
                cell(measured(double(blockFloat(r.ela, column.offset)), locale, 'E', column.decimals));
                break;
            case BeamColumn::Float:
                cell(measured(double(blockFloat(r.ela, column.offset)), locale, 'f', column.decimals));
                break;
            }
        }
        cell(r.pressureKnown ? measured(double(r.pressure), locale, 'E', 1) : QString());
    }
    return encoded(line + QLatin1Char('\n'));
}

Progress begin(float speed)
{
    Progress p;
    p.speed = speed;
    return p;
}

float advance(Progress& p, bool moving, float total)
{
    if (!moving)
        return p.path;
    const double path = p.segmentPath + segmentTravel(p);
    p.path = float(std::min(path, double(total)));
    ++p.segmentTicks;
    return p.path;
}

bool track(Progress& p, int rowCount, const std::function<TechRow(int)>& rowAt, bool moving)
{
    const int last = rowCount - 1;
    const int r = p.row;
    if (!moving || r < 0 || r >= last)
        return false;
    int n = r + 1;
    TechRow next = rowAt(n);
    while (n < last && (next.isComment() || !next.on))
        next = rowAt(++n);
    const float d = std::fabs(next.path - rowAt(r).path);
    if (!(segmentTravel(p) >= double(d)))
        return false;
    p.segmentPath += segmentTravel(p);
    p.segmentTicks = 0;
    p.segmentStart += d;
    p.speed = next.speed;
    p.row = n;
    return true;
}

bool track(Progress& p, const QList<TechRow>& rows, bool moving)
{
    return track(p, rows.size(), [&rows](int row) { return rows.at(row); }, moving);
}

QString fileName(const QDateTime& start, const QString& program, int copy)
{
    return start.toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss-")) + program +
           (copy > 1 ? QStringLiteral("_%1").arg(copy) : QString()) + QStringLiteral(".csv");
}

bool create(QFile& file, const QString& localDir, const QDateTime& start, const QString& program)
{
    QDir().mkpath(localDir);
    const QDir dir(localDir);
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        file.setFileName(dir.filePath(fileName(start, program, copy)));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (!file.exists())
            return false;  // not taken, yet not creatable: no copy name would be either
    }
    return false;
}

}  // namespace WeldPassport
