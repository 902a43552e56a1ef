#include "text/line_finder.h"

#include "text/characters.h"

#include <string.h>

LineUnits lineUnitsOf(EncodingKind kind) {
    LineUnits units = {1, false, CarriageReturn, LineFeed};
    if (kind == EncodingUtf16LE || kind == EncodingUtf16BE) units.size = 2;
    units.bigEndian = kind == EncodingUtf16BE;
    return units;
}

uint32_t unitAt(const uint8_t* bytes, LineUnits units) {
    if (units.size == 1) return bytes[0];
    return units.bigEndian ? (uint32_t(bytes[0]) << 8 | bytes[1]) : (uint32_t(bytes[1]) << 8 | bytes[0]);
}

bool endsLine(uint32_t unit, LineUnits units) {
    return unit == units.carriageReturn || unit == units.lineFeed;
}

uint32_t endOfLineAt(const uint8_t* bytes, uint32_t at, uint32_t count, LineUnits units,
                     uint32_t* contentEnd) {
    for (uint32_t position = at; position + units.size <= count; position += units.size) {
        uint32_t unit = unitAt(bytes + position, units);
        if (!endsLine(unit, units)) continue;
        *contentEnd = position;
        uint32_t next = position + units.size;
        if (unit == units.carriageReturn && next + units.size <= count &&
            unitAt(bytes + next, units) == units.lineFeed) {
            next += units.size;
        }
        return next;
    }
    return NoLineEnd;
}

// A line ended by a CR alone never pairs with an LF that starts the next line taken.
void endWithLineFeed(uint8_t* lineEnd, uint32_t endLength, LineUnits units) {
    uint8_t* last = lineEnd - units.size;
    if (endLength != units.size || unitAt(last, units) != units.carriageReturn) return;
    if (units.size == 1) {
        last[0] = (uint8_t)units.lineFeed;
    } else {
        last[units.bigEndian ? 0 : 1] = (uint8_t)(units.lineFeed >> 8);
        last[units.bigEndian ? 1 : 0] = (uint8_t)units.lineFeed;
    }
}

// ---- Reading backwards in blocks ---------------------------------------------------

// Reads grow as the search goes back: the first asks for the room the lines
// may take and a little more, or with a number of lines asked for, a
// kibibyte; each next one for half as much again as the last, up to the
// block's size. So a search reads at most about one and a half times what
// it passes over, and lines that fill the room are found by one read.
struct BackwardReader {
    const ByteSource* source;
    uint8_t* block;
    uint32_t blockSize;
    uint64_t floor;  // nothing before it is read
    uint64_t start;  // the block holds the file's bytes [start, end)
    uint64_t end;
    bool failed;
    uint32_t nextRead;
};

static void growNextRead(BackwardReader& reader, uint64_t step) {
    uint64_t next = step + step / 2;
    reader.nextRead = next > reader.blockSize ? reader.blockSize : (uint32_t)next;
}

// How far back from `to` a read for [from, to) reaches: the next read's
// length, or more where [from, to) needs it; never before the floor, and
// never so far that [start, to) outgrows the block.
static uint64_t readStart(const BackwardReader& reader, uint64_t from, uint64_t to, uint64_t below) {
    uint64_t step = below - from > reader.nextRead ? below - from : reader.nextRead;
    uint64_t start = below - reader.floor > step ? below - step : reader.floor;
    uint64_t lowest = to - reader.floor > reader.blockSize ? to - reader.blockSize : reader.floor;
    if (start < lowest) start = lowest;
    // An even count keeps a two-byte unit whole.
    return start > reader.floor && start < from && (below - start) % 2 ? start + 1 : start;
}

static bool readInto(BackwardReader& reader, uint8_t* into, uint64_t start, uint64_t end) {
    if (reader.source->read(reader.source->context, start, into, (uint32_t)(end - start))) return true;
    reader.failed = true;
    return false;
}

