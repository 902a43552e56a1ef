#include "text/line_choice.h"

#include "text/characters.h"

#include <string.h>

// The file's last bytes, by which each needle's rarest byte is chosen.
static const uint32_t AnchorSample = 16 * 1024;
// A cut line is decoded as the end of a window: its first character may be
// cut. An even place keeps UTF-16 units where they are.
static const uint64_t CutLineOffset = 2;

// ---- Reading lines in an encoding ---------------------------------------------

// The one unit a byte converts to alone, or UINT32_MAX when it is not one.
static uint32_t unitOfByte(const CodePageConverter& codePages, unsigned codePage, uint8_t byte) {
    WideChar unit = 0;
    return codePages.convert(codePage, &byte, 1, &unit, 1) == 1 ? (uint32_t)unit : UINT32_MAX;
}

// A single-byte code page may put CR and LF elsewhere than ASCII does.
static LineUnits codePageUnits(unsigned codePage, const CodePageConverter& codePages) {
    LineUnits units = lineUnitsOf(EncodingCodePage);
    if (codePages.multiByte(codePage)) return units;
    bool returnFound = unitOfByte(codePages, codePage, (uint8_t)CarriageReturn) == CarriageReturn;
    bool feedFound = unitOfByte(codePages, codePage, (uint8_t)LineFeed) == LineFeed;
    for (uint32_t byte = 0; byte < 256 && !(returnFound && feedFound); ++byte) {
        uint32_t unit = unitOfByte(codePages, codePage, (uint8_t)byte);
        if (!returnFound && unit == CarriageReturn) units.carriageReturn = byte, returnFound = true;
        if (!feedFound && unit == LineFeed) units.lineFeed = byte, feedFound = true;
    }
    return units;
}

LineUnits lineUnitsFor(Encoding encoding, ByteOrderMark mark, const CodePageConverter& codePages) {
    EncodingKind kind = encoding.kind != EncodingAuto ? encoding.kind : mark.kind;
    if (kind == EncodingCodePage) return codePageUnits(encoding.codePage, codePages);
    return lineUnitsOf(kind);
}

// The needles are plain ASCII: they can be looked for in the bytes only
// where every printable ASCII byte is that character.
static bool asciiCompatible(Encoding encoding, const CodePageConverter& codePages) {
    if (encoding.kind == EncodingUtf8) return true;
    if (encoding.kind != EncodingCodePage) return false;
    for (uint32_t byte = 0x20; byte < 0x7F; ++byte) {
        if (unitOfByte(codePages, encoding.codePage, (uint8_t)byte) != byte) return false;
    }
    return true;
}

// ---- The filter -------------------------------------------------------------

struct FilterJudge {
    const LineChoice* choice;
    const CodePageConverter* codePages;
    Encoding encoding;  // lines are decoded in it; never auto
    bool asciiCompatible;
    // Auto chose UTF-8 without a mark: a line that is not UTF-8 ends the search.
    bool utf8Unproven;
    bool notUtf8;  // such a line was found
    WideChar* text;
    PatternNeedles show;
    PatternNeedles hide;
};

static bool needlesMiss(const FilterJudge& judge, const PatternNeedles& needles,
                        const uint8_t* bytes, uint32_t count) {
    return judge.asciiCompatible && needles.usable && !holdsNeedle(needles, bytes, count);
}

static bool disprovesUtf8(FilterJudge& judge, const uint8_t* line, uint32_t count, bool cut) {
    if (!judge.utf8Unproven || validUtf8(line, count, cut, true)) return false;
    judge.notUtf8 = true;
    return true;
}

static LineVerdict verdict(bool passes) { return passes ? LinePasses : LineFails; }

// Bytes without a pattern's needles cannot match it; a line that passes or
// is matched is decoded as the pane shows it.
static LineVerdict linePasses(void* context, const uint8_t* line, uint32_t count, bool cut) {
    FilterJudge& judge = *(FilterJudge*)context;
    const LineChoice& choice = *judge.choice;
    if (choice.showSet && needlesMiss(judge, judge.show, line, count)) return LineFails;
    bool hideMissed = !choice.hideSet || needlesMiss(judge, judge.hide, line, count);
    if (disprovesUtf8(judge, line, count, cut)) return SearchAbandoned;
    if (!choice.showSet && hideMissed) return LinePasses;
    ByteOrderMark none = {EncodingAuto, 0};
    TailBytes bytes = {line, count, cut ? CutLineOffset : 0, none, !cut, true};
    DecodedText text = decodeTail(bytes, judge.encoding, *judge.codePages, NoBoundary, judge.text,
                                  decodedCapacity(count));
    if (choice.showSet && !lineMatches(choice.show, judge.text, text.length)) return LineFails;
    return verdict(hideMissed || !lineMatches(choice.hide, judge.text, text.length));
}

