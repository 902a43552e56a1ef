#include "viewer/pane_notice.h"

#include "settings/state.h"
#include "text/notice_layout.h"
#include "viewer/pane_view.h"

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
    return paneTextLength() == length && paneTextEndsWith(text, length);
}

// The notice as just laid out, unless the pane shows it already.
static void showLaidOut(int length) {
    lstrcpynW(state.noticeLines, state.displayText, NoticeLinesCapacity);
    if (paneShows(state.noticeLines, length)) return;
    SetWindowTextW(state.paneWnd, state.noticeLines);
}

void showPaneNotice(const WCHAR* notice) {
    if (notice != state.noticeText) lstrcpynW(state.noticeText, notice, NoticeCapacity);
    showLaidOut(layOutInPane());
}

// Only while the pane shows the notice as last laid out, untouched.
void refitNotice() {
    if (!state.noticeLines[0] || !paneShows(state.noticeLines, lstrlenW(state.noticeLines))) return;
    showLaidOut(layOutInPane());
}
