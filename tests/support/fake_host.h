// A recording stand-in for the shell's exported functions: every call is
// logged in order with its arguments, settings live in real text files, and
// menus are kept as a tree whose releases are checked.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fake {

// Every shell call, as "Name(arg1,arg2,...)", and every message the host and
// slit windows received, as "host:NUMBER(...)" and "slit:NUMBER(...)".
extern std::vector<std::string> calls;

void reset();
std::vector<std::string> callsStartingWith(const std::string& prefix);
int countCalls(const std::string& prefix);
// Index of the first call starting with prefix at or after from, or -1.
int findCall(const std::string& prefix, int from = 0);

void setShellFolder(const std::string& folderWithBackslash);
void setHostWindow(HWND window);

// Settings files as the shell stores them: one "key: value" line a key.
std::string readSetting(const std::string& file, const std::string& key);
std::vector<std::string> settingKeys(const std::string& file);

// Style records: index 1..6 are known, each filled with its own colour in
// its first four bytes, which the fake gradient paints with.
COLORREF styleColour(int index);
void setStyleKnown(int index, bool known);

struct MenuEntry {
    std::string kind;  // "item", "int", "string", "nop", "submenu"
    std::string title;
    std::string command;
    int value = 0;
    int minimum = 0;
    int maximum = 0;
    std::string text;
    struct FakeMenu* child = nullptr;
};

struct FakeMenu {
    std::string title;
    std::string id;
    bool popup = false;
    bool attached = false;
    bool released = false;
    std::vector<MenuEntry> entries;
};

int liveMenuCount();
// Frees the records of released menus that no live menu refers to, so that a
// long run does not grow the stand-in's own memory. Their handles must not be
// used again.
void forgetReleasedMenus();
// The menu most recently handed to ShowMenu, or null.
FakeMenu* shownMenu();
// Renders a menu tree as one line an entry, indented by depth.
std::string describeMenu(const FakeMenu* menu, int depth = 0);

}  // namespace fake
