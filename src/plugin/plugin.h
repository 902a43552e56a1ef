// The plugin's exports, as the shell calls them.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

int __cdecl beginPlugin(HINSTANCE module);
int __cdecl beginSlitPlugin(HINSTANCE module, HWND slit);
int __cdecl beginPluginEx(HINSTANCE module, HWND slit);
void __cdecl endPlugin(HINSTANCE module);
const char* __cdecl pluginInfo(int index);

#ifdef __cplusplus
}
#endif

extern const UINT registeredMessages[4];

// True when the system supports per-window alpha.
bool layeringSupported(const OSVERSIONINFOA& version);
