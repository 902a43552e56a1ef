#include "viewer/placement.h"

#include "settings/state.h"
#include "viewer/autohide.h"
#include "viewer/optional_user32.h"
#include "viewer/viewer.h"

typedef HMONITOR(WINAPI* MonitorFromRectProc)(LPCRECT, DWORD);
typedef BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR, MONITORINFO*);
typedef BOOL(WINAPI* EnumDisplayMonitorsProc)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);

EdgeRect edgeRectOf(const RECT& rect) {
    EdgeRect edges = {rect.left, rect.top, rect.right, rect.bottom};
    return edges;
}

static bool getMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
    GetMonitorInfoProc getInfo = (GetMonitorInfoProc)optionalUser32Function("GetMonitorInfoA");
    ZeroMemory(info, sizeof *info);
    info->cbSize = sizeof *info;
    return monitor && getInfo && getInfo(monitor, info);
}

void getMonitorRect(HMONITOR monitor, RECT* out) {
    MONITORINFO info;
    if (getMonitorInfo(monitor, &info)) {
        *out = info.rcMonitor;
    } else {
        SetRect(out, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    }
}

static HMONITOR monitorFromRect(const RECT& rect, DWORD otherwise) {
    MonitorFromRectProc find = (MonitorFromRectProc)optionalUser32Function("MonitorFromRect");
    return find ? find(&rect, otherwise) : NULL;
}

HMONITOR getPlacedMonitor() {
    const WindowPlace& p = state.placed;
    RECT rect = {p.x, p.y, p.x + p.width, p.y + p.height};
    return monitorFromRect(rect, MONITOR_DEFAULTTONEAREST);
}

bool anyMonitorShows(const RECT& rect) {
    bool empty = rect.left >= rect.right || rect.top >= rect.bottom;
    return !empty && monitorFromRect(rect, MONITOR_DEFAULTTONULL) != NULL;
}

static BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MonitorLayout* layout = (MonitorLayout*)data;
    MONITORINFO info;
    if (layout->count < MaxMonitors && getMonitorInfo(monitor, &info)) {
        MonitorArea& area = layout->monitors[layout->count++];
        area.monitor = edgeRectOf(info.rcMonitor);
        area.work = edgeRectOf(info.rcWork);
    }
    return layout->count < MaxMonitors;
}

// Without the monitor functions, the primary screen and its work area.
static void measureMonitors(MonitorLayout* layout) {
    layout->count = 0;
    EnumDisplayMonitorsProc enumerate =
        (EnumDisplayMonitorsProc)optionalUser32Function("EnumDisplayMonitors");
    if (enumerate) enumerate(NULL, NULL, addMonitor, (LPARAM)layout);
    if (layout->count > 0) return;
    RECT screen, work;
    getMonitorRect(NULL, &screen);
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) work = screen;
    layout->monitors[0].monitor = edgeRectOf(screen);
    layout->monitors[0].work = edgeRectOf(work);
    layout->count = 1;
}

void measureDisplay() {
    state.screenLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    state.screenTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    state.screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    state.screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    state.monitorCount = GetSystemMetrics(SM_CMONITORS);
}

bool displayChangedSinceMeasured() {
    return state.screenLeft != GetSystemMetrics(SM_XVIRTUALSCREEN) ||
           state.screenTop != GetSystemMetrics(SM_YVIRTUALSCREEN) ||
           state.screenWidth != GetSystemMetrics(SM_CXVIRTUALSCREEN) ||
           state.screenHeight != GetSystemMetrics(SM_CYVIRTUALSCREEN) ||
           state.monitorCount != GetSystemMetrics(SM_CMONITORS);
}

void moveWindowByPlugin(int x, int y, int width, int height, UINT flags) {
    bool placing = state.placingWindow;
    state.placingWindow = true;
    SetWindowPos(state.viewerWnd, NULL, x, y, width, height, flags);
    state.placingWindow = placing;
}

static WindowPlace storedPlace() {
    WindowPlace place = {state.x, state.y, state.width, state.height};
    return place;
}

// Known only while the place is still at the corner it was chosen at; an
// empty monitor (none set yet) counts as unknown to the rule.
static const EdgeRect* chosenMonitor() {
    bool same = state.chosenAt.x == state.x && state.chosenAt.y == state.y;
    return same ? &state.chosenOn : NULL;
}

static void setChosenMonitor(const EdgeRect& monitor) {
    state.chosenAt.x = state.x;
    state.chosenAt.y = state.y;
    state.chosenOn = monitor;
}

void placeWindowOnMonitors() {
    state.placed = storedPlace();
    if (windowDocked()) return;
    measureDisplay();
    MonitorLayout layout;
    measureMonitors(&layout);
    PlacedWindow placed = placeWindow(layout, state.placed, chosenMonitor());
    if (placed.onMonitors) setChosenMonitor(layout.monitors[placed.monitor].monitor);
    RECT before;
    GetWindowRect(state.viewerWnd, &before);
    state.placed = placed.window;
    applyAutoHidePosition();
    if (before.right - before.left == state.placed.width &&
        before.bottom - before.top == state.placed.height) return;
    InvalidateRect(state.viewerWnd, NULL, TRUE);
    sendSizeMessage(state.viewerWnd);
}

void onPlaceChosen() {
    state.placed = storedPlace();
    RECT monitor;
    getMonitorRect(getPlacedMonitor(), &monitor);
    setChosenMonitor(edgeRectOf(monitor));
}
