#include "viewer/alert.h"

#include "text/characters.h"

#include "settings/state.h"
#include "viewer/activity_strip.h"
#include "viewer/autohide.h"
#include "viewer/fullscreen.h"

static bool isAlertRule(int rule) {
    return rule >= 0 && rule < (int)ColourRuleCount && state.colourRules[rule].check == RuleUsable &&
           state.colourRules[rule].alert;
}

// The first of two rules (rules come in order), counting only alert rules.
static int firstAlertRule(int first, int rule) {
    return isAlertRule(rule) && (first == NoRule || rule < first) ? rule : first;
}

static int ruleOfMarkedLine(uint32_t line) { return int(state.lineMarks.ruleOfLine[line]) - 1; }

// The lines marked: those past the marks' room are not.
static uint32_t markedLineEnd(const LineMarks& marks) {
    return marks.full ? firstLineFrom(marks, marks.unmarkedFrom) : marks.lineCount;
}

// ...that a reader counts: not the empty place behind the last line end.
static uint32_t markedLinesHeld(const LineMarks& marks) {
    uint32_t held = linesHeld(marks), end = markedLineEnd(marks);
    return held < end ? held : end;
}

// The first alert rule among the entries that begin with the new lines, or
// NoRule. A new line that continues the entry holding text[from - 1] counts
// only by what it changed of that entry's rule.
static int newAlertRule(uint32_t from, int ruleBefore) {
    const LineMarks& marks = state.lineMarks;
    int first = NoRule;
    int holding = markedRule(marks, from > 0 ? from - 1 : 0);
    if (from > 0 && holding != ruleBefore) first = firstAlertRule(first, holding);
    uint32_t lineCount = markedLineEnd(marks);
    uint32_t firstNew = firstLineFrom(marks, from);
    for (uint32_t line = firstNew; line < lineCount; ++line) {
        if (line - marks.lineInEntry[line] >= firstNew) first = firstAlertRule(first, entryRule(marks, line));
    }
    return first;
}

int lastLineRule() {
    uint32_t length = state.lineMarks.length;
    return length > 0 ? markedRule(state.lineMarks, length - 1) : NoRule;
}

// The first usable rule that matches the line's text before `from` (and
// before its line end), as the marks pick it.
static int ruleOfLineUpTo(const WCHAR* text, uint32_t from) {
    if (!state.highlight) return NoRule;
    uint32_t end = from;
    if (end > 0 && text[end - 1] == LineFeed) --end;
    if (end > 0 && text[end - 1] == CarriageReturn) --end;
    uint32_t start = end;
    while (start > 0 && !isLineEnd(text[start - 1])) --start;
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        const ColourRule& rule = state.colourRules[r];
        if (rule.check == RuleUsable && lineMatches(rule.pattern, text + start, end - start)) return (int)r;
    }
    return NoRule;
}

int ruleOfEntryUpTo(const WCHAR* text, uint32_t from) {
    int rule = ruleOfLineUpTo(text, from);
    const LineMarks& marks = state.lineMarks;
    if (from == 0 || from > marks.length || (marks.full && from > marks.unmarkedFrom)) return rule;
    uint32_t line = firstLineFrom(marks, from) - 1;
    for (uint32_t earlier = line - marks.lineInEntry[line]; earlier < line; ++earlier) {
        int own = ruleOfMarkedLine(earlier);
        if (own != NoRule && (rule == NoRule || own < rule)) rule = own;
    }
    return rule;
}

static void soundAlert() {
    if (!state.alertSound) return;
    DWORD now = GetTickCount();
    // Held below the tick count's wrap of about 49 days.
    const uint64_t LongestQuiet = 0xFFFFFFFFu;
    uint64_t quiet = (uint64_t)(state.alertQuiet < 1 ? 1 : state.alertQuiet) * 1000;
    if (quiet > LongestQuiet) quiet = LongestQuiet;
    if (state.alertSounded && now - state.lastAlertSound < quiet) return;
    state.alertSounded = true;
    state.lastAlertSound = now;
    MessageBeep(MB_ICONEXCLAMATION);
}

// A window slid off at an edge slides back, and stays while the alert does.
static void showHiddenWindow() {
    if (!state.hidden || windowDocked()) return;
    state.hidden = false;
    applyAutoHidePosition();
}

// Tints the frame for the rule, and sounds, unless an earlier rule tints it.
static void raiseAlert(int rule) {
    if (rule == NoRule) return;
    soundAlert();
    if (state.alerting && state.alertRule <= rule) return;
    state.alerting = true;
    state.alertRule = rule;
    InvalidateRect(state.viewerWnd, NULL, FALSE);
    showHiddenWindow();
    keepOutOfTheWay();
}

// The same new lines are the activity strip's.
void alertOnNewText(uint32_t from, int ruleBefore) {
    noteLinesArrived(firstLineFrom(state.lineMarks, from), markedLinesHeld(state.lineMarks));
    raiseAlert(newAlertRule(from, ruleBefore));
}

void alertOnRepeat(uint32_t at) {
    const LineMarks& marks = state.lineMarks;
    if (at >= marks.length) return;
    uint32_t line = firstLineFrom(marks, at + 1) - 1;
    noteLinesArrived(line, line + 1);
    raiseAlert(firstAlertRule(NoRule, markedRule(marks, at)));
}

void alertOnLinesMarked(const uint32_t* newLines, uint32_t lineCount) {
    noteMarkedLinesArrived(newLines, lineCount);
    const LineMarks& marks = state.lineMarks;
    int first = NoRule;
    for (uint32_t line = 0; line < lineCount && line < marks.lineCount; ++line) {
        if (newLines[line / 32] >> (line % 32) & 1) first = firstAlertRule(first, ruleOfMarkedLine(line));
    }
    raiseAlert(first);
}

void acknowledgeAlert() {
    if (!state.alerting) return;
    state.alerting = false;
    InvalidateRect(state.viewerWnd, NULL, FALSE);
    if (state.autoHide) startAutoHideTimer();
    keepOutOfTheWay();
}

bool alertColour(COLORREF* colour) {
    if (!state.alerting) return false;
    *colour = ruleMainColour(state.colourRules[state.alertRule]);
    return true;
}
