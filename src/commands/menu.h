// The configuration menu, rebuilt whole from the settings whenever it shows
// something that changed.
#pragma once

// popup: true when the user asked for the menu; false refreshes an open one.
void buildConfigMenu(bool popup);

// Releases the menu tree, if one exists; the shell releases the submenus
// attached to the main menu with it.
void releaseConfigMenu();
