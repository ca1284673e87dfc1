#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include "contourmodel.h"

// The NC programs of a weld, as functions of the editor's snapshot and an explicit generator
// state: the motion programs of channel 1 (manipulator) and channel 2 (the rotator of a ring
// joint), the beam program of channel 3, the test move without the beam and the go-to-point
// moves. Nothing here touches a widget, a file or a link; the editor writes and starts what these
// functions return.
//
// Every generator first checks that the contour can be generated at all and that every number it
// writes is finite. A refused generation returns an "[A]" operator message in `error` and no
// text, so that nothing is written or started for it.
namespace WeldProgram {

// The most bytes one channel program may have. The controller loads a program into its memory
// before it runs it; the largest one-pass weld of the largest contour the editor holds
// (ContourLimits: 10,000 points, 5,000 technology rows, a beam sweep on every row) needs some
// 1.3 MB in its longest program, and only many passes over a large contour go beyond 2 MB.
constexpr int kMaxProgramBytes = 2 * 1024 * 1024;

// Why a start whose program of `channel` would be longer than kMaxProgramBytes cannot run, as the
// reason of a refusal; with the contour it was generated from, naming the sizes that make it so.
QString programTooLarge(int channel);
QString programTooLarge(int channel, const ContourSnapshot& s);

// What carries over from one generation of the motion programs to the next.
struct GeneratorState {
    int frameNo = 2;        // next frame number, shared by channels 1 and 2
    int varLineNo = 0;      // running number of the channel 1 variable lines
    int stopCount = 0;      // technological stops met by the last generation
    int startNo = 1;        // 1 for a full start, +1 for each continuation
    int restartLine1 = 0;   // frame behind the stop where the run of channel 1 ended (0: none)
    int restartLine2 = 0;   // the same for channel 2
    bool ringCcw = false;   // "XYZr": the contour runs counter-clockwise

    // Another stop remains to be continued from.
    bool stopPending() const { return stopCount >= startNo; }
    // Forgets the stopped run: the next press is a full start.
    void resetRun()
    {
        stopCount = 0;
        startNo = 1;
        restartLine1 = 0;
        restartLine2 = 0;
    }
};

// The frame lists of the two motion channels while they are written, with the resume frames
// (the last move of each channel without its number, issued again after a stop).
struct MotionFrames {
    QStringList ch1;
    QStringList ch2;
    QString resume1;
    QString resume2;
    bool finite = true;     // false once a number that is not finite was to be written
};

// ---- single frames -----------------------------------------------------------------------------
// "N<n> G90 " + the scheme's point word + " F" + F with three decimals: the rotator frame of a
// ring joint (flag true), the manipulator frame (flag false), an "XYZr" arc in the direction ccw.
QString rotateFrame(const Schema& schema, int n, const QList<float>& p, float F, bool* finite = nullptr);
QString manipulatorFrame(const Schema& schema, int n, const QList<float>& p, float F, bool* finite = nullptr);
QString circleFrame(const Schema& schema, int n, const QList<float>& p, float F, bool ccw,
                    bool* finite = nullptr);
// "N<n> G90" + arcWord + coords + " F" + F: an arc of the linear scheme.
QString arcFrame(int n, const QString& coords, const QString& arcWord, float F, bool* finite = nullptr);

// ---- motion frames -------------------------------------------------------------------------------
// The frames of one move from `from` to `to` at feed F (mm/min); `row` is the contour row whose
// segment parameters describe the move in the linear scheme, `forward` the direction in which the
// rows are walked (it decides the arc word of the linear scheme).
void mechanicalMoveFrames(const ContourSnapshot& s, GeneratorState& st, const QList<float>& to,
                          const QList<float>& from, float F, int row, bool forward, MotionFrames* out);
// The frames of one technological stop with event number `event` (4, 6, 8, ...).
void synchronizationFrames(const ContourSnapshot& s, GeneratorState& st, int event, MotionFrames* out);

// ---- whole programs ------------------------------------------------------------------------------
struct Programs {
    QString error;          // "[A]..." when refused; the texts are then empty
    QString text1;          // channel 1
    QString text2;          // channel 2 (ring joint only, else empty)
    QString text3;          // channel 3 (the beam program)
    GeneratorState state;   // the state after the generation
    bool ok() const { return error.isEmpty(); }
};

// "XYZr": whether points 0, 1 and 2 run counter-clockwise about the centre.
bool ringCcw(const ContourSnapshot& s);

// Motion programs of the whole weld (text1, text2). state.startNo and the restart lines choose
// where the programs begin; the stops met are counted on from state.stopCount. Refused when a
// technology row's speed of 0 would be the feed of a move (a row whose stretch moves nothing, as a
// start row at path 0 followed by a row at path 0 in the linear and circular schemes, is not).
Programs genContour(const ContourSnapshot& s, GeneratorState state);
// The beam program (text3).
Programs genTechnology(const ContourSnapshot& s);
// The test move along the contour at weld speed, without the beam (text1, text2).
Programs genTestMove(const ContourSnapshot& s);

struct GoTo {
    QString error;
    QString text1;
    QString text2;          // ring joint only
    bool forward = true;    // the direction of this move (unchanged when row is the current point)
    bool ok() const { return error.isEmpty(); }
};
// The go-to program from the current point through every row in between to `row`; `axes` is the
// present axis position in the scheme's axes. From the last row of a closed contour to row 0 the
// move runs along the closing segment. With no current point only `row` itself is visited.
GoTo goToPoint(const ContourSnapshot& s, int currentPoint, int row, bool forward, const QList<float>& axes);

// Whether a continuation that generated `next` still continues the run that was started with
// `started`: the two programs agree line by line, the targets of their opening jumps aside. The
// beam program of the full start keeps running through every continuation and knows only the
// timing of the motion it was started with; any other difference would put the beam out of step.
bool continues(const QString& started, const QString& next);

// ---- checks before a start ------------------------------------------------------------------------
// The check of the technology table, row by row, over the rows the generators read (the start
// row and every data row switched on): a row's path is faulty when the next such row below it lies
// at the same path with another beam or focus current, or when it lies past the end row's path;
// from the first fault on every row checked after it counts as faulty too. The last of them (the
// end row) is never checked itself; a switched-off row is never faulty.
struct TechTableCheck {
    enum Mark { Unchecked, Good, Faulty };
    QVector<Mark> marks;    // one per row; comments and the end row stay Unchecked, rows switched off are Good
    int firstFault = -1;    // the first faulty row, -1 when the table passes
    bool ok() const { return firstFault < 0; }
};
TechTableCheck checkTechTable(const QList<TechRow>& rows);

// What a start is to run: the weld (full start or continuation: both motion programs follow the
// technology table), the test move (the weld speed along the contour) or a go-to move (the
// transition speed).
enum class Start { Weld, TestMove, GoTo };
// Why the program cannot be started as `start`, as the reason of a refusal ("контур не задан"), or
// empty: the generators' own checks of the contour (for a go-to those of its own moves), a speed
// of 0 or less for the test move or a go-to (every frame would be written with "F0"), and for a
// weld a speed of 0 that the beam program would time a stretch by (a row followed by one at
// another path) and a technology table that fails its check. genContour refuses a speed of 0 where
// the motion program would write it as a feed.
QString startProblem(const ContourSnapshot& s, Start start);

// Whole passes to leave out of an idle stretch of `path` mm on a closed round seam of pass length
// L: the stretch shrinks to its remainder in (0, L] (within 0.01 mm). 0 for a pass length that is
// not positive and finite.
int idlePasses(float path, float L);

}  // namespace WeldProgram
