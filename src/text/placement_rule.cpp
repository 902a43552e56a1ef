#include "text/placement_rule.h"

// Rectangles in 64 bits: a place's right edge (x + width) may lie beyond the
// range of a coordinate.
struct Box {
    int64_t left, top, right, bottom;
};

static Box boxOf(const EdgeRect& r) { return {r.left, r.top, r.right, r.bottom}; }

static bool hasArea(const Box& b) { return b.right > b.left && b.bottom > b.top; }

static int64_t larger(int64_t a, int64_t b) { return a > b ? a : b; }
static int64_t smaller(int64_t a, int64_t b) { return a < b ? a : b; }

static Box overlapOf(const Box& a, const Box& b) {
    return {larger(a.left, b.left), larger(a.top, b.top), smaller(a.right, b.right),
            smaller(a.bottom, b.bottom)};
}

static int monitorCount(const MonitorLayout& layout) {
    if (layout.count < 0) return 0;
    return layout.count > MaxMonitors ? MaxMonitors : layout.count;
}

static bool usable(const MonitorArea& area) { return hasArea(boxOf(area.monitor)); }

// The work area held inside its monitor; one with nothing left is the whole monitor.
static Box workAreaOf(const MonitorArea& area) {
    Box work = overlapOf(boxOf(area.work), boxOf(area.monitor));
    return hasArea(work) ? work : boxOf(area.monitor);
}

static void sortCoordinates(int64_t* values, int count) {
    for (int i = 1; i < count; ++i) {
        int64_t value = values[i];
        int j = i;
        for (; j > 0 && values[j - 1] > value; --j) values[j] = values[j - 1];
        values[j] = value;
    }
}

// Cuts the box along every monitor edge that crosses it; each cell then lies
// wholly inside or wholly outside each monitor, so testing one corner of it
// tells which.
static bool coveredByMonitors(const MonitorLayout& layout, const Box& box) {
    int64_t xs[2 + 2 * MaxMonitors] = {box.left, box.right};
    int64_t ys[2 + 2 * MaxMonitors] = {box.top, box.bottom};
    int cuts = 2;
    for (int i = 0; i < monitorCount(layout); ++i) {
        Box m = boxOf(layout.monitors[i].monitor);
        xs[cuts] = larger(box.left, smaller(m.left, box.right));
        ys[cuts++] = larger(box.top, smaller(m.top, box.bottom));
        xs[cuts] = larger(box.left, smaller(m.right, box.right));
        ys[cuts++] = larger(box.top, smaller(m.bottom, box.bottom));
    }
    sortCoordinates(xs, cuts);
    sortCoordinates(ys, cuts);
    for (int i = 0; i + 1 < cuts; ++i) {
        if (xs[i] == xs[i + 1]) continue;
        for (int j = 0; j + 1 < cuts; ++j) {
            if (ys[j] == ys[j + 1]) continue;
            bool covered = false;
            for (int k = 0; k < monitorCount(layout) && !covered; ++k) {
                Box m = boxOf(layout.monitors[k].monitor);
                covered = m.left <= xs[i] && xs[i] < m.right && m.top <= ys[j] && ys[j] < m.bottom;
            }
            if (!covered) return false;
        }
    }
    return true;
}

// How near a monitor lies to the box: the pixels they share (more is
// nearer), then the gap between them along both axes (less is nearer).
struct Nearness {
    uint64_t overlap;
    int64_t gap;
};

static Nearness nearnessOf(const Box& box, const Box& monitor) {
    Box shared = overlapOf(box, monitor);
    Nearness n = {0, 0};
    if (hasArea(shared)) {
        n.overlap = (uint64_t)(shared.right - shared.left) * (uint64_t)(shared.bottom - shared.top);
    }
    n.gap = larger(0, larger(monitor.left - box.right, box.left - monitor.right)) +
            larger(0, larger(monitor.top - box.bottom, box.top - monitor.bottom));
    return n;
}

static bool nearer(const Nearness& a, const Nearness& b) {
    return a.overlap != b.overlap ? a.overlap > b.overlap : a.gap < b.gap;
}

static bool holds(const Box& work, int64_t width, int64_t height) {
    return work.right - work.left >= width && work.bottom - work.top >= height;
}

// The nearest usable monitor, among those whose work area holds the size
// when fitting is asked for; -1 when there is none.
static int nearestMonitor(const MonitorLayout& layout, const Box& box, bool fitting) {
    int best = -1;
    Nearness bestNearness = {0, 0};
    for (int i = 0; i < monitorCount(layout); ++i) {
        const MonitorArea& area = layout.monitors[i];
        if (!usable(area)) continue;
        int64_t width = box.right - box.left, height = box.bottom - box.top;
        if (fitting && !holds(workAreaOf(area), width, height)) continue;
        Nearness n = nearnessOf(box, boxOf(area.monitor));
        if (best < 0 || nearer(n, bestNearness)) {
            best = i;
            bestNearness = n;
        }
    }
    return best;
}

// One axis: the window's new start on the target monitor. It keeps its
// distance from whichever edge of the reference it was nearer to, and is
// then held inside the work area, which the new extent always fits.
struct Axis {
    int64_t start, extent;         // the place
    int64_t newExtent;             // the window's extent on the target
    int64_t refStart, refEnd;      // the monitor the place was chosen on
    int64_t monitorStart, monitorEnd, workStart, workEnd;
};

static int64_t placeAlong(const Axis& a) {
    int64_t before = a.start - a.refStart;
    int64_t after = a.refEnd - (a.start + a.extent);
    int64_t start = before <= after ? a.monitorStart + before : a.monitorEnd - after - a.newExtent;
    if (start > a.workEnd - a.newExtent) start = a.workEnd - a.newExtent;
    if (start < a.workStart) start = a.workStart;
    return start;
}

PlacedWindow placeWindow(const MonitorLayout& layout, const WindowPlace& place,
                         const EdgeRect* chosenOn) {
    int64_t width = larger(place.width, 1);
    int64_t height = larger(place.height, 1);
    Box box = {place.x, place.y, place.x + width, place.y + height};
    PlacedWindow placed = {place, nearestMonitor(layout, box, false), false};
    if (placed.monitor < 0) return placed;
    if (coveredByMonitors(layout, box)) {
        placed.onMonitors = true;
        return placed;
    }
    int fitting = nearestMonitor(layout, box, true);
    if (fitting >= 0) placed.monitor = fitting;
    const MonitorArea& target = layout.monitors[placed.monitor];
    Box monitor = boxOf(target.monitor);
    Box work = workAreaOf(target);
    Box ref = chosenOn && hasArea(boxOf(*chosenOn)) ? boxOf(*chosenOn) : monitor;
    int64_t newWidth = smaller(width, work.right - work.left);
    int64_t newHeight = smaller(height, work.bottom - work.top);
    Axis across = {box.left, width, newWidth, ref.left, ref.right,
                   monitor.left, monitor.right, work.left, work.right};
    Axis down = {box.top, height, newHeight, ref.top, ref.bottom,
                 monitor.top, monitor.bottom, work.top, work.bottom};
    placed.window.x = (int32_t)placeAlong(across);
    placed.window.y = (int32_t)placeAlong(down);
    placed.window.width = (int32_t)newWidth;
    placed.window.height = (int32_t)newHeight;
    return placed;
}

bool coversMonitor(const EdgeRect& window, const EdgeRect& monitor) {
    return window.left <= monitor.left && window.top <= monitor.top &&
           window.right >= monitor.right && window.bottom >= monitor.bottom;
}
