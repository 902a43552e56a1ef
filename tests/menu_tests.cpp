// The configuration menu, built through the stand-in shell's menu functions
// and shown in its menu windows.
#include <set>
#include <string>
#include <vector>

#include "commands/command_words.h"
#include "commands/menu.h"
#include "menu_windows.h"
#include "menus.h"
#include "settings/setting_rows.h"
#include "support/plugin_fixture.h"

static int serialOf(Menu* menu) { return (int)(INT_PTR)menu; }

// The main menu and its submenus.
static const int MenuCount = 9;

class MenuTest : public PluginTest {
protected:
    // Settings that give every shown value a distinct, known value.
    std::string knownSettings(bool inSlit) {
        return "qvperuser.filePath: " + watchedPath() +
               "\r\n"
               "qvperuser.width: 130\r\nqvperuser.height: 90\r\nqvperuser.edgeSize: 3\r\n"
               "qvperuser.fontHeight: 14\r\nqvperuser.alpha: 170\r\nqvperuser.styleType: 2\r\n"
               "qvperuser.reloadInterval(sec): 45\r\nqvperuser.readBufferSize: 600\r\n"
               "qvperuser.rescan(sec): 7\r\n"
               "qvperuser.font: Courier New\r\nqvperuser.encoding: utf-16le\r\n"
               "qvperuser.autoReload: true\r\nqvperuser.pluginToggle: false\r\n"
               "qvperuser.alwaysontop: true\r\nqvperuser.transparency: false\r\n"
               "qvperuser.snapwindow: true\r\nqvperuser.showBorder: false\r\n"
               "qvperuser.lockPos: true\r\nqvperuser.autoHide: false\r\n"
               "qvperuser.showScroll: true\r\nqvperuser.wordWrap: false\r\n"
               "qvperuser.inSlit: " +
               (inSlit ? "true" : "false") + "\r\n";
    }
    void startWithKnownSettings() {
        writeSettings(knownSettings(false));
        ASSERT_EQ(0, start());
    }
    void startDockableWithKnownSettings(bool inSlit) {
        writeSettings(knownSettings(inSlit));
        ASSERT_EQ(0, startInSlit());
    }
    LRESULT send(const std::string& text) {
        return SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)text.c_str());
    }
    static void rightClickTheFrame() {
        SendMessageA(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(20, 20));
    }

    // Every entry of a menu tree, depth first; by default the plugin's latest.
    static std::vector<const ShellItem*> allEntries(int menu = mainMenuSerial()) {
        std::vector<const ShellItem*> entries;
        const ShellMenu* found = findMenu(menu);
        for (size_t i = 0; found && i < found->items.size(); ++i) {
            entries.push_back(&found->items[i]);
            if (found->items[i].kind != ItemSubmenu) continue;
            for (const ShellItem* inner : allEntries(found->items[i].submenu)) entries.push_back(inner);
        }
        return entries;
    }
    static const ShellItem* entryTitled(const std::string& title,
                                        int menu = mainMenuSerial()) {
        for (const ShellItem* entry : allEntries(menu)) {
            if (entry->kind != ItemSubmenu && entry->title == title) return entry;
        }
        ADD_FAILURE() << "no entry " << title;
        static ShellItem none;
        return &none;
    }
    static std::set<std::string> checkedTitles() {
        std::set<std::string> titles;
        for (const ShellItem* entry : allEntries()) {
            if (entry->kind == ItemCommand && entry->checked) titles.insert(entry->title);
        }
        return titles;
    }
    // The popup flags of the menus made and shown since the trace was cleared.
    static std::vector<std::string> popupFlagsSeen() {
        std::vector<std::string> flags;
        for (const std::string& line : shellTrace::startingWith("MakeNamedMenu(")) {
            flags.push_back(line.substr(line.rfind(',') + 1));
        }
        for (const std::string& line : shellTrace::startingWith("ShowMenu(")) {
            flags.push_back(line.substr(line.rfind(',') + 1));
        }
        return flags;
    }
    static std::vector<std::string> allMenusAndShow(const std::string& flag, const char* shown) {
        std::vector<std::string> flags(MenuCount, flag + ")");
        flags.push_back(std::string(shown) + ")");
        return flags;
    }
};

