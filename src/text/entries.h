// Log entries, free of any window: a line and the lines that continue it,
// as a stack trace continues the line that logged it.
//
// A line continues the entry above it when it begins with a blank or a tab,
// or, when the entry's first line begins with a time (line_time.h), when it
// does not begin with one. An entry holds at most EntryLineLimit lines and
// EntryUnitLimit units (a line counts its units and one for its line end):
// a line that would not fit begins an entry of its own, so that no entry
// swallows a file; only a single longer line makes a longer entry. An open
// line is grouped as it stands, and again as it grows. A line's time is read in its first EntryHeadUnits
// units, so that an open line is grouped once that much of it is known.
// Lines of different sources never share an entry. Without multiLine, every
// line is an entry of its own.
//
// Lines are grouped one at a time, each by its own start and by the open
// entry above it, so that a text grouped as it arrives, in any pieces, is
// grouped as the whole text is.
//
// A tail that starts within an entry: the entry's first line lies before
// the tail. The caller decodes at most EntryLookBackBytes of the file before
// the tail, passes over the first line (it may be cut) and groups the lines
// after it before the tail's own. A line that begins with a time always
// begins an entry: from the last such line on, the grouping is that of the
// whole file. With none in the look-back, its first line is taken to begin
// an entry without a time. The look-back holds a whole entry where a
// character is a byte; in UTF-16, or in text of many multi-byte characters,
// the first line of an entry near the limits may lie before it.
//
// Filters judge an entry by all its lines: it is shown whole when one of
// them matches show (or there is no show) and none matches hide.
#pragma once

#include <stdint.h>

#include "text/line_pattern.h"

const uint32_t EntryLineLimit = 200;
const uint32_t EntryUnitLimit = 16 * 1024;
const uint32_t EntryHeadUnits = 64;
const uint32_t EntryLookBackBytes = 16 * 1024;

struct EntryGrouping {
    bool multiLine;
    int thisYear;  // of a time without a year, which may be the 29th of February
};

// The open entry, as the lines taken so far leave it; lines 0: none yet.
struct OpenEntry {
    uint32_t lines;
    uint32_t units;
    bool timed;  // its first line begins with a time
    uint8_t source;
};

// How a line begins, which is all of it that decides its entry but its length.
struct LineOpening {
    bool blankFirst;
    bool timed;  // begins with a time (never after a blank)
};

void startEntries(OpenEntry* entry);
LineOpening lineOpeningOf(const EntryGrouping& grouping, const WideChar* line, uint32_t length);
// As groupLine, for a line of `length` units that begins as `opening` says.
bool groupOpenedLine(OpenEntry* entry, const EntryGrouping& grouping, LineOpening opening,
                     uint32_t length, uint8_t source);
// Takes the next line, line[0, length) without its line end, into the
// entries; true when it begins one. Reads only its first EntryHeadUnits
// units: the caller may give those of a longer line.
bool groupLine(OpenEntry* entry, const EntryGrouping& grouping, const WideChar* line,
               uint32_t length, uint8_t source);
// Where the last line of text[0, length) that begins an entry whatever lies
// before it starts: one that begins with a time, or without multiLine any
// line; length when none does. Grouped from there on, the text leaves its
// last entry open as grouped whole, with any look-back before it.
uint32_t lastSureEntryStart(const EntryGrouping& grouping, const WideChar* text, uint32_t length);

// ---- Filters ------------------------------------------------------------------

struct EntryFilter {
    const LinePattern* show;  // null: every entry may show
    const LinePattern* hide;  // null: none is hidden
};

// What the lines of the open entry matched so far.
struct EntryJudgement {
    bool showMatched;
    bool hideMatched;
};

// How the next whole line changes what is shown: a line that begins an entry
// starts a new judgement; the entry passes before and after the line as
// passedBefore and passes say. An entry that comes to pass shows its earlier
// lines too; one that stops passing (a line matched hide) shows none.
struct EntryStep {
    bool begins;
    bool passedBefore;
    bool passes;
};

// The open entry and what its lines matched: what an append carries on from.
struct EntryState {
    OpenEntry entry;
    EntryJudgement judgement;
};

struct EntryChoice {
    EntryGrouping grouping;
    EntryFilter filter;
    OpenEntry entry;
    EntryJudgement judgement;
};

bool entryPasses(const EntryFilter& filter, const EntryJudgement& judgement);

void startEntryChoice(EntryChoice* choice);
EntryStep chooseEntryLine(EntryChoice* choice, const WideChar* line, uint32_t length);

// The whole lines of text, CR LF after each, of the entries that pass, moved
// to the front of text in order; the text's first line begins an entry, and
// the last entry is judged as it stands.
struct KeptLines {
    uint32_t length;
    uint32_t lineCount;
};
KeptLines keepPassingEntries(EntryChoice* choice, WideChar* text, uint32_t length);

// Where the last `lines` lines of text[0, length) start (0 when it holds no
// more); a final line without its line end counts.
uint32_t lastLinesStart(const WideChar* text, uint32_t length, uint32_t lines);
