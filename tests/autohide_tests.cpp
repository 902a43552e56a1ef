#include <ostream>
#include <string>

#include "commands/commands.h"
#include "support/plugin_fixture.h"
#include "viewer/autohide.h"
#include "viewer/placement.h"
#include "viewer/viewer.h"

// ---- The edge test and the hidden position, as pure geometry ----

struct EdgeCase {
    EdgeRect monitor;
    int x, y, width, height;
    bool atEdge;
    EdgePoint hidden;  // meaningful only when atEdge
};

static const EdgeRect Primary = {0, 0, 800, 600};
static const EdgeRect LeftOfPrimary = {-640, 0, 0, 480};

TEST(AutoHideEdge, SlidesOffTheFirstMatchingEdgeLeavingOneRowOrColumn) {
    const EdgeCase cases[] = {
        {Primary, 0, 250, 200, 100, true, {-199, 250}},   // left
        {Primary, 600, 250, 200, 100, true, {799, 250}},  // right
        {Primary, 300, 0, 200, 100, true, {300, -99}},    // top
        {Primary, 300, 500, 200, 100, true, {300, 599}},  // bottom
        {Primary, 0, 0, 200, 100, true, {-199, 0}},       // corner: left before top
        {Primary, 600, 500, 200, 100, true, {799, 500}},  // corner: right before bottom
        {Primary, 300, 0, 200, 600, true, {300, -599}},   // as high as the monitor: top
        {Primary, 0, 250, 800, 100, true, {-799, 250}},   // as wide as the monitor: left
        {LeftOfPrimary, -640, 100, 200, 100, true, {-839, 100}},
        {LeftOfPrimary, -200, 100, 200, 100, true, {-1, 100}},
        {LeftOfPrimary, -400, 380, 200, 100, true, {-400, 479}},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " " +
                     std::to_string(c.width) + "x" + std::to_string(c.height));
        EdgePoint hidden = {12345, 12345};
        EXPECT_TRUE(autoHideEdge(c.monitor, c.x, c.y, c.width, c.height, 0, &hidden));
        EXPECT_EQ(c.hidden.x, hidden.x);
        EXPECT_EQ(c.hidden.y, hidden.y);
        EXPECT_TRUE(autoHideEdge(c.monitor, c.x, c.y, c.width, c.height, 0, NULL));
    }
}

TEST(AutoHideEdge, OnePixelFromAnEdgeNeverHidesAndLeavesThePositionAlone) {
    const EdgeCase cases[] = {
        {Primary, 1, 250, 200, 100, false, {}},
        {Primary, 599, 250, 200, 100, false, {}},
        {Primary, 601, 250, 200, 100, false, {}},
        {Primary, 300, 1, 200, 100, false, {}},
        {Primary, 300, 499, 200, 100, false, {}},
        {Primary, -1, 250, 200, 100, false, {}},
        {Primary, 300, 250, 200, 100, false, {}},
        // On the primary monitor's left edge, but measured against the monitor left of it.
        {LeftOfPrimary, 0, 100, 200, 100, false, {}},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EdgePoint hidden = {12345, 12345};
        EXPECT_FALSE(autoHideEdge(c.monitor, c.x, c.y, c.width, c.height, 0, &hidden));
        EXPECT_EQ(12345, hidden.x);
        EXPECT_EQ(12345, hidden.y);
    }
}

// An edge another monitor continues is passed over: the slid-off window would
// show whole on the other monitor, which touches the line beside the edge.
TEST(AutoHideEdge, PassesOverAnEdgeThatAnotherMonitorContinues) {
    EdgePoint hidden = {12345, 12345};
    EXPECT_FALSE(autoHideEdge(Primary, 600, 250, 200, 100, RightSide, &hidden));
    EXPECT_EQ(12345, hidden.x);
    EXPECT_TRUE(autoHideEdge(Primary, 600, 0, 200, 100, RightSide, &hidden));  // the corner: top
    EXPECT_EQ(600, hidden.x);
    EXPECT_EQ(-99, hidden.y);
    EXPECT_TRUE(autoHideEdge(Primary, 0, 500, 200, 100, LeftSide | TopSide, &hidden));  // bottom
    EXPECT_EQ(599, hidden.y);
    EXPECT_FALSE(autoHideEdge(Primary, 0, 0, 800, 600, LeftSide | RightSide | TopSide | BottomSide, NULL));

    struct Beside {
        EdgeSide side;
        EdgeRect line;
    };
    const Beside beside[] = {
        {LeftSide, {-1, 250, 0, 350}},
        {RightSide, {800, 250, 801, 350}},
        {TopSide, {600, -1, 800, 0}},
        {BottomSide, {600, 600, 800, 601}},
    };
    for (const Beside& b : beside) {
        EdgeRect line = besideEdge(Primary, b.side, 600, 250, 200, 100);
        EXPECT_TRUE(line.left == b.line.left && line.top == b.line.top && line.right == b.line.right &&
                    line.bottom == b.line.bottom)
            << b.side << ": " << line.left << "," << line.top << " " << line.right << "," << line.bottom;
    }
}

