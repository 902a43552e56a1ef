#include <climits>
#include <map>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "commands/menu.h"
#include "menus.h"
#include "styles.h"
#include "support/dialogs.h"
#include "support/plugin_fixture.h"
#include "viewer/viewer.h"

// --- the matcher and the number reader, without a window ------------------

static bool takesArgument(int id) { return commandWords[id].argument != NoArgument; }

static std::string command(const std::string& rest) { return "@QVPeruser" + rest; }

TEST(MatchCommand, IgnoresCaseOfPrefixAndWord) {
    EXPECT_EQ(CmdWordWrap, matchCommand("@QVPeruserWordWrap").id);
    EXPECT_EQ(CmdWordWrap, matchCommand("@qvperuserwordwrap").id);
    EXPECT_EQ(CmdWordWrap, matchCommand("@QVPERUSERWORDWRAP").id);
    CommandMatch alpha = matchCommand("@qVpErUsErALPHAvalue 9");
    EXPECT_EQ(CmdAlphaValue, alpha.id);
    EXPECT_STREQ("9", alpha.argument);
}

TEST(MatchCommand, WholeWordsAdmitNothingAfterThem) {
    for (int id = 0; id < CommandCount; ++id) {
        if (takesArgument(id)) continue;
        std::string word = commandWord((CommandId)id);
        SCOPED_TRACE(word);
        EXPECT_EQ(id, matchCommand(command(word).c_str()).id);
        EXPECT_EQ(CmdNone, matchCommand(command(word + " ").c_str()).id);
        EXPECT_EQ(CmdNone, matchCommand(command(word + "1").c_str()).id);
    }
}

TEST(MatchCommand, ArgumentStartsOneCharacterBehindTheWord) {
    for (int id = 0; id < CommandCount; ++id) {
        if (!takesArgument(id)) continue;
        std::string word = commandWord((CommandId)id);
        SCOPED_TRACE(word);
        CommandMatch blank = matchCommand(command(word + " 42").c_str());
        EXPECT_EQ(id, blank.id);
        EXPECT_STREQ("42", blank.argument);
        // The separator is skipped unexamined, whatever it is.
        CommandMatch glued = matchCommand(command(word + "123").c_str());
        EXPECT_EQ(id, glued.id);
        EXPECT_STREQ("23", glued.argument);
        CommandMatch empty = matchCommand(command(word + " ").c_str());
        EXPECT_EQ(id, empty.id);
        EXPECT_STREQ("", empty.argument);
    }
    CommandMatch font = matchCommand("@QVPeruserFontSizeX 9");
    EXPECT_EQ(CmdFontSize, font.id);
    EXPECT_EQ(9, readNumber(font.argument));
    CommandMatch path = matchCommand("@QVPeruserFilePath C:\\my logs\\a b.log ");
    EXPECT_STREQ("C:\\my logs\\a b.log ", path.argument);
}

TEST(MatchCommand, NothingElseMatches) {
    const char* texts[] = {
        "", "@", "@QV", "@QVPeruse", "@QVPeruser", "QVPeruserAbout", "@QVPeruser About",
        "@QVShowPlugins", "@QVHidePlugins", "@QVPeruserUnknown", "@QVPeruserAbou",
        // A word that takes an argument but ends the text is not read past its end.
        "@QVPeruserFontSize", "@QVPeruserFilePath", "@qvperuserreloadinterval"};
    for (const char* text : texts) EXPECT_EQ(CmdNone, matchCommand(text).id) << text;
    // ... unless it may be left out: the word alone clears a filter.
    CommandMatch cleared = matchCommand("@QVPeruserFilterShow");
    EXPECT_EQ(CmdFilterShow, cleared.id);
    EXPECT_STREQ("", cleared.argument);
}

