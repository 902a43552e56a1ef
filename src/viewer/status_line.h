// The status line: one row of the pane's font at the bottom of the window,
// inside the frame, under the pane. It is a "Static" child window holding
// its text (text/status_text.h), so that screen readers read it as text.
// It is composed again at every reload tick and reader's answer, measured
// and fitted to its width only when that text or the width changed, and
// given to the window only when what it shows changed: no timer of its own. A click on it
// goes back to the end of the pane, as Ctrl+End does.
//
// Lines that arrive below the view while the reader is scrolled up or holds
// a selection are counted from the readers' answers (each counts the lines
// beyond what was seen of its file, but only while the view is away from
// the end); the count ends once the view follows the end again.
#pragma once

#include <windows.h>
#include <stdint.h>

void createStatusLine(HWND viewer);
// The time now, as the status line counts it (text/status_text.h).
uint32_t statusTimeNow();
// The height it takes from the pane's area: a row, or none while it is off
// (and the activity strip with it, text/activity.h).
int statusLineHeight(int paneArea);
// Places the row: the activity strip at its right end, the text in the rest.
void placeStatusRow(int left, int top, int width, int height);
// Shown or hidden as the settings say (the status line, the activity
// strip), with the pane laid out again.
void applyStatusLine();
// Composes and fits the status anew: after a new font.
void refitStatus();
// Composes the status and shows it where it changed; a source that turned
// quiet, or grew again, repaints the frame.
void updateStatus();
// An answer's new lines, counted while the view is away from the end; more
// when the growth was too large to count them all.
void countLinesBelow(uint32_t lines, bool more);
// After the user may have moved the view: the count ends at the end.
void noteViewMoved();
// WM_COMMAND from one of the viewer window's children.
void onChildCommand(WPARAM wParam, LPARAM lParam);
