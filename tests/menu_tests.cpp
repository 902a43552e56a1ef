#include <set>
#include <string>
#include <vector>

#include "commands/menu.h"
#include "support/plugin_fixture.h"

using fake::FakeMenu;
using fake::MenuEntry;

class MenuTest : public PluginTest {
protected:
    // Settings that give every shown value a distinct, known value.
    std::string knownSettings(bool inSlit) {
        return "qvperuser.filePath: " + watchedPath() +
               "\r\n"
               "qvperuser.width: 130\r\nqvperuser.height: 90\r\nqvperuser.edgeSize: 3\r\n"
               "qvperuser.fontHeight: 14\r\nqvperuser.alpha: 170\r\nqvperuser.styleType: 2\r\n"
               "qvperuser.reloadInterval(sec): 45\r\nqvperuser.readBufferSize: 600\r\n"
               "qvperuser.font: Courier New\r\n"
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

    static FakeMenu* shown() {
        FakeMenu* menu = fake::shownMenu();
        EXPECT_TRUE(menu != nullptr);
        return menu;
    }
    // Every entry of the shown tree, depth first.
    static std::vector<const MenuEntry*> allEntries() {
        std::vector<const MenuEntry*> entries;
        collect(shown(), &entries);
        return entries;
    }
    static void collect(const FakeMenu* menu, std::vector<const MenuEntry*>* entries) {
        if (!menu) return;
        for (const MenuEntry& entry : menu->entries) {
            entries->push_back(&entry);
            collect(entry.child, entries);
        }
    }
    static const MenuEntry* entryTitled(const std::string& title) {
        for (const MenuEntry* entry : allEntries()) {
            if (entry->kind != "submenu" && entry->title == title) return entry;
        }
        ADD_FAILURE() << "no entry " << title;
        static MenuEntry none;
        return &none;
    }
    static std::set<std::string> checkedTitles() {
        std::set<std::string> titles;
        for (const MenuEntry* entry : allEntries()) {
            if (entry->kind == "item" && entry->value) titles.insert(entry->title);
        }
        return titles;
    }
    // The popup flags of the menus made and shown since the calls were cleared.
    static std::vector<std::string> popupFlagsSeen() {
        std::vector<std::string> flags;
        for (const std::string& call : fake::callsStartingWith("MakeNamedMenu(")) {
            flags.push_back(call.substr(call.rfind(',') + 1));
        }
        for (const std::string& call : fake::callsStartingWith("ShowMenu(")) {
            flags.push_back(call.substr(call.rfind(',') + 1));
        }
        return flags;
    }
    static std::vector<std::string> sevenMenusAndShow(const std::string& flag, const char* shown) {
        std::vector<std::string> flags(7, flag + ")");
        flags.push_back(std::string(shown) + ")");
        return flags;
    }
};

static std::string expectedTree(bool withSlit, bool inSlit, const std::string& filePath) {
    std::string slitLine =
        withSlit ? std::string("  item \"In Slit\" @QVPeruserInSlit ") + (inSlit ? "1" : "0") + "\n"
                 : "";
    return "submenu \"Peruser Configuration\"\n"
           "  item \"Auto Reload\" @QVPeruserAutoReload 1\n"
           "  string \"Path to Input File\" @QVPeruserFilePath \"" +
           filePath +
           "\"\n"
           "  int \"Reload Interval (sec)\" @QVPeruserReloadInterval 45 [1,3600]\n"
           "  int \"ReadBuffer Size\" @QVPeruserReadBufferSize 600 [1,65536]\n"
           "submenu \"Window Configuration\"\n"
           "  int \"Width Size\" @QVPeruserWidthSize 130 [10," +
           std::to_string(state.screenWidth) +
           "]\n"
           "  int \"Height Size\" @QVPeruserHeightSize 90 [10," +
           std::to_string(state.screenHeight) +
           "]\n"
           "  int \"Edge Size\" @QVPeruserEdgeSize 3 [1,10]\n"
           "  nop \"\"\n" +
           slitLine +
           "  item \"Plugin Toggle\" @QVPeruserPluginToggle 0\n"
           "  item \"Always on Top\" @QVPeruserOnTop 1\n"
           "  item \"Transparency\" @QVPeruserTransparent 0\n"
           "  int \"Alpha Value\" @QVPeruserAlphaValue 170 [0,255]\n"
           "  item \"Snap To Edge\" @QVPeruserSnapToEdge 1\n"
           "  item \"Show Border\" @QVPeruserShowBorder 0\n"
           "  item \"Lock Position\" @QVPeruserLockPosition 1\n"
           "  item \"Auto Hide\" @QVPeruserAutoHide 0\n"
           "  nop \"\"\n"
           "  item \"Show Scroll\" @QVPeruserShowScroll 1\n"
           "submenu \"Format\"\n"
           "  item \"Word Wrap\" @QVPeruserWordWrap 0\n"
           "  submenu \"Font\"\n"
           "    int \"Font Size\" @QVPeruserFontSize 14 [1,64]\n"
           "    string \"Font Face\" @QVPeruserFontFace \"Courier New\"\n"
           "    item \"Font Color\" @QVPeruserFontColor 0\n"
           "    item \"Browse...\" @QVPeruserSetFont 0\n"
           "  item \"Back Color\" @QVPeruserBackColor 0\n"
           "submenu \"Style Type\"\n"
           "  item \"Toolbar\" @QVPeruserStyleType 1 0\n"
           "  item \"Button\" @QVPeruserStyleType 2 1\n"
           "  item \"ButtonP\" @QVPeruserStyleType 3 0\n"
           "  item \"Label\" @QVPeruserStyleType 4 0\n"
           "  item \"WinLabel\" @QVPeruserStyleType 5 0\n"
           "  item \"Clock\" @QVPeruserStyleType 6 0\n"
           "submenu \"Settings\"\n"
           "  item \"Edit Settings\" @QVPeruserEditRC 0\n"
           "  item \"Reload Settings\" @QVPeruserReloadSettings 0\n"
           "  item \"Save Settings\" @QVPeruserSaveSettings 0\n"
           "item \"About\" @QVPeruserAbout 0\n";
}

TEST_F(MenuTest, WholeTreeWithoutASlit) {
    startWithKnownSettings();
    FakeMenu* main = shown();
    ASSERT_TRUE(main);
    EXPECT_EQ("QVPeruser", main->title);
    EXPECT_EQ("QVM_Main", main->id);
    EXPECT_EQ(expectedTree(false, false, watchedPath()), fake::describeMenu(main));
}

TEST_F(MenuTest, WholeTreeWithASlit) {
    startDockableWithKnownSettings(false);
    EXPECT_EQ(expectedTree(true, false, watchedPath()), fake::describeMenu(shown()));
    send("@QVPeruserInSlit");
    EXPECT_EQ(expectedTree(true, true, watchedPath()), fake::describeMenu(shown()));
}

TEST_F(MenuTest, MenusAreNamedAndEachIsCompleteBeforeItIsAttached) {
    startWithKnownSettings();
    fake::calls.clear();
    buildConfigMenu(false);
    std::vector<std::string> structure;
    for (const std::string& call : fake::calls) {
        if (call.rfind("MakeNamedMenu(", 0) == 0 || call.rfind("MakeSubmenu(", 0) == 0 ||
            call.rfind("ShowMenu(", 0) == 0 || call.rfind("DelMenu(", 0) == 0) {
            structure.push_back(call);
        }
    }
    const std::vector<std::string> expected = {
        "DelMenu(QVM_Main)",
        "MakeNamedMenu(Peruser Configuration,QVM_Peruser,false)",
        "MakeNamedMenu(Window Configuration,QVM_Config,false)",
        "MakeNamedMenu(Format,QVM_Format,false)",
        "MakeNamedMenu(Font,QVM_Font,false)",
        "MakeSubmenu(QVM_Format,QVM_Font,Font)",
        "MakeNamedMenu(Style Type,QVM_StyleType,false)",
        "MakeNamedMenu(Settings,QVM_Settings,false)",
        "MakeNamedMenu(QVPeruser,QVM_Main,false)",
        "MakeSubmenu(QVM_Main,QVM_Peruser,Peruser Configuration)",
        "MakeSubmenu(QVM_Main,QVM_Config,Window Configuration)",
        "MakeSubmenu(QVM_Main,QVM_Format,Format)",
        "MakeSubmenu(QVM_Main,QVM_StyleType,Style Type)",
        "MakeSubmenu(QVM_Main,QVM_Settings,Settings)",
        "ShowMenu(QVM_Main,refresh)"};
    EXPECT_EQ(expected, structure);

    // Nothing is added to a menu once it hangs in its parent.
    for (size_t i = 0; i < fake::calls.size(); ++i) {
        if (fake::calls[i].rfind("MakeSubmenu(", 0) != 0) continue;
        size_t childStart = fake::calls[i].find(',') + 1;
        std::string child =
            fake::calls[i].substr(childStart, fake::calls[i].find(',', childStart) - childStart);
        for (size_t j = i + 1; j < fake::calls.size(); ++j) {
            EXPECT_EQ(std::string::npos, fake::calls[j].find("(" + child + ","))
                << fake::calls[j] << " after " << fake::calls[i];
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
    {&PluginState::wordWrap, "Word Wrap"}};

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
    const MenuEntry* width = entryTitled("Width Size");
    EXPECT_EQ(2000, width->value);
    EXPECT_EQ(10, width->minimum);
    EXPECT_EQ(1600, width->maximum);
    EXPECT_EQ(900, entryTitled("Height Size")->maximum);
    EXPECT_EQ(300, entryTitled("Alpha Value")->value);
    EXPECT_EQ(0, entryTitled("Edge Size")->value);
}

TEST_F(MenuTest, EachBuildReleasesThePreviousTree) {
    startWithKnownSettings();
    EXPECT_EQ(7, fake::liveMenuCount());
    FakeMenu* first = shown();
    buildConfigMenu(false);
    FakeMenu* second = shown();
    buildConfigMenu(false);
    EXPECT_EQ(7, fake::liveMenuCount());
    EXPECT_TRUE(first->released);
    EXPECT_TRUE(second->released);
    EXPECT_FALSE(shown()->released);
}

TEST_F(MenuTest, RightClicksPopTheMenuUp) {
    startWithKnownSettings();
    fake::calls.clear();
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(20, 20)));
    EXPECT_EQ(sevenMenusAndShow("true", "popup"), popupFlagsSeen());

