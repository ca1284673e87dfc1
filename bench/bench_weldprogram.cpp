// The weld program editor on large programs, as the operator meets them on the GUI thread:
// generating the three programs of a full start, reading a contour file, opening it into the
// editor's tables (also through the file dialog in the whole console), a whole press of the start
// button (generation, the program files, the channel pages), the weld passport's header, and a
// press of a tack template. Linear seams of 1,000 and
// 10,000 points with 1,000 and 5,000 technology rows (a third of them with a beam sweep, one
// technological stop); a ring joint walked 10 times. Goal: every operator action under 100 ms.
// The presses of the start button also print the processor time of the GUI thread: in the press
// itself ("press_gui_ms") and in its longest stretch away from its event loop while the start goes
// on ("longest_gui_ms"), the programs being generated on a worker thread meanwhile.
//
// Run with QT_QPA_PLATFORM=offscreen; it works in a private temporary root.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QDir>
#include <QSettings>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <memory>

#include "contour.h"
#include "contourfile.h"
#include "contoursamples.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "gui.h"
#include "lintackwelds.h"
#include "modaldriver.h"
#include "settingsfile.h"
#include "testenv.h"
#include "threadcpu.h"
#include "weldprogram.h"

namespace {

// The GUI thread's processor time while a start goes on, cut into the stretches between the turns
// of its event loop: a 1 ms timer notes the thread's time at every turn it gets.
class GuiSlices
{
public:
    GuiSlices()
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(1);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { note(); });
    }

    // Before a press.
    void begin()
    {
        m_last = threadCpuNs();
        m_tick.start();
    }
    // Right after it: the press's own time.
    void pressed()
    {
        m_pressNs += threadCpuNs() - m_last;
        ++m_presses;
        note();
    }
    // Once the start has gone on.
    void end()
    {
        note();
        m_tick.stop();
    }

    void report(benchmark::State& state) const
    {
        if (m_presses == 0)
            return;
        state.counters["press_gui_ms"] = double(m_pressNs) / double(m_presses) / 1e6;
        state.counters["longest_gui_ms"] = double(m_longestNs) / 1e6;
    }

private:
    void note()
    {
        const qint64 now = threadCpuNs();
        m_longestNs = std::max(m_longestNs, now - m_last);
        m_last = now;
    }

    QTimer m_tick;
    qint64 m_last = 0;
    qint64 m_pressNs = 0;
    qint64 m_longestNs = 0;
    int m_presses = 0;
};

ContourSnapshot largeRing(Schema* schema)
{
    ContourSnapshot s;
    s.schema.reset(schema);
    const int points = 100;
    for (int i = 0; i < points; ++i) {
        const float v = float(i) / points * 360.0f;
        // The manipulator follows a gentle wave, so that most moves are timed frames, not dwells.
        s.points.append({{v, 100.0f + 5.0f * std::sin(v), 50.0f, 20.0f}, {}});
    }
    s.ring = true;
    s.passes = 10;
    s.passLength = float(std::round(double(schema->D()) * 3.141592653589793 * 100) / 100);
    const float seam = s.passLength * s.passes;
    for (int r = 0; r < 50; ++r) {
        TechRow row;
        row.path = r == 49 ? seam : std::round(seam * r / 49.0f * 100) / 100;
        row.Ir = r == 0 || r == 49 ? 0 : 40.0f + float(r % 7);
        row.If = 700;
        row.speed = 600;
        row.sweep = r % 3 == 0 ? TechRow::SweepSet : TechRow::SweepOff;
        row.raster = {2, 12.5f, 12.5f, 0, 500, 0, 0, 1, 0};
        s.tech.append(row);
        if (r == 25) {
            TechRow stop;
            stop.kind = TechRow::Comment;
            stop.on = false;
            stop.comment = techStopText();
            s.tech.append(stop);
        }
    }
    s.weldSpeed = 600;
    s.contourSpeed = 1200;
    return s;
}

// The seam's contour file "bench.save" in the editor's folder; its size in bytes.
qint64 writeSeamFile(int points, int rows)
{
    QDir().mkpath(CONTOUR::contourFolder());
    const QByteArray bytes = ContourFile::write(QStringLiteral("bench"), ContourSamples::longSeam(points, rows));
    QFile file(FixedPaths::local(CONTOUR::contourDir() + QStringLiteral("bench.save")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return -1;
    return bytes.size();
}

// Opens the file written as "bench" in the editor.
void openBench(CONTOUR& editor)
{
    editor.load(QStringLiteral("bench"), CONTOUR::contourDir() + QStringLiteral("bench"));
}

// Writes a seam of the state's points and rows and opens it in the editor.
void openSeam(CONTOUR& editor, const benchmark::State& state)
{
    writeSeamFile(int(state.range(0)), int(state.range(1)));
    openBench(editor);
}

void seamSizes(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"points", "rows"});
    for (int points : {1000, 10000}) {
        for (int rows : {1000, 5000})
            b->Args({points, rows});
    }
}

