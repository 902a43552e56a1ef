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
#include "viewer/status_line.h"

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

// The pane's lines that are new at a build, one bit each.
static uint32_t newLines[MarkedLineCapacity / 32];

// Which lines of each source the pane holds: the number of its first one
// there, the others following it in order; none after a source's notice.
struct PaneSources {
    bool hasLines[MostSources];
    uint32_t firstNumber[MostSources];
};
static PaneSources paneSources;

const WCHAR* sourceLabel(const Source& source) {
    if (source.value.label[0]) return source.value.label;
    return source.resolvedPath + fileNameStart(source.resolvedPath);
}

static bool showsLines(const Source& source) { return source.active && source.sameFileAs == 0; }

static uint32_t indexOfSource(const Source& source) { return (uint32_t)(&source - state.sources); }

// Room kept behind the merged lines for each source's notice row and the
// filter's notice.
static const uint32_t NoticeRowsRoom = MostSources * (LabelCapacity + 4 + NoticeCapacity) + 4096;

static uint32_t markedCount(const uint32_t* bits, uint32_t count) {
    uint32_t marked = 0;
    for (uint32_t i = 0; i < count; ++i) marked += (bits[i / 32] >> (i % 32)) & 1;
    return marked;
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

// ---- The reader's place -------------------------------------------------------------

// What the line at the top of the view is: its source and its number among
// the source's lines, and how far into it the view starts.
struct ViewPlace {
    bool known;
    uint8_t source;
    uint32_t number;
    uint32_t offset;
};

static ViewPlace placeOfView() {
    ViewPlace place = {false, NoSource, 0, 0};
    const LineMarks& marks = state.lineMarks;
    if (paneFollowsEnd() || marks.lineCount == 0) return place;
    int top = paneTopIndex();
    if (top < 0 || (uint32_t)top >= marks.length) return place;
    uint32_t line = firstLineFrom(marks, (uint32_t)top + 1) - 1;
    uint8_t source = marks.sourceOfLine[line];
    if (source >= MostSources || !paneSources.hasLines[source]) return place;
    uint32_t before = 0;
    for (uint32_t i = 0; i < line; ++i) before += marks.sourceOfLine[i] == source ? 1 : 0;
    place.known = true;
    place.source = source;
    place.number = paneSources.firstNumber[source] + before;
    place.offset = (uint32_t)top - marks.lineStart[line];
    return place;
}

// ---- Building the pane --------------------------------------------------------------

// The sources that show lines, in order, as the timeline reads them; a
// source without times counts its lines as written at its file's last
// write as known now.
struct Inputs {
    uint32_t count;
    uint32_t source[MostSources];
    TimelineSource timeline[MostSources];
};

static Inputs inputsOfSources() {
    Inputs inputs = {};
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = state.sources[i];
        if (!showsLines(source) || source.textLength == 0) continue;
        TimelineSource input = {source.text, source.textLength, localTimeOf(source.linesWrittenAt)};
        inputs.source[inputs.count] = i;
        inputs.timeline[inputs.count++] = input;
    }
    return inputs;
}

// Where the merge writes, and what it found on the way.
struct Merge {
    uint32_t at;     // units written
    uint32_t shown;  // lines written
    ViewPlace place;
    int placeAt;     // where the view's top now stands, or NoPlace
};

static uint32_t mostPaneLines() {
    return state.lineChoice.lines ? state.lineChoice.lines : MarkedLineCapacity - 1;
}

// The merged lines, as many of the last as fit, into the merged text; the
// new ones are marked, and the line at the view's top is found again.
static void mergeSources(const Inputs& inputs, Merge& merge) {
    Timeline timeline;
    TimelineLine line;
    uint32_t lines = 0;
    uint64_t units = 0;
    startTimeline(&timeline, inputs.timeline, inputs.count, thisYear());
    while (nextTimelineLine(&timeline, &line)) {
        ++lines;
        units += labelledLineLength(state.sources[inputs.source[line.source]], line.length);
    }
    uint32_t index[MostSources] = {};
    ZeroMemory(newLines, sizeof newLines);
    ZeroMemory(&paneSources, sizeof paneSources);
    startTimeline(&timeline, inputs.timeline, inputs.count, thisYear());
    while (nextTimelineLine(&timeline, &line)) {
        uint32_t which = inputs.source[line.source];
        const Source& source = state.sources[which];
        uint32_t length = labelledLineLength(source, line.length);
        uint32_t number = source.firstLineNumber + index[line.source]++;
        bool fits = lines <= mostPaneLines() && units <= PaneTextSize - 1 - NoticeRowsRoom;
        --lines;
        units -= length;
        if (!fits) continue;
        if (!paneSources.hasLines[which]) paneSources.firstNumber[which] = number;
        paneSources.hasLines[which] = true;
        if (merge.place.known && merge.place.source == which && merge.place.number == number) {
            uint32_t offset = merge.place.offset < length ? merge.place.offset : 0;
            merge.placeAt = (int)(merge.at + offset);
        }
        writeLabelled(source, source.text + line.start, line.length, state.mergedText, &merge.at);
        if (line.start >= source.newFrom) newLines[merge.shown / 32] |= 1u << (merge.shown % 32);
        ++merge.shown;
    }
}

// Each source that cannot be shown says why in one row of its own, after
// every line; when only the filter leaves every source without lines, one
// notice says so, once.
static void addNoticeRows(Merge& merge) {
    bool noLines = merge.shown == 0, filteredOut = false;
    for (const Source& source : state.sources) {
        if (!showsLines(source)) continue;
        filteredOut = filteredOut || source.noLinePasses;
        if (source.noticeLength == 0) continue;
        writeLabelled(source, source.notice, source.noticeLength, state.mergedText, &merge.at);
    }
    if (noLines && filteredOut) merge.at += writeNoLinePasses(state.mergedText + merge.at);
}

