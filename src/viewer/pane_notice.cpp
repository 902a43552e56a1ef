#include "viewer/pane_notice.h"

#include "settings/state.h"
#include "text/notice_layout.h"
#include "viewer/font_measure.h"
#include "viewer/pane_colours.h"
#include "viewer/pane_view.h"

// Into the notice's lines, fitted to the pane's width.
static int layOutInPane() {
    RECT format = {0, 0, 0, 0};
    sendToPane(EM_GETRECT, 0, (LPARAM)&format);
    FontMeasure measure;
    startFontMeasure(&measure, state.paneWnd, format.right - format.left);
    int length = (int)layOutNotice(state.noticeText, measure.fit, state.noticeLines, NoticeLinesCapacity);
    endFontMeasure(&measure);
    return length;
}

static bool paneShows(const WCHAR* text, int length) {
    return paneTextLength() == length && paneTextEndsWith(text, length);
}

// The notice as just laid out, unless the pane shows it already.
static void showLaidOut(int length) {
    if (paneShows(state.noticeLines, length)) return;
    usePaneLookBack(NULL, 0);
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
