#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "menu_layout.h"
#include "menu_windows.h"
#include "menus.h"
#include "settings_store.h"
#include "shell.h"
#include "snap.h"
#include "trace.h"

namespace {

std::string folder() {
    char path[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, path);
    return std::string(path) + "\\store\\";
}


int filesIn(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "*").c_str(), &found);
    int count = 0;
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

class StoreFile : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(folder().c_str(), NULL);
        path = folder() + "settings.rc";
        DeleteFileA(path.c_str());
    }
    std::string path;
};

}  // namespace

TEST(SettingsText, KeysMatchWithoutCaseAndColonAndSkipComments) {
    std::string text = "# qvperuser.x: 1\r\n! qvperuser.x: 2\r\nQVPeruser.X :   30  \r\nqvperuser.xy: 4\r\n";
    std::string value;
    ASSERT_TRUE(findSetting(text, "qvperuser.x:", &value));
    EXPECT_EQ("30", value);
    ASSERT_TRUE(findSetting(text, "qvperuser.XY", &value));
    EXPECT_EQ("4", value);
    EXPECT_FALSE(findSetting(text, "qvperuser.y:", &value));
    EXPECT_FALSE(findSetting("qvperuser.x 5\r\n", "qvperuser.x:", &value));
}

TEST(SettingsText, WriteReplacesFirstLineInPlaceKeepingTheRest) {
    std::string text = "# my settings\r\nqvperuser.A: 1\r\n\r\nQVPERUSER.b: 2\r\nqvperuser.b: 3\r\n";
    EXPECT_EQ("# my settings\r\nqvperuser.A: 1\r\n\r\nqvperuser.b: 9\r\nqvperuser.b: 3\r\n",
              replaceSetting(text, "qvperuser.b:", "9"));
    EXPECT_EQ(text + "qvperuser.c: x y\r\n", replaceSetting(text, "qvperuser.c:", "x y"));
}

TEST(SettingsText, KeepsTheFilesLineEndings) {
    EXPECT_EQ("a: 1\nb: 5\n", replaceSetting("a: 1\nb: 2", "b", "5"));
    EXPECT_EQ("a: 1\r\nb: 5\r\n", replaceSetting("", "a", "1") + "b: 5\r\n");
    EXPECT_EQ("a: 1\r\n", replaceSetting("", "a:", "1"));
}

// Notepad's UTF-8 starts with a byte-order mark: the first key is read
// behind it and written in place, and the mark stays first.
TEST(SettingsText, ReadsBehindAByteOrderMarkAndKeepsIt) {
    std::string text = "\xEF\xBB\xBFqvperuser.x: 7\r\nqvperuser.font: \xD0\xA8\r\n";
    std::string value;
    ASSERT_TRUE(findSetting(text, "qvperuser.x:", &value));
    EXPECT_EQ("7", value);
    EXPECT_EQ("\xEF\xBB\xBFqvperuser.x: 9\r\nqvperuser.font: \xD0\xA8\r\n",
              replaceSetting(text, "qvperuser.x:", "9"));
    EXPECT_EQ(std::vector<std::string>{"a.dll"}, parsePluginList("\xEF\xBB\xBF" "a.dll\r\n"));
}

TEST_F(StoreFile, WriteCreatesTheFileAndReadsBack) {
    std::string value;
    EXPECT_FALSE(storeRead(path.c_str(), "k:", &value));
    ASSERT_TRUE(storeWrite(path.c_str(), "First.Key:", "one"));
    ASSERT_TRUE(storeWrite(path.c_str(), "second:", "two"));
    ASSERT_TRUE(storeWrite(path.c_str(), "first.key:", "uno"));
    EXPECT_EQ("first.key: uno\r\nsecond: two\r\n", readFile(path));
    ASSERT_TRUE(storeRead(path.c_str(), "FIRST.KEY", &value));
    EXPECT_EQ("uno", value);
}

