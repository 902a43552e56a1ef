// A popped-up menu is a chain of windows: the menu itself and the submenus
// opened from it, one level each, kept in `levels`. A window shows its menu
// by serial number and reads the tree whenever it paints or is clicked.
//
// A chosen item's command is posted to the shell's message loop and the
// menus stay open. Plugins never edit a menu in place: after a change they
// release the tree and build a new one, and ShowMenu of a menu built without
// the popup flag hands the new tree to the open chain whose first menu has
// the same id; each level finds its new submenu through the item that opened
// it. A released tree that no refresh has taken over by the time the message
// loop runs again closes its windows.
//
// Number and text items take their value in an edit field laid over the
// item's row; Enter sends the command with the value, Escape drops it. A
// number item's field has a hint under it that gives the item's limits, and
// says why when a value is refused.
// Clicks outside the menus close them, seen through a mouse hook on the
// shell's thread while a menu is open.
#include "menu_windows.h"

#include <string>
#include <vector>

#include "menu_layout.h"
#include "menus.h"
#include "shell.h"
#include "trace.h"

static const char MenuClass[] = "QuorvaneMenu";
static const UINT WmCloseIfReleased = WM_APP + 1;

struct OpenMenu {
    HWND window;
    int serial;
    std::string id;  // kept: the tree may be released before its refresh
    int openedFrom;  // the item of the level above that opened it
    int hot;         // the highlighted item, or -1
};

struct Editor {
    HWND window;
    HWND hint;
    size_t level;
    int item;
    WNDPROC editProc;
};

static std::vector<OpenMenu> levels;
static Editor editor;
static HHOOK clickWatch;

// --- the chain of levels ---------------------------------------------------

static int clientWidth(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return client.right;
}

static bool findLevel(HWND window, size_t* level) {
    for (size_t i = 0; i < levels.size(); ++i) {
        if (levels[i].window == window) {
            *level = i;
            return true;
        }
    }
    return false;
}

static const ShellMenu* menuAt(size_t level) {
    return level < levels.size() ? findMenu(levels[level].serial) : NULL;
}

static const ShellItem* itemAt(size_t level, int item) {
    const ShellMenu* menu = menuAt(level);
    if (!menu || item < 0 || item >= (int)menu->items.size()) return NULL;
    return &menu->items[item];
}

static int itemUnder(size_t level, int y) {
    const ShellMenu* menu = menuAt(level);
    if (!menu) return -1;
    int width = clientWidth(levels[level].window);
    for (int i = 0; i < (int)menu->items.size(); ++i) {
        RECT row = itemRect(*menu, i, width);
        if (y >= row.top && y < row.bottom) return menu->items[i].kind == ItemSeparator ? -1 : i;
    }
    return -1;
}

static void closeEditor() {
    HWND window = editor.window;
    HWND hint = editor.hint;
    editor.window = NULL;
    editor.hint = NULL;
    if (hint) DestroyWindow(hint);
    if (window) DestroyWindow(window);
}

HWND editorHintWindow() { return editor.hint; }

static void stopWatchingClicks() {
    if (clickWatch) UnhookWindowsHookEx(clickWatch);
    clickWatch = NULL;
}

static void closeLevelsFrom(size_t first) {
    if (editor.window && editor.level >= first) closeEditor();
    while (levels.size() > first) {
        HWND window = levels.back().window;
        levels.pop_back();
        DestroyWindow(window);
    }
    if (levels.empty()) stopWatchingClicks();
}

void closeMenus() {
    if (levels.empty()) return;
    closeLevelsFrom(0);
    trace("menus closed");
}

static void setHot(size_t level, int item) {
    if (levels[level].hot == item) return;
    levels[level].hot = item;
    InvalidateRect(levels[level].window, NULL, TRUE);
}

// --- windows ---------------------------------------------------------------

static LRESULT CALLBACK menuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

static void registerMenuClass() {
    WNDCLASSA menuClass = {};
    menuClass.lpfnWndProc = menuProc;
    menuClass.hInstance = shell.instance;
    menuClass.lpszClassName = MenuClass;
    menuClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    RegisterClassA(&menuClass);  // fails harmlessly when already registered
}

// Within the work area of the monitor nearest to the point.
static POINT placeOnScreen(POINT at, SIZE size, int leftAlternative) {
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    if (at.x + size.cx > area.right) at.x = leftAlternative - size.cx;
    if (at.x < area.left) at.x = area.left;
    if (at.y + size.cy > area.bottom) at.y = area.bottom - size.cy;
    if (at.y < area.top) at.y = area.top;
    return at;
}

