#include "menus.h"

#include <map>

static std::map<int, ShellMenu> menus;
static int lastSerial;

static ShellMenu* editableMenu(int serial) {
    auto found = menus.find(serial);
    return found == menus.end() ? NULL : &found->second;
}

const ShellMenu* findMenu(int serial) { return editableMenu(serial); }

int menuCreate(const char* title, const char* menuId, bool popup) {
    ShellMenu& menu = menus[++lastSerial];
    menu.title = title ? title : "";
    menu.id = menuId ? menuId : "";
    menu.popup = popup;
    return lastSerial;
}

static int addItem(int serial, const ShellItem& item) {
    ShellMenu* menu = editableMenu(serial);
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

int menuAddSeparator(int menu, const char* title) {
    return addItem(menu, newItem(ItemSeparator, title, NULL));
}

static bool holds(int ancestor, int wanted) {
    if (ancestor == wanted) return true;
    const ShellMenu* menu = findMenu(ancestor);
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
    const ShellMenu* menu = findMenu(serial);
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
    const ShellMenu* menu = findMenu(serial);
    return menu ? menu->id.c_str() : "(unknown)";
}

static std::string describeItem(const ShellItem& item) {
    const std::string title = " \"" + item.title + "\"";
    switch (item.kind) {
    case ItemCommand: return "item" + title + " " + item.command + (item.checked ? " 1" : " 0");
    case ItemNumber:
        return "int" + title + " " + item.command + " " + std::to_string(item.value) + " [" +
               std::to_string(item.minimum) + "," + std::to_string(item.maximum) + "]";
    case ItemText: return "string" + title + " " + item.command + " \"" + item.text + "\"";
    case ItemSeparator: return "nop" + title;
    case ItemSubmenu: return "submenu" + title;
    }
    return "";
}

std::string describeMenu(int serial, int depth) {
    const ShellMenu* menu = findMenu(serial);
    if (!menu || depth > 16) return "";
    std::string text;
    for (const ShellItem& item : menu->items) {
        text += std::string(depth * 2, ' ') + describeItem(item) + "\n";
        if (item.kind == ItemSubmenu) text += describeMenu(item.submenu, depth + 1);
    }
    return text;
}
