// The auto-hide edge test as plain geometry, in screen pixels.
#pragma once

#include <stdint.h>

struct EdgeRect {
    int32_t left, top, right, bottom;
};

struct EdgePoint {
    int32_t x, y;
};

// The sides of a monitor, as bits of a set.
enum EdgeSide : unsigned { LeftSide = 1, RightSide = 2, TopSide = 4, BottomSide = 8 };

// True when the window at (x, y) of the given size lies flush against an
// edge of the monitor that another monitor does not continue (the sides in
// continued: there the slid-off window would show whole on the other one);
// the edges are tested left, right, top, bottom and the first that holds
// decides. hiddenPosition, when given, receives the place that leaves one
// row or column of the window on the monitor, held to the range of a
// coordinate.
bool autoHideEdge(const EdgeRect& monitor, int x, int y, int width, int height, unsigned continued,
                  EdgePoint* hiddenPosition);

// The line one pixel deep beyond the given edge of the monitor, as far along
// it as the window at (x, y) reaches: a monitor there continues the edge
// (monitors touch), and would show the window hidden at it. Held to the range
// of a coordinate.
EdgeRect besideEdge(const EdgeRect& monitor, EdgeSide side, int x, int y, int width, int height);
