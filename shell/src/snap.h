// Edge snapping of moving windows.
#pragma once

#include <windows.h>

// Moves the window rectangle left,top,width,height so that an edge within
// distance of an edge of area lies on it; left and top win over right and bottom.
void snapToArea(int* left, int* top, int width, int height, const RECT& area, int distance);

// Snaps a moving window's WINDOWPOS to its monitor's work area, or to the
// whole monitor when flags has bit 1.
void snapWindowPosition(WINDOWPOS* position, int distance, unsigned flags);
