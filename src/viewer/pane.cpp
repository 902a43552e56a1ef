#include "viewer/pane.h"

#include "settings/state.h"
#include "viewer/pane_notice.h"
#include "viewer/alert.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "text/coordinate.h"
#include "viewer/pane_colours.h"
#include "viewer/pane_view.h"
#include "viewer/status_line.h"
#include "viewer/viewer.h"

static const int LinesPerWheelStep = 3;
// A frame narrower than this cannot be found with the pointer.
static const int NarrowestFrameToClick = 2;

DWORD paneStyle(bool wordWrap) {
    DWORD style = WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE;
    if (!wordWrap) style |= ES_AUTOHSCROLL;
    return style;
}

int wheelScrollLines(WPARAM wParam) {
    short distance = (short)HIWORD(wParam);
    return distance > 0 ? -LinesPerWheelStep : LinesPerWheelStep;
}

int paneInset(int edgeSize) { return edgeSize < 0 ? 0 : edgeSize; }

// What is left of an extent after the edge on both sides.
static int insetExtent(LONG extent) {
    return toCoordinate(extent - 2 * (int64_t)paneInset(state.edgeSize));
}

// New text is added with EM_REPLACESEL, which the control holds to the limit
// it sets for typing; the pane has none.
static HWND createPaneWindow(HWND viewer) {
    RECT client;
    GetClientRect(viewer, &client);
    int edge = paneInset(state.edgeSize);
    HWND pane = CreateWindowExW(0, L"EDIT", NULL, paneStyle(state.wordWrap), edge, edge,
                                insetExtent(client.right), insetExtent(client.bottom), viewer,
                                NULL, state.hInstance, NULL);
    SendMessageW(pane, EM_SETLIMITTEXT, 0, 0);
    return pane;
}

// Subclassed through the wide function, so that the pane stays a Unicode
// window: through the 8-bit one its text would pass the ANSI code page.
static void subclassPane() {
    state.oldPaneProc = (WNDPROC)SetWindowLongPtrW(state.paneWnd, GWLP_WNDPROC,
                                                   (LONG_PTR)textPaneProc);
}

void createTextPane(HWND viewer) {
    state.paneWnd = createPaneWindow(viewer);
    createStatusLine(viewer);
    applyStyle();
    updatePaneScrollBars();
    subclassPane();
    applyHighlightSettings();
    if (callsAbove.startWatching) callsAbove.startWatching(viewer);
}

// The pane inside the frame, and under it the status line and the activity
// strip, if shown.
static void placePaneAndStatusLine(HWND viewer) {
    RECT client;
    GetClientRect(viewer, &client);
    int edge = paneInset(state.edgeSize);
    // A client area starts at 0, 0.
    int width = insetExtent(client.right), height = insetExtent(client.bottom);
    int statusHeight = statusLineHeight(height);
    MoveWindow(state.paneWnd, edge, edge, width, height - statusHeight, TRUE);
    placeStatusRow(edge, edge + height - statusHeight, width, statusHeight);
}

void layoutTextPane(HWND viewer) {
    bool atEnd = paneShowsLastLine();
    placePaneAndStatusLine(viewer);
    if (atEnd) scrollPaneToLastLine();
    refitNotice();
}

// The status line takes a row of the new font from the pane.
void setPaneFont(HFONT font, bool redraw) {
    bool atEnd = paneShowsLastLine();
    measurePaneFont(font);
    SendMessageW(state.paneWnd, WM_SETFONT, (WPARAM)font, redraw);
    SendMessageW(state.statusWnd, WM_SETFONT, (WPARAM)font, redraw);
    if (state.statusLine || state.activity) placePaneAndStatusLine(state.viewerWnd);
    refitStatus();
    if (atEnd) scrollPaneToLastLine();
    refitNotice();
}

void updatePaneScrollBars() {
    ShowScrollBar(state.paneWnd, state.wordWrap ? SB_VERT : SB_BOTH, state.showScroll);
    updateScrollThumbs();
    refitNotice();
}