// While a plugin starts the shell holds the file it reads; holding must never
// answer from another file, nor from before a write, nor after the release.
TEST_F(StoreFile, HeldFileAnswersOnlyForItselfAndSinceTheLastWrite) {
    std::string other = path + ".other";
    writeFile(path, "key: first\r\n");
    writeFile(other, "key: other\r\n");
    std::string value;
    holdSettingsFiles();
    ASSERT_TRUE(storeRead(other.c_str(), "key:", &value));
    EXPECT_EQ("other", value);
    ASSERT_TRUE(storeRead(path.c_str(), "key:", &value));
    EXPECT_EQ("first", value);
    ASSERT_TRUE(storeWrite(path.c_str(), "key:", "written"));
    ASSERT_TRUE(storeRead(path.c_str(), "key:", &value));
    EXPECT_EQ("written", value);
    EXPECT_FALSE(storeRead((path + ".missing").c_str(), "key:", &value));
    releaseSettingsFiles();
    writeFile(path, "key: edited\r\n");
    ASSERT_TRUE(storeRead(path.c_str(), "key:", &value));
    EXPECT_EQ("edited", value);
    removeFile(other);
}

TEST_F(StoreFile, WritesLeaveNoTemporaryFilesBehind) {
    for (int i = 0; i < 20; ++i) storeWrite(path.c_str(), "key:", std::to_string(i).c_str());
    EXPECT_EQ(1, filesIn(folder()));
    EXPECT_EQ("key: 19\r\n", readFile(path));
}

// While the original cannot be replaced, it stays whole and no half-written
// file is left in the folder.
TEST_F(StoreFile, FailedReplaceLeavesTheOriginalWhole) {
    writeFile(path, "# kept\r\nkey: old\r\n");
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(storeWrite(path.c_str(), "key:", "new"));
    CloseHandle(holder);
    EXPECT_EQ("# kept\r\nkey: old\r\n", readFile(path));
    EXPECT_EQ(1, filesIn(folder()));
}

// A file that exists but cannot be read is not replaced by a one-line file.
TEST_F(StoreFile, UnreadableFileIsNotOverwritten) {
    writeFile(path, "a: 1\r\nb: 2\r\n");
    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_FALSE(storeWrite(path.c_str(), "b:", "3"));
    CloseHandle(holder);
    EXPECT_EQ("a: 1\r\nb: 2\r\n", readFile(path));
}

TEST(Snapping, EdgesWithinDistanceMoveOntoTheArea) {
    RECT area = {0, 0, 1000, 800};
    struct Case { int x, y, expectedX, expectedY; } cases[] = {
        {7, 300, 0, 300},      // near the left edge
        {-10, 300, 0, 300},    // just outside the left edge
        {11, 300, 11, 300},    // beyond the distance
        {889, 300, 889, 300},  // right edge 989 is 11 away: stays
        {891, 300, 900, 300},  // right edge within 10
        {400, 705, 400, 700},  // bottom edge within 10
        {3, 4, 0, 0},          // a corner
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y;
        snapToArea(&x, &y, 100, 100, area, 10);
        EXPECT_EQ(c.expectedX, x) << c.x << "," << c.y;
        EXPECT_EQ(c.expectedY, y) << c.x << "," << c.y;
    }
}

TEST(Snapping, WorksOnAMonitorLeftOfTheOrigin) {
    RECT area = {-1280, 0, 0, 1024};
    int x = -1275, y = 500;
    snapToArea(&x, &y, 200, 100, area, 10);
    EXPECT_EQ(-1280, x);
    x = -205;
    snapToArea(&x, &y, 200, 100, area, 10);
    EXPECT_EQ(-200, x);
}

TEST(Snapping, WindowPositionSnapsToTheMonitorAndLeavesUnmovedWindowsAlone) {
    RECT monitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    WINDOWPOS position = {};
    position.x = monitor.left + 6;
    position.y = monitor.bottom - 100 + 4;
    position.cx = 200;
    position.cy = 100;
    snapWindowPosition(&position, 10, 1);
    EXPECT_EQ(monitor.left, position.x);
    EXPECT_EQ(monitor.bottom - 100, position.y);

    position.x = 6;
    position.flags = SWP_NOMOVE;
    snapWindowPosition(&position, 10, 1);
    EXPECT_EQ(6, position.x);
}

