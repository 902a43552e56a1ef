// The pane of several sources, free of any window: which lines it holds,
// which of them are new, and where the reader's place lies after a build.
//
// Each source keeps its lines as its reader gave them (whole lines, each
// ending in CR LF) and numbers them: its first line has firstNumber, the
// next one more, so that a line is known by its source and its number, not
// by its text. Lines shown again after the file only grew keep their
// numbers; a source shown anew (another file, a notice between) numbers its
// lines afresh, never reusing a number.
//
// A build writes the last lines of the timeline (text/timeline.h), each
// labelled "[label] ", the last `mostLines` of them when set, leaving
// `reserve` units of the text's capacity free; the lines from a source's
// newFrom on are new. Lines a source adds later go to the pane's end,
// labelled, until the pane holds about twice what a build shows (with
// mostLines N, 2N lines): then it is built anew.
#pragma once

#include <stdint.h>

#include "settings/buffer_sizes.h"
#include "text/text_decoding.h"

struct SourceLines {
    bool shown;             // the source's lines belong in the pane
    const WideChar* label;  // as its lines bear it
    uint64_t writtenAt;     // lines without a time count as written then
    uint64_t timeBefore;    // of the line in its file before its first; 0: none known
    const WideChar* text;
    uint32_t length;
    uint32_t newFrom;       // the lines from here on are new
    uint32_t lineCount;
    uint32_t firstNumber;
};

// Which lines of each source the pane holds: the number of its first one
// there, the others following it in order.
struct PaneHeld {
    bool hasLines[MostSources];
    uint32_t firstNumber[MostSources];
};

// What the line at the top of the view is, and how far into it the view starts.
struct PanePlace {
    bool known;
    uint32_t source;
    uint32_t number;
    uint32_t offset;
};

struct MergedPane {
    uint32_t length;  // units written
    uint32_t lines;   // lines written
    int placeAt;      // where the place's line and offset now stand; -1: not held
};

// Writes the merged lines into out (zero-terminated) and a bit for each new
// one into newBits (lines / 32 + 1 words); held tells which lines it holds.
MergedPane mergeSourceLines(const SourceLines* sources, uint32_t count, uint32_t mostLines,
                            uint32_t reserve, int thisYear, const PanePlace& place, WideChar* out,
                            uint32_t capacity, uint32_t* newBits, PaneHeld* held);

// The place of a pane line, from the source each line bears (sourceOf[i] for
// line i, NoSource: none), the lines of its source the pane does not show
// behind each (hiddenAfter[i], or none: every line shown) and the offset
// into the line.
PanePlace placeOfLine(const PaneHeld& held, const uint8_t* sourceOf, const uint32_t* hiddenAfter, uint32_t line,
                      uint32_t offset);

// The source's text now holds `length` units, those from newFrom on new;
// with sameLines, those before newFrom are lines it held before (its last
// ones), which keep their numbers.
void takeSourceLines(SourceLines* source, uint32_t length, uint32_t newFrom, bool sameLines);
// Its lines gave way to a notice: the next lines are numbered afresh.
void dropSourceLines(SourceLines* source);
// Lines added at the source's end: numbered on from its last.
void addedSourceLines(SourceLines* source, uint32_t length, uint32_t lines);

// Writes the lines, labelled, into out; false when they do not fit in capacity.
bool labelLines(const WideChar* label, const WideChar* lines, uint32_t length, WideChar* out,
                uint32_t capacity, uint32_t* written);
// A line and its label: "[label] ", the line, CR LF.
uint32_t labelledLineLength(const WideChar* label, uint32_t lineLength);
void writeLabelledLine(const WideChar* label, const WideChar* line, uint32_t length, WideChar* out,
                       uint32_t* at);

// The lines in a text of whole lines.
uint32_t linesIn(const WideChar* text, uint32_t length);

// Whether the pane, holding paneLines lines and paneUnits units after a build
// of builtUnits, is to be built anew rather than take `adding` more lines.
bool paneOutgrown(uint32_t paneLines, uint32_t adding, uint32_t mostLines, uint64_t paneUnits,
                  uint64_t builtUnits, uint32_t capacity);