// Makes the block hold [from, to), to - from being at most the block's size.
// Where the block holds the end of that range already, only the bytes in
// front of it are read, the bytes held moving up behind them.
static bool hold(BackwardReader& reader, uint64_t from, uint64_t to) {
    if (reader.failed) return false;
    if (from >= reader.start && to <= reader.end) return true;
    bool continues = to <= reader.end && to >= reader.start && reader.end > reader.start;
    uint64_t below = continues ? reader.start : to;
    uint64_t start = readStart(reader, from, to, below);
    growNextRead(reader, below - start);
    if (!continues) {
        if (!readInto(reader, reader.block, start, to)) return false;
        reader.start = start;
        reader.end = to;
        return true;
    }
    uint64_t kept = (start + reader.blockSize < reader.end ? start + reader.blockSize : reader.end) - reader.start;
    memmove(reader.block + (reader.start - start), reader.block, (size_t)kept);
    if (!readInto(reader, reader.block, start, reader.start)) return false;
    reader.end = reader.start + kept;
    reader.start = start;
    return true;
}

// The first read: the room, the unit before its first line, and a few more;
// a kibibyte where a number of lines may take less.
static uint32_t firstReadFor(const LineQuery& query, uint32_t room, uint32_t blockSize) {
    uint64_t first = (uint64_t)room + 2 * query.units.size + 64;
    if (query.maxLines > 0 && first > 1024) first = 1024;
    return first < blockSize ? (uint32_t)first : blockSize;
}

static uint32_t unitOf(BackwardReader& reader, uint64_t offset, LineUnits units) {
    if (!hold(reader, offset, offset + units.size)) return 0;
    return unitAt(reader.block + (offset - reader.start), units);
}

// The offset of the last line end in [low, high), or NoOffset.
static uint64_t lastLineEndIn(BackwardReader& reader, uint64_t low, uint64_t high, LineUnits units) {
    while (high > low) {
        if (!hold(reader, high - units.size, high)) return NoOffset;
        uint64_t from = low > reader.start ? low : reader.start;
        const uint8_t* bytes = reader.block - reader.start;
        if (units.size == 1) {
            for (uint64_t at = high; at > from;) {
                uint8_t byte = bytes[--at];
                if (byte == units.carriageReturn || byte == units.lineFeed) return at;
            }
        } else {
            for (uint64_t at = high; at > from;) {
                at -= units.size;
                if (endsLine(unitAt(bytes + at, units), units)) return at;
            }
        }
        high = from;
    }
    return NoOffset;
}

// Where the first line that starts within the block's [from, to) starts,
// or NoOffset when none does.
static uint64_t firstLineStartIn(const BackwardReader& reader, uint64_t from, uint64_t to,
                                 LineUnits units) {
    uint32_t contentEnd = 0;
    uint32_t end = (uint32_t)(to - reader.start);
    uint32_t next = endOfLineAt(reader.block, (uint32_t)(from - reader.start), end, units, &contentEnd);
    return next < end ? reader.start + next : NoOffset;
}

// Lines that lie whole in the block's bytes before lineEnd, none of which can
// pass, are passed over at once: returns where the last line that may pass
// ends, or where the first of those whole lines starts.
static uint64_t passOverFailingLines(const LineQuery& query, BackwardReader& reader,
                                     uint64_t lineEnd, uint64_t limitFloor, LineUnits units) {
    if (!query.judge.lastPassing || lineEnd - units.size < reader.start || lineEnd > reader.end) {
        return lineEnd;
    }
    uint64_t from = reader.start > limitFloor ? reader.start : limitFloor;
    if (from >= lineEnd) return lineEnd;
    uint64_t firstStart = firstLineStartIn(reader, from, lineEnd, units);
    if (firstStart == NoOffset) return lineEnd;
    const uint8_t* bytes = reader.block + (firstStart - reader.start);
    uint32_t last = query.judge.lastPassing(query.judge.context, bytes, (uint32_t)(lineEnd - firstStart));
    if (last == NoPlaceToPass) return firstStart;
    uint64_t nextStart = firstLineStartIn(reader, firstStart + last - last % units.size, lineEnd, units);
    return nextStart == NoOffset ? lineEnd : nextStart;
}

