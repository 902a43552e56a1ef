// A stand-in for a full-screen program (a video, a game), run by the tests
// as a process of its own. Its window starts at the rectangle given on the
// command line ("X Y WIDTH HEIGHT") and takes the foreground; WM_APP makes it
// cover the primary monitor, as a video player's full-screen key does, and
// WM_CLOSE ends it. It raises the window events that Windows raises for
// these changes and Wine 8 does not: the new foreground, the move and the end.
#include <windows.h>

#include <stdlib.h>

static void raise(DWORD event, HWND window) {
    NotifyWinEvent(event, window, OBJID_WINDOW, CHILDID_SELF);
}

static LRESULT CALLBACK programProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_APP:
        SetWindowPos(window, NULL, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                     GetSystemMetrics(SM_CYSCREEN), SWP_NOZORDER);
        raise(EVENT_OBJECT_LOCATIONCHANGE, window);
        return 0;
    case WM_DESTROY:
        raise(EVENT_OBJECT_DESTROY, window);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    WNDCLASSA programClass = {};
    programClass.lpfnWndProc = programProc;
    programClass.hInstance = GetModuleHandleA(NULL);
    programClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    programClass.lpszClassName = "FullScreenProgram";
    RegisterClassA(&programClass);
    HWND window = CreateWindowExA(0, "FullScreenProgram", "full screen program",
                                  WS_POPUP | WS_VISIBLE, atoi(argv[1]), atoi(argv[2]),
                                  atoi(argv[3]), atoi(argv[4]), NULL, NULL, NULL, NULL);
    SetForegroundWindow(window);
    raise(EVENT_SYSTEM_FOREGROUND, window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
