#include "viewer/autohide.h"

#include "settings/state.h"
#include "viewer/placement.h"
#include "viewer/viewer.h"

// The sides of the monitor beyond which another monitor would show the
// window hidden there.
static unsigned continuedSides(const EdgeRect& monitor, int x, int y, int width, int height) {
    unsigned continued = 0;
    for (unsigned side = LeftSide; side <= BottomSide; side <<= 1) {
        EdgeRect beyond = besideEdge(monitor, EdgeSide(side), x, y, width, height);
        RECT strip = {beyond.left, beyond.top, beyond.right, beyond.bottom};
        if (anyMonitorShows(strip)) continued |= side;
    }
    return continued;
}

bool checkAutoHideEdge(POINT* position) {
    if (!state.autoHide || windowDocked() || state.paneFocused || state.alerting) return false;
    RECT monitorRect;
    getMonitorRect(getPlacedMonitor(), &monitorRect);
    EdgeRect monitor = edgeRectOf(monitorRect);
    const WindowPlace& p = state.placed;
    unsigned continued = continuedSides(monitor, p.x, p.y, p.width, p.height);
    EdgePoint hidden;
    if (!autoHideEdge(monitor, p.x, p.y, p.width, p.height, continued, &hidden)) return false;
    if (position && state.hidden) {
        position->x = hidden.x;
        position->y = hidden.y;
    }
    return true;
}

// Moves without WM_WINDOWPOSCHANGING, so that edge snapping never pulls the
// slid-off window back, and without changing the z-order.
void applyAutoHidePosition() {
    POINT position = {state.placed.x, state.placed.y};
    checkAutoHideEdge(&position);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSENDCHANGING;
    if (windowDocked()) flags |= SWP_NOMOVE;
    moveWindowByPlugin(position.x, position.y, state.placed.width, state.placed.height, flags);
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
}

void onLeftSlit() {
    state.hidden = checkAutoHideEdge(NULL);
    startAutoHideTimer();
}