// The README's table of commands, one row a word: "| `@QVPeruserWord ARG` | effect |".
// Each word of the command table has exactly one row, with the argument it
// takes and an effect.
TEST(Readme, ListsEveryCommandWithItsArgumentAndEffect) {
    std::string readme = readFile(programFolder() + "README.md");
    const std::string rowStart = "\n| `" + std::string(CommandPrefix);  // a row, not a cell
    std::map<std::string, std::string> arguments;  // by word
    int rows = 0;
    for (size_t at = readme.find(rowStart); at != std::string::npos;
         at = readme.find(rowStart, at + 1), ++rows) {
        size_t name = at + rowStart.size(), quote = readme.find('`', name);
        std::string command = readme.substr(name, quote - name);
        std::string effect = readme.substr(quote, readme.find('\n', quote) - quote);
        size_t blank = command.find(' ');
        EXPECT_NE(std::string::npos, effect.find_first_not_of("`| ")) << command;
        arguments[command.substr(0, blank)] =
            blank == std::string::npos ? "" : command.substr(blank + 1);
    }
    // By ArgumentKind; any other name stands for a text, in brackets for one
    // that may be left out.
    const char* expected[] = {"", "N", "TEXT", "[TEXT]"};
    for (int id = 0; id < CommandCount; ++id) {
        std::string word = commandWord((CommandId)id);
        ASSERT_TRUE(arguments.count(word)) << word << " has no row";
        std::string argument = arguments[word];
        bool optional = argument.size() > 2 && argument.front() == '[' && argument.back() == ']';
        if (optional) argument = "[TEXT]";
        if (!optional && !argument.empty() && argument != "N") argument = "TEXT";
        EXPECT_EQ(expected[commandWords[id].argument], argument) << word;
    }
    EXPECT_EQ(CommandCount, rows) << "a row twice, or for a word the table lacks";
}

TEST(ReadNumber, ReadsAsAtoiDoes) {
    EXPECT_EQ(12, readNumber("12"));
    EXPECT_EQ(-12, readNumber(" \t\r\n-12abc"));
    EXPECT_EQ(7, readNumber("+7 8"));
    EXPECT_EQ(0, readNumber("abc"));
    EXPECT_EQ(0, readNumber(""));
    EXPECT_EQ(0, readNumber("- 5"));
    EXPECT_EQ(0, readNumber("x5"));
}

TEST(ReadNumber, SaturatesBeyondTheIntegerRange) {
    EXPECT_EQ(INT_MAX, readNumber("2147483647"));
    EXPECT_EQ(INT_MAX, readNumber("2147483648"));
    EXPECT_EQ(INT_MAX, readNumber("99999999999999999999999999"));
    EXPECT_EQ(INT_MIN, readNumber("-2147483648"));
    EXPECT_EQ(INT_MIN, readNumber("-99999999999999999999999999"));
    EXPECT_EQ(-2147483647, readNumber("-2147483647"));
}

TEST(ReloadPeriod, IsAtLeastASecondAndNeverOverflows) {
    int kept = state.reloadInterval;
    state.reloadInterval = 5;
    EXPECT_EQ(5000u, reloadPeriod());
    state.reloadInterval = 0;
    EXPECT_EQ(1000u, reloadPeriod());
    state.reloadInterval = INT_MIN;
    EXPECT_EQ(1000u, reloadPeriod());
    state.reloadInterval = 2147484;  // times 1000 is past the signed range
    EXPECT_EQ((UINT)USER_TIMER_MAXIMUM, reloadPeriod());
    state.reloadInterval = INT_MAX;
    EXPECT_EQ((UINT)USER_TIMER_MAXIMUM, reloadPeriod());
    state.reloadInterval = kept;
}

// --- commands against the running plugin ----------------------------------

class CommandTest : public PluginTest {
protected:
    void startWith(const std::string& settings) {
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n" + settings);
        ASSERT_EQ(0, start());
    }
    void startDockableWith(const std::string& settings) {
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n" + settings);
        ASSERT_EQ(0, startInSlit());
    }
    LRESULT send(const std::string& text) {
        return SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)text.c_str());
    }
    // The pane's rectangle in the viewer's client coordinates.
    static RECT paneRect() {
        RECT rect;
        GetWindowRect(state.paneWnd, &rect);
        MapWindowPoints(NULL, state.viewerWnd, (POINT*)&rect, 2);
        return rect;
    }
    static void expectPaneInset(int edge) {
        RECT client;
        GetClientRect(state.viewerWnd, &client);
        RECT pane = paneRect();
        EXPECT_EQ(edge, pane.left);
        EXPECT_EQ(edge, pane.top);
        EXPECT_EQ(client.right - edge, pane.right);
        EXPECT_EQ(client.bottom - edge, pane.bottom);
    }
    static RECT viewerRect() {
        RECT rect;
        GetWindowRect(state.viewerWnd, &rect);
        return rect;
    }
    static LONG viewerExStyle() { return GetWindowLongA(state.viewerWnd, GWL_EXSTYLE); }
    static LONG fontHeightOf(HFONT font) {
        LOGFONTA logFont = {};
        GetObjectA(font, sizeof logFont, &logFont);
        return logFont.lfHeight;
    }
    // True when the timer was running; it is stopped either way.
    static bool stopTimer(UINT_PTR id) { return KillTimer(state.viewerWnd, id) != 0; }
};

