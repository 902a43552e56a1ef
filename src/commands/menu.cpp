#include "commands/menu.h"

#include "commands/command_words.h"
#include "settings/plugin_info.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/file_choice.h"
#include "tail/tail.h"

#include <limits.h>

struct MenuChoice {
    const char* title;
    const char* command;
};

// Each style item's command carries the style's number.
#define STYLE_COMMAND(number) COMMAND_TEXT(StyleType) " " #number
static const MenuChoice styleChoices[] = {
    {"Toolbar", STYLE_COMMAND(1)}, {"Button", STYLE_COMMAND(2)},   {"ButtonP", STYLE_COMMAND(3)},
    {"Label", STYLE_COMMAND(4)},   {"WinLabel", STYLE_COMMAND(5)}, {"Clock", STYLE_COMMAND(6)},
};
#undef STYLE_COMMAND

// The shell's menu functions take text in the ANSI code page: a value kept
// in UTF-8 is shown in it, characters the code page lacks as '?' (never as
// a look-alike). What the menu sends back unchanged keeps the stored value
// (see the commands' takeText).
static const char* shownText(char* out, int capacity, const char* value) {
    static_assert(SourceSettingSize >= HighlightRuleSize && SourceSettingSize >= FilePathSize,
                  "every text setting fits");
    WCHAR wide[SourceSettingSize];
    settingTextToWide(value, wide, SourceSettingSize, systemCodePages);
    if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, capacity, "?", NULL)) {
        copyText(out, capacity, value);  // a UTF-8 code page, which takes UTF-8 as it is
    }
    return out;
}
#define SHOWN_TEXT(field) shownText(state.menuTexts.field, sizeof state.menuTexts.field, state.field)

// A filter that is off says why in its title.
static const char* filterTitle(char (&out)[64], const char* title, PatternCheck check) {
    const char* reason = check == PatternMatchesEveryLine ? " (off: matches every line)"
                         : check == PatternTooLong        ? " (off: too long)"
                                                          : "";
    joinText(out, sizeof out, title, reason);
    return out;
}

static Menu* buildSourcesMenu(bool popup);

static Menu* buildPeruserMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Peruser Configuration", "QVM_Peruser", popup);
    MakeMenuItem(menu, "Auto Reload", commandText(CmdAutoReload), state.autoReload);
    MakeMenuItemString(menu, "File Path", commandText(CmdFilePath), SHOWN_TEXT(filePath));
    if (state.sources[0].watchingPattern) MakeMenuNOP(menu, showingTitle());
    MakeMenuItemInt(menu, "Reload Interval (sec)", commandText(CmdReloadInterval),
                    state.reloadInterval, 1, 3600);
    MakeMenuItemInt(menu, "Rescan Interval (sec)", commandText(CmdRescan), state.rescan, 1, 3600);
    MakeMenuItemInt(menu, "ReadBuffer Size", commandText(CmdReadBufferSize), state.readBufferSize,
                    1, 65536);
    MakeMenuItemString(menu, "Encoding", commandText(CmdEncoding), SHOWN_TEXT(encoding));
    MakeMenuItemInt(menu, "Lines", commandText(CmdLines), state.lines, 0, 10000);
    MakeMenuItemString(menu, filterTitle(state.filterShowTitle, "Filter Show", state.filterShowCheck),
                       commandText(CmdFilterShow), SHOWN_TEXT(filterShow));
    MakeMenuItemString(menu, filterTitle(state.filterHideTitle, "Filter Hide", state.filterHideCheck),
                       commandText(CmdFilterHide), SHOWN_TEXT(filterHide));
    MakeMenuItemInt(menu, "Scan Limit", commandText(CmdScanLimit), state.scanLimit, 1, INT_MAX);
    MakeMenuItem(menu, "Multi-line Entries", commandText(CmdMultiLine), state.multiLine);
    MakeSubmenu(menu, buildSourcesMenu(popup), "Sources");
    MakeMenuItemInt(menu, "Stale After (min)", commandText(CmdStaleAfter), state.staleAfter, 0, 10080);
    return menu;
}

