// Every persistent setting, one row each, written once. A row gives:
//   Name     the setting's own name (SettingName in SettingId)
//   Type     IntSetting, BoolSetting, ColourSetting or TextSetting; the
//            field's type is checked against it at compile time
//   field    its field in the state record
//   key      the key it is read and written under in the settings file
//   older    an older key it is also read by (NoOlderKey: none)
//   default  a number (int, bool) or a text (colour "#RRGGBB", text)
//   least, most   the range the menu's number item offers (0, 0 for the
//            other types); a value beyond it is kept as given, and lines,
//            readBufferSize and scanLimit take effect held to it
//            (heldToRange); the README says what the others do
//   title    its menu item's title (NoMenuTitle: none)
//   word     the command word that sets it (CommandId Cmd##word; None: none),
//   item     and what the word's menu item adds behind it ("", or " 3" for
//            a word shared by several rows)
//   step     the function that makes a new value take effect: its command
//            runs it after changing the value, Reload Settings runs each
//            row's step once, in the order of the rows
// The settings reader and writer, the clamps, the menu, the commands, and
// the tests that check the starter settings file and the README read them.
// The order is the settings file's and the steps': a step runs when the
// settings before it in the file have taken effect.
#pragma once

#include <limits.h>
#include <stdint.h>

#include "settings/buffer_sizes.h"

enum SettingType { IntSetting, BoolSetting, ColourSetting, TextSetting };

// A window is at least this wide and high.
const int MinimumWindowSize = 10;

#define NoOlderKey nullptr
#define NoMenuTitle nullptr

