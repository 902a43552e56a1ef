#include <windows.h>

#include <string>

#include "menus.h"
#include "support/import_hook.h"
#include "support/plugin_fixture.h"
#include "support/screen_shot.h"
#include "tail/tail.h"
#include "text/activity.h"
#include "text/line_time.h"
#include "text/status_text.h"
#include "viewer/activity_strip.h"
#include "viewer/pane_view.h"

// ---- Pure: the status text at any time ----

static std::wstring composed(const SourceStatus* sources, uint32_t count, uint32_t linesBelow,
                             uint32_t now, uint32_t capacity = 256, bool more = false,
                             const OffSetting* offs = NULL, uint32_t offCount = 0, const TextFit* fit = NULL) {
    WideChar out[512];
    StatusInput input = {sources, count, offs, offCount, linesBelow, more, now};
    uint32_t length = composeStatus(input, fit, out, capacity);
    EXPECT_LT(length, capacity);
    return std::wstring((const wchar_t*)out, length);
}

static SourceStatus following(uint32_t grownAt, const wchar_t* label = NULL,
                              const wchar_t* name = L"app.log", uint32_t staleAfter = 0) {
    return {(const WideChar*)label, (const WideChar*)name, SourceFollowing, NULL, grownAt, 0, 0, staleAfter};
}

