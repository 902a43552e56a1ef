// The shell's own state: its main window, the windows registered for its
// messages, the loaded plugins, and the commands it runs and broadcasts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Shell {
    HINSTANCE instance;
    HWND mainWnd;
    std::string folder;  // the executable's folder, with its trailing backslash
    std::string styleFile;
    std::vector<HWND> sticky;
};

extern Shell shell;

const char MainWindowClass[] = "QuorvaneShell";
// WM_COPYDATA tag of a command handed over by a second start.
const ULONG_PTR CopyDataCommand = 0x51564558;

bool createMainWindow();
void destroyMainWindow();
// Runs one command: the shell's own words (@QVQuit; @QVRestyle, which reads
// the styles again and broadcasts HostMsgRestyle; @QVRedraw, which
// broadcasts HostMsgRedraw), else a broadcast to the plugins.
void runShellCommand(const char* command);
// Runs a command later, from the message loop.
void postShellCommand(const std::string& command);
void broadcast(UINT message, WPARAM wParam, LPARAM lParam);
void requestQuit();

// Loads and starts one plugin; false (reported on standard error) when it
// cannot be loaded or its start fails, in which case it is unloaded again.
bool startPlugin(const std::string& path, HWND slit);
// endPlugin for every plugin in reverse load order, then FreeLibrary.
void stopPlugins();
// Plugin paths from a plugins.rc text: one a line, '#' starts a comment.
std::vector<std::string> parsePluginList(const std::string& text);
