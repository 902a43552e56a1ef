#include "viewer/pane_colours.h"

#include "settings/state.h"
#include "settings/code_pages.h"
#include "text/timeline.h"
#include "viewer/pane_view.h"
#include "viewer/status_line.h"

// Rows of a rule in view, as bands the width of the pane; neighbouring rows
// of one rule make one band. Rows beyond the capacity, in a pane of
// hundreds of rows, are drawn as if no rule picked them.
const int BandCapacity = 256;

struct RuleBand {
    RECT rect;
    int rule;
};

// With several sources, each line's label "[web]" on its first row, drawn
// in its source's colour on the row's background.
struct LabelPart {
    RECT rect;
    int source;
    int rule;  // of the label's line, for a band behind it
};

// Each source's label colour, as the tail last gave it.
struct LabelColour {
    bool coloured;
    COLORREF colour;
};
static LabelColour labelColours[MostSources];

void useLabelColour(uint32_t source, bool coloured, COLORREF colour) {
    if (source < MostSources) labelColours[source] = {coloured, colour};
}

struct RuleBands {
    int count;
    RuleBand bands[BandCapacity];
    int labelCount;
    LabelPart labels[BandCapacity];
};

// ---- Marking ------------------------------------------------------------------

static uint32_t rulesInUse() { return state.highlight ? ColourRuleCount : 0; }

// The lines before the pane's text that its first entries may begin in: one
// file's, or with several sources each one's lines before its first in the
// pane. They are packed from the front in the order they come, so that the
// few lines each source usually hands share the first page.
static WCHAR lookBackText[MostSources * (LookBackTextSize - 1) + 1];
static uint32_t lookBackLength;  // the file's
static uint32_t lookBackUsed;    // by the file's or by the sources' so far
static uint32_t sourceLookBackFrom[MostSources];
static uint32_t sourceLookBackLength[MostSources];

void usePaneLookBack(const WCHAR* text, uint32_t length) {
    lookBackLength = length < LookBackTextSize ? length : 0;
    if (lookBackLength > 0) CopyMemory(lookBackText, text, lookBackLength * sizeof(WCHAR));
    lookBackUsed = lookBackLength;
    for (uint32_t& sourceLength : sourceLookBackLength) sourceLength = 0;
}

void dropSourceLookBack(uint32_t source) {
    if (source < MostSources) sourceLookBackLength[source] = 0;
}

// The last whole lines of before and dropped, one after the other, that fit
// in LookBackTextSize - 1 units.
void useSourceLookBack(uint32_t source, const WCHAR* before, uint32_t beforeLength, const WCHAR* dropped,
                       uint32_t droppedLength) {
    const uint32_t room = LookBackTextSize - 1;
    if (source >= MostSources || lookBackUsed + room >= sizeof lookBackText / sizeof(WCHAR)) return;
    if (droppedLength > room) {
        uint32_t from = nextLineStart(dropped, droppedLength, droppedLength - room);
        dropped += from;
        droppedLength -= from;
        beforeLength = 0;
    }
    uint32_t fromBefore = 0;
    if (beforeLength + droppedLength > room) {
        fromBefore = nextLineStart(before, beforeLength, beforeLength + droppedLength - room);
    }
    WCHAR* out = lookBackText + lookBackUsed;
    uint32_t kept = beforeLength - fromBefore;
    CopyMemory(out, before + fromBefore, kept * sizeof(WCHAR));
    CopyMemory(out + kept, dropped, droppedLength * sizeof(WCHAR));
    sourceLookBackFrom[source] = lookBackUsed;
    sourceLookBackLength[source] = kept + droppedLength;
    lookBackUsed += kept + droppedLength;
}

static void compileRules() {
    WideChar value[HighlightRuleSize];
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        uint32_t length = settingTextToWide(state.highlightRules[r], value, HighlightRuleSize,
                                            systemCodePages);
        parseColourRule(value, length, &state.colourRules[r]);
    }
}