TEST(StatusText, AgesStatesAndTheLinesBelow) {
    const uint32_t now = 800000000;
    struct Age {
        uint32_t ago;
        const wchar_t* shown;
    } ages[] = {{0, L"app.log 0 s"},          {9, L"app.log 9 s"},  {19, L"app.log 10 s"},
                {59, L"app.log 50 s"},
                {60, L"app.log 1 min"},       {14 * 60 + 59, L"app.log 14 min"},
                {3600, L"app.log 1 h"},       {2 * 3600 + 10 * 60 + 5, L"app.log 2 h 10 min"},
                {86400 + 59 * 60, L"app.log 1 d"}, {2 * 86400 + 4 * 3600, L"app.log 2 d 4 h"}};
    for (const Age& age : ages) {
        SourceStatus source = following(now - age.ago);
        EXPECT_EQ(std::wstring(age.shown), composed(&source, 1, 0, now)) << age.ago;
    }
    // A write time ahead of the clock (a share's) is no time ago; none seen yet, no age.
    SourceStatus ahead = following(now + 30), unseen = following(0);
    EXPECT_EQ(L"app.log 0 s", composed(&ahead, 1, 0, now));
    EXPECT_EQ(L"app.log", composed(&unseen, 1, 0, now));

    // Quiet from its own stale time on, and only with one.
    SourceStatus quiet = following(now - (2 * 3600 + 10 * 60), NULL, L"app.log", 130);
    EXPECT_EQ(L"app.log quiet 2 h 10 min", composed(&quiet, 1, 0, now));
    EXPECT_TRUE(sourceStale(quiet, now));
    quiet.staleAfter = 131;
    EXPECT_FALSE(sourceStale(quiet, now));
    quiet.staleAfter = 0;
    EXPECT_FALSE(sourceStale(quiet, now));
    unseen.staleAfter = 1;
    EXPECT_FALSE(sourceStale(unseen, now));

    // Several sources, labelled (a label that is the file's name once), the
    // other states in the pane's words, the sources in trouble first (each
    // with its own stale time), and the lines below before all.
    SourceStatus sources[] = {following(now - 2, L"web", L"access.log", 60),
                              following(now - 7200, L"db.log", L"db.log", 60),
                              following(now - 7200, L"dpkg", L"dpkg.log", 1440),
                              following(now - 9, L"slow", L"slow.log"),
                              following(now - 9, L"gone", L"gone.log"),
                              following(now - 9, L"app", L"app-2.log"),
                              following(now - 9, L"none", L"app-*.log"),
                              following(now - 9, L"dir", L"logs"),
                              following(now - 9, L"lock", L"lock.log")};
    sources[3].condition = SourceNotAnswering;
    sources[3].since = now - 40;
    sources[4].condition = SourceCannotOpen;
    sources[4].reason = (const WideChar*)L"File not found";
    sources[5].condition = SourceNewFile;
    sources[5].since = now - 59;
    sources[5].takenAtMinute = 10 * 60 + 2;
    sources[6].condition = SourceNoMatch;
    sources[7].condition = SourceIsFolder;
    sources[7].reason = (const WideChar*)L"Access denied";  // not the words said
    sources[8].condition = SourceCannotRead;
    sources[8].reason = (const WideChar*)L"Lock violation";
    EXPECT_EQ(L"37 new lines below \u00B7 [db.log] quiet 2 h \u00B7 [slow] slow.log not answering 40 s"
              L" \u00B7 [gone] gone.log cannot open: File not found"
              L" \u00B7 [none] app-*.log no file matches the pattern \u00B7 [dir] logs is a folder"
              L" \u00B7 [lock] lock.log cannot read: Lock violation"
              L" \u00B7 [web] access.log 2 s \u00B7 [dpkg] dpkg.log 2 h \u00B7 [app] app-2.log new file 10:02",
              composed(sources, 9, 37, now, 512));
    // A minute after it was taken, a new file is followed as any other.
    EXPECT_EQ(L"1 new line below \u00B7 [app] app-2.log 10 s", composed(sources + 5, 1, 1, now + 1));
    EXPECT_EQ(L"3 new lines below", composed(sources, 0, 3, now));
    EXPECT_EQ(L"more than 3 new lines below", composed(sources, 0, 3, now, 256, true));
    EXPECT_EQ(L"[web] acc", composed(sources, 1, 0, now, 10)) << "cut to the capacity";

    // The settings that are off, after the sources' own entries.
    OffSetting offs[] = {{SourceNote, 1, 0, "label not used: blank in it"},
                         {SourceNote, 2, 0, "off: no path"},
                         {SourceSameFile, 3, 1, NULL},
                         {RuleOff, 3, 0, NULL},
                         {FilterShowOff, 0, 0, NULL},
                         {FilterHideOff, 0, 0, NULL}};
    EXPECT_EQ(L"[web] access.log 2 s \u00B7 source 1 label not used: blank in it \u00B7 source 2 off: no path"
              L" \u00B7 source 3 off: same file as source 1 \u00B7 rule 3 off \u00B7 filter show off"
              L" \u00B7 filter hide off",
              composed(sources, 1, 0, now, 256, false, offs, 6));
}

// ---- The status line in the window ----

class StatusLineTest : public PluginTest {
protected:
    void startWith(const std::string& more) {
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.statusLine: true\r\n"
                      "qvperuser.width: 500\r\nqvperuser.height: 160\r\nqvperuser.edgeSize: 6\r\n" + more);
        ASSERT_EQ(0, start());
    }
    // As a screen reader reads it: the text of the viewer window's "Static" child.
    static std::wstring status() {
        HWND line = FindWindowExW(state.viewerWnd, NULL, L"Static", NULL);
        WCHAR text[1024] = {};
        if (line) GetWindowTextW(line, text, 1024);
        return text;
    }
    static COLORREF framePixel() { return shootWindow(state.viewerWnd).at(2, 2); }
    static void toPane(UINT message, WPARAM wParam, LPARAM lParam) {
        SendMessageW(state.paneWnd, message, wParam, lParam);
        pumpMessages(20);
    }
    // Lines enough to scroll, the view scrolled up to the first.
    void startScrolledUp(const std::string& line, const std::string& more) {
        std::string lines;
        for (int i = 1; i <= 200; ++i) lines += line + std::to_string(i) + "\r\n";
        writeFile(watchedPath(), lines);
        startWith(more);
        scrollToTop();
    }
    static void scrollToTop() {
        toPane(EM_SETSEL, 0, 0);
        toPane(EM_SCROLLCARET, 0, 0);
    }
    // Ctrl+End, as the control reads the keyboard.
    static void pressCtrlEnd() {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        toPane(WM_KEYDOWN, VK_END, 0);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
};

