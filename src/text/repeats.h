// Repeated entries folded into the row above them, free of any window.
//
// An entry whose text, after the time its first line begins with, is that of
// the row just above it in the pane, from the same source, is not shown
// again: the row counts it and ends with " ×N, last 10:05:06", the time of
// day of the last one (" ×N" alone when it has no time). Texts are whole
// entries without their last line end, lines parted by CR LF; a row's text
// is the one first shown, without the suffix it ends with.
//
// An entry is folded as it stands: the open entry is folded anew, from the
// row as it was before the entry came, each time a line joins it, so that
// folding entries as they arrive gives the rows that folding the whole text
// gives.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// What the row just above has counted.
struct RepeatedRow {
    uint32_t count;     // times said; 0: no row yet, 1: no suffix
    uint8_t source;
    uint64_t lastTime;  // of the last one said, or NoLineTime
};

const uint32_t RepeatSuffixCapacity = 32;

void startRepeats(RepeatedRow* row);
// Whether the entry repeats the row, whose text is rowText.
bool repeatsRow(const RepeatedRow& row, const WideChar* rowText, uint32_t rowLength,
                const WideChar* entry, uint32_t entryLength, uint8_t source, int thisYear);
// Counts the entry into the row when it repeats it; else it begins a row of
// its own. True when it was folded.
bool foldRepeat(RepeatedRow* row, const WideChar* rowText, uint32_t rowLength,
                const WideChar* entry, uint32_t entryLength, uint8_t source, int thisYear);
// The suffix the row ends with, zero-terminated; returns its units, 0 for
// a row said once.
uint32_t composeRepeatSuffix(const RepeatedRow& row, WideChar* out, uint32_t capacity);

// ---- Folding text into rows ------------------------------------------------------
//
// A folder turns text, as it comes in pieces of whole lines (the last line
// of the last piece may still be open), into the pane's rows: each row is
// its first entry's lines, its suffix behind its last line, then that
// line's end. A piece's rows go behind what the earlier pieces gave, except
// that the suffix of the row last given before may change
// (rowBeforeChanged: the caller writes it anew), and except where only
// building the pane anew shows it (rebuild): a line joined an entry shown
// as a row of its own before this piece and made it a repeat, a piece began
// inside a line, or a row is too long to be kept. A row's text is kept for
// comparison up to RepeatTextCapacity units; a longer row takes no repeats.
//
// With labels (several sources), each line begins with its source's label
// ("[web] "): entries are compared without it, only within one source, and
// a hidden entry shown again bears it on each line.

#include "text/entries.h"
#include "text/line_marks.h"

const uint32_t RepeatTextCapacity = 2 * EntryUnitLimit;
const uint32_t NotInPiece = UINT32_MAX;

struct RepeatText {
    WideChar units[RepeatTextCapacity];
    uint32_t length;
    bool fits;
};

struct RepeatFolder {
    EntryGrouping grouping;
    const LineLabels* labels;  // none: lines bear no labels
    OpenEntry entry;
    RepeatedRow row;      // the last row
    RepeatedRow above;    // the last row as it was before the open entry came
    bool entryFolded;     // the open entry is counted in the row, not shown
    bool hiddenNew;       // ...and one of its lines was new
    bool lineOpen;        // the text so far ends inside a line
    uint32_t rowIs;       // texts[rowIs] is the last row's, the other the row's above
    uint32_t rowLines;    // of the last row
    uint32_t aboveLines;  // of the row above it
    RepeatText texts[2];
    RepeatText hidden;    // the open entry, while folded
};

// What one piece gave. Where the row last given begins and where its
// suffix begins are places in out, NotInPiece for a row of an earlier piece.
struct FoldedPiece {
    WideChar* out;
    uint32_t capacity;
    uint32_t length;     // units written (a zero follows)
    uint32_t lines;      // lines begun in out
    uint32_t rowStart;
    uint32_t rowSuffixAt;
    uint32_t rowFirstLine;
    uint32_t aboveStart;
    uint32_t aboveFirstLine;
    uint32_t aboveSuffixAt;
    uint32_t lineWrittenAt;  // of the line just folded, NotInPiece: it was not shown
    bool rowBeforeChanged;
    RepeatedRow rowBefore;  // its count now
    bool rebuild;
    // An index into the piece's text (NotInPiece: none) and where it lies
    // in out; whether an entry from there on was counted in a row that
    // begins before it, and where that row begins in out (NotInPiece: it
    // is the row before).
    uint32_t markFrom;
    uint32_t markAt;
    bool repeatAfterMark;
    uint32_t repeatedRowAt;
    // Optional: a bit for each line of the piece's text, and one written for
    // each line of out; a row whose count grew by a line with its bit set
    // has every line's bit set.
    const uint32_t* newIn;
    uint32_t* newOut;
    // Optional: for each line of out, up to hiddenRoom of them, the lines
    // counted in its row and not shown, at the row's last line (0 at every
    // other). Where the row before changed, the lines it hides now.
    uint32_t* hiddenOut;
    uint32_t hiddenRoom;
    uint32_t rowBeforeHidden;
};

void startRepeatFolder(RepeatFolder* folder, const EntryGrouping& grouping, const LineLabels* labels);
void startFoldedPiece(FoldedPiece* piece, WideChar* out, uint32_t capacity);
// Folds text[0, length) behind what the folder has taken.
void foldRepeats(RepeatFolder* folder, const WideChar* text, uint32_t length, FoldedPiece* piece);
