// Start-up, shut-down, the exports and the settings file.
#include <algorithm>

#include "menus.h"
#include "settings/settings.h"
#include "shell.h"
#include "slit.h"
#include "support/dialogs.h"
#include "support/plugin_fixture.h"

namespace {

// The messages the plugin registers for, as the shell's trace names them.
const std::string RegisteredMessages = "HostMsgRestyle,HostMsgRedraw,HostMsgCommand";

TEST(PluginInfo, AnswersEveryIndexWithStaticText) {
    EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(0));
    EXPECT_STREQ("QVPeruser", pluginInfo(1));
    EXPECT_STREQ("0.0.3", pluginInfo(2));
    EXPECT_STRNE("", pluginInfo(3));
    EXPECT_STREQ("2007-03-17", pluginInfo(4));
    ASSERT_NE(nullptr, pluginInfo(5));
    EXPECT_STREQ("", pluginInfo(5));
    EXPECT_STRNE("", pluginInfo(6));
    EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(7));
    EXPECT_STREQ("QVPeruser 0.0.3", pluginInfo(-1));
    EXPECT_EQ(pluginInfo(1), pluginInfo(1));
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

// --- the settings file ------------------------------------------------------

class SettingsTest : public PluginTest {
protected:
    void load() {
        state.hInstance = module;
        loadSettings();
    }
};

TEST_F(SettingsTest, PrefersThePluginFolderAndTheDottedName) {
    writeFile(programFolder() + "qvperuser.rc", "qvperuser.width: 201\r\n");
    writeFile(programFolder() + "qvperuserrc", "qvperuser.width: 202\r\n");
    writeFile(shellFolder + "qvperuser.rc", "qvperuser.width: 203\r\n");
    load();
    EXPECT_EQ(programFolder() + "qvperuser.rc", state.rcPath);
    EXPECT_EQ(201, state.width);

    removeFile(programFolder() + "qvperuser.rc");
    load();
    EXPECT_EQ(programFolder() + "qvperuserrc", state.rcPath);
    EXPECT_EQ(202, state.width);

    removeFile(programFolder() + "qvperuserrc");
    load();
    EXPECT_EQ(shellFolder + "qvperuser.rc", state.rcPath);
    EXPECT_EQ(203, state.width);

    removeFile(shellFolder + "qvperuser.rc");
    writeFile(shellFolder + "qvperuserrc", "qvperuser.width: 204\r\n");
    shellTrace::clear();
    load();
    EXPECT_EQ(shellFolder + "qvperuserrc", state.rcPath);
    EXPECT_EQ(204, state.width);
    std::vector<std::string> probes = shellTrace::startingWith("FileExists");
    ASSERT_EQ(4u, probes.size());
    EXPECT_EQ("FileExists(" + programFolder() + "qvperuser.rc)", probes[0]);
    EXPECT_EQ("FileExists(" + programFolder() + "qvperuserrc)", probes[1]);
    EXPECT_EQ("FileExists(" + shellFolder + "qvperuser.rc)", probes[2]);
    EXPECT_EQ("FileExists(" + shellFolder + "qvperuserrc)", probes[3]);
}

TEST_F(SettingsTest, CreatesTheFileWithEveryDefaultWhenNoneExists) {
    load();
    ASSERT_EQ(settingsPath(), state.rcPath);
    ASSERT_TRUE(fileExists(settingsPath()));
    std::vector<std::string> keys = storedKeys(settingsPath());
    const std::vector<std::string> expected = {
        "qvperuser.x:", "qvperuser.y:", "qvperuser.width:", "qvperuser.height:",
        "qvperuser.edgeSize:", "qvperuser.fontHeight:", "qvperuser.alpha:",
        "qvperuser.styleType:", "qvperuser.reloadInterval(sec):", "qvperuser.alwaysontop:",
        "qvperuser.transparency:", "qvperuser.snapWindow:", "qvperuser.pluginToggle:",
        "qvperuser.inSlit:", "qvperuser.showBorder:", "qvperuser.showScroll:",
        "qvperuser.lockPos:", "qvperuser.wordWrap:", "qvperuser.autoHide:",
        "qvperuser.autoReload:", "qvperuser.fontColor:", "qvperuser.backColor:",
        "qvperuser.font:", "qvperuser.filePath:", "qvperuser.readBufferSize:"};
    EXPECT_EQ(expected, keys);
    const std::string file = settingsPath();
    EXPECT_EQ("10", storedSetting(file, "qvperuser.x:"));
    EXPECT_EQ("120", storedSetting(file, "qvperuser.width:"));
    EXPECT_EQ("80", storedSetting(file, "qvperuser.height:"));
    EXPECT_EQ("4", storedSetting(file, "qvperuser.edgeSize:"));
    EXPECT_EQ("12", storedSetting(file, "qvperuser.fontHeight:"));
    EXPECT_EQ("160", storedSetting(file, "qvperuser.alpha:"));
    EXPECT_EQ("1", storedSetting(file, "qvperuser.styleType:"));
    EXPECT_EQ("120", storedSetting(file, "qvperuser.reloadInterval(sec):"));
    EXPECT_EQ("true", storedSetting(file, "qvperuser.snapWindow:"));
    EXPECT_EQ("true", storedSetting(file, "qvperuser.showBorder:"));
    EXPECT_EQ("false", storedSetting(file, "qvperuser.autoReload:"));
    EXPECT_EQ("#000000", storedSetting(file, "qvperuser.fontColor:"));
    EXPECT_EQ("#ffffff", storedSetting(file, "qvperuser.backColor:"));
    EXPECT_EQ("Tahoma", storedSetting(file, "qvperuser.font:"));
    EXPECT_EQ("readme.txt", storedSetting(file, "qvperuser.filePath:"));
    EXPECT_EQ("512", storedSetting(file, "qvperuser.readBufferSize:"));
    EXPECT_EQ(0, shellTrace::count("ReadInt"));
}

