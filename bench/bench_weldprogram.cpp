// Generating the programs of a large weld, as a press of the start button does: a ring joint of
// 100 points walked 10 times with 50 technology rows (a beam ramp, sweeps and a stop). Goal:
// well under 50 ms, so that the press never stalls the window.

#include <benchmark/benchmark.h>

#include <cmath>

#include "weldprogram.h"

namespace {

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

void BM_FullStartPrograms(benchmark::State& state)
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
BENCHMARK(BM_FullStartPrograms)->Unit(benchmark::kMillisecond);

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

}  // namespace

BENCHMARK_MAIN();
