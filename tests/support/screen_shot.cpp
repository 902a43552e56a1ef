#include "support/screen_shot.h"

#include <cmath>
#include <cstdlib>

#include "settings/state.h"

// Wine draws windows into surfaces of its own and copies them to the screen
// when the thread waits: a wait of no time, dispatching nothing, copies them first.
static Shot shootScreen(HWND window, int x, int y, int width, int height) {
    UpdateWindow(window);
    GdiFlush();
    MsgWaitForMultipleObjects(0, NULL, FALSE, 0, QS_ALLINPUT);
    Shot shot;
    shot.width = width;
    shot.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ kept = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
    GdiFlush();
    const DWORD* row = (const DWORD*)bits;
    for (int i = 0; i < width * height; ++i) {
        DWORD bgr = row[i];
        shot.pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    SelectObject(memory, kept);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return shot;
}

Shot shootClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return shootScreen(window, origin.x, origin.y, client.right, client.bottom);
}

Shot shootWindow(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return shootScreen(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// A pixel between ink and background, as a smoothed glyph's edge: how much
// ink it holds, or -1 when it is no mix of the two.
static double inkShare(COLORREF pixel, COLORREF ink, COLORREF back) {
    int channels[3][3] = {{GetRValue(pixel), GetRValue(ink), GetRValue(back)},
                          {GetGValue(pixel), GetGValue(ink), GetGValue(back)},
                          {GetBValue(pixel), GetBValue(ink), GetBValue(back)}};
    int widest = 0;
    for (int c = 1; c < 3; ++c) {
        if (abs(channels[c][1] - channels[c][2]) > abs(channels[widest][1] - channels[widest][2]))
            widest = c;
    }
    double share = double(channels[widest][0] - channels[widest][2]) /
                   (channels[widest][1] - channels[widest][2]);
    for (auto& channel : channels) {
        double expected = channel[2] + share * (channel[1] - channel[2]);
        if (fabs(expected - channel[0]) > 24) return -1;
    }
    return share;
}

// Where the control puts the row holding a character.
static RECT rowOf(int index) {
    LRESULT at = SendMessageW(state.paneWnd, EM_POSFROMCHAR, index, 0);
    RECT client;
    GetClientRect(state.paneWnd, &client);
    int top = (short)HIWORD(at);
    return {0, top, client.right, top + state.paneLineHeight};
}

RECT rowOfLine(int line) { return rowOf((int)SendMessageW(state.paneWnd, EM_LINEINDEX, line, 0)); }

// Every pixel of the row, from edge to edge, is the background, the ink, or
// a mix of the two; some are nearly the ink itself.
::testing::AssertionResult inkIs(const Shot& shot, const RECT& row, COLORREF ink, COLORREF back) {
    int solid = 0;
    for (int y = row.top; y < row.bottom; ++y) {
        for (int x = row.left; x < row.right; ++x) {
            COLORREF pixel = shot.at(x, y);
            if (pixel == back) continue;
            double share = inkShare(pixel, ink, back);
            if (share < 0) {
                return ::testing::AssertionFailure() << "pixel " << std::hex << pixel << " at "
                                                     << std::dec << x << "," << y;
            }
            if (share > 0.75) ++solid;
        }
    }
    if (solid < 10) return ::testing::AssertionFailure() << solid << " glyph pixels";
    return ::testing::AssertionSuccess();
}

