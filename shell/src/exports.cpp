// The functions the shell exports to plugins.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/host.h"
#include "menu_windows.h"
#include "menus.h"
#include "settings_store.h"
#include "shell.h"
#include "snap.h"
#include "styles.h"
#include "trace.h"

static const char* shown(const char* text) { return text ? text : "(null)"; }

static Menu* asMenu(int serial) { return (Menu*)(INT_PTR)serial; }
static int serialOf(Menu* menu) { return (int)(INT_PTR)menu; }

// Item handles are only ever handed out, never taken back.
static MenuItem* itemHandle(int added) {
    static int lastItem;
    return added ? (MenuItem*)(INT_PTR)++lastItem : NULL;
}

static const char* menuName(Menu* menu) { return menuIdOf(serialOf(menu)); }

// "name.rc", or a name ending in "rc" such as "qvperuserrc".
static bool isSettingsFile(const char* file) {
    size_t length = file ? strlen(file) : 0;
    return length >= 2 && _stricmp(file + length - 2, "rc") == 0;
}

// Where no program is associated with a settings file (a fresh system, or
// Wine, which knows no ".rc"), a shell opens it in the editor every Windows has.
static INT_PTR openInNotepad(HWND owner, const char* file, const char* directory, int showCommand) {
    std::string quoted = std::string("\"") + file + "\"";
    INT_PTR result =
        (INT_PTR)ShellExecuteA(owner, "open", "notepad.exe", quoted.c_str(), directory, showCommand);
    trace("QVExecute: no program is associated with %s; notepad.exe %s it", file,
          result > 32 ? "opened" : "could not open");
    return result;
}

