#include "commands/commands.h"

#include <commdlg.h>

#include "commands/menu.h"
#include "plugin/plugin.h"
#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/tail.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "viewer/pane.h"
#include "viewer/viewer.h"

static void showAbout() {
    SendMessageA(state.hostWnd, HostMsgMenusAway, 0, 0);
    MessageBoxA(state.hostWnd, infoStrings[0], infoStrings[1], MB_OK | MB_TOPMOST);
}

static void repaintViewer() { InvalidateRect(state.viewerWnd, NULL, TRUE); }

static void setStyleType(int styleType) {
    state.styleType = styleType;
    applyStyle();
    repaintViewer();
}

static void resizeViewer(HWND viewer, int newWidth, int newHeight, WPARAM wParam,
                         LPARAM lParam) {
    if (setWindowSize(newWidth, newHeight)) repaintViewer();
    SendMessageA(viewer, WM_SIZE, wParam, lParam);
}

static void setEdgeSize(HWND viewer, int edgeSize, WPARAM wParam, LPARAM lParam) {
    state.edgeSize = edgeSize;
    SendMessageA(viewer, WM_SIZE, wParam, lParam);
}

static void setFontHeight(int height) {
    state.fontHeight = height;
    applyStyle();
}

static void setFontFace(const char* face) {
    copyText(state.font, FontNameSize, face);
    applyStyle();
}

static void setFilePath(const char* path) {
    copyText(state.filePath, FilePathSize, path);
    forgetWatchedFile();
    reloadFileTail();
}

// Shown again at once in the new encoding, as a new file is.
static void setEncoding(const char* name) {
    copyText(state.encoding, EncodingNameSize, name);
    forgetWatchedFile();
    reloadFileTail();
}

static void setReadBufferSize(int size) {
    state.readBufferSize = size;
    reloadFileTail();
}

static void restartReloadTimer() {
    KillTimer(state.viewerWnd, ReloadTimer);
    startReloadTimer();
}

static void setReloadInterval(int seconds) {
    state.reloadInterval = seconds;
    if (state.autoReload) restartReloadTimer();
}

static void toggle(bool* setting) { *setting = !*setting; }

static void togglePluginToggle() {
    toggle(&state.pluginToggle);
    applyTransparency();
}