// A setting's item as the shell describes it, with the title and the range
// of the setting's row (settings/setting_rows.h): the menu and the values
// the plugin takes agree because both read the row, not because this test
// repeats them. The command and the value are the test's own.
static std::string c(CommandId id) { return std::string(commandText(id)); }
static std::string titleOf(SettingId id) { return std::string("\"") + settingRows[id].title + "\" "; }
static std::string switchItem(SettingId id, CommandId command, bool on, const char* indent = "  ") {
    return indent + std::string("item ") + titleOf(id) + c(command) + (on ? " 1\n" : " 0\n");
}
static std::string numberItem(SettingId id, CommandId command, int value, int most,
                              const char* indent = "  ") {
    return indent + std::string("int ") + titleOf(id) + c(command) + " " + std::to_string(value) +
           " [" + std::to_string(settingRows[id].least) + "," + std::to_string(most) + "]\n";
}
static std::string numberItem(SettingId id, CommandId command, int value, const char* indent = "  ") {
    return numberItem(id, command, value, settingRows[id].most, indent);
}
static std::string textItem(SettingId id, const std::string& command, const std::string& value,
                            const char* indent = "  ") {
    return indent + std::string("string ") + titleOf(id) + command + " \"" + value + "\"\n";
}

static std::string expectedTree(bool withSlit, bool inSlit, const std::string& filePath) {
    std::string style = c(CmdStyleType);
    std::string rules;
    const char* ruleTitles[] = {"Rule 1 (#C00000)", "Rule 2 (#A05A00)"};
    for (int rule = 1; rule <= 8; ++rule) {
        std::string number = std::to_string(rule);
        SettingId id = (SettingId)(SettingHighlight1 + rule - 1);
        rules += rule <= 2 ? "  string \"" + std::string(ruleTitles[rule - 1]) + "\" " +
                                 c(CmdHighlightRule) + " " + number + " \"" +
                                 settingRows[id].defaultText + "\"\n"
                           : textItem(id, c(CmdHighlightRule) + " " + number, "");
    }
    std::string sources;
    for (int number = 2; number <= 4; ++number) {
        sources += textItem((SettingId)(SettingSource2 + number - 2),
                            c(CmdSource) + " " + std::to_string(number), "", "    ");
    }
    return "submenu \"Peruser Configuration\"\n" +
           switchItem(SettingAutoReload, CmdAutoReload, true) +
           textItem(SettingFilePath, c(CmdFilePath), filePath) +
           numberItem(SettingReloadInterval, CmdReloadInterval, 45) +
           numberItem(SettingRescan, CmdRescan, 7) +
           numberItem(SettingReadBufferSize, CmdReadBufferSize, 600) +
           textItem(SettingEncoding, c(CmdEncoding), "utf-16le") +
           numberItem(SettingLines, CmdLines, 0) +
           textItem(SettingFilterShow, c(CmdFilterShow), "") +
           textItem(SettingFilterHide, c(CmdFilterHide), "") +
           numberItem(SettingScanLimit, CmdScanLimit, 4194304) +
           switchItem(SettingMultiLine, CmdMultiLine, true) +
           switchItem(SettingCollapseRepeats, CmdCollapseRepeats, false) +
           "  submenu \"Sources\"\n" +
           textItem(SettingLabel, c(CmdLabel), "", "    ") + sources +
           numberItem(SettingStaleAfter, CmdStaleAfter, 0) +
           "submenu \"Window Configuration\"\n" +
           numberItem(SettingWidth, CmdWidthSize, 130, state.screenWidth) +
           numberItem(SettingHeight, CmdHeightSize, 90, state.screenHeight) +
           numberItem(SettingEdgeSize, CmdEdgeSize, 3) +
           "  nop \"\"\n" + (withSlit ? switchItem(SettingInSlit, CmdInSlit, inSlit) : "") +
           switchItem(SettingPluginToggle, CmdPluginToggle, false) +
           switchItem(SettingAlwaysOnTop, CmdOnTop, true) +
           switchItem(SettingTransparency, CmdTransparent, false) +
           numberItem(SettingAlpha, CmdAlphaValue, 170) +
           switchItem(SettingSnapWindow, CmdSnapToEdge, true) +
           switchItem(SettingShowBorder, CmdShowBorder, false) +
           switchItem(SettingLockPos, CmdLockPosition, true) +
           switchItem(SettingAutoHide, CmdAutoHide, false) +
           "  nop \"\"\n" +
           switchItem(SettingShowScroll, CmdShowScroll, true) +
           switchItem(SettingHideOverFullscreen, CmdHideOverFullscreen, false) +
           switchItem(SettingStatusLine, CmdStatusLine, false) +
           switchItem(SettingActivity, CmdActivity, false) +
           "submenu \"Format\"\n" +
           switchItem(SettingWordWrap, CmdWordWrap, false) +
           "  submenu \"Font\"\n" +
           numberItem(SettingFontHeight, CmdFontSize, 14, "    ") +
           textItem(SettingFont, c(CmdFontFace), "Courier New", "    ") +
           switchItem(SettingFontColor, CmdFontColor, false, "    ") +
           "    item \"Browse...\" " + c(CmdSetFont) + " 0\n" +
           switchItem(SettingBackColor, CmdBackColor, false) +
           "submenu \"Highlight\"\n" +
           switchItem(SettingHighlight, CmdHighlightLines, true) +
           "  nop \"\"\n" + rules +
           "  nop \"\"\n" +
           switchItem(SettingAlertSound, CmdAlertSound, false) +
           numberItem(SettingAlertQuiet, CmdAlertQuiet, 10) +
           "submenu \"Style Type\"\n"
           "  item \"Toolbar\" " + style + " 1 0\n"
           "  item \"Button\" " + style + " 2 1\n"
           "  item \"ButtonP\" " + style + " 3 0\n"
           "  item \"Label\" " + style + " 4 0\n"
           "  item \"WinLabel\" " + style + " 5 0\n"
           "  item \"Clock\" " + style + " 6 0\n"
           "submenu \"Settings\"\n"
           "  item \"Edit Settings\" " + c(CmdEditRC) + " 0\n"
           "  item \"Reload Settings\" " + c(CmdReloadSettings) + " 0\n"
           "  item \"Save Settings\" " + c(CmdSaveSettings) + " 0\n"
           "item \"About\" " + c(CmdAbout) + " 0\n";
}

