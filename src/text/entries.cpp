#include "text/entries.h"

#include <string.h>

#include "text/characters.h"
#include "text/line_time.h"
#include "text/timeline.h"

void startEntries(OpenEntry* entry) {
    entry->lines = 0;
    entry->units = 0;
    entry->timed = false;
    entry->source = 0;
}

static bool isBlank(WideChar unit) { return unit == ' ' || unit == '\t'; }

// Whether the line would not fit in the entry.
static bool entryFull(const OpenEntry& entry, uint32_t length) {
    return entry.lines >= EntryLineLimit || entry.units + length + 1 > EntryUnitLimit;
}

static bool beginsWithTime(const EntryGrouping& grouping, const WideChar* line, uint32_t length) {
    uint32_t head = length < EntryHeadUnits ? length : EntryHeadUnits;
    return lineTimeAt(line, head, grouping.thisYear) != NoLineTime;
}

static bool continues(const OpenEntry& entry, bool blankFirst, bool timed) {
    return blankFirst || (entry.timed && !timed);
}

LineOpening lineOpeningOf(const EntryGrouping& grouping, const WideChar* line, uint32_t length) {
    LineOpening opening;
    opening.blankFirst = length > 0 && isBlank(line[0]);
    opening.timed = !opening.blankFirst && grouping.multiLine && beginsWithTime(grouping, line, length);
    return opening;
}

bool groupLine(OpenEntry* entry, const EntryGrouping& grouping, const WideChar* line,
               uint32_t length, uint8_t source) {
    return groupOpenedLine(entry, grouping, lineOpeningOf(grouping, line, length), length, source);
}

bool groupOpenedLine(OpenEntry* entry, const EntryGrouping& grouping, LineOpening opening,
                     uint32_t length, uint8_t source) {
    bool begins = !grouping.multiLine || entry->lines == 0 || entry->source != source ||
                  entryFull(*entry, length) || !continues(*entry, opening.blankFirst, opening.timed);
    if (begins) {
        entry->lines = 0;
        entry->units = 0;
        entry->timed = opening.timed;
        entry->source = source;
    }
    ++entry->lines;
    entry->units += length + 1;
    return begins;
}

uint32_t lastSureEntryStart(const EntryGrouping& grouping, const WideChar* text, uint32_t length) {
    uint32_t found = length;
    for (uint32_t at = 0; at < length;) {
        uint32_t end = lineEndFrom(text, length, at);
        if (!grouping.multiLine || lineOpeningOf(grouping, text + at, end - at).timed) found = at;
        at = nextLineStart(text, length, end);
    }
    return found;
}

// ---- Filters ------------------------------------------------------------------

bool entryPasses(const EntryFilter& filter, const EntryJudgement& judgement) {
    return (!filter.show || judgement.showMatched) && !judgement.hideMatched;
}

void startEntryChoice(EntryChoice* choice) {
    startEntries(&choice->entry);
    choice->judgement.showMatched = false;
    choice->judgement.hideMatched = false;
}

EntryStep chooseEntryLine(EntryChoice* choice, const WideChar* line, uint32_t length) {
    EntryStep step;
    step.begins = groupLine(&choice->entry, choice->grouping, line, length, 0);
    EntryJudgement& judgement = choice->judgement;
    if (step.begins) judgement.showMatched = judgement.hideMatched = false;
    step.passedBefore = !step.begins && entryPasses(choice->filter, judgement);
    const EntryFilter& filter = choice->filter;
    if (filter.show && !judgement.showMatched) judgement.showMatched = lineMatches(*filter.show, line, length);
    if (filter.hide && !judgement.hideMatched) judgement.hideMatched = lineMatches(*filter.hide, line, length);
    step.passes = entryPasses(filter, judgement);
    return step;
}

// The open entry's lines are moved to the kept ones once it passes; while
// it passes, each line that follows is kept; once it stops, they go again.
KeptLines keepPassingEntries(EntryChoice* choice, WideChar* text, uint32_t length) {
    startEntryChoice(choice);
    KeptLines kept = {0, 0};
    KeptLines entryStart = kept;  // where the open entry's lines are, or would be, kept
    uint32_t entryFrom = 0;       // where its first line is in text
    uint32_t entryLines = 0;
    for (uint32_t at = 0; at < length;) {
        uint32_t end = lineEndFrom(text, length, at);
        uint32_t next = nextLineStart(text, length, end);
        EntryStep step = chooseEntryLine(choice, text + at, end - at);
        if (step.begins) {
            entryStart = kept;
            entryFrom = at;
            entryLines = 0;
        }
        ++entryLines;
        if (step.passes) {
            uint32_t from = step.passedBefore ? at : entryFrom;
            memmove(text + kept.length, text + from, (next - from) * sizeof(WideChar));
            kept.length += next - from;
            kept.lineCount = entryStart.lineCount + entryLines;
        } else {
            kept = entryStart;
        }
        at = next;
    }
    return kept;
}

uint32_t lastLinesStart(const WideChar* text, uint32_t length, uint32_t lines) {
    uint32_t at = length;
    if (at > 0 && text[at - 1] == LineFeed) --at;
    if (at > 0 && text[at - 1] == CarriageReturn) --at;
    for (uint32_t seen = 0; at > 0; --at) {
        WideChar unit = text[at - 1];
        bool ends = unit == LineFeed || (unit == CarriageReturn && (at == length || text[at] != LineFeed));
        if (ends && ++seen == lines) return at;
    }
    return 0;
}
