#include "commands/menu.h"

#include "commands/command_words.h"
#include "settings/plugin_info.h"
#include "settings/setting_rows.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/file_choice.h"
#include "tail/tail.h"

// The menu as last built, for its release; and the texts and titles its
// items show, which the shell may read for as long as the menu lives.
static Menu* mainMenu;
static char shownTexts[TextSettingCount][SourceSettingSize];
static char composedTitles[SettingCount][64];

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
static const char* shownText(SettingId id) {
    char* out = shownTexts[textRowsBefore(id)];
    const char* value = (const char*)settingField(id);
    WCHAR wide[SourceSettingSize];
    settingTextToWide(value, wide, SourceSettingSize, systemCodePages);
    if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, SourceSettingSize, "?", NULL)) {
        copyText(out, SourceSettingSize, value);  // a UTF-8 code page, which takes UTF-8 as it is
    }
    return out;
}

const char* menuShownText(SettingId id) {
    return settingTypes[id] == TextSetting ? shownTexts[textRowsBefore(id)] : "";
}

// Each row's item sends its word, and for a word several rows share, the
// row's number.
#define ROW_COMMAND(name, type, field, key, older, value, least, most, title, word, item, step) \
    COMMAND_TEXT(word) item,
static const char* const rowCommands[SettingCount] = {SETTING_ROWS(ROW_COMMAND)};
#undef ROW_COMMAND

// The row's title with what is wrong with its value, kept for the menu.
static const char* titleWith(SettingId id, const char* reason) {
    joinText(composedTitles[id], sizeof composedTitles[id], settingRows[id].title, reason);
    return composedTitles[id];
}

static void switchItem(Menu* menu, SettingId id) {
    MakeMenuItem(menu, settingRows[id].title, rowCommands[id], *(const bool*)settingField(id));
}

// A colour's item asks for the colour.
static void colourItem(Menu* menu, SettingId id) {
    MakeMenuItem(menu, settingRows[id].title, rowCommands[id], false);
}

static void numberItem(Menu* menu, SettingId id, int most) {
    const SettingRow& row = settingRows[id];
    MakeMenuItemInt(menu, row.title, rowCommands[id], *(const int*)settingField(id), row.least, most);
}

static void numberItem(Menu* menu, SettingId id) { numberItem(menu, id, settingRows[id].most); }

static void textItem(Menu* menu, SettingId id, const char* title) {
    MakeMenuItemString(menu, title, rowCommands[id], shownText(id));
}

static void textItem(Menu* menu, SettingId id) { textItem(menu, id, settingRows[id].title); }

// A filter that is off says why in its title.
static const char* filterTitle(SettingId id, PatternCheck check) {
    return titleWith(id, check == PatternMatchesEveryLine ? " (off: matches every line)"
                         : check == PatternTooLong        ? " (off: too long)"
                                                          : "");
}

static Menu* buildSourcesMenu(bool popup);

static Menu* buildPeruserMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Peruser Configuration", "QVM_Peruser", popup);
    switchItem(menu, SettingAutoReload);
    textItem(menu, SettingFilePath);
    if (sources[0].watchingPattern) MakeMenuNOP(menu, showingTitle());
    numberItem(menu, SettingReloadInterval);
    numberItem(menu, SettingRescan);
    numberItem(menu, SettingReadBufferSize);
    textItem(menu, SettingEncoding);
    numberItem(menu, SettingLines);
    textItem(menu, SettingFilterShow, filterTitle(SettingFilterShow, state.filterShowCheck));
    textItem(menu, SettingFilterHide, filterTitle(SettingFilterHide, state.filterHideCheck));
    numberItem(menu, SettingScanLimit);
    switchItem(menu, SettingMultiLine);
    switchItem(menu, SettingCollapseRepeats);
    MakeSubmenu(menu, buildSourcesMenu(popup), "Sources");
    numberItem(menu, SettingStaleAfter);
    return menu;
}

// The size items go up to the screen's size.
static Menu* buildWindowMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Window Configuration", "QVM_Config", popup);
    numberItem(menu, SettingWidth, state.screenWidth);
    numberItem(menu, SettingHeight, state.screenHeight);
    // 0: no frame; the text's right click opens this menu then.
    numberItem(menu, SettingEdgeSize);
    MakeMenuNOP(menu, NULL);
    if (state.slitWnd) switchItem(menu, SettingInSlit);
    switchItem(menu, SettingPluginToggle);
    switchItem(menu, SettingAlwaysOnTop);
    switchItem(menu, SettingTransparency);
    numberItem(menu, SettingAlpha);
    switchItem(menu, SettingSnapWindow);
    switchItem(menu, SettingShowBorder);
    switchItem(menu, SettingLockPos);
    switchItem(menu, SettingAutoHide);
    MakeMenuNOP(menu, NULL);
    switchItem(menu, SettingShowScroll);
    switchItem(menu, SettingHideOverFullscreen);
    switchItem(menu, SettingStatusLine);
    switchItem(menu, SettingActivity);
    return menu;
}

