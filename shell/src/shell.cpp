#include "shell.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "host/host.h"
#include "menu_windows.h"
#include "settings_store.h"
#include "slit.h"
#include "styles.h"
#include "trace.h"

Shell shell;

typedef int(__cdecl* BeginProc)(HINSTANCE);
typedef int(__cdecl* BeginSlitProc)(HINSTANCE, HWND);
typedef void(__cdecl* EndProc)(HINSTANCE);

struct LoadedPlugin {
    std::string path;
    HMODULE module;
    EndProc end;
};

static std::vector<LoadedPlugin> plugins;
static std::map<UINT, std::vector<HWND>> registered;
static const UINT WmRunCommand = WM_APP + 1;

// --- registration and broadcast ------------------------------------------

static void registerWindow(HWND window, const UINT* numbers, bool add) {
    std::string names;
    for (int i = 0; numbers && numbers[i] && i < 64; ++i) {
        std::vector<HWND>& windows = registered[numbers[i]];
        windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
        if (add) windows.push_back(window);
        names += (names.empty() ? "" : ",") + messageName(numbers[i]);
    }
    trace("%s %p for %s", add ? "register" : "unregister", (void*)window, names.c_str());
}

void broadcast(UINT message, WPARAM wParam, LPARAM lParam) {
    std::vector<HWND> windows = registered[message];
    std::string name = messageName(message);
    if (message == HostMsgCommand) {
        trace("broadcast %s \"%s\" to %d", name.c_str(), (const char*)lParam, (int)windows.size());
    } else {
        trace("broadcast %s to %d", name.c_str(), (int)windows.size());
    }
    for (HWND window : windows) {
        if (IsWindow(window)) SendMessageA(window, message, wParam, lParam);
    }
}

// --- commands -------------------------------------------------------------

static void unloadPlugins();
static void loadPluginsAgain();

void requestQuit() {
    trace("quit requested");
    PostQuitMessage(0);
}

static void restyle() {
    loadBuiltInStyles();
    if (!shell.styleFile.empty()) loadStyleFile(shell.styleFile.c_str());
    broadcast(HostMsgRestyle, 0, 0);
}

void runShellCommand(const char* command) {
    trace("command \"%s\"", command);
    if (_stricmp(command, "@QVQuit") == 0) {
        requestQuit();
    } else if (_stricmp(command, "@QVRestyle") == 0) {
        restyle();
    } else if (_stricmp(command, "@QVRedraw") == 0) {
        broadcast(HostMsgRedraw, 0, 0);
    } else if (_stricmp(command, "@QVUnloadPlugins") == 0) {
        unloadPlugins();
    } else if (_stricmp(command, "@QVLoadPlugins") == 0) {
        loadPluginsAgain();
    } else {
        broadcast(HostMsgCommand, 0, (LPARAM)command);
    }
}

void postShellCommand(const std::string& command) {
    std::string* copy = new std::string(command);
    if (!PostMessageA(shell.mainWnd, WmRunCommand, 0, (LPARAM)copy)) delete copy;
}

static void runPostedCommand(LPARAM lParam) {
    std::string* command = (std::string*)lParam;
    runShellCommand(command->c_str());
    delete command;
}

// Answers at once and runs the command from the message loop: the sender
// waits for the answer, and a command may open a window that stays until
// the user closes it.
static LRESULT onCopyData(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != CopyDataCommand || !data->lpData) return FALSE;
    std::string command((const char*)data->lpData, data->cbData);
    command = command.c_str();  // up to the first zero
    trace("received command \"%s\" from another start", command.c_str());
    postShellCommand(command);
    return TRUE;
}

// --- the main window ------------------------------------------------------

static LRESULT onRegister(WPARAM wParam, LPARAM lParam, bool add) {
    registerWindow((HWND)wParam, (const UINT*)lParam, add);
    return 0;
}

static LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case HostMsgRegister: return onRegister(wParam, lParam, true);
    case HostMsgUnregister: return onRegister(wParam, lParam, false);
    case HostMsgMenusAway: trace("received HostMsgMenusAway"); closeMenus(); return 0;
    case WM_COPYDATA: return onCopyData((const COPYDATASTRUCT*)lParam);
    case WmRunCommand: runPostedCommand(lParam); return 0;
    case WM_CLOSE: trace("received WM_CLOSE"); requestQuit(); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool createMainWindow() {
    WNDCLASSA mainClass = {};
    mainClass.lpfnWndProc = mainWndProc;
    mainClass.hInstance = shell.instance;
    mainClass.lpszClassName = MainWindowClass;
    RegisterClassA(&mainClass);  // already registered by an earlier main window of this process
    shell.mainWnd = CreateWindowExA(WS_EX_TOOLWINDOW, MainWindowClass, "Quorvane", WS_POPUP, 0, 0,
                                    0, 0, NULL, NULL, shell.instance, NULL);
    return shell.mainWnd != NULL;
}

