// The command dispatcher: the shell's broadcast command strings, which are
// also what every menu item sends.
#pragma once

#include <windows.h>

#include "commands/command_words.h"

// lParam: the command text.
LRESULT dispatchCommand(LPARAM lParam);

// Applies the settings file as Reload Settings does when the user changed
// it on disk: the settings check timer's work.
void reloadSettingsIfEdited();
