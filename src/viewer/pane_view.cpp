// The pane's view across a change of its text, size or font.
//
// The view follows the end of the text while it shows the last line and the
// reader holds no selection: the last line of text stands at the bottom of
// the pane. Otherwise the text at the top of the view and the selection stay
// where they are, found again through where the old text's end lies in the
// new one; text that fell off the front leaves the view at the first line.
#include "viewer/pane_view.h"

#include "settings/state.h"
#include "viewer/view_lines.h"

static LRESULT sendToPane(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(state.paneWnd, message, wParam, lParam);
}

static int lastPaneTextLine() {
    int lineCount = (int)sendToPane(EM_GETLINECOUNT, 0, 0);
    LRESULT lastLineStart = sendToPane(EM_LINEINDEX, lineCount - 1, 0);
    return lastTextLine(lineCount, sendToPane(EM_LINELENGTH, lastLineStart, 0) == 0);
}

// The control lays its lines out at the height of its font.
static int visibleLineCount() {
    RECT format;
    sendToPane(EM_GETRECT, 0, (LPARAM)&format);
    HDC dc = GetDC(state.paneWnd);
    HFONT font = (HFONT)sendToPane(WM_GETFONT, 0, 0);
    HGDIOBJ kept = font ? SelectObject(dc, font) : NULL;
    TEXTMETRICW metrics;
    bool measured = GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0;
    if (kept) SelectObject(dc, kept);
    ReleaseDC(state.paneWnd, dc);
    return (format.bottom - format.top) / (measured ? metrics.tmHeight : 1);
}

static int firstVisibleLine() { return (int)sendToPane(EM_GETFIRSTVISIBLELINE, 0, 0); }

static void scrollToLine(int line) { sendToPane(EM_LINESCROLL, 0, line - firstVisibleLine()); }

bool paneShowsLastLine() {
    if (!state.paneWnd) return false;
    return viewReachesLine(firstVisibleLine(), visibleLineCount(), lastPaneTextLine());
}

void scrollPaneToLastLine() {
    scrollToLine(firstLineEndingOn(lastPaneTextLine(), visibleLineCount()));
}

struct PaneView {
    int length;
    int firstChar;  // of the first visible line
    DWORD selectionStart;
    DWORD selectionEnd;
    bool edited;
    bool atEnd;  // shows the last line and holds no selection
};

static PaneView readPaneView() {
    PaneView view;
    int first = firstVisibleLine();
    view.length = GetWindowTextLengthW(state.paneWnd);
    view.firstChar = (int)sendToPane(EM_LINEINDEX, first, 0);
    sendToPane(EM_GETSEL, (WPARAM)&view.selectionStart, (LPARAM)&view.selectionEnd);
    view.edited = sendToPane(EM_GETMODIFY, 0, 0) != 0;
    view.atEnd = view.selectionStart == view.selectionEnd && paneShowsLastLine();
    return view;
}

void showPaneEnd() {
    int length = GetWindowTextLengthW(state.paneWnd);
    sendToPane(EM_SETSEL, length, length);
    scrollPaneToLastLine();
}

static int notBefore(int index, int start) { return index > start ? index : start; }

static void restorePlace(const PaneView& before, int oldEndAt) {
    int top = movedIndex(before.firstChar, before.length, oldEndAt);
    int start = movedIndex((int)before.selectionStart, before.length, oldEndAt);
    int end = movedIndex((int)before.selectionEnd, before.length, oldEndAt);
    sendToPane(EM_SETSEL, notBefore(start, 0), notBefore(end, 0));
    scrollToLine(top < 0 ? 0 : (int)sendToPane(EM_LINEFROMCHAR, top, 0));
}

static void placeView(const PaneView& before, bool forced, int oldEndAt) {
    if (forced || before.atEnd) {
        showPaneEnd();
    } else if (oldEndAt != NoPlace && !before.edited) {
        restorePlace(before, oldEndAt);
    }
}

// The text is drawn once, at its final place, never first at its start.
static void freezePane() { sendToPane(WM_SETREDRAW, FALSE, 0); }

static void thawPane() {
    sendToPane(WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state.paneWnd, NULL, TRUE);
}

void replacePaneText(const WCHAR* text, bool forced, int oldEndAt) {
    PaneView before = readPaneView();
    freezePane();
    SetWindowTextW(state.paneWnd, text);
    placeView(before, forced, oldEndAt);
    thawPane();
}

// Replacing the empty selection at the end lays out only the new lines. The
// control counts it as the user's edit, which it is not.
void appendPaneText(const WCHAR* text) {
    PaneView before = readPaneView();
    freezePane();
    sendToPane(EM_SETSEL, before.length, before.length);
    sendToPane(EM_REPLACESEL, FALSE, (LPARAM)text);
    sendToPane(EM_SETMODIFY, FALSE, 0);
    placeView(before, false, before.length);
    thawPane();
}

bool paneTextEdited() { return sendToPane(EM_GETMODIFY, 0, 0) != 0; }
