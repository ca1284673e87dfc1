#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>

#include "contourmodel.h"

class QFile;

// The weld passport: the CSV record of one program run, in Windows-1251. A header names the
// program, the date, the welder, the start time and the programs that run (in a full run also the
// contour and its technology); then every 100 ms a row follows with the run time, the path along
// the seam and the machine coordinates, in a full run also the beam unit's values and the gun and
// chamber pressures. Cells are separated by ";" (each cell, the last one included, is followed by
// one); numbers of the rows are written in the locale given (the console's own).
//
// Everything here is a function of its arguments: the editor collects the values and writes what
// these functions return.
namespace WeldPassport {

// One row every kTickMs.
constexpr int kTickMs = 100;

struct Header {
    bool full = false;          // a full run of the three generated programs
    QString program;            // the program's name (the first line of a full run)
    QDateTime start;
    QString welder;             // user name and group
    // Full run only.
    bool ring = false;          // closed contour
    float passLength = 0;       // one pass (closed) or the seam (open), mm
    float passes = 1;           // passes of a closed contour
    float weldSpeed = 0;        // mm/min
    QStringList contour;        // one line per contour row (contourLine)
    QStringList technology;     // one line per technology row (commentLine, pointLine)
    // The programs of the channel pages (the second one only in a full run, when not empty).
    QString channel1;
    QString channel2;
    QString channel3;
    QStringList axes;           // the coordinate columns
};

// A header line or column name as CSV text: in double quotes, a quote inside doubled.
QString quoted(const QString& text);
// The header, every line ended by LF: its top (the program, the date, the welder and the start
// time) and its body (all that follows, the programs and the column line included).
QByteArray header(const Header& h, const QLocale& locale);
QByteArray headerTop(const Header& h);
QByteArray headerBody(const Header& h, const QLocale& locale);
// The line of a contour row: each cell's text followed by a blank.
QString contourLine(const QStringList& cells);
// The line of a technology comment row: "- " and its text.
QString commentLine(const QString& text);
// The line of a technology data row: "+ ", the texts of its path, beam current, focus current and
// speed cells each followed by a blank, the sweep state (0 off, 1 set, 2 none) and a blank, and
// for a set sweep its nine values each followed by a blank.
QString pointLine(const QString& path, const QString& Ir, const QString& If, const QString& speed,
                  TechRow::Sweep sweep, const RasterParams& raster);

// The beam unit's values of a full-run row, as offsets into its 512-byte status block.
struct BeamColumn {
    const char* name;
    int offset;
    enum Kind { Float, Unsigned, Exponent } kind;
    int decimals;
};
const QList<BeamColumn>& beamColumns();

struct Row {
    qint64 tick = 0;            // rows written before this one; the time is tick / 10 s
    float path = 0;             // mm
    int axes = 0;               // coordinate columns
    QList<float> coords;        // one per axis; empty while the drive controller's status is unknown
    bool full = false;          // the beam values and the pressures follow
    QByteArray ela;             // the beam unit's status block (empty: not read, empty cells)
    bool elaAlive = false;      // the beam unit runs: without it its columns are left empty
    bool pressureKnown = false;
    float pressure = 0;         // chamber pressure in the unit shown; not finite: not known
};
// One row, ended by LF. A coordinate, beam value or pressure that is not finite (not a number,
// infinite) is no measurement: its cell is left empty.
QByteArray row(const Row& r, const QLocale& locale);

// How far the run got, counted in whole ticks so that a long run does not drift.
struct Progress {
    qint64 ticks = 0;           // rows written
    qint64 segmentTicks = 0;    // moving ticks since the tracked row took over
    double segmentPath = 0;     // the path travelled when it took over, mm
    float segmentStart = 0;     // the table path of the tracked row, as the tracking counts it, mm
    float speed = 0;            // mm/min of the tracked row
    float path = 0;             // the last path written, mm
    int row = 0;                // the tracked technology row
};
// At technology row 0, with its speed.
Progress begin(float speed);
// The path of the row now written. Moving, the path travelled at the speed of each tracked row in
// turn, at most `total`; the moving tick is counted. Standing, the last path again.
float advance(Progress& p, bool moving, float total);
// Follows the weld along the technology rows (full run, after each row): once the estimated path
// of the tracked row has covered the distance to the next switched-on data row (comments and
// switched-off rows are passed over; the end row ends the walk), that row takes over with its
// speed. Nothing while the axes stand or at the end row. True when the tracked row changed.
bool track(Progress& p, const QList<TechRow>& rows, bool moving);
// The same over a table of `rowCount` rows read one at a time: only the tracked row and the rows up
// to the next switched-on data row are read.
bool track(Progress& p, int rowCount, const std::function<TechRow(int)>& rowAt, bool moving);

// "yyyy-MM-dd-hh-mm-ss-" + program + ".csv"; a further copy (2, 3, ...) gets "_" and its number
// before ".csv".
QString fileName(const QDateTime& start, const QString& program, int copy = 1);
// Creates a new passport in the folder `localDir` (made when missing) and opens it for writing,
// unbuffered: every write reaches the file at once or fails there. A file of the same name (a
// second start within the same second) is never overwritten: the next free copy name is taken.
// False when no file could be created.
bool create(QFile& file, const QString& localDir, const QDateTime& start, const QString& program);

}  // namespace WeldPassport