static Menu* buildWindowMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Window Configuration", "QVM_Config", popup);
    MakeMenuItemInt(menu, "Width Size", commandText(CmdWidthSize), state.width, 10,
                    state.screenWidth);
    MakeMenuItemInt(menu, "Height Size", commandText(CmdHeightSize), state.height, 10,
                    state.screenHeight);
    // 0: no frame; the text's right click opens this menu then.
    MakeMenuItemInt(menu, "Edge Size", commandText(CmdEdgeSize), state.edgeSize, 0, 10);
    MakeMenuNOP(menu, NULL);
    if (state.slitWnd) MakeMenuItem(menu, "In Slit", commandText(CmdInSlit), state.inSlit);
    MakeMenuItem(menu, "Plugin Toggle", commandText(CmdPluginToggle), state.pluginToggle);
    MakeMenuItem(menu, "Always on Top", commandText(CmdOnTop), state.alwaysontop);
    MakeMenuItem(menu, "Transparency", commandText(CmdTransparent), state.transparency);
    MakeMenuItemInt(menu, "Alpha Value", commandText(CmdAlphaValue), state.alpha, 0, 255);
    MakeMenuItem(menu, "Snap To Edge", commandText(CmdSnapToEdge), state.snapWindow);
    MakeMenuItem(menu, "Show Border", commandText(CmdShowBorder), state.showBorder);
    MakeMenuItem(menu, "Lock Position", commandText(CmdLockPosition), state.lockPos);
    MakeMenuItem(menu, "Auto Hide", commandText(CmdAutoHide), state.autoHide);
    MakeMenuNOP(menu, NULL);
    MakeMenuItem(menu, "Show Scroll", commandText(CmdShowScroll), state.showScroll);
    MakeMenuItem(menu, "Hide Over Fullscreen", commandText(CmdHideOverFullscreen),
                 state.hideOverFullscreen);
    MakeMenuItem(menu, "Status Line", commandText(CmdStatusLine), state.statusLine);
    return menu;
}

static Menu* buildFormatMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Format", "QVM_Format", popup);
    MakeMenuItem(menu, "Word Wrap", commandText(CmdWordWrap), state.wordWrap);
    state.fontMenu = MakeNamedMenu("Font", "QVM_Font", popup);
    MakeMenuItemInt(state.fontMenu, "Font Size", commandText(CmdFontSize), state.fontHeight, 1, 64);
    MakeMenuItemString(state.fontMenu, "Font Face", commandText(CmdFontFace), SHOWN_TEXT(font));
    MakeMenuItem(state.fontMenu, "Font Color", commandText(CmdFontColor), false);
    MakeMenuItem(state.fontMenu, "Browse...", commandText(CmdSetFont), false);
    MakeSubmenu(menu, state.fontMenu, "Font");
    MakeMenuItem(menu, "Back Color", commandText(CmdBackColor), false);
    return menu;
}

// Each rule's item carries the rule's number; the shell adds the value typed.
#define RULE_ITEM(number) {"Rule " #number, COMMAND_TEXT(HighlightRule) " " #number}
static const MenuChoice ruleItems[ColourRuleCount] = {
    RULE_ITEM(1), RULE_ITEM(2), RULE_ITEM(3), RULE_ITEM(4),
    RULE_ITEM(5), RULE_ITEM(6), RULE_ITEM(7), RULE_ITEM(8),
};
#undef RULE_ITEM

static const char* whyRuleIsOff(RuleCheck check) {
    switch (check) {
    case RuleNeedsColour: return " (off: #RRGGBB first)";
    case RuleNeedsBand: return " (off: #RRGGBB after /)";
    case RuleNeedsPattern: return " (off: no pattern)";
    case RuleMatchesEveryLine: return " (off: matches every line)";
    case RuleTooLong: return " (off: too long)";
    case RuleNone: case RuleUsable: break;
    }
    return "";
}

// "#RRGGBB", or nothing for a colour the rule leaves out.
static void colourText(char (&out)[8], uint32_t colour) {
    out[0] = 0;
    if (colour == NoColour) return;
    wsprintfA(out, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

// "Rule 1 (#C00000 on #FFE0E0, alert, case, word)", 47 characters at most,
// or why the rule is off.
static const char* ruleTitle(uint32_t r) {
    const ColourRule& rule = state.colourRules[r];
    char* title = state.highlightTitles[r];
    if (rule.check != RuleUsable) {
        joinText(title, sizeof state.highlightTitles[r], ruleItems[r].title, whyRuleIsOff(rule.check));
        return title;
    }
    char text[8], band[8];
    colourText(text, rule.colour);
    colourText(band, rule.background);
    const char* on = rule.background == NoColour ? "" : rule.colour == NoColour ? "on " : " on ";
    wsprintfA(title, "%s (%s%s%s%s%s%s)", ruleItems[r].title, text, on, band,
              rule.alert ? ", alert" : "", rule.pattern.matchesCase ? ", case" : "",
              rule.pattern.wholeWords ? ", word" : "");
    return title;
}

static Menu* buildHighlightMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Highlight", "QVM_Highlight", popup);
    MakeMenuItem(menu, "Highlight Lines", commandText(CmdHighlightLines), state.highlight);
    MakeMenuNOP(menu, NULL);
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        MakeMenuItemString(menu, ruleTitle(r), ruleItems[r].command, SHOWN_TEXT(highlightRules[r]));
    }
    MakeMenuNOP(menu, NULL);
    MakeMenuItem(menu, "Alert Sound", commandText(CmdAlertSound), state.alertSound);
    MakeMenuItemInt(menu, "Alert Quiet (sec)", commandText(CmdAlertQuiet), state.alertQuiet, 1, 3600);
    return menu;
}

