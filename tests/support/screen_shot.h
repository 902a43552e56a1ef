// What the screen shows of a window, read back from the screen under Xvfb:
// what a window procedure draws over a control's own paint shows there, and
// only there.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

struct Shot {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// The window's client area, or the whole window.
Shot shootClient(HWND window);
Shot shootWindow(HWND window);

const COLORREF White = RGB(255, 255, 255);

// Where the pane's control puts the row of a line, edge to edge.
RECT rowOfLine(int line);
// Every pixel of the rectangle is the background, the ink, or a mix of the
// two; some are nearly the ink itself.
::testing::AssertionResult inkIs(const Shot& shot, const RECT& row, COLORREF ink,
                                 COLORREF back = White);
