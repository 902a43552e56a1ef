// Following the newest file that matches a pattern: the pure choice, and the
// plugin following real files in a real folder.
#include <windows.h>

#include <string>
#include <tuple>

#include "commands/menu.h"
#include "menus.h"
#include "support/plugin_fixture.h"
#include "text/newest_file.h"
#include "tail/tail.h"

// ---- Pure decisions --------------------------------------------------------

TEST(WatchedPathForm, WildcardsOnlyInTheFileNameMakeAPattern) {
    EXPECT_EQ(PlainPath, watchedPathForm(L"C:\\logs\\app.log"));
    EXPECT_EQ(NamePattern, watchedPathForm(L"C:\\logs\\app-*.log"));
    EXPECT_EQ(NamePattern, watchedPathForm(L"C:\\logs/trace.?.log"));
    EXPECT_EQ(NamePattern, watchedPathForm(L"\\\\?\\C:\\logs\\*.log"));
    EXPECT_EQ(PlainPath, watchedPathForm(L"\\\\?\\C:\\logs\\app.log"));
    EXPECT_EQ(WildcardInFolder, watchedPathForm(L"C:\\logs*\\app.log"));
    EXPECT_EQ(WildcardInFolder, watchedPathForm(L"C:\\*\\*.log"));
    EXPECT_EQ(WildcardInFolder, watchedPathForm(L"C:\\l?gs/app.log"));
    EXPECT_EQ(8, fileNameStart(L"C:\\logs\\app-*.log"));
    EXPECT_EQ(0, fileNameStart(L"app.log"));
}

TEST(NameMatches, WindowsRulesOnTheLongName) {
    struct Case {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    } cases[] = {
        {L"app-*.log", L"app-2026-12-08.log", true},
        {L"app-*.log", L"APP-2026-12-08.LOG", true},
        {L"app-*.log", L"app-.log", true},
        {L"app-*.log", L"app-1.log.gz", false},
        {L"*.log", L"x.logx", false},  // a short name X~1.LOG would match
        {L"*.log", L"a.b.log", true},
        {L"trace.?.log", L"trace.7.log", true},
        {L"trace.?.log", L"trace.17.log", false},
        {L"trace.?.log", L"trace..log", false},
        {L"*", L"anything", true},
        {L"*.*", L"README", true},  // a final ".*" also matches the end
        {L"app.*", L"app", true},
        {L"app.*", L"apps", false},
        {L"a*b*c", L"aXbYbZc", true},
        {L"a*b*c", L"aXbYcZ", false},
        {L"caf\u00C9-*.log", L"caf\u00E9-1.log", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.matches, nameMatches(c.pattern, c.name)) << c.pattern << " / " << c.name;
    }
}

static NewestFile choose(std::initializer_list<std::tuple<const wchar_t*, uint64_t, bool>> listing) {
    NewestFile newest;
    startNewestFile(&newest);
    for (const auto& entry : listing) {
        considerFile(&newest, L"app-*.log", std::get<0>(entry), std::get<1>(entry), std::get<2>(entry));
    }
    return newest;
}

TEST(NewestFile, LatestTimeThenGreaterNameNeverAFolder) {
    NewestFile newest = choose({{L"app-1.log", 300, false}, {L"app-3.log", 100, false},
                                {L"app-2.log", 200, false}, {L"other.log", 900, false}});
    ASSERT_TRUE(newest.found);
    EXPECT_EQ(std::wstring(L"app-1.log"), newest.name);
    EXPECT_EQ(300u, newest.writeTime);

    // Equal times: the greater name, whatever the order listed and the case.
    EXPECT_EQ(std::wstring(L"app-b.log"),
              choose({{L"app-b.log", 5, false}, {L"APP-A.log", 5, false}}).name);
    EXPECT_EQ(std::wstring(L"APP-B.log"),
              choose({{L"app-a.log", 5, false}, {L"APP-B.log", 5, false}}).name);

    EXPECT_EQ(std::wstring(L"app-1.log"),
              choose({{L"app-1.log", 1, false}, {L"app-new.log", 9, true}}).name);
    EXPECT_FALSE(choose({{L"app-dir.log", 9, true}, {L"notes.txt", 9, false}}).found);
    EXPECT_FALSE(choose({}).found);
    // A name too long to keep is passed over.
    std::wstring tooLong = L"app-" + std::wstring(FileNameCapacity, L'x') + L".log";
    EXPECT_EQ(std::wstring(L"app-1.log"),
              choose({{L"app-1.log", 1, false}, {tooLong.c_str(), 9, false}}).name);
}

