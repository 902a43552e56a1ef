// Where the window goes on the monitors there are, as plain geometry in
// screen pixels: the place the user chose while every pixel of it lies on a
// monitor, otherwise the nearest place fully inside a monitor's work area.
// The rule keeps nothing of its own: the place stays the user's, so once the
// monitor comes back or the resolution is restored, the window is there again.
#pragma once

#include <stdint.h>

#include "text/autohide_edge.h"

const int MaxMonitors = 16;

struct MonitorArea {
    EdgeRect monitor;  // the whole monitor
    EdgeRect work;     // the monitor less the taskbars docked on it
};

struct MonitorLayout {
    MonitorArea monitors[MaxMonitors];
    int count;
};

struct WindowPlace {
    int32_t x, y, width, height;
};

struct PlacedWindow {
    WindowPlace window;  // where the window goes
    int monitor;         // index of the monitor it is on; -1 when there is none
    bool onMonitors;     // the place lies on the monitors: the window is put there
};

// A place that is not wholly on the monitors goes to the monitor nearest to it
// (most overlap, else least gap) among those whose work area holds the
// window's size; the window is made smaller only when no work area does.
// There, each axis keeps the distance from the nearer edge that the place had
// on chosenOn, the monitor the user chose it on (null when unknown: the
// target monitor stands in), as far as the work area allows. Monitors without
// area are left out, work areas are held inside their monitor, and sizes
// below one pixel count as one.
PlacedWindow placeWindow(const MonitorLayout& layout, const WindowPlace& place,
                         const EdgeRect* chosenOn);

// The window's rectangle covers every pixel of the monitor's.
bool coversMonitor(const EdgeRect& window, const EdgeRect& monitor);
