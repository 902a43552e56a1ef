// Whole lines at the end of a file, free of any window: the last lines that
// pass a judge, found by reading the file backwards in blocks, and the lines
// that a file's growth adds.
//
// CR, LF and CR LF each end a line; a line ends after its line end. The
// units of the encoding are looked at, never single bytes of a UTF-16 unit,
// so a line end is never found inside a character: in UTF-8 and in every
// code page the bytes CR and LF are never part of another character. A final
// line without its line end yet counts as a line, unless only whole lines are
// asked for (as a filter does: a line is judged once it is complete). A CR at
// the very end ends its line; an LF that comes after it later belongs to it.
//
// Lines are taken from the end back, while they fit in the bytes allowed; the
// first line taken is never cut, except a single line longer than all the
// bytes allowed, of which the last bytes are taken. Without a judge, the
// start of a line is looked for no further back than the bytes still allowed.
#pragma once

#include <stdint.h>

#include "text/entries.h"
#include "text/text_decoding.h"

// The units lines are found in: 1 byte for UTF-8 and code pages, 2 for
// UTF-16; and the units that are a carriage return and a line feed, which a
// code page such as EBCDIC places elsewhere than ASCII does.
struct LineUnits {
    uint32_t size;
    bool bigEndian;
    uint32_t carriageReturn;
    uint32_t lineFeed;
};
// The units of an encoding whose line ends are those of ASCII or Unicode.
LineUnits lineUnitsOf(EncodingKind kind);
// The unit that starts at bytes.
uint32_t unitAt(const uint8_t* bytes, LineUnits units);
// Whether the unit is a CR or an LF.
bool endsLine(uint32_t unit, LineUnits units);

// Where the line that starts at `at` ends, behind its line end, looked for in
// bytes[at, count); contentEnd gets where its line end begins. NoLineEnd when
// the line has no line end there.
const uint32_t NoLineEnd = UINT32_MAX;
uint32_t endOfLineAt(const uint8_t* bytes, uint32_t at, uint32_t count, LineUnits units,
                     uint32_t* contentEnd);

// Reads count bytes of the file at offset; false when the read failed.
struct ByteSource {
    void* context;
    bool (*read)(void* context, uint64_t offset, uint8_t* out, uint32_t count);
};

// Says whether a line passes: its bytes without the line end, cut at the
// front when only its last bytes are given. Without one, every line passes.
// A judge may abandon the search, which then ends at once. lastPassing, if
// given, tells at once of many lines that none of them passes: the place in
// the bytes behind which no line can pass, or NoPlaceToPass.
const uint32_t NoPlaceToPass = UINT32_MAX;
enum LineVerdict { LineFails, LinePasses, SearchAbandoned };
struct LineJudge {
    void* context;
    LineVerdict (*passes)(void* context, const uint8_t* line, uint32_t count, bool cut);
    uint32_t (*lastPassing)(void* context, const uint8_t* lines, uint32_t count);
};

const uint64_t NoOffset = UINT64_MAX;

struct LineQuery {
    uint64_t fileSize;
    // Where the first line starts: behind the byte-order mark, or where a
    // search of what a file's growth added begins.
    uint64_t textStart;
    LineUnits units;
    uint32_t maxLines;   // 0: as many as fit in maxBytes
    uint32_t maxBytes;
    uint64_t scanLimit;  // bytes read back from the end at most
    bool wholeLinesOnly;
    LineJudge judge;
    // Where the bytes the pane showed end, to find them in the lines taken.
    uint64_t shownEnd;
    uint32_t judgedBytes;  // a longer line is judged on its last so many bytes
};

struct TakenLines {
    bool readFailed;
    uint32_t start;        // of the bytes taken, in the output buffer
    uint32_t count;        // bytes taken: the lines, one after another
    uint64_t firstOffset;  // in the file, of the first byte taken
    uint64_t end;          // in the file, where the lines looked at end
    uint32_t lineCount;
    bool lastLineOpen;     // the last line taken has no line end yet
    bool firstLineCut;     // a single line longer than maxBytes: its last bytes
    bool limitReached;     // the scan limit ended the search before enough lines
    bool reachedStart;     // every line from textStart on was looked at
    bool abandoned;        // the judge abandoned the search
    uint32_t shownEndAt;   // in the bytes taken, where those before shownEnd end; or NoBoundary
    // Taking whole entries: the entry the last line looked at is in, and
    // whether an entry's first line was guessed (see takeLastEntries).
    EntryState lastEntry;
    bool entriesGuessed;
};

