#include "tail/notices.h"

#include "settings/state.h"
#include "tail/tail.h"
#include "text/notice_layout.h"
#include "viewer/pane_view.h"

Notice startNotice() {
    Notice notice = {state.noticeText, 0};
    notice.text[0] = 0;
    return notice;
}

void add(Notice& notice, const WCHAR* part) {
    while (*part && notice.length < NoticeCapacity - 1) notice.text[notice.length++] = *part++;
    notice.text[notice.length] = 0;
}

void addSystemReason(Notice& notice, DWORD error) {
    WCHAR reason[256];
    reason[0] = 0;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   reason, 256, NULL);
    int length = 0;
    for (; reason[length] != 0; ++length) {
        if (reason[length] == '\r' || reason[length] == '\n') reason[length] = ' ';
    }
    while (length > 0 && reason[length - 1] == ' ') reason[--length] = 0;
    add(notice, length ? reason : L"unknown error");
}

// ---- Laying the notice out in the pane's width -----------------------------------

struct PaneMeasure {
    HDC dc;
    int width;
};

static uint32_t fitInPane(void* context, const WideChar* text, uint32_t length) {
    const PaneMeasure& measure = *(const PaneMeasure*)context;
    int fit = 0;
    SIZE size;
    if (!GetTextExtentExPointW(measure.dc, text, (int)length, measure.width, &fit, NULL, &size)) {
        return length;
    }
    return (uint32_t)fit;
}

// Into the front of the decoding buffer, which a notice is shown in place of.
static int layOutInPane() {
    RECT format = {0, 0, 0, 0};
    sendToPane(EM_GETRECT, 0, (LPARAM)&format);
    PaneMeasure measure = {GetDC(state.paneWnd), format.right - format.left};
    HGDIOBJ kept = SelectObject(measure.dc, state.paneFont);
    TextFit fit = {&measure, fitInPane};
    int length = (int)layOutNotice(state.noticeText, fit, state.displayText, NoticeLinesCapacity);
    SelectObject(measure.dc, kept);
    ReleaseDC(state.paneWnd, measure.dc);
    return length;
}

static bool paneShows(const WCHAR* text, int length) {
    return GetWindowTextLengthW(state.paneWnd) == length && paneTextEndsWith(text, length);
}

// The notice as just laid out, unless the pane shows it already.
static void showLaidOut(int length) {
    lstrcpynW(state.noticeLines, state.displayText, NoticeLinesCapacity);
    if (paneShows(state.noticeLines, length)) return;
    state.shownTail.bytes.valid = false;
    SetWindowTextW(state.paneWnd, state.noticeLines);
}

void showNotice(const Notice&) { showLaidOut(layOutInPane()); }

// Only while the pane shows the notice as last laid out, untouched.
void refitNotice() {
    if (!state.noticeLines[0] || !paneShows(state.noticeLines, lstrlenW(state.noticeLines))) return;
    showLaidOut(layOutInPane());
}

// ---- The notices ---------------------------------------------------------------------

void showFailure(const WCHAR* failure, DWORD error, const WCHAR* path) {
    Notice notice = startNotice();
    add(notice, failure);
    addSystemReason(notice, error);
    add(notice, L"\n");
    add(notice, path);
    showNotice(notice);
}

void showPathNotice(const WCHAR* reason) {
    Notice notice = startNotice();
    add(notice, reason);
    add(notice, L"\n");
    add(notice, state.resolvedPath);
    showNotice(notice);
}

void showNotAnswering() { showPathNotice(L"Waiting for the file, which is not answering:"); }

void showScanning() { showPathNotice(L"Looking for the lines that pass the filter in:"); }

void showWildcardInFolder() {
    showPathNotice(L"* and ? may stand only in the file name, not in the folder:");
}

void showNothingChosen() {
    state.resolvedPath[0] = 0;
    forgetWatchedFile();
    Notice notice = startNotice();
    add(notice, L"No file chosen. Right-click the frame: Peruser Configuration > File Path");
    showNotice(notice);
}
