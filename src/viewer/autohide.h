// Auto-hide: a free-floating window flush against an edge of its monitor
// slides off that edge, leaving a one-pixel strip, when not in use.
#pragma once

#include <windows.h>

HMONITOR getWindowMonitor(HWND window);
void getMonitorRect(HMONITOR monitor, RECT* out);

// True when the window at (x, y) of the given size lies flush against an
// edge of the monitor; the edges are tested left, right, top, bottom and the
// first that holds decides. hiddenPosition, when given, receives the place
// that leaves one row or column of the window on the monitor.
bool autoHideEdge(const RECT& monitor, int x, int y, int width, int height,
                  POINT* hiddenPosition);

// True when auto-hide applies and the stored position lies at an edge; a
// given position is replaced by the hidden one while the window is hidden.
bool checkAutoHideEdge(POINT* position);
void applyAutoHidePosition();

// Events of the auto-hide state machine.
void onAutoHideTick();
void onPointerOverWindow();
void onMoveOrResizeEnded();
void onPaneFocused();
void onPaneFocusLost();
void onAutoHideSwitched();
void onLeftSlit();