TEST_F(CommandTest, EveryTextGivesZeroAndNullTextDoesNothing) {
    startWith("");
    size_t before = shellTrace::lines.size();
    EXPECT_EQ(0, SendMessageA(state.viewerWnd, HostMsgCommand, 0, 0));
    EXPECT_EQ(before, shellTrace::lines.size());
    EXPECT_EQ(0, send("@QVPeruserFontSize 20"));
    EXPECT_EQ(20, state.fontHeight);
    EXPECT_EQ(0, send("something else"));
    EXPECT_EQ(0, send("@QVPeruserNoSuchWord"));
    // A word with nothing after it changes nothing.
    EXPECT_EQ(0, send("@QVPeruserFontSize"));
    EXPECT_EQ(20, state.fontHeight);
}

TEST_F(CommandTest, WholeWordsMatchInAnyCaseButNotWithATrailingBlank) {
    startWith("qvperuser.wordWrap: false\r\n");
    send("@qvperuserwordwrap");
    EXPECT_TRUE(state.wordWrap);
    EXPECT_FALSE(GetWindowLongA(state.paneWnd, GWL_STYLE) & ES_AUTOHSCROLL);
    send("@QVPERUSERWORDWRAP");
    EXPECT_FALSE(state.wordWrap);
    EXPECT_TRUE(GetWindowLongA(state.paneWnd, GWL_STYLE) & ES_AUTOHSCROLL);
    send("@QVPeruserWordWrap ");
    EXPECT_FALSE(state.wordWrap);
}

TEST_F(CommandTest, NumbersAreReadOneCharacterBehindTheWord) {
    startWith("qvperuser.edgeSize: 4\r\n");
    send("@QVPeruserFontSize12");
    EXPECT_EQ(2, state.fontHeight);
    EXPECT_EQ(2, fontHeightOf(state.paneFont));
    send("@QVPeruserFontSizeX 9");
    EXPECT_EQ(9, state.fontHeight);
    EXPECT_EQ(9, fontHeightOf(state.paneFont));
    send("@QVPeruserEdgeSize abc");
    EXPECT_EQ(0, state.edgeSize);
    expectPaneInset(0);
    send("@QVPeruserEdgeSize 7");
    expectPaneInset(7);
}

TEST_F(CommandTest, SizesAreRaisedToTheMinimumAndThePaneIsAlwaysLaidOut) {
    startWith(
        "qvperuser.x: 30\r\nqvperuser.y: 40\r\nqvperuser.width: 120\r\n"
        "qvperuser.height: 80\r\nqvperuser.edgeSize: 3\r\n");
    send("@QVPeruserWidthSize 5");
    EXPECT_EQ(10, state.width);
    EXPECT_EQ(80, state.height);
    RECT window = viewerRect();
    EXPECT_EQ(10, window.right - window.left);
    EXPECT_EQ(80, window.bottom - window.top);

    send("@QVPeruserHeightSize 150");
    send("@QVPeruserWidthSize 200");
    window = viewerRect();
    EXPECT_EQ(200, window.right - window.left);
    EXPECT_EQ(150, window.bottom - window.top);
    expectPaneInset(3);

    // The same size again changes nothing, but the pane is still laid out.
    MoveWindow(state.paneWnd, 1, 1, 5, 5, FALSE);
    send("@QVPeruserWidthSize 200");
    EXPECT_EQ(200, state.width);
    expectPaneInset(3);
    MoveWindow(state.paneWnd, 1, 1, 5, 5, FALSE);
    send("@QVPeruserHeightSize 150");
    expectPaneInset(3);
}

TEST_F(CommandTest, ReadBufferSizeAndFilePathShowAtOnce) {
    writeFile(watchedPath(), "abcdefghij");
    startWith("qvperuser.readBufferSize: 512\r\n");
    EXPECT_EQ("abcdefghij", paneText());
    send("@QVPeruserReadBufferSize 3");
    EXPECT_EQ(3, state.readBufferSize);
    EXPECT_EQ("hij", paneText());

    std::string other = dataFolder + "other file.log";
    writeFile(other, "0123456789");
    send("@QVPeruserFilePath " + other);
    EXPECT_EQ(other, state.filePath);
    EXPECT_EQ("789", paneText());
    // Back to the older file, unchanged since it was last shown: shown at once.
    send("@QVPeruserFilePath " + watchedPath());
    EXPECT_EQ("hij", paneText());
}