// The file's last write, so many seconds ago.
static void setWrittenAgo(const std::string& path, uint64_t seconds) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at = {{now.dwLowDateTime, now.dwHighDateTime}};
    at.QuadPart -= seconds * 10000000;
    FILETIME written = {at.LowPart, at.HighPart};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    SetFileTime(file, NULL, NULL, &written);
    CloseHandle(file);
}

static bool startsWith(const std::wstring& text, const std::wstring& start) {
    return text.compare(0, start.size(), start) == 0;
}

TEST_F(StatusLineTest, SaysHowLongAgoTheFileGrewAndTakesARowFromThePane) {
    writeFile(watchedPath(), "an old line\r\n");
    setWrittenAgo(watchedPath(), 3 * 3600 + 10 * 60 + 30);
    startWith("qvperuser.staleAfter(min): 60\r\n");
    EXPECT_EQ(L"watched.log quiet 3 h 10 min", status()) << "at start, from the file's last write";

    // One row of the pane's font under the pane, inside the frame.
    RECT pane, line, client;
    GetWindowRect(state.paneWnd, &pane);
    GetWindowRect(state.statusWnd, &line);
    GetClientRect(state.viewerWnd, &client);
    EXPECT_EQ(state.paneLineHeight, line.bottom - line.top);
    EXPECT_EQ(pane.bottom, line.top);
    EXPECT_EQ(client.bottom - 2 * 6, line.bottom - pane.top);
    send("@QVPeruserStatusLine");
    GetWindowRect(state.paneWnd, &pane);
    EXPECT_FALSE(IsWindowVisible(state.statusWnd));
    EXPECT_EQ(client.bottom - 2 * 6, pane.bottom - pane.top) << "the pane has the row back";
    send("@QVPeruserStatusLine");

    // Grown: from the growth seen; quiet no more.
    appendFile(watchedPath(), "a new line\r\n");
    look();
    std::wstring grown = status();
    EXPECT_TRUE(grown == L"watched.log 0 s" || grown == L"watched.log 1 s") << grown.c_str();

    // Gone: why, with the system's reason; back, new.
    removeFile(watchedPath());
    look();
    EXPECT_EQ(0u, status().find(L"watched.log cannot open: ")) << status().c_str();
    writeFile(watchedPath(), "written anew\r\n");
    look();
    EXPECT_EQ(0u, status().find(L"watched.log new file ")) << status().c_str();
}

// The newest file of a pattern, and a switch to another: named, and new for a minute.
TEST_F(StatusLineTest, NamesThePatternsNewestFileAndAFileThatTookItsPlace) {
    writeFile(dataFolder + "app-1.log", "first\r\n");
    writeSettings("qvperuser.filePath: " + dataFolder + "app-*.log\r\nqvperuser.statusLine: true\r\n"
                  "qvperuser.rescan(sec): 1\r\nqvperuser.width: 500\r\n");
    ASSERT_EQ(0, start());
    EXPECT_EQ(0u, status().find(L"app-1.log ")) << status().c_str();
    Sleep(1100);
    writeFile(dataFolder + "app-2.log", "second\r\n");
    look();
    SYSTEMTIME local;
    GetLocalTime(&local);
    WCHAR expected[64];
    wsprintfW(expected, L"app-2.log new file %02u:%02u", local.wHour, local.wMinute);
    std::wstring shown = status();
    EXPECT_TRUE(shown == expected || shown.find(L"app-2.log new file ") == 0) << shown.c_str();
    removeFile(dataFolder + "app-2.log");
}