// ---- Taking the last lines -----------------------------------------------------------

struct LineFound {
    uint64_t start;
    uint64_t contentEnd;  // before the line end
    uint64_t end;         // after it
    bool open;            // no line end yet
    bool found;           // its start lies within the scan limit
    bool tooLong;         // longer than the bytes still allowed; its start unknown
};

// The line that ends at end. Its start is looked for no further back than
// searchFloor: a line that starts before it is too long to be taken whole.
static LineFound lineEndingAt(BackwardReader& reader, uint64_t end, uint64_t limitFloor,
                              uint64_t searchFloor, LineUnits units) {
    LineFound line = {end, end, end, false, true, false};
    uint32_t last = unitOf(reader, end - units.size, units);
    if (last == units.lineFeed) {
        line.contentEnd -= units.size;
        bool pair = line.contentEnd - reader.floor >= units.size &&
                    unitOf(reader, line.contentEnd - units.size, units) == units.carriageReturn;
        if (pair) line.contentEnd -= units.size;
    } else if (last == units.carriageReturn) {
        line.contentEnd -= units.size;
    } else {
        line.open = true;
    }
    uint64_t floor = searchFloor > limitFloor ? searchFloor : limitFloor;
    uint64_t previousEnd = line.contentEnd > floor
                               ? lastLineEndIn(reader, floor, line.contentEnd, units)
                               : NoOffset;
    if (previousEnd != NoOffset) {
        line.start = previousEnd + units.size;
    } else if (floor > limitFloor) {
        line.tooLong = true;
        line.start = floor;
    } else {
        line.start = reader.floor;  // the file's first line, if the scan reached its start
        line.found = limitFloor == reader.floor;
    }
    return line;
}

static LineVerdict judged(const LineQuery& query, BackwardReader& reader, const LineFound& line) {
    if (!query.judge.passes) return LinePasses;
    uint64_t length = line.contentEnd - line.start;
    bool cut = length > query.judgedBytes;
    uint64_t from = cut ? line.contentEnd - query.judgedBytes : line.start;
    if (!hold(reader, from, line.contentEnd)) return LineFails;
    return query.judge.passes(query.judge.context, reader.block + (from - reader.start),
                              (uint32_t)(line.contentEnd - from), cut);
}

// Without a judge, a line that does not fit in the room left is not taken
// whole, so its start is never looked for beyond that room.
static uint64_t searchFloorFor(const LineQuery& query, uint64_t lineEnd, uint32_t roomLeft,
                               LineUnits units) {
    if (query.judge.passes) return 0;
    uint64_t reach = (uint64_t)roomLeft + units.size;
    return lineEnd > reach ? lineEnd - reach : 0;
}

static uint64_t alignedDown(uint64_t offset, uint64_t floor, LineUnits units) {
    return offset - (offset - floor) % units.size;
}

// A search from the file's end back: where it reads, and the lines it took,
// written one in front of another at the back of out.
struct LineTaking {
    const LineQuery* query;
    BackwardReader reader;
    TakenLines taken;
    uint8_t* out;
    uint32_t outCapacity;
    uint32_t room;
    uint64_t limitFloor;   // no line that starts before it is looked at
    uint64_t lineEnd;      // where the next line to look at ends
    uint64_t shownBefore;
    bool sideBySide;       // the lines taken need not follow one another
};

