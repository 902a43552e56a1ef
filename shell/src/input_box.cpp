#include "input_box.h"

#include <cstdio>
#include <vector>

enum { IdPrompt = 100, IdInput = 101 };

bool parseWholeNumber(const char* text, int minimum, int maximum, int* value) {
    while (*text == ' ') ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (*text < '0' || *text > '9') return false;
    long long number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        number = number * 10 + (*text - '0');
        if (number > 4294967296LL) return false;
    }
    while (*text == ' ') ++text;
    if (*text != 0) return false;
    if (negative) number = -number;
    if (number < minimum || number > maximum) return false;
    *value = (int)number;
    return true;
}

struct BoxRequest {
    const char* title;
    bool numeric;
    int minimum;
    int maximum;
    std::string text;
    int number;
};

// --- the dialog template, built in memory --------------------------------

static void addWord(std::vector<WORD>* words, WORD word) { words->push_back(word); }

static void addText(std::vector<WORD>* words, const char* text) {
    for (; *text; ++text) words->push_back((WORD)(unsigned char)*text);
    words->push_back(0);
}

static void alignToDword(std::vector<WORD>* words) {
    if (words->size() % 2) words->push_back(0);
}

static void addDword(std::vector<WORD>* words, DWORD value) {
    addWord(words, LOWORD(value));
    addWord(words, HIWORD(value));
}

static void addControl(std::vector<WORD>* words, DWORD style, short x, short y, short cx, short cy,
                       WORD id, WORD classAtom, const char* text) {
    alignToDword(words);
    addDword(words, style | WS_CHILD | WS_VISIBLE);
    addDword(words, 0);
    addWord(words, x);
    addWord(words, y);
    addWord(words, cx);
    addWord(words, cy);
    addWord(words, id);
    addWord(words, 0xFFFF);
    addWord(words, classAtom);
    addText(words, text);
    addWord(words, 0);
}

static std::vector<WORD> boxTemplate(const char* title) {
    std::vector<WORD> words;
    addDword(&words, DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    addDword(&words, WS_EX_TOPMOST);
    addWord(&words, 4);
    addWord(&words, 0);
    addWord(&words, 0);
    addWord(&words, 180);
    addWord(&words, 62);
    addWord(&words, 0);
    addWord(&words, 0);
    addText(&words, title);
    addWord(&words, 8);
    addText(&words, "MS Shell Dlg");
    addControl(&words, SS_LEFT, 7, 7, 166, 10, IdPrompt, 0x0082, "");
    addControl(&words, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 20, 166, 14, IdInput, 0x0081, "");
    addControl(&words, BS_DEFPUSHBUTTON | WS_TABSTOP, 68, 41, 50, 14, IDOK, 0x0080, "OK");
    addControl(&words, BS_PUSHBUTTON | WS_TABSTOP, 123, 41, 50, 14, IDCANCEL, 0x0080, "Cancel");
    return words;
}

// --- the dialog procedure -------------------------------------------------

static void showPrompt(HWND box, const BoxRequest& request, bool refused) {
    char prompt[128];
    if (request.numeric) {
        snprintf(prompt, sizeof prompt, "%sA whole number from %d to %d:",
                 refused ? "Not accepted. " : "", request.minimum, request.maximum);
    } else {
        snprintf(prompt, sizeof prompt, "Text:");
    }
    SetDlgItemTextA(box, IdPrompt, prompt);
}

static void onInit(HWND box, BoxRequest* request) {
    SetWindowLongPtrA(box, DWLP_USER, (LONG_PTR)request);
    showPrompt(box, *request, false);
    SetDlgItemTextA(box, IdInput, request->text.c_str());
    SendDlgItemMessageA(box, IdInput, EM_SETSEL, 0, -1);
    SetForegroundWindow(box);
}

static void onOk(HWND box, BoxRequest* request) {
    char text[1024];
    GetDlgItemTextA(box, IdInput, text, sizeof text);
    if (request->numeric &&
        !parseWholeNumber(text, request->minimum, request->maximum, &request->number)) {
        showPrompt(box, *request, true);
        MessageBeep(MB_ICONEXCLAMATION);
        SetFocus(GetDlgItem(box, IdInput));
        return;
    }
    request->text = text;
    EndDialog(box, IDOK);
}

static INT_PTR CALLBACK boxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    BoxRequest* request = (BoxRequest*)GetWindowLongPtrA(box, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG: onInit(box, (BoxRequest*)lParam); return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) onOk(box, request);
        if (LOWORD(wParam) == IDCANCEL) EndDialog(box, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

static bool runBox(HWND owner, BoxRequest* request) {
    std::vector<WORD> words = boxTemplate(request->title ? request->title : "");
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(NULL), (LPCDLGTEMPLATEA)words.data(),
                                             owner, boxProc, (LPARAM)request);
    return result == IDOK;
}

bool askNumber(HWND owner, const char* title, int minimum, int maximum, int* value) {
    BoxRequest request = {title, true, minimum, maximum, std::to_string(*value), *value};
    if (!runBox(owner, &request)) return false;
    *value = request.number;
    return true;
}

bool askText(HWND owner, const char* title, std::string* text) {
    BoxRequest request = {title, false, 0, 0, *text, 0};
    if (!runBox(owner, &request)) return false;
    *text = request.text;
    return true;
}
