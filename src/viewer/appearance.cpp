#include "viewer/appearance.h"

#include "settings/state.h"
#include "settings/code_pages.h"
#include "viewer/activity_strip.h"
#include "viewer/alert.h"
#include "viewer/optional_user32.h"
#include "viewer/pane.h"
#include "viewer/pane_colours.h"

typedef BOOL(WINAPI* LayeredAttributesProc)(HWND, COLORREF, BYTE, DWORD);

// The old font is released only once the pane has the new one: the control
// measures and draws with the font it holds.
static void replaceFont() {
    HFONT oldFont = state.paneFont;
    WCHAR face[LF_FACESIZE];
    settingTextToWide(state.font, face, LF_FACESIZE, systemCodePages);
    state.paneFont = CreateFontW(state.fontHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                 0, 0, 0, 0, face);
    setPaneFont(state.paneFont, true);
    if (oldFont) DeleteObject(oldFont);
}

static void replaceBrush() {
    if (state.backBrush) DeleteObject(state.backBrush);
    state.backBrush = CreateSolidBrush(state.backColor);
}

// The shell knows no style for some numbers; the previous style is kept then.
static void copyShellStyle() {
    const void* record = GetSettingPtr(state.styleType);
    if (record) CopyMemory(state.styleItem, record, StyleRecordSize);
}

void releaseFontAndBrush() {
    if (state.paneFont) DeleteObject(state.paneFont);
    state.paneFont = NULL;
    if (state.backBrush) DeleteObject(state.backBrush);
    state.backBrush = NULL;
}

void applyStyle() {
    replaceFont();
    replaceBrush();
    copyShellStyle();
}

// An alert paints the frame in its rule's colour, over the style; else a
// source that has gone quiet, in the stale colour.
static void paintTint(HDC dc, const RECT& frame) {
    COLORREF colour = state.staleColor;
    if (!alertColour(&colour) && !state.sourceQuiet) return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &frame, brush);
    DeleteObject(brush);
}

// Paints the whole background off-screen and copies it in one piece; a bar
// that changed repaints the activity strip alone, which covers its area.
void paintBackground(HWND viewer) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(viewer, &paint);
    RECT client;
    GetClientRect(viewer, &client);
    bool stripAlone = activityStripCovers(paint.rcPaint);
    RECT area = stripAlone ? paint.rcPaint : client;
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC memoryDc = CreateCompatibleDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ keptBitmap = SelectObject(memoryDc, bitmap);
    SetViewportOrgEx(memoryDc, -area.left, -area.top, NULL);

    if (!stripAlone) {
        MakeStyleGradient(memoryDc, &client, state.styleItem, state.showBorder);
        paintTint(memoryDc, client);
    }
    paintActivityStrip(memoryDc);
    SetViewportOrgEx(memoryDc, 0, 0, NULL);
    BitBlt(dc, area.left, area.top, width, height, memoryDc, 0, 0, SRCCOPY);

    SelectObject(memoryDc, keptBitmap);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    EndPaint(viewer, &paint);
}

BYTE windowOpacity(bool transparency, int alpha) {
    if (!transparency || alpha > 255) return 255;
    return alpha < 0 ? 0 : (BYTE)alpha;
}

void applyTransparency() {
    if (state.canLayer) {
        LONG exStyle = GetWindowLongA(state.viewerWnd, GWL_EXSTYLE);
        if (windowDocked()) {
            SetWindowLongA(state.viewerWnd, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        } else {
            SetWindowLongA(state.viewerWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
            setLayeredAttributes(state.viewerWnd, 0,
                                 windowOpacity(state.transparency, state.alpha), LWA_ALPHA);
        }
    }
    InvalidateRect(state.viewerWnd, NULL, FALSE);
}

BOOL setLayeredAttributes(HWND window, COLORREF key, BYTE alpha, DWORD flags) {
    LayeredAttributesProc setAttributes =
        (LayeredAttributesProc)optionalUser32Function("SetLayeredWindowAttributes");
    return setAttributes ? setAttributes(window, key, alpha, flags) : FALSE;
}

HBRUSH colourPane(HDC paneDc) {
    SetBkMode(paneDc, OPAQUE);
    return colourPaneDrawing(paneDc);
}