// clang-format off
#define SETTING_ROWS(ROW) \
    ROW(X, IntSetting, x, "qvperuser.x:", NoOlderKey, 10, INT_MIN, INT_MAX, NoMenuTitle, None, "", applyWindowPlacement) \
    ROW(Y, IntSetting, y, "qvperuser.y:", NoOlderKey, 10, INT_MIN, INT_MAX, NoMenuTitle, None, "", applyWindowPlacement) \
    ROW(Width, IntSetting, width, "qvperuser.width:", NoOlderKey, 120, MinimumWindowSize, INT_MAX, "Width Size", WidthSize, "", applyWindowPlacement) \
    ROW(Height, IntSetting, height, "qvperuser.height:", NoOlderKey, 80, MinimumWindowSize, INT_MAX, "Height Size", HeightSize, "", applyWindowPlacement) \
    ROW(EdgeSize, IntSetting, edgeSize, "qvperuser.edgeSize:", NoOlderKey, 4, 0, 10, "Edge Size", EdgeSize, "", applyEdgeSize) \
    ROW(FontHeight, IntSetting, fontHeight, "qvperuser.fontHeight:", NoOlderKey, 12, 1, 64, "Font Size", FontSize, "", restyle) \
    ROW(Alpha, IntSetting, alpha, "qvperuser.alpha:", NoOlderKey, 160, 0, 255, "Alpha Value", AlphaValue, "", applyTransparency) \
    ROW(StyleType, IntSetting, styleType, "qvperuser.styleType:", NoOlderKey, 1, 1, 6, NoMenuTitle, StyleType, "", restyle) \
    ROW(ReloadInterval, IntSetting, reloadInterval, "qvperuser.reloadInterval(sec):", NoOlderKey, 120, 1, 3600, "Reload Interval (sec)", ReloadInterval, "", applyReloadTimer) \
    ROW(AlwaysOnTop, BoolSetting, alwaysontop, "qvperuser.alwaysontop:", NoOlderKey, false, 0, 0, "Always on Top", OnTop, "", applyZOrder) \
    ROW(Transparency, BoolSetting, transparency, "qvperuser.transparency:", NoOlderKey, false, 0, 0, "Transparency", Transparent, "", applyTransparency) \
    ROW(SnapWindow, BoolSetting, snapWindow, "qvperuser.snapWindow:", "qvperuser.snapwindow:", true, 0, 0, "Snap To Edge", SnapToEdge, "", readWhenUsed) \
    ROW(PluginToggle, BoolSetting, pluginToggle, "qvperuser.pluginToggle:", NoOlderKey, false, 0, 0, "Plugin Toggle", PluginToggle, "", applyTransparency) \
    ROW(InSlit, BoolSetting, inSlit, "qvperuser.inSlit:", NoOlderKey, false, 0, 0, "In Slit", InSlit, "", applyDocking) \
    ROW(ShowBorder, BoolSetting, showBorder, "qvperuser.showBorder:", NoOlderKey, true, 0, 0, "Show Border", ShowBorder, "", restyle) \
    ROW(ShowScroll, BoolSetting, showScroll, "qvperuser.showScroll:", NoOlderKey, false, 0, 0, "Show Scroll", ShowScroll, "", updatePaneScrollBars) \
    ROW(LockPos, BoolSetting, lockPos, "qvperuser.lockPos:", NoOlderKey, false, 0, 0, "Lock Position", LockPosition, "", readWhenUsed) \
    ROW(WordWrap, BoolSetting, wordWrap, "qvperuser.wordWrap:", NoOlderKey, false, 0, 0, "Word Wrap", WordWrap, "", applyWordWrap) \
    ROW(AutoHide, BoolSetting, autoHide, "qvperuser.autoHide:", NoOlderKey, false, 0, 0, "Auto Hide", AutoHide, "", onAutoHideSwitched) \
    ROW(AutoReload, BoolSetting, autoReload, "qvperuser.autoReload:", NoOlderKey, false, 0, 0, "Auto Reload", AutoReload, "", applyReloadTimer) \
    ROW(FontColor, ColourSetting, fontColor, "qvperuser.fontColor:", NoOlderKey, "#000000", 0, 0, "Font Color", FontColor, "", repaintText) \
    ROW(BackColor, ColourSetting, backColor, "qvperuser.backColor:", NoOlderKey, "#FFFFFF", 0, 0, "Back Color", BackColor, "", restyle) \
    ROW(Font, TextSetting, font, "qvperuser.font:", NoOlderKey, "Tahoma", 0, 0, "Font Face", FontFace, "", restyle) \
    ROW(FilePath, TextSetting, filePath, "qvperuser.filePath:", NoOlderKey, "readme.txt", 0, 0, "File Path", FilePath, "", showWatchedFileAgain) \
    ROW(ReadBufferSize, IntSetting, readBufferSize, "qvperuser.readBufferSize:", NoOlderKey, 512, 1, MostShownBytes, "ReadBuffer Size", ReadBufferSize, "", showWatchedFileAgain) \
    ROW(Encoding, TextSetting, encoding, "qvperuser.encoding:", NoOlderKey, "auto", 0, 0, "Encoding", Encoding, "", showWatchedFileAgain) \
    ROW(Lines, IntSetting, lines, "qvperuser.lines:", NoOlderKey, 0, 0, 10000, "Lines", Lines, "", showWatchedFileAgain) \
    ROW(FilterShow, TextSetting, filterShow, "qvperuser.filterShow:", NoOlderKey, "", 0, 0, "Filter Show", FilterShow, "", showWatchedFileAgain) \
    ROW(FilterHide, TextSetting, filterHide, "qvperuser.filterHide:", NoOlderKey, "", 0, 0, "Filter Hide", FilterHide, "", showWatchedFileAgain) \
    ROW(ScanLimit, IntSetting, scanLimit, "qvperuser.scanLimit:", NoOlderKey, 4194304, 1, INT_MAX, "Scan Limit", ScanLimit, "", showWatchedFileAgain) \
    ROW(Highlight, BoolSetting, highlight, "qvperuser.highlight:", NoOlderKey, true, 0, 0, "Highlight Lines", HighlightLines, "", applyHighlightSettings) \
    ROW(Highlight1, TextSetting, highlightRules[0], "qvperuser.highlight1:", NoOlderKey, "#C00000 ERROR|FATAL|CRITICAL|Exception|Traceback", 0, 0, "Rule 1", HighlightRule, " 1", applyHighlightSettings) \
    ROW(Highlight2, TextSetting, highlightRules[1], "qvperuser.highlight2:", NoOlderKey, "#A05A00 WARN", 0, 0, "Rule 2", HighlightRule, " 2", applyHighlightSettings) \
    ROW(Highlight3, TextSetting, highlightRules[2], "qvperuser.highlight3:", NoOlderKey, "", 0, 0, "Rule 3", HighlightRule, " 3", applyHighlightSettings) \
    ROW(Highlight4, TextSetting, highlightRules[3], "qvperuser.highlight4:", NoOlderKey, "", 0, 0, "Rule 4", HighlightRule, " 4", applyHighlightSettings) \
    ROW(Highlight5, TextSetting, highlightRules[4], "qvperuser.highlight5:", NoOlderKey, "", 0, 0, "Rule 5", HighlightRule, " 5", applyHighlightSettings) \
    ROW(Highlight6, TextSetting, highlightRules[5], "qvperuser.highlight6:", NoOlderKey, "", 0, 0, "Rule 6", HighlightRule, " 6", applyHighlightSettings) \
    ROW(Highlight7, TextSetting, highlightRules[6], "qvperuser.highlight7:", NoOlderKey, "", 0, 0, "Rule 7", HighlightRule, " 7", applyHighlightSettings) \
    ROW(Highlight8, TextSetting, highlightRules[7], "qvperuser.highlight8:", NoOlderKey, "", 0, 0, "Rule 8", HighlightRule, " 8", applyHighlightSettings) \
    ROW(AlertSound, BoolSetting, alertSound, "qvperuser.alertSound:", NoOlderKey, false, 0, 0, "Alert Sound", AlertSound, "", readWhenUsed) \
    ROW(AlertQuiet, IntSetting, alertQuiet, "qvperuser.alertQuiet(sec):", NoOlderKey, 10, 1, 3600, "Alert Quiet (sec)", AlertQuiet, "", readWhenUsed) \
    ROW(Rescan, IntSetting, rescan, "qvperuser.rescan(sec):", NoOlderKey, 10, 1, 3600, "Rescan Interval (sec)", Rescan, "", readWhenUsed) \
    ROW(HideOverFullscreen, BoolSetting, hideOverFullscreen, "qvperuser.hideOverFullscreen:", NoOlderKey, false, 0, 0, "Hide Over Fullscreen", HideOverFullscreen, "", watchForFullscreen) \
    ROW(Label, TextSetting, label, "qvperuser.label:", NoOlderKey, "", 0, 0, "Source 1 Label", Label, "", showWatchedFileAgain) \
    ROW(Source2, TextSetting, sourceSettings[0], "qvperuser.source2:", NoOlderKey, "", 0, 0, "Source 2", Source, " 2", showWatchedFileAgain) \
    ROW(Source3, TextSetting, sourceSettings[1], "qvperuser.source3:", NoOlderKey, "", 0, 0, "Source 3", Source, " 3", showWatchedFileAgain) \
    ROW(Source4, TextSetting, sourceSettings[2], "qvperuser.source4:", NoOlderKey, "", 0, 0, "Source 4", Source, " 4", showWatchedFileAgain) \
    ROW(StatusLine, BoolSetting, statusLine, "qvperuser.statusLine:", NoOlderKey, false, 0, 0, "Status Line", StatusLine, "", applyStatusLine) \
    ROW(StaleAfter, IntSetting, staleAfter, "qvperuser.staleAfter(min):", NoOlderKey, 0, 0, 10080, "Stale After (min)", StaleAfter, "", updateStatus) \
    ROW(StaleColor, ColourSetting, staleColor, "qvperuser.staleColor:", NoOlderKey, "#808080", 0, 0, NoMenuTitle, StaleColor, "", repaintFrame) \
    ROW(MultiLine, BoolSetting, multiLine, "qvperuser.multiLine:", NoOlderKey, true, 0, 0, "Multi-line Entries", MultiLine, "", showWatchedFileAgain) \
    ROW(Activity, BoolSetting, activity, "qvperuser.activity:", NoOlderKey, false, 0, 0, "Activity", Activity, "", applyStatusLine) \
    ROW(CollapseRepeats, BoolSetting, collapseRepeats, "qvperuser.collapseRepeats:", NoOlderKey, false, 0, 0, "Collapse Repeats", CollapseRepeats, "", showWatchedFileAgain)
