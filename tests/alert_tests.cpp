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
        reloadFileTail();
        pumpMessages(20);
    }
    void send(const std::string& command) {
        SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)command.c_str());
        pumpMessages(20);
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
    reloadFileTail();
    pumpMessages(20);
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
