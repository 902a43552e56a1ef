// The viewer window, its text pane and its appearance, on real windows.
#include <algorithm>
#include <climits>

#include "commands/menu.h"
#include "menus.h"
#include "shell.h"
#include "slit.h"
#include "styles.h"
#include "support/plugin_fixture.h"
#include "tail/sources.h"
#include "tail/tail.h"
#include "viewer/appearance.h"
#include "viewer/pane.h"
#include "viewer/viewer.h"

namespace {

// Records every message the viewer window receives, with how deeply it was
// nested inside another message's handling.
struct SeenMessage {
    UINT message;
    int depth;
    bool operator==(const SeenMessage& other) const {
        return message == other.message && depth == other.depth;
    }
};
std::vector<SeenMessage> seenMessages;
int nesting;
WNDPROC viewerProcedure;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seenMessages.push_back({message, nesting});
    ++nesting;
    LRESULT result = CallWindowProcA(viewerProcedure, window, message, wParam, lParam);
    --nesting;
    return result;
}

std::vector<SeenMessage> placementMessages() {
    std::vector<SeenMessage> kept;
    for (const SeenMessage& seen : seenMessages) {
        if (seen.message == WM_WINDOWPOSCHANGING || seen.message == WM_WINDOWPOSCHANGED ||
            seen.message == WM_SIZE || seen.message == WM_MOVE)
            kept.push_back(seen);
    }
    return kept;
}

void holdKeys(std::initializer_list<int> keys) {
    BYTE keyState[256] = {};
    for (int key : keys) keyState[key] = 0x80;
    SetKeyboardState(keyState);
}

// A multi-line EDIT that wraps; without ES_AUTOHSCROLL it breaks lines at its edge.
const DWORD WrappingPane =
    WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;

RECT windowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

RECT childRect(HWND child) {
    RECT rect = windowRect(child);
    MapWindowPoints(NULL, GetParent(child), (POINT*)&rect, 2);
    return rect;
}

class ViewerTest : public PluginTest {
protected:
    void startWith(const std::string& settings) {
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n" + settings);
        ASSERT_EQ(0, start());
    }
    void recordMessages() {
        seenMessages.clear();
        nesting = 0;
        viewerProcedure = (WNDPROC)SetWindowLongPtrA(state.viewerWnd, GWLP_WNDPROC,
                                                     (LONG_PTR)recordingProc);
    }
    // What the settings say when a slit is there to take the window; the
    // slit itself is not asked.
    void treatAsDocked() {
        if (!slit) slit = createSlit(shell.instance);
        state.slitWnd = slit;
        state.inSlit = true;
    }
    void TearDown() override {
        holdKeys({});
        PluginTest::TearDown();
    }
};

// --- moves and sizes ----------------------------------------------------------