static void startTaking(LineTaking& t, const LineQuery& query, const ByteSource& source,
                        uint8_t* block, uint32_t blockSize, uint8_t* out, uint32_t outCapacity) {
    memset(&t, 0, sizeof t);
    LineUnits units = query.units;
    t.query = &query;
    t.out = out;
    t.outCapacity = outCapacity;
    t.room = query.maxBytes < outCapacity ? query.maxBytes : outCapacity;
    t.room -= t.room % units.size;
    uint64_t floor = query.textStart < query.fileSize ? query.textStart : query.fileSize;
    t.lineEnd = alignedDown(query.fileSize, floor, units);  // a half unit is no character yet
    t.limitFloor = t.lineEnd - floor > query.scanLimit ? t.lineEnd - query.scanLimit : floor;
    t.limitFloor = alignedDown(t.limitFloor, floor, units);
    BackwardReader reader = {&source, block, blockSize, floor, 0, 0, false,
                             firstReadFor(query, t.room, blockSize)};
    t.reader = reader;
    t.taken.start = outCapacity;
    t.taken.firstOffset = query.fileSize;
    t.taken.end = t.lineEnd;
    t.taken.shownEndAt = NoBoundary;
    startEntries(&t.taken.lastEntry.entry);
}

// Writes the line in front of those taken; false when it does not fit, being
// neither the first nor longer than all the room, or when it cannot be read.
static bool takeLine(LineTaking& t, const LineFound& line) {
    TakenLines& taken = t.taken;
    uint64_t start = line.start;
    uint64_t length = line.end - start;
    if (line.tooLong || length > t.room - taken.count) {
        if (taken.lineCount > 0) return false;
        start = line.end - t.room;  // a line longer than all the room: its last bytes
        length = t.room;
        taken.firstLineCut = true;
    }
    if (!hold(t.reader, start, line.end)) return false;
    taken.count += (uint32_t)length;
    taken.start = t.outCapacity - taken.count;
    memcpy(t.out + taken.start, t.reader.block + (start - t.reader.start), (size_t)length);
    if (t.sideBySide) {
        endWithLineFeed(t.out + taken.start + length, (uint32_t)(line.end - line.contentEnd), t.query->units);
    }
    if (t.query->shownEnd > start) {
        uint64_t before = t.query->shownEnd - start;
        t.shownBefore += before < length ? before : length;
    }
    if (taken.lineCount++ == 0) taken.lastLineOpen = line.open;
    taken.firstOffset = start;
    return true;
}

static bool roomFilled(const LineTaking& t) {
    return t.taken.count == t.room || t.taken.lineCount == t.query->maxLines;
}

// Where the search ended tells whether it looked at every line from the text's start.
static TakenLines takingEnded(LineTaking& t) {
    t.taken.reachedStart = t.lineEnd <= t.reader.floor && !t.reader.failed && !t.taken.abandoned;
    t.taken.readFailed = t.reader.failed;
    if (t.query->shownEnd != NoOffset) t.taken.shownEndAt = (uint32_t)t.shownBefore;
    return t.taken;
}

TakenLines takeLastLines(const LineQuery& query, const ByteSource& source, uint8_t* block,
                         uint32_t blockSize, uint8_t* out, uint32_t outCapacity) {
    LineTaking lines;
    startTaking(lines, query, source, block, blockSize, out, outCapacity);
    lines.sideBySide = query.judge.passes != nullptr;
    TakenLines& taken = lines.taken;
    BackwardReader& reader = lines.reader;
    LineUnits units = query.units;
    uint64_t floor = reader.floor, limitFloor = lines.limitFloor, lineEnd = lines.lineEnd;
    while (lineEnd > floor && lines.room > 0 && !reader.failed) {
        if (lineEnd < taken.end) lineEnd = passOverFailingLines(query, reader, lineEnd, limitFloor, units);
        LineFound line = lineEndingAt(reader, lineEnd, limitFloor,
                                      searchFloorFor(query, lineEnd, lines.room - taken.count, units), units);
        if (!line.found) {
            taken.limitReached = true;
            break;
        }
        LineVerdict verdict = line.open && query.wholeLinesOnly ? LineFails : judged(query, reader, line);
        if (verdict == SearchAbandoned) {
            taken.abandoned = true;
            break;
        }
        if (line.open && query.wholeLinesOnly) {
            taken.end = line.start;
        } else if (verdict == LinePasses && (!takeLine(lines, line) || roomFilled(lines))) {
            break;
        }
        lineEnd = line.start;
    }
    lines.lineEnd = lineEnd;
    return takingEnded(lines);
}

