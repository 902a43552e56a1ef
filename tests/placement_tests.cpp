// Where the window goes when displays change, and how it keeps out of the
// way of full-screen programs: the placement rule over monitor layouts that
// this machine cannot show (several monitors, taskbars on every side), then
// the plugin on the test display, in a Wine virtual desktop whose resolution
// changes, and beside another program that goes full screen.
#include <string>

#include "support/plugin_fixture.h"
#include "support/windows_programs.h"
#include "tail/tail.h"
#include "text/placement_rule.h"
#include "viewer/viewer.h"

namespace {

// ---- The rule, over layouts of several monitors ----

MonitorArea bare(EdgeRect whole) { return {whole, whole}; }

MonitorLayout layoutOf(std::initializer_list<MonitorArea> monitors) {
    MonitorLayout layout = {};
    for (const MonitorArea& area : monitors) layout.monitors[layout.count++] = area;
    return layout;
}

// "X,Y WxH on MONITOR", and "kept" when the place is on the monitors.
std::string placed(const MonitorLayout& layout, WindowPlace place,
                   const EdgeRect* chosenOn = nullptr) {
    PlacedWindow p = placeWindow(layout, place, chosenOn);
    const WindowPlace& w = p.window;
    return std::to_string(w.x) + "," + std::to_string(w.y) + " " + std::to_string(w.width) + "x" +
           std::to_string(w.height) + " on " + std::to_string(p.monitor) +
           (p.onMonitors ? " kept" : "");
}

// A 1920 x 1080 primary monitor with its taskbar at the bottom; a 1280 x 1024
// one left of it, bottom-aligned (negative x); a 1600 x 900 one above it
// (negative y).
const EdgeRect Primary = {0, 0, 1920, 1080};
const EdgeRect LeftOfPrimary = {-1280, 56, 0, 1080};
const EdgeRect AbovePrimary = {0, -900, 1600, 0};
const MonitorArea PrimaryWithTaskbar = {Primary, {0, 0, 1920, 1040}};

TEST(PlacementRule, KeepsAPlaceWhollyOnTheMonitorsAcrossThemAndOverTaskbars) {
    MonitorLayout three = layoutOf({PrimaryWithTaskbar, bare(LeftOfPrimary), bare(AbovePrimary)});
    EXPECT_EQ("100,100 300x200 on 0 kept", placed(three, {100, 100, 300, 200}));
    EXPECT_EQ("-1000,300 300x200 on 1 kept", placed(three, {-1000, 300, 300, 200}));
    EXPECT_EQ("100,-850 300x200 on 2 kept", placed(three, {100, -850, 300, 200}));
    // Across two monitors, on the one it chiefly lies on; over the taskbar.
    EXPECT_EQ("-100,300 300x200 on 0 kept", placed(three, {-100, 300, 300, 200}));
    EXPECT_EQ("100,-150 300x200 on 2 kept", placed(three, {100, -150, 300, 200}));
    EXPECT_EQ("1700,1000 200x80 on 0 kept", placed(three, {1700, 1000, 200, 80}));
    // Partly where no monitor is: beside the lower left one's top, right of
    // the upper one. It moves onto the monitor it chiefly lies on.
    EXPECT_EQ("-1100,56 300x200 on 1", placed(three, {-1100, 0, 300, 200}));
    EXPECT_EQ("1620,0 300x200 on 0", placed(three, {1700, -100, 300, 200}));
}

TEST(PlacementRule, AMonitorRemovedAndAddedBackKeepsTheDistanceFromTheNearerEdge) {
    MonitorLayout both = layoutOf({PrimaryWithTaskbar, bare(LeftOfPrimary)});
    MonitorLayout primaryOnly = layoutOf({PrimaryWithTaskbar});
    // Near the left monitor's top left corner: as far from the primary's.
    WindowPlace nearTopLeft = {-1000, 300, 300, 200};
    EXPECT_EQ("280,244 300x200 on 0", placed(primaryOnly, nearTopLeft, &LeftOfPrimary));
    EXPECT_EQ("-1000,300 300x200 on 1 kept", placed(both, nearTopLeft, &LeftOfPrimary));
    // Near a right monitor's bottom right corner: as far from the primary's,
    // within its work area.
    const EdgeRect Right = {1920, 0, 3840, 1080};
    EXPECT_EQ("1580,700 300x200 on 0", placed(primaryOnly, {3500, 700, 300, 200}, &Right));
    EXPECT_EQ("1580,840 300x200 on 0", placed(primaryOnly, {3500, 860, 300, 200}, &Right));
    // A lower resolution of the same monitor: 20 pixels from its right edge
    // stay 20 pixels; the top stays where it was.
    const EdgeRect Wide = {0, 0, 1600, 1000};
    MonitorLayout smaller = layoutOf({bare({0, 0, 1024, 768})});
    EXPECT_EQ("824,618 180x120 on 0", placed(smaller, {1400, 850, 180, 120}, &Wide));
    EXPECT_EQ("824,100 180x120 on 0", placed(smaller, {1400, 100, 180, 120}, &Wide));
    EXPECT_EQ("1400,850 180x120 on 0 kept",
              placed(layoutOf({bare(Wide)}), {1400, 850, 180, 120}, &Wide));
}

TEST(PlacementRule, APlaceFromAnotherMachineLandsInsideAWorkAreaThatHoldsIt) {
    // Far beyond and far before a monitor with its taskbar on each side.
    const EdgeRect Screen = {0, 0, 1280, 1024};
    const EdgeRect works[] = {
        {60, 0, 1280, 1024}, {0, 0, 1220, 1024}, {0, 40, 1280, 1024}, {0, 0, 1280, 984}};
    const char* beyond[] = {"1080,924", "1020,924", "1080,924", "1080,884"};
    const char* before[] = {"60,0", "0,0", "0,40", "0,0"};
    for (int side = 0; side < 4; ++side) {
        MonitorLayout layout = layoutOf({{Screen, works[side]}});
        EXPECT_EQ(beyond[side] + std::string(" 200x100 on 0"),
                  placed(layout, {30000, 20000, 200, 100}));
        EXPECT_EQ(before[side] + std::string(" 200x100 on 0"),
                  placed(layout, {-30000, -20000, 200, 100}));
    }
    // Far off a layout of two, the nearer monitor takes it.
    MonitorLayout two = layoutOf({PrimaryWithTaskbar, bare(LeftOfPrimary)});
    EXPECT_EQ("-1280,880 200x200 on 1", placed(two, {-40000, 5000, 200, 200}));
    EXPECT_EQ("1720,840 200x200 on 0", placed(two, {40000, 5000, 200, 200}));
    // Too large for the nearer monitor: the large one takes it whole; with
    // none large enough, it is made smaller.
    const EdgeRect Small = {0, 0, 1024, 768}, Large = {-1920, 0, 0, 1200};
    EXPECT_EQ("-1500,100 1500x900 on 1",
              placed(layoutOf({bare(Small), bare(Large)}), {1200, 100, 1500, 900}));
    EXPECT_EQ("0,0 1024x768 on 0", placed(layoutOf({bare(Small)}), {1200, 100, 1500, 900}));
}

TEST(PlacementRule, AWindowCoversAMonitorOnlyWholly) {
    const EdgeRect Screen = {0, 0, 1280, 1024};
    EXPECT_TRUE(coversMonitor({-8, -8, 1288, 1032}, Screen));
    EXPECT_FALSE(coversMonitor({0, 0, 1280, 1023}, Screen));
    EXPECT_FALSE(coversMonitor(Screen, {-1280, 0, 0, 1024}));
}

// ---- The plugin on the test display (one 1280 x 1024 monitor) ----

class PlacementTest : public PluginTest {
protected:
    void startAt(int x, int y, const std::string& more = "") {
        writeSettings("qvperuser.x: " + std::to_string(x) + "\r\nqvperuser.y: " +
                      std::to_string(y) + "\r\nqvperuser.width: 200\r\nqvperuser.height: 100\r\n" +
                      "qvperuser.snapWindow: false\r\nqvperuser.filePath: " + watchedPath() +
                      "\r\n" + more);
        ASSERT_EQ(0, start());
    }
    static void moveAsTheUser(int x, int y) {
        SetWindowPos(state.viewerWnd, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    static std::string windowPlace() {
        RECT r;
        GetWindowRect(state.viewerWnd, &r);
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    }
    static std::string storedPlace() {
        return std::to_string(state.x) + "," + std::to_string(state.y) + " " +
               std::to_string(state.width) + "x" + std::to_string(state.height);
    }
    std::string savedPlace() {
        return storedSetting(settingsPath(), "qvperuser.x:") + "," +
               storedSetting(settingsPath(), "qvperuser.y:");
    }
};

TEST_F(PlacementTest, APlaceNoMonitorShowsStaysTheUsersWhileTheWindowShowsOnTheMonitor) {
    startAt(5000, -3000);
    EXPECT_EQ("1080,0 200x100", windowPlace());
    EXPECT_EQ("5000,-3000 200x100", storedPlace());
    send("@QVPeruserSaveSettings");
    EXPECT_EQ("5000,-3000", savedPlace());

    // A size command keeps the window on the monitor, the place its own.
    send("@QVPeruserWidthSize 300");
    EXPECT_EQ("980,0 300x100", windowPlace());
    EXPECT_EQ("5000,-3000 300x100", storedPlace());

    // A move of the user's is the new place.
    moveAsTheUser(400, 300);
    EXPECT_EQ("400,300 300x100", storedPlace());
    stop();
    EXPECT_EQ("400,300", savedPlace());
}

TEST_F(PlacementTest, ReloadDisplayAndWorkAreaChangesPlaceTheWindowAfresh) {
    startAt(900, 10);
    state.x = 1500;  // a place no monitor shows, as if read from a file
    SendMessageA(state.viewerWnd, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
    EXPECT_EQ("900,10 200x100", windowPlace());
    SendMessageA(state.viewerWnd, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_EQ("1080,10 200x100", windowPlace());
    state.x = 300;
    SendMessageA(state.viewerWnd, WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 1024));
    EXPECT_EQ("300,10 200x100", windowPlace());
    writeSettings("qvperuser.x: -500\r\nqvperuser.y: 10\r\nqvperuser.width: 200\r\n"
                  "qvperuser.height: 100\r\n");
    send("@QVPeruserReloadSettings");
    EXPECT_EQ("0,10 200x100", windowPlace());
    EXPECT_EQ("-500,10 200x100", storedPlace());

    // A move on a display that changed since the window was placed is the
    // system's (it gathers windows off a lost monitor), not the user's.
    state.screenWidth = 1024;
    moveAsTheUser(700, 500);
    EXPECT_EQ("-500,10 200x100", storedPlace());
    EXPECT_EQ("0,10 200x100", windowPlace());
    moveAsTheUser(700, 500);
    EXPECT_EQ("700,500 200x100", storedPlace());
}

TEST_F(PlacementTest, APlacedWindowSlidesOffAtTheEdgeOfItsMonitorAndBack) {
    SetCursorPos(640, 700);
    startAt(5000, 300, "qvperuser.autoHide: true\r\n");
    ASSERT_TRUE(state.hidden);
    SendMessageA(state.viewerWnd, WM_TIMER, AutoHideTimer, 0);
    EXPECT_EQ("1279,300 200x100", windowPlace());
    SendMessageA(state.viewerWnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(1279, 350));
    EXPECT_EQ("1080,300 200x100", windowPlace());
    EXPECT_EQ("5000,300 200x100", storedPlace());
    // A display change leaves a slid-off window slid off, at its new edge.
    SendMessageA(state.viewerWnd, WM_TIMER, AutoHideTimer, 0);
    SendMessageA(state.viewerWnd, WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 1024));
    EXPECT_EQ("1279,300 200x100", windowPlace());
}

// ---- Beside a full-screen program ----

TEST_F(PlacementTest, AFullScreenProgramHidesTheWindowUntilItEndsAnAlertShowsIt) {
    startAt(100, 100, "qvperuser.alwaysontop: true\r\nqvperuser.hideOverFullscreen: true\r\n"
                      "qvperuser.highlight1: #C00000 alert ERROR\r\n");
    StartedProgram program;
    std::string programPath = programFolder() + "full_screen_program.exe";
    ASSERT_TRUE(program.start("\"" + programPath + "\" 300 300 400 300"));
    HWND other = NULL;
    ASSERT_TRUE(pumpUntil([&] {
        other = FindWindowA("FullScreenProgram", NULL);
        return other && state.watchedForeground == other;
    })) << "the other program's window came to the foreground";
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd)) << "a window that leaves most of the monitor";