// The wrap mode is part of the EDIT control's style, fixed at creation, so
// switching it needs a new pane. The text, user edits included, is carried
// across, cut to what the buffer holds; the view ends on its last line.
bool recreateTextPane() {
    static WCHAR carried[DisplayTextSize];
    int copied = GetWindowTextW(state.paneWnd, carried, DisplayTextSize);
    bool cut = copied < GetWindowTextLengthW(state.paneWnd);
    WPARAM edited = SendMessageW(state.paneWnd, EM_GETMODIFY, 0, 0);
    DestroyWindow(state.paneWnd);
    state.paneWnd = createPaneWindow(state.viewerWnd);
    updatePaneScrollBars();
    subclassPane();
    setPaneFont(state.paneFont, false);
    replacePaneText(carried, true, NoPlace);
    refitNotice();
    SendMessageW(state.paneWnd, EM_SETMODIFY, edited, 0);
    SetFocus(state.paneWnd);
    return cut;
}

bool applyWrapMode() {
    bool wraps = !(GetWindowLongW(state.paneWnd, GWL_STYLE) & ES_AUTOHSCROLL);
    return wraps != state.wordWrap && recreateTextPane();
}

static LRESULT paneHitTest(HWND window, WPARAM wParam, LPARAM lParam) {
    if (modifierDown(VK_MENU) && !state.lockPos) return HTBOTTOMRIGHT;
    if (modifierDown(VK_CONTROL)) return HTCAPTION;
    return passToControl(window, WM_NCHITTEST, wParam, lParam);
}

// The bar's own loop runs until the release; the text stays as it is
// meanwhile, so that a dragged thumb ends where it is dropped.
static LRESULT pressScrollBar(HWND window, WPARAM hitCode, LPARAM at) {
    holdReloads(true);
    LRESULT result = passToControl(window, WM_NCLBUTTONDOWN, hitCode, at);
    holdReloads(false);
    return result;
}

// With Ctrl or Alt held the press moves or sizes the viewer window instead.
// The pane takes the focus first, as for a press on the frame: that ends a
// pending auto-hide, which would otherwise keep the move from being recorded.
static LRESULT onPaneNonClientPress(HWND window, WPARAM wParam, LPARAM lParam) {
    if (!modifierDown(VK_MENU) && !modifierDown(VK_CONTROL)) {
        bool onBar = wParam == HTVSCROLL || wParam == HTHSCROLL;
        return onBar ? pressScrollBar(window, wParam, lParam)
                     : passToControl(window, WM_NCLBUTTONDOWN, wParam, lParam);
    }
    if (windowDocked() || state.lockPos) return 0;
    SetFocus(window);
    return DefWindowProcA(state.viewerWnd, WM_NCLBUTTONDOWN, wParam, lParam);
}

// The control is not asked to scroll as well: it would add its own lines to
// the three of each step.
static LRESULT scrollByWheel(WPARAM wParam) {
    SendMessageA(state.paneWnd, EM_LINESCROLL, 0, wheelScrollLines(wParam));
    return 0;
}

// A right click on the pane's frame opens the configuration menu alone: the
// press is not passed on, where the system would take it for a click on a
// caption, nor the release, which the system answers with a request for a
// context menu; and such a request for a point on a scroll bar shows none.
static LRESULT onPaneRightRelease() {
    askMenu(OpenMenu);
    return 0;
}

// Where the frame is too narrow to be found, a right click on the text
// opens the configuration menu in place of the control's own.
static LRESULT onPaneContextMenu(HWND window, WPARAM wParam, LPARAM lParam) {
    POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    bool fromKeyboard = at.x == -1 && at.y == -1;
    RECT client;
    GetClientRect(window, &client);
    ScreenToClient(window, &at);
    if (fromKeyboard) return passToControl(window, WM_CONTEXTMENU, wParam, lParam);
    if (!PtInRect(&client, at)) return 0;
    if (paneInset(state.edgeSize) < NarrowestFrameToClick) return onPaneRightRelease();
    return passToControl(window, WM_CONTEXTMENU, wParam, lParam);
}