void destroyMainWindow() {
    closeMenus();
    DestroyWindow(shell.mainWnd);
    shell.mainWnd = NULL;
    registered.clear();
}

// --- plugins --------------------------------------------------------------

std::vector<std::string> parsePluginList(const std::string& text) {
    std::vector<std::string> paths;
    std::string newline;
    for (const std::string& line : splitLines(text, &newline)) {
        std::string path = trimmed(line.substr(0, line.find('#')));
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}

static void reportFailure(const std::string& path, const char* what) {
    fprintf(stderr, "quorvane: plugin %s: %s\n", path.c_str(), what);
    fflush(stderr);
    trace("plugin %s: %s", path.c_str(), what);
}

static int callBegin(HMODULE module, HWND slit, bool* found) {
    FARPROC beginEx = GetProcAddress(module, "beginPluginEx");
    FARPROC beginSlit = GetProcAddress(module, "beginSlitPlugin");
    FARPROC begin = GetProcAddress(module, "beginPlugin");
    *found = true;
    if (slit && beginEx) return ((BeginSlitProc)(void (*)())beginEx)(module, slit);
    if (slit && beginSlit) return ((BeginSlitProc)(void (*)())beginSlit)(module, slit);
    if (begin) return ((BeginProc)(void (*)())begin)(module);
    *found = false;
    return 1;
}

static double millisecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
}

struct WindowSearch {
    HMODULE module;
    bool found;
};

static BOOL CALLBACK findVisibleWindowOf(HWND window, LPARAM searchAddress) {
    WindowSearch* search = (WindowSearch*)searchAddress;
    HINSTANCE owner = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);
    search->found = IsWindowVisible(window) && owner == search->module;
    return !search->found;
}

// Whether a top-level window the module made on this thread is visible.
static bool showsWindow(HMODULE module) {
    WindowSearch search = {module, false};
    EnumThreadWindows(GetCurrentThreadId(), findVisibleWindowOf, (LPARAM)&search);
    return search.found;
}

bool startPlugin(const std::string& path, HWND slit) {
    HMODULE module = LoadLibraryExA(path.c_str(), NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        reportFailure(path, "cannot be loaded");
        return false;
    }
    trace("loaded %s", path.c_str());
    bool found = false;
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    holdSettingsFiles();
    int result = callBegin(module, slit, &found);
    releaseSettingsFiles();
    double taken = millisecondsSince(started);
    if (!found || result != 0) {
        reportFailure(path, found ? "its start failed; unloaded" : "exports no start function; unloaded");
        FreeLibrary(module);
        return false;
    }
    const char* shown = showsWindow(module) ? "its window shown" : "no window of its own shown";
    fprintf(stderr, "quorvane: plugin %s: started in %.2f ms, %s\n", path.c_str(), taken, shown);
    fflush(stderr);
    trace("started %s in %.2f ms, %s", path.c_str(), taken, shown);
    EndProc end = (EndProc)(void (*)())GetProcAddress(module, "endPlugin");
    plugins.push_back({path, module, end});
    return true;
}

// Each end is timed and reported: a plugin must return at once, whatever
// its own threads are still waiting for.
void stopPlugins() {
    while (!plugins.empty()) {
        LoadedPlugin plugin = plugins.back();
        plugins.pop_back();
        trace("ending %s", plugin.path.c_str());
        LARGE_INTEGER started;
        QueryPerformanceCounter(&started);
        if (plugin.end) plugin.end(plugin.module);
        double taken = millisecondsSince(started);
        FreeLibrary(plugin.module);
        fprintf(stderr, "quorvane: plugin %s: ended in %.2f ms\n", plugin.path.c_str(), taken);
        fflush(stderr);
    }
}

// The plugins ended by @QVUnloadPlugins, for @QVLoadPlugins to start again.
static std::vector<std::string> unloaded;

static void unloadPlugins() {
    for (const LoadedPlugin& plugin : plugins) unloaded.push_back(plugin.path);
    stopPlugins();
}

static void loadPluginsAgain() {
    std::vector<std::string> paths;
    paths.swap(unloaded);
    for (const std::string& path : paths) startPlugin(path, slitWindow());
}