// Quiet: the frame in the stale colour, under an alert's; the status says which.
TEST_F(StatusLineTest, AQuietSourceTintsTheFrameUnderAnAlert) {
    const COLORREF Teal = RGB(0, 0xA0, 0xA0), Red = RGB(0xC0, 0, 0);
    std::string db = dataFolder + "db.log";
    writeFile(watchedPath(), "2026-12-08 10:00:00 quiet for long\r\n");
    writeFile(db, "2026-12-08 10:00:01 lively\r\n");
    setWrittenAgo(watchedPath(), 5 * 60 + 20);
    startWith("qvperuser.label: web\r\nqvperuser.source2: db " + db + "\r\n"
              "qvperuser.highlight1: #C00000 alert ERROR\r\nqvperuser.staleAfter(min): 5\r\n");
    EXPECT_EQ(RGB(0x80, 0x80, 0x80), framePixel()) << "the default stale colour";
    send("@QVPeruserStaleColor #00a0A0");
    EXPECT_EQ(Teal, framePixel());
    EXPECT_EQ(0u, status().find(L"[web] watched.log quiet 5 min \u00B7 [db] db.log ")) << status().c_str();

    appendFile(db, "2026-12-08 10:00:02 ERROR in the other source\r\n");
    look();
    EXPECT_EQ(Red, framePixel()) << "an alert outranks the stale colour";
    send("@QVPeruserAcknowledge");
    EXPECT_EQ(Teal, framePixel());
    send("@QVPeruserStaleColor 00A0A0");  // not #RRGGBB: kept as it was
    EXPECT_EQ(Teal, state.staleColor);

    appendFile(watchedPath(), "2026-12-08 10:00:03 talking again\r\n");
    look();
    COLORREF styled = framePixel();
    EXPECT_NE(Teal, styled);
    send("@QVPeruserStaleAfter 0");
    EXPECT_EQ(styled, framePixel());
}

// Scrolled up, every line that arrives below is counted, those a full reload
// skipped and a filter's alike; a click on the status line goes to the end.
TEST_F(StatusLineTest, CountsEveryLineBelowTheViewUntilAClickGoesThere) {
    startScrolledUp("line ", "qvperuser.readBufferSize: 4096\r\n");

    std::string burst;
    for (int i = 1; i <= 10000; ++i) burst += "burst " + std::to_string(i) + "\r\n";
    appendFile(watchedPath(), burst);  // far more than a reload shows
    look();
    EXPECT_TRUE(startsWith(status(), L"10000 new lines below \u00B7 ")) << status().c_str();
    appendFile(watchedPath(), "one\r\nand a half");
    look();
    appendFile(watchedPath(), " line\r\n");  // its end is no new line
    look();
    EXPECT_TRUE(startsWith(status(), L"10002 new lines below \u00B7 ")) << status().c_str();

    RECT line;
    GetWindowRect(state.statusWnd, &line);
    SetForegroundWindow(state.viewerWnd);
    SetCursorPos((line.left + line.right) / 2, (line.top + line.bottom) / 2);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    pumpMessages(100);
    EXPECT_EQ(std::wstring::npos, status().find(L"below")) << status().c_str();
    EXPECT_TRUE(paneFollowsEnd()) << "the last line in view, the caret at the end";

    // With a filter, the lines that pass; back at the end by keys, none.
    send("@QVPeruserFilterHide even");
    scrollToTop();
    std::string mixed;
    for (int i = 1; i <= 10000; ++i) mixed += (i % 2 ? "odd " : "even ") + std::to_string(i) + "\r\n";
    appendFile(watchedPath(), mixed);
    look();
    EXPECT_TRUE(startsWith(status(), L"5000 new lines below \u00B7 ")) << status().c_str();
    pressCtrlEnd();
    EXPECT_EQ(std::wstring::npos, status().find(L"below")) << status().c_str();

    // A growth beyond the scan limit is not read again whole to be counted.
    send("@QVPeruserScanLimit 65536");
    scrollToTop();
    appendFile(watchedPath(), mixed);
    look();
    EXPECT_TRUE(startsWith(status(), L"more than ")) << status().c_str();
}

