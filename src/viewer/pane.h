// The text pane: a subclassed multi-line EDIT control inset edgeSize pixels
// into the viewer window.
#pragma once

#include <windows.h>

void createTextPane(HWND viewer);
// Both keep a view that ends on the last line there.
void layoutTextPane(HWND viewer);
void setPaneFont(HFONT font, bool redraw);
void updatePaneScrollBars();
// True when the text carried across was cut to what the buffer holds.
bool recreateTextPane();
// Makes a new pane when its wrap mode is not the one wordWrap says; true
// when the pane's text was cut on the way.
bool applyWrapMode();

// The pane's distance from each side of the viewer's client area: a
// negative edge counts as none.
int paneInset(int edgeSize);

LRESULT CALLBACK textPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

DWORD paneStyle(bool wordWrap);

// Lines a wheel message scrolls the pane by: towards the start of the text
// when the wheel turns away from the user.
int wheelScrollLines(WPARAM wParam);
