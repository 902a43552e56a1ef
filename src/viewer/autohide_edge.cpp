#include "viewer/autohide_edge.h"

// A size or position read from the settings file may be any int, so the
// sums are worked out in 64 bits and the hidden place held to a coordinate.
static int32_t toCoordinate(int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return (int32_t)value;
}

bool autoHideEdge(const EdgeRect& monitor, int x, int y, int width, int height,
                  EdgePoint* hiddenPosition) {
    EdgePoint hidden = {x, y};
    if (x == monitor.left) {
        hidden.x = toCoordinate((int64_t)monitor.left + 1 - width);
    } else if (x == (int64_t)monitor.right - width) {
        hidden.x = toCoordinate((int64_t)monitor.right - 1);
    } else if (y == monitor.top) {
        hidden.y = toCoordinate((int64_t)monitor.top + 1 - height);
    } else if (y == (int64_t)monitor.bottom - height) {
        hidden.y = toCoordinate((int64_t)monitor.bottom - 1);
    } else {
        return false;
    }
    if (hiddenPosition) *hiddenPosition = hidden;
    return true;
}
