// The menu tree that plugins build through the shell, shown as real popup
// menus. Menus are known by serial numbers that are never reused, so a
// released or unknown menu handed back by a plugin is ignored.
#pragma once

#include <windows.h>

#include <string>

int menuCreate(const char* title, const char* menuId, bool popup);
// Item adders return an item number, or 0 when the menu is unknown.
int menuAddCommand(int menu, const char* title, const char* command, bool checked);
int menuAddNumber(int menu, const char* title, const char* command, int value, int minimum,
                  int maximum);
int menuAddText(int menu, const char* title, const char* command, const char* text);
int menuAddSeparator(int menu);
// Refused when either menu is unknown or the child already holds the parent.
int menuAttach(int parent, int child, const char* title);
// Releases the menu and every submenu attached to it.
void menuRelease(int menu);
int liveMenuCount();
const char* menuIdOf(int menu);
bool menuIsPopup(int menu);

// Pops the menu up at the pointer; a chosen item's command text (with the
// number or text asked for) is handed to send. Returns at once, doing
// nothing, while another popup is open.
void menuPopUp(int menu, HWND owner, void (*send)(const std::string& command));
// Closes an open popup menu.
void menuClosePopup();
