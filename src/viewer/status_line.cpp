#include "viewer/status_line.h"

#include "settings/state.h"
#include "tail/notices.h"
#include "tail/sources_pane.h"
#include "tail/tail.h"
#include "text/newest_file.h"
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

// The file shown: the pattern's file chosen, or the path's file name.
static const WCHAR* shownName(const Source& source) {
    if (source.watchingPattern && source.chosenName[0]) return source.chosenName;
    return source.resolvedPath + fileNameStart(source.resolvedPath);
}

static SourceCondition failureCondition(FileFailure failure) {
    switch (failure) {
    case NoFileMatches: return SourceNoMatch;
    case NamesAFolder: return SourceIsFolder;
    case QueryFailed: case ReadFailed: return SourceCannotRead;
    case OpenFailed: case NoFailure: break;
    }
    return SourceCannotOpen;
}

// What the source says of itself; a failure's reason written into reason,
// where one is given (the reason is shown only on the status line).
static void describe(const Source& source, bool labelled, SourceStatus& status, WCHAR* reason) {
    bool newFile = source.newFileTaken && !source.readerStalled;
    uint32_t stale = source.value.staleAfter;
    status.label = labelled ? sourceLabel(source) : NULL;
    status.name = shownName(source);
    status.condition = newFile ? SourceNewFile : source.readerStalled ? SourceNotAnswering : SourceFollowing;
    status.reason = NULL;
    status.grownAt = source.grownAt;
    status.since = newFile ? source.newFileAt : source.askedAt;
    status.takenAtMinute = source.newFileMinute;
    status.staleAfter = stale != NoStaleTime ? stale : state.staleAfter > 0 ? (uint32_t)state.staleAfter : 0;
    if (source.failure == NoFailure && source.noLinePasses && !source.readerStalled) {
        status.condition = SourceNoLinePasses;
    }
    if (source.failure == NoFailure) return;
    status.condition = failureCondition(source.failure);
    if (!reason || status.condition < SourceCannotOpen) return;
    uint32_t length = writeSystemReason(source.failureError, reason, ReasonSize);
    if (length > 0 && reason[length - 1] == '.') reason[length - 1] = 0;
    status.reason = reason;
}

// Each setting that is off, or a part of one not used: the sources' values,
// the rules, the filters.
static const uint32_t MostOffs = 2 * MostSources + ColourRuleCount + 2;

static uint32_t findOffSettings(OffSetting* offs) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = state.sources[i];
        const char* words = sourceCheckWords(source.value.check);
        if (source.sameFileAs) offs[count++] = {SourceSameFile, i + 1, source.sameFileAs, NULL};
        if (words) offs[count++] = {SourceNote, i + 1, 0, words};
    }
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        RuleCheck check = state.colourRules[r].check;
        if (check != RuleNone && check != RuleUsable) offs[count++] = {RuleOff, r + 1, 0, NULL};
    }
    if (state.filterShowCheck > PatternUsable) offs[count++] = {FilterShowOff, 0, 0, NULL};
    if (state.filterHideCheck > PatternUsable) offs[count++] = {FilterHideOff, 0, 0, NULL};
    return count;
}

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
    uint32_t count = 0;
    bool quiet = false, labelled = severalSources();
    for (const Source& source : state.sources) {
        if (!source.active || source.sameFileAs) continue;
        describe(source, labelled, statuses[count], state.statusLine ? reasons[count] : NULL);
        if (sourceStale(statuses[count], now)) quiet = true;
        ++count;
    }
    if (quiet != state.sourceQuiet) {
        state.sourceQuiet = quiet;
        if (state.viewerWnd) InvalidateRect(state.viewerWnd, NULL, FALSE);
    }
    if (!state.statusLine) return;
    OffSetting offs[MostOffs];
    StatusInput input = {statuses, count, offs, findOffSettings(offs), state.linesBelow, state.moreLinesBelow, now};
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