// Lines behind the last of the needles of the lines shown cannot pass.
static uint32_t lastPassingLine(void* context, const uint8_t* lines, uint32_t count) {
    const FilterJudge& judge = *(const FilterJudge*)context;
    if (!judge.choice->showSet || !judge.asciiCompatible || !judge.show.usable) return count - 1;
    uint32_t at = lastNeedleAt(judge.show, lines, count);
    return at == NoNeedle ? NoPlaceToPass : at;
}

// The encoding lines are judged in, for a scan told to read them in
// `encoding`: auto without a mark tries UTF-8 first.
static FilterJudge judgeFor(const LineScan& scan, Encoding encoding) {
    bool automatic = encoding.kind == EncodingAuto;
    if (automatic && scan.mark.kind != EncodingAuto) encoding = encodingOf(scan.mark.kind);
    bool unproven = encoding.kind == EncodingAuto;
    if (unproven) encoding = encodingOf(EncodingUtf8);
    FilterJudge judge = {scan.choice, scan.codePages, encoding,
                         asciiCompatible(encoding, *scan.codePages), unproven, false,
                         scan.lineText, scan.choice->showNeedles, scan.choice->hideNeedles};
    return judge;
}

// ---- Entries ----------------------------------------------------------------------

static const ByteOrderMark NoMark = {EncodingAuto, 0};

static uint32_t decodeLine(FilterJudge& judge, const uint8_t* line, uint32_t count, bool cut,
                           bool whole) {
    TailBytes bytes = {line, count, cut ? CutLineOffset : 0, NoMark, !cut, whole};
    return decodeTail(bytes, judge.encoding, *judge.codePages, NoBoundary, judge.text,
                      decodedCapacity(count)).length;
}

static LineOpening entryLineOpening(void* context, const uint8_t* head, uint32_t count) {
    FilterJudge& judge = *(FilterJudge*)context;
    uint32_t length = decodeLine(judge, head, count, false, false);
    return lineOpeningOf(judge.choice->entries, judge.text, length);
}

// Every line may be shown with its entry: a line that is not the UTF-8
// auto chose ends the search, as a line that passes does.
static LineVerdict judgeEntryLine(void* context, const uint8_t* line, uint32_t count, bool cut,
                                  EntryLine* into) {
    FilterJudge& judge = *(FilterJudge*)context;
    const LineChoice& choice = *judge.choice;
    if (disprovesUtf8(judge, line, count, cut)) return SearchAbandoned;
    uint32_t length = decodeLine(judge, line, count, cut, true);
    into->units = cut && length < EntryUnitLimit ? EntryUnitLimit : length;
    into->matched.showMatched = choice.showSet && lineMatches(choice.show, judge.text, length);
    into->matched.hideMatched = choice.hideSet && lineMatches(choice.hide, judge.text, length);
    return LinePasses;
}

static EntryJudge entryJudgeOf(FilterJudge* filter, const LineScan& scan) {
    EntryJudge judge = {filter, entryLineOpening, judgeEntryLine, lastPassingLine, scan.choice->entries,
                        scan.choice->showSet, scan.entryAbove, scan.entryLines,
                        scan.entryLineCapacity};
    return judge;
}

static LineJudge lineJudgeOf(FilterJudge* filter, const LineScan& scan) {
    LineJudge judge = {filter, nullptr, nullptr};
    if (filtered(*scan.choice)) {
        judge.passes = linePasses;
        judge.lastPassing = lastPassingLine;
    }
    return judge;
}

static void fitNeedles(FilterJudge& judge, const uint8_t* sample, uint32_t count) {
    if (!judge.asciiCompatible) return;
    fitAnchors(&judge.show, sample, count);
    fitAnchors(&judge.hide, sample, count);
}

// ---- Scans --------------------------------------------------------------------

static uint32_t readSample(const ByteSource& source, uint64_t from, uint64_t fileSize,
                           uint8_t* block, uint32_t blockSize) {
    uint64_t available = fileSize > from ? fileSize - from : 0;
    uint32_t wanted = available < AnchorSample ? (uint32_t)available : AnchorSample;
    if (wanted > blockSize) wanted = blockSize;
    return source.read(source.context, fileSize - wanted, block, wanted) ? wanted : 0;
}

static TakenLines scanOnce(const LineScan& scan, const LastLinesQuery& query, FilterJudge& filter,
                           const ByteSource& source, uint8_t* block, uint32_t blockSize,
                           uint8_t* out, uint32_t outCapacity) {
    const LineChoice& choice = *scan.choice;
    bool filtering = filtered(choice);
    if (filtering && filter.asciiCompatible) {
        fitNeedles(filter, block, readSample(source, query.from, query.fileSize, block, blockSize));
    }
    LineQuery lines = {query.fileSize, query.from,
                       lineUnitsFor(filtering ? filter.encoding : scan.encoding, scan.mark,
                                    *scan.codePages),
                       choice.lines, query.window, query.scanLimit, completeLinesOnly(choice),
                       lineJudgeOf(&filter, scan), query.seenEnd, scan.judgedBytes};
    if (entriesFiltered(choice)) {
        return takeLastEntries(lines, entryJudgeOf(&filter, scan), source, block, blockSize, out,
                               outCapacity);
    }
    return takeLastLines(lines, source, block, blockSize, out, outCapacity);
}

