#include <windows.h>

#include <string>

#include "support/import_hook.h"
#include "support/plugin_fixture.h"
#include "support/screen_shot.h"
#include "tail/tail.h"
#include "text/status_text.h"
#include "viewer/pane_view.h"

// ---- Pure: the status text at any time ----

static std::wstring composed(const SourceStatus* sources, uint32_t count, uint32_t linesBelow,
                             uint32_t now, uint32_t staleAfter = 0, uint32_t capacity = 256,
                             bool more = false) {
    WideChar out[256];
    StatusClock clock = {now, staleAfter};
    uint32_t length = composeStatus(sources, count, linesBelow, more, clock, out, capacity);
    EXPECT_LT(length, capacity);
    return std::wstring((const wchar_t*)out, length);
}

static SourceStatus following(uint32_t grownAt, const wchar_t* label = NULL,
                              const wchar_t* name = L"app.log") {
    return {(const WideChar*)label, (const WideChar*)name, SourceFollowing, NULL, NULL, grownAt, 0, 0};
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

    // Quiet from the stale time on, and only with one.
    SourceStatus quiet = following(now - (2 * 3600 + 10 * 60));
    StatusClock clock = {now, 130};
    EXPECT_EQ(L"app.log quiet 2 h 10 min", composed(&quiet, 1, 0, now, 130));
    EXPECT_TRUE(sourceStale(quiet, clock));
    clock.staleAfter = 131;
    EXPECT_FALSE(sourceStale(quiet, clock));
    clock.staleAfter = 0;
    EXPECT_FALSE(sourceStale(quiet, clock));
    EXPECT_FALSE(sourceStale(unseen, {now, 1}));

    // Several sources, labelled (a label that is the file's name once), the
    // other states, and the lines below.
    SourceStatus sources[] = {following(now - 2, L"web", L"access.log"),
                              following(now - 7200, L"db.log", L"db.log"),
                              following(now - 9, L"slow", L"slow.log"),
                              following(now - 9, L"gone", L"gone.log"),
                              following(now - 9, L"app", L"app-2.log")};
    sources[2].condition = SourceNotAnswering;
    sources[2].since = now - 40;
    sources[3].condition = SourceFailing;
    sources[3].failure = "cannot open";
    sources[3].reason = (const WideChar*)L"File not found";
    sources[4].condition = SourceNewFile;
    sources[4].since = now - 59;
    sources[4].takenAtMinute = 10 * 60 + 2;
    EXPECT_EQ(L"37 new lines below \u00B7 [web] access.log 2 s \u00B7 [db.log] quiet 2 h"
              L" \u00B7 [slow] slow.log not answering 40 s \u00B7 [gone] gone.log cannot open: File not found"
              L" \u00B7 [app] app-2.log new file 10:02",
              composed(sources, 5, 37, now, 60));
    // A minute after it was taken, a new file is followed as any other.
    EXPECT_EQ(L"1 new line below \u00B7 [app] app-2.log 10 s", composed(sources + 4, 1, 1, now + 1));
    EXPECT_EQ(L"2 new lines below \u00B7 [web] acc", composed(sources, 5, 2, now, 0, 30)) << "cut at its end";
    EXPECT_EQ(L"3 new lines below", composed(sources, 0, 3, now));
    EXPECT_EQ(L"more than 3 new lines below", composed(sources, 0, 3, now, 0, 256, true));
    EXPECT_EQ(L"[web] acc", composed(sources, 1, 0, now, 0, 10)) << "cut to the capacity";
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
                  "qvperuser.rescan(sec): 1\r\n");
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
    std::string lines;
    for (int i = 1; i <= 200; ++i) lines += "line " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), lines);
    startWith("qvperuser.readBufferSize: 4096\r\n");
    scrollToTop();

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