static HWND createMenuWindow(const ShellMenu& menu, POINT at, int leftAlternative) {
    registerMenuClass();
    SIZE size = menuSize(menu);
    at = placeOnScreen(at, size, leftAlternative);
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, MenuClass, menu.title.c_str(),
                           WS_POPUP, at.x, at.y, size.cx, size.cy, shell.mainWnd, NULL,
                           shell.instance, NULL);
}

static void fitWindowToMenu(size_t level) {
    const ShellMenu* menu = menuAt(level);
    if (!menu) return;
    SIZE size = menuSize(*menu);
    SetWindowPos(levels[level].window, NULL, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(levels[level].window, NULL, TRUE);
}

static int firstSelectable(const ShellMenu& menu) {
    for (int i = 0; i < (int)menu.items.size(); ++i) {
        if (menu.items[i].kind != ItemSeparator) return i;
    }
    return -1;
}

static void openSubmenu(size_t level, int item, bool byKey) {
    const ShellItem* opener = itemAt(level, item);
    if (!opener || opener->kind != ItemSubmenu) return;
    bool open = levels.size() > level + 1 && levels[level + 1].openedFrom == item;
    if (!open) {
        closeLevelsFrom(level + 1);
        const ShellMenu* child = findMenu(opener->submenu);
        if (!child) return;
        RECT parent, row = itemRect(*menuAt(level), item, clientWidth(levels[level].window));
        GetWindowRect(levels[level].window, &parent);
        POINT at = {parent.right - 1, parent.top + row.top};
        HWND window = createMenuWindow(*child, at, parent.left + 1);
        int hot = byKey ? firstSelectable(*child) : -1;
        levels.push_back({window, opener->submenu, child->id, item, hot});
        ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    if (byKey) SetFocus(levels[level + 1].window);
}

static bool belongsToMenus(HWND window) {
    HWND root = GetAncestor(window, GA_ROOT);
    size_t level;
    return findLevel(root, &level) || (root && root == editor.hint);
}

static LRESULT CALLBACK watchClicks(int code, WPARAM message, LPARAM lParam) {
    const MOUSEHOOKSTRUCT* mouse = (const MOUSEHOOKSTRUCT*)lParam;
    bool press = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                 message == WM_MBUTTONDOWN || message == WM_NCLBUTTONDOWN ||
                 message == WM_NCRBUTTONDOWN || message == WM_NCMBUTTONDOWN;
    if (code == HC_ACTION && press && !belongsToMenus(mouse->hwnd)) closeMenus();
    return CallNextHookEx(NULL, code, message, lParam);
}

void popUpMenu(int serial) {
    const ShellMenu* menu = findMenu(serial);
    if (!menu) return;
    closeMenus();
    POINT pointer;
    GetCursorPos(&pointer);
    HWND window = createMenuWindow(*menu, pointer, pointer.x);
    levels.push_back({window, serial, menu->id, -1, -1});
    clickWatch = SetWindowsHookExA(WH_MOUSE, watchClicks, NULL, GetCurrentThreadId());
    ShowWindow(window, SW_SHOW);
    // Active, so that the keyboard reaches it.
    SetForegroundWindow(window);
    trace("menu %s popped up", menu->id.c_str());
}

// Each level takes the submenu that the item which opened it now holds; a
// level whose item no longer leads to a menu of its id closes with the ones
// below it.
bool refreshOpenMenu(int serial) {
    const ShellMenu* menu = findMenu(serial);
    if (levels.empty() || !menu || menu->id != levels[0].id) return false;
    levels[0].serial = serial;
    for (size_t level = 1; level < levels.size(); ++level) {
        const ShellItem* opener = itemAt(level - 1, levels[level].openedFrom);
        if (!opener || opener->kind != ItemSubmenu || menuIdOf(opener->submenu) != levels[level].id) {
            closeLevelsFrom(level);
            break;
        }
        levels[level].serial = opener->submenu;
    }
    const ShellItem* edited = editor.window ? itemAt(editor.level, editor.item) : NULL;
    if (editor.window && (!edited || edited->kind == ItemCommand || edited->kind == ItemSubmenu)) {
        closeEditor();
    }
    for (size_t level = 0; level < levels.size(); ++level) fitWindowToMenu(level);
    trace("open menu %s refreshed", menu->id.c_str());
    return true;
}

void noteMenuReleased() {
    if (!levels.empty()) PostMessageA(levels[0].window, WmCloseIfReleased, 0, 0);
}

static void closeIfReleased() {
    if (!levels.empty() && !findMenu(levels[0].serial)) closeMenus();
}

int openMenuAt(int level) {
    return level >= 0 && level < (int)levels.size() ? levels[level].serial : 0;
}

HWND openMenuWindow(int level) {
    return level >= 0 && level < (int)levels.size() ? levels[level].window : NULL;
}

// --- choosing and editing --------------------------------------------------

// Digits beyond this are out of every int range alike.
static const long long LargestRead = 4294967296LL;

NumberEntry readWholeNumber(const char* text, int minimum, int maximum, int* value) {
    while (*text == ' ') ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (*text < '0' || *text > '9') return NotAWholeNumber;
    long long number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        number = number * 10 + (*text - '0');
        if (number > LargestRead) number = LargestRead;
    }
    while (*text == ' ') ++text;
    if (*text != 0) return NotAWholeNumber;
    if (negative) number = -number;
    if (number < minimum) return BelowMinimum;
    if (number > maximum) return AboveMaximum;
    *value = (int)number;
    return WholeNumber;
}

std::string numberHint(NumberEntry entry, int minimum, int maximum) {
    std::string limits = std::to_string(minimum) + " to " + std::to_string(maximum);
    switch (entry) {
    case NotAWholeNumber: return "Not a whole number: enter " + limits;
    case BelowMinimum: return "Too small: enter " + limits;
    case AboveMaximum: return "Too large: enter " + limits;
    case WholeNumber: break;
    }
    return limits;
}

// Under the field, or above it where the screen ends.
static void showHint(const std::string& text) {
    HDC dc = GetDC(editor.hint);
    HGDIOBJ kept = SelectObject(dc, menuFont());
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size);
    SelectObject(dc, kept);
    ReleaseDC(editor.hint, dc);
    RECT field;
    GetWindowRect(editor.window, &field);
    SIZE box = {size.cx + 8, size.cy + 4};
    POINT at = placeOnScreen({field.left, field.bottom}, box, field.right);
    if (at.y < field.bottom) at.y = field.top - box.cy;
    SetWindowTextA(editor.hint, text.c_str());
    SetWindowPos(editor.hint, HWND_TOPMOST, at.x, at.y, box.cx, box.cy,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

static void createHint(const ShellItem& item) {
    editor.hint = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, "STATIC", "",
                                  WS_POPUP | WS_BORDER | SS_CENTER | SS_NOPREFIX, 0, 0, 0, 0,
                                  levels[editor.level].window, NULL, shell.instance, NULL);
    SendMessageA(editor.hint, WM_SETFONT, (WPARAM)menuFont(), FALSE);
    showHint(numberHint(WholeNumber, item.minimum, item.maximum));
}

static std::wstring widened(const std::string& text, UINT codePage) {
    int size = MultiByteToWideChar(codePage, 0, text.c_str(), (int)text.size(), NULL, 0);
    std::wstring result(size, L'\0');
    MultiByteToWideChar(codePage, 0, text.c_str(), (int)text.size(), &result[0], size);
    return result;
}

static std::string utf8Of(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &result[0], size, NULL, NULL);
    return result;
}

