#include "text/autohide_edge.h"

#include "text/coordinate.h"

bool autoHideEdge(const EdgeRect& monitor, int x, int y, int width, int height, unsigned continued,
                  EdgePoint* hiddenPosition) {
    EdgePoint hidden = {x, y};
    if (x == monitor.left && !(continued & LeftSide)) {
        hidden.x = toCoordinate((int64_t)monitor.left + 1 - width);
    } else if (x == (int64_t)monitor.right - width && !(continued & RightSide)) {
        hidden.x = toCoordinate((int64_t)monitor.right - 1);
    } else if (y == monitor.top && !(continued & TopSide)) {
        hidden.y = toCoordinate((int64_t)monitor.top + 1 - height);
    } else if (y == (int64_t)monitor.bottom - height && !(continued & BottomSide)) {
        hidden.y = toCoordinate((int64_t)monitor.bottom - 1);
    } else {
        return false;
    }
    if (hiddenPosition) *hiddenPosition = hidden;
    return true;
}

EdgeRect besideEdge(const EdgeRect& monitor, EdgeSide side, int x, int y, int width, int height) {
    EdgeRect line = {x, y, toCoordinate((int64_t)x + width), toCoordinate((int64_t)y + height)};
    if (side == LeftSide || side == RightSide) {
        int32_t edge = side == LeftSide ? monitor.left : monitor.right;
        line.left = side == LeftSide ? toCoordinate((int64_t)edge - 1) : edge;
        line.right = side == LeftSide ? edge : toCoordinate((int64_t)edge + 1);
    } else {
        int32_t edge = side == TopSide ? monitor.top : monitor.bottom;
        line.top = side == TopSide ? toCoordinate((int64_t)edge - 1) : edge;
        line.bottom = side == TopSide ? edge : toCoordinate((int64_t)edge + 1);
    }
    return line;
}
