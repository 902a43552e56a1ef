// The configuration menu, rebuilt whole from the settings whenever it shows
// something that changed.
#pragma once

#include "host/host.h"
#include "settings/setting_rows.h"
#include "viewer/viewer.h"

// popup: true when the user asked for the menu; false refreshes an open one.
void buildConfigMenu(bool popup);

// Releases the menu tree, if one exists; the shell releases the submenus
// attached to the main menu with it.
void releaseConfigMenu();

// What the window asks of the menu (viewer/viewer.h).
void answerMenuRequest(MenuRequest request);

// The main menu as last built, NULL when there is none.
Menu* shownConfigMenu();

// A text setting's value as the menu last showed it (empty before the first
// menu, and for other settings).
const char* menuShownText(SettingId id);