// An entry that comes to pass below the view shows its earlier lines too,
// those read before while it did not pass: each counts.
TEST_F(StatusLineTest, AnEntryThatComesToPassBelowCountsEveryLineItShows) {
    startScrolledUp("2026-12-08 10:00:00 ERROR line ", "qvperuser.filterShow: ERROR\r\n");
    appendFile(watchedPath(), "2026-12-08 10:00:01 INFO request\r\n");
    look();
    appendFile(watchedPath(), "  retried\r\n");
    look();
    EXPECT_EQ(std::wstring::npos, status().find(L"below")) << status().c_str();
    appendFile(watchedPath(), "  Caused by: ERROR refused\r\n2026-12-08 10:00:02 ERROR again\r\n"
                              "2026-12-08 10:00:03 ERROR and again\r\n");
    look();
    EXPECT_TRUE(startsWith(status(), L"5 new lines below \u00B7 ")) << status().c_str();
}

// A look asked for while the view followed the end, answered after the reader
// scrolled away: its lines arrive below the view too.
TEST_F(StatusLineTest, CountsTheLinesOfALookAnsweredAfterTheViewLeftTheEnd) {
    std::string lines;
    for (int i = 1; i <= 200; ++i) lines += "line " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), lines);
    startWith("");
    auto lookWhileLeavingTheEnd = [&](const std::string& growth) {
        ReadFileGate gate;
        ASSERT_TRUE(gate.installed());
        appendFile(watchedPath(), growth);
        look();  // the reader is held in its read
        scrollToTop();
        gate.open();
        pumpMessages(300);
    };
    lookWhileLeavingTheEnd("late 1\r\nlate 2\r\nlate 3\r\nhalf");
    EXPECT_NE(std::wstring::npos, paneWideText().find(L"late 3")) << "the answer was shown";
    EXPECT_TRUE(startsWith(status(), L"4 new lines below \u00B7 ")) << status().c_str();
    pressCtrlEnd();
    lookWhileLeavingTheEnd(" a line\r\nlate 4\r\n");  // the open line is no new line
    EXPECT_TRUE(startsWith(status(), L"1 new line below \u00B7 ")) << status().c_str();
}

// ---- Every problem said where the user looks ----

// The pane's words, not a system text that does not apply.
TEST_F(StatusLineTest, SaysWhatThePaneSaysOfAPatternAndAFolder) {
    writeSettings("qvperuser.filePath: " + dataFolder + "none-*.log\r\nqvperuser.statusLine: true\r\n"
                  "qvperuser.width: 500\r\n");
    ASSERT_EQ(0, start());
    EXPECT_NE(std::string::npos, paneText().find("No file matches the pattern:")) << paneText();
    EXPECT_EQ(L"none-*.log no file matches the pattern", status());
    CreateDirectoryA((dataFolder + "folder.log").c_str(), NULL);
    send("@QVPeruserFilePath " + dataFolder + "folder.log");
    EXPECT_NE(std::string::npos, paneText().find("names a folder")) << paneText();
    EXPECT_EQ(L"folder.log is a folder", status());
    RemoveDirectoryA((dataFolder + "folder.log").c_str());
}