// clang-format on

#define SETTING_ID(name, ...) Setting##name,
enum SettingId { SETTING_ROWS(SETTING_ID) SettingCount };
#undef SETTING_ID

// "#RRGGBB" as a COLORREF: red in the lowest byte.
constexpr uint32_t hexDigitValue(char c) {
    return c >= 'a' ? c - 'a' + 10u : c >= 'A' ? c - 'A' + 10u : (uint32_t)(c - '0');
}
constexpr uint32_t hexByte(const char* text) { return hexDigitValue(text[0]) * 16 + hexDigitValue(text[1]); }
constexpr uint32_t colourOfText(const char* text) {
    return hexByte(text + 1) | hexByte(text + 3) << 8 | hexByte(text + 5) << 16;
}

// A row as the plugin reads it; the field is an offset into the state record.
struct SettingRow {
    const char* key;
    const char* olderKey;
    SettingType type;
    uint32_t field;
    uint16_t capacity;  // of a text field
    int defaultNumber;  // an int, a bool or a colour
    const char* defaultText;  // a colour's or a text's
    int least;
    int most;
    const char* title;
};

extern const SettingRow settingRows[SettingCount];

#define ROW_TYPE(name, type, ...) type,
constexpr SettingType settingTypes[SettingCount] = {SETTING_ROWS(ROW_TYPE)};
#undef ROW_TYPE

// Text settings among the rows, and a text row's place among them.
constexpr int textRowsBefore(int id) {
    int count = 0;
    for (int row = 0; row < id; ++row) count += settingTypes[row] == TextSetting;
    return count;
}
const int TextSettingCount = textRowsBefore(SettingCount);

// A setting's field in the state record.
void* settingField(SettingId id);

// A number setting's value held to its row's range.
int heldToRange(SettingId id, int value);
