// The window placement rule over any layout of monitors, any place and any
// monitor it was chosen on. On small layouts a pixel-by-pixel reference says
// whether the place lies wholly on the monitors; on every layout the window
// ends wholly inside the work area of the monitor the rule names, keeps its
// size when some work area holds it, goes to the nearest monitor that holds
// it, and is a place the rule keeps when given again.
#include "fuzz_input.h"
#include "viewer/placement_rule.h"

// Small layouts: coordinates from -48 to 47, so that every pixel can be looked at.
static int32_t small(FuzzInput& input) { return (int32_t)(input.take<uint8_t>() % 96) - 48; }

struct Box64 {
    int64_t left, top, right, bottom;
};

static Box64 monitorBox(const EdgeRect& r) { return {r.left, r.top, r.right, r.bottom}; }

static bool hasArea(const Box64& b) { return b.right > b.left && b.bottom > b.top; }

static int64_t atLeast(int64_t value, int64_t least) { return value < least ? least : value; }
static int64_t atMost(int64_t value, int64_t most) { return value > most ? most : value; }

static Box64 workOf(const MonitorArea& area) {
    Box64 m = monitorBox(area.monitor), w = monitorBox(area.work);
    Box64 held = {atLeast(w.left, m.left), atLeast(w.top, m.top), atMost(w.right, m.right),
                  atMost(w.bottom, m.bottom)};
    return hasArea(held) ? held : m;
}

static bool pixelOnMonitors(const MonitorLayout& layout, int count, int64_t x, int64_t y) {
    for (int i = 0; i < count; ++i) {
        const EdgeRect& m = layout.monitors[i].monitor;
        if (m.left <= x && x < m.right && m.top <= y && y < m.bottom) return true;
    }
    return false;
}

static bool placeOnMonitorsByPixel(const MonitorLayout& layout, int count, const Box64& place) {
    for (int64_t y = place.top; y < place.bottom; ++y) {
        for (int64_t x = place.left; x < place.right; ++x) {
            if (!pixelOnMonitors(layout, count, x, y)) return false;
        }
    }
    return true;
}

static uint64_t overlapOf(const Box64& a, const Box64& b) {
    int64_t w = atMost(a.right, b.right) - atLeast(a.left, b.left);
    int64_t h = atMost(a.bottom, b.bottom) - atLeast(a.top, b.top);
    return w > 0 && h > 0 ? (uint64_t)w * (uint64_t)h : 0;
}

static int64_t gapOf(const Box64& a, const Box64& b) {
    return atLeast(atLeast(b.left - a.right, a.left - b.right), 0) +
           atLeast(atLeast(b.top - a.bottom, a.top - b.bottom), 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    bool smallLayout = input.take<uint8_t>() & 1;
    auto coordinate = [&]() { return smallLayout ? small(input) : input.take<int32_t>(); };
    MonitorLayout layout;
    layout.count = input.take<uint8_t>() % (MaxMonitors + 1);
    for (int i = 0; i < layout.count; ++i) {
        MonitorArea& area = layout.monitors[i];
        area.monitor = {coordinate(), coordinate(), coordinate(), coordinate()};
        area.work = {coordinate(), coordinate(), coordinate(), coordinate()};
    }
    WindowPlace place = {coordinate(), coordinate(), coordinate(), coordinate()};
    EdgeRect chosenOn = {coordinate(), coordinate(), coordinate(), coordinate()};
    bool chosenKnown = input.take<uint8_t>() & 1;

    PlacedWindow placed = placeWindow(layout, place, chosenKnown ? &chosenOn : nullptr);
    Box64 box = {place.x, place.y, place.x + atLeast(place.width, 1),
                 place.y + atLeast(place.height, 1)};
    int usable = -1;
    for (int i = 0; i < layout.count; ++i) {
        if (hasArea(monitorBox(layout.monitors[i].monitor))) usable = i;
    }
    if (usable < 0) {
        REQUIRE(placed.monitor == -1 && !placed.onMonitors);
        return 0;
    }
    REQUIRE(placed.monitor >= 0 && placed.monitor < layout.count);
    REQUIRE(hasArea(monitorBox(layout.monitors[placed.monitor].monitor)));
    if (smallLayout) {
        REQUIRE(placed.onMonitors == placeOnMonitorsByPixel(layout, layout.count, box));
    }
    if (placed.onMonitors) {
        REQUIRE(memcmp(&placed.window, &place, sizeof place) == 0);
        return 0;
    }

    // Wholly inside the target's work area.
    Box64 work = workOf(layout.monitors[placed.monitor]);
    const WindowPlace& w = placed.window;
    REQUIRE(w.x >= work.left && w.y >= work.top);
    REQUIRE((int64_t)w.x + w.width <= work.right && (int64_t)w.y + w.height <= work.bottom);

    // The size stays when some work area holds it, and the target is the
    // nearest monitor whose work area does; with none, the nearest of all, and
    // the size is its work area's at most.
    int64_t width = box.right - box.left, height = box.bottom - box.top;
    auto holds = [&](int i) {
        Box64 other = workOf(layout.monitors[i]);
        return other.right - other.left >= width && other.bottom - other.top >= height;
    };
    bool someHolds = false;
    for (int i = 0; i < layout.count; ++i) {
        someHolds |= hasArea(monitorBox(layout.monitors[i].monitor)) && holds(i);
    }
    REQUIRE(!someHolds || holds(placed.monitor));
    Box64 target = monitorBox(layout.monitors[placed.monitor].monitor);
    for (int i = 0; i < layout.count; ++i) {
        Box64 candidate = monitorBox(layout.monitors[i].monitor);
        if (!hasArea(candidate) || (someHolds && !holds(i))) continue;
        uint64_t targetOverlap = overlapOf(box, target), otherOverlap = overlapOf(box, candidate);
        REQUIRE(targetOverlap >= otherOverlap);
        if (targetOverlap == otherOverlap) REQUIRE(gapOf(box, target) <= gapOf(box, candidate));
    }
    if (someHolds) {
        REQUIRE(w.width == width && w.height == height);
    } else {
        REQUIRE(w.width == atMost(width, work.right - work.left));
        REQUIRE(w.height == atMost(height, work.bottom - work.top));
    }

    // Where the rule puts the window is a place it keeps.
    PlacedWindow again = placeWindow(layout, w, nullptr);
    REQUIRE(again.onMonitors && memcmp(&again.window, &w, sizeof w) == 0);

    // A window covers a monitor when no pixel of the monitor lies outside it.
    if (smallLayout) {
        const EdgeRect& monitor = layout.monitors[placed.monitor].monitor;
        Box64 window = monitorBox(chosenOn);
        bool covered = true;
        for (int64_t y = monitor.top; y < monitor.bottom; ++y) {
            for (int64_t x = monitor.left; x < monitor.right; ++x) {
                covered &= window.left <= x && x < window.right && window.top <= y && y < window.bottom;
            }
        }
        REQUIRE(coversMonitor(chosenOn, monitor) == covered);
    }
    return 0;
}
