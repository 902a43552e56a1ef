#include "commands/commands.h"

#include <commdlg.h>
#include <dlgs.h>

#include "commands/menu.h"
#include "settings/plugin_info.h"
#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/tail.h"
#include "viewer/alert.h"
#include "viewer/appearance.h"
#include "viewer/autohide.h"
#include "viewer/fullscreen.h"
#include "viewer/pane.h"
#include "viewer/pane_colours.h"
#include "viewer/placement.h"
#include "viewer/status_line.h"
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

// After a change that only the menu shows, or that the steps before it did
// not show there.
static void refreshMenu() { buildConfigMenu(false); }

// A setting of what is shown of the file: shown again at once, and in the menu.
static void showFileAgainWithNewValue() {
    showWatchedFileAgain();
    refreshMenu();
}

static void setStyleType(const CommandArgument& argument) {
    state.styleType = argument.number;
    applyStyle();
    repaintViewer();
}

// The pane is laid out again even when the size stays. The new size may
// not fit where the window is: it is placed afresh.
static void resizeViewer(int newWidth, int newHeight) {
    if (setWindowSize(newWidth, newHeight)) {
        placeWindowOnMonitors();
        repaintViewer();
    }
    sendSizeMessage(state.viewerWnd);
    refreshMenu();
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
    refreshMenu();
}

static void setFontHeight(const CommandArgument& argument) {
    state.fontHeight = argument.number;
    applyStyle();
}

// A text item's menu shows its value in the ANSI code page (see menu.cpp).
// The value coming back as shown keeps the stored one, whose characters the
// code page may lack: nothing is lost, and no '?' becomes a wildcard.
#define TAKE_TEXT(field, given) takeText(state.field, sizeof state.field, state.menuTexts.field, given)
static void takeText(char* field, int capacity, const char* shown, const char* given) {
    if (!equalsText(given, shown)) copyText(field, capacity, given);
}

static void setFontFace(const CommandArgument& argument) {
    TAKE_TEXT(font, argument.text);
    applyStyle();
}

static void setFilePath(const CommandArgument& argument) {
    TAKE_TEXT(filePath, argument.text);
    showFileAgainWithNewValue();
}

// Shown again at once in the new encoding, as a new file is.
static void setEncoding(const CommandArgument& argument) {
    TAKE_TEXT(encoding, argument.text);
    showFileAgainWithNewValue();
}

// The line settings show the file again at once, as a new encoding does.
static void setLines(const CommandArgument& argument) {
    state.lines = argument.number;
    showFileAgainWithNewValue();
}

static void setFilterShow(const CommandArgument& argument) {
    TAKE_TEXT(filterShow, argument.text);
    showFileAgainWithNewValue();
}

static void setFilterHide(const CommandArgument& argument) {
    TAKE_TEXT(filterHide, argument.text);
    showFileAgainWithNewValue();
}

static void setScanLimit(const CommandArgument& argument) {
    state.scanLimit = argument.number;
    showFileAgainWithNewValue();
}

// Shown again at once, as a new encoding is.
static void setReadBufferSize(const CommandArgument& argument) {
    state.readBufferSize = argument.number;
    showFileAgainWithNewValue();
}

static void setReloadInterval(const CommandArgument& argument) {
    state.reloadInterval = argument.number;
    applyReloadTimer();
    refreshMenu();
}

// Counts from the folder's latest look, at the reload timer's next tick.
static void setRescan(const CommandArgument& argument) {
    state.rescan = argument.number;
    refreshMenu();
}

static void toggle(bool* setting) { *setting = !*setting; }

static void togglePluginToggle(const CommandArgument&) {
    toggle(&state.pluginToggle);
    applyTransparency();
}

