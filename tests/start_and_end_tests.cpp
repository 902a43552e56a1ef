// Start-up, shut-down and the exports, as the shell sees them.
#include <float.h>

#include <algorithm>

#include "commands/menu.h"
#include "menus.h"
#include "settings/plugin_info.h"
#include "settings/settings.h"
#include "text/status_text.h"
#include "shell.h"
#include "slit.h"
#include "support/dialogs.h"
#include "support/plugin_fixture.h"
#include "tail/sources.h"

namespace {

// The messages the plugin registers for, as the shell's trace names them.
const std::string RegisteredMessages = "HostMsgRestyle,HostMsgRedraw,HostMsgCommand";
const DWORD ViewerStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

typedef std::vector<std::string> Lines;

// What the plugin tells the shell and the slit about its window, in order.
Lines windowTalk() {
    return shellTrace::only(
        {"GetQVWnd", "register ", "unregister ", "MakeSticky", "RemoveSticky", "slit received"});
}

std::string registerLine(const std::string& window) {
    return "register " + window + " for " + RegisteredMessages;
}
std::string unregisterLine(const std::string& window) { return "un" + registerLine(window); }

TEST(PluginInfo, IndexesOutOfRangeAnswerTheNameAndVersion) {
    for (int index = 0; index <= 6; ++index) EXPECT_EQ(infoStrings[index], pluginInfo(index));
    EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(7));
    EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(-1));
    EXPECT_STREQ("QVPeruser", pluginInfo(1));  // the name the shell lists it under
}

TEST(Layering, NeedsAnNtSystemNewerThanVersion4) {
    OSVERSIONINFOA version = {};
    version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    version.dwMajorVersion = 5;
    EXPECT_TRUE(layeringSupported(version));
    version.dwMajorVersion = 4;
    EXPECT_FALSE(layeringSupported(version));
    version.dwMajorVersion = 6;
    version.dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_FALSE(layeringSupported(version));
}

// --- start and end ----------------------------------------------------------

TEST_F(PluginTest, StartRegistersShowsAndStartsTheTimers) {
    writeSettings("qvperuser.x: 31\r\nqvperuser.y: 42\r\nqvperuser.width: 150\r\n"
                  "qvperuser.height: 90\r\nqvperuser.filePath: " + watchedPath() + "\r\n");
    ASSERT_EQ(0, start());
    HWND viewer = state.viewerWnd;
    EXPECT_EQ(host, state.hostWnd);
    EXPECT_EQ(module, state.hInstance);
    EXPECT_TRUE(IsWindowVisible(viewer));
    EXPECT_EQ(NULL, state.slitWnd);

    char className[32];
    GetClassNameA(viewer, className, sizeof className);
    EXPECT_STREQ("QVPeruser", className);
    EXPECT_EQ(ViewerStyle, GetWindowLongA(viewer, GWL_STYLE) & ~WS_VISIBLE);
    EXPECT_EQ(WS_EX_TOOLWINDOW | (state.canLayer ? WS_EX_LAYERED : 0),
              (DWORD)GetWindowLongA(viewer, GWL_EXSTYLE));
    RECT rect;
    GetWindowRect(viewer, &rect);
    EXPECT_EQ(31, rect.left);
    EXPECT_EQ(42, rect.top);
    EXPECT_EQ(150, rect.right - rect.left);
    EXPECT_EQ(90, rect.bottom - rect.top);

    std::string handle = handleText(viewer);
    EXPECT_EQ((Lines{"GetQVWnd()", registerLine(handle), "MakeSticky(" + handle + ")"}),
              windowTalk());

    EXPECT_TRUE(KillTimer(viewer, 1));  // the auto-hide timer runs from the start
    EXPECT_FALSE(KillTimer(viewer, 2));  // auto-reload is off
}

TEST_F(PluginTest, AutoReloadStartsTheReloadTimer) {
    writeSettings("qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 3\r\n");
    ASSERT_EQ(0, start());
    EXPECT_TRUE(KillTimer(state.viewerWnd, 2));
}

