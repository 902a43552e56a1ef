#include "text/line_marks.h"

#include "text/characters.h"

#include "text/sorted_search.h"

void clearLineMarks(LineMarks* marks) {
    marks->atLineStart = true;
    marks->length = 0;
    marks->lineCount = 0;
    marks->full = false;
    marks->unmarkedFrom = 0;
    marks->afterCarriageReturn = false;
    startEntries(&marks->entryBefore.entry);
    marks->entryBefore.rule = 0;
    marks->entryBefore.firstLine = NoMarkedLine;
    marks->entryWith = marks->entryBefore;
    marks->openLength = 0;
    marks->lookBackWaiting = 0;
}

static void beginLine(LineMarks* marks, uint32_t start) {
    if (marks->full) return;
    if (marks->lineCount == MarkedLineCapacity) {
        marks->full = true;
        marks->unmarkedFrom = start;
        return;
    }
    if (marks->lineCount > 0) marks->entryBefore = marks->entryWith;
    marks->openLength = 0;
    marks->lineStart[marks->lineCount] = start;
    marks->ruleOfLine[marks->lineCount] = 0;
    marks->sourceOfLine[marks->lineCount] = NoSource;
    ++marks->lineCount;
    for (PatternScan& scan : marks->scans) startScan(&scan);
}

// The LF of a CR LF pair: the line begun behind the CR begins behind the LF.
static void moveOpenLineStart(LineMarks* marks, uint32_t start) {
    if (marks->full) {
        marks->unmarkedFrom = start;
    } else {
        marks->lineStart[marks->lineCount - 1] = start;
    }
}

// 1 + the earlier of two rules; 0 is none.
static uint8_t earlierRule(uint8_t a, uint8_t b) { return a == 0 || (b != 0 && b < a) ? b : a; }

// The open line joins the entry before it, or begins one, as it stands: the
// entry's rule is that of its earlier lines, or of the line, whichever
// comes first.
static void groupOpenLine(LineMarks* marks, const WideChar* piece, uint32_t length) {
    for (uint32_t i = 0; i < length && marks->openLength + i < EntryHeadUnits; ++i) {
        marks->openHead[marks->openLength + i] = piece[i];
    }
    marks->openLength += length;
    uint32_t line = marks->lineCount - 1;
    const LineMarks::EntrySoFar& before = marks->entryBefore;
    LineMarks::EntrySoFar with = before;
    bool begins = groupLine(&with.entry, marks->entries, marks->openHead, marks->openLength,
                            marks->sourceOfLine[line]);
    if (before.firstLine != NoMarkedLine) marks->ruleOfEntry[before.firstLine] = before.rule;
    if (begins || with.firstLine == NoMarkedLine) with.firstLine = line;
    with.rule = begins ? marks->ruleOfLine[line] : earlierRule(before.rule, marks->ruleOfLine[line]);
    marks->lineInEntry[line] = uint8_t(line - with.firstLine);
    marks->ruleOfEntry[with.firstLine] = with.rule;
    marks->entryWith = with;
}

// Reads more of the open line. It is picked by the first rule that matches
// it as it stands, as if it ended here: a whole-word rule may take that back
// when the line goes on. The rules behind one that matches whatever follows
// need not read on.
static void markPiece(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount,
                      const WideChar* piece, uint32_t length) {
    if (marks->full) return;
    uint8_t picked = 0;
    for (uint32_t r = 0; r < ruleCount && r < ColourRuleCount; ++r) {
        if (rules[r].check != RuleUsable) continue;
        PatternScan& scan = marks->scans[r];
        if (continueScan(rules[r].pattern, &scan, piece, length) && picked == 0) picked = uint8_t(r + 1);
        if (scan.matched) break;
    }
    marks->ruleOfLine[marks->lineCount - 1] = picked;
    groupOpenLine(marks, piece, length);
}

uint32_t labelledLength(const WideChar* label) {
    uint32_t length = 0;
    while (label[length]) ++length;
    return length + 3;
}

// A source's first line goes on with the entry its lines before the text
// left open, in place of the other source's entry above it.
static void takeLookedBack(LineMarks* marks, uint8_t source) {
    uint8_t bit = uint8_t(1u << source);
    if (source >= 4 || !(marks->lookBackWaiting & bit)) return;
    marks->lookBackWaiting &= uint8_t(~bit);
    marks->entryBefore = marks->lookedBack[source];
}

