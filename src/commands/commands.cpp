#include "commands/commands.h"

#include <commdlg.h>
#include <dlgs.h>

#include "commands/menu.h"
#include "settings/plugin_info.h"
#include "settings/setting_rows.h"
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
    CommandId word;
    const char* text;
    int number;
};

static void showAbout(const CommandArgument&) {
    SendMessageA(state.hostWnd, HostMsgMenusAway, 0, 0);
    MessageBoxA(state.hostWnd, infoStrings[0], infoStrings[1], MB_OK | MB_TOPMOST);
}

static void repaintViewer() { InvalidateRect(state.viewerWnd, NULL, TRUE); }

// An open menu shows every value anew: after every change of a setting.
static void refreshMenu() { buildConfigMenu(false); }

// ---- The steps that make a new value take effect (settings/setting_rows.h) ----

// A setting read where it is used (snapping, a drag, an alert's sound, a
// folder's look): nothing to apply.
static void readWhenUsed() {}

static void restyle() {
    applyStyle();
    repaintViewer();
    InvalidateRect(state.paneWnd, NULL, TRUE);
    InvalidateRect(state.statusWnd, NULL, TRUE);
}

// The pane's colour message reads the font colour directly: no rebuild.
static void repaintText() {
    InvalidateRect(state.paneWnd, NULL, TRUE);
    InvalidateRect(state.statusWnd, NULL, TRUE);
}

static void repaintFrame() { InvalidateRect(state.viewerWnd, NULL, FALSE); }

// The pane is laid out again even when the size stays.
static void applyEdgeSize() { sendSizeMessage(state.viewerWnd); }