TEST_F(SettingsTest, SnapWindowIsReadLowerCaseAndWrittenCamelCase) {
    writeSettings("qvperuser.width: 100\r\n");
    load();
    EXPECT_EQ(1, shellTrace::count("ReadBool(" + settingsPath() + ",qvperuser.snapwindow:,true)"));
    shellTrace::clear();
    saveSettings();
    EXPECT_EQ(1, shellTrace::count("WriteBool(" + settingsPath() + ",qvperuser.snapWindow:,"));
}

TEST_F(SettingsTest, PositionBeyondTheVirtualScreenComesBackNegativeStays) {
    int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    writeSettings("qvperuser.x: " + std::to_string(screenWidth) + "\r\nqvperuser.y: " +
                  std::to_string(screenHeight + 500) + "\r\n");
    load();
    EXPECT_EQ(10, state.x);
    EXPECT_EQ(10, state.y);

    writeSettings("qvperuser.x: " + std::to_string(screenWidth - 1) + "\r\nqvperuser.y: -40\r\n");
    load();
    EXPECT_EQ(screenWidth - 1, state.x);
    EXPECT_EQ(-40, state.y);
}

TEST_F(SettingsTest, SaveThenLoadGivesBackEverySetting) {
    load();
    state.x = -30; state.y = 44; state.width = 333; state.height = 222;
    state.edgeSize = 7; state.fontHeight = -15; state.alpha = 99; state.styleType = 5;
    state.reloadInterval = 9;
    state.alwaysontop = true; state.transparency = true; state.snapWindow = false;
    state.pluginToggle = true; state.inSlit = true; state.showBorder = false;
    state.showScroll = true; state.lockPos = true; state.wordWrap = true;
    state.autoHide = true; state.autoReload = true;
    state.fontColor = RGB(1, 2, 3); state.backColor = RGB(250, 128, 7);
    strcpy(state.font, "Courier New");
    strcpy(state.filePath, "C:\\logs\\some file.log");
    state.readBufferSize = 4096;
    PluginState saved = state;
    saveSettings();

    ZeroMemory(&state, sizeof state);
    load();
    EXPECT_EQ(saved.x, state.x); EXPECT_EQ(saved.y, state.y);
    EXPECT_EQ(saved.width, state.width); EXPECT_EQ(saved.height, state.height);
    EXPECT_EQ(saved.edgeSize, state.edgeSize); EXPECT_EQ(saved.fontHeight, state.fontHeight);
    EXPECT_EQ(saved.alpha, state.alpha); EXPECT_EQ(saved.styleType, state.styleType);
    EXPECT_EQ(saved.reloadInterval, state.reloadInterval);
    EXPECT_TRUE(state.alwaysontop); EXPECT_TRUE(state.transparency);
    EXPECT_FALSE(state.snapWindow); EXPECT_TRUE(state.pluginToggle); EXPECT_TRUE(state.inSlit);
    EXPECT_FALSE(state.showBorder); EXPECT_TRUE(state.showScroll); EXPECT_TRUE(state.lockPos);
    EXPECT_TRUE(state.wordWrap); EXPECT_TRUE(state.autoHide); EXPECT_TRUE(state.autoReload);
    EXPECT_EQ(saved.fontColor, state.fontColor); EXPECT_EQ(saved.backColor, state.backColor);
    EXPECT_STREQ(saved.font, state.font); EXPECT_STREQ(saved.filePath, state.filePath);
    EXPECT_EQ(saved.readBufferSize, state.readBufferSize);
}