// Passed on to the control, which may scroll its rows but not its margins.
static LRESULT passOnMayScroll(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int firstRow = (int)passToControl(window, EM_GETFIRSTVISIBLELINE, 0, 0);
    LRESULT result = passToControl(window, message, wParam, lParam);
    paintMarginsAfterScroll(firstRow);
    return result;
}

static bool isThumbDrag(WPARAM wParam) {
    return LOWORD(wParam) == SB_THUMBTRACK || LOWORD(wParam) == SB_THUMBPOSITION;
}

static LRESULT onScrollBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    int bar = message == WM_VSCROLL ? SB_VERT : SB_HORZ;
    if (isThumbDrag(wParam)) {
        scrollToThumb(bar, wParam);
        return 0;
    }
    LRESULT result = passOnMayScroll(window, message, wParam, lParam);
    updateScrollThumbs();
    noteViewMoved();
    return result;
}

static bool editsText(UINT message) {
    switch (message) {
    case WM_CHAR: case WM_PASTE: case WM_UNDO: case EM_UNDO: return true;
    }
    return false;
}

// Messages after which the control may show another part of its text.
static bool mayMoveView(HWND window, UINT message) {
    switch (message) {
    case WM_KEYDOWN: case WM_CHAR: case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_TIMER:
    case WM_SIZE: case WM_SETFONT: case WM_SETTEXT: case WM_PASTE: case WM_CUT: case WM_CLEAR:
    case WM_UNDO: case EM_UNDO: case EM_REPLACESEL: case EM_LINESCROLL: case EM_SCROLLCARET:
        return true;
    case WM_MOUSEMOVE: return GetCapture() == window;  // a selection dragged past an edge
    }
    return false;
}

static LRESULT passOnAndFollow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    bool mayMove = mayMoveView(window, message);
    LRESULT result = mayMove ? passOnMayScroll(window, message, wParam, lParam)
                             : passToControl(window, message, wParam, lParam);
    if (editsText(message)) noteEditedLine();
    if (mayMove) {
        updateScrollThumbs();
        noteViewMoved();
    }
    paintRowsDrawnAtOnce();
    return result;
}

// Text the plugin gives the pane is marked for the colour rules as it enters;
// the user's edits reported meanwhile are not the user's.
static uint32_t textChanges;

uint32_t paneTextChanges() { return textChanges; }

static LRESULT takeText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ++textChanges;
    bool marked = markEnteringText(message, (const WCHAR*)lParam);
    state.settingPaneText = true;
    LRESULT result = passOnAndFollow(window, message, wParam, lParam);
    state.settingPaneText = false;
    if (!marked) markWholePaneText();
    return result;
}

// A press on the text takes the focus, and acknowledges an alert.
static void onPaneLeftPress(HWND window) {
    acknowledgeAlert();
    SetFocus(window);
}

LRESULT CALLBACK textPaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETFOCUS: onPaneFocused(); break;
    case WM_KILLFOCUS: onPaneFocusLost(); break;
    case WM_CLOSE: return 0;
    case WM_NCHITTEST: return paneHitTest(window, wParam, lParam);
    case WM_NCLBUTTONDOWN: return onPaneNonClientPress(window, wParam, lParam);
    case WM_NCRBUTTONDOWN: return 0;
    case WM_NCRBUTTONUP: return onPaneRightRelease();
    case WM_CONTEXTMENU: return onPaneContextMenu(window, wParam, lParam);
    case WM_LBUTTONDOWN: onPaneLeftPress(window); break;
    case WM_KEYDOWN: acknowledgeAlert(); break;
    case WM_MOUSEWHEEL: return scrollByWheel(wParam);
    case WM_VSCROLL: return onScrollBar(window, message, wParam, lParam);
    case WM_HSCROLL: return onScrollBar(window, message, wParam, lParam);
    case WM_SETTEXT: return takeText(window, message, wParam, lParam);
    case EM_REPLACESEL: return takeText(window, message, wParam, lParam);
    case WM_PAINT: return paintPane(window, message, wParam, lParam);
    case WM_PRINTCLIENT: return paintPane(window, message, wParam, lParam);
    }
    return passOnAndFollow(window, message, wParam, lParam);
}
