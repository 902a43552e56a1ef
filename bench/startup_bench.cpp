// Start-up cost: the time from beginPlugin to the viewer window shown, with
// the plugin's code linked into this program and the recording stand-in for
// the shell answering its calls; and the built DLL's size and imports.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin/plugin.h"
#include "settings/settings.h"
#include "settings/state.h"
#include "settings_store.h"
#include "support/shell_run.h"
#include "support/test_files.h"
#include "trace.h"

static const int Starts = 40;

static double ticksPerMillisecond;

static double nowMilliseconds() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart / ticksPerMillisecond;
}

// --- the DLL's file: size and import table ------------------------------------

struct MappedFile {
    std::vector<unsigned char> bytes;
    const IMAGE_NT_HEADERS32* headers = nullptr;

    const void* at(DWORD rva, DWORD size = 1) const {
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
        for (WORD i = 0; i < headers->FileHeader.NumberOfSections; ++i, ++section) {
            DWORD start = section->VirtualAddress;
            if (rva < start || rva - start >= section->SizeOfRawData) continue;
            DWORD offset = section->PointerToRawData + (rva - start);
            if (offset + size > bytes.size()) return nullptr;
            return bytes.data() + offset;
        }
        return nullptr;
    }
};

static bool readPortableExecutable(const std::string& path, MappedFile* file) {
    file->bytes.clear();
    std::string contents = readFile(path);
    file->bytes.assign(contents.begin(), contents.end());
    if (file->bytes.size() < sizeof(IMAGE_DOS_HEADER)) return false;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)file->bytes.data();
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    if ((size_t)dos->e_lfanew + sizeof(IMAGE_NT_HEADERS32) > file->bytes.size()) return false;
    file->headers = (const IMAGE_NT_HEADERS32*)(file->bytes.data() + dos->e_lfanew);
    return file->headers->Signature == IMAGE_NT_SIGNATURE &&
           file->headers->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
}

static void printImports(const MappedFile& file) {
    const IMAGE_DATA_DIRECTORY& directory =
        file.headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const IMAGE_IMPORT_DESCRIPTOR* module =
        (const IMAGE_IMPORT_DESCRIPTOR*)file.at(directory.VirtualAddress, sizeof *module);
    for (; module && module->Name; ++module) {
        const char* name = (const char*)file.at(module->Name);
        DWORD thunks = module->OriginalFirstThunk ? module->OriginalFirstThunk : module->FirstThunk;
        std::vector<std::string> functions;
        for (const DWORD* thunk = (const DWORD*)file.at(thunks, 4); thunk && *thunk; ++thunk) {
            if (*thunk & IMAGE_ORDINAL_FLAG32) {
                functions.push_back("#" + std::to_string(*thunk & 0xFFFF));
            } else {
                const IMAGE_IMPORT_BY_NAME* byName = (const IMAGE_IMPORT_BY_NAME*)file.at(*thunk, 3);
                functions.push_back(byName ? (const char*)byName->Name : "?");
            }
        }
        std::sort(functions.begin(), functions.end());
        printf("  %s (%u):", name ? name : "?", (unsigned)functions.size());
        for (size_t i = 0; i < functions.size(); ++i) {
            printf("%s%s", i % 6 == 0 ? "\n    " : " ", functions[i].c_str());
        }
        printf("\n");
    }
}

static void printDll(const std::string& path) {
    MappedFile file;
    if (!readPortableExecutable(path, &file)) {
        printf("%s: not found or not a 32-bit PE file\n", path.c_str());
        return;
    }
    printf("qvperuser.dll: %u bytes (%.1f KiB)\n", (unsigned)file.bytes.size(),
           file.bytes.size() / 1024.0);
    printf("imports:\n");
    printImports(file);
    printf("\n");
}

// --- start-up ------------------------------------------------------------------

// One start: beginPlugin, then the time until the viewer window is visible.
// A start that fails, or whose window never shows, counts as a negative time.
static double timeOneStart(HINSTANCE module) {
    ZeroMemory(&state, sizeof state);
    double start = nowMilliseconds();
    holdSettingsFiles();
    int failed = beginPlugin(module);
    releaseSettingsFiles();
    if (failed) return -1;
    double shown = -1;
    for (int spin = 0; spin < 100000; ++spin) {
        if (state.viewerWnd && IsWindowVisible(state.viewerWnd)) {
            shown = nowMilliseconds() - start;
            break;
        }
    }
    endPlugin(module);
    pumpMessages(20);
    return shown;
}

// The floor under any start: a bare EDIT control of the pane's style taking
// the same text.
static double timeBarePane(HWND host, const std::string& text) {
    HWND pane = CreateWindowExA(0, "EDIT", NULL,
                                WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL |
                                    ES_AUTOHSCROLL | ES_WANTRETURN,
                                4, 4, 392, 292, host, NULL, GetModuleHandleA(NULL), NULL);
    double start = nowMilliseconds();
    SetWindowTextA(pane, text.c_str());
    double taken = nowMilliseconds() - start;
    DestroyWindow(pane);
    return taken;
}