TEST_F(MenuTest, WholeTreeWithoutASlit) {
    startWithKnownSettings();
    const ShellMenu* main = findMenu(mainMenuSerial());
    ASSERT_TRUE(main);
    EXPECT_EQ("QVPeruser", main->title);
    EXPECT_EQ("QVM_Main", main->id);
    EXPECT_EQ(expectedTree(false, false, watchedPath()), describeMenu(mainMenuSerial()));
}

TEST_F(MenuTest, WholeTreeWithASlit) {
    startDockableWithKnownSettings(false);
    EXPECT_EQ(expectedTree(true, false, watchedPath()), describeMenu(mainMenuSerial()));
    send("@QVPeruserInSlit");
    EXPECT_EQ(expectedTree(true, true, watchedPath()), describeMenu(mainMenuSerial()));
}

TEST_F(MenuTest, MenusAreNamedAndEachIsCompleteBeforeItIsAttached) {
    startWithKnownSettings();
    shellTrace::clear();
    buildConfigMenu(false);
    std::vector<std::string> structure;
    for (const std::string& call : shellTrace::lines) {
        if (call.rfind("MakeNamedMenu(", 0) == 0 || call.rfind("MakeSubmenu(", 0) == 0 ||
            call.rfind("ShowMenu(", 0) == 0 || call.rfind("DelMenu(", 0) == 0) {
            structure.push_back(call);
        }
    }
    const std::vector<std::string> expected = {
        "DelMenu(QVM_Main)",
        "MakeNamedMenu(Peruser Configuration,QVM_Peruser,false)",
        "MakeNamedMenu(Sources,QVM_Sources,false)",
        "MakeSubmenu(QVM_Peruser,QVM_Sources,Sources)",
        "MakeNamedMenu(Window Configuration,QVM_Config,false)",
        "MakeNamedMenu(Format,QVM_Format,false)",
        "MakeNamedMenu(Font,QVM_Font,false)",
        "MakeSubmenu(QVM_Format,QVM_Font,Font)",
        "MakeNamedMenu(Highlight,QVM_Highlight,false)",
        "MakeNamedMenu(Style Type,QVM_StyleType,false)",
        "MakeNamedMenu(Settings,QVM_Settings,false)",
        "MakeNamedMenu(QVPeruser,QVM_Main,false)",
        "MakeSubmenu(QVM_Main,QVM_Peruser,Peruser Configuration)",
        "MakeSubmenu(QVM_Main,QVM_Config,Window Configuration)",
        "MakeSubmenu(QVM_Main,QVM_Format,Format)",
        "MakeSubmenu(QVM_Main,QVM_Highlight,Highlight)",
        "MakeSubmenu(QVM_Main,QVM_StyleType,Style Type)",
        "MakeSubmenu(QVM_Main,QVM_Settings,Settings)",
        "ShowMenu(QVM_Main,refresh)"};
    EXPECT_EQ(expected, structure);

    // Nothing is added to a menu once it hangs in its parent.
    const std::vector<std::string>& calls = shellTrace::lines;
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i].rfind("MakeSubmenu(", 0) != 0) continue;
        size_t childStart = calls[i].find(',') + 1;
        std::string child = calls[i].substr(childStart, calls[i].find(',', childStart) - childStart);
        for (size_t j = i + 1; j < calls.size(); ++j) {
            EXPECT_EQ(std::string::npos, calls[j].find("(" + child + ","))
                << calls[j] << " after " << calls[i];
        }
    }
}

