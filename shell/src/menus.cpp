#include "menus.h"

#include <map>
#include <vector>

#include "input_box.h"

enum ItemKind { ItemCommand, ItemNumber, ItemText, ItemSeparator, ItemSubmenu };

struct ShellItem {
    ItemKind kind;
    std::string title;
    std::string command;
    bool checked;
    int value;
    int minimum;
    int maximum;
    std::string text;
    int submenu;
};

struct ShellMenu {
    std::string title;
    std::string id;
    bool popup;
    std::vector<ShellItem> items;
};

static std::map<int, ShellMenu> menus;
static int lastSerial;
static bool popupOpen;

static ShellMenu* findMenu(int serial) {
    auto found = menus.find(serial);
    return found == menus.end() ? NULL : &found->second;
}

int menuCreate(const char* title, const char* menuId, bool popup) {
    ShellMenu& menu = menus[++lastSerial];
    menu.title = title ? title : "";
    menu.id = menuId ? menuId : "";
    menu.popup = popup;
    return lastSerial;
}

static int addItem(int serial, const ShellItem& item) {
    ShellMenu* menu = findMenu(serial);
    if (!menu) return 0;
    menu->items.push_back(item);
    return (int)menu->items.size();
}

static ShellItem newItem(ItemKind kind, const char* title, const char* command) {
    ShellItem item = {kind, title ? title : "", command ? command : "", false, 0, 0, 0, "", 0};
    return item;
}

int menuAddCommand(int menu, const char* title, const char* command, bool checked) {
    ShellItem item = newItem(ItemCommand, title, command);
    item.checked = checked;
    return addItem(menu, item);
}

int menuAddNumber(int menu, const char* title, const char* command, int value, int minimum,
                  int maximum) {
    ShellItem item = newItem(ItemNumber, title, command);
    item.value = value;
    item.minimum = minimum;
    item.maximum = maximum;
    return addItem(menu, item);
}

int menuAddText(int menu, const char* title, const char* command, const char* text) {
    ShellItem item = newItem(ItemText, title, command);
    item.text = text ? text : "";
    return addItem(menu, item);
}

int menuAddSeparator(int menu) { return addItem(menu, newItem(ItemSeparator, NULL, NULL)); }

static bool holds(int ancestor, int wanted) {
    if (ancestor == wanted) return true;
    ShellMenu* menu = findMenu(ancestor);
    if (!menu) return false;
    for (const ShellItem& item : menu->items) {
        if (item.kind == ItemSubmenu && holds(item.submenu, wanted)) return true;
    }
    return false;
}

int menuAttach(int parent, int child, const char* title) {
    if (!findMenu(parent) || !findMenu(child) || holds(child, parent)) return 0;
    ShellItem item = newItem(ItemSubmenu, title, NULL);
    item.submenu = child;
    return addItem(parent, item);
}

void menuRelease(int serial) {
    ShellMenu* menu = findMenu(serial);
    if (!menu) return;
    std::vector<int> children;
    for (const ShellItem& item : menu->items) {
        if (item.kind == ItemSubmenu) children.push_back(item.submenu);
    }
    menus.erase(serial);
    for (int child : children) menuRelease(child);
}

int liveMenuCount() { return (int)menus.size(); }

const char* menuIdOf(int serial) {
    ShellMenu* menu = findMenu(serial);
    return menu ? menu->id.c_str() : "(unknown)";
}

bool menuIsPopup(int serial) {
    ShellMenu* menu = findMenu(serial);
    return menu && menu->popup;
}

// --- popping up -----------------------------------------------------------

// What a chosen Windows menu command id stands for: a copy, so that the tree
// may change while the popup is open.
typedef std::vector<ShellItem> ChoiceTable;

static std::string itemLabel(const ShellItem& item) {
    if (item.kind == ItemNumber) return item.title + ":  " + std::to_string(item.value);
    if (item.kind == ItemText) return item.title + ":  " + item.text;
    return item.title;
}

static HMENU buildWindowsMenu(int serial, ChoiceTable* choices, int depth) {
    HMENU handle = CreatePopupMenu();
    ShellMenu* menu = findMenu(serial);
    if (!menu || depth > 16) return handle;
    for (const ShellItem& item : menu->items) {
        std::string label = itemLabel(item);
        if (item.kind == ItemSeparator) {
            AppendMenuA(handle, MF_SEPARATOR, 0, NULL);
        } else if (item.kind == ItemSubmenu) {
            if (!findMenu(item.submenu)) continue;
            HMENU child = buildWindowsMenu(item.submenu, choices, depth + 1);
            AppendMenuA(handle, MF_POPUP | MF_STRING, (UINT_PTR)child, label.c_str());
        } else {
            choices->push_back(item);
            UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED);
            AppendMenuA(handle, flags, choices->size(), label.c_str());
        }
    }
    return handle;
}

// The command to send for a chosen item, or an empty text when cancelled.
static std::string commandFor(const ShellItem& item, HWND owner) {
    if (item.kind == ItemNumber) {
        int value = item.value;
        if (!askNumber(owner, item.title.c_str(), item.minimum, item.maximum, &value)) return "";
        return item.command + " " + std::to_string(value);
    }
    if (item.kind == ItemText) {
        std::string text = item.text;
        if (!askText(owner, item.title.c_str(), &text)) return "";
        return item.command + " " + text;
    }
    return item.command;
}

void menuPopUp(int serial, HWND owner, void (*send)(const std::string& command)) {
    if (popupOpen || !findMenu(serial)) return;
    ChoiceTable choices;
    HMENU handle = buildWindowsMenu(serial, &choices, 0);
    POINT pointer;
    GetCursorPos(&pointer);
    popupOpen = true;
    SetForegroundWindow(owner);
    UINT chosen = TrackPopupMenu(handle, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, pointer.x,
                                 pointer.y, 0, owner, NULL);
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(handle);
    popupOpen = false;
    if (chosen == 0 || chosen > choices.size()) return;
    std::string command = commandFor(choices[chosen - 1], owner);
    if (!command.empty()) send(command);
}

void menuClosePopup() {
    if (popupOpen) EndMenu();
}