// Each source's item carries the source's number; the shell adds the value typed.
#define SOURCE_ITEM(number) {"Source " #number, COMMAND_TEXT(Source) " " #number}
static const MenuChoice sourceItems[MostSources - 1] = {SOURCE_ITEM(2), SOURCE_ITEM(3), SOURCE_ITEM(4)};
#undef SOURCE_ITEM

static const char* whySourceIsOff(SourceCheck check) {
    switch (check) {
    case SourceBadColour: return " (off: colour is not #RRGGBB)";
    case SourceNeedsLabel: return " (off: no label)";
    case SourceLabelTooLong: return " (off: label over 12 characters)";
    case SourceBadLabel: return " (off: [ or ] in the label)";
    case SourceNeedsPath: return " (off: no path)";
    case SourceExtraText: return " (off: blank in the label)";
    case SourceNone: case SourceUsable: break;
    }
    return "";
}

static const char* const sameFileTitles[MostSources] = {
    " (off: same file as source 1)", " (off: same file as source 2)", " (off: same file as source 3)", ""};

static const char* whyOff(const Source& source) {
    if (source.sameFileAs) return sameFileTitles[source.sameFileAs - 1];
    return whySourceIsOff(source.value.check);
}

// The first source's label, then the other sources, each saying why it is off.
static Menu* buildSourcesMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Sources", "QVM_Sources", popup);
    char* title = state.sourceTitles[0];
    joinText(title, sizeof state.sourceTitles[0], "Source 1 Label",
             state.sources[0].value.check == SourceNeedsLabel ? ""
                                                              : whySourceIsOff(state.sources[0].value.check));
    MakeMenuItemString(menu, title, commandText(CmdLabel), SHOWN_TEXT(label));
    for (uint32_t i = 1; i < MostSources; ++i) {
        title = state.sourceTitles[i];
        joinText(title, sizeof state.sourceTitles[i], sourceItems[i - 1].title, whyOff(state.sources[i]));
        MakeMenuItemString(menu, title, sourceItems[i - 1].command, SHOWN_TEXT(sourceSettings[i - 1]));
    }
    return menu;
}

static Menu* buildStyleMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Style Type", "QVM_StyleType", popup);
    for (int i = 0; i < 6; ++i) {
        MakeMenuItem(menu, styleChoices[i].title, styleChoices[i].command,
                     state.styleType == i + 1);
    }
    return menu;
}

static Menu* buildSettingsMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Settings", "QVM_Settings", popup);
    MakeMenuItem(menu, "Edit Settings", commandText(CmdEditRC), false);
    MakeMenuItem(menu, "Reload Settings", commandText(CmdReloadSettings), false);
    MakeMenuItem(menu, "Save Settings", commandText(CmdSaveSettings), false);
    return menu;
}

void releaseConfigMenu() {
    if (!state.mainMenu) return;
    DelMenu(state.mainMenu);
    state.mainMenu = NULL;
}

void buildConfigMenu(bool popup) {
    releaseConfigMenu();
    state.configMenu = buildPeruserMenu(popup);
    state.windowMenu = buildWindowMenu(popup);
    state.formatMenu = buildFormatMenu(popup);
    state.highlightMenu = buildHighlightMenu(popup);
    state.styleMenu = buildStyleMenu(popup);
    state.settingsMenu = buildSettingsMenu(popup);
    state.mainMenu = MakeNamedMenu(PluginName, "QVM_Main", popup);
    MakeSubmenu(state.mainMenu, state.configMenu, "Peruser Configuration");
    MakeSubmenu(state.mainMenu, state.windowMenu, "Window Configuration");
    MakeSubmenu(state.mainMenu, state.formatMenu, "Format");
    MakeSubmenu(state.mainMenu, state.highlightMenu, "Highlight");
    MakeSubmenu(state.mainMenu, state.styleMenu, "Style Type");
    MakeSubmenu(state.mainMenu, state.settingsMenu, "Settings");
    MakeMenuItem(state.mainMenu, "About", commandText(CmdAbout), false);
    ShowMenu(state.mainMenu);
}