// A label that does not read is not used: the log shows under its file's
// name, and the window says why; so for a colour, and for a rule that is off.
TEST_F(StatusLineTest, ALookThatDoesNotReadNeverHidesTheLog) {
    writeFile(watchedPath(), "2026-12-08 10:00:00 the first log\r\n");
    startWith("qvperuser.label: my app\r\n");
    EXPECT_EQ("2026-12-08 10:00:00 the first log\r\n", paneText());
    EXPECT_NE(std::wstring::npos, status().find(L"watched.log ")) << status().c_str();
    EXPECT_NE(std::wstring::npos, status().find(L" \u00B7 source 1 label not used: blank in it")) << status().c_str();

    std::string db = dataFolder + "db.log";
    writeFile(db, "2026-12-08 10:00:01 the second log\r\n");
    send("@QVPeruserWidthSize 1200");
    send("@QVPeruserSource 2 #GG0000 db " + db);
    send("@QVPeruserHighlightRule 3 #2060C0");
    EXPECT_EQ("[watched.log] 2026-12-08 10:00:00 the first log\r\n[db] 2026-12-08 10:00:01 the second log\r\n",
              paneText());
    std::wstring shown = status();
    EXPECT_NE(std::wstring::npos, shown.find(L"source 2 colour not used: not #RRGGBB")) << shown.c_str();
    EXPECT_NE(std::wstring::npos, shown.find(L" \u00B7 rule 3 off")) << shown.c_str();
    SendMessageW(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, 0);  // the menu, as the user opens it
    pumpMessages(20);
    EXPECT_NE(std::string::npos, describeMenu(mainMenuSerial()).find("Source 2 (colour not used: not #RRGGBB)"));
    send("@QVPeruserSource 2 db");
    EXPECT_NE(std::wstring::npos, status().find(L"source 2 off: no path")) << status().c_str();
}

// Each source's own stale time: a log written once a day keeps the frame
// out of the stale colour while a busy log beside it is quiet.
TEST_F(StatusLineTest, EachSourceIsQuietAfterItsOwnStaleTime) {
    std::string dpkg = dataFolder + "dpkg.log";
    writeFile(watchedPath(), "2026-12-08 10:00:00 busy\r\n");
    writeFile(dpkg, "2026-12-08 09:00:00 daily\r\n");
    setWrittenAgo(watchedPath(), 30);
    setWrittenAgo(dpkg, 3 * 3600);
    startWith("qvperuser.label: web\r\nqvperuser.source2: stale=1440 dpkg " + dpkg + "\r\n"
              "qvperuser.staleAfter(min): 1\r\n");
    EXPECT_FALSE(state.sourceQuiet);
    EXPECT_EQ(0u, status().find(L"[web] watched.log 30 s \u00B7 [dpkg] dpkg.log 3 h")) << status().c_str();
    send("@QVPeruserSource 2 stale=120 dpkg " + dpkg);
    EXPECT_TRUE(state.sourceQuiet);
    EXPECT_EQ(0u, status().find(L"[dpkg] dpkg.log quiet 3 h \u00B7 [web] watched.log ")) << status().c_str();
}

// The starter settings file's line of the key, given the value.
static void setStarterKey(std::string& starter, const std::string& key, const std::string& value) {
    size_t at = starter.find("\n" + key + ":");
    ASSERT_NE(std::string::npos, at) << key;
    size_t end = starter.find("\n", at + 1);
    starter.replace(at + 1, end - at - 1, key + ": " + value);
}

// The starter window, its font and four sources: every entry in full.
TEST_F(StatusLineTest, TheStarterWindowShowsFourSourcesWhole) {
    std::string names[] = {"app.log", "db.log", "access.log", "dpkg.log"};
    for (const std::string& name : names) writeFile(dataFolder + name, "a line\r\n");
    setWrittenAgo(dataFolder + "dpkg.log", 2 * 86400 + 4 * 3600);
    std::string starter = readFile(programFolder() + "shipped.rc");
    setStarterKey(starter, "qvperuser.filePath", dataFolder + "app.log");
    setStarterKey(starter, "qvperuser.label", "app");
    setStarterKey(starter, "qvperuser.source2", "db " + dataFolder + "db.log");
    setStarterKey(starter, "qvperuser.source3", "web " + dataFolder + "access.log");
    setStarterKey(starter, "qvperuser.source4", "stale=1440 dpkg " + dataFolder + "dpkg.log");
    setStarterKey(starter, "qvperuser.staleAfter(min)", "60");
    writeSettings(starter);
    ASSERT_EQ(0, start());
    EXPECT_TRUE(state.activity) << "the strip is on in the starter file";
    std::wstring shown = status();
    EXPECT_EQ(0u, shown.find(L"[dpkg] dpkg.log quiet 2 d 4 h \u00B7 [app] app.log ")) << shown.c_str();
    EXPECT_NE(std::wstring::npos, shown.find(L"[web] access.log ")) << shown.c_str();
    EXPECT_EQ(std::wstring::npos, shown.find(L" more")) << shown.c_str();
}