void BM_GeneratePrograms(benchmark::State& state)
{
    const ContourSnapshot s = ContourSamples::longSeam(int(state.range(0)), int(state.range(1)));
    qint64 bytes = 0;
    for (auto _ : state) {
        const WeldProgram::Programs beam = WeldProgram::genTechnology(s);
        const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
        if (!beam.ok() || !motion.ok()) {
            state.SkipWithError(qPrintable(beam.error + motion.error));
            return;
        }
        bytes = beam.text3.size() + motion.text1.size() + motion.text2.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["program_bytes"] = double(bytes);
}
BENCHMARK(BM_GeneratePrograms)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

void BM_RingPrograms(benchmark::State& state)
{
    const ContourSnapshot s = largeRing(new SchemaCircle(300, 100));
    qint64 bytes = 0;
    for (auto _ : state) {
        const WeldProgram::Programs beam = WeldProgram::genTechnology(s);
        const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
        if (!beam.ok() || !motion.ok()) {
            state.SkipWithError("the weld was refused");
            return;
        }
        bytes = beam.text3.size() + motion.text1.size() + motion.text2.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["program_bytes"] = double(bytes);
}
BENCHMARK(BM_RingPrograms)->Unit(benchmark::kMillisecond);

// A press of "ДАЛЕЕ": the motion programs generated again and compared with those of the full
// start, which they must equal but for their opening jumps.
void BM_Continuation(benchmark::State& state)
{
    const ContourSnapshot s = largeRing(new SchemaCircle(300, 100));
    const WeldProgram::Programs full = WeldProgram::genContour(s, WeldProgram::GeneratorState());
    WeldProgram::GeneratorState next = full.state;
    next.startNo += 1;
    next.stopCount = 0;
    for (auto _ : state) {
        const WeldProgram::Programs motion = WeldProgram::genContour(s, next);
        const bool same = WeldProgram::continues(full.text1, motion.text1) &&
                          WeldProgram::continues(full.text2, motion.text2);
        if (!same) {
            state.SkipWithError("the continuation was refused");
            return;
        }
        benchmark::DoNotOptimize(same);
    }
}
BENCHMARK(BM_Continuation)->Unit(benchmark::kMillisecond);

void BM_TestMove(benchmark::State& state)
{
    const ContourSnapshot s = largeRing(new SchemaCircle(300, 100));
    for (auto _ : state) {
        const WeldProgram::Programs p = WeldProgram::genTestMove(s);
        benchmark::DoNotOptimize(p.text1.size());
    }
}
BENCHMARK(BM_TestMove)->Unit(benchmark::kMillisecond);

void BM_ReadContourFile(benchmark::State& state)
{
    const QByteArray bytes = ContourFile::write(QStringLiteral("bench"),
                                                ContourSamples::longSeam(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        const ContourFile::Contents c = ContourFile::read(bytes);
        benchmark::DoNotOptimize(c.snapshot.points.size());
    }
    state.counters["file_bytes"] = double(bytes.size());
}
BENCHMARK(BM_ReadContourFile)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// The file dialog's "open": the file read into both tables, the lengths and the checks.
void BM_OpenContour(benchmark::State& state)
{
    const qint64 bytes = writeSeamFile(int(state.range(0)), int(state.range(1)));
    CONTOUR editor;
    for (auto _ : state)
        openBench(editor);
    state.counters["file_bytes"] = double(bytes);
    state.counters["table_rows"] = double(editor.twContour->rowCount() + editor.twTechTab->rowCount());
}
BENCHMARK(BM_OpenContour)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// The file dialog's "open" of the largest seam in the whole console on the screen, over the same
// seam opened before: the dialog comes up, the file is chosen and opened, until the editor says it
// is loaded. Prints the GUI thread's longest stretch away from its event loop ("longest_gui_ms"),
// its processor time in the press (the dialog's included, "press_gui_ms") and in all
// ("open_gui_ms").
void BM_OpenThroughDialog(benchmark::State& state)
{
    writeSeamFile(int(state.range(0)), int(state.range(1)));
    EditorConsole console;
    if (!console.start()) {
        state.SkipWithError("the simulated controller did not come up");
        return;
    }
    CONTOUR* c = console.contour();
    console.gui()->show();
    c->setCurrentIndex(0);
    openBench(*c);
    // Waited for in an event loop of its own: a wait that sleeps between its looks would stretch
    // an open that takes many turns.
    QEventLoop wait;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &wait, &QEventLoop::quit);
    int loaded = 0;
    QObject::connect(c, &CONTOUR::message, [&](const QString& text, bool) {
        if (text.startsWith(QStringLiteral("[I]Загружен контур"))) {
            ++loaded;
            wait.quit();
        }
    });
    QCoreApplication::processEvents();
    GuiSlices gui;
    qint64 cpuNs = 0;
    for (auto _ : state) {
        ModalDriver driver;
        driver.next("FileManager", [](ModalDialog& d) {
            d.clickItem("listWidget_prog", QStringLiteral("bench"));
            d.click("pbLoad");
        });
        const int before = loaded;
        const qint64 cpuBefore = threadCpuNs();
        gui.begin();
        QTest::mouseClick(c->pbLoad, Qt::LeftButton);
        gui.pressed();
        if (loaded == before) {
            bound.start(10000);
            wait.exec();
            bound.stop();
        }
        const bool done = driver.done() && loaded > before;
        QCoreApplication::processEvents();
        gui.end();
        cpuNs += threadCpuNs() - cpuBefore;
        if (!done) {
            state.SkipWithError("the contour was not opened");
            return;
        }
    }
    gui.report(state);
    state.counters["open_gui_ms"] = double(cpuNs) / double(state.iterations()) / 1e6;
    state.counters["table_rows"] = double(c->twContour->rowCount() + c->twTechTab->rowCount());
}
BENCHMARK(BM_OpenThroughDialog)
    ->ArgNames({"points", "rows"})
    ->Args({10000, 4500})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A press of "ПУСК" on the seam (with its technological stop) in the whole console, the axes at its
// first point: the programs are generated, written and shown on the channel pages, and started
// (defined below, with the other presses in the console).
void BM_StartPress(benchmark::State& state);
BENCHMARK(BM_StartPress)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// A touch on the last row of the loaded seam with the axes at its first point: the go-to program
// through every point in between, generated, written and shown on the GUI thread.
void BM_GoToPress(benchmark::State& state)
{
    CONTOUR editor;
    openSeam(editor, state);
    editor.onDriveState(true);
    editor.contourSpeed->setValue(1200, 0);
    GuiSlices gui;
    for (auto _ : state) {
        editor.onChangedPointNo(0);
        gui.begin();
        editor.onContourCellClicked(editor.twContour->rowCount() - 1, 0);
        gui.pressed();
        QCoreApplication::processEvents();
        gui.end();
    }
    if (editor.pageProgram(1).isEmpty())
        state.SkipWithError("no program was shown");
    state.counters["program_bytes"] = double(editor.pageProgram(1).size());
    gui.report(state);
}
BENCHMARK(BM_GoToPress)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// A press of "ПУСК" refused by the check before every start, on the loaded seam: the drives are on,
// the row before the end row has a speed of 0, so that the check reads the whole table before it
// refuses (nothing is written).
void BM_RefusedPress(benchmark::State& state)
{
    CONTOUR editor;
    openSeam(editor, state);
    editor.onDriveState(true);
    const int row = editor.twTechTab->rowCount() - 2;
    editor.twTechTab->item(row, 5)->setText(QStringLiteral("0.0"));
    for (auto _ : state)
        editor.on_pbGcode_clicked();
    if (!editor.pageProgram(1).isEmpty())
        state.SkipWithError("the press was not refused");
}
BENCHMARK(BM_RefusedPress)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// The check of the technology table that every edit of a cell runs (paints the path cells).
void BM_TechTableCheck(benchmark::State& state)
{
    CONTOUR editor;
    openSeam(editor, state);
    for (auto _ : state)
        editor.updateValidDistance();
}
BENCHMARK(BM_TechTableCheck)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// Presses "ПУСК" once per iteration, timing the press only, and waits (untimed) until the run has
// ended and the passport is closed; false, with the error set, when a run does not end. The GUI
// thread's time is counted until then.
bool pressStart(benchmark::State& state, EditorConsole& console)
{
    CONTOUR* c = console.contour();
    GuiSlices gui;
    for (auto _ : state) {
        gui.begin();
        c->pbGcode->click();
        gui.pressed();
        state.PauseTiming();
        const bool done = QTest::qWaitFor([c] { return c->pbGcode->isEnabled() && !c->passportOpen(); }, 60000) &&
                          console.channel1Idle();
        gui.end();
        state.ResumeTiming();
        if (!done) {
            state.SkipWithError("the start did not end");
            return false;
        }
    }
    gui.report(state);
    return true;
}

// The whole console against the simulated drive controller (its programs run 50 ms) with `s`
// loaded and the axes at its first point; false, with the error set, when any did not come.
bool consoleWith(benchmark::State& state, EditorConsole& console, const ContourSnapshot& s)
{
    if (!console.start(0.05)) {
        state.SkipWithError("the simulated controller did not come up");
        return false;
    }
    if (!console.load(s)) {
        state.SkipWithError("the contour was not loaded");
        return false;
    }
    // A weld starts where the axes stand at its first point.
    if (!console.placeAtFirstPoint()) {
        state.SkipWithError("the axes did not come to the first point");
        return false;
    }
    return true;
}

// Full starts of `s` pressed in the whole console (pressStart), with the sizes of the programs and
// of the passport printed.
void fullStartPresses(benchmark::State& state, const ContourSnapshot& s)
{
    EditorConsole console;
    if (!consoleWith(state, console, s) || !pressStart(state, console))
        return;
    const CONTOUR* c = console.contour();
    state.counters["program_bytes"] =
        double(c->pageProgram(1).size() + c->pageProgram(2).size() + c->pageProgram(3).size());
    state.counters["passport_bytes"] = double(QFile(c->passportFile()).size());
}

void BM_StartPress(benchmark::State& state)
{
    fullStartPresses(state, ContourSamples::longSeam(int(state.range(0)), int(state.range(1))));
}

// A press of "ПУСК" in the whole console against the simulated drive controller: the programs
// generated, written and shown, the beam channel started and the passport of the full run opened
// (its header lists the contour, the technology and the three programs). The seam has no stop, so
// that every press is a full start.
void BM_FullStartPress(benchmark::State& state)
{
    ContourSnapshot s = ContourSamples::longSeam(int(state.range(0)), int(state.range(1)) + 1);
    for (int r = 0; r < s.tech.size(); ++r) {
        if (s.tech.at(r).isStop())
            s.tech.removeAt(r);
    }
    fullStartPresses(state, s);
}
BENCHMARK(BM_FullStartPress)->Apply(seamSizes)->Iterations(3)->Unit(benchmark::kMillisecond);

// A press of "ПУСК" on the largest weld the program bound admits, in the whole console as above:
// a ring joint of 3,600 points walked 15 times (channel 2 some 1.9 MB, channel 1 1 MB) with 5,000
// technology rows, each with a beam sweep (channel 3 some 1.2 MB). The press generates, writes and
// shows all three and opens the passport, whose header holds them.
void BM_FullStartPressAtTheBound(benchmark::State& state)
{
    fullStartPresses(state, ContourSamples::ringOf3600(15, 5000));
}
BENCHMARK(BM_FullStartPressAtTheBound)->Iterations(3)->Unit(benchmark::kMillisecond);

// A closed "XYZr" circle of D 1000 with 10,000 points walked `passes` times, with 5,000 technology
// rows spread over the seam, each with a beam sweep.
ContourSnapshot largeCircle(int passes)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZr(1000, 0, 0));
    const int points = 10000;
    for (int i = 0; i < points; ++i) {
        const double a = 2 * 3.141592653589793 * i / points;
        s.points.append({{float(std::round(500 * std::cos(a) * 100) / 100), float(std::round(500 * std::sin(a) * 100) / 100), 5},
                         {}});
    }
    s.ring = true;
    s.passes = float(passes);
    s.pointCount = float(points);
    s.weldSpeed = 600;
    s.contourSpeed = 1200;
    s.passLength = 3141.59f;
    const RasterParams circles{2, 12.5f, 12.5f, 0, 500, 0, 0, 1, 0};
    const float seam = s.passLength * float(passes);
    for (int r = 0; r < 5000; ++r) {
        const float path = r == 4999 ? seam : std::round(seam * float(r) / 4999.0f * 100) / 100;
        s.tech << ContourSamples::point(path, r == 0 || r == 4999 ? 0 : 40, 600, TechRow::SweepSet, circles);
    }
    return s;
}

