#include "viewer/viewer.h"

#include "settings/setting_rows.h"
#include "settings/state.h"
#include "viewer/activity_strip.h"
#include "viewer/alert.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "viewer/fullscreen.h"
#include "viewer/pane.h"
#include "viewer/pane_colours.h"
#include "viewer/placement.h"
#include "viewer/status_line.h"

static const int SnapDistance = 10;

CallsAbove callsAbove;

void askMenu(MenuRequest request) {
    if (callsAbove.menu) callsAbove.menu(request);
}

static LRESULT runCommand(LPARAM text) { return callsAbove.command ? callsAbove.command(text) : 0; }

static void checkSettings() {
    if (callsAbove.settingsCheck) callsAbove.settingsCheck();
}

bool modifierDown(int virtualKey) { return (GetKeyState(virtualKey) & 0xF0) != 0; }

// Below one second the timer would fire about a hundred times a second.
UINT reloadPeriod() {
    long long seconds = state.reloadInterval < 1 ? 1 : state.reloadInterval;
    long long period = seconds * 1000;
    return period > USER_TIMER_MAXIMUM ? USER_TIMER_MAXIMUM : (UINT)period;
}

void startReloadTimer() { SetTimer(state.viewerWnd, ReloadTimer, reloadPeriod(), NULL); }

void applyReloadTimer() {
    if (state.autoReload) {
        startReloadTimer();
    } else {
        KillTimer(state.viewerWnd, ReloadTimer);
    }
}

static int atLeastMinimum(int extent) { return extent <= MinimumWindowSize ? MinimumWindowSize : extent; }