// Plugins hand their values over in the ANSI code page. A value sent back as
// it was shown goes back as those very bytes; one typed anew goes in UTF-8,
// so that characters the code page lacks reach the plugin, as in commands.
static std::string editorText(const ShellItem& item) {
    std::wstring text(GetWindowTextLengthW(editor.window) + 1, L'\0');
    GetWindowTextW(editor.window, &text[0], (int)text.size());
    text.resize(text.size() - 1);
    std::string shown = valueText(item);
    return text == widened(shown, CP_ACP) ? shown : utf8Of(text);
}

// A number outside the item's limits is refused, says why, and stays to be
// corrected.
static void acceptEdit() {
    const ShellItem* item = itemAt(editor.level, editor.item);
    if (!item) {
        closeEditor();
        return;
    }
    std::string text = editorText(*item);
    int number = 0;
    NumberEntry entry = WholeNumber;
    if (item->kind == ItemNumber) {
        entry = readWholeNumber(text.c_str(), item->minimum, item->maximum, &number);
    }
    if (entry != WholeNumber) {
        std::string why = numberHint(entry, item->minimum, item->maximum);
        trace("menu item \"%s\" refused \"%s\": %s", item->title.c_str(), text.c_str(), why.c_str());
        showHint(why);
        MessageBeep(MB_ICONEXCLAMATION);
        SendMessageA(editor.window, EM_SETSEL, 0, -1);
        return;
    }
    closeEditor();
    postShellCommand(item->command + " " + (item->kind == ItemNumber ? std::to_string(number) : text));
}