struct ShownBoolean {
    bool PluginState::*field;
    const char* title;
};

static const ShownBoolean shownBooleans[] = {
    {&PluginState::autoReload, "Auto Reload"},     {&PluginState::inSlit, "In Slit"},
    {&PluginState::pluginToggle, "Plugin Toggle"}, {&PluginState::alwaysontop, "Always on Top"},
    {&PluginState::transparency, "Transparency"},  {&PluginState::snapWindow, "Snap To Edge"},
    {&PluginState::showBorder, "Show Border"},     {&PluginState::lockPos, "Lock Position"},
    {&PluginState::autoHide, "Auto Hide"},         {&PluginState::showScroll, "Show Scroll"},
    {&PluginState::wordWrap, "Word Wrap"},         {&PluginState::highlight, "Highlight Lines"},
    {&PluginState::alertSound, "Alert Sound"},     {&PluginState::multiLine, "Multi-line Entries"},
    {&PluginState::collapseRepeats, "Collapse Repeats"}};

TEST_F(MenuTest, EachCheckMarkFollowsItsOwnSetting) {
    startDockableWithKnownSettings(false);
    state.styleType = 0;
    for (const ShownBoolean& shownBoolean : shownBooleans) state.*shownBoolean.field = false;
    buildConfigMenu(false);
    EXPECT_TRUE(checkedTitles().empty());

    std::set<std::string> all;
    for (const ShownBoolean& shownBoolean : shownBooleans) {
        state.*shownBoolean.field = true;
        buildConfigMenu(false);
        EXPECT_EQ(std::set<std::string>{shownBoolean.title}, checkedTitles());
        state.*shownBoolean.field = false;
        all.insert(shownBoolean.title);
    }
    // With everything set, the plain items still carry no mark.
    for (const ShownBoolean& shownBoolean : shownBooleans) state.*shownBoolean.field = true;
    state.styleType = 1;
    buildConfigMenu(false);
    all.insert("Toolbar");
    EXPECT_EQ(all, checkedTitles());
}