// Every source's lines in one timeline; the new ones alert, and while the
// reader is away from the end, count among the lines below the view.
static void buildPane(bool forced) {
    useLineLabels(true);
    bool away = !forced && !paneFollowsEnd();
    Merge merge = {0, 0, forced ? ViewPlace() : placeOfView(), NoPlace};
    mergeSources(inputsOfSources(), merge);
    addNoticeRows(merge);
    state.mergedText[merge.at] = 0;
    replacePaneTextAt(state.mergedText, forced, merge.placeAt);
    alertOnLinesMarked(newLines, merge.shown);
    if (away && state.statusLine) countLinesBelow(markedCount(newLines, merge.shown), false);
    for (Source& source : state.sources) source.newFrom = source.textLength;
}

// Lines before newFrom are the ones the source showed before, their
// numbers kept; a source shown anew numbers its lines afresh.
static uint32_t linesBefore(const Source& source, uint32_t end) {
    uint32_t lines = 0;
    for (uint32_t at = 0; at < end; at = nextLineStart(source.text, source.textLength, at)) ++lines;
    return lines;
}

static void takeLines(Source& source, uint32_t length, uint32_t newFrom, bool sameLines) {
    uint32_t oldLines = source.textLines;
    source.textLength = length;
    source.newFrom = newFrom;
    source.textLines = linesBefore(source, length);
    uint32_t kept = sameLines ? linesBefore(source, newFrom) : 0;
    source.firstLineNumber += sameLines ? oldLines - kept : oldLines + 1;
    source.noticeLength = 0;
}

void showSourceLines(Source& source, uint32_t length, uint32_t newFrom, bool asNew) {
    takeLines(source, length, newFrom, false);
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
// what a build would show (with `lines`, twice as many lines), it is built
// anew.
static bool paneOutgrown(uint32_t adding) {
    if (state.lineChoice.lines && linesHeld(state.lineMarks) + adding > 2 * state.lineChoice.lines) {
        return true;
    }
    uint64_t built = 0;
    for (const Source& source : state.sources) built += showsLines(source) ? source.textLength : 0;
    uint64_t shown = (uint64_t)paneTextLength();
    return shown > 2 * built + 4096 || shown > PaneTextSize / 2;
}

static uint32_t lineCount(const WCHAR* lines, uint32_t length) {
    uint32_t count = 0;
    for (uint32_t at = 0; at < length; at = nextLineStart(lines, length, at)) ++count;
    return count;
}

// Labelled lines at the pane's end, numbered from firstNumber, all of them
// new but the first when the source saw it in part before.
static void appendLabelled(const Source& source, uint32_t firstNumber, bool firstSeen) {
    useLineLabels(true);
    uint32_t from = state.lineMarks.length;
    int ruleBefore = lastLineRule();
    appendPaneText(state.mergedText);
    uint32_t which = indexOfSource(source);
    if (!paneSources.hasLines[which]) paneSources.firstNumber[which] = firstNumber;
    paneSources.hasLines[which] = true;
    if (firstSeen) {  // its rule as it was seen
        from += nextLineStart(state.mergedText, (uint32_t)lstrlenW(state.mergedText), 0);
        ruleBefore = markedRule(state.lineMarks, from - 1);
    }
    alertOnNewText(from, ruleBefore);
}

void growSourceLines(Source& source, uint32_t length, uint32_t newFrom) {
    takeLines(source, length, newFrom, true);
    uint32_t labelled = 0;
    if (paneOutgrown(lineCount(source.text + newFrom, length - newFrom)) ||
        !labelLines(source, source.text + newFrom, length - newFrom, &labelled)) {
        buildPane(false);
        return;
    }
    if (labelled > 0) appendLabelled(source, source.firstLineNumber + linesBefore(source, newFrom), false);
    source.newFrom = length;
}

bool addSourceLines(Source& source, const WCHAR* lines, uint32_t length, bool firstSeen) {
    uint32_t labelled = 0;
    if (source.textLength + length > DisplayTextSize - 1 || paneOutgrown(lineCount(lines, length)) ||
        !labelLines(source, lines, length, &labelled)) {
        return false;
    }
    CopyMemory(source.text + source.textLength, lines, length * sizeof(WCHAR));
    source.textLength += length;
    uint32_t firstNumber = source.firstLineNumber + source.textLines;
    source.textLines += lineCount(lines, length);
    source.newFrom = source.textLength;
    appendLabelled(source, firstNumber, firstSeen);
    return true;
}

// One row: the notice's parts joined by a blank, in place of the source's
// lines. Shown again only when it is not the row shown already, so that a
// selection survives.
void showSourceNotice(Source& source, const WCHAR* notice) {
    uint32_t length = 0;
    WCHAR row[NoticeCapacity];
    for (; notice[length] && length < NoticeCapacity - 1; ++length) {
        row[length] = isLineEnd(notice[length]) ? WCHAR(' ') : notice[length];
    }
    bool same = source.textLength == 0 && source.noticeLength == length &&
                memcmp(source.notice, row, length * sizeof(WCHAR)) == 0;
    if (same) return;
    CopyMemory(source.notice, row, length * sizeof(WCHAR));
    source.noticeLength = length;
    source.firstLineNumber += source.textLines + 1;
    source.textLength = 0;
    source.textLines = 0;
    source.newFrom = 0;
    source.noLinePasses = false;
    buildPane(false);
}

void rebuildSourcesPane() { buildPane(false); }