// Where the open line's own text begins: behind the label it starts with,
// whose source it then bears.
static uint32_t passLabel(LineMarks* marks, const WideChar* text, uint32_t at, uint32_t length) {
    if (!marks->labels || marks->full || at >= length || text[at] != '[') {
        return at;
    }
    for (uint32_t source = 0; source < marks->labels->count; ++source) {
        const WideChar* label = marks->labels->label[source];
        if (!label) continue;
        uint32_t i = 0;
        while (label[i] && at + 1 + i < length && text[at + 1 + i] == label[i]) ++i;
        uint32_t behind = at + 1 + i;
        if (label[i] || behind + 2 > length || text[behind] != ']' || text[behind + 1] != ' ') continue;
        marks->sourceOfLine[marks->lineCount - 1] = (uint8_t)source;
        takeLookedBack(marks, (uint8_t)source);
        return behind + 2;
    }
    return at;
}

void markLines(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount,
               const WideChar* text, uint32_t length) {
    if (marks->lineCount == 0 && !marks->full) beginLine(marks, marks->length);
    bool lineFeedFirst = marks->afterCarriageReturn && length > 0 && text[0] == LineFeed;
    uint32_t pieceStart = marks->atLineStart && !lineFeedFirst ? passLabel(marks, text, 0, length) : 0;
    for (uint32_t i = pieceStart; i < length; ++i) {
        WideChar unit = text[i];
        if (unit == LineFeed && marks->afterCarriageReturn) {
            marks->afterCarriageReturn = false;
            moveOpenLineStart(marks, marks->length + i + 1);
            pieceStart = passLabel(marks, text, i + 1, length);
            i = pieceStart - 1;
            continue;
        }
        marks->afterCarriageReturn = unit == CarriageReturn;
        if (!isLineEnd(unit)) continue;
        markPiece(marks, rules, ruleCount, text + pieceStart, i - pieceStart);
        beginLine(marks, marks->length + i + 1);
        pieceStart = passLabel(marks, text, i + 1, length);
        i = pieceStart - 1;
    }
    markPiece(marks, rules, ruleCount, text + pieceStart, length - pieceStart);
    if (length > 0) marks->atLineStart = isLineEnd(text[length - 1]);
    marks->length += length;
}

void moveLastLineEnd(LineMarks* marks, int32_t delta) {
    if (!marks->atLineStart || marks->lineCount == 0) return;
    uint32_t end = marks->length;
    marks->length += delta;
    if (!marks->full) {
        marks->lineStart[marks->lineCount - 1] += delta;
    } else if (marks->unmarkedFrom >= end) {
        marks->unmarkedFrom += delta;
    }
}

void markLookBack(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount,
                  const WideChar* text, uint32_t length) {
    markLines(marks, rules, ruleCount, text, length);
    LineMarks::EntrySoFar entry = marks->entryBefore;
    clearLineMarks(marks);
    entry.firstLine = NoMarkedLine;
    marks->entryBefore = entry;
}

void markSourceLookBack(LineMarks* marks, const ColourRule* rules, uint32_t ruleCount, uint8_t source,
                        const WideChar* text, uint32_t length) {
    if (source >= 4) return;
    uint8_t waiting = marks->lookBackWaiting;
    const LineLabels* labels = marks->labels;
    marks->labels = nullptr;
    markLines(marks, rules, ruleCount, text, length);
    LineMarks::EntrySoFar entry = marks->entryBefore;
    clearLineMarks(marks);
    marks->labels = labels;
    entry.entry.source = source;
    entry.firstLine = NoMarkedLine;
    marks->lookedBack[source] = entry;
    marks->lookBackWaiting = uint8_t(waiting | (1u << source));
}

uint32_t linesHeld(const LineMarks& marks) {
    return marks.lineCount - (marks.atLineStart && marks.lineCount > 0 ? 1 : 0);
}

int markedRule(const LineMarks& marks, uint32_t index) {
    if (marks.lineCount == 0 || index >= marks.length) return NoRule;
    if (marks.full && index >= marks.unmarkedFrom) return NoRule;
    return entryRule(marks, firstLineFrom(marks, index + 1) - 1);
}

int entryRule(const LineMarks& marks, uint32_t line) {
    return int(marks.ruleOfEntry[line - marks.lineInEntry[line]]) - 1;
}

uint32_t firstLineFrom(const LineMarks& marks, uint32_t index) {
    return firstNotBelow(marks.lineStart, marks.lineCount, index);
}

uint8_t labelAt(const LineMarks& marks, uint32_t index) {
    if (!marks.labels || marks.lineCount == 0 || index >= marks.length) return NoSource;
    uint32_t line = firstLineFrom(marks, index);
    bool starts = line < marks.lineCount && marks.lineStart[line] == index;
    return starts ? marks.sourceOfLine[line] : NoSource;
}