TEST(RescanDue, AtTheRescanTimeAtLeastASecondAndAFullListingEveryMinute) {
    EXPECT_FALSE(rescanDue(9000, 10));
    EXPECT_TRUE(rescanDue(9900, 10));  // a tick may come a little early
    EXPECT_TRUE(rescanDue(60000, 10));
    EXPECT_FALSE(rescanDue(500, 0));
    EXPECT_TRUE(rescanDue(1000, -5));
    EXPECT_FALSE(rescanDue(0xFFFFFFFFu, 0x7FFFFFFF));
    EXPECT_FALSE(fullListingDue(50000, 10));
    EXPECT_TRUE(fullListingDue(60000, 10));
    EXPECT_FALSE(fullListingDue(60000, 120));
    EXPECT_TRUE(fullListingDue(120000, 120));
}

// ---- Real files in a real folder ----------------------------------------------

class NewestFileTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        folder = makeTempFolder("pattern");
        GetSystemTimeAsFileTime((FILETIME*)&now);
    }
    void TearDown() override {
        PluginTest::TearDown();
        RemoveDirectoryA((folder + "app-dir.log").c_str());
    }
    // In a window wide enough for a notice's every line.
    void startFollowing(const std::string& pattern, int rescan) {
        writeSettings("qvperuser.filePath: " + folder + pattern +
                      "\r\nqvperuser.rescan(sec): " + std::to_string(rescan) +
                      "\r\nqvperuser.width: 1200\r\n");
        ASSERT_EQ(0, start());
    }
    // A file written the given number of minutes ago.
    void writeAged(const std::string& name, const std::string& text, int minutesAgo) {
        writeFile(folder + name, text);
        ULONGLONG time = now - (ULONGLONG)minutesAgo * 600000000ull;
        HANDLE file = CreateFileA((folder + name).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        EXPECT_TRUE(SetFileTime(file, NULL, NULL, (FILETIME*)&time));
        CloseHandle(file);
    }
    // The Peruser Configuration menu's first entries, as the shell holds them.
    static std::string firstConfigEntries(int count) {
        std::string tree = describeMenu(submenuSerial("Peruser Configuration"));
        size_t end = 0;
        for (int i = 0; i < count && end != std::string::npos; ++i) end = tree.find('\n', end + 1);
        return tree.substr(0, end);
    }
    static void send(const char* command) {
        SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)command);
    }
    static void waitForRescan(int seconds) { pumpMessages(seconds * 1000); }

    std::string folder;
    ULONGLONG now = 0;
};

TEST_F(NewestFileTest, APatternShowsTheNewestOfItsFilesAndTheMenuSaysWhich) {
    writeAged("app-1.log", "first log\r\n", 30);
    writeAged("app-3.log", "third log\r\n", 20);
    writeAged("app-2.log", "second log, the newest\r\n", 10);
    writeAged("x.logx", "not a log\r\n", 1);
    writeAged("other.log", "not the pattern\r\n", 1);
    CreateDirectoryA((folder + "app-dir.log").c_str(), NULL);
    startFollowing("app-*.log", 10);
    EXPECT_EQ("second log, the newest\r\n", paneText());

    buildConfigMenu(false);
    EXPECT_EQ("item \"Auto Reload\" @QVPeruserAutoReload 0\n"
              "string \"File Path\" @QVPeruserFilePath \"" + folder + "app-*.log\"\n"
              "nop \"Showing app-2.log\"",
              firstConfigEntries(3));
    send("@QVPeruserSaveSettings");
    EXPECT_EQ(folder + "app-*.log", storedSetting(settingsPath(), "qvperuser.filePath:"));

    // A plain path has no such entry.
    send(("@QVPeruserFilePath " + folder + "app-1.log").c_str());
    EXPECT_EQ("first log\r\n", paneText());
    buildConfigMenu(false);
    EXPECT_EQ(0u, firstConfigEntries(3).find("item \"Auto Reload\"")) << firstConfigEntries(3);
    EXPECT_EQ(std::string::npos, firstConfigEntries(3).find("Showing"));
}

