// The auto-hide edge test for any monitor rectangle, position and size (the
// size and position come from the settings file unchecked). The hidden place
// leaves exactly one row or column of the window on the monitor, held to the
// range of a coordinate.
#include "fuzz_input.h"
#include "viewer/autohide_edge.h"

// Places beyond the range of a coordinate are held to its end.
static int32_t coordinate(int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return (int32_t)value;
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

    EdgePoint untouched = {12345, -12345};
    EdgePoint hidden = untouched;
    bool atEdge = autoHideEdge(monitor, x, y, width, height, &hidden);
    REQUIRE(atEdge == autoHideEdge(monitor, x, y, width, height, nullptr));

    int64_t left = monitor.left, right = monitor.right, top = monitor.top,
            bottom = monitor.bottom;
    EdgePoint expected = {x, y};
    if (x == left) {
        expected.x = coordinate(left + 1 - width);
    } else if (x == right - width) {
        expected.x = coordinate(right - 1);
    } else if (y == top) {
        expected.y = coordinate(top + 1 - height);
    } else if (y == bottom - height) {
        expected.y = coordinate(bottom - 1);
    } else {
        REQUIRE(!atEdge && hidden.x == untouched.x && hidden.y == untouched.y);
        return 0;
    }
    REQUIRE(atEdge && hidden.x == expected.x && hidden.y == expected.y);
    return 0;
}
