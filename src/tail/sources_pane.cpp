#include "tail/sources_pane.h"

#include <string.h>

#include "settings/state.h"
#include "tail/tail.h"
#include "text/characters.h"
#include "text/line_time.h"
#include "text/newest_file.h"
#include "text/timeline.h"
#include "viewer/alert.h"
#include "viewer/pane_view.h"

// The labels the pane's lines begin with, for the colour rules' marks.
static LineLabels lineLabels;

void useLineLabels(bool several) {
    lineLabels.count = MostSources;
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = state.sources[i];
        lineLabels.label[i] = source.active ? sourceLabel(source) : nullptr;
    }
    state.lineMarks.labels = several ? &lineLabels : nullptr;
}

// A notice has no time of its own: it follows every line that has one.
static const uint64_t NoticeTime = NoLineTime - 1;
// The pane's lines that are new at a build, one bit each.
static uint32_t newLines[MarkedLineCapacity / 32];

const WCHAR* sourceLabel(const Source& source) {
    if (source.value.label[0]) return source.value.label;
    return source.resolvedPath + fileNameStart(source.resolvedPath);
}

// "[label] ", the line, and CR LF.
static uint32_t labelledLineLength(const Source& source, uint32_t lineLength) {
    return labelledLength(sourceLabel(source)) + lineLength + 2;
}

static void writeLabelled(const Source& source, const WCHAR* line, uint32_t length, WCHAR* out,
                          uint32_t* at) {
    WCHAR* to = out + *at;
    *to++ = '[';
    for (const WCHAR* label = sourceLabel(source); *label; ++label) *to++ = *label;
    *to++ = ']';
    *to++ = ' ';
    for (uint32_t i = 0; i < length; ++i) *to++ = line[i];
    *to++ = WCHAR(CarriageReturn);
    *to++ = WCHAR(LineFeed);
    *at = (uint32_t)(to - out);
}

// A file's last write (UTC) as the local time its lines were written in.
static uint64_t localTimeOf(uint64_t fileTime) {
    FILETIME utc = {(DWORD)fileTime, (DWORD)(fileTime >> 32)}, local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return 0;
    return timeValue(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds * 10000u);
}

static int thisYear() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear;
}

// The watched sources, in order, as the timeline reads them.
struct Inputs {
    uint32_t count;
    uint32_t source[MostSources];
    TimelineSource timeline[MostSources];
};

static Inputs inputsOfSources() {
    Inputs inputs = {};
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = state.sources[i];
        if (!source.active) continue;
        TimelineSource input = {source.text, source.textLength, source.fallbackTime};
        inputs.source[inputs.count] = i;
        inputs.timeline[inputs.count++] = input;
    }
    return inputs;
}

// The merged lines, as many of the last as fit, into the merged text; the
// new ones are marked. Returns the pane's lines.
static uint32_t mergeSources(const Inputs& inputs) {
    Timeline timeline;
    TimelineLine line;
    uint32_t lines = 0;
    uint64_t units = 0;
    startTimeline(&timeline, inputs.timeline, inputs.count, thisYear());
    while (nextTimelineLine(&timeline, &line)) {
        ++lines;
        units += labelledLineLength(state.sources[inputs.source[line.source]], line.length);
    }
    uint32_t mostLines = state.lineChoice.lines ? state.lineChoice.lines : MarkedLineCapacity - 1;
    uint32_t at = 0, shown = 0;
    ZeroMemory(newLines, sizeof newLines);
    startTimeline(&timeline, inputs.timeline, inputs.count, thisYear());
    while (nextTimelineLine(&timeline, &line)) {
        const Source& source = state.sources[inputs.source[line.source]];
        uint32_t length = labelledLineLength(source, line.length);
        bool fits = lines <= mostLines && units <= PaneTextSize - 1;
        --lines;
        units -= length;
        if (!fits) continue;
        writeLabelled(source, source.text + line.start, line.length, state.mergedText, &at);
        if (line.start >= source.newFrom) newLines[shown / 32] |= 1u << (shown % 32);
        ++shown;
    }
    state.mergedText[at] = 0;
    return shown;
}