// ---- The last hour as a picture ----

TEST(Activity, MinutesMoveOnWithTheClockAndBackWithIt) {
    static Activity activity;
    clearActivity(&activity);
    const uint32_t now = activityMinute(2026, 12, 8, 10, 42);
    EXPECT_EQ(10u * 60 + 42, now % 1440);
    EXPECT_EQ(activityMinute(2026, 12, 8, 23, 59) + 1, activityMinute(2026, 12, 9, 0, 0));
    EXPECT_EQ(activityMinute(2024, 2, 28, 0, 0) + 2 * 1440, activityMinute(2024, 3, 1, 0, 0));

    // A burst of 10,000 lines in one minute, from several sources, and one
    // ERROR line (rule 0) a minute earlier: the burst is the top, the ERROR
    // minute short but there, in its rule's colour.
    for (int source = 0; source < 4; ++source) countActivity(&activity, now, NoRule, 2500);
    countActivity(&activity, now - 1, 0, 1);
    countActivity(&activity, now - 1, 1, 3);  // rule 1 picked three, after rule 0
    ActivityBar bars[ActivityMinutes];
    activityBars(activity, now, 20, 0xFF, bars);
    EXPECT_EQ(20u, bars[59].height);
    EXPECT_EQ(NoRule, bars[59].rule);
    EXPECT_EQ(1u, bars[58].height) << "sqrt(4 / 10000) of 20 pixels, at least one";
    EXPECT_EQ(0, bars[58].rule);
    activityBars(activity, now, 20, 0x02, bars);
    EXPECT_EQ(1, bars[58].rule) << "only rules with a colour count";
    for (int bar = 0; bar < 58; ++bar) EXPECT_EQ(0u, bars[bar].height) << bar;

    // A minute boundary: the hour moves on; 59 minutes later the burst is the
    // oldest bar, an hour later gone.
    activityBars(activity, now + 59, 20, 0xFF, bars);
    EXPECT_EQ(20u, bars[0].height);
    activityBars(activity, now + 60, 20, 0xFF, bars);
    EXPECT_EQ(0u, bars[0].height);
    countActivity(&activity, now + 60, NoRule, 1);  // the burst's slot, taken over
    EXPECT_EQ(nullptr, activityAt(activity, now));
    EXPECT_EQ(1u, activityAt(activity, now + 60)->lines);

    // The clock set back half an hour: the minutes up to the new now show,
    // the later ones wait.
    activityBars(activity, now + 30, 20, 0xFF, bars);
    EXPECT_EQ(20u, bars[59 - 31].height) << "now - 1, the ERROR minute, now the busiest in view";
    countActivity(&activity, now + 30, 0, 2);
    activityBars(activity, now + 30, 20, 0xFF, bars);
    EXPECT_EQ(0, bars[59].rule);

    const WideChar* names[ColourRuleCount] = {(const WideChar*)L"ERROR"};
    WideChar text[64];
    describeActivityMinute(activity, now - 1, names, text, 64);
    EXPECT_STREQ(L"10:41  4 lines, 1 ERROR, 3 rule 2", (const wchar_t*)text);
    describeActivityMinute(activity, now - 2, names, text, 64);
    EXPECT_STREQ(L"10:40  no lines", (const wchar_t*)text);
}