static bool onEditorKey(WPARAM key) {
    if (key == VK_RETURN) acceptEdit();
    if (key == VK_ESCAPE) closeEditor();
    return key == VK_RETURN || key == VK_ESCAPE;
}

static LRESULT CALLBACK editorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN: if (onEditorKey(wParam)) return 0; break;
    case WM_CHAR: if (wParam == '\r' || wParam == 27) return 0; break;  // no beep
    }
    return CallWindowProcW(editor.editProc, window, message, wParam, lParam);
}

static void startEditing(size_t level, int item) {
    closeEditor();
    const ShellItem* entry = itemAt(level, item);
    HWND menuWindow = levels[level].window;
    RECT field = editorRect(*entry, itemRect(*menuAt(level), item, clientWidth(menuWindow)));
    HWND window = CreateWindowExW(0, L"EDIT", widened(valueText(*entry), CP_ACP).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, field.left,
                                  field.top, field.right - field.left, field.bottom - field.top,
                                  menuWindow, NULL, shell.instance, NULL);
    SendMessageA(window, WM_SETFONT, (WPARAM)menuFont(), FALSE);
    editor.window = window;
    editor.level = level;
    editor.item = item;
    editor.editProc = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)editorProc);
    if (entry->kind == ItemNumber) createHint(*entry);
    SendMessageA(window, EM_SETSEL, 0, -1);
    SetForegroundWindow(menuWindow);
    SetFocus(window);
}

static void chooseItem(size_t level, int item) {
    const ShellItem* entry = itemAt(level, item);
    if (!entry) return;
    switch (entry->kind) {
    case ItemCommand:
        trace("menu item \"%s\" sends \"%s\"", entry->title.c_str(), entry->command.c_str());
        postShellCommand(entry->command);
        break;
    case ItemNumber:
    case ItemText: startEditing(level, item); break;
    case ItemSubmenu: openSubmenu(level, item, true); break;
    case ItemSeparator: break;
    }
}

// --- mouse and keys --------------------------------------------------------

static void onPointerAt(HWND window, int y) {
    size_t level;
    if (!findLevel(window, &level)) return;
    int item = itemUnder(level, y);
    if (item < 0) return;
    setHot(level, item);
    const ShellItem* entry = itemAt(level, item);
    if (entry->kind == ItemSubmenu) {
        openSubmenu(level, item, false);
    } else {
        closeLevelsFrom(level + 1);
    }
}

static void onClick(HWND window, int y) {
    size_t level;
    if (findLevel(window, &level)) chooseItem(level, itemUnder(level, y));
}

static void moveHot(size_t level, int step) {
    const ShellMenu* menu = menuAt(level);
    int count = menu ? (int)menu->items.size() : 0;
    int item = levels[level].hot;
    for (int tried = 0; tried < count; ++tried) {
        item = ((item < 0 && step < 0 ? 0 : item) + step + count) % count;
        if (menu->items[item].kind != ItemSeparator) break;
    }
    if (count > 0) setHot(level, item);
}

static void backToParent(size_t level) {
    if (level == 0) return;
    closeLevelsFrom(level);
    SetFocus(levels[level - 1].window);
}

static void onMenuKey(HWND window, WPARAM key) {
    size_t level;
    if (!findLevel(window, &level)) return;
    int hot = levels[level].hot;
    switch (key) {
    case VK_UP: moveHot(level, -1); break;
    case VK_DOWN: moveHot(level, 1); break;
    case VK_RIGHT: openSubmenu(level, hot, true); break;
    case VK_RETURN: chooseItem(level, hot); break;
    case VK_LEFT: backToParent(level); break;
    case VK_ESCAPE: closeMenus(); break;
    }
}

static void paintMenu(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    size_t level;
    const ShellMenu* menu = findLevel(window, &level) ? menuAt(level) : NULL;
    RECT client;
    GetClientRect(window, &client);
    if (menu) drawMenu(dc, *menu, levels[level].hot, client);
    EndPaint(window, &paint);
}

static LRESULT CALLBACK menuProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: paintMenu(window); return 0;
    case WM_MOUSEMOVE: onPointerAt(window, (short)HIWORD(lParam)); return 0;
    case WM_LBUTTONUP: onClick(window, (short)HIWORD(lParam)); return 0;
    case WM_RBUTTONUP: closeMenus(); return 0;
    case WM_KEYDOWN: onMenuKey(window, wParam); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ACTIVATEAPP: if (!wParam) closeMenus(); return 0;
    case WmCloseIfReleased: closeIfReleased(); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
