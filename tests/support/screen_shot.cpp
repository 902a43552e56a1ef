#include "support/screen_shot.h"

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
