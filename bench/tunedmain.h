#pragma once
// The main() of a benchmark of the program's own code: it runs with the program's memory settings.
// Without them each large string comes fresh from the system, and its page faults, not the work
// measured, set the larger sizes' times.
#include "renewal/processtuning.h"

#include <benchmark/benchmark.h>

inline int runTunedBenchmarks(int argc, char** argv) {
    ProcessTuning::keepFreedMemory();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
