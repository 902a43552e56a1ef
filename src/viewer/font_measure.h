// The pane's font measuring text against a width, as the text code asks it
// (text/notice_layout.h's TextFit): for a notice laid out in the pane, and
// for the status line fitted to its row.
#pragma once

#include <windows.h>

#include "text/notice_layout.h"

struct FontMeasure {
    HWND window;
    HDC dc;
    HGDIOBJ kept;
    int width;
    TextFit fit;
};

// Measures in the window's device context, with the pane's font; end it with endFontMeasure.
void startFontMeasure(FontMeasure* measure, HWND window, int width);
void endFontMeasure(FontMeasure* measure);
