// The text pane: a subclassed multi-line EDIT control inset edgeSize pixels
// into the viewer window.
#pragma once

#include <windows.h>

void createTextPane(HWND viewer);
void layoutTextPane(HWND viewer);
void updatePaneScrollBars();
void recreateTextPane();
LRESULT CALLBACK textPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

DWORD paneStyle(bool wordWrap);

// Lines a wheel message scrolls the pane by: towards the start of the text
// when the wheel turns away from the user.
int wheelScrollLines(WPARAM wParam);