static void markText(const WCHAR* text, uint32_t length, bool appended) {
    if (!appended) {
        clearLineMarks(&state.lineMarks);
        state.lineMarks.entries = entryGrouping();
        if (lookBackLength > 0) {
            markLookBack(&state.lineMarks, state.colourRules, rulesInUse(), lookBackText, lookBackLength);
        }
        for (uint8_t source = 0; source < MostSources; ++source) {
            if (sourceLookBackLength[source] == 0) continue;
            markSourceLookBack(&state.lineMarks, state.colourRules, rulesInUse(), source,
                               lookBackText + sourceLookBackFrom[source], sourceLookBackLength[source]);
        }
    }
    markLines(&state.lineMarks, state.colourRules, rulesInUse(), text, length);
}

// Text typed beyond what the pane can hold of a file stays unmarked.
void markWholePaneText() {
    int length = GetWindowTextW(state.paneWnd, state.paneTextRead, PaneTextSize);
    markText(state.paneTextRead, length > 0 ? (uint32_t)length : 0, false);
    InvalidateRect(state.paneWnd, NULL, FALSE);
}

// A rule that is off says so on the status line; the strip's bars take the rules' colours.
void applyHighlightSettings() {
    compileRules();
    if (!state.paneWnd) return;
    markWholePaneText();
    UpdateWindow(state.paneWnd);
    updateStatus();
}

