// A setting's cost on a whole reload and on a 100-byte append, against the
// same with it off, as the plugin's benchmarks time them: the append timed
// after a full reload that is not.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "tail/sources.h"
#include "tail/tail.h"

inline void forcedReload() {
    forgetWatchedFile(sources[0]);
    reloadFileTail();
}

// Each call shows `appended` by an append to the file at path, with the
// setting on (first) and off.
inline std::vector<double> appendMedians(const std::string& path, const std::string& appended, void (*use)(bool)) {
    HANDLE writer = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    auto prepare = [&](bool on) {
        use(on);
        forcedReload();
        DWORD written = 0;
        WriteFile(writer, appended.data(), (DWORD)appended.size(), &written, NULL);
    };
    std::vector<double> medians =
        medianPerCall(21, {{3, [&] { prepare(true); }, reloadFileTail},
                           {3, [&] { prepare(false); }, reloadFileTail}});
    CloseHandle(writer);
    return medians;
}

// The two medians, per call, and their ratio against its target.
inline void printOnAgainstOff(const char* title, const char* on, const char* off,
                              const std::vector<double>& medians, double target) {
    printf("%s\n", title);
    printf("  %-35s %9.1f us\n", on, medians[0]);
    printf("  %-35s %9.1f us\n", off, medians[1]);
    printf("  %-35s %9.2f    (target <= %.2f)\n\n", "ratio", medians[0] / medians[1], target);
}