TEST_F(MenuTest, ExactlyTheCurrentStyleIsChecked) {
    startWithKnownSettings();
    for (const ShownBoolean& shownBoolean : shownBooleans) state.*shownBoolean.field = false;
    const char* titles[] = {"Toolbar", "Button", "ButtonP", "Label", "WinLabel", "Clock"};
    for (int styleType = 1; styleType <= 6; ++styleType) {
        state.styleType = styleType;
        buildConfigMenu(false);
        EXPECT_EQ(std::set<std::string>{titles[styleType - 1]}, checkedTitles());
    }
    for (int outOfRange : {0, 7, -1, 100}) {
        state.styleType = outOfRange;
        buildConfigMenu(false);
        EXPECT_TRUE(checkedTitles().empty()) << outOfRange;
    }
}

TEST_F(MenuTest, ValuesAndLimitsAreHandedOnUnchanged) {
    startWithKnownSettings();
    state.screenWidth = 1600;
    state.screenHeight = 900;
    state.width = 2000;
    state.alpha = 300;
    state.edgeSize = 0;
    buildConfigMenu(false);
    const ShellItem* width = entryTitled("Width Size");
    EXPECT_EQ(2000, width->value);
    EXPECT_EQ(10, width->minimum);
    EXPECT_EQ(1600, width->maximum);
    EXPECT_EQ(900, entryTitled("Height Size")->maximum);
    EXPECT_EQ(300, entryTitled("Alpha Value")->value);
    EXPECT_EQ(0, entryTitled("Edge Size")->value);
}

TEST_F(MenuTest, EachBuildReleasesThePreviousTree) {
    startWithKnownSettings();
    EXPECT_EQ(MenuCount, liveMenuCount());
    int first = mainMenuSerial();
    buildConfigMenu(false);
    int second = mainMenuSerial();
    buildConfigMenu(false);
    EXPECT_EQ(MenuCount, liveMenuCount());
    EXPECT_EQ(nullptr, findMenu(first));
    EXPECT_EQ(nullptr, findMenu(second));
    EXPECT_NE(nullptr, findMenu(mainMenuSerial()));
}

TEST_F(MenuTest, RightClicksPopTheMenuUp) {
    startWithKnownSettings();
    shellTrace::clear();
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(20, 20)));
    EXPECT_EQ(allMenusAndShow("true", "popup"), popupFlagsSeen());
    EXPECT_EQ(mainMenuSerial(), openMenuAt(0));
    EXPECT_TRUE(IsWindowVisible(openMenuWindow(0)));

    shellTrace::clear();
    SendMessageA(state.paneWnd, WM_NCRBUTTONUP, HTVSCROLL, MAKELPARAM(20, 20));
    EXPECT_EQ(allMenusAndShow("true", "popup"), popupFlagsSeen());
    EXPECT_EQ(mainMenuSerial(), openMenuAt(0));
    EXPECT_EQ(MenuCount, liveMenuCount());
}

// A system popup menu (the control's or a scroll bar's own) runs its own
// modal loop; a timer inside it notes it and closes it.
static bool systemMenuSeen;
static void CALLBACK closeSystemMenus(HWND, UINT, UINT_PTR, DWORD) {
    HWND popup = FindWindowA("#32768", NULL);
    if (!popup || !IsWindowVisible(popup)) return;
    systemMenuSeen = true;
    EndMenu();
}

static void press(DWORD mouseFlags, WORD key = 0, DWORD keyFlags = 0) {
    INPUT input = {};
    if (key) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = keyFlags;
    } else {
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = mouseFlags;
    }
    SendInput(1, &input, sizeof input);
}

// A real right click, optionally with Ctrl held; whatever menus it opens are
// given time to show.
static void rightClickAt(int x, int y, bool withCtrl = false) {
    SetCursorPos(x, y);
    pumpMessages(100);
    if (withCtrl) press(0, VK_CONTROL);
    press(MOUSEEVENTF_RIGHTDOWN);
    press(MOUSEEVENTF_RIGHTUP);
    if (withCtrl) press(0, VK_CONTROL, KEYEVENTF_KEYUP);
    pumpMessages(600);
}

