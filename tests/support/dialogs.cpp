#include "support/dialogs.h"

static HHOOK hook;
static std::function<int(HWND)> answerer;
static std::vector<SeenDialog> seenDialogs;

static std::string windowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND dialog = (HWND)wParam;
        char className[64] = "";
        GetClassNameA(dialog, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0 && !GetPropA(dialog, "answered")) {
            SetPropA(dialog, "answered", (HANDLE)1);
            SeenDialog seen;
            seen.caption = windowText(dialog);
            seen.text = windowText(GetDlgItem(dialog, 0xFFFF));
            seen.owner = GetWindow(dialog, GW_OWNER);
            seenDialogs.push_back(seen);
            // The dialog is initialised by now; the press is handled by its own loop.
            int button = answerer ? answerer(dialog) : IDCANCEL;
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         (LPARAM)GetDlgItem(dialog, button));
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

DialogAnswerer::DialogAnswerer(std::function<int(HWND)> answer) {
    answerer = answer;
    seenDialogs.clear();
    hook = SetWindowsHookExA(WH_CBT, cbtProc, NULL, GetCurrentThreadId());
}

DialogAnswerer::~DialogAnswerer() {
    UnhookWindowsHookEx(hook);
    hook = NULL;
    answerer = nullptr;
}

const std::vector<SeenDialog>& DialogAnswerer::seen() const { return seenDialogs; }

std::function<int(HWND)> pressButton(int id) {
    return [id](HWND) { return id; };
}
