// How the viewer looks: the pane's font and colours, the frame painted in a
// shell style, and the window's opacity.
#pragma once

#include <windows.h>

void applyStyle();
// Deletes the pane's font and brush, leaving both fields null.
void releaseFontAndBrush();
void paintBackground(HWND viewer);
void applyTransparency();
BOOL setLayeredAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags);

// The viewer's answer to the pane's WM_CTLCOLOREDIT.
HBRUSH colourPane(HDC paneDc);

// The opacity applied to a free-floating window: alpha held to 0..255
// while transparency is on, opaque otherwise.
BYTE windowOpacity(bool transparency, int alpha);
