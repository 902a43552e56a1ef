// The pane's view across a change of its text, size or font.
//
// The view follows the end of the text while it shows the last line and the
// reader holds no selection: the last line of text stands at the bottom of
// the pane. Otherwise the text at the top of the view and the selection stay
// where they are, found again through where the old text's end lies in the
// new one; text that fell off the front leaves the view at the first line.
#include "viewer/activity_strip.h"
#include "viewer/pane_view.h"

#include "viewer/pane_colours.h"

#include <string.h>

#include "settings/state.h"
#include "viewer/view_lines.h"

LRESULT sendToPane(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageW(state.paneWnd, message, wParam, lParam);
}

LRESULT passToControl(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(state.oldPaneProc, pane, message, wParam, lParam);
}

static int lastPaneTextLine() {
    int lineCount = (int)sendToPane(EM_GETLINECOUNT, 0, 0);
    LRESULT lastLineStart = sendToPane(EM_LINEINDEX, lineCount - 1, 0);
    return lastTextLine(lineCount, sendToPane(EM_LINELENGTH, lastLineStart, 0) == 0);
}

static RECT formatRect() {
    RECT format;
    sendToPane(EM_GETRECT, 0, (LPARAM)&format);
    return format;
}

// The control lays its lines out at the height of its font and scrolls
// sideways by its average character width. They are measured once for each
// font the pane is given, off any window's own device context.
void measurePaneFont(HFONT font) {
    TEXTMETRICW metrics;
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ kept = SelectObject(dc, font ? (HGDIOBJ)font : GetStockObject(SYSTEM_FONT));
    if (!GetTextMetricsW(dc, &metrics)) ZeroMemory(&metrics, sizeof metrics);
    SelectObject(dc, kept);
    DeleteDC(dc);
    state.paneLineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    state.paneCharWidth = metrics.tmAveCharWidth > 0 ? metrics.tmAveCharWidth : 1;
}

static int visibleLineCount() {
    RECT format = formatRect();
    int lineHeight = state.paneLineHeight > 0 ? state.paneLineHeight : 1;
    return (format.bottom - format.top) / lineHeight;
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
    int sideways;   // pixels scrolled to the right
    DWORD selectionStart;
    DWORD selectionEnd;
    bool edited;
    bool atEnd;  // shows the last line and holds no selection
};

static int horizontalOffset(const RECT& format);

static PaneView readPaneView() {
    PaneView view;
    int first = firstVisibleLine();
    view.length = GetWindowTextLengthW(state.paneWnd);
    view.firstChar = (int)sendToPane(EM_LINEINDEX, first, 0);
    view.sideways = horizontalOffset(formatRect());
    sendToPane(EM_GETSEL, (WPARAM)&view.selectionStart, (LPARAM)&view.selectionEnd);
    view.edited = sendToPane(EM_GETMODIFY, 0, 0) != 0;
    view.atEnd = view.selectionStart == view.selectionEnd && paneShowsLastLine();
    return view;
}