// The slit keeps a docked window in its own place among the windows.
static void applyZOrder() {
    if (windowDocked()) return;
    SetWindowPos(state.viewerWnd, state.alwaysontop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

// Transparency is dropped or taken again, and the menu shows the slit's
// item, before the slit takes the window and after it gave it back.
static void leaveSlit() {
    SendMessageA(state.slitWnd, SlitMsgRemove, 0, (LPARAM)state.viewerWnd);
    state.inSlit = false;
    placeWindowOnMonitors();
    applyTransparency();
    refreshMenu();
    onLeftSlit();
    watchForFullscreen();
}

static void enterSlit() {
    state.inSlit = true;
    applyTransparency();
    refreshMenu();
    SendMessageA(state.slitWnd, SlitMsgAdd, 0, (LPARAM)state.viewerWnd);
    watchForFullscreen();
}

// Whether the window was docked before Reload Settings read the file.
static bool dockedBeforeReload;

// Where a slit can take the window, the steps of the InSlit command, taken
// from where the window was; without one the setting is only kept.
static void applyDocking() {
    bool wantsDock = windowDocked();
    if (wantsDock == dockedBeforeReload) return;
    state.inSlit = dockedBeforeReload;
    if (wantsDock) {
        enterSlit();
    } else {
        leaveSlit();
    }
}

typedef void (*SettingStep)();

#define ROW_STEP(name, type, field, key, older, value, least, most, title, word, item, step) step,
static const SettingStep settingSteps[SettingCount] = {SETTING_ROWS(ROW_STEP)};
#undef ROW_STEP

#define ROW_WORD(name, type, field, key, older, value, least, most, title, word, item, step) Cmd##word,
static const CommandId settingWords[SettingCount] = {SETTING_ROWS(ROW_WORD)};
#undef ROW_WORD

// A row's word takes the argument its type needs: a number, nothing (a
// switch; a colour asked for), a text (a colour as "#RRGGBB").
constexpr bool wordFits(SettingType type, ArgumentKind argument) {
    return type == IntSetting      ? argument == NumberArgument
           : type == BoolSetting   ? argument == NoArgument
           : type == ColourSetting ? argument == NoArgument || argument == TextArgument
                                   : argument == TextArgument || argument == OptionalTextArgument;
}
#define CHECK_WORD(name, type, field, key, older, value, least, most, title, word, item, step) \
    static_assert(Cmd##word == CmdNone || wordFits(type, commandArguments[Cmd##word]),       \
                  #word " does not take what a " #type " needs");
SETTING_ROWS(CHECK_WORD)
#undef CHECK_WORD

// ---- Changing a setting ---------------------------------------------------------

static void* fieldOf(SettingId id) { return (char*)&state + settingRows[id].field; }

// A text item's menu shows its value in the ANSI code page (see menu.cpp).
// The value coming back as shown keeps the stored one, whose characters the
// code page may lack: nothing is lost, and no '?' becomes a wildcard. A line
// break would end its line in the settings file and make the rest a setting
// of its own: the value ends before one.
static void takeText(SettingId id, const char* given) {
    char* field = (char*)fieldOf(id);
    if (!equalsText(given, menuShownText(id))) copyText(field, settingRows[id].capacity, given);
    cutAtLineBreak(field);
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

// "#RRGGBB", as the settings file writes colours; anything else is no colour.
static COLORREF colourOfArgument(const char* argument) {
    WCHAR text[16];
    int length = (int)settingTextToWide(argument, text, 16, systemCodePages);
    uint32_t colour = 0;
    return readHexColour(text, (uint32_t)length, &colour) ? colour : CLR_INVALID;
}

// A colour word without an argument asks for the colour.
static bool takeColour(SettingId id, const CommandArgument& argument) {
    COLORREF* field = (COLORREF*)fieldOf(id);
    bool asks = commandArguments[argument.word] == NoArgument;
    COLORREF chosen = asks ? askForColour(*field) : colourOfArgument(argument.text);
    if (chosen == CLR_INVALID) return false;
    *field = chosen;
    return true;
}

// Returns false when the command leaves the value as it was.
static bool takeValue(SettingId id, const CommandArgument& argument) {
    void* field = fieldOf(id);
    switch (settingRows[id].type) {
    case IntSetting: *(int*)field = argument.number; return true;
    case BoolSetting: *(bool*)field = !*(bool*)field; return true;
    case ColourSetting: return takeColour(id, argument);
    case TextSetting: takeText(id, argument.text); return true;
    }
    return false;
}

// The new value takes effect through its row's step, and the menu shows it.
static void changeSetting(SettingId id, const CommandArgument& argument) {
    if (!takeValue(id, argument)) return;
    settingSteps[id]();
    refreshMenu();
}

// A word that sets one setting: the row that names it.
static void setSetting(const CommandArgument& argument) {
    for (int id = 0; id < SettingCount; ++id) {
        if (settingWords[id] == argument.word) return changeSetting((SettingId)id, argument);
    }
}

// "N VALUE", for a word that several rows share (HighlightRule, Source): the
// row numbered N among them, the first being firstNumber; nothing else.
static void setNumberedSetting(const CommandArgument& argument, SettingId first, int firstNumber) {
    int number = 0;
    CommandArgument value = argument;
    value.text = ruleValueOf(argument.text, &number);
    if (number < firstNumber || number - firstNumber >= SettingCount - first) return;
    SettingId id = (SettingId)(first + (number - firstNumber));
    if (settingWords[id] == argument.word) changeSetting(id, value);
}

static void setHighlightRule(const CommandArgument& argument) {
    setNumberedSetting(argument, SettingHighlight1, 1);
}

// Every source is shown again, merged anew; no value removes the source.
static void setSource(const CommandArgument& argument) {
    setNumberedSetting(argument, SettingSource2, 2);
}

// ---- Commands of their own ---------------------------------------------------------

static void toggleInSlit(const CommandArgument&) {
    if (!state.slitWnd) return;
    if (state.inSlit) {
        leaveSlit();
    } else {
        enterSlit();
    }
}

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
    restyle();
    refreshMenu();
}

// Saved first, so that the editor shows the settings the plugin uses.
static void editSettings(const CommandArgument&) {
    saveSettings();
    QVExecute(GetDesktopWindow(), NULL, state.rcPath, NULL, NULL, SW_SHOWNORMAL, false);
}

// ---- Reload Settings ----------------------------------------------------------
// Every loaded setting takes effect through its row's step, each step once,
// so that window, pane, timers and menu agree with the settings afterwards:
// the docking first, since it decides who places the window, then the others
// in the rows' order.

static bool stepTakenBefore(int id) {
    for (int before = 0; before < id; ++before) {
        if (settingSteps[before] == settingSteps[id]) return true;
    }
    return settingSteps[id] == applyDocking;
}

static void applyEverySetting() {
    applyDocking();
    for (int id = 0; id < SettingCount; ++id) {
        if (!stepTakenBefore(id)) settingSteps[id]();
    }
    refreshMenu();
}

static void reloadSettingsNow(const CommandArgument&) {
    dockedBeforeReload = windowDocked();
    loadSettings();
    applyEverySetting();
}

// Not while a scroll bar is pressed: the next look finds the change still there.
void reloadSettingsIfEdited() {
    if (state.scrollBarPressed || !settingsEditedOnDisk()) return;
    CommandArgument none = {CmdReloadSettings, "", 0};
    reloadSettingsNow(none);
}

static void saveSettingsNow(const CommandArgument&) { saveSettings(); }

static void acknowledge(const CommandArgument&) { acknowledgeAlert(); }

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
    CommandArgument argument = {match.id, match.argument, takesNumber ? readNumber(match.argument) : 0};
    commandHandlers[match.id](argument);
}

LRESULT dispatchCommand(LPARAM lParam) {
    const char* text = (const char*)lParam;
    if (!text) return 0;
    showOrHidePlugins(text);
    runCommand(matchCommand(text));
    return 0;
}