// A reader away from the end keeps their place across a build: the row at
// the top of the view, found again in the merged text (its last place),
// tells where the old text's end lies in the new.
static int oldEndInMerged(uint32_t mergedLength) {
    if (paneFollowsEnd()) return NoPlace;
    int top = (int)sendToPane(EM_LINEINDEX, sendToPane(EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    WCHAR row[256];
    *(WORD*)row = 255;
    int length = (int)sendToPane(EM_GETLINE, sendToPane(EM_GETFIRSTVISIBLELINE, 0, 0), (LPARAM)row);
    if (top < 0 || length <= 0) return NoPlace;
    for (int at = (int)mergedLength - length; at >= 0; --at) {
        if (memcmp(state.mergedText + at, row, length * sizeof(WCHAR)) != 0) continue;
        return at + (GetWindowTextLengthW(state.paneWnd) - top);
    }
    return NoPlace;
}

// Every source's lines in one timeline; the new ones alert.
static void buildPane(bool forced) {
    useLineLabels(true);
    uint32_t lines = mergeSources(inputsOfSources());
    replacePaneText(state.mergedText, forced, forced ? NoPlace : oldEndInMerged(lstrlenW(state.mergedText)));
    alertOnLinesMarked(newLines, lines);
    for (Source& source : state.sources) source.newFrom = source.textLength;
}

void showSourceLines(Source& source, uint32_t length, uint32_t newFrom, uint64_t writeTime,
                     bool asNew) {
    source.textLength = length;
    source.newFrom = newFrom;
    source.fallbackTime = localTimeOf(writeTime);
    buildPane(asNew);
}

// Lines labelled for the pane's end, in the merged text; false when they
// would not fit there.
static bool labelLines(const Source& source, const WCHAR* lines, uint32_t length, uint32_t* at) {
    *at = 0;
    for (uint32_t start = 0; start < length; start = nextLineStart(lines, length, start)) {
        uint32_t end = lineEndFrom(lines, length, start);
        if (*at + labelledLineLength(source, end - start) > PaneTextSize - 1) return false;
        writeLabelled(source, lines + start, end - start, state.mergedText, at);
    }
    state.mergedText[*at] = 0;
    return true;
}

// The pane holds lines appended since its build: when it holds about twice
// what a build would show, it is built anew.
static bool paneOutgrown() {
    uint64_t built = 0;
    for (const Source& source : state.sources) built += source.active ? source.textLength : 0;
    uint64_t shown = (uint64_t)GetWindowTextLengthW(state.paneWnd);
    return shown > 2 * built + 4096 || shown > PaneTextSize / 2;
}

// Labelled lines at the pane's end, all of them new.
static void appendLabelled() {
    useLineLabels(true);
    uint32_t from = state.lineMarks.length;
    int ruleBefore = lastLineRule();
    appendPaneText(state.mergedText);
    alertOnNewText(from, ruleBefore);
}

void growSourceLines(Source& source, uint32_t length, uint32_t newFrom) {
    source.textLength = length;
    source.newFrom = newFrom;
    uint32_t labelled = 0;
    if (paneOutgrown() || !labelLines(source, source.text + newFrom, length - newFrom, &labelled)) {
        buildPane(false);
        return;
    }
    if (labelled > 0) appendLabelled();
    source.newFrom = length;
}

bool addSourceLines(Source& source, const WCHAR* lines, uint32_t length) {
    uint32_t labelled = 0;
    if (source.textLength + length > DisplayTextSize - 1 || !labelLines(source, lines, length, &labelled)) {
        return false;
    }
    CopyMemory(source.text + source.textLength, lines, length * sizeof(WCHAR));
    source.textLength += length;
    source.newFrom = source.textLength;
    appendLabelled();
    return true;
}

// One line: the notice's parts joined by a blank. Shown again only when it
// is not the line shown already, so that a selection survives.
void showSourceNotice(Source& source, const WCHAR* notice) {
    uint32_t length = 0;
    WCHAR line[NoticeCapacity + 2];
    for (; notice[length] && length < NoticeCapacity; ++length) {
        line[length] = isLineEnd(notice[length]) ? WCHAR(' ') : notice[length];
    }
    line[length++] = WCHAR(CarriageReturn);
    line[length++] = WCHAR(LineFeed);
    bool same = source.textLength == length && memcmp(source.text, line, length * sizeof(WCHAR)) == 0;
    if (same) return;
    CopyMemory(source.text, line, length * sizeof(WCHAR));
    source.textLength = length;
    source.newFrom = length;
    source.fallbackTime = NoticeTime;
    buildPane(false);
}