// The marks follow an append only where it goes: at the end of the marked text.
static bool appendsToMarkedText() {
    DWORD start = 0, end = 0;
    sendToPane(EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    DWORD length = (DWORD)GetWindowTextLengthW(state.paneWnd);
    return start == end && end == length && state.lineMarks.length == length;
}

static bool rowEndExpected;
static int oldRowSuffix, newRowSuffix;

void expectRowEndReplaced(int oldSuffix, int newSuffix) {
    rowEndExpected = true;
    oldRowSuffix = oldSuffix;
    newRowSuffix = newSuffix;
}

// The selection is the last row's suffix and line end, as the marks hold them.
static bool replacesMarkedRowEnd(const WCHAR* text) {
    DWORD start = 0, end = 0;
    sendToPane(EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    DWORD length = (DWORD)GetWindowTextLengthW(state.paneWnd);
    const LineMarks& marks = state.lineMarks;
    return text && end == length && marks.length == length && marks.atLineStart &&
           (int)(end - start) == oldRowSuffix + 2 && lstrlenW(text) >= newRowSuffix + 2;
}

static bool markReplacedRowEnd(const WCHAR* text) {
    rowEndExpected = false;
    if (!replacesMarkedRowEnd(text)) return false;
    moveLastLineEnd(&state.lineMarks, newRowSuffix - oldRowSuffix);
    const WCHAR* behind = text + newRowSuffix + 2;
    markLines(&state.lineMarks, state.colourRules, rulesInUse(), behind, (uint32_t)lstrlenW(behind));
    return true;
}

bool markEnteringText(UINT message, const WCHAR* text) {
    bool appended = message == EM_REPLACESEL;
    if (appended && rowEndExpected) return markReplacedRowEnd(text);
    if (appended && !appendsToMarkedText()) return false;
    markText(text ? text : L"", text ? (uint32_t)lstrlenW(text) : 0, appended);
    return true;
}

void onPaneNotification(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != EN_CHANGE || (HWND)lParam != state.paneWnd) return;
    if (!state.settingPaneText) markWholePaneText();
}

// ---- Rows in view ---------------------------------------------------------------

static bool anyRuleInUse() {
    for (uint32_t r = 0; r < rulesInUse(); ++r) {
        if (state.colourRules[r].check == RuleUsable) return true;
    }
    return false;
}

static void addRow(RuleBands* found, const RECT& row, int rule) {
    RuleBand* last = found->count > 0 ? &found->bands[found->count - 1] : NULL;
    if (last && last->rule == rule && last->rect.bottom == row.top) {
        last->rect.bottom = row.bottom;
    } else if (found->count < BandCapacity) {
        RuleBand band = {row, rule};
        found->bands[found->count++] = band;
    }
}

static void addLabelPart(RuleBands* found, const RECT& part, int source, int rule) {
    if (found->labelCount == BandCapacity || part.right <= part.left) return;
    LabelPart label = {part, source, rule};
    found->labels[found->labelCount++] = label;
}

// The label on the row that starts at `start`, from the control's places of
// its first character (`place`) and of the blank behind it. Where the
// control broke the label over rows, each row's part of it, the first ones
// to the pane's edge.
static void addLabel(RuleBands* found, int rowIndex, LRESULT start, LRESULT place, const RECT& row, int rule) {
    uint8_t source = labelAt(state.lineMarks, (uint32_t)start);
    if (source == NoSource) return;
    LRESULT end = start + labelledLength(state.lineMarks.labels->label[source]) - 1;
    LRESULT to = sendToPane(EM_POSFROMCHAR, end, 0);
    if (to != -1 && HIWORD(to) == HIWORD(place)) {
        addLabelPart(found, {(short)LOWORD(place), row.top, (short)LOWORD(to), row.bottom}, source, rule);
        return;
    }
    int lastRow = (int)sendToPane(EM_LINEFROMCHAR, end, 0);
    for (int r = rowIndex; r <= lastRow; ++r) {
        LRESULT left = r == rowIndex ? place : sendToPane(EM_POSFROMCHAR, sendToPane(EM_LINEINDEX, r, 0), 0);
        if (left == -1) continue;
        LONG top = (short)HIWORD(left), right = r == lastRow && to != -1 ? (short)LOWORD(to) : row.right;
        addLabelPart(found, {(short)LOWORD(left), top, right, top + (row.bottom - row.top)}, source, rule);
    }
}

// Every row in view whose line a rule picked, at the place the control
// reports for the row's first character; and the labels.
static void findRuleBands(RuleBands* found) {
    found->count = 0;
    found->labelCount = 0;
    bool labels = state.lineMarks.labels != NULL;
    if (!state.paneWnd || (!anyRuleInUse() && !labels)) return;
    RECT client;
    GetClientRect(state.paneWnd, &client);
    int height = state.paneLineHeight > 0 ? state.paneLineHeight : 1;
    int first = (int)sendToPane(EM_GETFIRSTVISIBLELINE, 0, 0);
    int rowCount = (int)sendToPane(EM_GETLINECOUNT, 0, 0);
    int last = first + client.bottom / height + 1;
    for (int row = first; row <= last && row < rowCount; ++row) {
        LRESULT start = sendToPane(EM_LINEINDEX, row, 0);
        int rule = start < 0 ? NoRule : markedRule(state.lineMarks, (uint32_t)start);
        if (rule == NoRule && !labels) continue;
        LRESULT place = sendToPane(EM_POSFROMCHAR, start, 0);
        if (place == -1) continue;
        int top = (short)HIWORD(place);
        RECT rect = {client.left, top, client.right, top + height};
        if (rule != NoRule) addRow(found, rect, rule);
        if (labels) addLabel(found, row, start, place, rect, rule);
    }
}

static bool bandsMeet(const RuleBands& found, const RECT& area) {
    RECT common;
    for (int i = 0; i < found.count; ++i) {
        if (IntersectRect(&common, &found.bands[i].rect, &area)) return true;
    }
    for (int i = 0; i < found.labelCount; ++i) {
        if (IntersectRect(&common, &found.labels[i].rect, &area)) return true;
    }
    return false;
}

// ---- Painting -------------------------------------------------------------------

const int EveryRule = -2;

// The colours the control draws a part of the pane in.
struct PartColours {
    COLORREF text;
    COLORREF back;
    HBRUSH brush;  // of back
};

static PartColours plainColours() {
    PartColours plain = {state.fontColor, state.backColor, state.backBrush};
    return plain;
}

// A rule's colours: its own, the font's and the background's where it has
// none. A band's brush is made here; releaseColours deletes it.
static PartColours ruleColours(const ColourRule& rule) {
    PartColours colours = plainColours();
    if (rule.colour != NoColour) colours.text = rule.colour;
    if (rule.background != NoColour) {
        colours.back = rule.background;
        colours.brush = CreateSolidBrush(rule.background);
    }
    return colours;
}

static void releaseColours(const PartColours& colours) {
    if (colours.brush != state.backBrush) DeleteObject(colours.brush);
}

// The colours of the part that our paint lets the control draw, while it does.
static const PartColours* coloursOfPart;

static void addRect(HRGN region, const RECT& rect) {
    HRGN part = CreateRectRgnIndirect(&rect);
    CombineRgn(region, region, part, RGN_OR);
    DeleteObject(part);
}

// The labels of a source on the rows of a rule.
static HRGN labelRegion(const RuleBands& found, int source, int rule) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int i = 0; i < found.labelCount; ++i) {
        const LabelPart& label = found.labels[i];
        if (label.source == source && label.rule == rule) addRect(region, label.rect);
    }
    return region;
}

