#include "commands/commands.h"

#include <commdlg.h>

#include "commands/menu.h"
#include "settings/plugin_info.h"
#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/tail.h"
#include "viewer/alert.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "viewer/pane.h"
#include "viewer/pane_colours.h"
#include "viewer/viewer.h"

// What a command word is followed by: the text behind the separator, and
// for words that take a number, that number.
struct CommandArgument {
    const char* text;
    int number;
};

static void showAbout(const CommandArgument&) {
    SendMessageA(state.hostWnd, HostMsgMenusAway, 0, 0);
    MessageBoxA(state.hostWnd, infoStrings[0], infoStrings[1], MB_OK | MB_TOPMOST);
}

static void repaintViewer() { InvalidateRect(state.viewerWnd, NULL, TRUE); }

static void setStyleType(const CommandArgument& argument) {
    state.styleType = argument.number;
    applyStyle();
    repaintViewer();
}

// The pane is laid out again even when the size stays.
static void resizeViewer(int newWidth, int newHeight) {
    if (setWindowSize(newWidth, newHeight)) repaintViewer();
    sendSizeMessage(state.viewerWnd);
}

static void setWidth(const CommandArgument& argument) {
    resizeViewer(argument.number, state.height);
}

static void setHeight(const CommandArgument& argument) {
    resizeViewer(state.width, argument.number);
}

static void setEdgeSize(const CommandArgument& argument) {
    state.edgeSize = argument.number;
    sendSizeMessage(state.viewerWnd);
}

static void setFontHeight(const CommandArgument& argument) {
    state.fontHeight = argument.number;
    applyStyle();
}

static void setFontFace(const CommandArgument& argument) {
    copyText(state.font, FontNameSize, argument.text);
    applyStyle();
}

static void setFilePath(const CommandArgument& argument) {
    copyText(state.filePath, FilePathSize, argument.text);
    showWatchedFileAgain();
}

// Shown again at once in the new encoding, as a new file is.
static void setEncoding(const CommandArgument& argument) {
    copyText(state.encoding, EncodingNameSize, argument.text);
    showWatchedFileAgain();
}

// The line settings show the file again at once, as a new encoding does.
static void setLines(const CommandArgument& argument) {
    state.lines = argument.number;
    showWatchedFileAgain();
    buildConfigMenu(false);
}

static void setFilterShow(const CommandArgument& argument) {
    copyText(state.filterShow, FilterTextSize, argument.text);
    showWatchedFileAgain();
    buildConfigMenu(false);
}

static void setFilterHide(const CommandArgument& argument) {
    copyText(state.filterHide, FilterTextSize, argument.text);
    showWatchedFileAgain();
    buildConfigMenu(false);
}

static void setScanLimit(const CommandArgument& argument) {
    state.scanLimit = argument.number;
    showWatchedFileAgain();
    buildConfigMenu(false);
}

// Shown again at once, as a new encoding is.
static void setReadBufferSize(const CommandArgument& argument) {
    state.readBufferSize = argument.number;
    showWatchedFileAgain();
}

static void setReloadInterval(const CommandArgument& argument) {
    state.reloadInterval = argument.number;
    if (!state.autoReload) return;
    KillTimer(state.viewerWnd, ReloadTimer);
    startReloadTimer();
}

// Counts from the latest listing, at the reload timer's next tick.
static void setRescan(const CommandArgument& argument) { state.rescan = argument.number; }

static void toggle(bool* setting) { *setting = !*setting; }

static void togglePluginToggle(const CommandArgument&) {
    toggle(&state.pluginToggle);
    applyTransparency();
}