// ---- Whole entries ---------------------------------------------------------------------

struct EntryTaking {
    LineTaking* lines;
    const EntryJudge* judge;
    const LineQuery* query;
    BackwardReader* reader;
    TakenLines* taken;
    uint32_t count;  // lines kept, lines[0] the lowest
    bool settledOnce;
    bool full;       // no more lines are taken
};

static bool entryShown(const EntryJudge& judge, const EntryJudgement& matched) {
    return (!judge.showSet || matched.showMatched) && !matched.hideMatched;
}

static void showEntry(EntryLine* lines, uint32_t first, uint32_t last, bool shown) {
    for (uint32_t i = last; i <= first; ++i) lines[i].shown = shown;
}

// An entry of the lines kept is settled; one that began above them (a
// growth's) abandons the search when its lines change its verdict.
static void settleEntry(EntryTaking& t, uint32_t first, uint32_t last, const EntryJudgement& matched,
                        bool aboveEntry) {
    bool shown = entryShown(*t.judge, matched);
    if (aboveEntry && shown != entryShown(*t.judge, t.judge->above->judgement)) t.taken->abandoned = true;
    showEntry(t.judge->lines, first, last, shown);
}

// Groups the lines kept from the topmost down, which begins an entry, or at
// a growth's start continues the entry above.
static void groupKeptLines(EntryTaking& t, const EntryState* above) {
    const EntryJudge& judge = *t.judge;
    OpenEntry entry;
    EntryJudgement matched = {false, false};
    startEntries(&entry);
    if (above) {
        entry = above->entry;
        matched = above->judgement;
    }
    bool aboveEntry = above != nullptr;
    uint32_t first = t.count - 1;
    for (uint32_t i = t.count; i-- > 0;) {
        EntryLine& line = judge.lines[i];
        if (groupOpenedLine(&entry, judge.grouping, line.opening, line.units, 0)) {
            if (i + 1 < t.count) settleEntry(t, first, i + 1, matched, aboveEntry);
            first = i;
            matched.showMatched = matched.hideMatched = false;
            aboveEntry = false;
        }
        matched.showMatched = matched.showMatched || line.matched.showMatched;
        matched.hideMatched = matched.hideMatched || line.matched.hideMatched;
    }
    settleEntry(t, first, 0, matched, aboveEntry);
    if (!t.settledOnce) {
        t.taken->lastEntry.entry = entry;
        t.taken->lastEntry.judgement = matched;
    }
    t.settledOnce = true;
}

// Writes a line in front of those taken; false when no more fit.
static bool takeEntryLine(EntryTaking& t, const EntryLine& line) {
    LineFound found = {line.start, line.contentEnd, line.end, false, true, false};
    return takeLine(*t.lines, found) && !roomFilled(*t.lines);
}

// The kept lines are grouped, and those of entries that pass taken.
static void settleKeptLines(EntryTaking& t, bool guessed, const EntryState* above = nullptr) {
    if (t.count == 0) return;
    t.taken->entriesGuessed = t.taken->entriesGuessed || guessed;
    groupKeptLines(t, above);
    if (t.taken->abandoned) return;
    for (uint32_t i = 0; i < t.count && !t.full; ++i) {
        if (t.judge->lines[i].shown && !takeEntryLine(t, t.judge->lines[i])) t.full = true;
    }
    t.count = 0;
}