TEST_F(NewestFileTest, ANewerFileShowsAtTheFirstLookAfterTheRescanTime) {
    writeAged("app-1.log", "old log\r\n", 10);
    startFollowing("app-*.log", 1);
    ASSERT_EQ("old log\r\n", paneText());
    send("@QVPeruserRescan 2");

    // Before the rescan time the file shown is only looked at.
    writeAged("app-2.log", "new log\r\n", 1);
    reloadFileTail();
    EXPECT_EQ("old log\r\n", paneText());
    waitForRescan(2);
    reloadFileTail();
    EXPECT_EQ("new log\r\n", paneText());

    // A file written in place moves no folder's time: it waits for the full
    // listing, due a minute after the latest.
    writeAged("app-1.log", "old log, written again\r\n", 0);
    waitForRescan(2);
    reloadFileTail();
    EXPECT_EQ("new log\r\n", paneText());
    sources[0].lastFolderLook -= 60000;  // as if a minute had passed
    sources[0].lastListingTick -= 60000;
    reloadFileTail();
    EXPECT_EQ("old log, written again\r\n", paneText());

    // The reload timer's ticks do the looking.
    send("@QVPeruserReloadInterval 1");
    send("@QVPeruserAutoReload");
    writeAged("app-3.log", "newest log\r\n", -1);
    pumpUntil([] { return paneText() == "newest log\r\n"; }, 4000);
    EXPECT_EQ("newest log\r\n", paneText());
}

// The next newest is older than the one seen last and of the same size, and
// shown all the same, from its end.
TEST_F(NewestFileTest, AShownFileThatIsGoneGivesWayToTheNextNewestAtOnce) {
    writeAged("app-1.log", "the older log\r\n", 20);
    writeAged("app-2.log", "the newer log\r\n", 10);
    startFollowing("app-*.log", 3600);
    ASSERT_EQ("the newer log\r\n", paneText());
    removeFile(folder + "app-2.log");
    reloadFileTail();
    EXPECT_EQ("the older log\r\n", paneText());

    appendFile(folder + "app-1.log", "and more\r\n");
    reloadFileTail();
    EXPECT_EQ("the older log\r\nand more\r\n", paneText());
}

TEST_F(NewestFileTest, WithNoMatchThePaneSaysSoUntilAFileAppears) {
    CreateDirectoryA((folder + "app-dir.log").c_str(), NULL);
    writeAged("notes.txt", "not a log\r\n", 1);
    startFollowing("app-*.log", 1);
    EXPECT_EQ("No file matches the pattern:\r\n" + folder + "app-*.log", paneText());
    buildConfigMenu(false);
    EXPECT_NE(std::string::npos, firstConfigEntries(3).find("nop \"Showing no file\""));

    writeAged("app-1.log", "the first log\r\n", 60);
    waitForRescan(1);
    reloadFileTail();
    EXPECT_EQ("the first log\r\n", paneText());

    // A wildcard in the folder, and a folder that is not there, each say so.
    send(("@QVPeruserFilePath " + folder + "*\\app.log").c_str());
    EXPECT_EQ("* and ? may stand only in the file name, not in the folder:\r\n" + folder + "*\\app.log",
              paneText());
    send(("@QVPeruserFilePath " + folder + "missing\\app-*.log").c_str());
    EXPECT_EQ(0u, paneText().find("Cannot open the file: ")) << paneText();
    EXPECT_TRUE(endsWith(paneText(), "\r\n" + folder + "missing\\app-*.log")) << paneText();
}