TEST(PluginList, OnePathALineWithComments) {
    std::vector<std::string> expected = {"qvperuser.dll", "plugins\\other one.dll"};
    EXPECT_EQ(expected, parsePluginList("# plugins\r\n qvperuser.dll  # the viewer\r\n\r\n"
                                        "plugins\\other one.dll"));
}

TEST(NumberBox, AcceptsOnlyWholeNumbersWithinLimitsAndSaysWhy) {
    int value = -1;
    EXPECT_EQ(WholeNumber, readWholeNumber(" 42 ", 1, 64, &value));
    EXPECT_EQ(42, value);
    EXPECT_EQ(WholeNumber, readWholeNumber("-5", -10, 10, &value));
    EXPECT_EQ(-5, value);
    const std::pair<const char*, NumberEntry> refused[] = {
        {"", NotAWholeNumber},   {"abc", NotAWholeNumber},        {"4 2", NotAWholeNumber},
        {"12px", NotAWholeNumber}, {"1.5", NotAWholeNumber},      {"-", NotAWholeNumber},
        {"65", AboveMaximum},    {"99999999999", AboveMaximum}, {"0", BelowMinimum},
        {"-99999999999", BelowMinimum}};
    for (const auto& entry : refused) {
        value = 7;
        EXPECT_EQ(entry.second, readWholeNumber(entry.first, 1, 64, &value)) << entry.first;
        EXPECT_EQ(7, value) << entry.first;
    }
    EXPECT_EQ("Too small: enter -5 to 64", numberHint(BelowMinimum, -5, 64));
}

TEST(MenuTree, ReleasingAMenuReleasesItsSubmenusExactlyOnce) {
    int before = liveMenuCount();
    int main = menuCreate("Main", "QVM_Main", true);
    int child = menuCreate("Child", "QVM_Child", true);
    int grandchild = menuCreate("Grand", "QVM_Grand", true);
    EXPECT_NE(0, menuAttach(child, grandchild, "Grand"));
    EXPECT_NE(0, menuAttach(main, child, "Child"));
    EXPECT_EQ(0, menuAttach(grandchild, main, "cycle"));
    EXPECT_EQ(before + 3, liveMenuCount());
    menuRelease(main);
    EXPECT_EQ(before, liveMenuCount());
    menuRelease(main);
    menuRelease(child);
    EXPECT_EQ(0, menuAddCommand(child, "late", "@x", false));
    EXPECT_EQ(before, liveMenuCount());
}

TEST(MenuTree, ASubmenuReleasedFirstIsSkippedLater) {
    int before = liveMenuCount();
    int main = menuCreate("Main", "QVM_Main", false);
    int child = menuCreate("Child", "QVM_Child", false);
    menuAttach(main, child, "Child");
    menuRelease(child);
    int replacement = menuCreate("Other", "QVM_Other", false);
    EXPECT_NE(child, replacement);
    menuRelease(main);
    EXPECT_EQ(before + 1, liveMenuCount());
    menuRelease(replacement);
    EXPECT_EQ(before, liveMenuCount());
}

// --- open menus --------------------------------------------------------------