TEST_F(ViewerTest, MoveAndResizeAreRecordedWithTheNestedLayout) {
    startWith("qvperuser.x: 10\r\nqvperuser.y: 10\r\nqvperuser.width: 120\r\n"
              "qvperuser.height: 80\r\n");
    recordMessages();
    SetWindowPos(state.viewerWnd, NULL, 100, 120, 150, 90, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(100, state.x);
    EXPECT_EQ(120, state.y);
    EXPECT_EQ(150, state.width);
    EXPECT_EQ(90, state.height);
    std::vector<SeenMessage> expected = {
        {WM_WINDOWPOSCHANGING, 0}, {WM_WINDOWPOSCHANGED, 0},
        {WM_WINDOWPOSCHANGING, 1},  // setWindowSize applies the stored size again
        {WM_SIZE, 1},               // sent by the recording to lay the pane out
    };
    EXPECT_EQ(expected, placementMessages());
    RECT pane = childRect(state.paneWnd);
    EXPECT_EQ(4, pane.left);
    EXPECT_EQ(4, pane.top);
    EXPECT_EQ(146, pane.right);
    EXPECT_EQ(86, pane.bottom);
}

TEST_F(ViewerTest, SizeBelowTheMinimumIsCorrectedOnScreen) {
    startWith("qvperuser.width: 120\r\nqvperuser.height: 80\r\n");
    recordMessages();
    SetWindowPos(state.viewerWnd, NULL, 50, 60, 4, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(10, state.width);
    RECT rect = windowRect(state.viewerWnd);
    EXPECT_EQ(10, rect.right - rect.left);
    EXPECT_EQ(50, rect.left);
    std::vector<SeenMessage> expected = {
        {WM_WINDOWPOSCHANGING, 0}, {WM_WINDOWPOSCHANGED, 0},
        {WM_WINDOWPOSCHANGING, 1}, {WM_WINDOWPOSCHANGED, 1},  // the corrected size
        {WM_SIZE, 1},
    };
    EXPECT_EQ(expected, placementMessages());
}

TEST_F(ViewerTest, SetWindowSizeAppliesOnlyChangesWithTheMinimum) {
    startWith("qvperuser.width: 120\r\nqvperuser.height: 80\r\n");
    recordMessages();
    EXPECT_FALSE(setWindowSize(120, 80));
    EXPECT_TRUE(seenMessages.empty());

    EXPECT_TRUE(setWindowSize(0, -7));
    EXPECT_EQ(10, state.width);
    EXPECT_EQ(10, state.height);
    RECT rect = windowRect(state.viewerWnd);
    EXPECT_EQ(10, rect.right - rect.left);
    EXPECT_EQ(10, rect.bottom - rect.top);

    // The comparison is made before the minimum: 5 differs from the stored 10.
    EXPECT_TRUE(setWindowSize(5, 10));
    EXPECT_EQ(10, state.width);
}

TEST_F(ViewerTest, NothingIsRecordedWhileHiddenOrDocked) {
    startWith("qvperuser.x: 30\r\nqvperuser.y: 40\r\n");
    state.hidden = true;
    SetWindowPos(state.viewerWnd, NULL, -100, 40, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(30, state.x);
    EXPECT_EQ(120, state.width);
    state.hidden = false;
    treatAsDocked();
    SetWindowPos(state.viewerWnd, NULL, 5, 6, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(30, state.x);
    EXPECT_EQ(40, state.y);
    EXPECT_EQ(120, state.width);
}

TEST_F(ViewerTest, SnappingAsksTheShellOnlyForAVisibleFreeWindow) {
    startWith("");
    shellTrace::clear();
    SetWindowPos(state.viewerWnd, NULL, 200, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(1, shellTrace::count("SnapWindowToEdge(200,200,10,1)"));

    state.snapWindow = false;
    SetWindowPos(state.viewerWnd, NULL, 210, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    state.snapWindow = true;
    treatAsDocked();
    SetWindowPos(state.viewerWnd, NULL, 220, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    state.inSlit = false;
    EXPECT_EQ(1, shellTrace::count("SnapWindowToEdge"));
    ShowWindow(state.viewerWnd, SW_HIDE);
    shellTrace::clear();
    SetWindowPos(state.viewerWnd, NULL, 230, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(0, shellTrace::count("SnapWindowToEdge"));
}

// Presses the left button (with a modifier, if given) at the pointer, then,
// from another thread while the system's move or size loop runs, moves the
// pointer by (dx, dy) and releases everything.
struct Drag {
    int dx, dy;
    WORD modifier;
};
DWORD WINAPI finishDrag(void* parameter) {
    const Drag* drag = (const Drag*)parameter;
    Sleep(150);
    // An absolute move: relative ones are subject to pointer acceleration.
    POINT at;
    GetCursorPos(&at);
    SetCursorPos(at.x + drag->dx, at.y + drag->dy);
    Sleep(50);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    inputs[1].type = INPUT_KEYBOARD;
    inputs[1].ki.wVk = drag->modifier;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(drag->modifier ? 2 : 1, inputs, sizeof(INPUT));
    return 0;
}

void dragBy(int dx, int dy, WORD modifier = 0) {
    static Drag drag;
    drag = {dx, dy, modifier};
    INPUT press[2] = {};
    press[0].type = INPUT_KEYBOARD;
    press[0].ki.wVk = modifier;
    press[1].type = INPUT_MOUSE;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(modifier ? 2 : 1, modifier ? press : press + 1, sizeof(INPUT));
    HANDLE finisher = CreateThread(NULL, 0, finishDrag, &drag, 0, NULL);
    pumpMessages(600);
    WaitForSingleObject(finisher, 2000);
    CloseHandle(finisher);
    pumpMessages(100);
}

TEST_F(ViewerTest, DraggingTheFrameMovesTheWindowAndRecordsThePlace) {
    startWith("qvperuser.x: 100\r\nqvperuser.y: 100\r\nqvperuser.snapWindow: false\r\n");
    SetCursorPos(101, 101);  // on the frame, outside the pane
    pumpMessages(100);
    dragBy(60, 40);
    EXPECT_EQ(160, state.x);
    EXPECT_EQ(140, state.y);
    EXPECT_EQ(160, windowRect(state.viewerWnd).left);
    stop();
    EXPECT_EQ("160", storedSetting(settingsPath(), "qvperuser.x:"));
}

TEST_F(ViewerTest, DisplayChangeLeavesADockedWindowAlone) {
    startWith("qvperuser.x: 900\r\n");
    treatAsDocked();
    state.screenWidth = 1024;
    SendMessageA(state.viewerWnd, WM_DISPLAYCHANGE, 24, 0);
    EXPECT_EQ(900, state.x);
    EXPECT_EQ(1024, state.screenWidth);
}

// --- the mouse on the frame and on the pane ------------------------------------

TEST_F(ViewerTest, HitTestsFollowAltCtrlAndTheLock) {
    startWith("");
    HWND viewer = state.viewerWnd;
    HWND pane = state.paneWnd;
    RECT paneRect = windowRect(pane);
    LPARAM inPane = MAKELPARAM(paneRect.left + 5, paneRect.top + 5);

    holdKeys({});
    EXPECT_EQ(HTCAPTION, SendMessageA(viewer, WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTCLIENT, SendMessageA(pane, WM_NCHITTEST, 0, inPane));
    holdKeys({VK_MENU});
    EXPECT_EQ(HTBOTTOMRIGHT, SendMessageA(viewer, WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTBOTTOMRIGHT, SendMessageA(pane, WM_NCHITTEST, 0, inPane));
    holdKeys({VK_CONTROL});
    EXPECT_EQ(HTCAPTION, SendMessageA(viewer, WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTCAPTION, SendMessageA(pane, WM_NCHITTEST, 0, inPane));

    state.lockPos = true;
    holdKeys({VK_MENU});
    EXPECT_EQ(HTCAPTION, SendMessageA(viewer, WM_NCHITTEST, 0, 0));
    EXPECT_EQ(HTCLIENT, SendMessageA(pane, WM_NCHITTEST, 0, inPane));
    holdKeys({VK_CONTROL});
    EXPECT_EQ(HTCAPTION, SendMessageA(pane, WM_NCHITTEST, 0, inPane));
}

TEST_F(ViewerTest, LockedOrDockedPressesOnlyFocusThePane) {
    startWith("qvperuser.x: 100\r\nqvperuser.y: 100\r\n");
    HWND viewer = state.viewerWnd;
    state.lockPos = true;
    for (auto keys : {std::initializer_list<int>{}, {VK_MENU}}) {
        holdKeys(keys);
        SetFocus(NULL);
        EXPECT_EQ(0, SendMessageA(viewer, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(101, 101)));
        EXPECT_EQ(state.paneWnd, GetFocus());
    }
    // On the pane, a press with Ctrl while locked or docked is swallowed.
    holdKeys({VK_CONTROL});
    EXPECT_EQ(0, SendMessageA(state.paneWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(110, 110)));
    state.lockPos = false;
    treatAsDocked();
    EXPECT_EQ(0, SendMessageA(state.paneWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(110, 110)));
    holdKeys({});
    SetFocus(NULL);
    EXPECT_EQ(0, SendMessageA(viewer, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(101, 101)));
    EXPECT_EQ(state.paneWnd, GetFocus());
    EXPECT_EQ(100, windowRect(viewer).left);
}

TEST_F(ViewerTest, AltDragOnThePaneResizesTheViewer) {
    startWith("qvperuser.x: 100\r\nqvperuser.y: 100\r\nqvperuser.width: 120\r\n"
              "qvperuser.height: 80\r\nqvperuser.snapWindow: false\r\n");
    SetCursorPos(150, 140);  // inside the pane
    pumpMessages(100);
    dragBy(50, 30, VK_MENU);
    EXPECT_EQ(100, state.x);
    EXPECT_EQ(170, state.width);
    EXPECT_EQ(110, state.height);
}

TEST_F(ViewerTest, CtrlDragWhileAnAutoHideIsPendingIsRecorded) {
    startWith("qvperuser.x: 0\r\nqvperuser.y: 300\r\nqvperuser.autoHide: true\r\n"
              "qvperuser.snapWindow: false\r\n");
    SetFocus(state.paneWnd);
    SetFocus(NULL);  // the pane lost the focus: sliding off is pending
    ASSERT_TRUE(state.hidden);
    SetCursorPos(20, 320);  // over the pane
    pumpMessages(100);
    dragBy(200, 0, VK_CONTROL);
    EXPECT_EQ(200, state.x);
    pumpMessages(400);  // the next decision: no longer at an edge
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ(200, windowRect(state.viewerWnd).left);
}

TEST_F(ViewerTest, CloseRequestsAndForeignTimersAreIgnored) {
    startWith("");
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, WM_CLOSE, 0, 0));
    EXPECT_EQ(0, SendMessageA(state.paneWnd, WM_CLOSE, 0, 0));
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, WM_TIMER, 7, 0));
    pumpMessages(50);
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));
    EXPECT_TRUE(IsWindow(state.paneWnd));
}

// --- the pane -----------------------------------------------------------------

TEST_F(ViewerTest, PaneIsAnInsetEditControlWithTheWrapStyle) {
    startWith("qvperuser.width: 200\r\nqvperuser.height: 100\r\nqvperuser.edgeSize: 6\r\n");
    char className[16];
    GetClassNameA(state.paneWnd, className, sizeof className);
    EXPECT_STREQ("Edit", className);
    EXPECT_EQ(WrappingPane | ES_AUTOHSCROLL, (DWORD)GetWindowLongA(state.paneWnd, GWL_STYLE));
    RECT pane = childRect(state.paneWnd);
    EXPECT_EQ(6, pane.left);
    EXPECT_EQ(6, pane.top);
    EXPECT_EQ(194, pane.right);
    EXPECT_EQ(94, pane.bottom);

    state.edgeSize = 0;
    SendMessageA(state.viewerWnd, WM_SIZE, 0, 0);
    pane = childRect(state.paneWnd);
    EXPECT_EQ(0, pane.left);
    EXPECT_EQ(200, pane.right);
    EXPECT_EQ(100, pane.bottom);
}

TEST_F(ViewerTest, ScrollBarsFollowTheSettingAndTheWrapMode) {
    startWith("qvperuser.showScroll: true\r\n");
    LONG style = GetWindowLongA(state.paneWnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);
    state.showScroll = false;
    updatePaneScrollBars();
    style = GetWindowLongA(state.paneWnd, GWL_STYLE);
    EXPECT_FALSE(style & (WS_VSCROLL | WS_HSCROLL));

    state.showScroll = true;
    state.wordWrap = true;
    recreateTextPane();
    style = GetWindowLongA(state.paneWnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
}

static SCROLLINFO thumb(int bar) {
    SCROLLINFO info = {sizeof info, SIF_ALL};
    GetScrollInfo(state.paneWnd, bar, &info);
    return info;
}

static int firstVisibleLine() {
    return (int)SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0);
}

TEST_F(ViewerTest, ScrollThumbsShowWhereTheViewIsAndDraggingThemMovesIt) {
    std::string lines;
    for (int i = 0; i < 300; ++i) lines += "line " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), lines + std::string(400, 'w') + "\r\n");
    startWith("qvperuser.showScroll: true\r\nqvperuser.readBufferSize: 32767\r\n");
    SCROLLINFO vertical = thumb(SB_VERT);
    EXPECT_EQ(300, vertical.nMax);  // the last line of text; no empty line after it
    EXPECT_EQ(firstVisibleLine(), vertical.nPos);
    EXPECT_EQ(vertical.nMax, vertical.nPos + (int)vertical.nPage - 1);  // at the bottom

    // The wheel and the keys move the view, and the thumb with it.
    SendMessageW(state.paneWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(firstVisibleLine(), thumb(SB_VERT).nPos);
    SendMessageW(state.paneWnd, WM_KEYDOWN, VK_PRIOR, 0);
    EXPECT_EQ(firstVisibleLine(), thumb(SB_VERT).nPos);

    // A dragged thumb moves the view there, and stays there when let go.
    HWND pane = state.paneWnd;
    SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0);
    EXPECT_EQ(40, firstVisibleLine());
    SendMessageW(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 40), 0);
    SendMessageW(pane, WM_VSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(40, firstVisibleLine());
    EXPECT_EQ(40, thumb(SB_VERT).nPos);

    // Across, the range is the longest line; the thumb follows a drag too.
    SCROLLINFO across = thumb(SB_HORZ);
    EXPECT_GT(across.nMax, 300 * 3);
    EXPECT_EQ(0, across.nPos);
    SendMessageW(pane, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, across.nMax / 2), 0);
    across = thumb(SB_HORZ);
    EXPECT_GT(across.nPos, 0);
    EXPECT_NEAR(across.nMax / 2, across.nPos, 20);
    LRESULT start = SendMessageW(pane, EM_LINEINDEX, firstVisibleLine(), 0);
    EXPECT_LT((short)LOWORD(SendMessageW(pane, EM_POSFROMCHAR, start, 0)), 0);  // scrolled
}

int thumbMiddle() {
    SCROLLBARINFO bar = {sizeof bar};
    GetScrollBarInfo(state.paneWnd, OBJID_VSCROLL, &bar);
    return bar.rcScrollBar.top + (bar.xyThumbTop + bar.xyThumbBottom) / 2;
}

// Presses at the pointer and drags it up 3 pixels a step, writing a line to
// the log at every step, then lets go.
const int DragSteps = 30;
DWORD WINAPI dragUpOnABusyLog(void* log) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof input);
    POINT at;
    GetCursorPos(&at);
    for (int step = 1; step <= DragSteps; ++step) {
        Sleep(50);
        appendFile(*(const std::string*)log, "a line written during the drag\r\n");
        SetCursorPos(at.x, at.y - 3 * step);
    }
    // The release comes after the last move has reached the system, and
    // after a reload fell due, however slowly the timer came.
    POINT now = {};
    for (int waited = 0; waited < 1000 && (GetCursorPos(&now), now.y != at.y - 3 * DragSteps); waited += 10) {
        Sleep(10);
    }
    for (int waited = 0; waited < 3000 && !heldForRelease(); waited += 10) Sleep(10);
    Sleep(100);
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    return 0;
}

