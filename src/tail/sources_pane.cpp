#include "tail/sources_pane.h"

#include <string.h>

#include "settings/state.h"
#include "tail/repeat_rows.h"
#include "tail/tail.h"
#include "text/characters.h"
#include "text/line_time.h"
#include "text/newest_file.h"
#include "text/timeline.h"
#include "viewer/alert.h"
#include "viewer/pane_colours.h"
#include "viewer/pane_view.h"
#include "viewer/status_line.h"

// With several sources, the pane's text as merged from them.
static WCHAR mergedText[PaneTextSize];

// The labels the pane's lines begin with, for the colour rules' marks.
static LineLabels lineLabels;

void useLineLabels(bool several) {
    lineLabels.count = MostSources;
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = sources[i];
        lineLabels.label[i] = source.active ? sourceLabel(source) : nullptr;
        useLabelColour(i, source.value.coloured, source.value.colour);
    }
    state.lineMarks.labels = several ? &lineLabels : nullptr;
}

// The pane's lines that are new at a build, one bit each; which lines of
// each source it holds.
static uint32_t newLines[MarkedLineCapacity / 32 + 1];
static PaneHeld paneHeld;

// Room kept behind the merged lines for each source's notice row and the
// filter's notice.
static const uint32_t NoticeRowsRoom = MostSources * (LabelCapacity * 2 + 4 + NoticeCapacity) + 4096;

const WCHAR* sourceLabel(const Source& source) {
    if (source.value.label[0]) return source.value.label;
    return source.resolvedPath + fileNameStart(source.resolvedPath);
}

static uint32_t indexOfSource(const Source& source) { return (uint32_t)(&source - sources); }

static uint32_t markedCount(const uint32_t* bits, uint32_t count) {
    uint32_t marked = 0;
    for (uint32_t i = 0; i < count; ++i) marked += (bits[i / 32] >> (i % 32)) & 1;
    return marked;
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

// The time of the line the source's look-back begins with: the first line
// of the entry its first lines continue.
static uint64_t lookBackTime(const Source& source, int year) {
    if (source.lookBackLength == 0) return 0;
    const WCHAR* text = source.lookBack + source.lookBackStart;
    uint64_t time = lineTimeAt(text, lineEndFrom(text, source.lookBackLength, 0), year);
    return time == NoLineTime ? 0 : time;
}

// What the merge reads of each source now: whether it shows lines, its
// label, and for lines without a time, the time of the entry they continue
// and its file's last write as known now.
static void prepareSources() {
    for (Source& source : sources) {
        SourceLines& lines = source.lines;
        lines.shown = source.active && source.sameFileAs == 0;
        lines.label = sourceLabel(source);
        lines.text = source.text;
        lines.writtenAt = localTimeOf(source.linesWrittenAt);
        lines.timeBefore = lookBackTime(source, thisYear());
    }
}

static uint32_t mostPaneLines() { return state.lineChoice.lines; }

// The line at the top of the view, while the reader is away from the end.
static PanePlace placeOfView() {
    PanePlace unknown = {false, 0, 0, 0};
    const LineMarks& marks = state.lineMarks;
    if (paneFollowsEnd() || marks.lineCount == 0) return unknown;
    int top = paneTopIndex();
    if (top < 0 || (uint32_t)top >= marks.length) return unknown;
    uint32_t line = firstLineFrom(marks, (uint32_t)top + 1) - 1;
    return placeOfLine(paneHeld, marks.sourceOfLine, hiddenLinesOfRows(), line, (uint32_t)top - marks.lineStart[line]);
}

// Each source that cannot be shown says why in one row of its own, after
// every line; when only the filter leaves every source without lines, one
// notice says so, once.
static uint32_t addNoticeRows(uint32_t at, bool noLines) {
    bool filteredOut = false;
    for (const Source& source : sources) {
        if (!source.lines.shown) continue;
        filteredOut = filteredOut || source.noLinePasses;
        if (source.noticeLength == 0) continue;
        writeLabelledLine(source.lines.label, source.notice, source.noticeLength, mergedText, &at);
    }
    if (noLines && filteredOut) at += writeNoLinePasses(mergedText + at);
    mergedText[at] = 0;
    return at;
}

// The merged lines with repeats counted on their rows, and the bits of the
// rows that are new or took a new repeat; unfolded when notices would not fit.
static uint32_t foldedNewLines[MarkedLineCapacity / 32 + 1];

static void foldMergedLines(MergedPane* merged) {
    uint32_t place = merged->placeAt < 0 ? 0 : (uint32_t)merged->placeAt;
    WholeFold fold = foldWholeText(mergedText, 0, merged->length, place, true, newLines, foldedNewLines);
    if (fold.text == mergedText || fold.length + NoticeRowsRoom + 1 > PaneTextSize) {
        forgetFoldedPane();
        return;
    }
    CopyMemory(mergedText, fold.text, fold.length * sizeof(WCHAR));
    CopyMemory(newLines, foldedNewLines, (fold.lines / 32 + 1) * sizeof(uint32_t));
    merged->length = fold.length;
    merged->lines = fold.lines;
    if (merged->placeAt >= 0) merged->placeAt = (int)fold.mark;
}

// Each source's lines before its first line in the pane: those read back
// from its file, then its own lines the merge left out; of these only what
// the entry open at their end needs, from the last line sure to begin one.
static void handLookBacks() {
    usePaneLookBack(NULL, 0);
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = sources[i];
        if (!source.lines.shown || !paneHeld.hasLines[i]) continue;
        uint32_t dropped = 0, length = source.lines.length;
        for (uint32_t n = source.lines.firstNumber; n < paneHeld.firstNumber[i] && dropped < length; ++n) {
            dropped = nextLineStart(source.text, length, dropped);
        }
        uint32_t from = lastSureEntryStart(entryGrouping(), source.text, dropped);
        if (from < dropped) {
            useSourceLookBack(i, NULL, 0, source.text + from, dropped - from);
        } else {
            useSourceLookBack(i, source.lookBack + source.lookBackStart, source.lookBackLength, source.text,
                              dropped);
        }
    }
}

