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
