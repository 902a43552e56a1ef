#include "snap.h"

#include <cstdlib>

static int snapAxis(int start, int extent, int areaStart, int areaEnd, int distance) {
    if (abs(start - areaStart) <= distance) return areaStart;
    int end = start + extent;
    if (abs(end - areaEnd) <= distance) return areaEnd - extent;
    return start;
}

void snapToArea(int* left, int* top, int width, int height, const RECT& area, int distance) {
    if (distance < 0) return;
    *left = snapAxis(*left, width, area.left, area.right, distance);
    *top = snapAxis(*top, height, area.top, area.bottom, distance);
}

void snapWindowPosition(WINDOWPOS* position, int distance, unsigned flags) {
    if (!position || (position->flags & SWP_NOMOVE)) return;
    int width = position->cx;
    int height = position->cy;
    if (position->flags & SWP_NOSIZE) {
        RECT current;
        if (!GetWindowRect(position->hwnd, &current)) return;
        width = current.right - current.left;
        height = current.bottom - current.top;
    }
    RECT target = {position->x, position->y, position->x + width, position->y + height};
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& area = (flags & 1) ? monitor.rcMonitor : monitor.rcWork;
    snapToArea(&position->x, &position->y, width, height, area, distance);
}