TEST_F(SettingsTest, LongStringsAreCutToTheirBuffers) {
    std::string face(300, 'F');
    std::string path = "C:\\" + std::string(1020, 'p');  // 1023 characters
    writeSettings("qvperuser.font: " + face + "\r\nqvperuser.filePath: " + path + "\r\n");
    state.textBuffer[0] = 'k';  // the field behind filePath must stay untouched
    load();
    EXPECT_EQ(std::string(255, 'F'), state.font);
    EXPECT_EQ(path, state.filePath);

    writeSettings("qvperuser.filePath: " + path + "tail\r\n");
    load();
    EXPECT_EQ(1023u, strlen(state.filePath));
    EXPECT_EQ(512, state.readBufferSize);
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
    EXPECT_EQ(0x86000000u, GetWindowLongA(viewer, GWL_STYLE) & ~WS_VISIBLE);
    EXPECT_EQ(state.canLayer ? 0x80080u : 0x80u, (DWORD)GetWindowLongA(viewer, GWL_EXSTYLE));
    RECT rect;
    GetWindowRect(viewer, &rect);
    EXPECT_EQ(31, rect.left);
    EXPECT_EQ(42, rect.top);
    EXPECT_EQ(150, rect.right - rect.left);
    EXPECT_EQ(90, rect.bottom - rect.top);

    std::string handle = handleText(viewer);
    EXPECT_EQ(1, shellTrace::count("register " + handle + " for " + RegisteredMessages));
    int registered = shellTrace::find("register ");
    int sticky = shellTrace::find("MakeSticky(" + handle + ")");
    EXPECT_LT(registered, sticky);

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

    int firstWrite = shellTrace::find("WriteInt(" + settingsPath() + ",qvperuser.x:,77)");
    int lastWrite = shellTrace::find("WriteInt(" + settingsPath() + ",qvperuser.readBufferSize:");
    int menuReleased = shellTrace::find("DelMenu(QVM_Main)");
    int unsticky = shellTrace::find("RemoveSticky(" + handle + ")");
    int unregistered = shellTrace::find("unregister " + handle + " for " + RegisteredMessages);
    EXPECT_EQ(0, firstWrite);
    EXPECT_LT(firstWrite, lastWrite);
    EXPECT_LT(lastWrite, menuReleased);
    EXPECT_LT(menuReleased, unsticky);
    EXPECT_LT(unsticky, unregistered);
    EXPECT_EQ(0, shellTrace::count("slit received"));
    EXPECT_EQ(0, liveMenuCount());

    EXPECT_EQ(0u, GetObjectType(font));
    EXPECT_EQ(0u, GetObjectType(brush));
    EXPECT_FALSE(IsWindow(pane));
    EXPECT_FALSE(IsWindow(viewer));
    WNDCLASSA unused;
    EXPECT_FALSE(GetClassInfoA(module, "QVPeruser", &unused));
    EXPECT_EQ(NULL, state.paneFont);
    EXPECT_EQ(NULL, state.backBrush);
    EXPECT_EQ(NULL, state.mainMenu);
    EXPECT_EQ("77", storedSetting(settingsPath(), "qvperuser.x:"));
}

TEST_F(PluginTest, SecondStartAfterEndWorks) {
    ASSERT_EQ(0, start());
    stop();
    ASSERT_EQ(0, start());
    EXPECT_TRUE(IsWindowVisible(state.viewerWnd));
    EXPECT_NE(0u, GetObjectType(state.paneFont));
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
    EXPECT_EQ(std::vector<std::string>{"slit received SlitMsgAdd " + handle},
              shellTrace::startingWith("slit received"));
    // Docked windows are never layered.
    EXPECT_EQ(0, GetWindowLongA(state.viewerWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    shellTrace::clear();
    stop();
    EXPECT_EQ(std::vector<std::string>{"slit received SlitMsgRemove " + handle},
              shellTrace::startingWith("slit received"));
    EXPECT_LT(shellTrace::find("unregister "), shellTrace::find("slit received SlitMsgRemove"));
}

TEST_F(PluginTest, ExtendedStartIsTheSlitStart) {
    writeSettings("qvperuser.inSlit: true\r\n");
    slit = createSlit(shell.instance);
    ASSERT_EQ(0, beginPluginEx(module, slit));
    started = true;
    EXPECT_EQ(1, shellTrace::count("slit received SlitMsgAdd"));
}

TEST_F(PluginTest, PlainStartNeverDocksEvenWhenTheSettingsSaySo) {
    writeSettings("qvperuser.inSlit: true\r\n");
    ASSERT_EQ(0, start());
    EXPECT_TRUE(state.inSlit);
    EXPECT_EQ(NULL, state.slitWnd);
    stop();
    EXPECT_EQ(0, shellTrace::count("slit received"));
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
    EXPECT_EQ(0, shellTrace::count("register "));
    EXPECT_EQ(0, shellTrace::count("unregister "));
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
    EXPECT_EQ(0, shellTrace::count("register "));
    EXPECT_EQ(std::vector<std::string>{"unregister 00000000 for " + RegisteredMessages},
              shellTrace::startingWith("unregister "));
    EXPECT_EQ(0, shellTrace::count("slit received"));  // no docking after a failed start
    EXPECT_EQ(NULL, state.paneFont);
    EXPECT_EQ(NULL, state.backBrush);
    EXPECT_EQ(0, liveMenuCount());
    WNDCLASSA unused;
    EXPECT_FALSE(GetClassInfoA(module, "QVPeruser", &unused));
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
    EXPECT_EQ((LONG)0x86000000, seenCreation.style);
    EXPECT_EQ(state.canLayer ? 0x80080u : 0x80u, seenCreation.dwExStyle);
    EXPECT_EQ(NULL, seenCreation.lpszName);
    EXPECT_EQ(5, state.width);
}

}  // namespace