// ---- The state machine on the virtual display (1280 x 1024) ----

static const int Width = 200;
static const int Height = 100;
static const POINT FarAway = {640, 700};

class AutoHideTest : public PluginTest {
protected:
    void TearDown() override {
        setLeftButton(false);
        PluginTest::TearDown();
    }

    void writePlace(int x, int y, const std::string& extra) {
        writeSettings("qvperuser.x: " + std::to_string(x) + "\r\nqvperuser.y: " +
                      std::to_string(y) + "\r\nqvperuser.width: " + std::to_string(Width) +
                      "\r\nqvperuser.height: " + std::to_string(Height) + "\r\n" + extra);
    }

    void startAt(int x, int y, const std::string& extra = "qvperuser.autoHide: true\r\n") {
        writePlace(x, y, extra);
        ASSERT_EQ(0, start());
    }

    void startDockedAt(int x, int y, const std::string& extra) {
        writePlace(x, y, "qvperuser.inSlit: true\r\n" + extra);
        ASSERT_EQ(0, startInSlit());
    }

    static void pointerTo(int x, int y) {
        SetCursorPos(x, y);
        pumpMessages(20);
    }

    static void tick() { SendMessageA(state.viewerWnd, WM_TIMER, AutoHideTimer, 0); }

    static void command(const char* text) {
        SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)text);
        pumpMessages(20);
    }

    // Asks whether timer 1 runs by stopping it, and starts it again if it did.
    static bool timerRunning() {
        if (!KillTimer(state.viewerWnd, AutoHideTimer)) return false;
        SetTimer(state.viewerWnd, AutoHideTimer, AutoHidePeriod, NULL);
        return true;
    }

    static void setLeftButton(bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_LBUTTON] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    // In the slit's coordinates while docked.
    static std::string windowPlace() {
        RECT r;
        GetWindowRect(state.viewerWnd, &r);
        MapWindowPoints(NULL, GetParent(state.viewerWnd), (POINT*)&r, 2);
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    }

    static std::string storedPlace() {
        return std::to_string(state.x) + "," + std::to_string(state.y) + " " +
               std::to_string(state.width) + "x" + std::to_string(state.height);
    }

    // Pumps until the window has left the given place, for at most two seconds.
    static void pumpWhileAt(const std::string& place) {
        for (int waited = 0; waited < 2000 && windowPlace() == place; waited += 50) {
            pumpMessages(50);
        }
    }
};

TEST_F(AutoHideTest, MeasuresTheVirtualDisplayAsItsMonitor) {
    startAt(300, 300);
    HMONITOR monitor = getPlacedMonitor();
    EXPECT_TRUE(monitor != NULL);
    RECT r;
    getMonitorRect(monitor, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(1280, r.right);
    EXPECT_EQ(1024, r.bottom);
    SetRect(&r, 1, 2, 3, 4);
    getMonitorRect(NULL, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), r.right);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), r.bottom);
}

struct EdgePlace {
    int x, y;
    const char* hidden;
};

static void PrintTo(const EdgePlace& edge, std::ostream* out) { *out << edge.x << "," << edge.y; }

class AutoHideEdgeTest : public AutoHideTest, public ::testing::WithParamInterface<EdgePlace> {};