namespace {

std::vector<std::string> traced;
void recordLine(const char* line) { traced.push_back(line); }

void runMessageLoopBriefly() {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

bool wasTraced(const std::string& line) {
    return std::find(traced.begin(), traced.end(), line) != traced.end();
}

void pressKey(HWND window, WPARAM key) { SendMessageA(window, WM_KEYDOWN, key, 0); }

class OpenMenus : public ::testing::Test {
protected:
    void SetUp() override {
        traced.clear();
        recordTrace(recordLine);
        shell.instance = GetModuleHandleA(NULL);
        createMainWindow();
    }
    void TearDown() override {
        destroyMainWindow();
        recordTrace(NULL);
    }
    // A main menu holding one submenu with a command item and a text item.
    int buildTree(const char* text) {
        int main = menuCreate("Main", "QVM_Main", true);
        child = menuCreate("Child", "QVM_Child", true);
        menuAddCommand(child, "Toggle", "@Toggle", false);
        menuAddText(child, "Name", "@Name", text);
        menuAttach(main, child, "Child");
        return main;
    }
    int child = 0;
};

}  // namespace

TEST_F(OpenMenus, StayOpenWhileItemsRunAndTakeTextInPlace) {
    popUpMenu(buildTree("old"));
    HWND main = openMenuWindow(0);
    pressKey(main, VK_DOWN);
    pressKey(main, VK_RIGHT);
    HWND submenu = openMenuWindow(1);
    ASSERT_EQ(child, openMenuAt(1));
    pressKey(submenu, VK_RETURN);  // Toggle
    pressKey(submenu, VK_DOWN);
    pressKey(submenu, VK_RETURN);  // Name, edited in place
    HWND field = FindWindowExA(submenu, NULL, "Edit", NULL);
    ASSERT_NE(nullptr, field);
    char shown[16] = "";
    GetWindowTextA(field, shown, sizeof shown);
    EXPECT_STREQ("old", shown);
    SetWindowTextA(field, "new name");
    pressKey(field, VK_RETURN);
    EXPECT_FALSE(IsWindow(field));
    pressKey(submenu, VK_RETURN);
    pressKey(FindWindowExA(submenu, NULL, "Edit", NULL), VK_ESCAPE);  // dropped
    runMessageLoopBriefly();
    EXPECT_TRUE(wasTraced("command \"@Toggle\""));
    EXPECT_TRUE(wasTraced("command \"@Name new name\""));
    EXPECT_EQ(2, (int)std::count_if(traced.begin(), traced.end(), [](const std::string& line) {
                  return line.rfind("command ", 0) == 0;
              }));
    EXPECT_EQ(submenu, openMenuWindow(1));
    EXPECT_EQ(nullptr, FindWindowExA(submenu, NULL, "Edit", NULL));
}

// The field is laid right of the title, also in the item that makes the
// menu as wide as it is.
TEST_F(OpenMenus, ValueFieldLeavesTheTitleInSight) {
    const char title[] = "Reload Interval (sec)";
    int main = menuCreate("Main", "QVM_Main", true);
    menuAddNumber(main, title, "@Interval", 5, 1, 3600);
    popUpMenu(main);
    HWND window = openMenuWindow(0);
    pressKey(window, VK_DOWN);
    pressKey(window, VK_RETURN);
    HWND field = FindWindowExA(window, NULL, "Edit", NULL);
    ASSERT_NE(nullptr, field);
    RECT box;
    GetWindowRect(field, &box);
    MapWindowPoints(NULL, window, (POINT*)&box, 2);
    HDC dc = GetDC(window);
    HGDIOBJ kept = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE titleSize;
    GetTextExtentPoint32A(dc, title, (int)strlen(title), &titleSize);
    SelectObject(dc, kept);
    ReleaseDC(window, dc);
    EXPECT_GT(box.left, titleSize.cx);
    EXPECT_GT(box.right - box.left, titleSize.cy * 2);
    closeMenus();
}

// A separator with a title is a line of text as tall as an item, never chosen.
TEST_F(OpenMenus, ATitledSeparatorIsTextThatKeysPassOver) {
    int main = menuCreate("Main", "QVM_Main", true);
    menuAddSeparator(main, "Showing app-2.log");
    menuAddSeparator(main, NULL);
    menuAddCommand(main, "Chosen", "@Chosen", false);
    const ShellMenu& menu = *findMenu(main);
    RECT label = itemRect(menu, 0, 200), line = itemRect(menu, 1, 200), item = itemRect(menu, 2, 200);
    EXPECT_EQ(item.bottom - item.top, label.bottom - label.top);
    EXPECT_LT(line.bottom - line.top, label.bottom - label.top);
    EXPECT_EQ("nop \"Showing app-2.log\"\nnop \"\"\nitem \"Chosen\" @Chosen 0\n", describeMenu(main));
    popUpMenu(main);
    pressKey(openMenuWindow(0), VK_DOWN);
    pressKey(openMenuWindow(0), VK_RETURN);
    runMessageLoopBriefly();
    EXPECT_TRUE(wasTraced("command \"@Chosen\""));
    closeMenus();
}

std::string windowText(HWND window) {
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Under a number's field its limits show; a refused value says why there,
// and only a value within them is sent.
TEST_F(OpenMenus, NumberFieldShowsItsLimitsAndWhyAValueIsRefused) {
    int main = menuCreate("Main", "QVM_Main", true);
    menuAddNumber(main, "Interval", "@Interval", 5, 1, 3600);
    popUpMenu(main);
    pressKey(openMenuWindow(0), VK_DOWN);
    pressKey(openMenuWindow(0), VK_RETURN);
    HWND field = FindWindowExA(openMenuWindow(0), NULL, "Edit", NULL);
    HWND hint = editorHintWindow();
    ASSERT_TRUE(field && hint);
    EXPECT_TRUE(IsWindowVisible(hint));
    EXPECT_EQ("1 to 3600", windowText(hint));
    RECT fieldBox, hintBox;
    GetWindowRect(field, &fieldBox);
    GetWindowRect(hint, &hintBox);
    EXPECT_EQ(fieldBox.bottom, hintBox.top);

    for (const char* entered : {"5000", "1.5", "60"}) {
        SetWindowTextA(field, entered);
        pressKey(field, VK_RETURN);
        if (IsWindow(hint)) EXPECT_NE("1 to 3600", windowText(hint)) << entered;
    }
    EXPECT_TRUE(wasTraced("menu item \"Interval\" refused \"5000\": Too large: enter 1 to 3600"));
    EXPECT_TRUE(wasTraced("menu item \"Interval\" refused \"1.5\": Not a whole number: enter 1 to 3600"));
    EXPECT_FALSE(IsWindow(hint));
    runMessageLoopBriefly();
    EXPECT_EQ(1, (int)std::count_if(traced.begin(), traced.end(), [](const std::string& line) {
                  return line.rfind("command ", 0) == 0;
              }));
    EXPECT_TRUE(wasTraced("command \"@Interval 60\""));
}

TEST_F(OpenMenus, FollowANewTreeOfTheSameIdAndCloseWithAReleasedOne) {
    int first = buildTree("old");
    popUpMenu(first);
    HWND main = openMenuWindow(0);
    pressKey(main, VK_DOWN);
    pressKey(main, VK_RIGHT);
    HWND submenu = openMenuWindow(1);

    menuRelease(first);
    noteMenuReleased();
    int second = buildTree("new");
    EXPECT_TRUE(refreshOpenMenu(second));
    runMessageLoopBriefly();
    EXPECT_EQ(second, openMenuAt(0));
    EXPECT_EQ(child, openMenuAt(1));
    EXPECT_EQ(main, openMenuWindow(0));
    EXPECT_EQ(submenu, openMenuWindow(1));

    int other = menuCreate("Other", "QVM_Other", false);
    EXPECT_FALSE(refreshOpenMenu(other));
    menuRelease(other);
    menuRelease(second);
    noteMenuReleased();
    EXPECT_EQ(second, openMenuAt(0));  // until the message loop runs
    runMessageLoopBriefly();
    EXPECT_EQ(0, openMenuAt(0));
    EXPECT_FALSE(IsWindow(main));
    EXPECT_FALSE(IsWindow(submenu));
}

TEST_F(OpenMenus, CloseAtAClickOnAnotherWindow) {
    HWND other = CreateWindowExA(0, "EDIT", "other", WS_POPUP | WS_VISIBLE, 600, 600, 100, 100,
                                 NULL, NULL, shell.instance, NULL);
    SetCursorPos(100, 100);
    popUpMenu(buildTree("old"));
    SetCursorPos(650, 650);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
    for (int waited = 0; waited < 1000 && openMenuAt(0); waited += 20) {
        runMessageLoopBriefly();
        Sleep(20);
    }
    EXPECT_EQ(0, openMenuAt(0));
    DestroyWindow(other);
}