TEST_F(CommandTest, OverlongTextArgumentsAreCutToTheirFields) {
    startWith("qvperuser.readBufferSize: 77\r\n");
    std::string keptPath = state.filePath;
    send("@QVPeruserFontFace " + std::string(300, 'f'));
    EXPECT_EQ(std::string(255, 'f'), state.font);
    EXPECT_EQ(keptPath, state.filePath);
    send("@QVPeruserFilePath " + std::string(2000, 'p'));
    EXPECT_EQ(std::string(1023, 'p'), state.filePath);
    EXPECT_EQ(77, state.readBufferSize);
}

TEST_F(CommandTest, ReloadIntervalAndAutoReloadControlTheReloadTimer) {
    writeFile(watchedPath(), "one");
    startWith("qvperuser.autoReload: false\r\nqvperuser.reloadInterval(sec): 3600\r\n");
    send("@QVPeruserReloadInterval 5");
    EXPECT_EQ(5, state.reloadInterval);
    EXPECT_FALSE(stopTimer(ReloadTimer));
    send("@QVPeruserAutoReload");
    EXPECT_TRUE(state.autoReload);
    EXPECT_TRUE(stopTimer(ReloadTimer));

    // A new interval restarts a running timer; below one second, it runs every second.
    send("@QVPeruserAutoReload");
    EXPECT_FALSE(state.autoReload);
    send("@QVPeruserAutoReload");
    send("@QVPeruserReloadInterval 0");
    EXPECT_EQ(0, state.reloadInterval);
    writeFile(watchedPath(), "two!");
    pumpMessages(500);
    EXPECT_EQ("one", paneText());
    pumpMessages(900);
    EXPECT_EQ("two!", paneText());

    send("@QVPeruserAutoReload");
    EXPECT_FALSE(state.autoReload);
    writeFile(watchedPath(), "three");
    pumpMessages(300);
    EXPECT_EQ("two!", paneText());
    EXPECT_FALSE(stopTimer(ReloadTimer));
}

TEST_F(CommandTest, ShowAndHidePluginsFollowPluginToggle) {
    startWith("qvperuser.pluginToggle: false\r\n");
    ASSERT_TRUE(IsWindowVisible(state.viewerWnd));
    send("@QVHidePlugins");
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));

    send("@QVPeruserPluginToggle");
    EXPECT_TRUE(state.pluginToggle);
    send("@QVHidePlugins ");
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));
    send("@qvhideplugins");
    EXPECT_FALSE(IsWindowVisible(state.viewerWnd));
    send("@QVSHOWPLUGINS");
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));

    send("@QVHidePlugins");
    send("@QVPeruserPluginToggle");
    EXPECT_FALSE(state.pluginToggle);
    EXPECT_FALSE(IsWindowVisible(state.viewerWnd));
    send("@QVShowPlugins");
    EXPECT_FALSE(IsWindowVisible(state.viewerWnd));
    send("@QVPeruserSetFocus");
    pumpMessages(100);
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));
    EXPECT_EQ(state.paneWnd, GetFocus());
}

TEST_F(CommandTest, ShowAndHidePluginsIgnoredWhileDocked) {
    startDockableWith("qvperuser.pluginToggle: true\r\nqvperuser.inSlit: true\r\n");
    ASSERT_TRUE(state.inSlit);
    send("@QVHidePlugins");
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));
}

TEST_F(CommandTest, InSlitDoesNothingWithoutASlit) {
    startWith("qvperuser.inSlit: false\r\n");
    LONG exStyle = viewerExStyle();
    shellTrace::clear();
    send("@QVPeruserInSlit");
    EXPECT_FALSE(state.inSlit);
    EXPECT_EQ(exStyle, viewerExStyle());
    EXPECT_TRUE(shellTrace::lines.empty());
}

