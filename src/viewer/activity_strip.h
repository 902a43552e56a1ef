// The activity strip: the last hour as a picture at the status line's right
// end (or in a row of its own while the status line is off), one bar a
// minute, the oldest left, as tall as the lines the window showed arriving
// in that minute on a square-root scale of the busiest minute in view, in
// the colour of the first colour rule that picked a line in it (else the
// text's colour). The counting is text/activity.h's.
//
// Lines are counted as the alert sees them arrive (viewer/alert.h), all
// sources together, while the strip is shown or not, so that it shows the
// hour when switched on; until the first arrives after the start, each pane
// built whole counts its lines anew by the times they begin with, in the
// hour up to now. The strip is drawn as part of the window's background,
// only when a bar changed: at an arrival, and at the first reload tick or
// answer of a new minute. No timer of its own. Over it, the pointer shows
// the minute's counts in a tip ("10:42  37 lines, 3 ERROR").
#pragma once

#include <windows.h>
#include <stdint.h>

// At the window's creation: nothing counted, nothing shown.
void startActivity();
// Shown or hidden as the setting says.
void applyActivity();
// Where the strip goes in the row; returns the width it takes (0 while off).
int placeActivityStrip(int left, int top, int width, int height);
// The bars for the minute now: the strip drawn again where one changed.
void updateActivity();

// Lines that entered the pane new: lines [first, end) of the pane's marks,
// or those whose bit is set among the first lineCount.
void noteLinesArrived(uint32_t first, uint32_t end);
void noteMarkedLinesArrived(const uint32_t* newLines, uint32_t lineCount);
// After the pane was given a whole new text to show as new.
void notePaneShownAnew();

// Part of the window's background paint; the strip covers its area whole,
// so that a paint of no more than that area needs nothing else.
void paintActivityStrip(HDC dc);
bool activityStripCovers(const RECT& area);
// The pointer over the frame, in screen coordinates: the tip for the bar
// under it, or none; and the pointer gone.
void onPointerOverFrame(LPARAM screenPoint);
void hideActivityTip();
// The tip's window, while one was made.
HWND activityTipWindow();