ChosenLines chooseLastLines(const LineScan& scan, const LastLinesQuery& query,
                            const ByteSource& source, uint8_t* block, uint32_t blockSize,
                            uint8_t* out, uint32_t outCapacity) {
    FilterJudge filter = judgeFor(scan, scan.encoding);
    ChosenLines chosen;
    chosen.taken = scanOnce(scan, query, filter, source, block, blockSize, out, outCapacity);
    if (chosen.taken.abandoned && filter.notUtf8 && !scan.growth) {
        filter = judgeFor(scan, encodingOf(EncodingCodePage, AnsiCodePage));
        chosen.taken = scanOnce(scan, query, filter, source, block, blockSize, out, outCapacity);
    }
    chosen.encoding = filtered(*scan.choice) ? filter.encoding : scan.encoding;
    return chosen;
}

// ---- The lines a growth adds, by entries ----

// Where the lines kept so far end, and how many, when the open entry began.
struct AddedEntry {
    uint32_t from;  // its first line in the bytes; NotInBytes when it began before them
    uint32_t keptBefore;
    uint32_t linesBefore;
};
static const uint32_t NotInBytes = UINT32_MAX;

struct AddedEntries {
    uint8_t* bytes;
    uint64_t offset;
    LineUnits units;
    uint32_t kept;
    AddedLines added;
};

// Moves the whole lines of bytes[from, to) behind those kept.
static void keepAddedLines(AddedEntries& a, uint32_t from, uint32_t to) {
    while (from < to) {
        uint32_t contentEnd = 0;
        uint32_t next = endOfLineAt(a.bytes, from, to, a.units, &contentEnd);
        if (a.kept == 0) a.added.firstOffset = a.offset + from;
        memmove(a.bytes + a.kept, a.bytes + from, next - from);
        a.kept += next - from;
        endWithLineFeed(a.bytes + a.kept, next - contentEnd, a.units);
        ++a.added.lineCount;
        from = next;
    }
}

static AddedLines chooseAddedEntries(const LineScan& scan, FilterJudge& filter, EntryState* state,
                                     uint8_t* bytes, uint32_t count, uint64_t offset,
                                     uint64_t shownEnd, LineUnits units) {
    AddedEntries a = {bytes, offset, units, 0, {false, offset, 0, offset + count, 0, false}};
    const LineChoice& choice = *scan.choice;
    EntryChoice entries = {choice.entries,
                           entryFilterOf(choice),
                           state->entry, state->judgement};
    uint32_t at = addedLinesAt(bytes, &count, offset, shownEnd, units);
    AddedEntry open = {NotInBytes, 0, 0};
    uint32_t contentEnd = 0;
    for (uint32_t next; (next = endOfLineAt(bytes, at, count, units, &contentEnd)) != NoLineEnd; at = next) {
        uint32_t length = contentEnd - at;
        bool cut = length > scan.judgedBytes;
        uint32_t from = cut ? contentEnd - scan.judgedBytes : at;
        if (disprovesUtf8(filter, bytes + from, contentEnd - from, cut)) break;
        EntryStep step = chooseEntryLine(&entries, filter.text,
                                         decodeLine(filter, bytes + from, contentEnd - from, cut, true));
        if (step.begins) open = {at, a.kept, a.added.lineCount};
        bool before = open.from == NotInBytes;
        if (step.passes != step.passedBefore && !step.begins && before) break;
        if (step.passes) {
            keepAddedLines(a, step.passedBefore ? at : open.from, next);
        } else if (step.passedBefore) {
            a.kept = open.keptBefore;
            a.added.lineCount = open.linesBefore;
        }
    }
    a.added.abandoned = endOfLineAt(bytes, at, count, units, &contentEnd) != NoLineEnd;
    a.added.count = a.kept;
    a.added.end = offset + at;
    state->entry = entries.entry;
    state->judgement = entries.judgement;
    return a.added;
}

AddedLines chooseAddedLines(const LineScan& scan, EntryState* entry, uint8_t* bytes,
                            uint32_t count, uint64_t offset, uint64_t shownEnd,
                            bool shownLineOpen) {
    FilterJudge filter = judgeFor(scan, scan.encoding);
    bool filtering = filtered(*scan.choice);
    if (filtering) fitNeedles(filter, bytes, count);
    LineUnits units = lineUnitsFor(filtering ? filter.encoding : scan.encoding, scan.mark,
                                   *scan.codePages);
    if (entriesFiltered(*scan.choice)) {
        return chooseAddedEntries(scan, filter, entry, bytes, count, offset, shownEnd, units);
    }
    return takeAddedLines(bytes, count, offset, shownEnd, units, shownLineOpen,
                          completeLinesOnly(*scan.choice), lineJudgeOf(&filter, scan));
}