// A press of "ПУСК" on the large circle walked once and three times, in the whole console.
void BM_FullStartPressCircle(benchmark::State& state)
{
    fullStartPresses(state, largeCircle(int(state.range(0))));
}
BENCHMARK(BM_FullStartPressCircle)->ArgName("passes")->Arg(1)->Arg(3)->Iterations(3)->Unit(benchmark::kMillisecond);

// A press refused only once its programs are generated: the ring joint of the bound walked 19 times
// with 5,000 rows (channel 2 passes 2 MB), in the whole console. Nothing is written.
void BM_RefusedAtTheBound(benchmark::State& state)
{
    EditorConsole console;
    if (!consoleWith(state, console, ContourSamples::ringOf3600(19, 5000)))
        return;
    CONTOUR* c = console.contour();
    GuiSlices gui;
    for (auto _ : state) {
        gui.begin();
        c->pbGcode->click();
        gui.pressed();
        const bool done = QTest::qWaitFor([c] { return c->pbGcode->isEnabled(); }, 60000);
        gui.end();
        if (!done || !c->pageProgram(1).isEmpty()) {
            state.SkipWithError("the press was not refused");
            return;
        }
    }
    gui.report(state);
}
BENCHMARK(BM_RefusedAtTheBound)->Iterations(3)->Unit(benchmark::kMillisecond);