TEST_F(PluginTest, EndSavesReleasesAndDestroysInOrder) {
    writeSettings("qvperuser.width: 150\r\n");
    ASSERT_EQ(0, start());
    HWND viewer = state.viewerWnd;
    HWND pane = state.paneWnd;
    HFONT font = state.paneFont;
    HBRUSH brush = state.backBrush;
    std::string handle = handleText(viewer);
    state.x = 77;  // a change made while running reaches the file
    shellTrace::clear();
    stop();

    // The 53 settings first, then the releases, and no slit.
    Lines seen = shellTrace::only({"Write", "DelMenu", "RemoveSticky", "unregister ", "slit "});
    ASSERT_EQ(56u, seen.size());
    EXPECT_EQ("WriteInt(" + settingsPath() + ",qvperuser.x:,77)", seen[0]);
    EXPECT_EQ(0u, seen[29].find("WriteInt(" + settingsPath() + ",qvperuser.scanLimit:"));
    EXPECT_EQ(0u, seen[38].find("WriteString(" + settingsPath() + ",qvperuser.highlight8:"));
    EXPECT_EQ(0u, seen[40].find("WriteInt(" + settingsPath() + ",qvperuser.alertQuiet(sec):"));
    EXPECT_EQ(0u, seen[41].find("WriteInt(" + settingsPath() + ",qvperuser.rescan(sec):"));
    EXPECT_EQ(0u, seen[42].find("WriteBool(" + settingsPath() + ",qvperuser.hideOverFullscreen:"));
    EXPECT_EQ(0u, seen[46].find("WriteString(" + settingsPath() + ",qvperuser.source4:"));
    EXPECT_EQ(0u, seen[49].find("WriteColor(" + settingsPath() + ",qvperuser.staleColor:"));
    EXPECT_EQ(0u, seen[50].find("WriteBool(" + settingsPath() + ",qvperuser.multiLine:"));
    EXPECT_EQ(0u, seen[51].find("WriteBool(" + settingsPath() + ",qvperuser.activity:"));
    EXPECT_EQ(0u, seen[52].find("WriteBool(" + settingsPath() + ",qvperuser.collapseRepeats:"));
    EXPECT_EQ((Lines{"DelMenu(QVM_Main)", "RemoveSticky(" + handle + ")", unregisterLine(handle)}),
              Lines(seen.begin() + 53, seen.end()));
    EXPECT_EQ(0, liveMenuCount());

    EXPECT_EQ(0u, GetObjectType(font));
    EXPECT_EQ(0u, GetObjectType(brush));
    EXPECT_FALSE(IsWindow(pane));
    EXPECT_FALSE(IsWindow(viewer));
    WNDCLASSA unused;
    EXPECT_FALSE(GetClassInfoA(module, "QVPeruser", &unused));
    EXPECT_EQ(NULL, state.paneFont);
    EXPECT_EQ(NULL, state.backBrush);
    EXPECT_EQ(NULL, shownConfigMenu());
    EXPECT_EQ("77", storedSetting(settingsPath(), "qvperuser.x:"));
}

// What a start shows and runs, in one text: the window, the pane, the
// status line, an alert, the sources and the menu.
static std::string startedPlugin() {
    RECT window;
    GetWindowRect(state.viewerWnd, &window);
    char status[256] = "";
    GetWindowTextA(state.statusWnd, status, sizeof status);
    std::string seen = "window " + std::to_string(window.left) + "," + std::to_string(window.top) +
                       " " + std::to_string(window.right - window.left) + "x" +
                       std::to_string(window.bottom - window.top) +
                       (IsWindowVisible(state.viewerWnd) ? " shown" : " hidden") + "\npane " +
                       paneText() + "\nstatus " + (IsWindowVisible(state.statusWnd) ? "shown " : "hidden ") +
                       status + "\nalerting " + std::to_string(state.alerting) + " below " +
                       std::to_string(state.linesBelow) + "\n";
    for (const Source& source : sources) seen += "source " + std::to_string(source.active) + "\n";
    return seen + describeMenu(mainMenuSerial());
}

// A shell may end the plugin and start it again without unloading it (a
// start tried again, plugins reconfigured): the second start in the process,
// with nothing zeroed in between, is the start a fresh process makes.
TEST_F(PluginTest, ASecondStartWithoutUnloadingIsAFirstStart) {
    const std::string other = dataFolder + "other.log";
    writeFile(watchedPath(), "INFO one\r\n");
    writeFile(other, "2026-12-08 10:00:00 other\r\n");
    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.source2: o " + other +
                  "\r\nqvperuser.statusLine: true\r\nqvperuser.lines: 3\r\n"
                  "qvperuser.highlight1: #C00000 alert ERROR\r\nqvperuser.autoReload: true\r\n"
                  "qvperuser.wordWrap: true\r\nqvperuser.filterShow: INFO|ERROR|other\r\n");
    ASSERT_EQ(0, start());
    appendFile(watchedPath(), "ERROR two\r\n");
    look();
    ASSERT_TRUE(state.alerting);
    SendMessageA(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(20, 20));
    stop();

    appendFile(watchedPath(), "ERROR three\r\n");
    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.x: 50\r\n"
                  "qvperuser.highlight1: #C00000 alert ERROR\r\n");
    ASSERT_EQ(0, start());
    std::string second = startedPlugin();
    stop();
    ZeroMemory(&state, sizeof state);
    ASSERT_EQ(0, start());
    EXPECT_EQ(startedPlugin(), second);
}