// What the pane shows as the bar reports the end of the drag.
struct AtDrop {
    int pointerY, thumbMiddle, position, firstLine, textLength;
    bool reloadWaited;
} atDrop;
HHOOK dropWatch;
LRESULT CALLBACK watchForTheDrop(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* sent = (const CWPSTRUCT*)lParam;
    if (sent->hwnd == state.paneWnd && sent->message == WM_VSCROLL &&
        LOWORD(sent->wParam) == SB_ENDSCROLL) {
        POINT pointer;
        GetCursorPos(&pointer);
        atDrop = {pointer.y, thumbMiddle(), thumb(SB_VERT).nPos, firstVisibleLine(),
                  GetWindowTextLengthW(state.paneWnd), heldForRelease()};
    }
    return CallNextHookEx(dropWatch, code, wParam, lParam);
}

// A reload that falls due while a thumb is dragged waits for the drop: lines
// and range stay as they are under the pointer, so the view does not jump and
// the drag ends where it is dropped; the lines written meanwhile follow.
TEST_F(ViewerTest, ADraggedThumbEndsWhereItIsDroppedOnABusyLog) {
    std::string lines;
    for (int i = 0; i < 300; ++i) lines += "line " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), lines);
    startWith("qvperuser.x: 300\r\nqvperuser.y: 200\r\nqvperuser.alwaysontop: true\r\n"
              "qvperuser.width: 400\r\nqvperuser.height: 300\r\nqvperuser.showScroll: true\r\n"
              "qvperuser.readBufferSize: 32767\r\nqvperuser.autoReload: true\r\n"
              "qvperuser.reloadInterval(sec): 1\r\n");
    SCROLLBARINFO bar = {sizeof bar};
    GetScrollBarInfo(state.paneWnd, OBJID_VSCROLL, &bar);
    int grab = thumbMiddle();
    SetCursorPos((bar.rcScrollBar.left + bar.rcScrollBar.right) / 2, grab);
    pumpMessages(50);
    int textLength = GetWindowTextLengthW(state.paneWnd);
    std::string log = watchedPath();
    dropWatch = SetWindowsHookExA(WH_CALLWNDPROC, watchForTheDrop, NULL, GetCurrentThreadId());
    HANDLE dragger = CreateThread(NULL, 0, dragUpOnABusyLog, &log, 0, NULL);
    while (WaitForSingleObject(dragger, 0) == WAIT_TIMEOUT) pumpMessages(20);
    CloseHandle(dragger);
    UnhookWindowsHookEx(dropWatch);

    ASSERT_TRUE(atDrop.reloadWaited) << "no reload fell due during the drag, dropped at "
                                     << atDrop.pointerY << " from " << grab;
    EXPECT_EQ(grab - 3 * DragSteps, atDrop.pointerY);
    EXPECT_NEAR(atDrop.pointerY, atDrop.thumbMiddle, 2);
    EXPECT_EQ(atDrop.position, atDrop.firstLine);
    EXPECT_EQ(textLength, atDrop.textLength);
    pumpMessages(1200);
    EXPECT_EQ(299 + DragSteps, thumb(SB_VERT).nMax);  // the last line of text
    EXPECT_EQ(atDrop.firstLine, firstVisibleLine());
}