    PostMessageA(other, WM_APP, 0, 0);  // full screen
    ASSERT_TRUE(pumpUntil([] { return !IsWindowVisible(state.viewerWnd); }));

    appendFile(watchedPath(), "ERROR disk full\r\n");
    reloadFileTail();
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd)) << "an alert shows it";
    send("@QVPeruserAcknowledge");
    EXPECT_FALSE(IsWindowVisible(state.viewerWnd));

    send("@QVPeruserHideOverFullscreen");
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd)) << "switched off";
    send("@QVPeruserHideOverFullscreen");
    EXPECT_FALSE(IsWindowVisible(state.viewerWnd));

    PostMessageA(other, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.waitForEnd(10000));
    EXPECT_TRUE(pumpUntil([] { return IsWindowVisible(state.viewerWnd); }));
    EXPECT_EQ("100,100 200x100", windowPlace());
}

// ---- A resolution change, in a Wine virtual desktop of its own ----

// Runs inside the virtual desktop that the next test starts at 1600 x 1000.
// Wine offers no mode larger than the test display's 1280 x 1024, so the
// desktop never returns to its first size: the way back is tested from 1280
// x 1024.
TEST_F(PlacementTest, DISABLED_InAVirtualDesktopTheWindowStaysVisibleAndComesBack) {
    // Where the window is once the resolution has changed and it has moved.
    auto placedAt = [](DWORD width, DWORD height) {
        std::string before = windowPlace();
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = width;
        mode.dmPelsHeight = height;
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsExA(NULL, &mode, NULL, 0, NULL) != DISP_CHANGE_SUCCESSFUL) {
            return std::string("refused");
        }
        pumpUntil([&] { return windowPlace() != before; });
        return windowPlace();
    };
    // Wide, 50 pixels from the right edge and 30 from the bottom.
    startAt(900, 870);
    send("@QVPeruserWidthSize 650");
    ASSERT_EQ("900,870 650x100", windowPlace());
    EXPECT_EQ("324,638 650x100", placedAt(1024, 768));
    EXPECT_EQ("580,894 650x100", placedAt(1280, 1024));
    EXPECT_EQ("900,870 650x100", storedPlace());

    // Left of the middle, 30 pixels from the right edge and 44 from the bottom.
    moveAsTheUser(600, 880);
    EXPECT_EQ("344,624 650x100", placedAt(1024, 768));
    EXPECT_EQ("600,880 650x100", storedPlace());
    EXPECT_EQ("600,880 650x100", placedAt(1280, 1024));
    stop();
    EXPECT_EQ("600,880", savedPlace());
}

TEST(DisplayChange, InAWineVirtualDesktop) {
    std::string result = programFolder() + "virtual_desktop.xml";
    removeFile(result);
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    StartedProgram desktop;
    ASSERT_TRUE(desktop.start(
        std::string("explorer.exe /desktop=qvperuser-placement,1600x1000 \"") + self +
        "\" --gtest_brief=1 --gtest_also_run_disabled_tests --gtest_output=xml:" + result +
        " --gtest_filter=PlacementTest.DISABLED_InAVirtualDesktop*"));
    ASSERT_TRUE(desktop.waitForEnd(120000));
    std::string report = fileExists(result) ? readFile(result) : "(no report)";
    EXPECT_NE(std::string::npos, report.find("tests=\"1\" failures=\"0\"")) << report;
}

}  // namespace
