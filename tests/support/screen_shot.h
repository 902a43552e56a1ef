// What the screen shows of a window, read back from the screen under Xvfb:
// what a window procedure draws over a control's own paint shows there, and
// only there.
#pragma once

#include <windows.h>

#include <vector>

struct Shot {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// The window's client area, or the whole window.
Shot shootClient(HWND window);
Shot shootWindow(HWND window);
