// The window on the monitors there are. The stored x, y, width and height
// are the place the user chose; where the window goes for the monitors of
// the moment is the placement rule's (text/placement_rule.h), at start, on
// Reload Settings, when the display changes and when a work area changes.
// The plugin's own moves are marked, so that only a move made by the user
// (or by another program) is recorded as the new place. A docked window is
// the slit's to place.
#pragma once

#include <windows.h>

#include "text/placement_rule.h"

// Measures the virtual screen, for the menu's limits and to tell a move that
// follows a display change.
void measureDisplay();
bool displayChangedSinceMeasured();

// Places the window by the rule and moves it there, or to its slid-off place
// while auto-hidden; lays the pane out again when the size changed.
void placeWindowOnMonitors();
// After a recorded move: the window is where the user put it, on the monitor
// it now chiefly lies on.
void onPlaceChosen();
// The plugin's own move: neither recorded nor snapped.
void moveWindowByPlugin(int x, int y, int width, int height, UINT flags);

// The monitor the placed window lies on (the nearest one), and a monitor's
// whole rectangle; without the monitor functions, the primary screen.
HMONITOR getPlacedMonitor();
// True when some monitor shows a part of the rectangle.
bool anyMonitorShows(const RECT& rect);
void getMonitorRect(HMONITOR monitor, RECT* out);
EdgeRect edgeRectOf(const RECT& rect);