static LineVerdict judgeEntryLine(EntryTaking& t, const LineFound& found, EntryLine* line) {
    const EntryJudge& judge = *t.judge;
    BackwardReader& reader = *t.reader;
    line->start = found.start;
    line->contentEnd = found.contentEnd;
    line->end = found.end;
    uint64_t length = found.contentEnd - found.start;
    uint32_t headBytes = EntryHeadBytes < reader.blockSize ? EntryHeadBytes : reader.blockSize;
    if (headBytes > t.query->judgedBytes) headBytes = t.query->judgedBytes;
    uint64_t headEnd = length > headBytes ? found.start + headBytes : found.contentEnd;
    if (!hold(reader, found.start, headEnd)) return LineFails;
    line->opening = judge.opening(judge.context, reader.block + (found.start - reader.start),
                                  (uint32_t)(headEnd - found.start));
    bool cut = length > t.query->judgedBytes;
    uint64_t from = cut ? found.contentEnd - t.query->judgedBytes : found.start;
    if (!hold(reader, from, found.contentEnd)) return LineFails;
    return judge.judge(judge.context, reader.block + (from - reader.start),
                       (uint32_t)(found.contentEnd - from), cut, line);
}

static const uint32_t MostLinesLookedAtForATime = 64;

// Whether the line starting at `at`, ending by `end` at the latest, begins with a time.
static bool beginsWithTime(EntryTaking& t, uint64_t at, uint64_t end) {
    const EntryJudge& judge = *t.judge;
    uint64_t headEnd = end - at > EntryHeadBytes ? at + EntryHeadBytes : end;
    if (headEnd - at > t.query->judgedBytes) headEnd = at + t.query->judgedBytes;
    const uint8_t* head = t.reader->block + (at - t.reader->start);
    return judge.opening(judge.context, head, (uint32_t)(headEnd - at)).timed;
}

// Called at a line with a time, lineEnd being its start: the lines whole in
// the block above it, behind the last place where show may match, are passed
// over from there up to the topmost of them that begins with a time (looked
// for among the first few only). Returns where the scan goes on.
static uint64_t passOverUnmatchedEntries(EntryTaking& t, uint64_t lineEnd, uint64_t limitFloor) {
    const EntryJudge& judge = *t.judge;
    const BackwardReader& reader = *t.reader;
    LineUnits units = t.query->units;
    if (!judge.lastPassing || lineEnd - units.size < reader.start || lineEnd > reader.end) return lineEnd;
    uint64_t from = reader.start > limitFloor ? reader.start : limitFloor;
    uint64_t stretch = from < lineEnd ? firstLineStartIn(reader, from, lineEnd, units) : NoOffset;
    if (stretch == NoOffset) return lineEnd;
    uint32_t last = judge.lastPassing(judge.context, reader.block + (stretch - reader.start),
                                      (uint32_t)(lineEnd - stretch));
    if (last != NoPlaceToPass) stretch = firstLineStartIn(reader, stretch + last - last % units.size, lineEnd, units);
    for (uint32_t looked = 0; stretch != NoOffset && looked < MostLinesLookedAtForATime; ++looked) {
        uint64_t next = firstLineStartIn(reader, stretch, lineEnd, units);
        if (beginsWithTime(t, stretch, next == NoOffset ? lineEnd : next)) return stretch;
        stretch = next;
    }
    return lineEnd;
}

