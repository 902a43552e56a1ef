// Collapse Repeats: a repeat's count changed in place against the floor of
// a 100-byte line appended, with repeats collapsed and not, in one run, the
// set-ups taking turns batch by batch on a pane of 32767 bytes.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_start.h"
#include "bench_timing.h"
#include "plugin/plugin.h"
#include "settings/state.h"
#include "settings/text.h"
#include "support/plugin_fixture.h"
#include "tail/file_reader.h"
#include "tail/tail.h"

static const int Rounds = 15;
static const int Calls = 20;

static std::string logPath() { return programFolder() + "repeats.log"; }

// A 100-byte line, CR LF included: its time, then a text the same for every
// repeat, or told apart by its number.
static std::string line(int number, bool repeat) {
    char text[128];
    snprintf(text, sizeof text, "2026-12-08 10:%02d:%02d.%03d WARN connection refused %s", (number / 60) % 60,
             number % 60, number % 1000, repeat ? "by the pool" : std::to_string(number).c_str());
    std::string padded(text);
    padded.resize(98, '.');
    return padded + "\r\n";
}

static int appended = 0;

static void watchAgain(bool collapse) {
    std::string text;
    for (int i = 0; text.size() < 40000; ++i) text += line(i, false);
    writeFile(logPath(), text + line(0, true));
    state.collapseRepeats = collapse;
    showWatchedFileAgain();
    while (fileReaderBusy(0)) pumpMessages(5);
}

static void appendRepeat() { appendFile(logPath(), line(1000 + appended++, true)); }
static void appendOther() { appendFile(logPath(), line(1000 + appended++, false)); }

// The count was changed in place: the pane's last row ends with it.
static bool countShown() {
    std::wstring text = paneWideText();
    return text.find(L" \u00D7") != std::wstring::npos && text.rfind(L"by the pool") != std::wstring::npos;
}

int main() {
    startShell(programFolder());
    writeFile(logPath(), line(0, true));
    if (!startBenchPlugin("qvperuser.readBufferSize: 32767\r\nqvperuser.filePath: " + logPath() + "\r\n")) return 1;
    // Appends with repeats not collapsed, appends collapsed, repeats collapsed.
    std::vector<double> perCall[3];
    bool counted = true;
    for (int round = -1; round < Rounds; ++round) {
        for (int setup = 0; setup < 3; ++setup) {
            watchAgain(setup > 0);
            Method method(Calls, setup == 2 ? appendRepeat : appendOther, reloadFileTail);
            double spent = timedBatch(method) / Calls;
            if (setup == 2) counted = counted && countShown();
            if (round >= 0) perCall[setup].push_back(spent);
        }
    }
    double plain = median(perCall[0]), collapsed = median(perCall[1]), repeat = median(perCall[2]);
    printf("A repeat's count changed against a 100-byte append, pane of 32767 bytes, per call,\n"
           "medians of %d batches of %d calls\n", Rounds, Calls);
    printf("  100-byte append, repeats not collapsed %9.1f us\n", plain);
    printf("  100-byte append, repeats collapsed     %9.1f us\n", collapsed);
    printf("  repeat counted in place                %9.1f us\n", repeat);
    printf("  ratio to the append collapsed          %9.2f    (target <= 1.0)\n", repeat / collapsed);
    printf("  ratio to the append not collapsed      %9.2f\n", repeat / plain);
    if (!counted) printf("  ! a repeat was not counted on its row\n");
    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    return 0;
}
