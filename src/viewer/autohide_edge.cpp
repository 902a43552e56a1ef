#include "viewer/autohide_edge.h"

#include "viewer/coordinate.h"

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
