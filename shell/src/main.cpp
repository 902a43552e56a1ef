// quorvane.exe: a small desktop shell that loads plugins and offers them the
// shell's functions and messages.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "menu_windows.h"
#include "menus.h"
#include "settings_store.h"
#include "shell.h"
#include "slit.h"
#include "styles.h"
#include "trace.h"

struct Options {
    std::vector<std::string> plugins;
    std::vector<std::string> commands;
    bool slit = false;
    bool onlyCommands = true;
    std::string styleFile;
    std::string traceFile;
};

static const char Usage[] =
    "usage: quorvane.exe [--plugin PATH]... [--slit] [--style FILE] [--trace FILE] [--exec COMMAND]...\n";

// The command line is read in Unicode, as the system keeps it: commands go to
// the plugins in UTF-8, whatever the ANSI code page can hold; file names stay
// in the ANSI code page, in which the shell opens them.
static std::string narrowed(const std::wstring& text, UINT codePage) {
    int size = WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string result(size, '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), &result[0], size, NULL, NULL);
    return result;
}

static std::vector<std::wstring> commandLineArguments() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> result(arguments, arguments + (arguments ? count : 0));
    LocalFree(arguments);
    return result;
}

static bool parseOptions(const std::vector<std::wstring>& arguments, Options* options) {
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& option = arguments[i];
        bool hasValue = i + 1 < arguments.size();
        if (option == L"--slit") {
            options->slit = true;
            options->onlyCommands = false;
            continue;
        }
        if (!hasValue) return false;
        const std::wstring& value = arguments[++i];
        if (option == L"--exec") {
            options->commands.push_back(narrowed(value, CP_UTF8));
            continue;
        }
        options->onlyCommands = false;
        std::string path = narrowed(value, CP_ACP);
        if (option == L"--plugin") {
            options->plugins.push_back(path);
        } else if (option == L"--style") {
            options->styleFile = path;
        } else if (option == L"--trace") {
            options->traceFile = path;
        } else {
            return false;
        }
    }
    return true;
}

static std::string fullPath(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, NULL);
    return length > 0 && length < MAX_PATH ? full : path;
}

static std::string executableFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

static std::vector<std::string> listedPlugins() {
    std::vector<std::string> paths;
    HANDLE file = CreateFileA((shell.folder + "plugins.rc").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return paths;
    std::string text;
    char chunk[4096];
    DWORD got;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got) text.append(chunk, got);
    CloseHandle(file);
    for (const std::string& path : parsePluginList(text)) {
        bool absolute = path.size() > 1 && (path[1] == ':' || path[0] == '\\' || path[0] == '/');
        paths.push_back(absolute ? path : shell.folder + path);
    }
    return paths;
}

// Hands the commands to the shell already running on this desktop. It takes
// each one at once and runs it later, so 0 means every command was delivered;
// 1 that one was not (no shell runs, or it did not take the command).
static int handOver(const std::vector<std::string>& commands) {
    HWND running = FindWindowA(MainWindowClass, NULL);
    if (!running) {
        fprintf(stderr, "quorvane: no running shell on this desktop to take the commands\n");
        return 1;
    }
    for (const std::string& command : commands) {
        COPYDATASTRUCT data = {CopyDataCommand, (DWORD)command.size() + 1, (void*)command.c_str()};
        DWORD_PTR taken = FALSE;
        if (!SendMessageTimeoutA(running, WM_COPYDATA, 0, (LPARAM)&data, SMTO_ABORTIFHUNG, 5000,
                                 &taken) ||
            !taken) {
            fprintf(stderr, "quorvane: \"%s\" was not delivered to the running shell\n",
                    command.c_str());
            return 1;
        }
    }
    return 0;
}

static BOOL WINAPI onConsoleBreak(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    PostMessageA(shell.mainWnd, WM_CLOSE, 0, 0);
    if (event == CTRL_CLOSE_EVENT) Sleep(5000);  // the process ends when this returns
    return TRUE;
}

static void startPlugins(const Options& options) {
    std::vector<std::string> paths;
    for (const std::string& path : options.plugins) paths.push_back(fullPath(path));
    if (paths.empty()) paths = listedPlugins();
    if (paths.empty()) fprintf(stderr, "quorvane: no plugins to load\n");
    for (const std::string& path : paths) startPlugin(path, slitWindow());
}

static void runMessageLoop() {
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

static int runShell(const Options& options) {
    if (!options.traceFile.empty()) openTrace(fullPath(options.traceFile).c_str());
    shell.styleFile = options.styleFile.empty() ? "" : fullPath(options.styleFile);
    loadBuiltInStyles();
    if (!shell.styleFile.empty()) loadStyleFile(shell.styleFile.c_str());
    if (!createMainWindow()) {
        fprintf(stderr, "quorvane: cannot create the main window\n");
        return 1;
    }
    SetConsoleCtrlHandler(onConsoleBreak, TRUE);
    if (options.slit) createSlit(shell.instance);
    startPlugins(options);
    for (const std::string& command : options.commands) postShellCommand(command);
    trace("running");
    runMessageLoop();
    closeMenus();
    stopPlugins();
    trace("plugins ended, %d menus left", liveMenuCount());
    destroySlit();
    destroyMainWindow();
    trace("exit 0");
    closeTrace();
    return 0;
}

int main() {
    Options options;
    if (!parseOptions(commandLineArguments(), &options)) {
        fputs(Usage, stderr);
        return 2;
    }
    shell.instance = GetModuleHandleA(NULL);
    shell.folder = executableFolder();
    if (options.onlyCommands && !options.commands.empty()) return handOver(options.commands);
    return runShell(options);
}
