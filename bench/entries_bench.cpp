// Cost of multi-line entries: a full reload of 32767 bytes of a log of
// stack traces, and a 100-byte append to it, with eight colour rules and
// multi-line entries (the first lines shown read back for their entry's
// first line) against the same with both off. Methods take turns batch by
// batch; medians are printed with the ratios the targets are stated in.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_start.h"
#include "append_bench.h"
#include "bench_timing.h"
#include "plugin/plugin.h"
#include "settings/state.h"
#include "support/shell_run.h"
#include "support/test_files.h"
#include "tail/sources.h"
#include "tail/tail.h"
#include "trace.h"
#include "viewer/pane_colours.h"

// An ERROR line with a trace of twenty frames under it, then an INFO line.
static std::string tracesOfSize(size_t size, int first = 0) {
    std::string text;
    char line[96];
    for (int i = first; text.size() < size; ++i) {
        snprintf(line, sizeof line, "2026-12-08 10:%02d:%02d ERROR request %d failed\r\n", i / 60 % 60, i % 60, i);
        text += line;
        text += "java.lang.IllegalStateException: the pool is closed\r\n";
        for (int frame = 0; frame < 20; ++frame) {
            snprintf(line, sizeof line, "\tat com.example.Pool.take(Pool.java:%d)\r\n", 100 + frame);
            text += line;
        }
        snprintf(line, sizeof line, "2026-12-08 10:%02d:%02d INFO request %d retried\r\n", i / 60 % 60, i % 60, i);
        text += line;
    }
    text.resize(size);
    return text;
}

static const char* const eightRules[8] = {
    "#C00000/#FFE0E0 ERROR|FATAL|CRITICAL|Exception|Traceback",
    "#A05A00 WARN",
    "#0000C0 time*out|timed out",
    "#008000 disk?full|no space",
    "#800080 connection refused|reset by peer",
    "#808000 *fail*ed",
    "#008080 denied|forbidden",
    "#404040 OutOfMemoryError",
};

static void useEntries(bool on) {
    state.multiLine = on;
    state.highlight = on;
    applyHighlightSettings();
}

static void benchReload(const std::string& path) {
    writeFile(path, tracesOfSize(1024 * 1024));
    std::vector<double> medians =
        medianPerCall(15, {{3, [] { useEntries(true); }, forcedReload},
                           {3, [] { useEntries(false); }, forcedReload}});
    printf("Full reload of 32767 bytes of traces, per call, median of 15 batches of 3\n");
    printf("  eight rules, multi-line entries     %9.1f us\n", medians[0]);
    printf("  rules and entries off               %9.1f us\n", medians[1]);
    printf("  ratio                               %9.2f    (target <= 1.25)\n\n",
           medians[0] / medians[1]);
}

// Each call shows 100 new bytes of traces by an append, after a full reload not timed.
static void benchAppend(const std::string& path) {
    std::vector<double> medians = appendMedians(path, tracesOfSize(100, 5000), useEntries);
    printOnAgainstOff("A 100-byte append of traces at 32767, per call, median of 21 batches of 3", "eight rules, multi-line entries", "rules and entries off", medians, 1.25);
}

int main() {
    std::string folder = makeTempFolder("bench-entries");
    std::string path = folder + "traces.log";
    writeFile(path, tracesOfSize(1024));
    startShell(makeTempFolder("bench-entries-shell"));
    recordTrace(NULL);
    std::string rules;
    for (uint32_t r = 0; r < 8; ++r) rules += "qvperuser.highlight" + std::to_string(r + 1) + ": " + eightRules[r] + "\r\n";
    if (!startBenchPlugin("qvperuser.filePath: " + path + "\r\nqvperuser.readBufferSize: 32767\r\n" +
                          "qvperuser.width: 400\r\nqvperuser.height: 300\r\n" + rules)) {
        return 1;
    }
    benchReload(path);
    benchAppend(path);
    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    removeFile(path);
    removeFile(programFolder() + "qvperuser.rc");
    return 0;
}
