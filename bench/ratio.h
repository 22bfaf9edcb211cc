#pragma once
// Timing of a benchmark that compares the program's code with a bare baseline in the same run, and the
// line that reports the ratio against its target.
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

// The best of `runs`: the least disturbed by the rest of the machine. setup runs untimed before each.
inline double best(const std::function<void()>& work, const std::function<void()>& setup = {}, int runs = 5) {
    double fastest = 1e9;
    for (int i = 0; i < runs; ++i) {
        if (setup)
            setup();
        QElapsedTimer timer;
        timer.start();
        work();
        fastest = std::min(fastest, double(timer.nsecsElapsed()) / 1e9);
    }
    return fastest;
}

inline void report(const char* what, double ours, double bare, double target) {
    const double ratio = ours / bare;
    std::printf("%-44s %8.4f s vs %8.4f s  ratio %.2f (target <= %.1f: %s)\n", what, ours, bare, ratio, target,
                ratio <= target ? "met" : "missed");
    std::fflush(stdout);
}