TEST_F(ViewerTest, WordWrapSwitchKeepsEditsTakesFocusAndRefreshesTheMenu) {
    writeFile(watchedPath(), "line one\r\nline two\r\n");
    startWith("");
    HWND oldPane = state.paneWnd;
    SendMessageW(oldPane, EM_SETSEL, 0, -1);
    SendMessageW(oldPane, EM_REPLACESEL, TRUE, (LPARAM)L"typed by the user: \u65E5\u672C");
    HFONT font = state.paneFont;
    shellTrace::clear();
    const char command[] = "@QVPeruserWordWrap";
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)command);

    EXPECT_TRUE(state.wordWrap);
    EXPECT_FALSE(IsWindow(oldPane));
    EXPECT_EQ(WrappingPane, (DWORD)GetWindowLongA(state.paneWnd, GWL_STYLE));
    wchar_t text[64] = L"";
    GetWindowTextW(state.paneWnd, text, 64);
    EXPECT_STREQ(L"typed by the user: \u65E5\u672C", text);
    EXPECT_TRUE(SendMessageW(state.paneWnd, EM_GETMODIFY, 0, 0));
    EXPECT_EQ(state.paneWnd, GetFocus());
    EXPECT_EQ((LRESULT)font, SendMessageA(state.paneWnd, WM_GETFONT, 0, 0));
    EXPECT_EQ(0, SendMessageA(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(1, shellTrace::count("MakeMenuItem(QVM_Format,Word Wrap,@QVPeruserWordWrap,1)"));
    // The new pane is subclassed like the first one.
    EXPECT_EQ(0, SendMessageA(state.paneWnd, WM_CLOSE, 0, 0));
    EXPECT_TRUE(IsWindow(state.paneWnd));
}

TEST_F(ViewerTest, RecreationCutsAnOverlongTextToTheBuffer) {
    startWith("");
    SendMessageA(state.paneWnd, EM_SETLIMITTEXT, 0, 0);
    std::string longText(DisplayTextSize + 5000, 'x');
    SetWindowTextA(state.paneWnd, longText.c_str());
    state.wordWrap = !state.wordWrap;
    applyWordWrap();
    EXPECT_EQ(DisplayTextSize - 1, GetWindowTextLengthW(state.paneWnd));
    EXPECT_FALSE(sources[0].shownTail.bytes.valid);  // the cut text is no longer the file's
}

TEST_F(ViewerTest, WheelScrollsThreeLinesPerStep) {
    std::string lines;
    for (int i = 0; i < 300; ++i) lines += "line " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), lines);
    startWith("qvperuser.readBufferSize: 30000\r\n");
    HWND pane = state.paneWnd;
    SendMessageA(pane, EM_LINESCROLL, 0, -1000);
    SendMessageA(pane, EM_LINESCROLL, 0, 20);
    ASSERT_EQ(20, SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0));
    RECT rect = windowRect(pane);
    LPARAM at = MAKELPARAM(rect.left + 5, rect.top + 5);
    SendMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), at);
    int down = (int)SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0) - 20;
    SendMessageA(pane, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    int back = (int)SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0) - 20;
    // The control's own wheel handling is not run as well: that would make six.
    EXPECT_EQ(3, down);
    EXPECT_EQ(0, back);
    EXPECT_EQ(3, wheelScrollLines(MAKEWPARAM(0, 0)));
    EXPECT_EQ(-3, wheelScrollLines(MAKEWPARAM(0, 1)));
}

