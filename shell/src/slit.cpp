#include "slit.h"

#include <algorithm>
#include <vector>

#include "host/host.h"
#include "styles.h"
#include "trace.h"

static const char SlitClass[] = "QuorvaneSlit";
static HWND slit;
static std::vector<HWND> docked;

static void stackDocked() {
    docked.erase(std::remove_if(docked.begin(), docked.end(),
                                [](HWND window) { return !IsWindow(window); }),
                 docked.end());
    int width = 0;
    int height = 0;
    for (HWND window : docked) {
        RECT rect;
        GetWindowRect(window, &rect);
        SetWindowPos(window, NULL, 0, height, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        width = std::max(width, (int)(rect.right - rect.left));
        height += rect.bottom - rect.top;
    }
    RECT screen;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    int top = screen.top + (screen.bottom - screen.top - height) / 2;
    SetWindowPos(slit, HWND_TOPMOST, screen.right - width, top, width, height,
                 SWP_NOACTIVATE | (docked.empty() ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
}

static void takeIn(HWND window) {
    if (!IsWindow(window)) return;
    if (std::find(docked.begin(), docked.end(), window) == docked.end()) docked.push_back(window);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
    SetParent(window, slit);
    stackDocked();
}

static void giveBack(HWND window) {
    docked.erase(std::remove(docked.begin(), docked.end(), window), docked.end());
    if (IsWindow(window)) {
        SetParent(window, NULL);
        LONG style = GetWindowLongA(window, GWL_STYLE);
        SetWindowLongA(window, GWL_STYLE, (style & ~WS_CHILD) | WS_POPUP);
    }
    stackDocked();
}

static void paintSlit(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    paintStyle(dc, client, *styleRecord(1), true);
    EndPaint(window, &paint);
}

static LRESULT CALLBACK slitProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case SlitMsgAdd: trace("slit received SlitMsgAdd %p", (void*)lParam); takeIn((HWND)lParam); return 0;
    case SlitMsgRemove: trace("slit received SlitMsgRemove %p", (void*)lParam); giveBack((HWND)lParam); return 0;
    case SlitMsgUpdate: trace("slit received SlitMsgUpdate"); stackDocked(); return 0;
    case WM_PAINT: paintSlit(window); return 0;
    case WM_CLOSE: return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createSlit(HINSTANCE instance) {
    WNDCLASSA slitClass = {};
    slitClass.lpfnWndProc = slitProc;
    slitClass.hInstance = instance;
    slitClass.lpszClassName = SlitClass;
    slitClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    RegisterClassA(&slitClass);
    slit = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, SlitClass, "Slit",
                           WS_POPUP | WS_CLIPCHILDREN, 0, 0, 1, 1, NULL, NULL, instance, NULL);
    return slit;
}

void destroySlit() {
    if (slit) DestroyWindow(slit);
    slit = NULL;
    docked.clear();
}

HWND slitWindow() { return slit; }
