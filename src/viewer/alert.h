// The alert: a new line that an alert rule picks paints the window's frame
// in that rule's colour until someone acknowledges it (a left click on the
// window or the pane, a key in the pane, or the Acknowledge command). An
// entry (text/entries.h) alerts once: when the widget first shows it, if it
// is new (tail.cpp says which text is new, from what was seen of each file),
// and again only when a line that arrives later changes its rule. A window
// slid off at a screen edge comes back for an alert and stays until it is
// acknowledged; with alertSound on, the system's exclamation sounds at most
// once per alertQuiet seconds. Nothing runs while nothing alerts: no timer,
// no repaint.
#pragma once

#include <windows.h>
#include <stdint.h>

// After new text entered the pane from index `from` on: alerts when a line
// that starts there, or the line holding it if its new part changed its rule
// from ruleBefore, is picked by an alert rule.
void alertOnNewText(uint32_t from, int ruleBefore);
// After the pane's text was replaced: alerts when one of the lines whose bit
// is set, counted from the first, is picked by an alert rule.
void alertOnLinesMarked(const uint32_t* newLines, uint32_t lineCount);
// A repeat was counted on the row holding text[at]: it alerts as the line
// it repeats would, once more after an acknowledgement.
void alertOnRepeat(uint32_t at);
// The rule that picks the pane's last line, before an append continues it.
int lastLineRule();
// The rule of the entry holding text[from - 1] as read up to `from`: what
// its rule was before the rest of it arrived.
int ruleOfEntryUpTo(const WCHAR* text, uint32_t from);

void acknowledgeAlert();
// The frame's colour while an alert waits; false while none does.
bool alertColour(COLORREF* colour);