// The last lines of the file that pass, written to the back of out. block is
// the reading buffer, at least as large as out and judgedBytes.
TakenLines takeLastLines(const LineQuery& query, const ByteSource& source, uint8_t* block,
                         uint32_t blockSize, uint8_t* out, uint32_t outCapacity);

// ---- Whole entries ----------------------------------------------------------------
//
// With a filter and multi-line entries, a line is taken when its entry
// (entries.h) passes. Read backwards, a line that begins with a time always
// begins an entry, so the lines below it up to the next such line are
// grouped from it alone; at the file's start, from its first line. Lines
// are kept in `lines` until such a line settles them. A continuation's first
// line is looked for at most EntryLookBackBytes back, and among at most
// `capacity` lines: beyond that, or at the scan limit, the topmost line kept
// is taken to begin an entry without a time (entriesGuessed). Where no line
// of a stretch can match show, the entries that begin at its lines with a
// time lie wholly in it, and are passed over unread.
const uint32_t EntryHeadBytes = 4 * EntryHeadUnits;

struct EntryLine {
    uint64_t start;
    uint64_t contentEnd;
    uint64_t end;
    uint32_t units;  // a line judged on its last bytes counts EntryUnitLimit at least
    LineOpening opening;
    EntryJudgement matched;
    bool shown;  // its entry passes
};

struct EntryJudge {
    void* context;
    // How the line begins, from its first EntryHeadBytes bytes at most.
    LineOpening (*opening)(void* context, const uint8_t* head, uint32_t count);
    // The line's units and what it matches; SearchAbandoned ends the search.
    LineVerdict (*judge)(void* context, const uint8_t* line, uint32_t count, bool cut, EntryLine* into);
    // As a line judge's: behind the place it gives, no line matches show.
    uint32_t (*lastPassing)(void* context, const uint8_t* lines, uint32_t count);
    EntryGrouping grouping;
    bool showSet;  // an entry passes only when a line matched show
    // Searching a growth: the entry the lines before it end in, which its
    // first lines may continue; one that comes to pass or stops passing
    // abandons the search. Null: the first line begins an entry.
    const EntryState* above;
    EntryLine* lines;
    uint32_t capacity;
};

// As takeLastLines, whole lines only, each judged with its entry.
TakenLines takeLastEntries(const LineQuery& query, const EntryJudge& judge, const ByteSource& source,
                           uint8_t* block, uint32_t blockSize, uint8_t* out, uint32_t outCapacity);

// Lines that do not follow one another are put side by side: a line ended
// by a CR alone gets an LF in its place, written as the encoding writes it.
void endWithLineFeed(uint8_t* lineEnd, uint32_t endLength, LineUnits units);

// The lines a file's growth adds: bytes[0, count) were read from the file at
// offset, the lines shown end at shownEnd within them, and the last unit
// before shownEnd, if any, is in the bytes too. The lines that pass are moved
// to the front of bytes, in order.
struct AddedLines {
    bool abandoned;      // the judge abandoned the search: nothing is added
    uint64_t firstOffset;  // in the file, of the first line that passes
    uint32_t count;      // bytes of the lines that pass, at the front
    uint64_t end;        // in the file, where the lines looked at end
    uint32_t lineCount;  // lines added, less the open line continued
    bool lastLineOpen;
};
AddedLines takeAddedLines(uint8_t* bytes, uint32_t count, uint64_t offset, uint64_t shownEnd,
                          LineUnits units, bool shownLineOpen, bool wholeLinesOnly,
                          const LineJudge& judge);

// Where the lines a file's growth adds start: at shownEnd, or behind the LF
// that completes a CR at shownEnd's left. previous and next are the units on
// either side of shownEnd (0 where there is none).
uint64_t addedLinesStart(uint64_t shownEnd, uint32_t previous, uint32_t next, LineUnits units);

// The same among bytes[0, count) read from the file at offset, which hold
// shownEnd and the unit before it: where in them the added lines start. A
// half unit at their end is left out of count.
uint32_t addedLinesAt(const uint8_t* bytes, uint32_t* count, uint64_t offset, uint64_t shownEnd,
                      LineUnits units);
