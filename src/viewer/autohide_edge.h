// The auto-hide edge test as plain geometry, in screen pixels.
#pragma once

#include <stdint.h>

struct EdgeRect {
    int32_t left, top, right, bottom;
};

struct EdgePoint {
    int32_t x, y;
};

// True when the window at (x, y) of the given size lies flush against an
// edge of the monitor; the edges are tested left, right, top, bottom and the
// first that holds decides. hiddenPosition, when given, receives the place
// that leaves one row or column of the window on the monitor, held to the
// range of a coordinate.
bool autoHideEdge(const EdgeRect& monitor, int x, int y, int width, int height,
                  EdgePoint* hiddenPosition);
