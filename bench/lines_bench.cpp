// Cost of showing whole lines and filtered lines: the last 20 lines of a
// 5 GiB file against a 1 KiB one, a filter's scan of 4 MiB that finds nothing
// against a bare read of those 4 MiB and a plain search of their bytes, and a
// 100-byte append to a filtered pane against a full filtered reload.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_files.h"
#include "bench_start.h"
#include "bench_timing.h"
#include "plugin/plugin.h"
#include "settings/state.h"
#include "settings/text.h"
#include "support/shell_run.h"
#include "support/test_files.h"
#include "tail/file_reader.h"
#include "tail/tail.h"
#include "trace.h"

static const ULONGLONG KiB = 1024;
static const ULONGLONG MiB = 1024 * KiB;
static const ULONGLONG GiB = 1024 * MiB;

// Heartbeat lines, with an error every errorEvery lines (0: none).
static std::string logOfSize(ULONGLONG size, int errorEvery = 0) {
    std::string text;
    char line[80];
    for (int i = 1; text.size() < size; ++i) {
        const char* what = errorEvery && i % errorEvery == 0 ? "ERROR" : "INFO";
        snprintf(line, sizeof line, "2026-12-08 10:%02d:%02d %s worker %05d heartbeat ok\n",
                 i / 60 % 60, i % 60, what, i % 100000);
        text += line;
    }
    text.resize((size_t)size);
    return text;
}

// A hole, then 64 KiB of lines.
static void makeSparseLog(const std::string& path, ULONGLONG size) {
    writeSparseFileEndingIn(path, size, logOfSize(64 * KiB));
}

// A scan longer than the shell's thread waits for is answered by a posted
// message: the time runs until the answer is shown.
static void untilShown() {
    while (fileReaderBusy(0)) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 1, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

static void showAgain(const std::string& path, int lines, const char* filterShow) {
    copyText(state.filePath, FilePathSize, path.c_str());
    state.lines = lines;
    copyText(state.filterShow, FilterTextSize, filterShow);
    showWatchedFileAgain();
    untilShown();
}

static void benchLinesOfAHugeFile(const std::string& folder) {
    std::string small = folder + "1k.log", huge = folder + "5g.log";
    writeFile(small, logOfSize(KiB));
    makeSparseLog(huge, 5 * GiB);
    std::vector<double> medians = medianPerCall(15, {{10, [&] { showAgain(small, 20, ""); }},
                                                     {10, [&] { showAgain(huge, 20, ""); }}});
    printf("The last 20 lines, per forced reload, medians of 15 batches of 10\n");
    printf("  1 KiB file                        %9.1f us\n", medians[0]);
    printf("  5 GiB file                        %9.1f us\n", medians[1]);
    printf("  ratio                             %9.2f    (target <= 1.5)\n\n", medians[1] / medians[0]);
    removeFile(huge);
    removeFile(small);
}

static std::vector<char> bareBuffer(4 * MiB);
static volatile size_t found;

static void bareReadAndSearch(const std::string& path, const char* word) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD bytesRead = 0;
    ReadFile(file, bareBuffer.data(), (DWORD)bareBuffer.size(), &bytesRead, NULL);
    CloseHandle(file);
    const char* begin = bareBuffer.data();
    const char* end = begin + bytesRead;
    size_t length = strlen(word);
    found = std::search(begin, end, word, word + length) - begin;
}

// The same filtered reload with a scan limit of one line shows the same
// notice: what is left is the scan.
static void benchFilterScan(const std::string& folder) {
    std::string path = folder + "4m.log";
    writeFile(path, logOfSize(4 * MiB));
    const char* nothing = "no such words";
    auto filtered = [&](int scanLimit) {
        state.scanLimit = scanLimit;
        showAgain(path, 0, nothing);
    };
    std::vector<double> medians = medianPerCall(9, {{3, [&] { filtered((int)(4 * MiB)); }},
                                                    {3, [&] { filtered(64); }},
                                                    {3, [&] { bareReadAndSearch(path, nothing); }}});
    double scan = medians[0] - medians[1];
    printf("A filter that passes no line, scanning 4 MiB, medians of 9 batches of 3\n");
    printf("  filtered forced reload, 4 MiB     %9.1f us\n", medians[0]);
    printf("  the same, 64 bytes                %9.1f us\n", medians[1]);
    printf("  the scan: the difference          %9.1f us\n", scan);
    printf("  bare read of 4 MiB + plain search %9.1f us\n", medians[2]);
    printf("  ratio scan / bare                 %9.2f    (target <= 2)\n\n", scan / medians[2]);
    removeFile(path);
}

// Rounds of: a 100-byte line that passes appended and shown by the reload
// timer's call, then the same file shown again in full, whose last 20
// passing lines lie in its last 2 MiB or so. A filter of plain words is
// looked for in the bytes; one with a word beyond ASCII decodes every line.
static void benchFilteredAppend(const std::string& folder, const char* filter) {
    std::string path = folder + "growing.log";
    writeFile(path, logOfSize(4 * MiB, 2000));
    HANDLE writer = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    std::string hundred = "2026-12-08 11:00:00 ERROR worker 00001 disk full, and more text\n";
    hundred.resize(99, 'x');
    hundred += "\n";
    state.scanLimit = (int)(4 * MiB);
    showAgain(path, 20, filter);
    std::vector<double> appended, full;
    DWORD written = 0;
    for (int round = 0; round < 21; ++round) {
        WriteFile(writer, hundred.data(), (DWORD)hundred.size(), &written, NULL);
        double start = nowMicroseconds();
        reloadFileTail();
        untilShown();
        appended.push_back(nowMicroseconds() - start);
        start = nowMicroseconds();
        showWatchedFileAgain();
        untilShown();
        full.push_back(nowMicroseconds() - start);
    }
    CloseHandle(writer);
    printf("A 100-byte append to a pane of the last 20 lines that pass \"%s\",\n", filter);
    printf("medians of 21 rounds\n");
    printf("  append                            %9.1f us\n", median(appended));
    printf("  full filtered reload              %9.1f us\n", median(full));
    printf("  ratio                             %9.2f    (target <= 0.33)\n\n",
           median(appended) / median(full));
    removeFile(path);
}

int main() {
    std::string folder = makeTempFolder("lines-bench-data");
    startShell(makeTempFolder("lines-bench-shell"));
    recordTrace(NULL);
    if (!startBenchPlugin("qvperuser.width: 400\r\nqvperuser.height: 300\r\n"
                          "qvperuser.readBufferSize: 4096\r\n")) {
        return 1;
    }
    benchLinesOfAHugeFile(folder);
    benchFilterScan(folder);
    benchFilteredAppend(folder, "error|warn");
    benchFilteredAppend(folder, "error|warn|\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0");
    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    removeFile(programFolder() + "qvperuser.rc");
    return 0;
}
