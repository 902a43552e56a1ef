// The plugin's run that bench/memory_bench.sh measures from outside: the
// stand-in shell started (its windows shown, its functions linked in), then
// the plugin started, then 1,000 reloads of a growing log. At each of these
// points it names the point in memory_probe.phase beside itself and waits
// until the script has read the process's memory and removed the file. One
// set-up a run, so that nothing of another set-up stays resident:
// "memory_probe one" (one source at readBufferSize 4096) or "memory_probe
// four" (four sources at 32767 with colour rules, filters and the status
// line).
//
// "memory_probe floor N" measures, in a process of its own, what Wine
// itself charges for what the plugin asks of it: a window of the shell's
// thread taking the focus (Wine initialises COM for the thread then, about
// a megabyte, whoever's the window) and N threads that wait, as the N
// readers do (Wine touches about a megabyte for each thread it runs, a
// thread that has ended included). Windows charges neither.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_start.h"
#include "shell.h"
#include "settings/state.h"
#include "tail/file_reader.h"
#include "tail/tail.h"

static const int Reloads = 1000;

// Wine reports no private memory (PrivateUsage stays 0), and a file of
// /proc opened from here is opened by the wineserver: the script reads the
// process's memory from Linux.
static void measuredAt(const char* phase) {
    std::string marker = programFolder() + "memory_probe.phase";
    writeFile(marker, phase);
    pumpUntil([&] { return GetFileAttributesA(marker.c_str()) == INVALID_FILE_ATTRIBUTES; }, 60000);
}

static std::string logPath(int source) { return programFolder() + "memory" + std::to_string(source) + ".log"; }

static int written = 0;

// Lines with a time, now and then a warning or an error, as a log has.
static std::string logLines(int source, int count) {
    std::string text;
    char line[128];
    for (int i = 0; i < count; ++i, ++written) {
        const char* level = written % 17 == 0 ? "ERROR" : written % 5 == 0 ? "WARN" : "INFO";
        snprintf(line, sizeof line, "2026-12-08 10:%02d:%02d.%03d %s source %d request %06d served\r\n",
                 (written / 60) % 60, written % 60, written % 1000, level, source, written);
        text += line;
    }
    return text;
}

static void waitForReaders() {
    for (uint32_t s = 0; s < MostSources; ++s) {
        while (fileReaderBusy(s)) pumpMessages(5);
    }
    pumpMessages(20);
}

static std::string settingsFor(int sources) {
    std::string settings = "qvperuser.filePath: " + logPath(0) + "\r\n";
    if (sources == 1) return settings + "qvperuser.readBufferSize: 4096\r\n";
    for (int s = 1; s < sources; ++s) {
        settings += "qvperuser.source" + std::to_string(s + 1) + ": s" + std::to_string(s) + " " +
                    logPath(s) + "\r\n";
    }
    return settings +
           "qvperuser.readBufferSize: 32767\r\nqvperuser.statusLine: true\r\n"
           "qvperuser.filterShow: INFO|WARN|ERROR\r\nqvperuser.filterHide: request 0000\r\n"
           "qvperuser.highlight3: #2060C0 served\r\nqvperuser.highlight4: /#E0ECFF word WARN\r\n"
           "qvperuser.highlight1: #C00000/#FFE0E0 alert ERROR\r\n";
}

static DWORD WINAPI waitingThread(LPVOID event) {
    WaitForSingleObject((HANDLE)event, INFINITE);
    return 0;
}

static int measureFloor(int threads) {
    startShell(programFolder());
    pumpMessages(200);
    measuredAt("shell");
    HWND focused = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 40, 20, shell.mainWnd,
                                   NULL, NULL, NULL);
    SetFocus(focused);
    HANDLE quit = CreateEventA(NULL, TRUE, FALSE, NULL);
    for (int i = 0; i < threads; ++i) CloseHandle(CreateThread(NULL, 0, waitingThread, quit, 0, NULL));
    pumpMessages(200);
    measuredAt("floor");
    SetEvent(quit);
    DestroyWindow(focused);
    stopShell();
    return 0;
}

int main(int count, char** arguments) {
    std::string setup = count > 1 ? arguments[1] : "one";
    if (setup == "floor") return measureFloor(count > 2 ? atoi(arguments[2]) : 1);
    int sources = setup == "four" ? 4 : 1;
    startShell(programFolder());
    for (int s = 0; s < sources; ++s) writeFile(logPath(s), logLines(s, 2000));
    pumpMessages(200);
    measuredAt("shell");
    if (!startBenchPlugin(settingsFor(sources))) return 1;
    waitForReaders();
    measuredAt("started");
    for (int reload = 0; reload < Reloads; ++reload) {
        appendFile(logPath(reload % sources), logLines(reload % sources, 3));
        reloadFileTail();
        waitForReaders();
        if (reload == Reloads / 10 - 1) measuredAt("tenth");
    }
    measuredAt("reloaded");
    endPlugin(GetModuleHandleA(NULL));
    stopShell();
    return 0;
}
