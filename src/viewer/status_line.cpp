#include "viewer/status_line.h"

#include "settings/state.h"
#include "tail/notices.h"
#include "tail/sources_pane.h"
#include "tail/tail.h"
#include "text/newest_file.h"
#include "text/status_text.h"
#include "viewer/alert.h"
#include "viewer/pane_colours.h"
#include "viewer/pane_view.h"
#include "viewer/viewer.h"

static const uint32_t ReasonSize = 300;

void createStatusLine(HWND viewer) {
    DWORD style = WS_CHILD | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY | SS_ENDELLIPSIS;
    state.statusWnd = CreateWindowExW(0, L"STATIC", NULL, style | (state.statusLine ? WS_VISIBLE : 0),
                                      0, 0, 0, 0, viewer, NULL, state.hInstance, NULL);
    state.statusText[0] = 0;
}

int statusLineHeight(int paneArea) {
    if (!state.statusLine || paneArea <= 0) return 0;
    return state.paneLineHeight < paneArea ? state.paneLineHeight : paneArea;
}

void applyStatusLine() {
    ShowWindow(state.statusWnd, state.statusLine ? SW_SHOWNA : SW_HIDE);
    sendSizeMessage(state.viewerWnd);
    state.statusText[0] = 0;  // given to the window anew
    updateStatus();
    InvalidateRect(state.viewerWnd, NULL, FALSE);
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

static const char* const sameFileTexts[MostSources] = {"same file as source 1", "same file as source 2",
                                                      "same file as source 3", ""};

// What the source says of itself; a failure's reason written into reason,
// where one is given (the reason is shown only on the status line).
static void describe(const Source& source, bool labelled, SourceStatus& status, WCHAR* reason) {
    bool newFile = source.newFileTaken && !source.readerStalled;
    status.label = labelled ? sourceLabel(source) : NULL;
    status.name = shownName(source);
    status.condition = newFile ? SourceNewFile : source.readerStalled ? SourceNotAnswering : SourceFollowing;
    status.grownAt = source.grownAt;
    status.since = newFile ? source.newFileAt : source.askedAt;
    status.takenAtMinute = source.newFileMinute;
    status.reason = NULL;
    if (source.sameFileAs) {
        status.condition = SourceFailing;
        status.failure = sameFileTexts[source.sameFileAs - 1];
        return;
    }
    if (source.failure == NoFailure && source.noLinePasses && !source.readerStalled) {
        status.condition = SourceFailing;
        status.failure = "no line passes the filter";
    }
    if (source.failure == NoFailure) return;
    status.condition = SourceFailing;
    status.failure = source.failure == ReadFailed || source.failure == QueryFailed ? "cannot read" : "cannot open";
    if (!reason) return;
    uint32_t length = writeSystemReason(source.failureError, reason, ReasonSize);
    if (length > 0 && reason[length - 1] == '.') reason[length - 1] = 0;
    status.reason = length ? reason : NULL;
}

// Also while the viewer window is made, before its handle is known: the
// frame is painted when it is shown.
void updateStatus() {
    if (!state.statusWnd) return;
    StatusClock clock = {statusTimeNow(), state.staleAfter > 0 ? (uint32_t)state.staleAfter : 0};
    SourceStatus statuses[MostSources];
    WCHAR reasons[MostSources][ReasonSize];
    uint32_t count = 0;
    bool quiet = false, labelled = severalSources();
    for (const Source& source : state.sources) {
        if (!source.active) continue;
        describe(source, labelled, statuses[count], state.statusLine ? reasons[count] : NULL);
        if (sourceStale(statuses[count], clock)) quiet = true;
        ++count;
    }
    if (quiet != state.sourceQuiet) {
        state.sourceQuiet = quiet;
        if (state.viewerWnd) InvalidateRect(state.viewerWnd, NULL, FALSE);
    }
    if (!state.statusLine) return;
    WCHAR text[StatusTextSize];
    composeStatus(statuses, count, state.linesBelow, state.moreLinesBelow, clock, text, StatusTextSize);
    if (lstrcmpW(text, state.statusText) == 0) return;
    lstrcpynW(state.statusText, text, StatusTextSize);
    SetWindowTextW(state.statusWnd, text);
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