// --- appearance -----------------------------------------------------------------

BYTE windowAlpha(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    GetLayeredWindowAttributes(window, &key, &alpha, &flags);
    return alpha;
}

// An alpha out of range takes effect held to the range, never cut to a byte
// (300 would be 44, 256 invisible), and is kept as given.
TEST_F(ViewerTest, OpacityHoldsAlphaToTheByteRangeOnlyWhileTransparent) {
    EXPECT_EQ(255, windowOpacity(true, 300));
    EXPECT_EQ(255, windowOpacity(true, 256));
    EXPECT_EQ(255, windowOpacity(true, INT_MAX));
    EXPECT_EQ(0, windowOpacity(true, -1));
    EXPECT_EQ(0, windowOpacity(true, INT_MIN));
    EXPECT_EQ(160, windowOpacity(true, 160));
    EXPECT_EQ(255, windowOpacity(false, 17));

    startWith("qvperuser.transparency: true\r\nqvperuser.alpha: 100\r\n");
    ASSERT_TRUE(state.canLayer);
    EXPECT_TRUE(GetWindowLongA(state.viewerWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_EQ(100, windowAlpha(state.viewerWnd));
    const char tooHigh[] = "@QVPeruserAlphaValue 300";
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)tooHigh);
    EXPECT_EQ(255, windowAlpha(state.viewerWnd));
    EXPECT_EQ(300, state.alpha);
    state.transparency = false;
    applyTransparency();
    EXPECT_EQ(255, windowAlpha(state.viewerWnd));
    EXPECT_TRUE(GetWindowLongA(state.viewerWnd, GWL_EXSTYLE) & WS_EX_LAYERED);

    treatAsDocked();
    shellTrace::clear();
    applyTransparency();
    EXPECT_FALSE(GetWindowLongA(state.viewerWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(ViewerTest, ApplyStyleReplacesFontAndBrushAndReleasesTheOld) {
    startWith("qvperuser.font: Courier New\r\nqvperuser.fontHeight: -17\r\n");
    HFONT oldFont = state.paneFont;
    HBRUSH oldBrush = state.backBrush;
    LOGFONTA font;
    ASSERT_TRUE(GetObjectA(oldFont, sizeof font, &font));
    EXPECT_EQ(-17, font.lfHeight);
    EXPECT_STREQ("Courier New", font.lfFaceName);
    EXPECT_EQ(FW_NORMAL, font.lfWeight);
    EXPECT_EQ((LRESULT)oldFont, SendMessageA(state.paneWnd, WM_GETFONT, 0, 0));

    state.backColor = RGB(10, 20, 30);
    strcpy(state.font, "No Such Face Anywhere");
    state.fontHeight = 0;
    applyStyle();
    // A released handle is dead, or the system has given it to the new object.
    EXPECT_TRUE(GetObjectType(oldFont) == 0 || oldFont == state.paneFont);
    EXPECT_TRUE(GetObjectType(oldBrush) == 0 || oldBrush == state.backBrush);
    ASSERT_TRUE(GetObjectA(state.paneFont, sizeof font, &font));
    EXPECT_EQ(0, font.lfHeight);
    EXPECT_STREQ("No Such Face Anywhere", font.lfFaceName);
    LOGBRUSH brush;
    ASSERT_TRUE(GetObjectA(state.backBrush, sizeof brush, &brush));
    EXPECT_EQ(RGB(10, 20, 30), brush.lbColor);
    EXPECT_EQ((LRESULT)state.paneFont, SendMessageA(state.paneWnd, WM_GETFONT, 0, 0));
}

TEST_F(ViewerTest, AnUnknownStyleKeepsThePreviousStyle) {
    startWith("qvperuser.styleType: 3\r\n");
    EXPECT_EQ(0, memcmp(styleRecord(3), state.styleItem, StyleRecordSize));
    state.styleType = 42;
    applyStyle();
    EXPECT_EQ(0, memcmp(styleRecord(3), state.styleItem, StyleRecordSize));
}

TEST_F(ViewerTest, PaneColoursAreAnsweredFromTheSettings) {
    startWith("qvperuser.fontColor: #102030\r\nqvperuser.backColor: #E0D0C0\r\n");
    HDC dc = CreateCompatibleDC(NULL);
    LRESULT brush = SendMessageA(state.viewerWnd, WM_CTLCOLOREDIT, (WPARAM)dc,
                                 (LPARAM)state.paneWnd);
    EXPECT_EQ((LRESULT)state.backBrush, brush);
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), GetTextColor(dc));
    EXPECT_EQ(RGB(0xE0, 0xD0, 0xC0), GetBkColor(dc));
    EXPECT_EQ(OPAQUE, GetBkMode(dc));
    DeleteDC(dc);
}

COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(NULL);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return colour;
}

