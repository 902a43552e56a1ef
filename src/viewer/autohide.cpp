#include "viewer/autohide.h"

#include "commands/menu.h"
#include "settings/state.h"
#include "viewer/optional_user32.h"
#include "viewer/viewer.h"

typedef HMONITOR(WINAPI* MonitorFromWindowProc)(HWND, DWORD);
typedef BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR, MONITORINFO*);

HMONITOR getWindowMonitor(HWND window) {
    MonitorFromWindowProc monitorFromWindow =
        (MonitorFromWindowProc)optionalUser32Function("MonitorFromWindow");
    return monitorFromWindow ? monitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY) : NULL;
}

// Without the monitor functions, the primary screen.
void getMonitorRect(HMONITOR monitor, RECT* out) {
    GetMonitorInfoProc getMonitorInfo =
        (GetMonitorInfoProc)optionalUser32Function("GetMonitorInfoA");
    if (monitor && getMonitorInfo) {
        MONITORINFO info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        if (getMonitorInfo(monitor, &info)) {
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
    if (!state.autoHide || windowDocked() || state.paneFocused || state.alerting) return false;
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
    checkAutoHideEdge(&position);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING;
    if (windowDocked()) flags |= SWP_NOMOVE;
    SetWindowPos(state.viewerWnd, NULL, position.x, position.y, state.width, state.height, flags);
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
    if (windowDocked()) return;
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
    if (!windowDocked()) applyAutoHidePosition();
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
