// The command dispatcher: the shell's broadcast command strings, which are
// also what every menu item sends.
#pragma once

#include <windows.h>

#include "commands/command_words.h"

// lParam: the command text.
LRESULT dispatchCommand(LPARAM lParam);
