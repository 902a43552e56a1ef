#include "text/repeats.h"

#include "text/text_writer.h"

#include "text/characters.h"
#include "text/line_time.h"
#include "text/timeline.h"

static const uint64_t StepsPerSecond = 10000000;
static const uint64_t SecondsPerDay = 86400;
static const WideChar Times = 0x00D7;

void startRepeats(RepeatedRow* row) {
    row->count = 0;
    row->source = 0;
    row->lastTime = NoLineTime;
}

static bool sameUnits(const WideChar* a, const WideChar* b, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool repeatsRow(const RepeatedRow& row, const WideChar* rowText, uint32_t rowLength,
                const WideChar* entry, uint32_t entryLength, uint8_t source, int thisYear) {
    if (row.count == 0 || row.source != source) return false;
    uint32_t rowTime = lineTimeLength(rowText, rowLength, thisYear);
    uint32_t entryTime = lineTimeLength(entry, entryLength, thisYear);
    uint32_t length = rowLength - rowTime;
    return entryLength - entryTime == length && sameUnits(rowText + rowTime, entry + entryTime, length);
}

bool foldRepeat(RepeatedRow* row, const WideChar* rowText, uint32_t rowLength,
                const WideChar* entry, uint32_t entryLength, uint8_t source, int thisYear) {
    bool folded = repeatsRow(*row, rowText, rowLength, entry, entryLength, source, thisYear);
    row->count = folded ? row->count + 1 : 1;
    row->source = source;
    row->lastTime = lineTimeAt(entry, entryLength, thisYear);
    return folded;
}

uint32_t composeRepeatSuffix(const RepeatedRow& row, WideChar* out, uint32_t capacity) {
    TextWriter writer = {out, capacity, 0};
    if (row.count > 1) {
        put(writer, " ");
        put(writer, Times);
        putNumber(writer, row.count, 1);
    }
    if (row.count > 1 && row.lastTime != NoLineTime) {
        uint32_t second = uint32_t(row.lastTime / StepsPerSecond % SecondsPerDay);
        put(writer, ", last ");
        putNumber(writer, second / 3600, 2);
        put(writer, ':');
        putNumber(writer, second / 60 % 60, 2);
        put(writer, ':');
        putNumber(writer, second % 60, 2);
    }
    return endText(writer);
}

// ---- Folding text into rows ------------------------------------------------------

void startRepeatFolder(RepeatFolder* folder, const EntryGrouping& grouping, const LineLabels* labels) {
    folder->grouping = grouping;
    folder->labels = labels;
    startEntries(&folder->entry);
    startRepeats(&folder->row);
    startRepeats(&folder->above);
    folder->entryFolded = false;
    folder->hiddenNew = false;
    folder->lineOpen = false;
    folder->rowIs = 0;
    folder->rowLines = folder->aboveLines = 0;
    folder->texts[0].length = folder->texts[1].length = folder->hidden.length = 0;
    folder->texts[0].fits = folder->texts[1].fits = folder->hidden.fits = true;
}

void startFoldedPiece(FoldedPiece* piece, WideChar* out, uint32_t capacity) {
    piece->out = out;
    piece->capacity = capacity;
    piece->length = 0;
    piece->lines = 0;
    piece->rowStart = piece->rowSuffixAt = piece->aboveSuffixAt = piece->aboveStart = NotInPiece;
    piece->rowFirstLine = piece->aboveFirstLine = 0;
    piece->rowBeforeChanged = false;
    startRepeats(&piece->rowBefore);
    piece->rebuild = false;
    piece->markFrom = NotInPiece;
    piece->markAt = 0;
    piece->repeatAfterMark = false;
    piece->repeatedRowAt = NotInPiece;
    piece->newIn = nullptr;
    piece->newOut = nullptr;
    piece->hiddenOut = nullptr;
    piece->hiddenRoom = 0;
    piece->rowBeforeHidden = 0;
    if (capacity > 0) out[0] = 0;
}

// An entry's text kept, its lines parted by CR LF: a first line, or one more.
static void keepText(RepeatText* text, const WideChar* units, uint32_t length, bool startsIt) {
    if (startsIt) {
        text->length = 0;
        text->fits = true;
    }
    uint32_t joint = startsIt ? 0 : 2;
    if (!text->fits || text->length + joint + length > RepeatTextCapacity) {
        text->fits = false;
        return;
    }
    if (joint) {
        text->units[text->length++] = WideChar(CarriageReturn);
        text->units[text->length++] = WideChar(LineFeed);
    }
    for (uint32_t i = 0; i < length; ++i) text->units[text->length + i] = units[i];
    text->length += length;
}

static bool bitOf(const uint32_t* bits, uint32_t line) { return bits && (bits[line / 32] >> (line % 32) & 1); }

static void setBit(uint32_t* bits, uint32_t line, bool value) {
    if (!bits) return;
    if (line % 32 == 0) bits[line / 32] = 0;
    uint32_t bit = 1u << (line % 32);
    bits[line / 32] = value ? bits[line / 32] | bit : bits[line / 32] & ~bit;
}

static void writeUnits(FoldedPiece* piece, const WideChar* units, uint32_t length) {
    if (piece->length + length + 1 > piece->capacity) {
        piece->rebuild = true;
        return;
    }
    for (uint32_t i = 0; i < length; ++i) piece->out[piece->length + i] = units[i];
    piece->length += length;
    piece->out[piece->length] = 0;
}

static const WideChar LineEnd[] = {WideChar(CarriageReturn), WideChar(LineFeed)};

// "[label] " in front of a line of the source.
static void writeLabel(const RepeatFolder& folder, uint8_t source, FoldedPiece* piece) {
    if (!folder.labels || source >= folder.labels->count || !folder.labels->label[source]) return;
    const WideChar* label = folder.labels->label[source];
    uint32_t length = 0;
    while (label[length]) ++length;
    const WideChar opening = '[', closing[] = {']', ' '};
    writeUnits(piece, &opening, 1);
    writeUnits(piece, label, length);
    writeUnits(piece, closing, 2);
}

// The lines of the entries the last row counted and does not show: each as
// many as the row's own, as their texts are the same.
static uint32_t hiddenBehindRow(const RepeatFolder& folder) {
    return folder.row.count > 1 ? (folder.row.count - 1) * folder.rowLines : 0;
}

// The row's suffix, where the row ends: its count now.
static void rewriteSuffix(const RepeatFolder& folder, FoldedPiece* piece) {
    if (piece->rowSuffixAt == NotInPiece) {
        piece->rowBeforeChanged = true;
        piece->rowBefore = folder.row;
        piece->rowBeforeHidden = hiddenBehindRow(folder);
        return;
    }
    if (piece->lines > 0 && piece->lines <= piece->hiddenRoom) {
        piece->hiddenOut[piece->lines - 1] = hiddenBehindRow(folder);
    }
    bool markInRow = piece->markFrom != NotInPiece && piece->markAt > piece->rowSuffixAt;
    piece->length = piece->rowSuffixAt;
    WideChar suffix[RepeatSuffixCapacity];
    writeUnits(piece, suffix, composeRepeatSuffix(folder.row, suffix, RepeatSuffixCapacity));
    writeUnits(piece, LineEnd, 2);
    if (markInRow) piece->markAt = piece->length;
}

static void setRowBits(const FoldedPiece& piece, bool value) {
    if (!value || piece.rowStart == NotInPiece) return;
    for (uint32_t line = piece.rowFirstLine; line < piece.lines; ++line) setBit(piece.newOut, line, true);
}

// A new row: its first line's place.
static void beginRow(RepeatFolder* folder, FoldedPiece* piece) {
    piece->aboveSuffixAt = piece->rowSuffixAt;
    piece->aboveStart = piece->rowStart;
    piece->aboveFirstLine = piece->rowFirstLine;
    piece->rowStart = piece->length;
    piece->rowFirstLine = piece->lines;
    folder->rowIs ^= 1;
    folder->aboveLines = folder->rowLines;
    folder->rowLines = 0;
}

// One line of a row, its end too unless still open; the row's suffix (none
// yet) goes behind it. A line of a hidden entry takes its label again.
static void writeRowLine(RepeatFolder* folder, const WideChar* line, uint32_t length, uint8_t source,
                         bool ended, bool isNew, bool ownText, FoldedPiece* piece) {
    if (piece->lines < piece->hiddenRoom) piece->hiddenOut[piece->lines] = 0;
    setBit(piece->newOut, piece->lines++, isNew);
    ++folder->rowLines;
    piece->lineWrittenAt = piece->length;
    if (ownText) writeLabel(*folder, source, piece);
    writeUnits(piece, line, length);
    piece->rowSuffixAt = piece->length;
    if (ended) writeUnits(piece, LineEnd, 2);
}

// The hidden entry comes out as a row of its own, behind its row as counted before it.
static void showHidden(RepeatFolder* folder, uint8_t source, bool ended, FoldedPiece* piece) {
    folder->row = folder->above;
    rewriteSuffix(*folder, piece);
    beginRow(folder, piece);
    RepeatText& text = folder->texts[folder->rowIs];
    keepText(&text, folder->hidden.units, folder->hidden.length, true);
    const WideChar* units = folder->hidden.units;
    uint32_t length = folder->hidden.length;
    for (uint32_t at = 0;; ) {  // its last line is the one without a line end
        uint32_t end = lineEndFrom(units, length, at);
        uint32_t next = nextLineStart(units, length, at);
        writeRowLine(folder, units + at, end - at, source, next > end || ended, folder->hiddenNew, true, piece);
        if (next == end) break;
        at = next;
    }
    folder->row.count = 1;
    folder->row.source = source;
    folder->row.lastTime = lineTimeAt(units, length, folder->grouping.thisYear);
    folder->entryFolded = false;
}

// The open entry, a row of its own, repeats the row above now: it goes.
static void hideRow(RepeatFolder* folder, FoldedPiece* piece, const RepeatedRow& folded) {
    if (piece->rowStart == NotInPiece) {
        piece->rebuild = true;
        return;
    }
    const RepeatText& own = folder->texts[folder->rowIs];
    folder->hidden = own;
    folder->rowIs ^= 1;
    bool markInRow = piece->markFrom != NotInPiece && piece->markAt > piece->rowStart;
    piece->length = piece->rowStart;
    piece->lines = piece->rowFirstLine;
    piece->rowSuffixAt = piece->aboveSuffixAt;
    piece->rowStart = piece->aboveStart;
    piece->rowFirstLine = piece->aboveFirstLine;
    piece->aboveStart = piece->aboveSuffixAt = NotInPiece;  // the row above that one's is not kept
    folder->row = folded;
    folder->rowLines = folder->aboveLines;
    folder->entryFolded = true;
    rewriteSuffix(*folder, piece);
    if (markInRow) piece->markAt = piece->length;
}

static const WideChar* ownLine(const RepeatFolder& folder, const WideChar* line, uint32_t* length,
                               uint8_t* source) {
    *source = 0;
    const LineLabels* labels = folder.labels;
    for (uint32_t s = 0; labels && s < labels->count; ++s) {
        const WideChar* label = labels->label[s];
        if (!label) continue;
        uint32_t i = 0;
        if (*length == 0 || line[0] != '[') break;
        while (label[i] && 1 + i < *length && line[1 + i] == label[i]) ++i;
        if (label[i] || i + 3 > *length || line[1 + i] != ']' || line[2 + i] != ' ') continue;
        *source = uint8_t(s);
        *length -= i + 3;
        return line + i + 3;
    }
    if (labels) *source = NoSource;
    return line;
}

static void foldLine(RepeatFolder* folder, const WideChar* whole, uint32_t wholeLength, bool ended, bool isNew,
                     bool afterMark, FoldedPiece* piece) {
    uint8_t source;
    uint32_t length = wholeLength;
    const WideChar* line = ownLine(*folder, whole, &length, &source);
    int year = folder->grouping.thisYear;
    bool begins = groupLine(&folder->entry, folder->grouping, line, length, source);
    RepeatText& rowText = folder->texts[folder->rowIs];
    if (begins) {
        folder->above = folder->row;
        RepeatedRow row = folder->row;
        if (!rowText.fits) row.count = 0;  // takes no repeats
        bool folded = foldRepeat(&row, rowText.units, rowText.length, line, length, source, year);
        if (folded) {
            folder->row = row;
            folder->entryFolded = true;
            folder->hiddenNew = isNew;
            keepText(&folder->hidden, line, length, true);
            rewriteSuffix(*folder, piece);
            setRowBits(*piece, isNew);
            if (afterMark && (piece->rowStart == NotInPiece || piece->rowStart < piece->markAt)) {
                piece->repeatAfterMark = true;
                piece->repeatedRowAt = piece->rowStart;
            }
            return;
        }
        beginRow(folder, piece);
        folder->entryFolded = false;
        folder->row = row;
        keepText(&folder->texts[folder->rowIs], line, length, true);
        writeRowLine(folder, whole, wholeLength, source, ended, isNew, false, piece);
        return;
    }
    if (folder->entryFolded) {
        keepText(&folder->hidden, line, length, false);
        folder->hiddenNew = folder->hiddenNew || isNew;
        RepeatedRow row = folder->above;
        if (folder->hidden.fits && rowText.fits &&
            repeatsRow(row, rowText.units, rowText.length, folder->hidden.units, folder->hidden.length, source, year)) {
            setRowBits(*piece, isNew);
            return;
        }
        if (!folder->hidden.fits) {
            piece->rebuild = true;
            return;
        }
        showHidden(folder, source, ended, piece);
        return;
    }
    keepText(&rowText, line, length, false);
    RepeatedRow above = folder->above;
    const RepeatText& aboveText = folder->texts[folder->rowIs ^ 1];
    if (rowText.fits && aboveText.fits &&
        foldRepeat(&above, aboveText.units, aboveText.length, rowText.units, rowText.length, source, year)) {
        hideRow(folder, piece, above);
        folder->hiddenNew = isNew;
        setRowBits(*piece, isNew);
        return;
    }
    folder->row.count = 1;
    writeRowLine(folder, whole, wholeLength, source, ended, isNew, false, piece);
}

void foldRepeats(RepeatFolder* folder, const WideChar* text, uint32_t length, FoldedPiece* piece) {
    if (folder->lineOpen && length > 0) piece->rebuild = true;
    uint32_t line = 0;
    for (uint32_t at = 0; at < length && !piece->rebuild; ++line) {
        uint32_t end = lineEndFrom(text, length, at);
        uint32_t next = nextLineStart(text, length, at);
        bool afterMark = piece->markFrom != NotInPiece && at >= piece->markFrom;
        bool markHere = piece->markFrom != NotInPiece && piece->markFrom >= at && piece->markFrom < next;
        piece->lineWrittenAt = NotInPiece;
        if (markHere) piece->markAt = piece->length;
        foldLine(folder, text + at, end - at, next > end, bitOf(piece->newIn, line), afterMark, piece);
        if (markHere && piece->lineWrittenAt != NotInPiece) {
            piece->markAt = piece->lineWrittenAt + (piece->markFrom - at);
        } else if (markHere) {
            piece->markAt = piece->length;
        }
        folder->lineOpen = next == end;
        at = next;
    }
    if (piece->markFrom != NotInPiece && piece->markFrom >= length) piece->markAt = piece->length;
    if (piece->markAt > piece->length) piece->markAt = piece->length;
}
