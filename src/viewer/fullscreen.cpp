#include "viewer/fullscreen.h"

#include "settings/state.h"
#include "viewer/optional_user32.h"
#include "viewer/placement.h"

typedef HWINEVENTHOOK(WINAPI* SetWinEventHookProc)(DWORD, DWORD, HMODULE, WINEVENTPROC, DWORD,
                                                    DWORD, DWORD);
typedef BOOL(WINAPI* UnhookWinEventProc)(HWINEVENTHOOK);

// Events about the foreground window itself, or about a new one.
static void CALLBACK onWindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                   LONG child, DWORD, DWORD) {
    if (object != OBJID_WINDOW || child != CHILDID_SELF) return;
    if (event != EVENT_SYSTEM_FOREGROUND && window != state.watchedForeground) return;
    keepOutOfTheWay();
}

// Without the hook functions (systems before Windows 2000) nothing is watched.
static HWINEVENTHOOK hookEvents(DWORD first, DWORD last, DWORD process) {
    SetWinEventHookProc setHook = (SetWinEventHookProc)optionalUser32Function("SetWinEventHook");
    if (!setHook) return NULL;
    return setHook(first, last, NULL, onWindowEvent, process, 0, WINEVENT_OUTOFCONTEXT);
}

static void unhook(HWINEVENTHOOK* hook) {
    UnhookWinEventProc unhookEvents = (UnhookWinEventProc)optionalUser32Function("UnhookWinEvent");
    if (*hook && unhookEvents) unhookEvents(*hook);
    *hook = NULL;
}

static bool watching() { return state.foregroundHook != NULL; }

static bool ownWindow(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

// The program hooks follow the foreground window of another program.
static void followForeground(HWND foreground) {
    if (foreground == state.watchedForeground) return;
    state.watchedForeground = foreground;
    for (HWINEVENTHOOK& hook : state.foregroundProgramHooks) unhook(&hook);
    DWORD process = 0;
    if (!foreground || !GetWindowThreadProcessId(foreground, &process) || ownWindow(foreground)) {
        return;
    }
    state.foregroundProgramHooks[0] = hookEvents(EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, process);
    state.foregroundProgramHooks[1] =
        hookEvents(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, process);
}

static bool isDesktop(HWND window) {
    char name[16];
    if (!GetClassNameA(window, name, sizeof name)) return false;
    return lstrcmpA(name, "Progman") == 0 || lstrcmpA(name, "WorkerW") == 0;
}

// The shell's own windows (its desktop among them) and the system's desktop
// never count, nor a maximized window with a caption: on a monitor without a
// taskbar it covers the monitor with its frame alone.
static bool coversOurMonitor(HWND foreground) {
    if (!foreground || !IsWindowVisible(foreground) || ownWindow(foreground)) return false;
    if (isDesktop(foreground)) return false;
    LONG style = GetWindowLongA(foreground, GWL_STYLE);
    if (IsZoomed(foreground) && (style & WS_CAPTION) == WS_CAPTION) return false;
    RECT window, monitor;
    GetWindowRect(foreground, &window);
    getMonitorRect(getPlacedMonitor(), &monitor);
    return coversMonitor(edgeRectOf(window), edgeRectOf(monitor));
}

// A window hidden with the plugins is not taken over: the end of the
// full-screen program must not show it.
void keepOutOfTheWay() {
    HWND foreground = watching() ? GetForegroundWindow() : NULL;
    followForeground(foreground);
    bool hide = watching() && !state.alerting && !windowDocked() && coversOurMonitor(foreground);
    if (hide == state.outOfTheWay) return;
    if (hide && !IsWindowVisible(state.viewerWnd)) return;
    state.outOfTheWay = hide;
    ShowWindow(state.viewerWnd, hide ? SW_HIDE : SW_SHOWNA);
}

void watchForFullscreen() {
    bool wanted = state.hideOverFullscreen && !windowDocked();
    if (!wanted) stopWatchingFullscreen();
    if (wanted && !watching()) {
        state.foregroundHook = hookEvents(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, 0);
    }
    keepOutOfTheWay();
}

void stopWatchingFullscreen() {
    unhook(&state.foregroundHook);
    followForeground(NULL);
}