static Menu* buildFormatMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Format", "QVM_Format", popup);
    switchItem(menu, SettingWordWrap);
    Menu* fontMenu = MakeNamedMenu("Font", "QVM_Font", popup);
    numberItem(fontMenu, SettingFontHeight);
    textItem(fontMenu, SettingFont);
    colourItem(fontMenu, SettingFontColor);
    MakeMenuItem(fontMenu, "Browse...", commandText(CmdSetFont), false);
    MakeSubmenu(menu, fontMenu, "Font");
    colourItem(menu, SettingBackColor);
    return menu;
}

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
    SettingId id = (SettingId)(SettingHighlight1 + r);
    const ColourRule& rule = state.colourRules[r];
    if (rule.check != RuleUsable) return titleWith(id, whyRuleIsOff(rule.check));
    char text[8], band[8];
    colourText(text, rule.colour);
    colourText(band, rule.background);
    const char* on = rule.background == NoColour ? "" : rule.colour == NoColour ? "on " : " on ";
    wsprintfA(composedTitles[id], "%s (%s%s%s%s%s%s)", settingRows[id].title, text, on, band,
              rule.alert ? ", alert" : "", rule.pattern.matchesCase ? ", case" : "",
              rule.pattern.wholeWords ? ", word" : "");
    return composedTitles[id];
}

static Menu* buildHighlightMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Highlight", "QVM_Highlight", popup);
    switchItem(menu, SettingHighlight);
    MakeMenuNOP(menu, NULL);
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        SettingId id = (SettingId)(SettingHighlight1 + r);
        textItem(menu, id, ruleTitle(r));
    }
    MakeMenuNOP(menu, NULL);
    switchItem(menu, SettingAlertSound);
    numberItem(menu, SettingAlertQuiet);
    return menu;
}

// " (label not used: over 12 characters)", " (off: same file as source
// 1)": what of the source is not used, or why it is off, as the status
// line says it; nothing when all of it is.
static const char* whyOff(const Source& source, char (&out)[64]) {
    const char* words = sourceCheckWords(source.value.check);
    out[0] = 0;
    if (source.sameFileAs) {
        wsprintfA(out, " (off: same file as source %u)", source.sameFileAs);
    } else if (words) {
        wsprintfA(out, " (%s)", words);
    }
    return out;
}

// The first source's label, then the other sources, each saying what of it is not used.
static Menu* buildSourcesMenu(bool popup) {
    Menu* menu = MakeNamedMenu("Sources", "QVM_Sources", popup);
    char reason[64];
    textItem(menu, SettingLabel, titleWith(SettingLabel, whyOff(sources[0], reason)));
    for (uint32_t i = 1; i < MostSources; ++i) {
        SettingId id = (SettingId)(SettingSource2 + i - 1);
        textItem(menu, id, titleWith(id, whyOff(sources[i], reason)));
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
    if (!mainMenu) return;
    DelMenu(mainMenu);
    mainMenu = NULL;
}

Menu* shownConfigMenu() { return mainMenu; }

void answerMenuRequest(MenuRequest request) {
    switch (request) {
    case OpenMenu: buildConfigMenu(true); break;
    case RefreshMenu: buildConfigMenu(false); break;
    case ReleaseMenu: releaseConfigMenu(); break;
    }
}

void buildConfigMenu(bool popup) {
    releaseConfigMenu();
    Menu* configMenu = buildPeruserMenu(popup);
    Menu* windowMenu = buildWindowMenu(popup);
    Menu* formatMenu = buildFormatMenu(popup);
    Menu* highlightMenu = buildHighlightMenu(popup);
    Menu* styleMenu = buildStyleMenu(popup);
    Menu* settingsMenu = buildSettingsMenu(popup);
    mainMenu = MakeNamedMenu(PluginName, "QVM_Main", popup);
    MakeSubmenu(mainMenu, configMenu, "Peruser Configuration");
    MakeSubmenu(mainMenu, windowMenu, "Window Configuration");
    MakeSubmenu(mainMenu, formatMenu, "Format");
    MakeSubmenu(mainMenu, highlightMenu, "Highlight");
    MakeSubmenu(mainMenu, styleMenu, "Style Type");
    MakeSubmenu(mainMenu, settingsMenu, "Settings");
    MakeMenuItem(mainMenu, "About", commandText(CmdAbout), false);
    ShowMenu(mainMenu);
}