    fake::calls.clear();
    SendMessageA(state.paneWnd, WM_NCRBUTTONUP, HTVSCROLL, MAKELPARAM(20, 20));
    EXPECT_EQ(sevenMenusAndShow("true", "popup"), popupFlagsSeen());
    EXPECT_EQ(7, fake::liveMenuCount());
}

TEST_F(MenuTest, ChangesRefreshWithoutPoppingUp) {
    startWithKnownSettings();
    const char* triggers[] = {
        "@QVPeruserStyleType 3",  // restyles
        "@QVPeruserTransparent",  // applies transparency
        "@QVPeruserWordWrap",     // makes a new pane
    };
    for (const char* trigger : triggers) {
        fake::calls.clear();
        send(trigger);
        EXPECT_EQ(sevenMenusAndShow("false", "refresh"), popupFlagsSeen()) << trigger;
    }
    fake::calls.clear();
    SendMessageA(state.viewerWnd, HostMsgRedraw, 0, 0);
    EXPECT_EQ(sevenMenusAndShow("false", "refresh"), popupFlagsSeen());
}

TEST_F(MenuTest, AnOpenMenuFollowsEveryToggle) {
    startWithKnownSettings();
    const char* toggles[][2] = {
        {"@QVPeruserOnTop", "Always on Top"},        {"@QVPeruserSnapToEdge", "Snap To Edge"},
        {"@QVPeruserShowBorder", "Show Border"},     {"@QVPeruserShowScroll", "Show Scroll"},
        {"@QVPeruserLockPosition", "Lock Position"}, {"@QVPeruserAutoHide", "Auto Hide"},
        {"@QVPeruserAutoReload", "Auto Reload"}};
    SendMessageA(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(20, 20));
    for (const auto& toggle : toggles) {
        SCOPED_TRACE(toggle[0]);
        int before = entryTitled(toggle[1])->value;
        fake::calls.clear();
        send(toggle[0]);
        EXPECT_EQ(sevenMenusAndShow("false", "refresh"), popupFlagsSeen());
        EXPECT_EQ(!before, entryTitled(toggle[1])->value);
        EXPECT_EQ(7, fake::liveMenuCount());
    }
}

