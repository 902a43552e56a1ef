// How the shell's menu windows are measured and drawn: a title band in the
// menu title style over rows in the menu frame style, the highlighted row in
// the active style.
#pragma once

#include <windows.h>

#include <string>

#include "menus.h"

HFONT menuFont();
SIZE menuSize(const ShellMenu& menu);
// The item's row in a menu window of the given client width.
RECT itemRect(const ShellMenu& menu, int item, int width);
// What a number or text item shows right of its title.
std::string valueText(const ShellItem& item);
// Where an item's value is edited: right of its title, which stays in sight.
RECT editorRect(const ShellItem& item, RECT row);
void drawMenu(HDC dc, const ShellMenu& menu, int hot, RECT client);