// Every source's lines in one timeline; the new ones alert, and while the
// reader is away from the end, count among the lines below the view.
static void buildPane(bool forced) {
    useLineLabels(true);
    prepareSources();
    bool away = !forced && !paneFollowsEnd();
    PanePlace place = {false, 0, 0, 0};
    if (!forced) place = placeOfView();
    SourceLines lines[MostSources];
    for (uint32_t i = 0; i < MostSources; ++i) lines[i] = sources[i].lines;
    uint32_t mostLines = collapsingRepeats() ? 0 : mostPaneLines();
    MergedPane merged = mergeSourceLines(lines, MostSources, mostLines, NoticeRowsRoom, thisYear(),
                                         place, mergedText, PaneTextSize, newLines, &paneHeld);
    if (collapsingRepeats()) foldMergedLines(&merged);
    else forgetFoldedPane();
    if (addNoticeRows(merged.length, merged.lines == 0) != merged.length) forgetFoldedPane();
    handLookBacks();
    replacePaneTextAt(mergedText, forced, merged.placeAt);
    alertOnLinesMarked(newLines, merged.lines);
    if (away && state.statusLine) countLinesBelow(markedCount(newLines, merged.lines), false);
    for (Source& source : sources) source.lines.newFrom = source.lines.length;
}

void showSourceLines(Source& source, uint32_t length, uint32_t newFrom, bool asNew) {
    source.lines.text = source.text;
    takeSourceLines(&source.lines, length, newFrom, false);
    source.noticeLength = 0;
    buildPane(asNew);
}

// The pane is built anew rather than take more lines once it holds about
// twice what a build would show.
static bool paneOutgrownBy(uint32_t adding) {
    uint64_t built = 0;
    for (const Source& source : sources) built += source.lines.shown ? source.lines.length : 0;
    return paneOutgrown(linesHeld(state.lineMarks), adding, mostPaneLines(), (uint64_t)paneTextLength(),
                        built, PaneTextSize);
}