extern "C" {

HWND __cdecl GetQVWnd(void) {
    trace("GetQVWnd()");
    return shell.mainWnd;
}

char* __cdecl GetQuorvanePath(char* buffer, int size) {
    trace("GetQuorvanePath(%d)", size);
    if (buffer && size > 0) snprintf(buffer, size, "%s", shell.folder.c_str());
    return buffer;
}

bool __cdecl FileExists(const char* path) {
    trace("FileExists(%s)", shown(path));
    return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int __cdecl ReadInt(const char* file, const char* key, int defaultValue) {
    trace("ReadInt(%s,%s,%d)", shown(file), shown(key), defaultValue);
    std::string value;
    if (!storeRead(file, key, &value)) return defaultValue;
    char* end = NULL;
    long number = strtol(value.c_str(), &end, 10);
    return end == value.c_str() ? defaultValue : (int)number;
}

bool __cdecl ReadBool(const char* file, const char* key, bool defaultValue) {
    trace("ReadBool(%s,%s,%s)", shown(file), shown(key), boolText(defaultValue));
    std::string value;
    if (!storeRead(file, key, &value)) return defaultValue;
    if (_stricmp(value.c_str(), "true") == 0 || value == "1") return true;
    if (_stricmp(value.c_str(), "false") == 0 || value == "0") return false;
    return defaultValue;
}

COLORREF __cdecl ReadColor(const char* file, const char* key, const char* defaultText) {
    trace("ReadColor(%s,%s,%s)", shown(file), shown(key), shown(defaultText));
    std::string value;
    COLORREF colour = 0;
    if (storeRead(file, key, &value) && parseColour(value.c_str(), &colour)) return colour;
    if (defaultText && parseColour(defaultText, &colour)) return colour;
    return 0;
}

const char* __cdecl ReadString(const char* file, const char* key, const char* defaultText) {
    trace("ReadString(%s,%s,%s)", shown(file), shown(key), shown(defaultText));
    static std::string last;
    std::string value;
    last = storeRead(file, key, &value) ? value : (defaultText ? defaultText : "");
    return last.c_str();
}

void __cdecl WriteInt(const char* file, const char* key, int value) {
    trace("WriteInt(%s,%s,%d)", shown(file), shown(key), value);
    storeWrite(file, key, std::to_string(value).c_str());
}

void __cdecl WriteBool(const char* file, const char* key, bool value) {
    trace("WriteBool(%s,%s,%s)", shown(file), shown(key), boolText(value));
    storeWrite(file, key, value ? "true" : "false");
}

void __cdecl WriteColor(const char* file, const char* key, COLORREF value) {
    char text[8];
    snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(value), GetGValue(value), GetBValue(value));
    trace("WriteColor(%s,%s,%s)", shown(file), shown(key), text);
    storeWrite(file, key, text);
}

void __cdecl WriteString(const char* file, const char* key, const char* value) {
    trace("WriteString(%s,%s,%s)", shown(file), shown(key), shown(value));
    storeWrite(file, key, value ? value : "");
}

BOOL __cdecl QVExecute(HWND owner, const char* operation, const char* file, const char* arguments,
                       const char* directory, int showCommand, bool quiet) {
    trace("QVExecute(%p,%s,%s,%s,%s,%d,%s)", (void*)owner, shown(operation), shown(file),
          shown(arguments), shown(directory), showCommand, boolText(quiet));
    INT_PTR result = (INT_PTR)ShellExecuteA(owner, operation, file, arguments, directory, showCommand);
    if (result == SE_ERR_NOASSOC && isSettingsFile(file)) {
        result = openInNotepad(owner, file, directory, showCommand);
    }
    if (result > 32) return TRUE;
    if (!quiet) {
        char message[600];
        snprintf(message, sizeof message, "Cannot open %s (error %d).", shown(file), (int)result);
        MessageBoxA(owner, message, "Quorvane", MB_OK | MB_ICONEXCLAMATION);
    }
    return FALSE;
}

void* __cdecl GetSettingPtr(int styleIndex) {
    trace("GetSettingPtr(%d)", styleIndex);
    return styleRecord(styleIndex);
}

void __cdecl MakeStyleGradient(HDC dc, RECT* rect, void* style, bool border) {
    trace("MakeStyleGradient(%ldx%ld,%s)", rect ? rect->right - rect->left : 0,
          rect ? rect->bottom - rect->top : 0, boolText(border));
    if (dc && rect && style) paintStyle(dc, *rect, *(const StyleRecord*)style, border);
}

void __cdecl MakeSticky(HWND window) {
    trace("MakeSticky(%p)", (void*)window);
    if (std::find(shell.sticky.begin(), shell.sticky.end(), window) == shell.sticky.end()) {
        shell.sticky.push_back(window);
    }
}

void __cdecl RemoveSticky(HWND window) {
    trace("RemoveSticky(%p)", (void*)window);
    shell.sticky.erase(std::remove(shell.sticky.begin(), shell.sticky.end(), window),
                       shell.sticky.end());
}

void __cdecl SnapWindowToEdge(WINDOWPOS* position, int distance, unsigned flags) {
    trace("SnapWindowToEdge(%d,%d,%d,%u)", position ? position->x : 0, position ? position->y : 0,
          distance, flags);
    snapWindowPosition(position, distance, flags);
}

Menu* __cdecl MakeNamedMenu(const char* title, const char* menuId, bool popup) {
    trace("MakeNamedMenu(%s,%s,%s)", shown(title), shown(menuId), boolText(popup));
    return asMenu(menuCreate(title, menuId, popup));
}

MenuItem* __cdecl MakeMenuItem(Menu* menu, const char* title, const char* command, bool checked) {
    trace("MakeMenuItem(%s,%s,%s,%d)", menuName(menu), shown(title), shown(command), checked);
    return itemHandle(menuAddCommand(serialOf(menu), title, command, checked));
}

MenuItem* __cdecl MakeMenuItemInt(Menu* menu, const char* title, const char* command, int value,
                                  int minimum, int maximum) {
    trace("MakeMenuItemInt(%s,%s,%s,%d,%d,%d)", menuName(menu), shown(title), shown(command), value,
          minimum, maximum);
    return itemHandle(menuAddNumber(serialOf(menu), title, command, value, minimum, maximum));
}

MenuItem* __cdecl MakeMenuItemString(Menu* menu, const char* title, const char* command,
                                     const char* text) {
    trace("MakeMenuItemString(%s,%s,%s,%s)", menuName(menu), shown(title), shown(command),
          shown(text));
    return itemHandle(menuAddText(serialOf(menu), title, command, text));
}

MenuItem* __cdecl MakeMenuNOP(Menu* menu, const char* title) {
    trace("MakeMenuNOP(%s,%s)", menuName(menu), shown(title));
    return itemHandle(menuAddSeparator(serialOf(menu), title));
}

MenuItem* __cdecl MakeSubmenu(Menu* parent, Menu* child, const char* title) {
    trace("MakeSubmenu(%s,%s,%s)", menuName(parent), menuName(child), shown(title));
    return itemHandle(menuAttach(serialOf(parent), serialOf(child), title));
}

// A menu built without the popup flag only refreshes an open copy.
void __cdecl ShowMenu(Menu* menu) {
    const ShellMenu* shownMenu = findMenu(serialOf(menu));
    bool popup = shownMenu && shownMenu->popup;
    trace("ShowMenu(%s,%s)", menuName(menu), popup ? "popup" : "refresh");
    if (popup) {
        popUpMenu(serialOf(menu));
    } else {
        refreshOpenMenu(serialOf(menu));
    }
}

void __cdecl DelMenu(Menu* menu) {
    trace("DelMenu(%s)", menuName(menu));
    menuRelease(serialOf(menu));
    noteMenuReleased();
}

}  // extern "C"