// Every number and text item sends a command that reaches the field it shows,
// as the shell sends it after the user's entry.
TEST_F(MenuTest, EveryItemSendsACommandThatChangesWhatItShows) {
    startWithKnownSettings();
    std::string otherPath = dataFolder + "other.log";
    writeFile(otherPath, "other");
    std::vector<MenuEntry> entries;
    for (const MenuEntry* entry : allEntries()) {
        if (entry->kind == "int" || entry->kind == "string") entries.push_back(*entry);
    }
    ASSERT_EQ(9u, entries.size());
    for (const MenuEntry& entry : entries) {
        SCOPED_TRACE(entry.title);
        std::string value = entry.kind == "int"          ? "33"
                            : entry.title == "Font Face" ? "Tahoma"
                                                         : otherPath;
        send(entry.command + " " + value);
        buildConfigMenu(false);
        const MenuEntry* rebuilt = entryTitled(entry.title);
        EXPECT_EQ(value, entry.kind == "int" ? std::to_string(rebuilt->value) : rebuilt->text);
    }
    send(entryTitled("Label")->command);
    EXPECT_EQ(4, state.styleType);
}

TEST_F(MenuTest, RestyleReleasesTheMenuBeforeRestyling) {
    startWithKnownSettings();
    FakeMenu* old = shown();
    fake::calls.clear();
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, HostMsgRestyle, 0, 0));
    EXPECT_EQ(1, fake::countCalls("DelMenu("));
    EXPECT_EQ(0, fake::findCall("DelMenu(QVM_Main)"));
    EXPECT_LT(fake::findCall("DelMenu("), fake::findCall("GetSettingPtr("));
    EXPECT_TRUE(old->released);
    EXPECT_EQ(7, fake::liveMenuCount());
    EXPECT_EQ(sevenMenusAndShow("false", "refresh"), popupFlagsSeen());
}