// On the pane's scroll bar, and on its text with Ctrl held, a right click
// opens the configuration menu and no menu of the control's or the system's.
TEST_F(MenuTest, RightClicksOnThePanesFrameOpenOnlyTheConfigurationMenu) {
    startWithKnownSettings();
    RECT pane;
    GetWindowRect(state.paneWnd, &pane);
    POINT onScrollBar = {pane.right - GetSystemMetrics(SM_CXVSCROLL) / 2,
                         (pane.top + pane.bottom) / 2};
    systemMenuSeen = false;
    UINT_PTR watch = SetTimer(NULL, 0, 50, closeSystemMenus);

    rightClickAt(onScrollBar.x, onScrollBar.y);
    EXPECT_EQ(mainMenuSerial(), openMenuAt(0));
    rightClickAt(pane.left + 20, pane.top + 10, true);
    EXPECT_EQ(mainMenuSerial(), openMenuAt(0));
    EXPECT_FALSE(systemMenuSeen);
    // What a system that answers the release with a context-menu request sends.
    SendMessageW(state.paneWnd, WM_CONTEXTMENU, (WPARAM)state.paneWnd,
                 MAKELPARAM(onScrollBar.x, onScrollBar.y));
    EXPECT_FALSE(systemMenuSeen);
    // A plain right click in the text is the control's.
    SendMessageW(state.paneWnd, WM_CONTEXTMENU, (WPARAM)state.paneWnd,
                 MAKELPARAM(pane.left + 20, pane.top + 10));
    KillTimer(NULL, watch);
    EXPECT_TRUE(systemMenuSeen);
}

// With no frame wider than a pixel to right-click, the text's right click
// opens the configuration menu instead of the control's. A negative edge
// counts as none and is kept as given.
TEST_F(MenuTest, WithoutAFrameToClickTheTextsRightClickOpensTheMenu) {
    startWithKnownSettings();
    send("@QVPeruserEdgeSize -3");
    EXPECT_EQ(-3, state.edgeSize);
    RECT client, pane;
    GetClientRect(state.viewerWnd, &client);
    GetWindowRect(state.paneWnd, &pane);
    MapWindowPoints(NULL, state.viewerWnd, (POINT*)&pane, 2);
    EXPECT_TRUE(EqualRect(&client, &pane));
    GetWindowRect(state.paneWnd, &pane);
    UINT_PTR watch = SetTimer(NULL, 0, 50, closeSystemMenus);
    for (const char* edge : {"@QVPeruserEdgeSize -3", "@QVPeruserEdgeSize 1",
                             "@QVPeruserEdgeSize 2"}) {
        SCOPED_TRACE(edge);
        send(edge);
        closeMenus();
        systemMenuSeen = false;
        rightClickAt(pane.left + 30, pane.top + 20);
        bool narrow = state.edgeSize < 2;
        EXPECT_EQ(narrow ? mainMenuSerial() : 0, openMenuAt(0));
        EXPECT_EQ(!narrow, systemMenuSeen);
    }
    KillTimer(NULL, watch);
}

TEST_F(MenuTest, ChangesRefreshWithoutPoppingUp) {
    startWithKnownSettings();
    const char* triggers[] = {
        "@QVPeruserStyleType 3",  // restyles
        "@QVPeruserTransparent",  // applies transparency
        "@QVPeruserWordWrap",     // makes a new pane
    };
    for (const char* trigger : triggers) {
        shellTrace::clear();
        send(trigger);
        EXPECT_EQ(allMenusAndShow("false", "refresh"), popupFlagsSeen()) << trigger;
    }
    shellTrace::clear();
    SendMessageA(state.viewerWnd, HostMsgRedraw, 0, 0);
    EXPECT_EQ(allMenusAndShow("false", "refresh"), popupFlagsSeen());
    EXPECT_EQ(0, openMenuAt(0));
}