TakenLines takeLastEntries(const LineQuery& query, const EntryJudge& judge, const ByteSource& source,
                           uint8_t* block, uint32_t blockSize, uint8_t* out, uint32_t outCapacity) {
    LineTaking lines;
    startTaking(lines, query, source, block, blockSize, out, outCapacity);
    lines.sideBySide = true;
    TakenLines& taken = lines.taken;
    BackwardReader& reader = lines.reader;
    LineUnits units = query.units;
    uint64_t floor = reader.floor, limitFloor = lines.limitFloor, lineEnd = lines.lineEnd;
    EntryTaking t = {&lines, &judge, &query, &reader, &taken, 0, false, lines.room == 0};
    while (lineEnd > floor && !t.full && !reader.failed) {
        LineFound found = lineEndingAt(reader, lineEnd, limitFloor, 0, units);
        if (!found.found) {
            taken.limitReached = true;
            settleKeptLines(t, true);
            break;
        }
        lineEnd = found.start;
        if (found.open) {
            taken.end = found.start;
            continue;
        }
        if (t.count == judge.capacity) settleKeptLines(t, true);
        EntryLine& line = judge.lines[t.count];
        LineVerdict verdict = judgeEntryLine(t, found, &line);
        if (verdict == SearchAbandoned) {
            taken.abandoned = true;
            break;
        }
        if (reader.failed) break;
        ++t.count;
        if (line.opening.timed) {
            settleKeptLines(t, false);
            if (!t.full) lineEnd = passOverUnmatchedEntries(t, lineEnd, limitFloor);
        } else if (judge.lines[0].start - line.start >= EntryLookBackBytes) {
            settleKeptLines(t, true);
        }
    }
    if (lineEnd <= floor && !reader.failed && !taken.abandoned) settleKeptLines(t, false, judge.above);
    if (t.full) taken.limitReached = false;
    lines.lineEnd = lineEnd;
    return takingEnded(lines);
}

// ---- Lines a growth adds --------------------------------------------------------------

AddedLines takeAddedLines(uint8_t* bytes, uint32_t count, uint64_t offset, uint64_t shownEnd,
                          LineUnits units, bool shownLineOpen, bool wholeLinesOnly,
                          const LineJudge& judge) {
    AddedLines added = {false, offset, count, offset + count, 0, false};
    uint32_t kept = 0;
    uint32_t lineStart = addedLinesAt(bytes, &count, offset, shownEnd, units);
    bool continuing = shownLineOpen;
    uint32_t contentEnd = 0;
    for (uint32_t next; (next = endOfLineAt(bytes, lineStart, count, units, &contentEnd)) != NoLineEnd;
         lineStart = next) {
        LineVerdict verdict = judge.passes ? judge.passes(judge.context, bytes + lineStart,
                                                          contentEnd - lineStart, false)
                                           : LinePasses;
        if (verdict == SearchAbandoned) {
            added.abandoned = true;
            return added;
        }
        bool passes = verdict == LinePasses;
        if (passes && wholeLinesOnly) {
            if (kept == 0) added.firstOffset = offset + lineStart;
            memmove(bytes + kept, bytes + lineStart, next - lineStart);
            kept += next - lineStart;
            endWithLineFeed(bytes + kept, next - contentEnd, units);
        }
        if (passes && !continuing) ++added.lineCount;
        continuing = false;
    }
    bool open = lineStart < count;
    if (wholeLinesOnly) {
        added.count = kept;
        added.end = offset + lineStart;
    } else {
        if (open && !continuing) ++added.lineCount;
        added.lastLineOpen = open;
    }
    return added;
}

uint64_t addedLinesStart(uint64_t shownEnd, uint32_t previous, uint32_t next, LineUnits units) {
    bool splitPair = previous == units.carriageReturn && next == units.lineFeed;
    return splitPair ? shownEnd + units.size : shownEnd;  // the LF of a CR LF pair split by the last look
}

uint32_t addedLinesAt(const uint8_t* bytes, uint32_t* count, uint64_t offset, uint64_t shownEnd,
                      LineUnits units) {
    uint32_t at = (uint32_t)(shownEnd - offset);
    *count -= (*count - at) % units.size;
    uint32_t previous = at >= units.size ? unitAt(bytes + at - units.size, units) : 0;
    uint32_t following = at + units.size <= *count ? unitAt(bytes + at, units) : 0;
    return (uint32_t)(addedLinesStart(shownEnd, previous, following, units) - offset);
}