// A press whose program would not fit the controller's memory: a ring joint of 3,600 points
// walked 270 times (some 18 MB) is refused as soon as the program passes 2 MB.
void BM_ProgramBeyondTheBound(benchmark::State& state)
{
    ContourSnapshot s = ContourSamples::ringOf3600(270);
    // A beam on all the way: no idle pass to leave out.
    s.tech << ContourSamples::point(0, 20, 600) << ContourSamples::point(1570.8f * 270, 20, 600);
    for (auto _ : state) {
        const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
        if (motion.ok()) {
            state.SkipWithError("the program was not refused");
            return;
        }
    }
}
BENCHMARK(BM_ProgramBeyondTheBound)->Unit(benchmark::kMillisecond);

// The passport of a manual run of channel 1 on the loaded seam.
void BM_PassportHeader(benchmark::State& state)
{
    CONTOUR editor;
    openSeam(editor, state);
    // The channel pages hold the weld's programs, as after its start.
    const ContourSnapshot s = editor.snapshot();
    const WeldProgram::Programs motion = WeldProgram::genContour(s, WeldProgram::GeneratorState());
    editor.teGcode->setPlainText(motion.text1);
    editor.teGcode_3->setPlainText(WeldProgram::genTechnology(s).text3);
    for (auto _ : state)
        editor.startPassport();
    state.counters["passport_bytes"] = double(QFile(editor.passportFile()).size());
}
BENCHMARK(BM_PassportHeader)->Apply(seamSizes)->Unit(benchmark::kMillisecond);

