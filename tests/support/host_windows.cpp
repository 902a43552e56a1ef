#include "support/host_windows.h"

#include <cstdio>

#include "host/host.h"
#include "support/fake_host.h"

std::string handleText(HWND window) {
    char text[32];
    snprintf(text, sizeof text, "%p", (void*)window);
    return text;
}

static std::string messageList(LPARAM lParam) {
    std::string list;
    const UINT* numbers = (const UINT*)lParam;
    for (int i = 0; numbers && i < 8; ++i) {
        list += (i ? "," : "") + std::to_string(numbers[i]);
        if (numbers[i] == 0) break;
    }
    return list;
}

static LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case HostMsgRegister:
    case HostMsgUnregister:
        fake::calls.push_back("host:" + std::to_string(message) + "(" +
                              handleText((HWND)wParam) + "," + messageList(lParam) + ")");
        return 0;
    case HostMsgMenusAway:
        fake::calls.push_back("host:10302(" + std::to_string(wParam) + "," +
                              std::to_string(lParam) + ")");
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static LRESULT CALLBACK slitProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= SlitMsgAdd && message <= SlitMsgUpdate) {
        fake::calls.push_back("slit:" + std::to_string(message) + "(" + std::to_string(wParam) +
                              "," + handleText((HWND)lParam) + ")");
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND createRecorder(const char* className, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, className, WS_POPUP, 0, 0, 10, 10, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

HWND createHostWindow() { return createRecorder("FakeQuorvane", hostProc); }
HWND createSlitWindow() { return createRecorder("FakeSlit", slitProc); }

void pumpMessages(int milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        int left = (int)(end - GetTickCount());
        if (left <= 0) break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, left, QS_ALLINPUT);
    }
}
