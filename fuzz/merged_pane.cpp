// The pane of several sources, driven by random events as the tail drives
// it: lines appended to a source (taken at the pane's end, or by a whole
// read that may cut the source's oldest lines), a source's file rotated, a
// notice coming and going, a new number of lines, the reader scrolling away
// and back. Each line's text carries an id; a slow reference keeps every
// source's file as a list of ids and what was ever shown. After every event:
// - no line is in the pane twice, and every line the pane holds is one of a
//   source's (its text and label);
// - a build holds every line of the sources' texts, or with `lines` N the
//   last N of the timeline; lines appended since are all still there;
// - a line alerts at most once, never after it was shown, and always when it
//   arrives and is shown at once (no line is missed);
// - a build keeps the line at the top of the view, at the same offset, when
//   it still holds it;
// - with `lines` N, the pane never holds more than 2N lines.
#include <algorithm>
#include <map>
#include <set>

#include "fuzz_input.h"
#include "text/merged_pane.h"
#include "text/timeline.h"

typedef std::basic_string<WideChar> Text;

static Text wide(const std::string& s) { return Text(s.begin(), s.end()); }

struct FileLine {
    Text text;
    int id;
};

struct SimSource {
    Text label;
    std::vector<FileLine> file;
    size_t seenLines = 0;  // of the file, up to the end of what its text held
    bool notice = false;
    std::vector<WideChar> buffer = std::vector<WideChar>(8192);
    SourceLines lines = {};
    uint32_t window = 20;  // lines a whole read takes
};

struct Row {
    int source;
    int id;
    uint32_t length;  // labelled, with CR LF
};

struct Sim {
    SimSource sources[3];
    uint32_t count = 2;
    uint32_t mostLines = 0;
    std::vector<Row> pane;
    PaneHeld held = {};
    bool away = false;
    uint32_t topRow = 0, topOffset = 0;
    int nextId = 1;
    int minute = 0;
    uint64_t builtUnits = 0;
    std::set<int> alerted;
    std::set<int> everShown;
    std::set<int> arrivedNow;
};

static const uint32_t Capacity = 1 << 16;
static WideChar merged[Capacity];
static uint32_t newBits[Capacity / 32 + 1];

static int idIn(const Text& labelled) {
    size_t hash = labelled.find('#');
    REQUIRE(hash != Text::npos);
    return atoi(std::string(labelled.begin() + hash + 1, labelled.end()).c_str());
}

static int sourceOf(const Sim& sim, const Text& labelled) {
    for (uint32_t i = 0; i < sim.count; ++i) {
        const Text& label = sim.sources[i].label;
        if (labelled.compare(0, label.size() + 3, Text(1, '[') + label + wide("] ")) == 0) return (int)i;
    }
    REQUIRE(false);
    return -1;
}

// The rows of a text of labelled lines, each ending in CR LF.
static std::vector<Row> rowsOf(const Sim& sim, const WideChar* text, uint32_t length) {
    std::vector<Row> rows;
    for (uint32_t at = 0; at < length;) {
        uint32_t end = lineEndFrom(text, length, at);
        Text line(text + at, text + end);
        rows.push_back({sourceOf(sim, line), idIn(line), nextLineStart(text, length, at) - at});
        at = nextLineStart(text, length, at);
    }
    return rows;
}

static void checkRowsAreLines(const Sim& sim) {
    std::set<int> ids;
    for (const Row& row : sim.pane) REQUIRE(ids.insert(row.id).second);
    if (sim.mostLines) REQUIRE(sim.pane.size() <= 2 * sim.mostLines);
}

// What the source's reader gives: its file's last lines (window of them),
// the lines before `newFrom` as the source held them.
static void fillText(SimSource& source, uint32_t* newFrom, size_t firstNewLine) {
    size_t first = source.file.size() > source.window ? source.file.size() - source.window : 0;
    uint32_t at = 0;
    *newFrom = UINT32_MAX;
    for (size_t i = first; i < source.file.size(); ++i) {
        if (i >= firstNewLine && *newFrom == UINT32_MAX) *newFrom = at;
        for (WideChar unit : source.file[i].text) source.buffer[at++] = unit;
        source.buffer[at++] = '\r';
        source.buffer[at++] = '\n';
    }
    if (*newFrom == UINT32_MAX) *newFrom = at;
    source.seenLines = source.file.size();
    source.lines.text = source.buffer.data();
    source.lines.length = at;  // takeSourceLines sets it again
}

