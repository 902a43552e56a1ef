#pragma once

#include <windows.h>

void loadSettings();
void saveSettings();

// The settings file changed on disk since the plugin last read or wrote it:
// the user edited it. False while it is missing.
bool settingsEditedOnDisk();
// Saves at the end, having read first what the user changed in the file
// meanwhile, so that the save keeps the user's edit.
void saveSettingsAtEnd();

// The plugin's folder, with its trailing backslash. Returns false, leaving
// folder empty, when the module's name did not fit: its folder is unknown.
bool getPluginFolder(char* folder, int capacity);
bool getPluginFolder(WCHAR* folder, int capacity);