static LRESULT CALLBACK plainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The floor under any start on this system: a window like the viewer, with an
// empty pane, made layered and shown, with no plugin code at all.
static double timeBareWindow() {
    double start = nowMilliseconds();
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_LAYERED, "BareViewer", NULL,
                                  WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 10, 10, 400, 300,
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    CreateWindowExA(0, "EDIT", NULL, WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL, 4, 4,
                    392, 292, window, NULL, GetModuleHandleA(NULL), NULL);
    SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
    ShowWindow(window, SW_SHOW);
    double taken = nowMilliseconds() - start;
    DestroyWindow(window);
    pumpMessages(20);
    return taken;
}

// Reading the settings alone, through the shell's functions holding the
// settings file as the shell does while a plugin starts.
static double timeSettingsRead(HINSTANCE module) {
    ZeroMemory(&state, sizeof state);
    state.hInstance = module;
    double start = nowMilliseconds();
    holdSettingsFiles();
    loadSettings();
    releaseSettingsFiles();
    return nowMilliseconds() - start;
}

struct Configuration {
    int readBufferSize;
    std::vector<double> starts;
    std::vector<double> barePanes;
};

static double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int main() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerMillisecond = frequency.QuadPart / 1e3;

    printDll(programFolder() + "..\\qvperuser.dll");

    std::string folder = makeTempFolder("startup-data");
    std::string log;
    for (int i = 0; log.size() < 40000; ++i) log += "start-up line " + std::to_string(i) + "\r\n";
    writeFile(folder + "watched.log", log);
    startShell(makeTempFolder("startup-shell"));
    recordTrace(NULL);  // as in a shell started without --trace
    // A window of the process shown before, as a shell has.
    HWND host = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", NULL, WS_POPUP, 0, 0, 400, 300, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
    ShowWindow(host, SW_SHOW);
    HINSTANCE module = GetModuleHandleA(NULL);

    // The two configurations take turns, so that load from other programs
    // falls on both alike.
    std::vector<Configuration> configurations = {{512, {}, {}}, {32767, {}, {}}};
    WNDCLASSA bareClass = {};
    bareClass.lpfnWndProc = plainWindowProc;
    bareClass.hInstance = module;
    bareClass.lpszClassName = "BareViewer";
    RegisterClassA(&bareClass);
    std::vector<double> bareWindows, settingsReads;
    bool failed = false;
    for (int round = 0; round < Starts; ++round) {
        bareWindows.push_back(timeBareWindow());
        for (Configuration& configuration : configurations) {
            writeFile(programFolder() + "qvperuser.rc",
                      "qvperuser.filePath: " + folder + "watched.log\r\n" +
                          "qvperuser.readBufferSize: " +
                          std::to_string(configuration.readBufferSize) + "\r\n" +
                          "qvperuser.autoReload: true\r\n" +
                          "qvperuser.width: 400\r\nqvperuser.height: 300\r\n");
            double taken = timeOneStart(module);
            failed = failed || taken < 0;
            configuration.starts.push_back(taken);
            configuration.barePanes.push_back(
                timeBarePane(host, log.substr(log.size() - configuration.readBufferSize)));
        }
        settingsReads.push_back(timeSettingsRead(module));
    }
    printf("Start-up, beginPlugin to the window visible, %d starts each, taking turns\n", Starts);
    printf("%-22s %10s %10s %10s %14s\n", "shown of a 40 KB log", "first ms", "median ms",
           "slowest ms", "bare pane ms");
    for (const Configuration& configuration : configurations) {
        std::vector<double> sorted = configuration.starts;
        std::sort(sorted.begin(), sorted.end());
        printf("%-22s %10.2f %10.2f %10.2f %14.2f\n",
               (std::to_string(configuration.readBufferSize) + " bytes").c_str(),
               configuration.starts[0], median(configuration.starts), sorted.back(),
               median(configuration.barePanes));
    }
    printf("Target: under 20 ms. bare pane: an EDIT control of the pane's style taking the\n");
    printf("same text, the part of a start that grows with the bytes shown.\n");
    printf("Floors, medians: a bare layered window with an empty EDIT child, created and\n");
    printf("shown, no plugin code: %.2f ms; the settings read alone through the shell's\n",
           median(bareWindows));
    printf("functions: %.2f ms\n", median(settingsReads));
    if (failed) printf("  ! a start failed or its window never showed\n");

    DestroyWindow(host);
    stopShell();
    removeFile(programFolder() + "qvperuser.rc");
    removeFile(folder + "watched.log");
    return 0;
}
