// The alert: a new line that an alert rule picks paints the window's frame
// in that rule's colour until someone acknowledges it (a left click on the
// window or the pane, a key in the pane, or the Acknowledge command). Only
// text that arrives while the file is watched alerts: lines a writer
// appends, and the lines of a file that replaced the watched one. A window
// slid off at a screen edge comes back for an alert and stays until it is
// acknowledged; with alertSound on, the system's exclamation sounds at most
// once per alertQuiet seconds. Nothing runs while nothing alerts: no timer,
// no repaint.
#pragma once

#include <windows.h>
#include <stdint.h>

// After new text entered the pane from index `from` on: alerts when a line
// that starts there, or the line holding it if an append changed its rule
// from ruleBefore, is picked by an alert rule.
void alertOnNewText(uint32_t from, int ruleBefore);
// The rule that picks the pane's last line, before an append continues it.
int lastLineRule();

void acknowledgeAlert();
// The frame's colour while an alert waits; false while none does.
bool alertColour(COLORREF* colour);
