// Several sources against one, in one run: a look at four unchanged
// sources against a look at one, and a 100-byte append to one of four
// against the same append to a single source. The two set-ups take turns
// batch by batch, so that load from other programs falls on both alike.
// Then the bytes a whole read asks of the file against the bytes it shows,
// for logs of 2 MiB: one source with `lines 50`, and four sources.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_start.h"
#include "bench_timing.h"
#include "support/import_hook.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/file_reader.h"
#include "tail/tail.h"

static const int Rounds = 15;

static std::string logPath(int source) { return programFolder() + "source" + std::to_string(source) + ".log"; }

static std::string timedLines(int source, int first, int count) {
    std::string text;
    char line[96];
    for (int i = first; i < first + count; ++i) {
        snprintf(line, sizeof line, "2026-12-08 10:%02d:%02d.%03d source %d line %06d\r\n",
                 (i / 60) % 60, i % 60, i % 1000, source, i);
        text += line;
    }
    return text;
}

// count sources watched, each shown anew.
static void watchSources(int count) {
    copyText(state.filePath, FilePathSize, logPath(0).c_str());
    for (int s = 1; s < (int)MostSources; ++s) {
        std::string value = s < count ? "s" + std::to_string(s) + " " + logPath(s) : "";
        copyText(state.sourceSettings[s - 1], SourceSettingSize, value.c_str());
    }
    showWatchedFileAgain();
    for (int s = 0; s < (int)MostSources; ++s) {
        while (fileReaderBusy(s)) pumpMessages(5);
    }
}

static int appended = 0;

// A 100-byte line at the end of the first source.
static void appendALine() {
    std::string line = timedLines(0, 100000 + appended++, 1);
    line.resize(98, '.');
    appendFile(logPath(0), line + "\r\n");
}

// The median per call of each set-up, the two taking turns batch by batch.
static void compare(const char* title, int calls, bool grow, double target) {
    std::vector<double> perCall[2];
    for (int round = -1; round < Rounds; ++round) {
        for (int setup = 0; setup < 2; ++setup) {
            watchSources(setup == 0 ? 1 : MostSources);
            Method method = grow ? Method(calls, appendALine, reloadFileTail) : Method(calls, reloadFileTail);
            double spent = timedBatch(method) / calls;
            if (round >= 0) perCall[setup].push_back(spent);
        }
    }
    double one = median(perCall[0]), four = median(perCall[1]);
    printf("%s, per call, medians of %d batches of %d calls\n", title, Rounds, calls);
    printf("  one source                          %9.1f us\n", one);
    printf("  four sources                        %9.1f us\n", four);
    printf("  ratio                               %9.2f    (target <= %.1f)\n\n", four / one, target);
}

// The bytes every source shows of its file, after each was shown anew.
static uint64_t bytesShown() {
    uint64_t shown = 0;
    for (const Source& source : sources) shown += source.active ? source.shownTail.bytes.count : 0;
    return shown;
}

static void readsAgainstShown(ReadFileCounter& reads, const char* title, int sources, const char* more) {
    for (int buffer : {4096, 32767}) {
        state.readBufferSize = buffer;
        state.lines = 0;
        if (more) state.lines = 50;
        reads.reset();
        watchSources(sources);
        double ratio = (double)reads.bytesAsked() / (double)bytesShown();
        printf("  %-28s readBufferSize %5d: %8llu bytes asked for %6llu shown: %5.2f (target <= 1.5)\n", title,
               buffer, reads.bytesAsked(), (unsigned long long)bytesShown(), ratio);
    }
}

int main() {
    startShell(programFolder());
    for (int s = 0; s < (int)MostSources; ++s) writeFile(logPath(s), timedLines(s, 0, 200));
    if (!startBenchPlugin("qvperuser.readBufferSize: 4096\r\nqvperuser.filePath: " + logPath(0) + "\r\n")) return 1;
    compare("A look at unchanged sources", 200, false, 4.5);
    compare("A 100-byte append to the first source", 20, true, 1.5);
    for (int s = 0; s < (int)MostSources; ++s) {
        std::string big = timedLines(s, 0, 40000);
        writeFile(logPath(s), big);
    }
    ReadFileCounter reads;
    printf("Bytes a whole read asks of logs of %lu bytes against the bytes it shows\n",
           (unsigned long)timedLines(0, 0, 40000).size());
    readsAgainstShown(reads, "one source, lines 50", 1, "lines");
    readsAgainstShown(reads, "four sources", (int)MostSources, NULL);
    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    return 0;
}
