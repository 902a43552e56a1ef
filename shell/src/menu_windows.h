// Open menus: the shell's own popup windows that show a plugin's menu tree,
// drawn in the shell's menu styles.
#pragma once

#include <windows.h>

#include <string>

// Pops the menu up at the pointer in place of any menu open before.
void popUpMenu(int menu);
// Shows the menu, built anew, in the open menu of the same id, if there is
// one; false when none is open.
bool refreshOpenMenu(int menu);
// An open menu whose tree is released closes unless a refresh takes it over
// before the message loop runs again.
void noteMenuReleased();
void closeMenus();

// The menu shown at a level of the open chain (0: the popped-up menu, 1 the
// submenu opened from it, ...), and its window; 0 and NULL past the chain.
int openMenuAt(int level);
HWND openMenuWindow(int level);

// The hint under the field of a number item being edited: the item's
// limits, or why the value entered was refused; NULL while there is none.
HWND editorHintWindow();

enum NumberEntry { WholeNumber, NotAWholeNumber, BelowMinimum, AboveMaximum };

// Reads text as a whole number within minimum..maximum: optional blanks, an
// optional sign and digits only. value is set only for a WholeNumber.
NumberEntry readWholeNumber(const char* text, int minimum, int maximum, int* value);
// What the hint says: "1 to 3600" for an entry that was not refused, else
// why it was, with the limits.
std::string numberHint(NumberEntry entry, int minimum, int maximum);