static void toggleOnTop(const CommandArgument&) {
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

static void toggleInSlit(const CommandArgument&) {
    if (!state.slitWnd) return;
    if (state.inSlit) {
        leaveSlit();
    } else {
        enterSlit();
    }
}

static void toggleTransparency(const CommandArgument&) {
    toggle(&state.transparency);
    applyTransparency();
}

static void setAlpha(const CommandArgument& argument) {
    state.alpha = argument.number;
    applyTransparency();
}

static void toggleSnapToEdge(const CommandArgument&) {
    toggle(&state.snapWindow);
    buildConfigMenu(false);
}

static void toggleShowBorder(const CommandArgument&) {
    toggle(&state.showBorder);
    InvalidateRect(state.viewerWnd, NULL, FALSE);
    buildConfigMenu(false);
}

static void toggleShowScroll(const CommandArgument&) {
    toggle(&state.showScroll);
    updatePaneScrollBars();
    buildConfigMenu(false);
}

static void toggleLockPosition(const CommandArgument&) {
    toggle(&state.lockPos);
    buildConfigMenu(false);
}

static void toggleWordWrap(const CommandArgument&) {
    toggle(&state.wordWrap);
    recreateTextPane();
}

static void toggleAutoHide(const CommandArgument&) {
    toggle(&state.autoHide);
    onAutoHideSwitched();
}

static void toggleAutoReload(const CommandArgument&) {
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

// The pane's colour message reads the font colour directly: no rebuild.
static void chooseFontColour(const CommandArgument&) { chooseColour(&state.fontColor, false); }

static void chooseBackColour(const CommandArgument&) { chooseColour(&state.backColor, true); }

// Only the face and the size are taken from the dialog.
static void chooseFont(const CommandArgument&) {
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

static void editSettings(const CommandArgument&) {
    QVExecute(GetDesktopWindow(), NULL, state.rcPath, NULL, NULL, SW_SHOWNORMAL, false);
}

// Values loaded for the position, z-order, scroll bars, wrap mode and timers
// take effect when their own commands or events next apply them. Where a
// slit can take the window, its place follows the loaded setting through
// the steps of the InSlit command.
static void reloadSettingsNow(const CommandArgument&) {
    bool docked = state.inSlit;
    loadSettings();
    applyHighlightSettings();
    bool wantsSlit = state.inSlit;
    showWatchedFileAgain();
    applyStyle();
    if (!state.slitWnd) return;
    state.inSlit = docked;
    if (wantsSlit && !docked) {
        enterSlit();
    } else if (!wantsSlit && docked) {
        leaveSlit();
    } else if (docked) {
        applyTransparency();
        SendMessageA(state.slitWnd, SlitMsgUpdate, 0, 0);
    }
}

static void saveSettingsNow(const CommandArgument&) { saveSettings(); }

// "N VALUE": the value is kept as given, cut to its field, and shown at once.
// A line break would end its line in the settings file and make the rest a
// setting of its own: the value ends before one.
static void setHighlightRule(const CommandArgument& argument) {
    int number = 0;
    const char* value = ruleValueOf(argument.text, &number);
    if (number < 1 || number > (int)ColourRuleCount) return;
    copyText(state.highlightRules[number - 1], HighlightRuleSize, value);
    cutAtLineBreak(state.highlightRules[number - 1]);
    applyHighlightSettings();
    buildConfigMenu(false);
}

static void acknowledge(const CommandArgument&) { acknowledgeAlert(); }

static void toggleAlertSound(const CommandArgument&) {
    toggle(&state.alertSound);
    buildConfigMenu(false);
}

static void setAlertQuiet(const CommandArgument& argument) {
    state.alertQuiet = argument.number;
    buildConfigMenu(false);
}

static void toggleHighlightLines(const CommandArgument&) {
    toggle(&state.highlight);
    applyHighlightSettings();
    buildConfigMenu(false);
}

static void bringToFront(const CommandArgument&) {
    SetWindowPos(state.viewerWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    SetForegroundWindow(state.viewerWnd);
    SetFocus(state.paneWnd);
}

typedef void (*CommandHandler)(const CommandArgument& argument);

#define COMMAND_HANDLER(word, argument, handler) handler,
static const CommandHandler commandHandlers[CommandCount] = {COMMAND_TABLE(COMMAND_HANDLER)};
#undef COMMAND_HANDLER

static void showOrHidePlugins(const char* text) {
    if (!state.pluginToggle || state.inSlit) return;
    if (equalsIgnoringCase(text, ShowPluginsCommand)) {
        ShowWindow(state.viewerWnd, SW_SHOW);
        repaintViewer();
    } else if (equalsIgnoringCase(text, HidePluginsCommand)) {
        ShowWindow(state.viewerWnd, SW_HIDE);
    }
}

static void runCommand(CommandMatch match) {
    if (match.id == CmdNone) return;
    bool takesNumber = commandWords[match.id].argument == NumberArgument;
    CommandArgument argument = {match.argument, takesNumber ? readNumber(match.argument) : 0};
    commandHandlers[match.id](argument);
}

LRESULT dispatchCommand(LPARAM lParam) {
    const char* text = (const char*)lParam;
    if (!text) return 0;
    showOrHidePlugins(text);
    runCommand(matchCommand(text));
    return 0;
}
