#include <string>

#include "support/import_hook.h"
#include "support/plugin_fixture.h"
#include "support/screen_shot.h"
#include "tail/tail.h"
#include "viewer/autohide.h"
#include "viewer/viewer.h"

static const COLORREF AlertRed = RGB(0xC0, 0, 0);

class AlertTest : public PluginTest {
protected:
    void startWatching(const std::string& content, const std::string& more = "") {
        writeFile(watchedPath(), content);
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n" +
                      "qvperuser.readBufferSize: 4096\r\nqvperuser.edgeSize: 6\r\n" +
                      "qvperuser.highlight1: #C00000 alert ERROR|FATAL\r\n" + more);
        ASSERT_EQ(0, start());
    }
    void append(const std::string& text) {
        appendFile(watchedPath(), text);
        look();
    }
    // The frame as the screen shows it, beside the pane.
    static COLORREF framePixel() { return shootWindow(state.viewerWnd).at(2, 2); }
    static void clickPane() {
        SendMessageA(state.paneWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(state.paneWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        pumpMessages(20);
    }
};

TEST_F(AlertTest, OnlyANewMatchingLineTintsTheFrameUntilAcknowledged) {
    startWatching("ERROR already there at start\r\n");
    COLORREF styled = framePixel();
    ASSERT_NE(AlertRed, styled);
    append("INFO all is well\r\n");
    EXPECT_EQ(styled, framePixel());

    append("ERROR disk full\r\n");
    EXPECT_EQ(AlertRed, framePixel());
    append("INFO all is well again\r\n");
    EXPECT_EQ(AlertRed, framePixel()) << "until someone has looked";
    clickPane();
    EXPECT_EQ(styled, framePixel());

    // A key in the pane and the command acknowledge it too.
    append("FATAL out of memory\r\n");
    EXPECT_EQ(AlertRed, framePixel());
    SendMessageA(state.paneWnd, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(styled, framePixel());
    append("ERROR again\r\n");
    send("@QVPeruserAcknowledge");
    EXPECT_EQ(styled, framePixel());

    // Lines shown again, or shown as a new file, never alert.
    send("@QVPeruserFilePath " + watchedPath());
    send("@QVPeruserReloadSettings");
    send("@QVPeruserEncoding utf-8");
    EXPECT_EQ(styled, framePixel());
}

TEST_F(AlertTest, ABurstTintsOnceAndSoundsAtMostOnce) {
    MessageBeepCounter beeps;
    ASSERT_TRUE(beeps.installed());
    startWatching("quiet\r\n", "qvperuser.alertSound: true\r\nqvperuser.alertQuiet(sec): 10\r\n");
    DWORD started = GetTickCount();
    for (int burst = 0; burst < 10; ++burst) {
        std::string lines;
        for (int i = 0; i < 100; ++i) lines += "ERROR number " + std::to_string(burst * 100 + i) + "\r\n";
        append(lines);
    }
    EXPECT_LT(GetTickCount() - started, 10000u) << "all within the quiet time";
    EXPECT_EQ(AlertRed, framePixel());
    EXPECT_EQ(1, beeps.calls());

    send("@QVPeruserAlertSound");
    send("@QVPeruserAcknowledge");
    append("ERROR with the sound off\r\n");
    EXPECT_EQ(1, beeps.calls());
}

TEST_F(AlertTest, ARotatedLogsFirstMatchingLineAlerts) {
    startWatching("INFO the old log\r\n");
    std::string rotated = watchedPath() + ".1";
    ASSERT_TRUE(MoveFileA(watchedPath().c_str(), rotated.c_str()));
    writeFile(watchedPath(), "ERROR in the new log's first line\r\n");
    look();
    EXPECT_EQ(AlertRed, framePixel());
    removeFile(rotated);
}

TEST_F(AlertTest, AnAutoHiddenWindowComesBackUntilAcknowledged) {
    startWatching("INFO\r\n",
                  "qvperuser.x: 0\r\nqvperuser.y: 300\r\nqvperuser.width: 200\r\n"
                  "qvperuser.height: 100\r\nqvperuser.autoHide: true\r\n");
    SetCursorPos(640, 700);
    SetFocus(NULL);
    SendMessageA(state.viewerWnd, WM_TIMER, AutoHideTimer, 0);
    RECT place;
    GetWindowRect(state.viewerWnd, &place);
    ASSERT_EQ(-199, place.left) << "slid off the left edge";

    append("ERROR while nobody looked\r\n");
    GetWindowRect(state.viewerWnd, &place);
    EXPECT_EQ(0, place.left);
    SendMessageA(state.viewerWnd, WM_TIMER, AutoHideTimer, 0);
    GetWindowRect(state.viewerWnd, &place);
    EXPECT_EQ(0, place.left) << "stays while the alert does";

    send("@QVPeruserAcknowledge");
    SendMessageA(state.viewerWnd, WM_TIMER, AutoHideTimer, 0);
    GetWindowRect(state.viewerWnd, &place);
    EXPECT_EQ(-199, place.left);
}

// ---- A line alerts once: when first shown, if it is new ----

static std::string infoLines(int bytes) {
    std::string lines;
    for (int i = 0; (int)lines.size() < bytes; ++i) lines += "INFO step " + std::to_string(i) + "\r\n";
    return lines;
}

TEST_F(AlertTest, ALineABufferedWriterFinishesInALargeWriteAlerts) {
    startWatching(infoLines(4000) + "12:00:01 job 7 ");
    // More than a quarter of the window arrives: the change is shown whole.
    append("ERROR failed\r\n" + infoLines(1500));
    EXPECT_EQ(AlertRed, framePixel());
}

static std::string traceFrames(int bytes) {
    std::string lines;
    for (int i = 0; (int)lines.size() < bytes; ++i) lines += "\tat com.example.Step" + std::to_string(i) + ".run()\r\n";
    return lines;
}

// A trace line that names the cause alerts a reload after its head; lines
// that leave an entry's rule as it was never alert again, whether appended
// or shown by a full reload.
TEST_F(AlertTest, AnEntryAlertsWhenALaterLineGivesItItsRuleAndOnlyThen) {
    startWatching(infoLines(4000) + "2026-12-08 10:00:00 INFO loading the cache\r\n",
                  "qvperuser.highlight2: #0000C0 alert OutOfMemoryError\r\n");
    send("@QVPeruserHighlightRule 1 #C00000 alert word ERROR|FATAL");  // not in "...MemoryError"
    COLORREF styled = framePixel();
    append("Caused by: java.lang.OutOfMemoryError: Java heap space\r\n");
    EXPECT_EQ(RGB(0, 0, 0xC0), framePixel());
    send("@QVPeruserAcknowledge");

    append("2026-12-08 10:00:05 ERROR request failed\r\n");
    EXPECT_EQ(AlertRed, framePixel());
    send("@QVPeruserAcknowledge");
    append("\tERROR detail: connection reset\r\n\tat com.example.Pool.take()\r\n");
    EXPECT_EQ(styled, framePixel());
    append(traceFrames(1500));  // more than a quarter of the window: shown whole
    EXPECT_EQ(styled, framePixel());
}

// Collapsed, a repeat is judged as the line it repeats.
TEST_F(AlertTest, ARepeatOfAnAlertingLineAlertsAgainAfterAnAcknowledgement) {
    startWatching("INFO started\r\n", "qvperuser.collapseRepeats: true\r\n");
    COLORREF styled = framePixel();
    append("ERROR disk full\r\n");
    EXPECT_EQ(AlertRed, framePixel());
    send("@QVPeruserAcknowledge");
    ASSERT_EQ(styled, framePixel());
    append("ERROR disk full\r\n");
    EXPECT_EQ(L"INFO started\r\nERROR disk full \u00D72\r\n", paneWideText());
    EXPECT_EQ(AlertRed, framePixel());
}

TEST_F(AlertTest, OldLinesNeverAlertAgainWhenTheFileComesBack) {
    startWatching("ERROR from yesterday\r\n");
    COLORREF styled = framePixel();

    // A writer's exclusive lock for one look: the pane says it cannot open
    // the file; at the next look the same lines are not new.
    HANDLE locked = CreateFileA(watchedPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    look();
    CloseHandle(locked);
    look();
    EXPECT_EQ(styled, framePixel());

    // Another file in its place, then the first again.
    std::string other = dataFolder + "other.log";
    writeFile(other, "ERROR of the other log\r\n");
    send("@QVPeruserFilePath " + other);
    send("@QVPeruserFilePath " + watchedPath());
    EXPECT_EQ(styled, framePixel());
    append("ERROR of today\r\n");
    EXPECT_EQ(AlertRed, framePixel());
}

TEST_F(AlertTest, APatternsFilesAlertOnlyForTheirNewLinesWhenTheNewestChanges) {
    std::string folder = makeTempFolder("alert-pattern");
    writeFile(folder + "app-1.log", "ERROR one, old\r\n");
    Sleep(20);
    writeFile(folder + "app-2.log", "ERROR two, old\r\n");
    writeSettings("qvperuser.filePath: " + folder + "app-*.log\r\nqvperuser.rescan(sec): 1\r\n"
                  "qvperuser.edgeSize: 6\r\nqvperuser.highlight1: #C00000 alert ERROR\r\n");
    ASSERT_EQ(0, start());
    COLORREF styled = framePixel();
    // Each write makes its file the newest; a new file in the folder has it listed.
    int marks = 0;
    auto writeNewest = [&](const std::string& name, const std::string& line) {
        appendFile(folder + name, line);
        writeFile(folder + "mark" + std::to_string(++marks), name);
        pumpMessages(1100);
        look();
    };
    writeNewest("app-1.log", "INFO one\r\n");
    ASSERT_EQ(AlertRed, framePixel()) << "a file not shown before took the shown one's place";
    send("@QVPeruserAcknowledge");
    writeNewest("app-2.log", "INFO two\r\n");
    EXPECT_EQ(L"ERROR two, old\r\nINFO two\r\n", paneWideText());
    writeNewest("app-1.log", "INFO one again\r\n");
    EXPECT_EQ(styled, framePixel()) << "both were shown before";
    writeNewest("app-2.log", "ERROR two, new\r\n");
    EXPECT_EQ(AlertRed, framePixel());
}

TEST_F(AlertTest, AQuietTimeBeyondFortyNineDaysStillHoldsTheSound) {
    MessageBeepCounter beeps;
    ASSERT_TRUE(beeps.installed());
    startWatching("quiet\r\n", "qvperuser.alertSound: true\r\nqvperuser.alertQuiet(sec): 4294968\r\n");
    append("ERROR first\r\n");
    pumpMessages(1000);  // longer than the quiet time, wrapped to 704 ms, would be
    append("ERROR second\r\n");
    EXPECT_EQ(1, beeps.calls());
}
