// Timing shared by the benchmarks: microseconds from the performance
// counter, and medians of batches in which the methods compared take turns.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

inline double nowMicroseconds() {
    static double ticksPerMicrosecond = 0;
    if (ticksPerMicrosecond == 0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        ticksPerMicrosecond = frequency.QuadPart / 1e6;
    }
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart / ticksPerMicrosecond;
}

// A call to time, callsPerBatch times a batch; with a preparation, each call
// is timed alone, after its preparation.
struct Method {
    Method(int calls, std::function<void()> timed) : callsPerBatch(calls), call(timed) {}
    Method(int calls, std::function<void()> before, std::function<void()> timed)
        : callsPerBatch(calls), prepare(before), call(timed) {}
    int callsPerBatch;
    std::function<void()> prepare;
    std::function<void()> call;
};

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double timedBatch(const Method& method) {
    if (!method.prepare) {
        double start = nowMicroseconds();
        for (int i = 0; i < method.callsPerBatch; ++i) method.call();
        return nowMicroseconds() - start;
    }
    double spent = 0;
    for (int i = 0; i < method.callsPerBatch; ++i) {
        method.prepare();
        double start = nowMicroseconds();
        method.call();
        spent += nowMicroseconds() - start;
    }
    return spent;
}

// For each method, the median over batches of the mean time per call within
// a batch. The methods take turns batch by batch, so that load from other
// programs falls on all of them alike; one round is run first and discarded.
inline std::vector<double> medianPerCall(int batches, const std::vector<Method>& methods) {
    std::vector<std::vector<double>> perCall(methods.size());
    for (int b = -1; b < batches; ++b) {
        for (size_t m = 0; m < methods.size(); ++m) {
            double elapsed = timedBatch(methods[m]);
            if (b >= 0) perCall[m].push_back(elapsed / methods[m].callsPerBatch);
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& times : perCall) medians.push_back(median(times));
    return medians;
}
