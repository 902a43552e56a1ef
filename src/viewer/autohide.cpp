#include "viewer/autohide.h"

#include "commands/menu.h"
#include "settings/state.h"
#include "viewer/viewer.h"

typedef HMONITOR(WINAPI* MonitorFromWindowProc)(HWND, DWORD);
typedef BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR, MONITORINFO*);

// Looked up at run time, once per process: older systems lack them.
static bool monitorFunctionsLookedUp;
static MonitorFromWindowProc monitorFromWindowProc;
static GetMonitorInfoProc getMonitorInfoProc;

HMONITOR getWindowMonitor(HWND window) {
    if (!monitorFunctionsLookedUp) {
        HMODULE user32 = GetModuleHandleA("USER32");
        monitorFromWindowProc =
            (MonitorFromWindowProc)(void (*)())GetProcAddress(user32, "MonitorFromWindow");
        getMonitorInfoProc =
            (GetMonitorInfoProc)(void (*)())GetProcAddress(user32, "GetMonitorInfoA");
        monitorFunctionsLookedUp = true;
    }
    return monitorFromWindowProc ? monitorFromWindowProc(window, MONITOR_DEFAULTTOPRIMARY) : NULL;
}

void getMonitorRect(HMONITOR monitor, RECT* out) {
    if (monitor && getMonitorInfoProc) {
        MONITORINFO info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        if (getMonitorInfoProc(monitor, &info)) {
            *out = info.rcMonitor;
            return;
        }
    }
    SetRect(out, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool autoHideEdge(const RECT& monitor, int x, int y, int width, int height,
                  POINT* hiddenPosition) {
    EdgeRect edges = {monitor.left, monitor.top, monitor.right, monitor.bottom};
    EdgePoint hidden;
    if (!autoHideEdge(edges, x, y, width, height, &hidden)) return false;
    if (hiddenPosition) {
        hiddenPosition->x = hidden.x;
        hiddenPosition->y = hidden.y;
    }
    return true;
}

bool checkAutoHideEdge(POINT* position) {
    if (!state.autoHide || state.inSlit || state.paneFocused) return false;
    RECT monitor;
    getMonitorRect(getWindowMonitor(state.viewerWnd), &monitor);
    POINT hidden;
    if (!autoHideEdge(monitor, state.x, state.y, state.width, state.height, &hidden)) {
        return false;
    }
    if (position && state.hidden) *position = hidden;
    return true;
}

// Moves without WM_WINDOWPOSCHANGING, so that edge snapping never pulls the
// slid-off window back, and without changing the z-order.
void applyAutoHidePosition() {
    POINT position = {state.x, state.y};
    bool atEdge = checkAutoHideEdge(&position);
    HWND insertAfter = (atEdge || state.alwaysontop) ? HWND_TOPMOST : HWND_NOTOPMOST;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING;
    if (state.inSlit) flags |= SWP_NOMOVE;
    SetWindowPos(state.viewerWnd, insertAfter, position.x, position.y, state.width, state.height,
                 flags);
}

void startAutoHideTimer() {
    SetTimer(state.viewerWnd, AutoHideTimer, AutoHidePeriod, NULL);
}

static bool windowInUse() {
    POINT cursor;
    RECT window;
    GetCursorPos(&cursor);
    GetWindowRect(state.viewerWnd, &window);
    return PtInRect(&window, cursor) || GetKeyState(VK_LBUTTON) < 0;
}

void onAutoHideTick() {
    bool atEdge = checkAutoHideEdge(NULL);
    if (atEdge && windowInUse()) return;
    state.hidden = atEdge;
    KillTimer(state.viewerWnd, AutoHideTimer);
    applyAutoHidePosition();
}

void onPointerOverWindow() {
    if (!state.hidden) return;
    state.hidden = false;
    if (state.inSlit) return;
    applyAutoHidePosition();
    startAutoHideTimer();
}

void onMoveOrResizeEnded() {
    state.hidden = checkAutoHideEdge(NULL);
    startAutoHideTimer();
}

void onPaneFocused() {
    state.paneFocused = true;
    if (!state.hidden) return;
    state.hidden = false;
    if (!state.inSlit) applyAutoHidePosition();
}

void onPaneFocusLost() {
    state.paneFocused = false;
    state.hidden = true;
    startAutoHideTimer();
}

void onAutoHideSwitched() {
    state.hidden = checkAutoHideEdge(NULL);
    applyAutoHidePosition();
    buildConfigMenu(false);
}

void onLeftSlit() {
    state.hidden = checkAutoHideEdge(NULL);
    startAutoHideTimer();
}
