// Which of the pane's lines each colour rule picks, found as text enters the
// pane, free of any window. A full reload marks its text anew; an append
// continues the last line where it was left, so a line is never read twice
// and a line completed by an append is marked as if read whole. The open
// last line is marked as it stands, its end taken as the line's end. CR LF, CR
// and LF each end a line (an LF right after a CR belongs to it, even when it
// comes with the next text). Lines past the capacity stay unmarked.
//
// With several sources, each line begins with its source's label in
// brackets and a blank ("[web] "): given the labels, the rules read a line
// without it, and which source's label it bears is kept.
//
// Lines are grouped into entries (entries.h) as they are marked: the first
// rule that any line of an entry matches picks every line of it. The open
// line's entry and its rule are those of the line as it stands, like its
// own rule. The lines before the text, from a look-back at most, may be
// marked first: an entry they begin takes its rule from them too.
#pragma once

#include <stdint.h>

#include "text/colour_rule.h"
#include "text/entries.h"

const uint32_t ColourRuleCount = 8;
// The pane's text from a file never has more lines: it holds fewer bytes.
const uint32_t MarkedLineCapacity = 65536;
const int NoRule = -1;
const uint8_t NoSource = 0xFF;

// The labels lines may begin with, by source; a null label is none.
struct LineLabels {
    uint32_t count;
    const WideChar* label[4];
};

// clearLineMarks makes it empty text.
struct LineMarks {
    const LineLabels* labels;  // none: lines bear no labels
    EntryGrouping entries;     // without multiLine, every line is an entry
    uint32_t length;    // units marked
    uint32_t lineCount;  // lines begun; the last one is open
    bool full;          // the text from unmarkedFrom on has no room
    uint32_t unmarkedFrom;
    bool afterCarriageReturn;  // the text so far ends in CR
    bool atLineStart;          // the text so far ends with a line end, or is empty
    uint32_t lineStart[MarkedLineCapacity];
    uint8_t ruleOfLine[MarkedLineCapacity];  // 1 + the first rule that matches; 0: none
    uint8_t sourceOfLine[MarkedLineCapacity];  // whose label the line bears, or NoSource
    PatternScan scans[ColourRuleCount];      // of the open line, by rule
    uint8_t lineInEntry[MarkedLineCapacity];  // lines of its entry marked before it
    uint8_t ruleOfEntry[MarkedLineCapacity];  // at an entry's first line marked: as ruleOfLine
    // The open line's entry: as the lines before it leave it, and with it.
    struct EntrySoFar {
        OpenEntry entry;
        uint8_t rule;
        uint32_t firstLine;  // marked; NoMarkedLine while only looked back at
    } entryBefore, entryWith;
    uint32_t openLength;  // units of the open line's own text
    WideChar openHead[EntryHeadUnits];
    // With labels: the entry each source's lines before the text leave open,
    // taken up by the source's first line marked (a bit for each waiting).
    EntrySoFar lookedBack[4];
    uint8_t lookBackWaiting;
};

const uint32_t NoMarkedLine = UINT32_MAX;

// Starts again with empty text.
void clearLineMarks(LineMarks* marks);
// Marks text added at the end with the rules that are usable, in order:
// the first that matches a line picks it.
void markLines(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount,
               const WideChar* text, uint32_t length);
// The last whole line's end moved by delta units, the text behind it being
// empty: its own text grew or shrank at its end (a repeat's count), its rule
// kept. Only where the text ends with a line end.
void moveLastLineEnd(LineMarks* marks, int32_t delta);
// Marks the whole lines before the text, which the marks then forget but for
// the entry the last of them is in. Only on empty text.
void markLookBack(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount,
                  const WideChar* text, uint32_t length);
// With labels, the same for one source: its whole lines before its first
// line in the text, which bear no label; its first line marked goes on with
// the entry they leave open. Only on empty text.
void markSourceLookBack(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount, uint8_t source,
                        const WideChar* text, uint32_t length);
// The rule that picked the line holding text[index] (its entry's), or
// NoRule; NoRule too past the text marked.
int markedRule(const LineMarks& marks, uint32_t index);
// The rule of a line's entry, or NoRule.
int entryRule(const LineMarks& marks, uint32_t line);
// The lines of the text marked, as a reader counts them: an open last line
// is one, the empty place behind a last line end is none.
uint32_t linesHeld(const LineMarks& marks);
// The first line that starts at or after text[index]; lineCount if none.
uint32_t firstLineFrom(const LineMarks& marks, uint32_t index);
// The units of a label at a line's start: "[", the label, "] ".
uint32_t labelledLength(const WideChar* label);
// The source whose label the line starting at text[index] bears; NoSource
// when none does, or no line starts there.
uint8_t labelAt(const LineMarks& marks, uint32_t index);
