#include "tail/notices.h"

#include "settings/state.h"
#include "tail/sources_pane.h"
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

uint32_t writeSystemReason(DWORD error, WCHAR* out, uint32_t capacity) {
    out[0] = 0;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   out, capacity, NULL);
    uint32_t length = 0;
    for (; out[length] != 0; ++length) {
        if (out[length] == '\r' || out[length] == '\n') out[length] = ' ';
    }
    while (length > 0 && out[length - 1] == ' ') out[--length] = 0;
    return length;
}

void addSystemReason(Notice& notice, DWORD error) {
    WCHAR reason[256];
    add(notice, writeSystemReason(error, reason, 256) ? reason : L"unknown error");
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
    SetWindowTextW(state.paneWnd, state.noticeLines);
}

void showNotice(Source& source, const Notice& notice) {
    source.shownTail.bytes.valid = false;
    if (severalSources()) {
        showSourceNotice(source, notice.text);
    } else {
        showLaidOut(layOutInPane());
    }
}

// Only while the pane shows the notice as last laid out, untouched.
void refitNotice() {
    if (severalSources()) return;
    if (!state.noticeLines[0] || !paneShows(state.noticeLines, lstrlenW(state.noticeLines))) return;
    showLaidOut(layOutInPane());
}

// ---- The notices ---------------------------------------------------------------------

void showFailure(Source& source, const WCHAR* failure, DWORD error, const WCHAR* path) {
    Notice notice = startNotice();
    add(notice, failure);
    addSystemReason(notice, error);
    add(notice, L"\n");
    add(notice, path);
    showNotice(source, notice);
}

void showPathNotice(Source& source, const WCHAR* reason) {
    Notice notice = startNotice();
    add(notice, reason);
    add(notice, L"\n");
    add(notice, source.resolvedPath);
    showNotice(source, notice);
}

void showNotAnswering(Source& source) {
    showPathNotice(source, L"Waiting for the file, which is not answering:");
}

void showScanning(Source& source) {
    showPathNotice(source, L"Looking for the lines that pass the filter in:");
}

void showWildcardInFolder(Source& source) {
    showPathNotice(source, L"* and ? may stand only in the file name, not in the folder:");
}

// No source at all: the first's notice, in the pane.
void showNothingChosen() {
    Source& first = state.sources[0];
    first.resolvedPath[0] = 0;
    forgetWatchedFile(first);
    Notice notice = startNotice();
    add(notice, L"No file chosen. Right-click the frame: Peruser Configuration > File Path");
    showLaidOut(layOutInPane());
}