bool paneFollowsEnd() {
    DWORD start = 0, end = 0;
    sendToPane(EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    return start == end && paneShowsLastLine();
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

// The control scrolls sideways in steps of its average character width.
static int sidewaysSteps(int pixels) {
    int step = state.paneCharWidth > 0 ? state.paneCharWidth : 1;
    return pixels >= 0 ? (pixels + step / 2) / step : -((-pixels + step / 2) / step);
}

static void scrollSidewaysTo(int offset) {
    int steps = sidewaysSteps(offset - horizontalOffset(formatRect()));
    if (steps != 0) sendToPane(EM_LINESCROLL, steps, 0);
}

// New text, or text whose old place is unknown, shows from its end. The
// view keeps how far it was scrolled sideways unless the text is new.
static void placeView(const PaneView& before, bool forced, int oldEndAt) {
    if (forced || before.atEnd || oldEndAt == NoPlace || before.edited) {
        showPaneEnd();
    } else {
        restorePlace(before, oldEndAt);
    }
    if (!forced && !state.wordWrap) scrollSidewaysTo(before.sideways);
}

// The text is drawn once, at its final place, never first at its start.
static bool frozen;

bool paneTextChanging() { return frozen; }

static void freezePane() {
    frozen = true;
    sendToPane(WM_SETREDRAW, FALSE, 0);
}

static void thawPane() {
    frozen = false;
    sendToPane(WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state.paneWnd, NULL, TRUE);
}

void replacePaneText(const WCHAR* text, bool forced, int oldEndAt) {
    PaneView before = readPaneView();
    freezePane();
    state.longestPaneLine = longestLine(text, 0);
    SetWindowTextW(state.paneWnd, text);
    placeView(before, forced, oldEndAt);
    thawPane();
    if (forced) notePaneShownAnew();
}

int paneTopIndex() { return (int)sendToPane(EM_LINEINDEX, firstVisibleLine(), 0); }

int paneTextLength() { return GetWindowTextLengthW(state.paneWnd); }

void replacePaneTextAt(const WCHAR* text, bool forced, int topAt) {
    replacePaneText(text, forced, topAt == NoPlace ? NoPlace : topAt + (paneTextLength() - paneTopIndex()));
}

// Replacing the empty selection at the end lays out only the new lines. The
// control counts it as the user's edit, which it is not.
void appendPaneText(const WCHAR* text) {
    PaneView before = readPaneView();
    freezePane();
    int carried = (int)sendToPane(EM_LINELENGTH, before.length, 0);
    int longest = longestLine(text, carried);
    if (longest > state.longestPaneLine) state.longestPaneLine = longest;
    sendToPane(EM_SETSEL, before.length, before.length);
    sendToPane(EM_REPLACESEL, FALSE, (LPARAM)text);
    sendToPane(EM_SETMODIFY, FALSE, 0);
    placeView(before, false, before.length);
    thawPane();
}

bool replacePaneEnd(int from, const WCHAR* text, int oldSuffix, int newSuffix) {
    PaneView before = readPaneView();
    if (!before.atEnd) return false;
    freezePane();
    int longest = longestLine(text, (int)sendToPane(EM_LINELENGTH, from, 0));
    if (longest > state.longestPaneLine) state.longestPaneLine = longest;
    expectRowEndReplaced(oldSuffix, newSuffix);
    sendToPane(EM_SETSEL, from, before.length);
    sendToPane(EM_REPLACESEL, FALSE, (LPARAM)text);
    sendToPane(EM_SETMODIFY, FALSE, 0);
    // The caret ends on the empty place behind the last line end: the
    // control scrolled sideways only where the view was already.
    showPaneEnd();
    if (before.sideways != 0 && !state.wordWrap) scrollSidewaysTo(before.sideways);
    thawPane();
    return true;
}

bool paneTextEdited() { return sendToPane(EM_GETMODIFY, 0, 0) != 0; }

// Read in place, through the handle of the control's own buffer.
bool paneTextEndsWith(const WCHAR* text, int length) {
    int paneLength = GetWindowTextLengthW(state.paneWnd);
    if (length < 0 || length > paneLength) return false;
    HLOCAL handle = (HLOCAL)sendToPane(EM_GETHANDLE, 0, 0);
    const WCHAR* paneText = handle ? (const WCHAR*)LocalLock(handle) : NULL;
    if (!paneText) return false;
    bool same = memcmp(paneText + paneLength - length, text, length * sizeof(WCHAR)) == 0;
    LocalUnlock(handle);
    return same;
}

// ---- Scroll bars ----------------------------------------------------------------
// The control was created without scroll bars and learns nothing of those
// shown later: it never moves their thumbs, and takes a thumb's position as a
// percentage. So the pane keeps them in step with its view itself, in lines
// down and in pixels across, and moves the view to a dragged thumb.

void noteEditedLine() {
    DWORD caret = 0;
    sendToPane(EM_GETSEL, 0, (LPARAM)&caret);
    int length = (int)sendToPane(EM_LINELENGTH, caret, 0);
    if (length > state.longestPaneLine) state.longestPaneLine = length;
}

// Where the first visible line starts, less where it would stand unscrolled.
static int horizontalOffset(const RECT& format) {
    LRESULT start = sendToPane(EM_LINEINDEX, firstVisibleLine(), 0);
    return format.left - (short)LOWORD(sendToPane(EM_POSFROMCHAR, start, 0));
}

// The bars stay shown, disabled, when the text fits.
static void setThumb(int bar, int maximum, int page, int position) {
    SCROLLINFO now;
    ZeroMemory(&now, sizeof now);
    now.cbSize = sizeof now;
    now.fMask = SIF_ALL;
    GetScrollInfo(state.paneWnd, bar, &now);
    if (now.nMax == maximum && (int)now.nPage == page && now.nPos == position) return;
    SCROLLINFO info = now;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPage = (UINT)(page > 0 ? page : 0);
    info.nPos = position;
    SetScrollInfo(state.paneWnd, bar, &info, TRUE);
}

void updateScrollThumbs() {
    if (!state.showScroll || !state.paneWnd) return;
    setThumb(SB_VERT, lastPaneTextLine(), visibleLineCount(), firstVisibleLine());
    if (state.wordWrap) return;
    RECT format = formatRect();
    setThumb(SB_HORZ, state.longestPaneLine * state.paneCharWidth, format.right - format.left,
             horizontalOffset(format));
}

// A scroll bar's message carries 16 bits of the position; beyond them the
// bar's own track position holds it.
static int thumbPosition(int bar, WPARAM wParam) {
    SCROLLINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_TRACKPOS;
    GetScrollInfo(state.paneWnd, bar, &info);
    return info.nMax > 0xFFFF ? info.nTrackPos : HIWORD(wParam);
}

void scrollToThumb(int bar, WPARAM wParam) {
    int position = thumbPosition(bar, wParam);
    if (bar == SB_VERT) {
        scrollToLine(position);
    } else {
        scrollSidewaysTo(position);
    }
    updateScrollThumbs();
}