// In a host that sets the FPU to 24-bit precision (as some Direct3D programs
// do), the status line's seconds are still exact.
TEST(StatusSeconds, AreExactInAHostWithA24BitFpu) {
    const uint64_t TicksPerSecond = 10000000, TicksBefore2001 = 12622780800ull * TicksPerSecond;
    const uint64_t time = TicksBefore2001 + 812345679ull * TicksPerSecond + 9999999;
#if defined(_M_IX86) || defined(__i386__)
    unsigned int control = 0;
    _controlfp_s(&control, _PC_24, _MCW_PC);
#endif
    uint32_t seconds = statusSeconds(time);
#if defined(_M_IX86) || defined(__i386__)
    _controlfp_s(&control, _PC_64, _MCW_PC);
#endif
    EXPECT_EQ(812345679u, seconds);
}

// --- the slit ----------------------------------------------------------------

TEST_F(PluginTest, SlitStartFollowsTheStoredSetting) {
    ASSERT_EQ(0, startInSlit());
    EXPECT_EQ(slit, state.slitWnd);
    EXPECT_FALSE(state.inSlit);
    EXPECT_EQ(0, shellTrace::count("slit received"));
    stop();
    EXPECT_EQ(0, shellTrace::count("slit received"));
}

TEST_F(PluginTest, SlitStartDocksWhenTheSettingsSaySo) {
    writeSettings("qvperuser.inSlit: true\r\n");
    ASSERT_EQ(0, startInSlit());
    std::string handle = handleText(state.viewerWnd);
    EXPECT_EQ((Lines{"GetQVWnd()", registerLine(handle), "MakeSticky(" + handle + ")",
                     "slit received SlitMsgAdd " + handle}),
              windowTalk());
    EXPECT_EQ(slit, GetParent(state.viewerWnd));
    // Docked windows are never layered.
    EXPECT_EQ(0, GetWindowLongA(state.viewerWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    shellTrace::clear();
    stop();
    EXPECT_EQ((Lines{"RemoveSticky(" + handle + ")", unregisterLine(handle),
                     "slit received SlitMsgRemove " + handle}),
              windowTalk());
}

TEST_F(PluginTest, ExtendedStartIsTheSlitStart) {
    writeSettings("qvperuser.inSlit: true\r\n");
    slit = createSlit(shell.instance);
    ASSERT_EQ(0, beginPluginEx(module, slit));
    started = true;
    EXPECT_EQ(1, shellTrace::count("slit received SlitMsgAdd"));
}

// Docked once, the setting carries over to starts without a slit: there the
// window floats (transparent, auto-hidden, snapped, moved, hidden with the
// plugins), and the setting is kept for a later start with a slit.
TEST_F(PluginTest, WithoutASlitTheWindowFloatsAndTheSettingIsKept) {
    for (bool slitStart : {false, true}) {
        SCOPED_TRACE(slitStart ? "slit start without a slit window" : "plain start");
        writeSettings("qvperuser.inSlit: true\r\nqvperuser.transparency: true\r\n"
                      "qvperuser.alpha: 100\r\nqvperuser.autoHide: true\r\nqvperuser.x: 0\r\n"
                      "qvperuser.y: 300\r\nqvperuser.pluginToggle: true\r\n");
        ASSERT_EQ(0, slitStart ? beginSlitPlugin(module, NULL) : start());
        started = true;
        HWND viewer = state.viewerWnd;
        EXPECT_TRUE(state.inSlit);
        EXPECT_EQ(NULL, state.slitWnd);
        BYTE alpha = 0;
        GetLayeredWindowAttributes(viewer, NULL, &alpha, NULL);
        EXPECT_EQ(100, alpha);
        EXPECT_TRUE(state.hidden);  // at the left edge: sliding off is pending

        SendMessageA(viewer, HostMsgCommand, 0, (LPARAM) "@QVPeruserAutoHide");
        shellTrace::clear();
        SetWindowPos(viewer, NULL, 200, 210, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(1, shellTrace::count("SnapWindowToEdge("));
        EXPECT_EQ(200, state.x);
        SendMessageA(viewer, HostMsgCommand, 0, (LPARAM) "@QVHidePlugins");
        EXPECT_FALSE(IsWindowVisible(viewer));
        stop();
        EXPECT_EQ(0, shellTrace::count("slit received"));
        EXPECT_EQ("true", storedSetting(settingsPath(), "qvperuser.inSlit:"));
    }
    ASSERT_EQ(0, startInSlit());
    EXPECT_EQ(slit, GetParent(state.viewerWnd));
}

// --- failed starts -----------------------------------------------------------

TEST_F(PluginTest, FailedClassRegistrationShowsOneBoxAndReturnsOne) {
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = module;
    taken.lpszClassName = "QVPeruser";
    ASSERT_TRUE(RegisterClassA(&taken));
    int result;
    std::vector<SeenDialog> seen;
    {
        DialogAnswerer answerer(pressButton(IDOK));
        result = beginPlugin(module);
        seen = answerer.seen();
    }
    UnregisterClassA("QVPeruser", module);
    EXPECT_EQ(1, result);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("QVPeruser", seen[0].caption);
    EXPECT_EQ("Error registering window class", seen[0].text);
    EXPECT_EQ(host, seen[0].owner);
    EXPECT_EQ(NULL, state.viewerWnd);
    EXPECT_EQ(Lines{"GetQVWnd()"}, windowTalk());
    EXPECT_EQ(0, shellTrace::count("ReadInt"));
}

HHOOK refusingHook;
LRESULT CALLBACK refuseViewerCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        CBT_CREATEWNDA* creation = (CBT_CREATEWNDA*)lParam;
        const char* name = creation->lpcs->lpszClass;
        if (HIWORD(name) && lstrcmpA(name, "QVPeruser") == 0) return 1;
    }
    return CallNextHookEx(refusingHook, code, wParam, lParam);
}

TEST_F(PluginTest, FailedWindowCreationUnregistersAndReleases) {
    slit = createSlit(shell.instance);
    writeSettings("qvperuser.inSlit: true\r\n");
    int result;
    std::vector<SeenDialog> seen;
    {
        DialogAnswerer answerer(pressButton(IDOK));
        refusingHook = SetWindowsHookExA(WH_CBT, refuseViewerCreation, NULL, GetCurrentThreadId());
        result = beginSlitPlugin(module, slit);
        UnhookWindowsHookEx(refusingHook);
        seen = answerer.seen();
    }
    EXPECT_EQ(1, result);
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("Error creating window", seen[0].text);
    EXPECT_EQ("QVPeruser", seen[0].caption);
    EXPECT_EQ(NULL, seen[0].owner);
    // No docking after a failed start.
    EXPECT_EQ((Lines{"GetQVWnd()", unregisterLine(handleText(NULL))}), windowTalk());
    EXPECT_EQ(NULL, state.paneFont);
    EXPECT_EQ(NULL, state.backBrush);
    EXPECT_EQ(0, liveMenuCount());
    WNDCLASSA unused;
    EXPECT_FALSE(GetClassInfoA(module, "QVPeruser", &unused));

    // The slit is forgotten: a plain start tried again is not docked in it.
    EXPECT_FALSE(state.inSlit);
    EXPECT_EQ(NULL, state.slitWnd);
    ASSERT_EQ(0, start());
    stop();
    EXPECT_EQ(0, shellTrace::count("slit received"));
}

// The window is created exactly as loaded: a size below the minimum reaches
// the creation unchanged.
HHOOK watchingHook;
CREATESTRUCTA seenCreation;
LRESULT CALLBACK watchViewerCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        CBT_CREATEWNDA* creation = (CBT_CREATEWNDA*)lParam;
        const char* name = creation->lpcs->lpszClass;
        if (HIWORD(name) && lstrcmpA(name, "QVPeruser") == 0) seenCreation = *creation->lpcs;
    }
    return CallNextHookEx(watchingHook, code, wParam, lParam);
}

TEST_F(PluginTest, WindowIsCreatedWithTheLoadedRectangleUncorrected) {
    writeSettings("qvperuser.x: -20\r\nqvperuser.y: 15\r\nqvperuser.width: 5\r\n"
                  "qvperuser.height: 300\r\n");
    watchingHook = SetWindowsHookExA(WH_CBT, watchViewerCreation, NULL, GetCurrentThreadId());
    ASSERT_EQ(0, start());
    UnhookWindowsHookEx(watchingHook);
    EXPECT_EQ(-20, seenCreation.x);
    EXPECT_EQ(15, seenCreation.y);
    EXPECT_EQ(5, seenCreation.cx);
    EXPECT_EQ(300, seenCreation.cy);
    EXPECT_EQ((LONG)ViewerStyle, seenCreation.style);
    EXPECT_EQ(WS_EX_TOOLWINDOW | (state.canLayer ? WS_EX_LAYERED : 0), seenCreation.dwExStyle);
    EXPECT_EQ(NULL, seenCreation.lpszName);
    EXPECT_EQ(5, state.width);
}

}  // namespace