// At a start, the lines shown count in the minutes their times name, a line
// without one in its predecessor's, a label passed over.
TEST(Activity, LinesShownAtAStartCountByTheirTimes) {
    static Activity activity;
    static LineMarks marks;
    clearActivity(&activity);
    clearLineMarks(&marks);
    WideChar web[] = {'w', 'e', 'b', 0};
    LineLabels labels = {1, {web}};
    marks.labels = &labels;
    std::wstring text = L"[web] 2026-12-08 09:40:00 an hour and more ago\r\n"
                        L"[web] 2026-12-08 10:41:59 a minute ago\r\n"
                        L"[web]   at the same minute\r\n"
                        L"[web] 2026-12-08 10:42:30 now\r\n"
                        L"[web] 2026-12-08 10:43:00 ahead of the clock";
    markLines(&marks, NULL, 0, (const WideChar*)text.c_str(), (uint32_t)text.size());
    uint32_t now = activityMinute(2026, 12, 8, 10, 42);
    countLineTimes(&activity, marks, (const WideChar*)text.c_str(), (uint32_t)text.size(),
                   timeValue(2026, 12, 8, 10, 42, 0, 0), now, 2026);
    EXPECT_EQ(2u, activityAt(activity, now - 1)->lines);
    EXPECT_EQ(1u, activityAt(activity, now)->lines);
    for (uint32_t minute = now - 59; minute < now - 1; ++minute) EXPECT_EQ(nullptr, activityAt(activity, minute));
}

// The strip in the window: the ERROR minute's bar red on the screen, its
// counts under the pointer, drawn only when a bar changed.
TEST_F(StatusLineTest, TheActivityStripShowsTheMinutesAndTheirCounts) {
    writeFile(watchedPath(), "an old line\r\n");
    startWith("qvperuser.activity: true\r\nqvperuser.highlight1: #C00000 ERROR|FATAL\r\n");
    RECT text, client;
    GetWindowRect(state.statusWnd, &text);
    MapWindowPoints(NULL, state.viewerWnd, (POINT*)&text, 2);
    GetClientRect(state.viewerWnd, &client);
    EXPECT_EQ(client.right - 6 - 120, text.right) << "the strip at the row's right end";
    int barX = text.right + 119, barY = text.bottom - 2;
    EXPECT_EQ(White, shootClient(state.viewerWnd).at(barX, barY)) << "no line yet";

    appendFile(watchedPath(), "one\r\nERROR two\r\nthree\r\n");
    look();
    EXPECT_EQ(RGB(0xC0, 0, 0), shootClient(state.viewerWnd).at(barX, barY));

    POINT over = {barX, barY};
    ClientToScreen(state.viewerWnd, &over);
    SendMessageW(state.viewerWnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(over.x, over.y));
    HWND tip = activityTipWindow();
    ASSERT_NE(nullptr, tip);
    EXPECT_TRUE(IsWindowVisible(tip));
    WCHAR said[128] = {};
    GetWindowTextW(tip, said, 128);
    EXPECT_NE(std::wstring::npos, std::wstring(said).find(L"  3 lines, 1 ERROR")) << said;
    SendMessageW(state.viewerWnd, WM_NCMOUSELEAVE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(tip));

    // Off, the status line takes the row back; the strip alone keeps a row.
    send("@QVPeruserActivity");
    GetWindowRect(state.statusWnd, &text);
    EXPECT_EQ(client.right - 2 * 6, text.right - text.left);
    send("@QVPeruserActivity");
    send("@QVPeruserStatusLine");
    RECT pane;
    GetWindowRect(state.paneWnd, &pane);
    EXPECT_EQ(client.bottom - 2 * 6 - state.paneLineHeight, pane.bottom - pane.top);
    EXPECT_EQ(RGB(0xC0, 0, 0), shootClient(state.viewerWnd).at(barX, barY));
}