// The shell's open menu, with "Window Configuration" opened from it, shows
// every change in the same windows.
TEST_F(MenuTest, AnOpenMenuFollowsEveryToggle) {
    startWithKnownSettings();
    const char* toggles[][2] = {
        {"@QVPeruserOnTop", "Always on Top"},        {"@QVPeruserSnapToEdge", "Snap To Edge"},
        {"@QVPeruserShowBorder", "Show Border"},     {"@QVPeruserShowScroll", "Show Scroll"},
        {"@QVPeruserLockPosition", "Lock Position"}, {"@QVPeruserAutoHide", "Auto Hide"},
        {"@QVPeruserAutoReload", "Auto Reload"},     {"@QVPeruserHighlightLines", "Highlight Lines"},
        {"@QVPeruserAlertSound", "Alert Sound"}};
    rightClickTheFrame();
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RIGHT}) {
        SendMessageA(openMenuWindow(0), WM_KEYDOWN, key, 0);
    }
    HWND main = openMenuWindow(0), window = openMenuWindow(1);
    ASSERT_EQ(submenuSerial("Window Configuration"), openMenuAt(1));
    for (const auto& toggle : toggles) {
        SCOPED_TRACE(toggle[0]);
        bool before = entryTitled(toggle[1], openMenuAt(0))->checked;
        shellTrace::clear();
        send(toggle[0]);
        EXPECT_EQ(allMenusAndShow("false", "refresh"), popupFlagsSeen());
        EXPECT_EQ(1, shellTrace::count("open menu QVM_Main refreshed"));
        EXPECT_EQ(mainMenuSerial(), openMenuAt(0));
        EXPECT_EQ(submenuSerial("Window Configuration"), openMenuAt(1));
        EXPECT_EQ(!before, entryTitled(toggle[1], openMenuAt(0))->checked);
        EXPECT_EQ(MenuCount, liveMenuCount());
    }
    EXPECT_EQ(main, openMenuWindow(0));
    EXPECT_EQ(window, openMenuWindow(1));
    // The plugin's end releases the tree, and the open menu closes with it.
    stop();
    pumpMessages(20);
    EXPECT_EQ(0, openMenuAt(0));
    EXPECT_FALSE(IsWindow(main));
}

// Every number and text item sends a command that reaches the field it shows,
// as the shell sends it after the user's entry, and the menu is refreshed
// once to show the new value.
TEST_F(MenuTest, EveryItemSendsACommandThatChangesWhatItShows) {
    startWithKnownSettings();
    std::string otherPath = dataFolder + "other.log";
    writeFile(otherPath, "other");
    // Each source a file of its own: a file named twice is shown once, the later source off.
    auto sourceValue = [&](const std::string& title) {
        std::string path = dataFolder + "other" + title.substr(7) + ".log";
        writeFile(path, "other");
        return "other " + path;
    };
    std::vector<ShellItem> entries;
    for (const ShellItem* entry : allEntries()) {
        if (entry->kind == ItemNumber || entry->kind == ItemText) entries.push_back(*entry);
    }
    ASSERT_EQ(29u, entries.size());
    for (const ShellItem& entry : entries) {
        SCOPED_TRACE(entry.title);
        // A rule's title shows its colour: "Rule 1 (#102030)".
        bool rule = entry.title.rfind("Rule", 0) == 0;
        bool source = entry.title.rfind("Source", 0) == 0;
        std::string value = entry.kind == ItemNumber             ? "33"
                            : entry.title == "Font Face"         ? "Tahoma"
                            : entry.title == "Encoding"          ? "utf-8"
                            : rule                               ? "#102030 " + entry.title.substr(0, 6)
                            : entry.title == "Source 1 Label"    ? "#102030 first"
                            : source                             ? sourceValue(entry.title)
                                                                 : otherPath;
        shellTrace::clear();
        send(entry.command + " " + value);
        EXPECT_EQ(allMenusAndShow("false", "refresh"), popupFlagsSeen());
        const ShellItem* rebuilt = entryTitled(rule ? value.substr(8) + " (#102030)" : entry.title);
        EXPECT_EQ(value, entry.kind == ItemNumber ? std::to_string(rebuilt->value) : rebuilt->text);
    }
    send(entryTitled("Label")->command);
    EXPECT_EQ(4, state.styleType);
}