static HRGN everyLabelRegion(const RuleBands& found) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int i = 0; i < found.labelCount; ++i) addRect(region, found.labels[i].rect);
    return region;
}

// The bands of a rule, or of every rule.
static HRGN bandRegion(const RuleBands& found, int rule) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int i = 0; i < found.count; ++i) {
        if (rule == EveryRule || found.bands[i].rule == rule) addRect(region, found.bands[i].rect);
    }
    return region;
}

// The area less the bands (RGN_DIFF), or the area within them (RGN_AND);
// never a label's place, which its own pass paints.
static HRGN partOfArea(const RECT& area, HRGN bands, int combination, HRGN labels) {
    HRGN part = CreateRectRgnIndirect(&area);
    CombineRgn(part, part, bands, combination);
    CombineRgn(part, part, labels, RGN_DIFF);
    DeleteObject(bands);
    return part;
}

// The control paints the region's part of its client area into dc in the
// colours, on their background: filled first, as Windows' control need not
// erase what it prints.
static void paintPart(HWND pane, HDC dc, HRGN region, const PartColours& colours) {
    RECT box;
    if (GetRgnBox(region, &box) != NULLREGION) {
        SelectClipRgn(dc, region);
        FillRgn(dc, region, colours.brush);
        coloursOfPart = &colours;
        passToControl(pane, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
        coloursOfPart = NULL;
    }
    DeleteObject(region);
}

// A source's labels, on the rows of each rule, in the source's colour on
// the row's background.
static void paintLabels(HWND pane, HDC dc, const RECT& area, const RuleBands& found) {
    for (int i = 0; i < found.labelCount; ++i) {
        const LabelPart& label = found.labels[i];
        bool first = true;  // one pass for each source and rule, at its first label
        for (int j = 0; j < i && first; ++j) {
            first = found.labels[j].source != label.source || found.labels[j].rule != label.rule;
        }
        if (!first) continue;
        PartColours colours = label.rule == NoRule ? plainColours() : ruleColours(state.colourRules[label.rule]);
        colours.text = labelColours[label.source].coloured ? labelColours[label.source].colour : state.fontColor;
        HRGN region = CreateRectRgnIndirect(&area);
        HRGN labels = labelRegion(found, label.source, label.rule);
        CombineRgn(region, region, labels, RGN_AND);
        DeleteObject(labels);
        paintPart(pane, dc, region, colours);
        releaseColours(colours);
    }
}

static bool ruleInBands(const RuleBands& found, int rule) {
    for (int i = 0; i < found.count; ++i) {
        if (found.bands[i].rule == rule) return true;
    }
    return false;
}

// Paints the area off-screen, each colour in a pass of its own, and shows it
// on target in one piece.
static void paintInColours(HWND pane, HDC target, const RECT& area, const RuleBands& found) {
    RECT client;
    GetClientRect(pane, &client);
    HDC memory = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, client.right, client.bottom);
    HGDIOBJ keptBitmap = SelectObject(memory, bitmap);

    HRGN labels = everyLabelRegion(found);
    paintPart(pane, memory, partOfArea(area, bandRegion(found, EveryRule), RGN_DIFF, labels), plainColours());
    for (int rule = 0; rule < (int)ColourRuleCount; ++rule) {
        if (!ruleInBands(found, rule)) continue;
        PartColours colours = ruleColours(state.colourRules[rule]);
        paintPart(pane, memory, partOfArea(area, bandRegion(found, rule), RGN_AND, labels), colours);
        releaseColours(colours);
    }
    DeleteObject(labels);
    paintLabels(pane, memory, area, found);
    SelectClipRgn(memory, NULL);
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, memory,
           area.left, area.top, SRCCOPY);

    SelectObject(memory, keptBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

// The rows of the pane's own paint or ours, while it is under way: found
// once, for the colours the control asks for meanwhile.
static const RuleBands* bandsOfPaint;

static void beginPanePaint(const RuleBands& found) { bandsOfPaint = &found; }
static void endPanePaint() { bandsOfPaint = NULL; }

static LRESULT controlPaints(HWND pane, UINT message, WPARAM wParam, LPARAM lParam,
                             const RuleBands& found) {
    beginPanePaint(found);
    LRESULT result = passToControl(pane, message, wParam, lParam);
    endPanePaint();
    return result;
}

// A paint into a given device context, as for WM_PRINTCLIENT, is made whole.
static LRESULT paintInto(HWND pane, UINT message, HDC target, LPARAM lParam) {
    RuleBands found;
    findRuleBands(&found);
    if (found.count == 0 && found.labelCount == 0) {
        return controlPaints(pane, message, (WPARAM)target, lParam, found);
    }
    RECT client;
    GetClientRect(pane, &client);
    paintInColours(pane, target, client, found);
    return 0;
}

LRESULT paintPane(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT || wParam) return paintInto(pane, message, (HDC)wParam, lParam);
    RuleBands found;
    findRuleBands(&found);
    RECT update;
    if (!GetUpdateRect(pane, &update, FALSE) || !bandsMeet(found, update)) {
        return controlPaints(pane, message, wParam, lParam, found);
    }
    // The control may erase its background as BeginPaint asks it to.
    beginPanePaint(found);
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(pane, &paint);
    paintInColours(pane, screen, paint.rcPaint, found);
    EndPaint(pane, &paint);
    endPanePaint();
    return 0;
}

