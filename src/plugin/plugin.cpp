#include "plugin/plugin.h"

#include "commands/commands.h"
#include "commands/menu.h"
#include "settings/plugin_info.h"
#include "settings/settings.h"
#include "settings/state.h"
#include "tail/source_status.h"
#include "tail/repeat_rows.h"
#include "tail/tail.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "viewer/fullscreen.h"
#include "viewer/placement.h"
#include "viewer/viewer.h"

const UINT registeredMessages[4] = {HostMsgRestyle, HostMsgRedraw, HostMsgCommand, 0};


bool layeringSupported(const OSVERSIONINFOA& version) {
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4;
}

static void readOsVersion() {
    ZeroMemory(&state.osVersion, sizeof state.osVersion);
    state.osVersion.dwOSVersionInfoSize = sizeof state.osVersion;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    GetVersionExA(&state.osVersion);
    state.canLayer = layeringSupported(state.osVersion);
}

static bool registerViewerClass() {
    WNDCLASSA viewerClass;
    ZeroMemory(&viewerClass, sizeof viewerClass);
    viewerClass.lpfnWndProc = viewerWndProc;
    viewerClass.hInstance = state.hInstance;
    viewerClass.lpszClassName = PluginName;
    return RegisterClassA(&viewerClass) != 0;
}

static HWND createViewerWindow() {
    DWORD exStyle = WS_EX_TOOLWINDOW | (state.canLayer ? WS_EX_LAYERED : 0);
    return CreateWindowExA(exStyle, PluginName, NULL,
                           WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, state.x, state.y,
                           state.width, state.height, NULL, NULL, state.hInstance, NULL);
}

// Undoes what a start made before it failed, so that the shell may try again.
static void releaseAfterFailedStart(HINSTANCE module) {
    stopWatching();
    releaseConfigMenu();
    releaseFontAndBrush();
    state.paneWnd = NULL;
    UnregisterClassA(PluginName, module);
}

static void startTimers() {
    startAutoHideTimer();
    if (state.autoReload) startReloadTimer();
    SetTimer(state.viewerWnd, SettingsCheckTimer, SettingsCheckPeriod, NULL);
}

int __cdecl beginPlugin(HINSTANCE module) {
    callsAbove = {answerMenuRequest, dispatchCommand, reloadSettingsIfEdited, startWatching,
                  reloadFileTail, onFileAnswered, retryWantedReaders, describeSources, findOffSettings,
                  showWaitingCount};
    state.hostWnd = GetQVWnd();
    state.hInstance = module;
    readOsVersion();
    if (!registerViewerClass()) {
        MessageBoxA(state.hostWnd, "Error registering window class", PluginName, ErrorBoxFlags);
        return 1;
    }
    loadSettings();
    applyStyle();
    measureDisplay();
    state.viewerWnd = createViewerWindow();
    if (!state.viewerWnd) {
        MessageBoxA(NULL, "Error creating window", PluginName, ErrorBoxFlags);
        SendMessageA(state.hostWnd, HostMsgUnregister, (WPARAM)state.viewerWnd,
                     (LPARAM)registeredMessages);
        releaseAfterFailedStart(module);
        return 1;
    }
    SendMessageA(state.hostWnd, HostMsgRegister, (WPARAM)state.viewerWnd,
                 (LPARAM)registeredMessages);
    MakeSticky(state.viewerWnd);
    if (state.alwaysontop) {
        SetWindowPos(state.viewerWnd, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    applyTransparency();
    buildConfigMenu(false);
    placeWindowOnMonitors();
    state.hidden = checkAutoHideEdge(NULL);
    startTimers();
    ShowWindow(state.viewerWnd, SW_SHOW);
    watchForFullscreen();
    InvalidateRect(state.viewerWnd, NULL, TRUE);
    return 0;
}

int __cdecl beginSlitPlugin(HINSTANCE module, HWND slit) {
    state.inSlit = true;
    state.slitWnd = slit;
    int result = beginPlugin(module);
    if (result != 0) {
        // A later start must not take itself for docked in a slit that may be gone.
        state.inSlit = false;
        state.slitWnd = NULL;
    } else if (windowDocked()) {
        SendMessageA(state.slitWnd, SlitMsgAdd, 0, (LPARAM)state.viewerWnd);
    }
    return result;
}

int __cdecl beginPluginEx(HINSTANCE module, HWND slit) { return beginSlitPlugin(module, slit); }

void __cdecl endPlugin(HINSTANCE module) {
    bool docked = windowDocked();  // as the window is, whatever the file now says
    saveSettingsAtEnd();
    releaseConfigMenu();
    RemoveSticky(state.viewerWnd);
    SendMessageA(state.hostWnd, HostMsgUnregister, (WPARAM)state.viewerWnd,
                 (LPARAM)registeredMessages);
    if (docked) SendMessageA(state.slitWnd, SlitMsgRemove, 0, (LPARAM)state.viewerWnd);
    releaseFontAndBrush();
    state.alerting = false;  // a later start in the process alerts only for what it shows new
    KillTimer(state.viewerWnd, ReloadTimer);
    KillTimer(state.viewerWnd, SettingsCheckTimer);
    stopWatching();
    stopWatchingFullscreen();
    DestroyWindow(state.paneWnd);
    state.paneWnd = NULL;
    DestroyWindow(state.viewerWnd);
    state.viewerWnd = NULL;
    state.slitWnd = NULL;
    UnregisterClassA(PluginName, module);
}

const char* __cdecl pluginInfo(int index) {
    if (index < 1 || index > 6) index = 0;
    return infoStrings[index];
}
