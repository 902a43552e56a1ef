// The plugin's name and the texts pluginInfo answers with.
#pragma once

// The version is written here only; scripts/package reads it from this line.
#define PLUGIN_VERSION "0.0.3"
#define PLUGIN_NAME "QVPeruser"

extern const char PluginName[];

// 0 the name and version, 1 the name, 2 the version, 3 the authors, 4 the
// release date, 5 the link (none), 6 the e-mail.
extern const char* const infoStrings[7];

// The start-up error boxes: OK, a stop sign, above every window.
const unsigned ErrorBoxFlags = 0x40010;  // MB_OK | MB_ICONHAND | MB_TOPMOST
