#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include "testenv.h"

// The main() of a benchmark that builds widgets: offscreen unless QT_QPA_PLATFORM says otherwise,
// in a private root as the tests run.
inline int runGuiBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!TestEnv::setUp())
        return 1;
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