// Opens the menu by keys, as a user does: the main menu's entry after so many
// presses of the down key, then the submenu's; Enter on a value's field,
// after typing a new text there when one is given.
static void enterInField(int mainPresses, int itemPresses, const wchar_t* typed = nullptr) {
    SendMessageA(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(20, 20));
    HWND main = openMenuWindow(0);
    for (int i = 0; i < mainPresses; ++i) SendMessageA(main, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(main, WM_KEYDOWN, VK_RIGHT, 0);
    HWND submenu = openMenuWindow(1);
    for (int i = 0; i < itemPresses; ++i) SendMessageA(submenu, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(submenu, WM_KEYDOWN, VK_RETURN, 0);
    HWND field = FindWindowExA(submenu, NULL, "Edit", NULL);
    ASSERT_NE(nullptr, field);
    if (typed) SetWindowTextW(field, typed);
    SendMessageW(field, WM_KEYDOWN, VK_RETURN, 0);
    pumpMessages(200);
    closeMenus();
}

// The shell's menu takes text in the ANSI code page (1252 here): values kept
// in UTF-8 show in it, what it lacks as '?'. Sent back as shown, they keep
// what is stored; typed anew in the field, they are taken as typed.
TEST_F(MenuTest, TextValuesRoundTripThroughTheAnsiMenuWithoutLoss) {
    ASSERT_EQ(1252u, GetACP());
    std::string path = dataFolder + "J\xC3\xBCrgen-журнал.log";
    std::string rule = "#8000FF ошибка|ζωή";
    writeFileNamedInUtf8(path, "first\r\nsecond\r\n");
    writeSettings("qvperuser.filePath: " + path + "\r\nqvperuser.highlight3: " + rule + "\r\n");
    ASSERT_EQ(0, start());
    EXPECT_EQ(dataFolder + "J\xFCrgen-??????.log", entryTitled("File Path")->text);
    EXPECT_EQ("#8000FF ??????|???", entryTitled("Rule 3 (#8000FF)")->text);

    enterInField(1, 1);  // Peruser Configuration > File Path
    EXPECT_EQ(path, state.filePath);
    enterInField(4, 3);  // Highlight > Rule 3
    EXPECT_EQ(rule, state.highlightRules[2]);
    EXPECT_NE(nullptr, entryTitled("Rule 3 (#8000FF)"));  // still on: no "(off: ...)"
    WCHAR pane[64] = {};
    GetWindowTextW(state.paneWnd, pane, 64);
    EXPECT_STREQ(L"first\r\nsecond\r\n", pane);

    enterInField(4, 3, L"#8000FF ошибка");
    EXPECT_EQ("#8000FF ошибка", std::string(state.highlightRules[2]));
    stop();
    EXPECT_EQ("#8000FF ошибка", storedSetting(settingsPath(), "qvperuser.highlight3"));
    EXPECT_EQ(path, storedSetting(settingsPath(), "qvperuser.filePath"));
}

TEST_F(MenuTest, RestyleReleasesTheMenuBeforeRestyling) {
    startWithKnownSettings();
    int old = mainMenuSerial();
    shellTrace::clear();
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, HostMsgRestyle, 0, 0));
    EXPECT_EQ(1, shellTrace::count("DelMenu("));
    EXPECT_EQ(0, shellTrace::find("DelMenu(QVM_Main)"));
    EXPECT_LT(shellTrace::find("DelMenu("), shellTrace::find("GetSettingPtr("));
    EXPECT_EQ(nullptr, findMenu(old));
    EXPECT_EQ(MenuCount, liveMenuCount());
    EXPECT_EQ(allMenusAndShow("false", "refresh"), popupFlagsSeen());
}