static HBRUSH useColours(HDC dc, const PartColours& colours) {
    SetTextColor(dc, colours.text);
    SetBkColor(dc, colours.back);
    return colours.brush;
}

HBRUSH colourPaneDrawing(HDC dc) {
    if (coloursOfPart) return useColours(dc, *coloursOfPart);
    RuleBands foundNow;
    if (!bandsOfPaint) findRuleBands(&foundNow);
    const RuleBands& found = bandsOfPaint ? *bandsOfPaint : foundNow;
    for (int i = 0; i < found.count; ++i) {
        const RECT& band = found.bands[i].rect;
        ExcludeClipRect(dc, band.left, band.top, band.right, band.bottom);
    }
    for (int i = 0; i < found.labelCount; ++i) {
        const RECT& label = found.labels[i].rect;
        ExcludeClipRect(dc, label.left, label.top, label.right, label.bottom);
    }
    if (!bandsOfPaint && (found.count > 0 || found.labelCount > 0)) state.paneDrewAtOnce = true;
    return colourPlainly(dc);
}

HBRUSH colourPlainly(HDC dc) { return useColours(dc, plainColours()); }

void paintRowsDrawnAtOnce() {
    if (!state.paneDrewAtOnce) return;
    state.paneDrewAtOnce = false;
    RuleBands found;
    findRuleBands(&found);
    HRGN rows = bandRegion(found, EveryRule);
    HRGN labels = everyLabelRegion(found);
    CombineRgn(rows, rows, labels, RGN_OR);
    DeleteObject(labels);
    RedrawWindow(state.paneWnd, NULL, rows, RDW_INVALIDATE | RDW_UPDATENOW);
    DeleteObject(rows);
}

static void invalidateStrip(LONG left, LONG right, const RECT& client) {
    if (right <= left) return;
    RECT strip = {left, client.top, right, client.bottom};
    InvalidateRect(state.paneWnd, &strip, FALSE);
}

void paintMarginsAfterScroll(int firstRowBefore) {
    if (sendToPane(EM_GETFIRSTVISIBLELINE, 0, 0) == firstRowBefore) return;
    RECT client, format;
    GetClientRect(state.paneWnd, &client);
    sendToPane(EM_GETRECT, 0, (LPARAM)&format);
    invalidateStrip(client.left, format.left, client);
    invalidateStrip(format.right, client.right, client);
}
