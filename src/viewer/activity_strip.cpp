#include "viewer/activity_strip.h"

#include "settings/code_pages.h"
#include "settings/state.h"
#include "text/activity.h"
#include "text/line_time.h"
#include "viewer/optional_user32.h"

static const int BarWidth = 2;
static const int StripWidth = BarWidth * (int)ActivityMinutes;
// A pixel above and below the bars.
static const int Margin = 1;

// Kept by the strip: the counts, the bars as drawn, where it lies in the
// viewer's client area, and the tip.
static Activity activity;
static ActivityBar drawn[ActivityMinutes];
static RECT strip;
static bool arrived;  // a line arrived since the start: counted lines stay
static HWND tip;
static uint32_t tipMinute;

static uint32_t minuteNow(uint64_t* start = NULL, int* year = NULL) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    if (start) *start = timeValue(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, 0, 0);
    if (year) *year = t.wYear;
    return activityMinute(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}

void startActivity() {
    clearActivity(&activity);
    ZeroMemory(drawn, sizeof drawn);
    SetRectEmpty(&strip);
    arrived = false;
    tip = NULL;
    tipMinute = NoMinute;
}

// The pane's lines, by the times they begin with, in place of the counts.
static void countPaneLines() {
    clearActivity(&activity);
    HLOCAL handle = (HLOCAL)SendMessageW(state.paneWnd, EM_GETHANDLE, 0, 0);
    const WCHAR* text = handle ? (const WCHAR*)LocalLock(handle) : NULL;
    if (text) {
        uint64_t start = 0;
        int year = 0;
        uint32_t now = minuteNow(&start, &year);
        uint32_t length = (uint32_t)GetWindowTextLengthW(state.paneWnd);
        countLineTimes(&activity, state.lineMarks, text, length, start, now, year);
        LocalUnlock(handle);
    }
    updateActivity();
}

void applyActivity() {
    if (!state.activity) hideActivityTip();
    updateActivity();
}

void notePaneShownAnew() {
    if (!arrived) countPaneLines();
}

int placeActivityStrip(int left, int top, int width, int height) {
    int taken = !state.activity ? 0 : width < StripWidth ? width : StripWidth;
    SetRect(&strip, left + width - taken, top, left + width, top + height);
    return taken;
}

static uint32_t colouredRules() {
    uint32_t rules = 0;
    for (uint32_t r = 0; state.highlight && r < ColourRuleCount; ++r) {
        if (state.colourRules[r].check == RuleUsable) rules |= 1u << r;
    }
    return rules;
}

void updateActivity() {
    if (!state.activity) return;
    ActivityBar bars[ActivityMinutes];
    int height = strip.bottom - strip.top - 2 * Margin;
    activityBars(activity, minuteNow(), height > 0 ? (uint32_t)height : 0, colouredRules(), bars);
    if (memcmp(bars, drawn, sizeof bars) == 0) return;
    CopyMemory(drawn, bars, sizeof bars);
    InvalidateRect(state.viewerWnd, &strip, FALSE);
}

// ---- Lines arriving ---------------------------------------------------------------

static void countLine(uint32_t minute, uint32_t line) {
    countActivity(&activity, minute, entryRule(state.lineMarks, line), 1);
    arrived = true;
}

void noteLinesArrived(uint32_t first, uint32_t end) {
    if (first >= end) return;
    uint32_t minute = minuteNow();
    for (uint32_t line = first; line < end; ++line) countLine(minute, line);
    updateActivity();
}

void noteMarkedLinesArrived(const uint32_t* newLines, uint32_t lineCount) {
    uint32_t minute = minuteNow();
    for (uint32_t line = 0; line < lineCount && line < state.lineMarks.lineCount; ++line) {
        if (newLines[line / 32] >> (line % 32) & 1) countLine(minute, line);
    }
    updateActivity();
}

// ---- Drawn ---------------------------------------------------------------------

static void fill(HDC dc, const RECT& area, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, NULL, 0, NULL);
}

// Right-aligned: a strip narrower than the hour shows its newest minutes.
static int barLeft(uint32_t bar) { return strip.right - (int)(ActivityMinutes - bar) * BarWidth; }

bool activityStripCovers(const RECT& area) {
    RECT both;
    return state.activity && IntersectRect(&both, &area, &strip) && EqualRect(&both, &area);
}

