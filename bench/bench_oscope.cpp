// The strip chart with eight curves: one sampling tick, one full repaint of a 1000 px plot, and
// the memory the curves hold when they are new and once their eight-hour rings are full.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "oscope.h"

namespace {

constexpr int kCurves = 8;
constexpr qint64 kStart = 1700000000000;

QString curveName(int i)
{
    return QStringLiteral("Кривая %1").arg(i + 1);
}

QMap<QString, float> valuesAt(qint64 centisec)
{
    QMap<QString, float> values;
    for (int i = 0; i < kCurves; ++i)
        values[curveName(i)] = float(50.0 + 40.0 * std::sin(double(centisec) / (300.0 + 70.0 * i)));
    return values;
}

struct Chart {
    Chart()
    {
        oscope.setClock([this] { return ms; });
        oscope.resize(1100, 600);  // margin 50, plot 1000 x 550
        for (int i = 0; i < kCurves; ++i) {
            oscope.addCurve(curveName(i), 100.0f, QColor::fromHsv(45 * i, 255, 255), 1);
            oscope.addOrdinate(curveName(i), 10.0f * float(i + 1));
        }
        oscope.start();
    }
    void tick(qint64 msecs)
    {
        ms += msecs;
        oscope.timeEvent();
    }
    qint64 ms = kStart;
    Oscope oscope;
};

double residentMiB()
{
    long pages = 0, resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = -1;
    std::fclose(statm);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void BM_OscopeTick(benchmark::State& state)
{
    Chart chart;
    chart.oscope.setValues(valuesAt(0));
    for (auto _ : state)
        chart.tick(10);
    state.SetItemsProcessed(state.iterations() * kCurves);
}
BENCHMARK(BM_OscopeTick);

// The whole widget (plot, grid, ordinates, legend, markers, the zoom bar and the button) into an
// image, with every pixel column of the plot carrying a sample of each curve.
void BM_OscopeRepaint(benchmark::State& state)
{
    Chart chart;
    chart.oscope.show();
    chart.oscope.setZoomIndex(int(state.range(0)));
    const qint64 span = chart.oscope.span();
    for (qint64 t = 0; t <= span; t += 50) {
        chart.oscope.setValues(valuesAt(t));
        chart.tick(500);
    }
    QImage image(chart.oscope.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        chart.oscope.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    if (chart.oscope.plotWidth() != 1000 || chart.oscope.offsetCentisec() + span < chart.oscope.currentCentisec())
        state.SkipWithError("the plot is not 1000 px of samples");
}
BENCHMARK(BM_OscopeRepaint)->ArgName("zoom")->Arg(0)->Arg(12)->Unit(benchmark::kMicrosecond);

// Resident memory of eight curves: right after they are added, and after eight hours of samples
// (the largest jump the time base takes in one tick fills every ring whole).
void BM_OscopeMemory(benchmark::State& state)
{
    for (auto _ : state) {
        const double before = residentMiB();
        auto chart = std::make_unique<Chart>();
        const double added = residentMiB();
        chart->oscope.setValues(valuesAt(0));
        chart->tick(Oscope::kStoreSize * 10);
        const double full = residentMiB();
        if (chart->oscope.currentCentisec() != Oscope::kStoreSize)
            state.SkipWithError("the rings were not filled");
        state.counters["new_MiB"] = added - before;
        state.counters["full_MiB"] = full - before;
        state.counters["per_curve_full_MiB"] = (full - before) / kCurves;
    }
}
BENCHMARK(BM_OscopeMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
