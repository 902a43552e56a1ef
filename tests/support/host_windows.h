// Real windows standing in for the shell's main window and its slit; both
// record the messages the plugin sends them into fake::calls.
#pragma once

#include <windows.h>

#include <string>

HWND createHostWindow();
HWND createSlitWindow();

// Pumps the thread's messages for the given time, as a user's shell would.
void pumpMessages(int milliseconds);

std::string handleText(HWND window);