// Labelled lines, in the merged text, at the pane's end, numbered from
// firstNumber, all of them new but the first when the source saw it in part
// before.
static bool appendLabelled(const Source& source, uint32_t firstNumber, bool firstSeen) {
    useLineLabels(true);
    uint32_t from = state.lineMarks.length;
    int ruleBefore = lastLineRule();
    FoldedAppend folded = {from, false, 0};
    if (!collapsingRepeats()) {
        appendPaneText(mergedText);
    } else if (!appendFolded(mergedText, (uint32_t)lstrlenW(mergedText), true, &folded)) {
        return false;
    }
    from = folded.newAt;
    uint32_t which = indexOfSource(source);
    if (!paneHeld.hasLines[which]) paneHeld.firstNumber[which] = firstNumber;
    paneHeld.hasLines[which] = true;
    if (firstSeen) {  // its rule as it was seen
        from += nextLineStart(mergedText, (uint32_t)lstrlenW(mergedText), 0);
        ruleBefore = markedRule(state.lineMarks, from - 1);
    }
    alertOnNewText(from, ruleBefore);
    if (folded.repeated) alertOnRepeat(folded.repeatedAt);
    return true;
}

// The pane's last line is another source's: lines appended now would follow it.
static bool paneEndsWithAnother(const Source& source) {
    const LineMarks& marks = state.lineMarks;
    uint32_t held = linesHeld(marks);
    return held > 0 && !marks.full && marks.sourceOfLine[held - 1] != indexOfSource(source);
}

// Whether the first of the lines continues the entry that the source's
// lines before shownLength end with. A line that begins with a time never does.
static bool continuesEntry(const Source& source, uint32_t shownLength, const WCHAR* lines, uint32_t length) {
    EntryGrouping grouping = entryGrouping();
    uint32_t firstEnd = lineEndFrom(lines, length, 0);
    if (!grouping.multiLine || shownLength == 0 || lineTimeLength(lines, firstEnd, grouping.thisYear) > 0) {
        return false;
    }
    OpenEntry entry;
    startEntries(&entry);
    for (uint32_t at = 0; at < shownLength; at = nextLineStart(source.text, shownLength, at)) {
        groupLine(&entry, grouping, source.text + at, lineEndFrom(source.text, shownLength, at) - at, 0);
    }
    return !groupLine(&entry, grouping, lines, firstEnd, 0);
}

// Appended after another source's line, the lines would part from the entry
// they continue: the pane is built anew, which keeps them together.
static bool wouldPartEntry(const Source& source, uint32_t shownLength, const WCHAR* lines, uint32_t length) {
    return paneEndsWithAnother(source) && continuesEntry(source, shownLength, lines, length);
}

static bool labelForPane(const Source& source, const WCHAR* lines, uint32_t length) {
    uint32_t written = 0;
    return labelLines(sourceLabel(source), lines, length, mergedText, PaneTextSize, &written);
}

void growSourceLines(Source& source, uint32_t length, uint32_t newFrom) {
    source.lines.text = source.text;
    takeSourceLines(&source.lines, length, newFrom, true);
    source.noticeLength = 0;
    const WCHAR* added = source.text + newFrom;
    if (length == newFrom) return;
    if (paneOutgrownBy(linesIn(added, length - newFrom)) || wouldPartEntry(source, newFrom, added, length - newFrom) ||
        !labelForPane(source, added, length - newFrom)) {
        buildPane(false);
        return;
    }
    if (!appendLabelled(source, source.lines.firstNumber + linesIn(source.text, newFrom), false)) {
        buildPane(false);
        return;
    }
    source.lines.newFrom = length;
}

bool addSourceLines(Source& source, const WCHAR* lines, uint32_t length, bool firstSeen) {
    SourceLines& own = source.lines;
    if (own.length + length >= source.textCapacity || paneOutgrownBy(linesIn(lines, length)) ||
        wouldPartEntry(source, own.length, lines, length) || !labelForPane(source, lines, length)) {
        return false;
    }
    if (!appendLabelled(source, own.firstNumber + own.lineCount, firstSeen)) return false;
    CopyMemory(source.text + own.length, lines, length * sizeof(WCHAR));
    addedSourceLines(&own, length, linesIn(lines, length));
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
    bool same = source.lines.length == 0 && source.noticeLength == length &&
                memcmp(source.notice, row, length * sizeof(WCHAR)) == 0;
    if (same) return;
    CopyMemory(source.notice, row, length * sizeof(WCHAR));
    source.noticeLength = length;
    dropSourceLines(&source.lines);
    source.noLinePasses = false;
    buildPane(false);
}

void rebuildSourcesPane() { buildPane(false); }
