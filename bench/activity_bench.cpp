// Cost of the activity strip: a burst of 10,000 lines appended to a log
// between two looks, shown (the look, and the window's paint after it) with
// the strip on against the strip off, the status line on in both. Lines are
// counted for the strip either way (so that it shows the hour when switched
// on): the difference is the bars' work and their drawing. Methods take
// turns batch by batch; medians are printed with the ratio the target is
// stated in.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_start.h"
#include "bench_timing.h"
#include "settings/state.h"
#include "support/shell_run.h"
#include "support/test_files.h"
#include "tail/tail.h"
#include "viewer/status_line.h"

static std::string path;
static std::string before, burst;

static std::string lines(int first, int count) {
    std::string text;
    char line[80];
    for (int i = first; i < first + count; ++i) {
        snprintf(line, sizeof line, "2026-12-08 10:%02d:%02d %s bench line %d\r\n", i / 60 % 60, i % 60,
                 i % 50 == 0 ? "ERROR" : "INFO", i);
        text += line;
    }
    return text;
}

// The log as it was, shown, then the burst written: the next look shows it.
static void prepareBurst(bool strip) {
    if (state.activity != strip) {
        state.activity = strip;
        applyStatusLine();
    }
    writeFile(path, before);
    forgetWatchedFile(sources[0]);
    reloadFileTail();
    pumpMessages(10);
    appendFile(path, burst);
}

static void showBurst() {
    reloadFileTail();
    UpdateWindow(state.viewerWnd);
}

int main() {
    std::string folder = makeTempFolder("bench-activity");
    path = folder + "burst.log";
    before = lines(0, 200);
    burst = lines(200, 10000);
    writeFile(path, before);
    startShell(makeTempFolder("bench-activity-shell"));
    if (!startBenchPlugin("qvperuser.filePath: " + path +
                          "\r\nqvperuser.width: 600\r\nqvperuser.height: 300\r\nqvperuser.statusLine: true\r\n"
                          "qvperuser.readBufferSize: 32767\r\nqvperuser.highlight1: #C00000 ERROR\r\n")) {
        return 1;
    }
    std::vector<double> medians = medianPerCall(15, {{3, [] { prepareBurst(true); }, showBurst},
                                                    {3, [] { prepareBurst(false); }, showBurst}});
    printf("A burst of 10,000 lines shown at one look, per look, median of 15 batches of 3\n");
    printf("  strip on                            %9.1f us\n", medians[0]);
    printf("  strip off                           %9.1f us\n", medians[1]);
    printf("  ratio                               %9.2f    (target <= 1.1)\n", medians[0] / medians[1]);

    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    removeFile(path);
    removeFile(programFolder() + "qvperuser.rc");
    return 0;
}