TEST_P(AutoHideEdgeTest, FirstTickWithThePointerOutsideSlidesOffAndStopsTheTimer) {
    const EdgePlace& edge = GetParam();
    pointerTo(FarAway.x, FarAway.y);
    startAt(edge.x, edge.y);
    std::string shown = std::to_string(edge.x) + "," + std::to_string(edge.y) + " 200x100";
    EXPECT_EQ(shown, windowPlace());
    EXPECT_TRUE(state.hidden);
    int snapsBefore = shellTrace::count("SnapWindowToEdge");
    pumpWhileAt(shown);
    EXPECT_EQ(edge.hidden, windowPlace());
    EXPECT_FALSE(timerRunning());
    EXPECT_EQ(shown, storedPlace());
    // Snapping never sees the slide, and the z-order stays as it was.
    EXPECT_EQ(snapsBefore, shellTrace::count("SnapWindowToEdge"));
    EXPECT_FALSE(GetWindowLongA(state.viewerWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

INSTANTIATE_TEST_SUITE_P(EachEdge, AutoHideEdgeTest,
                         ::testing::Values(EdgePlace{0, 300, "-199,300 200x100"},
                                           EdgePlace{1080, 300, "1279,300 200x100"},
                                           EdgePlace{500, 0, "500,-99 200x100"},
                                           EdgePlace{500, 924, "500,1023 200x100"}));

TEST_F(AutoHideTest, PointerInsideOrLeftButtonDownKeepsTheWindowAndTheTimer) {
    startAt(0, 300);
    pointerTo(100, 350);
    pumpMessages(700);  // two ticks with the pointer inside
    EXPECT_EQ("0,300 200x100", windowPlace());
    EXPECT_TRUE(timerRunning());

    pointerTo(199, 399);  // bottom-right pixel is inside
    tick();
    EXPECT_EQ("0,300 200x100", windowPlace());

    pointerTo(FarAway.x, FarAway.y);
    setLeftButton(true);
    ASSERT_LT(GetKeyState(VK_LBUTTON), 0);
    tick();
    EXPECT_EQ("0,300 200x100", windowPlace());
    EXPECT_TRUE(timerRunning());

    setLeftButton(false);
    pointerTo(200, 350);  // the right edge of the window rectangle counts as outside
    tick();
    EXPECT_EQ("-199,300 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());
}

TEST_F(AutoHideTest, OnePixelFromAnEdgeNothingHides) {
    pointerTo(FarAway.x, FarAway.y);
    startAt(1, 300);
    EXPECT_FALSE(state.hidden);
    tick();
    EXPECT_EQ("1,300 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());

    // Focus lost makes a decision pending; the next tick clears it again.
    SetFocus(state.paneWnd);
    SetFocus(NULL);
    EXPECT_TRUE(state.hidden);
    EXPECT_TRUE(timerRunning());
    tick();
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("1,300 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());
}

TEST_F(AutoHideTest, PointerOverTheSlidOffWindowBringsItBackUntilTheNextTick) {
    pointerTo(FarAway.x, FarAway.y);
    startAt(0, 300);
    // Over the shown window the movement only clears the pending flag; the
    // tick decides all the same.
    SendMessageA(state.viewerWnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(100, 350));
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("0,300 200x100", windowPlace());
    tick();
    ASSERT_EQ("-199,300 200x100", windowPlace());
    tick();  // a stray tick keeps it off: the test uses the stored position
    EXPECT_EQ("-199,300 200x100", windowPlace());

    SendMessageA(state.viewerWnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(0, 350));
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("0,300 200x100", windowPlace());
    EXPECT_TRUE(timerRunning());
    EXPECT_EQ("0,300 200x100", storedPlace());

    tick();
    EXPECT_EQ("-199,300 200x100", windowPlace());

    // The real pointer moving onto the one-pixel strip does the same.
    pointerTo(0, 350);
    EXPECT_EQ("0,300 200x100", windowPlace());
    EXPECT_TRUE(timerRunning());
}

TEST_F(AutoHideTest, FocusToThePaneBringsTheWindowBackAndKeepsItBack) {
    pointerTo(FarAway.x, FarAway.y);
    startAt(500, 924);
    tick();
    ASSERT_EQ("500,1023 200x100", windowPlace());

    SetFocus(state.paneWnd);
    pumpMessages(20);
    EXPECT_TRUE(state.paneFocused);
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("500,924 200x100", windowPlace());
    tick();
    pumpMessages(700);
    EXPECT_EQ("500,924 200x100", windowPlace());

    SetFocus(NULL);
    EXPECT_FALSE(state.paneFocused);
    EXPECT_TRUE(timerRunning());
    tick();
    EXPECT_EQ("500,1023 200x100", windowPlace());
    EXPECT_EQ("500,924 200x100", storedPlace());
}

TEST_F(AutoHideTest, LeftPressOnTheStripFocusesThePaneAndBringsTheWindowBack) {
    pointerTo(FarAway.x, FarAway.y);
    startAt(0, 300, "qvperuser.autoHide: true\r\nqvperuser.lockPos: true\r\n");
    tick();
    ASSERT_EQ("-199,300 200x100", windowPlace());
    SendMessageA(state.viewerWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(0, 350));
    EXPECT_EQ(state.paneWnd, GetFocus());
    EXPECT_EQ("0,300 200x100", windowPlace());
}

TEST_F(AutoHideTest, FocusLostWithAutoHideOffChangesNothingVisible) {
    pointerTo(FarAway.x, FarAway.y);
    startAt(0, 300, "");
    SetFocus(state.paneWnd);
    SetFocus(NULL);
    EXPECT_TRUE(state.hidden);
    EXPECT_EQ("0,300 200x100", windowPlace());
    tick();
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("0,300 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());
}

TEST_F(AutoHideTest, DockedWindowsNeverSlide) {
    pointerTo(FarAway.x, FarAway.y);
    startDockedAt(0, 300, "qvperuser.autoHide: true\r\n");
    EXPECT_FALSE(state.hidden);
    // Where the slit put it; only the size is applied again.
    SetWindowPos(state.viewerWnd, NULL, 30, 40, 50, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    tick();
    EXPECT_EQ("30,40 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());

    SetFocus(state.paneWnd);
    SetFocus(NULL);
    EXPECT_TRUE(state.hidden);
    tick();
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("30,40 200x100", windowPlace());

    // Pointer movement while docked clears the flag but starts no decision.
    SetFocus(state.paneWnd);
    SetFocus(NULL);
    KillTimer(state.viewerWnd, AutoHideTimer);
    SendMessageA(state.viewerWnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(40, 50));
    EXPECT_FALSE(state.hidden);
    EXPECT_FALSE(timerRunning());
    EXPECT_EQ("30,40 200x100", windowPlace());

    command("@QVPeruserAutoHide");
    command("@QVPeruserAutoHide");
    EXPECT_TRUE(state.autoHide);
    EXPECT_EQ("30,40 200x100", windowPlace());
    EXPECT_EQ("0,300 200x100", storedPlace());
}

TEST_F(AutoHideTest, LeavingTheSlitAtAnEdgeMakesTheDecisionPending) {
    pointerTo(FarAway.x, FarAway.y);
    startDockedAt(0, 300, "qvperuser.autoHide: true\r\n");
    tick();
    ASSERT_FALSE(timerRunning());
    command("@QVPeruserInSlit");
    EXPECT_FALSE(state.inSlit);
    EXPECT_TRUE(state.hidden);
    EXPECT_TRUE(timerRunning());
    EXPECT_EQ("0,300 200x100", windowPlace());
    tick();
    EXPECT_EQ("-199,300 200x100", windowPlace());
}

TEST_F(AutoHideTest, EndOfAMoveDecidesAfreshFromTheNewPosition) {
    pointerTo(FarAway.x, FarAway.y);
    startAt(300, 300);
    tick();
    ASSERT_FALSE(timerRunning());

    SetWindowPos(state.viewerWnd, NULL, 0, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(state.viewerWnd, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(state.hidden);
    EXPECT_TRUE(timerRunning());
    tick();
    EXPECT_EQ("-199,200 200x100", windowPlace());

    // Beyond the shell's snapping distance.
    SendMessageA(state.viewerWnd, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(0, 250));
    SetWindowPos(state.viewerWnd, NULL, 15, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(state.viewerWnd, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(state.hidden);
    tick();
    EXPECT_EQ("15,200 200x100", windowPlace());
    EXPECT_EQ("15,200 200x100", storedPlace());
}

TEST_F(AutoHideTest, CommandSlidesOffAndBackAtOnceWhereverThePointerIs) {
    startAt(1080, 300, "");
    tick();  // ends the decision pending since start-up
    ASSERT_FALSE(timerRunning());
    pointerTo(1180, 350);
    int menusBefore = shellTrace::count("MakeNamedMenu");

    command("@QVPeruserAutoHide");
    EXPECT_TRUE(state.autoHide);
    EXPECT_TRUE(state.hidden);
    EXPECT_EQ("1279,300 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());
    EXPECT_GT(shellTrace::count("MakeNamedMenu"), menusBefore);

    command("@QVPeruserAutoHide");
    EXPECT_FALSE(state.autoHide);
    EXPECT_FALSE(state.hidden);
    EXPECT_EQ("1080,300 200x100", windowPlace());
    EXPECT_FALSE(timerRunning());
}

TEST_F(AutoHideTest, SavingWhileSlidOffWritesTheShownPosition) {
    startAt(1080, 300, "");
    command("@QVPeruserAutoHide");
    ASSERT_EQ("1279,300 200x100", windowPlace());
    EXPECT_EQ("1080,300 200x100", storedPlace());

    command("@QVPeruserSaveSettings");
    EXPECT_EQ("1080", storedSetting(settingsPath(), "qvperuser.x:"));
    EXPECT_EQ("300", storedSetting(settingsPath(), "qvperuser.y:"));
    EXPECT_EQ("200", storedSetting(settingsPath(), "qvperuser.width:"));
    EXPECT_EQ("100", storedSetting(settingsPath(), "qvperuser.height:"));

    removeFile(settingsPath());  // an edit would be read first: a missing file is written anew
    stop();
    EXPECT_EQ("1080", storedSetting(settingsPath(), "qvperuser.x:"));
    EXPECT_EQ("300", storedSetting(settingsPath(), "qvperuser.y:"));
}