// The slit keeps a docked window in its own place among the windows.
static void applyZOrder() {
    if (windowDocked()) return;
    SetWindowPos(state.viewerWnd, state.alwaysontop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

static void toggleOnTop(const CommandArgument&) {
    toggle(&state.alwaysontop);
    applyZOrder();
    refreshMenu();
}

static void leaveSlit() {
    SendMessageA(state.slitWnd, SlitMsgRemove, 0, (LPARAM)state.viewerWnd);
    state.inSlit = false;
    placeWindowOnMonitors();
    applyTransparency();
    onLeftSlit();
    watchForFullscreen();
}

static void enterSlit() {
    state.inSlit = true;
    applyTransparency();
    SendMessageA(state.slitWnd, SlitMsgAdd, 0, (LPARAM)state.viewerWnd);
    watchForFullscreen();
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
    refreshMenu();
}

static void toggleShowBorder(const CommandArgument&) {
    toggle(&state.showBorder);
    InvalidateRect(state.viewerWnd, NULL, FALSE);
    refreshMenu();
}

static void toggleShowScroll(const CommandArgument&) {
    toggle(&state.showScroll);
    updatePaneScrollBars();
    refreshMenu();
}

static void toggleLockPosition(const CommandArgument&) {
    toggle(&state.lockPos);
    refreshMenu();
}

static void toggleWordWrap(const CommandArgument&) {
    toggle(&state.wordWrap);
    applyWrapMode();
}

static void toggleAutoHide(const CommandArgument&) {
    toggle(&state.autoHide);
    onAutoHideSwitched();
}

static void toggleAutoReload(const CommandArgument&) {
    toggle(&state.autoReload);
    applyReloadTimer();
    refreshMenu();
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
    InvalidateRect(state.statusWnd, NULL, TRUE);
}

// The pane's colour message reads the font colour directly: no rebuild.
static void chooseFontColour(const CommandArgument&) { chooseColour(&state.fontColor, false); }

static void chooseBackColour(const CommandArgument&) { chooseColour(&state.backColor, true); }

// The font dialog's choices that the pane does not keep: its style (weight
// and slant) and its script, each with its label. Without CF_EFFECTS it
// offers no effects or colour.
static const int unkeptFontChoices[] = {stc2, cmb2, stc7, cmb5};

static UINT_PTR CALLBACK hideUnkeptFontChoices(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    for (int id : unkeptFontChoices) ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
    return TRUE;
}

// Only the face and the size are offered and taken.
static void chooseFont(const CommandArgument&) {
    LOGFONTA font;
    ZeroMemory(&font, sizeof font);
    GetObjectA(state.paneFont, sizeof font, &font);
    CHOOSEFONTA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = state.viewerWnd;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOSCRIPTSEL | CF_ENABLEHOOK;
    dialog.lpfnHook = hideUnkeptFontChoices;
    dialog.nFontType = SCREEN_FONTTYPE;
    if (!ChooseFontA(&dialog)) return;
    copyText(state.font, FontNameSize, font.lfFaceName);
    state.fontHeight = -font.lfHeight;
    applyStyle();
}

// Saved first, so that the editor shows the settings the plugin uses.
static void editSettings(const CommandArgument&) {
    saveSettings();
    QVExecute(GetDesktopWindow(), NULL, state.rcPath, NULL, NULL, SW_SHOWNORMAL, false);
}

// ---- Reload Settings ----------------------------------------------------------
// Every loaded setting takes effect through the step its own command takes,
// so that window, pane, timers and menu agree with the settings afterwards.

static void restyle() {
    applyStyle();
    repaintViewer();
    InvalidateRect(state.paneWnd, NULL, TRUE);
}

typedef void (*SettingStep)();

// In this order; a setting added later adds its step here.
static const SettingStep loadedSettingSteps[] = {
    applyWindowPlacement,   // x, y, width, height, edgeSize
    applyWrapMode,          // wordWrap
    updatePaneScrollBars,   // showScroll
    restyle,                // font, fontHeight, fontColor, backColor, styleType, showBorder
    applyZOrder,            // alwaysontop
    applyTransparency,      // transparency, alpha, pluginToggle
    applyReloadTimer,       // autoReload, reloadInterval
    onAutoHideSwitched,     // autoHide
    applyHighlightSettings, // highlight, highlight1 to highlight8, multiLine
    showWatchedFileAgain,   // filePath, sources, encoding, readBufferSize, lines, filters, scanLimit, rescan
    watchForFullscreen,     // hideOverFullscreen
    applyStatusLine,        // statusLine, staleAfter, staleColor
    refreshMenu,            // snapWindow, lockPos, alertSound, alertQuiet, every value shown
};

// Where a slit can take the window, the steps of the InSlit command, taken
// from where the window was; without one the setting is only kept.
static void applyDocking(bool wasDocked) {
    bool wantsDock = windowDocked();
    if (wantsDock == wasDocked) return;
    state.inSlit = wasDocked;
    if (wantsDock) {
        enterSlit();
    } else {
        leaveSlit();
    }
}

static void reloadSettingsNow(const CommandArgument&) {
    bool wasDocked = windowDocked();
    loadSettings();
    applyDocking(wasDocked);
    for (SettingStep step : loadedSettingSteps) step();
}

// Not while a scroll bar is pressed: the next look finds the change still there.
void reloadSettingsIfEdited() {
    if (state.scrollBarPressed || !settingsEditedOnDisk()) return;
    CommandArgument none = {"", 0};
    reloadSettingsNow(none);
}

static void saveSettingsNow(const CommandArgument&) { saveSettings(); }

// "N VALUE": the value is kept as given, cut to its field, and shown at once.
// A line break would end its line in the settings file and make the rest a
// setting of its own: the value ends before one.
static void setHighlightRule(const CommandArgument& argument) {
    int number = 0;
    const char* value = ruleValueOf(argument.text, &number);
    if (number < 1 || number > (int)ColourRuleCount) return;
    TAKE_TEXT(highlightRules[number - 1], value);
    cutAtLineBreak(state.highlightRules[number - 1]);
    applyHighlightSettings();
    buildConfigMenu(false);
}

// "N VALUE", N from 2 to 4; no value removes the source. Every source is
// shown again, merged anew.
static void setSource(const CommandArgument& argument) {
    int number = 0;
    const char* value = ruleValueOf(argument.text, &number);
    if (number < 2 || number > (int)MostSources) return;
    TAKE_TEXT(sourceSettings[number - 2], value);
    cutAtLineBreak(state.sourceSettings[number - 2]);
    showFileAgainWithNewValue();
}

static void setLabel(const CommandArgument& argument) {
    TAKE_TEXT(label, argument.text);
    cutAtLineBreak(state.label);
    showFileAgainWithNewValue();
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

static void toggleHideOverFullscreen(const CommandArgument&) {
    toggle(&state.hideOverFullscreen);
    watchForFullscreen();
    refreshMenu();
}

static void toggleStatusLine(const CommandArgument&) {
    toggle(&state.statusLine);
    applyStatusLine();
    refreshMenu();
}

static void setStaleAfter(const CommandArgument& argument) {
    state.staleAfter = argument.number;
    updateStatus();
    refreshMenu();
}

// "#RRGGBB", as the settings file writes colours; anything else changes nothing.
static void setStaleColor(const CommandArgument& argument) {
    WCHAR text[16];
    int length = (int)settingTextToWide(argument.text, text, 16, systemCodePages);
    uint32_t colour = 0;
    if (!readHexColour(text, (uint32_t)length, &colour)) return;
    state.staleColor = colour;
    InvalidateRect(state.viewerWnd, NULL, FALSE);
}

// The pane's marks follow the new grouping at once.
static void toggleMultiLine(const CommandArgument&) {
    toggle(&state.multiLine);
    applyHighlightSettings();
    refreshMenu();
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
    if (!state.pluginToggle || windowDocked()) return;
    if (equalsIgnoringCase(text, ShowPluginsCommand)) {
        ShowWindow(state.viewerWnd, SW_SHOW);
        repaintViewer();
    } else if (equalsIgnoringCase(text, HidePluginsCommand)) {
        ShowWindow(state.viewerWnd, SW_HIDE);
        // Hidden with the plugins now: the end of a full-screen program keeps it so.
        state.outOfTheWay = false;
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
