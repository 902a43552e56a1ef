// The menu trees that plugins build through the shell. Menus are known by
// serial numbers that are never reused, so a released or unknown menu
// handed back by a plugin is ignored. menu_windows.h shows them.
#pragma once

#include <string>
#include <vector>

enum ItemKind { ItemCommand, ItemNumber, ItemText, ItemSeparator, ItemSubmenu };

struct ShellItem {
    ItemKind kind;
    std::string title;
    std::string command;
    bool checked;
    int value;
    int minimum;
    int maximum;
    std::string text;
    int submenu;
};

struct ShellMenu {
    std::string title;
    std::string id;
    bool popup;
    std::vector<ShellItem> items;
};

int menuCreate(const char* title, const char* menuId, bool popup);
// Item adders return an item number, or 0 when the menu is unknown.
int menuAddCommand(int menu, const char* title, const char* command, bool checked);
int menuAddNumber(int menu, const char* title, const char* command, int value, int minimum,
                  int maximum);
int menuAddText(int menu, const char* title, const char* command, const char* text);
// With a title, an inert line of text in place of the line.
int menuAddSeparator(int menu, const char* title);
// Refused when either menu is unknown or the child already holds the parent.
int menuAttach(int parent, int child, const char* title);
// Releases the menu and every submenu attached to it.
void menuRelease(int menu);
int liveMenuCount();
// The menu, or null when it is unknown or released.
const ShellMenu* findMenu(int menu);
const char* menuIdOf(int menu);

// The tree as text, one line an entry indented by depth, for traces and tests:
//   item "Title" COMMAND CHECKED | int "Title" COMMAND VALUE [MIN,MAX] |
//   string "Title" COMMAND "TEXT" | nop "Title" | submenu "Title"
std::string describeMenu(int menu, int depth = 0);