static uint32_t builtUnitsOf(const Sim& sim) {
    uint64_t units = 0;
    for (uint32_t i = 0; i < sim.count; ++i) units += sim.sources[i].lines.shown ? sim.sources[i].lines.length : 0;
    return (uint32_t)units;
}

static void build(Sim& sim, bool forced) {
    PanePlace place = {false, 0, 0, 0};
    int topId = -1;
    if (!forced && sim.away && !sim.pane.empty()) {
        std::vector<uint8_t> sourceOfLine;
        for (const Row& row : sim.pane) sourceOfLine.push_back((uint8_t)row.source);
        uint32_t top = sim.topRow % sim.pane.size();
        uint32_t offset = sim.topOffset % sim.pane[top].length;
        place = placeOfLine(sim.held, sourceOfLine.data(), nullptr, top, offset);
        REQUIRE(place.known);
        topId = sim.pane[top].id;
    }
    SourceLines lines[MostSources] = {};
    for (uint32_t i = 0; i < sim.count; ++i) lines[i] = sim.sources[i].lines;
    MergedPane result = mergeSourceLines(lines, sim.count, sim.mostLines, 64, 2026, place, merged, Capacity,
                                         newBits, &sim.held);
    sim.pane = rowsOf(sim, merged, result.length);
    REQUIRE(sim.pane.size() == result.lines);
    // Every line of every source's text, or the last N of them.
    uint32_t total = 0;
    for (uint32_t i = 0; i < sim.count; ++i) {
        if (sim.sources[i].lines.shown) total += linesIn(sim.sources[i].lines.text, sim.sources[i].lines.length);
    }
    uint32_t expected = sim.mostLines && sim.mostLines < total ? sim.mostLines : total;
    REQUIRE(result.lines == expected);
    uint32_t at = 0;
    for (uint32_t i = 0; i < result.lines; ++i) {
        const Row& row = sim.pane[i];
        bool isNew = (newBits[i / 32] >> (i % 32)) & 1;
        if (isNew) {
            REQUIRE(!forced);
            REQUIRE(sim.alerted.insert(row.id).second);
            REQUIRE(sim.everShown.count(row.id) == 0);
        }
        if (!forced && sim.arrivedNow.count(row.id)) REQUIRE(isNew);
        if (row.id == topId) REQUIRE(result.placeAt == (int)(at + place.offset));
        at += row.length;
    }
    if (topId >= 0 && result.placeAt >= 0) {
        bool held = false;
        for (const Row& row : sim.pane) held = held || row.id == topId;
        REQUIRE(held);
    }
    for (const Row& row : sim.pane) sim.everShown.insert(row.id);
    for (uint32_t i = 0; i < sim.count; ++i) sim.sources[i].lines.newFrom = sim.sources[i].lines.length;
    sim.builtUnits = builtUnitsOf(sim);
}

static uint32_t paneUnits(const Sim& sim) {
    uint32_t units = 0;
    for (const Row& row : sim.pane) units += row.length;
    return units;
}

// Labelled lines at the pane's end, the first numbered firstNumber.
static void append(Sim& sim, uint32_t which, const WideChar* lines, uint32_t length, uint32_t firstNumber) {
    SimSource& source = sim.sources[which];
    uint32_t written = 0;
    REQUIRE(labelLines(source.label.c_str(), lines, length, merged, Capacity, &written));
    std::vector<Row> rows = rowsOf(sim, merged, written);
    if (!sim.held.hasLines[which]) sim.held.firstNumber[which] = firstNumber;
    sim.held.hasLines[which] = true;
    for (const Row& row : rows) {
        REQUIRE(sim.alerted.insert(row.id).second);
        REQUIRE(sim.everShown.insert(row.id).second);
        sim.pane.push_back(row);
    }
}

static bool outgrown(const Sim& sim, uint32_t adding) {
    return paneOutgrown((uint32_t)sim.pane.size(), adding, sim.mostLines, paneUnits(sim), sim.builtUnits, Capacity);
}