// The stored size where the window is placed; the slit places a docked one.
static void applyStoredSize() {
    state.placed.width = state.width;
    state.placed.height = state.height;
    if (windowDocked()) {
        moveWindowByPlugin(0, 0, state.width, state.height,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(state.slitWnd, SlitMsgUpdate, 0, 0);
    } else {
        moveWindowByPlugin(state.placed.x, state.placed.y, state.width, state.height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool setWindowSize(int newWidth, int newHeight) {
    if (newWidth == state.width && newHeight == state.height) return false;
    state.width = atLeastMinimum(newWidth);
    state.height = atLeastMinimum(newHeight);
    applyStoredSize();
    return true;
}

void applyWindowPlacement() {
    state.width = atLeastMinimum(state.width);
    state.height = atLeastMinimum(state.height);
    if (windowDocked()) {
        applyStoredSize();
    } else {
        placeWindowOnMonitors();
    }
    InvalidateRect(state.viewerWnd, NULL, TRUE);
    sendSizeMessage(state.viewerWnd);
}

void sendSizeMessage(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
}

static void onPositionChanging(HWND window, WINDOWPOS* position) {
    if (!windowDocked() && !state.placingWindow && state.snapWindow && IsWindowVisible(window)) {
        SnapWindowToEdge(position, SnapDistance, 1);
    }
}

static void onDisplayChange() {
    if (windowDocked()) return;
    placeWindowOnMonitors();
    keepOutOfTheWay();
}

// A taskbar that moved or grew changes a work area.
static void onSettingChange(WPARAM setting) {
    if (setting == SPI_SETWORKAREA) onDisplayChange();
}

// Records a move or size change into the settings as the user's new place.
// The plugin's own moves, and those of a slid-off or docked window, are not
// recorded. A move on a display that changed since the window was placed is
// the system's (it gathers windows off a monitor that went away): the window
// is placed afresh instead. The position is stored before setWindowSize
// runs, because its own SetWindowPos uses it. A change that leaves the
// position or size alone says so in its flags and need not carry them, so
// only what changed is taken from the record.
static void onPositionChanged(HWND window, const WINDOWPOS* position) {
    if (windowDocked() || state.hidden || state.placingWindow) return;
    bool moved = !(position->flags & SWP_NOMOVE);
    bool sized = !(position->flags & SWP_NOSIZE);
    if (!moved && !sized) return;
    if (displayChangedSinceMeasured()) {
        onDisplayChange();
        return;
    }
    if (moved) {
        state.x = position->x;
        state.y = position->y;
        onPlaceChosen();
    }
    if (sized && setWindowSize(position->cx, position->cy)) {
        InvalidateRect(state.viewerWnd, NULL, TRUE);
        sendSizeMessage(window);
    }
}

static LRESULT frameHitTest() {
    if (modifierDown(VK_MENU) && !state.lockPos) return HTBOTTOMRIGHT;
    return HTCAPTION;
}

static LRESULT onFrameLeftPress(HWND window, WPARAM wParam, LPARAM lParam) {
    acknowledgeAlert();
    SetFocus(state.paneWnd);
    if (windowDocked() || state.lockPos) return 0;
    return DefWindowProcA(window, WM_NCLBUTTONDOWN, wParam, lParam);
}

// ---- A pressed scroll bar ----
// A press on a scroll bar runs the bar's own loop, which dispatches the
// timers, until the release. A reload meanwhile would change the lines and
// the bar's range under the pointer: the view would jump, and a dragged thumb
// would end elsewhere than where it was dropped. So the text stays as it is
// until the release, and a reload or an answer of the reader due meanwhile
// follows it.

static void unlessPressed(bool* held, void (*action)()) {
    if (state.scrollBarPressed) {
        *held = true;
    } else {
        action();
    }
}

static void reloadFiles() {
    if (callsAbove.reload) callsAbove.reload();
}

static void retryReaders() {
    if (callsAbove.retryReaders) callsAbove.retryReaders();
}

static void takeAnswer(uint32_t source) {
    if (callsAbove.answered) callsAbove.answered(source);
}

// A reader's answer came while a scroll bar was pressed: it is taken at the release.
static bool answerHeld[MostSources];

static void runIfHeld(bool* held, void (*action)()) {
    if (!*held) return;
    *held = false;
    action();
}

void holdReloads(bool hold) {
    state.scrollBarPressed = hold;
    if (hold) return;
    for (uint32_t source = 0; source < MostSources; ++source) {
        if (!answerHeld[source]) continue;
        answerHeld[source] = false;
        takeAnswer(source);
    }
    runIfHeld(&state.reloadHeld, reloadFiles);
}

bool heldForRelease() {
    bool held = state.reloadHeld;
    for (bool answer : answerHeld) held = held || answer;
    return held;
}

static void onReloadTick() { unlessPressed(&state.reloadHeld, reloadFiles); }

// Asking again for a free reader is a reload like the timer's.
static void onReaderRetryTick() { unlessPressed(&state.reloadHeld, retryReaders); }

static void onReaderAnswer(WPARAM source) {
    if (source >= MostSources) return;
    if (state.scrollBarPressed) {
        answerHeld[source] = true;
    } else {
        takeAnswer((uint32_t)source);
    }
}

static void onTimer(WPARAM id) {
    if (id == AutoHideTimer) onAutoHideTick();
    if (id == ReloadTimer) onReloadTick();
    if (id == ReaderRetryTimer) onReaderRetryTick();
    if (id == SettingsCheckTimer) checkSettings();
}

static void onRestyle() {
    askMenu(ReleaseMenu);
    applyStyle();
    askMenu(RefreshMenu);
    InvalidateRect(state.viewerWnd, NULL, TRUE);
}

static void onRedraw() {
    applyStyle();
    askMenu(RefreshMenu);
    InvalidateRect(state.viewerWnd, NULL, TRUE);
}

LRESULT CALLBACK viewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: createTextPane(window); return 0;
    case WM_SIZE: layoutTextPane(window); return 0;
    case WM_PAINT: paintBackground(window); return 0;
    case WM_CLOSE: return 0;
    case WM_WINDOWPOSCHANGING: onPositionChanging(window, (WINDOWPOS*)lParam); return 0;
    case WM_WINDOWPOSCHANGED: onPositionChanged(window, (const WINDOWPOS*)lParam); return 0;
    case WM_DISPLAYCHANGE: onDisplayChange(); return 0;
    case WM_SETTINGCHANGE: onSettingChange(wParam); return 0;
    case WM_NCHITTEST: return frameHitTest();
    case WM_NCMOUSEMOVE: onPointerOverWindow(); onPointerOverFrame(lParam); return 0;
    case WM_NCMOUSELEAVE: hideActivityTip(); return 0;
    case WM_NCLBUTTONDOWN: return onFrameLeftPress(window, wParam, lParam);
    case WM_NCRBUTTONDOWN: return 0;
    case WM_NCRBUTTONUP: askMenu(OpenMenu); return 0;
    case WM_TIMER: onTimer(wParam); return 0;
    case WM_CTLCOLOREDIT: return (LRESULT)colourPane((HDC)wParam);
    case WM_CTLCOLORSTATIC: return (LRESULT)colourPlainly((HDC)wParam);
    case WM_COMMAND: onChildCommand(wParam, lParam); return 0;
    case WM_EXITSIZEMOVE: onMoveOrResizeEnded(); return 0;
    case HostMsgRestyle: onRestyle(); return 0;
    case HostMsgRedraw: onRedraw(); return 0;
    case HostMsgCommand: return runCommand(lParam);
    case FileAnsweredMessage: onReaderAnswer(wParam); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
