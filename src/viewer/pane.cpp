#include "viewer/pane.h"

#include "commands/menu.h"
#include "settings/state.h"
#include "tail/tail.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "viewer/coordinate.h"
#include "viewer/view_lines.h"
#include "viewer/viewer.h"

static const int LinesPerWheelStep = 3;

DWORD paneStyle(bool wordWrap) {
    DWORD style = WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE;
    if (!wordWrap) style |= ES_AUTOHSCROLL;
    return style;
}

int wheelScrollLines(WPARAM wParam) {
    short distance = (short)HIWORD(wParam);
    return distance > 0 ? -LinesPerWheelStep : LinesPerWheelStep;
}

// What is left of an extent after the edge on both sides.
static int insetExtent(LONG extent) { return toCoordinate(extent - 2 * (int64_t)state.edgeSize); }

static HWND createPaneWindow(HWND viewer) {
    RECT client;
    GetClientRect(viewer, &client);
    int edge = state.edgeSize;
    return CreateWindowExW(0, L"EDIT", NULL, paneStyle(state.wordWrap), edge, edge,
                           insetExtent(client.right), insetExtent(client.bottom), viewer, NULL,
                           state.hInstance, NULL);
}

// Subclassed through the wide function, so that the pane stays a Unicode
// window: through the 8-bit one its text would pass the ANSI code page.
static void subclassPane() {
    state.oldPaneProc = (WNDPROC)SetWindowLongPtrW(state.paneWnd, GWLP_WNDPROC,
                                                   (LONG_PTR)textPaneProc);
}

void createTextPane(HWND viewer) {
    state.paneWnd = createPaneWindow(viewer);
    applyStyle();
    updatePaneScrollBars();
    subclassPane();
    forgetWatchedFile();
    reloadFileTail();
}

void layoutTextPane(HWND viewer) {
    RECT client;
    GetClientRect(viewer, &client);
    int edge = state.edgeSize;
    MoveWindow(state.paneWnd, toCoordinate(client.left + (int64_t)edge),
               toCoordinate(client.top + (int64_t)edge), insetExtent(client.right),
               insetExtent(client.bottom), TRUE);
}

void updatePaneScrollBars() {
    ShowScrollBar(state.paneWnd, state.wordWrap ? SB_VERT : SB_BOTH, state.showScroll);
}

// ---- The view across a change of text ----------------------------------------
// The view follows the end of the text while it shows the last line and the
// reader holds no selection. Otherwise the text at the top of the view and
// the selection stay where they are, found again through where the old
// text's end lies in the new one.

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
    view.atEnd = view.selectionStart == view.selectionEnd &&
                 viewReachesLine(first, visibleLineCount(), lastPaneTextLine());
    return view;
}

static void showLastLine() {
    int length = GetWindowTextLengthW(state.paneWnd);
    sendToPane(EM_SETSEL, length, length);
    scrollToLine(firstLineEndingOn(lastPaneTextLine(), visibleLineCount()));
}

static int notBefore(int index, int start) { return index > start ? index : start; }

static void restorePlace(const PaneView& before, int oldEndAt) {
    int top = movedIndex(before.firstChar, before.length, oldEndAt);
    int start = movedIndex((int)before.selectionStart, before.length, oldEndAt);
    int end = movedIndex((int)before.selectionEnd, before.length, oldEndAt);
    sendToPane(EM_SETSEL, notBefore(start, 0), notBefore(end, 0));
    scrollToLine(top < 0 ? 0 : (int)sendToPane(EM_LINEFROMCHAR, top, 0));
}

void replacePaneText(const WCHAR* text, bool forced, int oldEndAt) {
    PaneView before = readPaneView();
    // Drawn once, at the final place, never first at the text's start.
    sendToPane(WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(state.paneWnd, text);
    if (forced || before.atEnd) {
        showLastLine();
    } else if (oldEndAt != NoPlace && !before.edited) {
        restorePlace(before, oldEndAt);
    }
    sendToPane(WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state.paneWnd, NULL, TRUE);
}

// The wrap mode is part of the EDIT control's style, fixed at creation, so
// switching it needs a new pane. The text, user edits included, is carried
// across in displayText, cut to what the buffer holds; the view ends on its
// last line.
void recreateTextPane() {
    int copied = GetWindowTextW(state.paneWnd, state.displayText, DisplayTextSize);
    if (copied < GetWindowTextLengthW(state.paneWnd)) state.shownTail.valid = false;
    WPARAM edited = sendToPane(EM_GETMODIFY, 0, 0);
    DestroyWindow(state.paneWnd);
    state.paneWnd = createPaneWindow(state.viewerWnd);
    updatePaneScrollBars();
    subclassPane();
    sendToPane(WM_SETFONT, (WPARAM)state.paneFont, 0);
    SetWindowTextW(state.paneWnd, state.displayText);
    sendToPane(EM_SETMODIFY, edited, 0);
    showLastLine();
    SetFocus(state.paneWnd);
    buildConfigMenu(false);
}

static LRESULT passOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(state.oldPaneProc, window, message, wParam, lParam);
}

static LRESULT paneHitTest(HWND window, WPARAM wParam, LPARAM lParam) {
    if (modifierDown(VK_MENU) && !state.lockPos) return HTBOTTOMRIGHT;
    if (modifierDown(VK_CONTROL)) return HTCAPTION;
    return passOn(window, WM_NCHITTEST, wParam, lParam);
}

// With Ctrl or Alt held the press moves or sizes the viewer window instead.
// The pane takes the focus first, as for a press on the frame: that ends a
// pending auto-hide, which would otherwise keep the move from being recorded.
static LRESULT onPaneNonClientPress(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!modifierDown(VK_MENU) && !modifierDown(VK_CONTROL)) {
        return passOn(window, WM_NCLBUTTONDOWN, wParam, lParam);
    }
    if (state.inSlit || state.lockPos) return 0;
    SetFocus(window);
    return DefWindowProcA(state.viewerWnd, WM_NCLBUTTONDOWN, wParam, lParam);
}

// The control is not asked to scroll as well: it would add its own lines to
// the three of each step.
static LRESULT scrollByWheel(WPARAM wParam) {
    SendMessageA(state.paneWnd, EM_LINESCROLL, 0, wheelScrollLines(wParam));
    return 0;
}

LRESULT CALLBACK textPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFOCUS: onPaneFocused(); break;
    case WM_KILLFOCUS: onPaneFocusLost(); break;
    case WM_CLOSE: return 0;
    case WM_NCHITTEST: return paneHitTest(window, wParam, lParam);
    case WM_NCLBUTTONDOWN: return onPaneNonClientPress(window, wParam, lParam);
    case WM_NCRBUTTONUP: buildConfigMenu(true); break;
    case WM_LBUTTONDOWN: SetFocus(window); break;
    case WM_MOUSEWHEEL: return scrollByWheel(wParam);
    }
    return passOn(window, message, wParam, lParam);
}
