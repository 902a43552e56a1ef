// The shell's exported functions and the message numbers exchanged with it.
// The shell is quorvane.exe; everything is C linkage, __cdecl, undecorated.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Menu Menu;          // opaque to plugins
typedef struct MenuItem MenuItem;  // opaque to plugins

HWND __cdecl GetQVWnd(void);
char* __cdecl GetQuorvanePath(char* buffer, int size);  // directory, trailing backslash
bool __cdecl FileExists(const char* path);

int __cdecl ReadInt(const char* file, const char* key, int defaultValue);
bool __cdecl ReadBool(const char* file, const char* key, bool defaultValue);
COLORREF __cdecl ReadColor(const char* file, const char* key, const char* defaultText);
// The returned text stays valid only until the next Read call: copy it at once.
const char* __cdecl ReadString(const char* file, const char* key, const char* defaultText);
void __cdecl WriteInt(const char* file, const char* key, int value);
void __cdecl WriteBool(const char* file, const char* key, bool value);
void __cdecl WriteColor(const char* file, const char* key, COLORREF value);
void __cdecl WriteString(const char* file, const char* key, const char* value);

BOOL __cdecl QVExecute(HWND owner, const char* operation, const char* file,
                       const char* arguments, const char* directory, int showCommand,
                       bool quiet);

void* __cdecl GetSettingPtr(int styleIndex);  // 260-byte style record, or NULL
void __cdecl MakeStyleGradient(HDC dc, RECT* rect, void* style, bool border);

void __cdecl MakeSticky(HWND window);
void __cdecl RemoveSticky(HWND window);
void __cdecl SnapWindowToEdge(WINDOWPOS* position, int distance, unsigned flags);

Menu* __cdecl MakeNamedMenu(const char* title, const char* menuId, bool popup);
MenuItem* __cdecl MakeMenuItem(Menu* menu, const char* title, const char* command, bool checked);
MenuItem* __cdecl MakeMenuItemInt(Menu* menu, const char* title, const char* command, int value,
                                  int minimum, int maximum);
MenuItem* __cdecl MakeMenuItemString(Menu* menu, const char* title, const char* command,
                                     const char* text);
MenuItem* __cdecl MakeMenuNOP(Menu* menu, const char* title);
MenuItem* __cdecl MakeSubmenu(Menu* parent, Menu* child, const char* title);
void __cdecl ShowMenu(Menu* menu);
void __cdecl DelMenu(Menu* menu);

#ifdef __cplusplus
}
#endif

enum HostMessage : UINT {
    HostMsgRegister = 10001,    // plugin to shell: wParam window, lParam UINT list ending in 0
    HostMsgUnregister = 10002,  // plugin to shell: the same list
    HostMsgRestyle = 10103,     // shell to registered windows
    HostMsgMenusAway = 10302,   // plugin to shell: close open menus
    HostMsgRedraw = 10881,      // shell to registered windows
    HostMsgCommand = 10901,     // shell to registered windows: lParam command text
    SlitMsgAdd = 11001,         // plugin to slit: lParam plugin window
    SlitMsgRemove = 11002,      // plugin to slit: lParam plugin window
    SlitMsgUpdate = 11003,      // plugin to slit: size changed
};

const int StyleRecordSize = 260;