void paintActivityStrip(HDC dc) {
    if (!state.activity || IsRectEmpty(&strip)) return;
    COLORREF kept = GetBkColor(dc);
    fill(dc, strip, state.backColor);
    for (uint32_t bar = 0; bar < ActivityMinutes; ++bar) {
        if (drawn[bar].height == 0) continue;
        int bottom = strip.bottom - Margin;
        RECT area = {barLeft(bar), bottom - (int)drawn[bar].height, barLeft(bar) + BarWidth, bottom};
        if (area.left < strip.left) area.left = strip.left;
        int rule = drawn[bar].rule;
        fill(dc, area, rule == NoRule ? state.fontColor : ruleMainColour(state.colourRules[rule]));
    }
    SetBkColor(dc, kept);
}

// ---- The tip -------------------------------------------------------------------

HWND activityTipWindow() { return tip; }

void hideActivityTip() {
    if (tip) ShowWindow(tip, SW_HIDE);
    tipMinute = NoMinute;
}

// A rule is named by its pattern's first alternative.
static const uint32_t RuleNameSize = 24;

static void nameRules(WCHAR names[ColourRuleCount][RuleNameSize], const WideChar* named[ColourRuleCount]) {
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        named[r] = NULL;
        const ColourRule& rule = state.colourRules[r];
        if (rule.check != RuleUsable) continue;
        WCHAR value[HighlightRuleSize];
        uint32_t length = settingTextToWide(state.highlightRules[r], value, HighlightRuleSize, systemCodePages);
        uint32_t at = rule.patternStart, n = 0;
        while (at + n < length && value[at + n] != '|' && n + 1 < RuleNameSize) {
            names[r][n] = value[at + n];
            ++n;
        }
        names[r][n] = 0;
        named[r] = (const WideChar*)names[r];
    }
}

// Asks for WM_NCMOUSELEAVE once the pointer leaves the frame.
static void followPointerOut() {
    typedef BOOL(WINAPI * TrackProc)(LPTRACKMOUSEEVENT);
    TrackProc track = (TrackProc)optionalUser32Function("TrackMouseEvent");
    TRACKMOUSEEVENT request = {sizeof request, TME_LEAVE | TME_NONCLIENT, state.viewerWnd, 0};
    if (track) track(&request);
}

// Above the strip, the pointer at its middle.
static void showTip(uint32_t minute, POINT at) {
    WCHAR names[ColourRuleCount][RuleNameSize];
    const WideChar* named[ColourRuleCount];
    nameRules(names, named);
    WCHAR text[256];
    uint32_t length = describeActivityMinute(activity, minute, named, (WideChar*)text, 256);
    if (!tip) {
        tip = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"STATIC", NULL,
                              WS_POPUP | WS_BORDER | SS_NOPREFIX | SS_CENTER, 0, 0, 0, 0, state.viewerWnd,
                              NULL, state.hInstance, NULL);
    }
    SendMessageW(tip, WM_SETFONT, (WPARAM)state.paneFont, FALSE);
    SetWindowTextW(tip, text);
    HDC dc = GetDC(tip);
    HGDIOBJ kept = SelectObject(dc, state.paneFont);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text, (int)length, &size);
    SelectObject(dc, kept);
    ReleaseDC(tip, dc);
    POINT top = {strip.left, strip.top};
    ClientToScreen(state.viewerWnd, &top);
    int width = size.cx + 8, height = size.cy + 4;
    int left = at.x - width / 2;
    SetWindowPos(tip, HWND_TOPMOST, left < 0 ? 0 : left, top.y - height - 2, width, height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    tipMinute = minute;
    followPointerOut();
}

void onPointerOverFrame(LPARAM screenPoint) {
    if (!state.activity) return;
    POINT at = {(short)LOWORD(screenPoint), (short)HIWORD(screenPoint)}, inside = at;
    ScreenToClient(state.viewerWnd, &inside);
    int bar = (inside.x - barLeft(0)) / BarWidth;
    if (!PtInRect(&strip, inside) || bar < 0 || bar >= (int)ActivityMinutes) {
        hideActivityTip();
        return;
    }
    uint32_t minute = minuteNow() - (ActivityMinutes - 1 - (uint32_t)bar);
    if (minute != tipMinute) showTip(minute, at);
}
