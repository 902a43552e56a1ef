// The auto-hide edge test for any monitor rectangle, position and size (the
// size and position come from the settings file unchecked), with any edges
// continued by other monitors. The hidden place leaves exactly one row or
// column of the window on the monitor, held to the range of a coordinate; the
// line beside an edge is one pixel deep, along the window's span.
#include "fuzz_input.h"
#include "text/autohide_edge.h"

// Places beyond the range of a coordinate are held to its end.
static int32_t coordinate(int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return (int32_t)value;
}

// One pixel beyond the edge, along the window's span.
static void checkBeside(const EdgeRect& monitor, EdgeSide side, int x, int y, int width, int height) {
    int64_t left = x, top = y, right = (int64_t)x + width, bottom = (int64_t)y + height;
    if (side == LeftSide) left = (right = monitor.left) - 1;
    if (side == RightSide) right = (left = monitor.right) + 1;
    if (side == TopSide) top = (bottom = monitor.top) - 1;
    if (side == BottomSide) bottom = (top = monitor.bottom) + 1;
    EdgeRect line = besideEdge(monitor, side, x, y, width, height);
    REQUIRE(line.left == coordinate(left) && line.top == coordinate(top) && line.right == coordinate(right) &&
            line.bottom == coordinate(bottom));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    EdgeRect monitor;
    monitor.left = input.take<int32_t>();
    monitor.top = input.take<int32_t>();
    monitor.right = input.take<int32_t>();
    monitor.bottom = input.take<int32_t>();
    int x = input.take<int32_t>();
    int y = input.take<int32_t>();
    int width = input.take<int32_t>();
    int height = input.take<int32_t>();
    unsigned continued = input.take<uint8_t>() & 15;

    EdgePoint untouched = {12345, -12345};
    EdgePoint hidden = untouched;
    bool atEdge = autoHideEdge(monitor, x, y, width, height, continued, &hidden);
    REQUIRE(atEdge == autoHideEdge(monitor, x, y, width, height, continued, nullptr));

    int64_t left = monitor.left, right = monitor.right, top = monitor.top,
            bottom = monitor.bottom;
    for (unsigned side = LeftSide; side <= BottomSide; side <<= 1) {
        checkBeside(monitor, EdgeSide(side), x, y, width, height);
    }
    EdgePoint expected = {x, y};
    if (x == left && !(continued & LeftSide)) {
        expected.x = coordinate(left + 1 - width);
    } else if (x == right - width && !(continued & RightSide)) {
        expected.x = coordinate(right - 1);
    } else if (y == top && !(continued & TopSide)) {
        expected.y = coordinate(top + 1 - height);
    } else if (y == bottom - height && !(continued & BottomSide)) {
        expected.y = coordinate(bottom - 1);
    } else {
        REQUIRE(!atEdge && hidden.x == untouched.x && hidden.y == untouched.y);
        return 0;
    }
    REQUIRE(atEdge && hidden.x == expected.x && hidden.y == expected.y);
    return 0;
}