// New lines written to a source's file: taken at the pane's end when they
// fit, else by a whole read of the file, which only grew.
static void addLines(Sim& sim, uint32_t which, uint32_t count, bool timed, bool wholeRead) {
    SimSource& source = sim.sources[which];
    size_t before = source.file.size();
    Text added;
    for (uint32_t i = 0; i < count; ++i) {
        sim.minute = (sim.minute + 1) % 60;
        std::string time = "2026-12-08 10:" + std::to_string(10 + sim.minute % 50) + ":00 ";
        Text text = wide((timed ? time : std::string("plain ")) + "#" + std::to_string(sim.nextId));
        source.file.push_back({text, sim.nextId});
        sim.arrivedNow.insert(sim.nextId++);
        added += text + wide("\r\n");
    }
    if (source.notice || !source.lines.shown) return;
    uint32_t lines = count;
    bool fits = source.lines.length + added.size() < source.buffer.size() - 1 && !outgrown(sim, lines);
    if (!wholeRead && fits) {
        std::copy(added.begin(), added.end(), source.buffer.begin() + source.lines.length);
        uint32_t firstNumber = source.lines.firstNumber + source.lines.lineCount;
        addedSourceLines(&source.lines, (uint32_t)added.size(), lines);
        source.seenLines = source.file.size();
        append(sim, which, added.data(), (uint32_t)added.size(), firstNumber);
        return;
    }
    uint32_t newFrom = 0;
    fillText(source, &newFrom, before);
    uint32_t length = source.lines.length;
    takeSourceLines(&source.lines, length, newFrom, true);
    if (length == newFrom) return;
    const WideChar* text = source.buffer.data() + newFrom;
    if (outgrown(sim, linesIn(text, length - newFrom))) {
        build(sim, false);
        return;
    }
    append(sim, which, text, length - newFrom, source.lines.firstNumber + linesIn(source.buffer.data(), newFrom));
    source.lines.newFrom = length;
}

// The source shows its file's last lines anew, those beyond what it saw new.
static void showAnew(SimSource& source, bool forced) {
    size_t firstUnseen = source.seenLines;
    uint32_t newFrom = 0;
    fillText(source, &newFrom, forced ? source.file.size() : firstUnseen);
    takeSourceLines(&source.lines, source.lines.length, newFrom, false);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Sim sim;
    sim.count = 2 + input.take<uint8_t>() % 2;
    sim.mostLines = input.take<uint8_t>() % 8;
    for (uint32_t i = 0; i < sim.count; ++i) {
        SimSource& source = sim.sources[i];
        source.label = wide(std::string(1, char('a' + i)));
        source.lines.shown = true;
        source.lines.label = source.label.c_str();
        source.lines.text = source.buffer.data();
        source.window = 3 + input.take<uint8_t>() % 30;
        source.lines.firstNumber = input.take<uint32_t>();  // numbers may wrap
    }
    build(sim, true);
    for (int steps = 0; steps < 60 && !input.empty(); ++steps) {
        sim.arrivedNow.clear();
        uint8_t event = input.take<uint8_t>();
        uint32_t which = input.take<uint8_t>() % sim.count;
        SimSource& source = sim.sources[which];
        switch (event % 8) {
        case 0: case 1: case 2:
            addLines(sim, which, 1 + input.take<uint8_t>() % 5, event % 3 != 2, (event / 8) % 4 == 0);
            break;
        case 3:  // rotated: another file, whose lines are all new
            source.file.clear();
            source.seenLines = 0;
            for (int i = 0; i < 3; ++i) {
                source.file.push_back({wide("2026-12-08 10:59:0" + std::to_string(i) + " #" + std::to_string(sim.nextId)), sim.nextId});
                sim.arrivedNow.insert(sim.nextId++);
            }
            if (source.notice) break;
            showAnew(source, false);
            build(sim, false);
            break;
        case 4:  // a notice comes, or goes
            source.notice = !source.notice;
            if (source.notice) {
                dropSourceLines(&source.lines);
            } else {
                showAnew(source, false);
            }
            build(sim, false);
            break;
        case 5:  // new settings: every source shown anew, nothing new
            sim.mostLines = input.take<uint8_t>() % 8;
            for (uint32_t i = 0; i < sim.count; ++i) {
                if (!sim.sources[i].notice) showAnew(sim.sources[i], true);
            }
            build(sim, true);
            break;
        case 6:
            sim.away = true;
            sim.topRow = input.take<uint16_t>();
            sim.topOffset = input.take<uint8_t>();
            break;
        case 7:
            sim.away = false;
            break;
        }
        checkRowsAreLines(sim);
    }
    return 0;
}
