#include "viewer/status_line.h"

#include "settings/file_time.h"
#include "settings/state.h"
#include "text/status_text.h"
#include "viewer/activity_strip.h"
#include "viewer/alert.h"
#include "viewer/font_measure.h"
#include "viewer/pane_colours.h"
#include "viewer/pane_view.h"
#include "viewer/viewer.h"

static const uint32_t ReasonSize = 300;

// The status as last composed whole, and the width it was fitted to: a tick
// that composes the same text for the same width changes nothing.
static WCHAR composedText[StatusTextSize];
static int fittedWidth;

void createStatusLine(HWND viewer) {
    DWORD style = WS_CHILD | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;
    state.statusWnd = CreateWindowExW(0, L"STATIC", NULL, style | (state.statusLine ? WS_VISIBLE : 0),
                                      0, 0, 0, 0, viewer, NULL, state.hInstance, NULL);
    state.statusText[0] = 0;
    composedText[0] = 0;
    startActivity();
}

int statusLineHeight(int paneArea) {
    if ((!state.statusLine && !state.activity) || paneArea <= 0) return 0;
    return state.paneLineHeight < paneArea ? state.paneLineHeight : paneArea;
}

// The strip at the row's right end, the text in the rest.
void placeStatusRow(int left, int top, int width, int height) {
    int strip = placeActivityStrip(left, top, width, height);
    MoveWindow(state.statusWnd, left, top, width - strip, height, TRUE);
    updateStatus();
}

void applyStatusLine() {
    ShowWindow(state.statusWnd, state.statusLine ? SW_SHOWNA : SW_HIDE);
    applyActivity();
    sendSizeMessage(state.viewerWnd);
    refitStatus();
    InvalidateRect(state.viewerWnd, NULL, FALSE);
}

void refitStatus() {
    state.statusText[0] = 0;  // given to the window anew
    composedText[0] = 0;
    updateStatus();
}

// ---- What each source says ----------------------------------------------------------

uint32_t statusTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return statusSeconds(fileTimeNumber(now));
}

// Each setting that is off, or a part of one not used: the sources' values,
// the rules, the filters.
static const uint32_t MostOffs = 2 * MostSources + ColourRuleCount + 2;

// ---- Fitted to the line's width ----------------------------------------------------

static int statusWidth() {
    RECT client;
    GetClientRect(state.statusWnd, &client);
    return client.right;
}

// Composed whole first: only a new text, or a new width, is measured.
static void showStatus(const StatusInput& input) {
    WCHAR text[StatusTextSize];
    composeStatus(input, NULL, text, StatusTextSize);
    int width = statusWidth();
    if (width == fittedWidth && lstrcmpW(text, composedText) == 0) return;
    lstrcpynW(composedText, text, StatusTextSize);
    fittedWidth = width;
    FontMeasure measure;
    startFontMeasure(&measure, state.statusWnd, width);
    composeStatus(input, &measure.fit, text, StatusTextSize);
    endFontMeasure(&measure);
    if (lstrcmpW(text, state.statusText) == 0) return;
    lstrcpynW(state.statusText, text, StatusTextSize);
    SetWindowTextW(state.statusWnd, text);
}

// Also while the viewer window is made, before its handle is known: the
// frame is painted when it is shown.
void updateStatus() {
    if (!state.statusWnd) return;
    updateActivity();
    uint32_t now = statusTimeNow();
    SourceStatus statuses[MostSources];
    WCHAR reasons[MostSources][ReasonSize];
    uint32_t count = callsAbove.describeSources
                         ? callsAbove.describeSources(statuses, state.statusLine ? reasons[0] : NULL, ReasonSize)
                         : 0;
    bool quiet = false;
    for (uint32_t i = 0; i < count; ++i) quiet = quiet || sourceStale(statuses[i], now);
    if (quiet != state.sourceQuiet) {
        state.sourceQuiet = quiet;
        if (state.viewerWnd) InvalidateRect(state.viewerWnd, NULL, FALSE);
    }
    if (!state.statusLine) return;
    OffSetting offs[MostOffs];
    uint32_t offCount = callsAbove.offSettings ? callsAbove.offSettings(offs, MostOffs) : 0;
    StatusInput input = {statuses, count, offs, offCount, state.linesBelow, state.moreLinesBelow, now};
    showStatus(input);
}

// ---- Lines below the view ----------------------------------------------------------

// Counted only while the status line is on; none where the view follows the end.
void countLinesBelow(uint32_t lines, bool more) {
    state.linesBelow += lines;
    state.moreLinesBelow = state.moreLinesBelow || more;
    noteViewMoved();
}

void noteViewMoved() {
    if (!paneTextChanging() && callsAbove.viewMoved) callsAbove.viewMoved();
    if (state.linesBelow == 0 || paneTextChanging() || !paneFollowsEnd()) return;
    state.linesBelow = 0;
    state.moreLinesBelow = false;
    updateStatus();
}

// As Ctrl+End in the pane: the end shown (which ends the count), the keys in the pane.
static void goToEnd() {
    acknowledgeAlert();
    SetFocus(state.paneWnd);
    showPaneEnd();
}

void onChildCommand(WPARAM wParam, LPARAM lParam) {
    if ((HWND)lParam == state.statusWnd && state.statusWnd) {
        goToEnd();
    } else {
        onPaneNotification(wParam, lParam);
    }
}