TEST_F(CommandTest, InSlitDocksAndUndocks) {
    startDockableWith("qvperuser.inSlit: false\r\nqvperuser.x: 30\r\nqvperuser.y: 40\r\n");
    ASSERT_FALSE(state.inSlit);
    const std::string viewer = handleText(state.viewerWnd);
    if (state.canLayer) EXPECT_TRUE(viewerExStyle() & WS_EX_LAYERED);

    shellTrace::clear();
    send("@QVPeruserInSlit");
    EXPECT_TRUE(state.inSlit);
    EXPECT_EQ(std::vector<std::string>{"slit received SlitMsgAdd " + viewer},
              shellTrace::startingWith("slit received"));
    // Transparency is dropped, and the menu shows it, before the slit takes the window.
    EXPECT_LT(shellTrace::find("ShowMenu"), shellTrace::find("slit received SlitMsgAdd"));
    EXPECT_EQ(slit, GetParent(state.viewerWnd));
    EXPECT_FALSE(viewerExStyle() & WS_EX_LAYERED);

    // While docked the slit places the window; leaving returns it to its own place.
    SetWindowPos(state.viewerWnd, NULL, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    stopTimer(AutoHideTimer);
    shellTrace::clear();
    send("@QVPeruserInSlit");
    EXPECT_FALSE(state.inSlit);
    ASSERT_FALSE(shellTrace::lines.empty());
    EXPECT_EQ("slit received SlitMsgRemove " + viewer, shellTrace::lines[0]);
    EXPECT_EQ(1, shellTrace::count("slit received"));
    EXPECT_EQ(NULL, GetParent(state.viewerWnd));
    RECT window = viewerRect();
    EXPECT_EQ(30, window.left);
    EXPECT_EQ(40, window.top);
    if (state.canLayer) EXPECT_TRUE(viewerExStyle() & WS_EX_LAYERED);
    EXPECT_TRUE(stopTimer(AutoHideTimer));
}

// What the user sees and what runs, against the settings: window, pane,
// timers and menu.
static void expectEverythingFollowsTheSettings() {
    RECT window;
    GetWindowRect(state.viewerWnd, &window);
    EXPECT_EQ(state.x, window.left);
    EXPECT_EQ(state.y, window.top);
    EXPECT_EQ(state.width, window.right - window.left);
    EXPECT_EQ(state.height, window.bottom - window.top);
    RECT pane;
    GetWindowRect(state.paneWnd, &pane);
    EXPECT_EQ(window.left + state.edgeSize, pane.left);
    EXPECT_EQ(window.bottom - state.edgeSize, pane.bottom);

    LONG paneStyle = GetWindowLongA(state.paneWnd, GWL_STYLE);
    EXPECT_EQ(state.wordWrap, !(paneStyle & ES_AUTOHSCROLL));
    EXPECT_EQ(state.showScroll, (paneStyle & WS_VSCROLL) != 0);
    LOGFONTA font = {};
    GetObjectA((HFONT)SendMessageA(state.paneWnd, WM_GETFONT, 0, 0), sizeof font, &font);
    EXPECT_EQ(state.fontHeight, font.lfHeight);
    EXPECT_STREQ(state.font, font.lfFaceName);
    LOGBRUSH brush = {};
    GetObjectA(state.backBrush, sizeof brush, &brush);
    EXPECT_EQ(state.backColor, brush.lbColor);
    EXPECT_EQ(0, memcmp(styleRecord(state.styleType), state.styleItem, StyleRecordSize));

    BYTE alpha = 0;
    GetLayeredWindowAttributes(state.viewerWnd, NULL, &alpha, NULL);
    EXPECT_EQ(state.transparency ? state.alpha : 255, alpha);
    LONG exStyle = GetWindowLongA(state.viewerWnd, GWL_EXSTYLE);
    EXPECT_EQ(state.alwaysontop, (exStyle & WS_EX_TOPMOST) != 0);
    EXPECT_EQ(state.autoReload, KillTimer(state.viewerWnd, ReloadTimer) != 0);
    applyReloadTimer();  // as it was

    // The menu shows what a fresh build from the settings shows.
    std::string shown = describeMenu(mainMenuSerial());
    buildConfigMenu(false);
    EXPECT_EQ(describeMenu(mainMenuSerial()), shown);
}

// Reload Settings puts every loaded setting into effect, one way and back.
TEST_F(CommandTest, ReloadSettingsPutsEverySettingIntoEffect) {
    writeFile(watchedPath(), "from the watched file");
    std::string other = dataFolder + "other.log";
    writeFile(other, "from the other file");
    const std::string before =
        "qvperuser.filePath: " + watchedPath() +
        "\r\nqvperuser.x: 30\r\nqvperuser.y: 40\r\nqvperuser.width: 200\r\n"
        "qvperuser.height: 150\r\nqvperuser.edgeSize: 4\r\nqvperuser.fontHeight: 12\r\n"
        "qvperuser.font: Tahoma\r\nqvperuser.alpha: 200\r\nqvperuser.styleType: 1\r\n"
        "qvperuser.backColor: #FFFFFF\r\nqvperuser.autoReload: false\r\n";
    const std::string after =
        "qvperuser.filePath: " + other +
        "\r\nqvperuser.x: 300\r\nqvperuser.y: 400\r\nqvperuser.width: 260\r\n"
        "qvperuser.height: 180\r\nqvperuser.edgeSize: 9\r\nqvperuser.fontHeight: 20\r\n"
        "qvperuser.font: Courier New\r\nqvperuser.alpha: 120\r\nqvperuser.styleType: 4\r\n"
        "qvperuser.backColor: #102030\r\nqvperuser.autoReload: true\r\n"
        "qvperuser.reloadInterval(sec): 1\r\nqvperuser.transparency: true\r\n"
        "qvperuser.alwaysontop: true\r\nqvperuser.showScroll: true\r\n"
        "qvperuser.wordWrap: true\r\nqvperuser.readBufferSize: 10\r\n";
    startWith(before);
    expectEverythingFollowsTheSettings();

    writeSettings(after);
    send("@QVPeruserReloadSettings");
    EXPECT_EQ(300, state.x);
    EXPECT_TRUE(state.wordWrap);
    expectEverythingFollowsTheSettings();
    EXPECT_EQ("other file", paneText());
    appendFile(other, " and more");
    pumpMessages(1500);
    EXPECT_EQ("e and more", paneText());

    writeSettings(before);
    send("@QVPeruserReloadSettings");
    EXPECT_FALSE(state.wordWrap);
    expectEverythingFollowsTheSettings();
    EXPECT_EQ("from the watched file", paneText());
    EXPECT_EQ(0, shellTrace::count("slit received"));
}

TEST_F(CommandTest, ReloadSettingsWhileDocked) {
    startDockableWith("qvperuser.inSlit: true\r\n");
    ASSERT_TRUE(state.inSlit);
    shellTrace::clear();
    send("@QVPeruserReloadSettings");
    EXPECT_EQ(std::vector<std::string>{"slit received SlitMsgUpdate"},
              shellTrace::startingWith("slit received"));

    // Settings that say floating take the window out of the slit, back to its
    // place and its transparency, as the InSlit command does; and back in.
    writeSettings("qvperuser.filePath: " + watchedPath() +
                  "\r\nqvperuser.inSlit: false\r\nqvperuser.x: 30\r\nqvperuser.y: 40\r\n");
    shellTrace::clear();
    send("@QVPeruserReloadSettings");
    EXPECT_FALSE(state.inSlit);
    EXPECT_EQ(std::vector<std::string>{"slit received SlitMsgRemove " + handleText(state.viewerWnd)},
              shellTrace::startingWith("slit received"));
    EXPECT_EQ(NULL, GetParent(state.viewerWnd));
    EXPECT_EQ(30, viewerRect().left);
    EXPECT_EQ(40, viewerRect().top);
    if (state.canLayer) EXPECT_TRUE(viewerExStyle() & WS_EX_LAYERED);

    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.inSlit: true\r\n");
    shellTrace::clear();
    send("@QVPeruserReloadSettings");
    EXPECT_TRUE(state.inSlit);
    EXPECT_EQ((std::vector<std::string>{"slit received SlitMsgAdd " + handleText(state.viewerWnd),
                                        "slit received SlitMsgUpdate"}),
              shellTrace::startingWith("slit received"));
    EXPECT_EQ(slit, GetParent(state.viewerWnd));
    EXPECT_FALSE(viewerExStyle() & WS_EX_LAYERED);
}

// A user's edit of the settings file while the plugin runs is applied as
// Reload Settings applies it, within two seconds; the plugin's own save is
// not taken for one; and at the end an edit not applied yet is read before
// the settings are written, so that the save keeps it.
TEST_F(CommandTest, AnEditOfTheSettingsFileOnDiskIsAppliedAndKept) {
    std::string other = dataFolder + "other.log";
    writeFile(other, "from the other file");
    startWith("qvperuser.width: 200\r\n");
    send("@QVPeruserHeightSize 150");
    send("@QVPeruserSaveSettings");
    shellTrace::clear();
    pumpMessages(2500);
    EXPECT_EQ(0, shellTrace::count("ReadInt("));

    writeSettings("# mine\r\nqvperuser.filePath: " + other + "\r\nqvperuser.width: 333\r\n");
    pumpMessages(2500);
    EXPECT_EQ(333, viewerRect().right - viewerRect().left);
    EXPECT_EQ("from the other file", paneText());

    send("@QVPeruserAlphaValue 99");  // kept in memory, and lost to the edit below
    writeFile(settingsPath(), readFile(settingsPath()) + "qvperuser.fontHeight: 21\r\n");
    stop();
    std::string saved = readFile(settingsPath());
    EXPECT_EQ(0u, saved.find("# mine\r\n")) << saved;
    EXPECT_EQ("21", storedSetting(settingsPath(), "qvperuser.fontHeight:"));
    EXPECT_EQ("333", storedSetting(settingsPath(), "qvperuser.width:"));
    EXPECT_EQ("160", storedSetting(settingsPath(), "qvperuser.alpha:"));
}

TEST_F(CommandTest, SaveSettingsIsTheOnlyCommandThatWrites) {
    startWith("qvperuser.fontHeight: 12\r\n");
    send("@QVPeruserFontSize 33");
    EXPECT_EQ("12", storedSetting(settingsPath(), "qvperuser.fontHeight:"));
    send("@QVPeruserSaveSettings");
    EXPECT_EQ("33", storedSetting(settingsPath(), "qvperuser.fontHeight:"));
}

// The shell opens the file in its associated program; Wine has none for
// ".rc", and the shell opens a settings file in Notepad then.
TEST_F(CommandTest, EditRCHandsTheSettingsFileToTheShell) {
    startWith("");
    ASSERT_EQ(settingsPath(), state.rcPath);
    shellTrace::clear();
    send("@QVPeruserFontSize 17");
    shellTrace::clear();
    DialogAnswerer answerer(pressButton(IDOK));
    send("@QVPeruserEditRC");
    // Saved first: the editor shows the settings in use.
    EXPECT_EQ("17", storedSetting(settingsPath(), "qvperuser.fontHeight:"));
    EXPECT_LT(shellTrace::find("WriteInt("), shellTrace::find("QVExecute("));
    EXPECT_EQ((std::vector<std::string>{
                  "QVExecute(" + handleText(GetDesktopWindow()) + ",(null)," + settingsPath() +
                      ",(null),(null),1,false)",
                  "QVExecute: no program is associated with " + settingsPath() +
                      "; notepad.exe opened it"}),
              shellTrace::only({"QVExecute"}));
    EXPECT_TRUE(answerer.seen().empty());
    EXPECT_NE(nullptr, waitForWindow("Notepad", "qvperuser.rc"));
}

TEST_F(CommandTest, AboutBoxFollowsTheRequestToCloseMenus) {
    startWith("");
    shellTrace::clear();
    bool menusAwayFirst = false;
    DialogAnswerer answerer([&](HWND) {
        menusAwayFirst = shellTrace::lines == std::vector<std::string>{"received HostMsgMenusAway"};
        return IDOK;
    });
    EXPECT_EQ(0, send("@QVPeruserAbout"));
    ASSERT_EQ(1u, answerer.seen().size());
    EXPECT_TRUE(menusAwayFirst);
    EXPECT_EQ("QVPeruser", answerer.seen()[0].caption);
    EXPECT_EQ("QVPeruser 0.0.3", answerer.seen()[0].text);
    EXPECT_EQ(host, answerer.seen()[0].owner);
}

// --- the colour and font dialogs ------------------------------------------

static int enterColour(HWND dialog, int red, int green, int blue) {
    SetDlgItemInt(dialog, 706, red, FALSE);
    SetDlgItemInt(dialog, 707, green, FALSE);
    SetDlgItemInt(dialog, 708, blue, FALSE);
    return IDOK;
}

TEST_F(CommandTest, ColourDialogsStoreOnlyAnAcceptedColour) {
    startWith("qvperuser.fontColor: #000000\r\nqvperuser.backColor: #FFFFFF\r\n");
    {
        // A colour entered and then cancelled is dropped.
        DialogAnswerer answerer([](HWND dialog) {
            enterColour(dialog, 1, 2, 3);
            return IDCANCEL;
        });
        shellTrace::clear();
        send("@QVPeruserFontColor");
        send("@QVPeruserBackColor");
        EXPECT_EQ(2u, answerer.seen().size());
        EXPECT_EQ(0, shellTrace::count("GetSettingPtr"));
    }
    EXPECT_EQ(RGB(0, 0, 0), state.fontColor);
    EXPECT_EQ(RGB(255, 255, 255), state.backColor);
    {
        DialogAnswerer answerer([](HWND dialog) { return enterColour(dialog, 10, 20, 30); });
        send("@QVPeruserFontColor");
        ASSERT_EQ(1u, answerer.seen().size());
        EXPECT_EQ(NULL, answerer.seen()[0].owner);
    }
    EXPECT_EQ(RGB(10, 20, 30), state.fontColor);
    EXPECT_EQ(RGB(255, 255, 255), state.backColor);
    {
        DialogAnswerer answerer([](HWND dialog) { return enterColour(dialog, 200, 100, 50); });
        send("@QVPeruserBackColor");
    }
    EXPECT_EQ(RGB(200, 100, 50), state.backColor);
    EXPECT_EQ(RGB(10, 20, 30), state.fontColor);
    LOGBRUSH brush = {};
    GetObjectA(state.backBrush, sizeof brush, &brush);
    EXPECT_EQ(RGB(200, 100, 50), brush.lbColor);
}

// Picks the last face the dialog offers and one of its point sizes.
static int chooseFontAndSize(HWND dialog, std::string* face, const char* points) {
    const int FaceList = 1136, SizeBox = 1138;
    HWND faces = GetDlgItem(dialog, FaceList);
    int last = (int)SendMessageA(faces, CB_GETCOUNT, 0, 0) - 1;
    if (last < 0) return IDCANCEL;
    char text[LF_FACESIZE] = "";
    SendMessageA(faces, CB_GETLBTEXT, last, (LPARAM)text);
    *face = text;
    SendMessageA(faces, CB_SETCURSEL, last, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(FaceList, CBN_SELCHANGE), (LPARAM)faces);
    HWND sizes = GetDlgItem(dialog, SizeBox);
    int size = (int)SendMessageA(sizes, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)points);
    if (size < 0) return IDCANCEL;
    SendMessageA(sizes, CB_SETCURSEL, size, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(SizeBox, CBN_SELCHANGE), (LPARAM)sizes);
    return IDOK;
}

