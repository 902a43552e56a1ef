#pragma once

#include <windows.h>

void loadSettings();
void saveSettings();

// The plugin's folder, with its trailing backslash. Returns false, leaving
// folder empty, when the module's name did not fit: its folder is unknown.
bool getPluginFolder(char* folder, int capacity);
bool getPluginFolder(WCHAR* folder, int capacity);