// A press of "Сгенерировать" of the linear tack template with 100 tacks: 401 rows added to a
// table of 1,000 or 4,500 rows, and the table checked.
void BM_TackTemplatePress(benchmark::State& state)
{
    writeSeamFile(1000, int(state.range(0)));
    CONTOUR editor;
    LinTackWelds::Values v;
    v.Ir = 50;
    v.ascend = 1;
    v.peak = 2;
    v.descend = 1;
    v.weldSpeed = 600;
    v.moveSpeed = 1200;
    v.period = 10;
    const TemplatePlan plan = LinTackWelds::plan(QStringLiteral("Прихватки"), LinTackWelds::defaultOrder(100), v);
    for (auto _ : state) {
        state.PauseTiming();
        openBench(editor);
        state.ResumeTiming();
        addRows(editor, plan);
    }
    state.counters["rows_after"] = double(editor.twTechTab->rowCount());
}
BENCHMARK(BM_TackTemplatePress)->ArgName("rows")->Arg(1000)->Arg(4500)->Unit(benchmark::kMillisecond);

// "Добавить точку из контура" for every point of a 1,000-point seam (1,000 rows, the most one
// press adds) into a table of 1,000 or 3,500 rows.
void BM_AddContourPoints(benchmark::State& state)
{
    writeSeamFile(1000, int(state.range(0)));
    CONTOUR editor;
    for (auto _ : state) {
        state.PauseTiming();
        openBench(editor);
        state.ResumeTiming();
        editor.addContourPoint(true, false, 1, 1);
    }
    state.counters["rows_after"] = double(editor.twTechTab->rowCount());
}
BENCHMARK(BM_AddContourPoints)->ArgName("rows")->Arg(1000)->Arg(3500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!TestEnv::setUp())
        return 1;
    QApplication app(argc, argv);
    TestEnv::makeInstallationFolders();
    QDir().mkpath(CONTOUR::contourFolder());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
