// The text pane: a subclassed multi-line EDIT control inset edgeSize pixels
// into the viewer window.
#pragma once

#include <windows.h>

void createTextPane(HWND viewer);
void layoutTextPane(HWND viewer);
void updatePaneScrollBars();
void recreateTextPane();

// Says that the pane's old text is not found in the new one.
const int NoPlace = -1;
// Replaces the pane's text. The view ends on the last line when forced or
// when it showed the last line without a selection; otherwise the text at its
// top and the selection stay, moved by where the old text's end lies in the
// new one (oldEndAt), or the view starts at the first line.
void replacePaneText(const WCHAR* text, bool forced, int oldEndAt);
LRESULT CALLBACK textPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

DWORD paneStyle(bool wordWrap);

// Lines a wheel message scrolls the pane by: towards the start of the text
// when the wheel turns away from the user.
int wheelScrollLines(WPARAM wParam);