// The dialog itself is not shown yet when it is answered: its controls' own
// visibility counts.
static bool offers(HWND dialog, int control) {
    HWND window = GetDlgItem(dialog, control);
    return window && (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) && IsWindowEnabled(window);
}

TEST_F(CommandTest, FontDialogOffersAndTakesOnlyFaceAndSize) {
    startWith("qvperuser.font: Tahoma\r\nqvperuser.fontHeight: 12\r\n");
    HFONT keptFont = state.paneFont;
    {
        // Face list and size box; no style, script, effects or colour.
        const int FaceList = 1136, StyleBox = 1137, SizeBox = 1138, ColourBox = 1139,
                  ScriptBox = 1140, StrikeOut = 1040, Underline = 1041;
        std::vector<bool> offered;
        DialogAnswerer answerer([&](HWND dialog) {
            for (int id : {FaceList, SizeBox, StyleBox, ScriptBox, StrikeOut, Underline, ColourBox}) {
                offered.push_back(offers(dialog, id));
            }
            return IDCANCEL;
        });
        send("@QVPeruserSetFont");
        ASSERT_EQ(1u, answerer.seen().size());
        EXPECT_EQ(state.viewerWnd, answerer.seen()[0].owner);
        EXPECT_EQ((std::vector<bool>{true, true, false, false, false, false, false}), offered);
    }
    EXPECT_STREQ("Tahoma", state.font);
    EXPECT_EQ(12, state.fontHeight);
    EXPECT_EQ(keptFont, state.paneFont);
    std::string chosen;
    {
        DialogAnswerer answerer(
            [&](HWND dialog) { return chooseFontAndSize(dialog, &chosen, "24"); });
        send("@QVPeruserSetFont");
    }
    ASSERT_FALSE(chosen.empty());
    EXPECT_EQ(chosen, state.font);
    HDC screen = GetDC(NULL);
    EXPECT_EQ(MulDiv(24, GetDeviceCaps(screen, LOGPIXELSY), 72), state.fontHeight);
    ReleaseDC(NULL, screen);
    EXPECT_EQ(state.fontHeight, fontHeightOf(state.paneFont));
}
