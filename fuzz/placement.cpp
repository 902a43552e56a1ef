// The window placement rule over any layout of monitors, any place and any
// monitor it was chosen on. On small layouts a pixel-by-pixel reference says
// whether the place lies wholly on the monitors; on every layout the window
// ends wholly inside the work area of the monitor the rule names, keeps its
// size when some work area holds it, goes to the nearest monitor that holds
// it, and is a place the rule keeps when given again.
#include "fuzz_input.h"
#include "text/placement_rule.h"

struct Box {
    int64_t left, top, right, bottom;
};

static int64_t atLeast(int64_t value, int64_t least) { return value < least ? least : value; }
static int64_t atMost(int64_t value, int64_t most) { return value > most ? most : value; }
static Box boxOf(const EdgeRect& r) { return {r.left, r.top, r.right, r.bottom}; }
static bool hasArea(const Box& b) { return b.right > b.left && b.bottom > b.top; }

static Box workOf(const MonitorArea& area) {
    Box m = boxOf(area.monitor), w = boxOf(area.work);
    Box held = {atLeast(w.left, m.left), atLeast(w.top, m.top), atMost(w.right, m.right),
                atMost(w.bottom, m.bottom)};
    return hasArea(held) ? held : m;
}

static bool onMonitorsByPixel(const MonitorLayout& layout, const Box& place) {
    for (int64_t y = place.top; y < place.bottom; ++y) {
        for (int64_t x = place.left; x < place.right; ++x) {
            bool on = false;
            for (int i = 0; i < layout.count; ++i) {
                Box m = boxOf(layout.monitors[i].monitor);
                on |= m.left <= x && x < m.right && m.top <= y && y < m.bottom;
            }
            if (!on) return false;
        }
    }
    return true;
}

// Pixels shared (more is nearer), then the gap along both axes (less is nearer).
static bool nearerOrEqual(const Box& place, const Box& a, const Box& b) {
    auto overlap = [&](const Box& m) {
        int64_t w = atMost(place.right, m.right) - atLeast(place.left, m.left);
        int64_t h = atMost(place.bottom, m.bottom) - atLeast(place.top, m.top);
        return w > 0 && h > 0 ? (uint64_t)w * (uint64_t)h : 0;
    };
    auto gap = [&](const Box& m) {
        return atLeast(atLeast(m.left - place.right, place.left - m.right), 0) +
               atLeast(atLeast(m.top - place.bottom, place.top - m.bottom), 0);
    };
    return overlap(a) != overlap(b) ? overlap(a) > overlap(b) : gap(a) <= gap(b);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    // Small layouts: coordinates from -48 to 47, so that every pixel can be looked at.
    bool small = input.take<uint8_t>() & 1;
    auto coordinate = [&]() {
        return small ? (int32_t)(input.take<uint8_t>() % 96) - 48 : input.take<int32_t>();
    };
    MonitorLayout layout;
    layout.count = input.take<uint8_t>() % (MaxMonitors + 1);
    int usable = 0;
    for (int i = 0; i < layout.count; ++i) {
        layout.monitors[i].monitor = {coordinate(), coordinate(), coordinate(), coordinate()};
        layout.monitors[i].work = {coordinate(), coordinate(), coordinate(), coordinate()};
        usable += hasArea(boxOf(layout.monitors[i].monitor));
    }
    WindowPlace place = {coordinate(), coordinate(), coordinate(), coordinate()};
    EdgeRect chosenOn = {coordinate(), coordinate(), coordinate(), coordinate()};
    bool chosenKnown = input.take<uint8_t>() & 1;
    PlacedWindow placed = placeWindow(layout, place, chosenKnown ? &chosenOn : nullptr);

    if (usable == 0) {
        REQUIRE(placed.monitor == -1 && !placed.onMonitors);
        return 0;
    }
    REQUIRE(placed.monitor >= 0 && placed.monitor < layout.count);
    const MonitorArea& target = layout.monitors[placed.monitor];
    REQUIRE(hasArea(boxOf(target.monitor)));
    Box box = {place.x, place.y, place.x + atLeast(place.width, 1),
               place.y + atLeast(place.height, 1)};
    if (small) REQUIRE(placed.onMonitors == onMonitorsByPixel(layout, box));
    if (placed.onMonitors) {
        REQUIRE(memcmp(&placed.window, &place, sizeof place) == 0);
        return 0;
    }

    const WindowPlace& w = placed.window;
    Box work = workOf(target);
    REQUIRE(w.x >= work.left && w.y >= work.top);
    REQUIRE((int64_t)w.x + w.width <= work.right && (int64_t)w.y + w.height <= work.bottom);

    // The nearest monitor whose work area holds the size, which stays; with
    // none, the nearest of all, and the size is its work area's at most.
    int64_t width = box.right - box.left, height = box.bottom - box.top;
    auto holds = [&](const MonitorArea& area) {
        Box other = workOf(area);
        return other.right - other.left >= width && other.bottom - other.top >= height;
    };
    bool someHolds = false;
    for (int i = 0; i < layout.count; ++i) {
        someHolds |= hasArea(boxOf(layout.monitors[i].monitor)) && holds(layout.monitors[i]);
    }
    REQUIRE(!someHolds || holds(target));
    for (int i = 0; i < layout.count; ++i) {
        const MonitorArea& other = layout.monitors[i];
        if (!hasArea(boxOf(other.monitor)) || (someHolds && !holds(other))) continue;
        REQUIRE(nearerOrEqual(box, boxOf(target.monitor), boxOf(other.monitor)));
    }
    REQUIRE(w.width == atMost(width, work.right - work.left));
    REQUIRE(w.height == atMost(height, work.bottom - work.top));

    // Where the rule puts the window is a place it keeps.
    PlacedWindow again = placeWindow(layout, w, nullptr);
    REQUIRE(again.onMonitors && memcmp(&again.window, &w, sizeof w) == 0);
    return 0;
}