TEST_F(ViewerTest, FrameIsPaintedInTheShellStyleWithItsBorder) {
    std::string styles = shellFolder + "flat.style";
    writeFile(styles, "button.appearance: flat\r\nbutton.color: #3c8c5a\r\n"
                      "button.borderColor: #102030\r\nbutton.borderWidth: 1\r\n");
    loadStyleFile(styles.c_str());
    startWith("qvperuser.x: 300\r\nqvperuser.y: 300\r\nqvperuser.styleType: 2\r\n"
              "qvperuser.edgeSize: 8\r\n");
    UpdateWindow(state.viewerWnd);
    pumpMessages(200);
    EXPECT_EQ(RGB(0x3c, 0x8c, 0x5a), screenPixel(300 + 3, 300 + 3));
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), screenPixel(300, 300));  // the border
    const char toggleBorder[] = "@QVPeruserShowBorder";
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)toggleBorder);
    UpdateWindow(state.viewerWnd);
    pumpMessages(200);
    EXPECT_EQ(RGB(0x3c, 0x8c, 0x5a), screenPixel(300, 300));
}

TEST_F(ViewerTest, RestyleReleasesTheMenuThenRebuildsIt) {
    startWith("");
    HFONT oldFont = state.paneFont;
    shellTrace::clear();
    SendMessageA(state.viewerWnd, HostMsgRestyle, 0, 0);
    int released = shellTrace::find("DelMenu(QVM_Main)");
    int style = shellTrace::find("GetSettingPtr");
    EXPECT_LE(0, released);
    EXPECT_LT(released, style);
    EXPECT_EQ(1, shellTrace::count("DelMenu"));
    EXPECT_TRUE(GetObjectType(oldFont) == 0 || oldFont == state.paneFont);
    EXPECT_EQ(9, liveMenuCount());  // the main menu and its submenus

    releaseConfigMenu();  // no menu: nothing to release
    shellTrace::clear();
    SendMessageA(state.viewerWnd, HostMsgRestyle, 0, 0);
    EXPECT_EQ(0, shellTrace::count("DelMenu"));
    EXPECT_EQ(1, shellTrace::count("GetSettingPtr"));
}

}  // namespace