static void toggleOnTop() {
    toggle(&state.alwaysontop);
    if (!state.inSlit) {
        SetWindowPos(state.viewerWnd, state.alwaysontop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0,
                     0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    buildConfigMenu(false);
}

static void leaveSlit() {
    SendMessageA(state.slitWnd, SlitMsgRemove, 0, (LPARAM)state.viewerWnd);
    SetWindowPos(state.viewerWnd, NULL, state.x, state.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    state.inSlit = false;
    applyTransparency();
    onLeftSlit();
}

static void enterSlit() {
    state.inSlit = true;
    applyTransparency();
    SendMessageA(state.slitWnd, SlitMsgAdd, 0, (LPARAM)state.viewerWnd);
}

static void toggleInSlit() {
    if (!state.slitWnd) return;
    if (state.inSlit) {
        leaveSlit();
    } else {
        enterSlit();
    }
}

static void toggleTransparency() {
    toggle(&state.transparency);
    applyTransparency();
}

static void setAlpha(int alpha) {
    state.alpha = alpha;
    applyTransparency();
}

static void toggleAndRefreshMenu(bool* setting) {
    toggle(setting);
    buildConfigMenu(false);
}

static void toggleShowBorder() {
    toggle(&state.showBorder);
    InvalidateRect(state.viewerWnd, NULL, FALSE);
    buildConfigMenu(false);
}

static void toggleShowScroll() {
    toggle(&state.showScroll);
    updatePaneScrollBars();
    buildConfigMenu(false);
}

static void toggleWordWrap() {
    toggle(&state.wordWrap);
    recreateTextPane();
}

static void toggleAutoHide() {
    toggle(&state.autoHide);
    onAutoHideSwitched();
}

static void toggleAutoReload() {
    toggle(&state.autoReload);
    if (state.autoReload) {
        startReloadTimer();
    } else {
        KillTimer(state.viewerWnd, ReloadTimer);
    }
    buildConfigMenu(false);
}

// The custom colours belong to one command: they are not carried over.
// Returns the colour chosen, or CLR_INVALID when the dialog was cancelled.
static COLORREF askForColour(COLORREF initial) {
    COLORREF customColours[16];
    for (COLORREF& custom : customColours) custom = RGB(255, 255, 255);
    CHOOSECOLORA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.rgbResult = initial;
    dialog.lpCustColors = customColours;
    dialog.Flags = CC_RGBINIT;
    return ChooseColorA(&dialog) ? dialog.rgbResult : CLR_INVALID;
}

static void chooseColour(COLORREF* colour, bool rebuildsBrush) {
    COLORREF chosen = askForColour(*colour);
    if (chosen == CLR_INVALID) return;
    *colour = chosen;
    if (rebuildsBrush) applyStyle();
    InvalidateRect(state.paneWnd, NULL, TRUE);
}

// Only the face and the size are taken from the dialog.
static void chooseFont() {
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    GetObjectA(state.paneFont, sizeof font, &font);
    CHOOSEFONTA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = state.viewerWnd;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    dialog.nFontType = SCREEN_FONTTYPE;
    if (!ChooseFontA(&dialog)) return;
    copyText(state.font, FontNameSize, font.lfFaceName);
    state.fontHeight = -font.lfHeight;
    applyStyle();
}

static void editSettings() {
    QVExecute(GetDesktopWindow(), NULL, state.rcPath, NULL, NULL, SW_SHOWNORMAL, false);
}

// Values loaded for the position, z-order, scroll bars, wrap mode and timers
// take effect when their own commands or events next apply them.
static void reloadSettingsNow() {
    loadSettings();
    forgetWatchedFile();
    reloadFileTail();
    applyStyle();
    if (state.inSlit && state.slitWnd) {
        applyTransparency();
        SendMessageA(state.slitWnd, SlitMsgUpdate, 0, 0);
    } else {
        SendMessageA(state.slitWnd, SlitMsgRemove, 0, (LPARAM)state.viewerWnd);
    }
}

static void bringToFront() {
    SetWindowPos(state.viewerWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    SetForegroundWindow(state.viewerWnd);
    SetFocus(state.paneWnd);
}

static void showOrHidePlugins(const char* text) {
    if (!state.pluginToggle || state.inSlit) return;
    if (equalsIgnoringCase(text, "@QVShowPlugins")) {
        ShowWindow(state.viewerWnd, SW_SHOW);
        repaintViewer();
    } else if (equalsIgnoringCase(text, "@QVHidePlugins")) {
        ShowWindow(state.viewerWnd, SW_HIDE);
    }
}

static void runCommand(HWND viewer, CommandId id, const char* argument, WPARAM wParam,
                       LPARAM lParam) {
    switch (id) {
    case CmdNone: break;
    case CmdAbout: showAbout(); break;
    case CmdStyleType: setStyleType(readNumber(argument)); break;
    case CmdWidthSize: resizeViewer(viewer, readNumber(argument), state.height, wParam, lParam); break;
    case CmdHeightSize: resizeViewer(viewer, state.width, readNumber(argument), wParam, lParam); break;
    case CmdEdgeSize: setEdgeSize(viewer, readNumber(argument), wParam, lParam); break;
    case CmdFontSize: setFontHeight(readNumber(argument)); break;
    case CmdFontFace: setFontFace(argument); break;
    case CmdFilePath: setFilePath(argument); break;
    case CmdReadBufferSize: setReadBufferSize(readNumber(argument)); break;
    case CmdReloadInterval: setReloadInterval(readNumber(argument)); break;
    case CmdPluginToggle: togglePluginToggle(); break;
    case CmdOnTop: toggleOnTop(); break;
    case CmdInSlit: toggleInSlit(); break;
    case CmdTransparent: toggleTransparency(); break;
    case CmdAlphaValue: setAlpha(readNumber(argument)); break;
    case CmdSnapToEdge: toggleAndRefreshMenu(&state.snapWindow); break;
    case CmdShowBorder: toggleShowBorder(); break;
    case CmdShowScroll: toggleShowScroll(); break;
    case CmdLockPosition: toggleAndRefreshMenu(&state.lockPos); break;
    case CmdWordWrap: toggleWordWrap(); break;
    case CmdAutoHide: toggleAutoHide(); break;
    case CmdAutoReload: toggleAutoReload(); break;
    case CmdFontColor: chooseColour(&state.fontColor, false); break;
    case CmdBackColor: chooseColour(&state.backColor, true); break;
    case CmdSetFont: chooseFont(); break;
    case CmdEditRC: editSettings(); break;
    case CmdReloadSettings: reloadSettingsNow(); break;
    case CmdSaveSettings: saveSettings(); break;
    case CmdSetFocus: bringToFront(); break;
    case CmdEncoding: setEncoding(argument); break;
    }
}

LRESULT dispatchCommand(HWND viewer, WPARAM wParam, LPARAM lParam) {
    const char* text = (const char*)lParam;
    if (!text) return 0;
    showOrHidePlugins(text);
    CommandMatch match = matchCommand(text);
    runCommand(viewer, match.id, match.argument, wParam, lParam);
    return 0;
}
