#include "support/fake_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>

#include "host/host.h"
#include "settings_store.h"

namespace fake {

std::vector<std::string> calls;
static std::string shellFolder;
static HWND hostWindow;
static std::vector<std::unique_ptr<FakeMenu>> menus;
static FakeMenu* lastShown;
static bool styleKnown[7] = {false, true, true, true, true, true, true};
static unsigned char styleRecords[7][StyleRecordSize];

void reset() {
    calls.clear();
    menus.clear();
    lastShown = nullptr;
    for (int i = 1; i <= 6; ++i) styleKnown[i] = true;
}

std::vector<std::string> callsStartingWith(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.compare(0, prefix.size(), prefix) == 0) found.push_back(call);
    }
    return found;
}

int countCalls(const std::string& prefix) { return (int)callsStartingWith(prefix).size(); }

int findCall(const std::string& prefix, int from) {
    for (int i = from; i < (int)calls.size(); ++i) {
        if (calls[i].compare(0, prefix.size(), prefix) == 0) return i;
    }
    return -1;
}

void setShellFolder(const std::string& folder) { shellFolder = folder; }
void setHostWindow(HWND window) { hostWindow = window; }

static std::string text(const char* value) { return value ? value : "(null)"; }

static void record(const std::string& name, const std::vector<std::string>& args) {
    std::string call = name + "(";
    for (size_t i = 0; i < args.size(); ++i) call += (i ? "," : "") + args[i];
    calls.push_back(call + ")");
}

// --- settings files -------------------------------------------------------

// Read and replaced as the shell does, through its settings store, so that a
// file held while the plugin starts is kept the same way.
static std::vector<std::string> readLines(const std::string& file) {
    std::string text, newline;
    if (!readSettingsFile(file.c_str(), &text)) return {};
    return splitLines(text, &newline);
}

static bool sameKey(const std::string& line, const std::string& key) {
    if (line.size() < key.size()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        if (tolower((unsigned char)line[i]) != tolower((unsigned char)key[i])) return false;
    }
    return true;
}

static bool lookUp(const std::string& file, const std::string& key, std::string* value) {
    for (const std::string& line : readLines(file)) {
        if (!sameKey(line, key)) continue;
        size_t start = line.find_first_not_of(' ', key.size());
        *value = start == std::string::npos ? "" : line.substr(start);
        return true;
    }
    return false;
}

std::string readSetting(const std::string& file, const std::string& key) {
    std::string value;
    return lookUp(file, key, &value) ? value : "(missing)";
}

std::vector<std::string> settingKeys(const std::string& file) {
    std::vector<std::string> keys;
    for (const std::string& line : readLines(file)) {
        size_t colon = line.find(':');
        if (colon != std::string::npos) keys.push_back(line.substr(0, colon + 1));
    }
    return keys;
}

static void store(const std::string& file, const std::string& key, const std::string& value) {
    std::vector<std::string> lines = readLines(file);
    bool replaced = false;
    for (std::string& line : lines) {
        if (!replaced && sameKey(line, key)) {
            line = key + " " + value;
            replaced = true;
        }
    }
    if (!replaced) lines.push_back(key + " " + value);
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    replaceFileAtomically(file.c_str(), text);
}

static std::string colourText(COLORREF colour) {
    char buffer[8];
    snprintf(buffer, sizeof buffer, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour),
             GetBValue(colour));
    return buffer;
}

static COLORREF parseColour(const std::string& value) {
    unsigned r = 0, g = 0, b = 0;
    if (sscanf(value.c_str(), "#%2x%2x%2x", &r, &g, &b) != 3) return 0;
    return RGB(r, g, b);
}

// --- styles and menus -----------------------------------------------------

COLORREF styleColour(int index) { return RGB(40 * index, 200 - 20 * index, 30 + 30 * index); }
void setStyleKnown(int index, bool known) {
    if (index >= 1 && index <= 6) styleKnown[index] = known;
}

static FakeMenu* asFake(Menu* menu) { return reinterpret_cast<FakeMenu*>(menu); }

static std::string menuName(Menu* menu) { return menu ? asFake(menu)->id : "(null)"; }

static void addEntry(Menu* menu, const MenuEntry& entry) {
    if (menu) asFake(menu)->entries.push_back(entry);
}

int liveMenuCount() {
    int live = 0;
    for (const auto& menu : menus) live += menu->released ? 0 : 1;
    return live;
}

void forgetReleasedMenus() {
    std::vector<const FakeMenu*> referenced;
    for (const auto& menu : menus) {
        if (menu->released) continue;
        for (const MenuEntry& entry : menu->entries) referenced.push_back(entry.child);
    }
    std::vector<std::unique_ptr<FakeMenu>> kept;
    for (auto& menu : menus) {
        bool stillNamed = std::find(referenced.begin(), referenced.end(), menu.get()) != referenced.end();
        if (!menu->released || stillNamed || menu.get() == lastShown) kept.push_back(std::move(menu));
    }
    menus.swap(kept);
}

FakeMenu* shownMenu() { return lastShown; }

std::string describeMenu(const FakeMenu* menu, int depth) {
    std::ostringstream out;
    std::string indent(depth * 2, ' ');
    for (const MenuEntry& entry : menu->entries) {
        out << indent << entry.kind << " \"" << entry.title << "\"";
        if (entry.kind == "item") out << " " << entry.command << " " << entry.value;
        if (entry.kind == "int") {
            out << " " << entry.command << " " << entry.value << " [" << entry.minimum << ","
                << entry.maximum << "]";
        }
        if (entry.kind == "string") out << " " << entry.command << " \"" << entry.text << "\"";
        out << "\n";
        if (entry.child) out << describeMenu(entry.child, depth + 1);
    }
    return out.str();
}

static void release(FakeMenu* menu) {
    menu->released = true;
    for (MenuEntry& entry : menu->entries) {
        if (entry.child && !entry.child->released) release(entry.child);
    }
}

}  // namespace fake

using namespace fake;

extern "C" {

HWND __cdecl GetQVWnd(void) {
    record("GetQVWnd", {});
    return hostWindow;
}

char* __cdecl GetQuorvanePath(char* buffer, int size) {
    record("GetQuorvanePath", {std::to_string(size)});
    snprintf(buffer, size, "%s", shellFolder.c_str());
    return buffer;
}

bool __cdecl FileExists(const char* path) {
    record("FileExists", {text(path)});
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int __cdecl ReadInt(const char* file, const char* key, int defaultValue) {
    record("ReadInt", {text(file), text(key), std::to_string(defaultValue)});
    std::string value;
    return lookUp(file, key, &value) ? atoi(value.c_str()) : defaultValue;
}

bool __cdecl ReadBool(const char* file, const char* key, bool defaultValue) {
    record("ReadBool", {text(file), text(key), defaultValue ? "true" : "false"});
    std::string value;
    if (!lookUp(file, key, &value)) return defaultValue;
    return value == "true" || value == "1";
}

COLORREF __cdecl ReadColor(const char* file, const char* key, const char* defaultText) {
    record("ReadColor", {text(file), text(key), text(defaultText)});
    std::string value;
    return parseColour(lookUp(file, key, &value) ? value : text(defaultText));
}

const char* __cdecl ReadString(const char* file, const char* key, const char* defaultText) {
    record("ReadString", {text(file), text(key), text(defaultText)});
    static std::string last;
    std::string value;
    last = lookUp(file, key, &value) ? value : text(defaultText);
    return last.c_str();
}

void __cdecl WriteInt(const char* file, const char* key, int value) {
    record("WriteInt", {text(file), text(key), std::to_string(value)});
    store(file, key, std::to_string(value));
}

void __cdecl WriteBool(const char* file, const char* key, bool value) {
    record("WriteBool", {text(file), text(key), value ? "true" : "false"});
    store(file, key, value ? "true" : "false");
}

void __cdecl WriteColor(const char* file, const char* key, COLORREF value) {
    record("WriteColor", {text(file), text(key), colourText(value)});
    store(file, key, colourText(value));
}

void __cdecl WriteString(const char* file, const char* key, const char* value) {
    record("WriteString", {text(file), text(key), text(value)});
    store(file, key, text(value));
}

BOOL __cdecl QVExecute(HWND owner, const char* operation, const char* file,
                       const char* arguments, const char* directory, int showCommand,
                       bool quiet) {
    char ownerText[32];
    snprintf(ownerText, sizeof ownerText, "%p", (void*)owner);
    record("QVExecute", {ownerText, text(operation), text(file), text(arguments), text(directory),
                         std::to_string(showCommand), quiet ? "true" : "false"});
    return TRUE;
}

void* __cdecl GetSettingPtr(int styleIndex) {
    record("GetSettingPtr", {std::to_string(styleIndex)});
    if (styleIndex < 1 || styleIndex > 6 || !styleKnown[styleIndex]) return nullptr;
    unsigned char* record = styleRecords[styleIndex];
    memset(record, styleIndex, StyleRecordSize);
    COLORREF colour = styleColour(styleIndex);
    memcpy(record, &colour, sizeof colour);
    return record;
}

// Paints the style's colour, and a one-pixel black border when asked.
void __cdecl MakeStyleGradient(HDC dc, RECT* rect, void* style, bool border) {
    record("MakeStyleGradient", {std::to_string(rect->right - rect->left) + "x" +
                                     std::to_string(rect->bottom - rect->top),
                                 border ? "true" : "false"});
    COLORREF colour;
    memcpy(&colour, style, sizeof colour);
    HBRUSH fill = CreateSolidBrush(colour);
    FillRect(dc, rect, fill);
    DeleteObject(fill);
    if (border) {
        HBRUSH frame = CreateSolidBrush(RGB(0, 0, 0));
        FrameRect(dc, rect, frame);
        DeleteObject(frame);
    }
}

void __cdecl MakeSticky(HWND window) {
    char handle[32];
    snprintf(handle, sizeof handle, "%p", (void*)window);
    record("MakeSticky", {handle});
}

void __cdecl RemoveSticky(HWND window) {
    char handle[32];
    snprintf(handle, sizeof handle, "%p", (void*)window);
    record("RemoveSticky", {handle});
}

void __cdecl SnapWindowToEdge(WINDOWPOS* position, int distance, unsigned flags) {
    record("SnapWindowToEdge", {std::to_string(position->x) + "," + std::to_string(position->y),
                                std::to_string(distance), std::to_string(flags)});
}

Menu* __cdecl MakeNamedMenu(const char* title, const char* menuId, bool popup) {
    record("MakeNamedMenu", {text(title), text(menuId), popup ? "true" : "false"});
    menus.push_back(std::make_unique<FakeMenu>());
    FakeMenu* menu = menus.back().get();
    menu->title = text(title);
    menu->id = text(menuId);
    menu->popup = popup;
    return reinterpret_cast<Menu*>(menu);
}

MenuItem* __cdecl MakeMenuItem(Menu* menu, const char* title, const char* command, bool checked) {
    record("MakeMenuItem", {menuName(menu), text(title), text(command), checked ? "1" : "0"});
    MenuEntry entry;
    entry.kind = "item";
    entry.title = text(title);
    entry.command = text(command);
    entry.value = checked;
    addEntry(menu, entry);
    return nullptr;
}

MenuItem* __cdecl MakeMenuItemInt(Menu* menu, const char* title, const char* command, int value,
                                  int minimum, int maximum) {
    record("MakeMenuItemInt", {menuName(menu), text(title), text(command), std::to_string(value),
                               std::to_string(minimum), std::to_string(maximum)});
    MenuEntry entry;
    entry.kind = "int";
    entry.title = text(title);
    entry.command = text(command);
    entry.value = value;
    entry.minimum = minimum;
    entry.maximum = maximum;
    addEntry(menu, entry);
    return nullptr;
}

MenuItem* __cdecl MakeMenuItemString(Menu* menu, const char* title, const char* command,
                                     const char* initial) {
    record("MakeMenuItemString", {menuName(menu), text(title), text(command), text(initial)});
    MenuEntry entry;
    entry.kind = "string";
    entry.title = text(title);
    entry.command = text(command);
    entry.text = text(initial);
    addEntry(menu, entry);
    return nullptr;
}

MenuItem* __cdecl MakeMenuNOP(Menu* menu, const char* title) {
    record("MakeMenuNOP", {menuName(menu), text(title)});
    MenuEntry entry;
    entry.kind = "nop";
    addEntry(menu, entry);
    return nullptr;
}

MenuItem* __cdecl MakeSubmenu(Menu* parent, Menu* child, const char* title) {
    record("MakeSubmenu", {menuName(parent), menuName(child), text(title)});
    MenuEntry entry;
    entry.kind = "submenu";
    entry.title = text(title);
    entry.child = asFake(child);
    if (child) asFake(child)->attached = true;
    addEntry(parent, entry);
    return nullptr;
}

void __cdecl ShowMenu(Menu* menu) {
    record("ShowMenu", {menuName(menu), menu && asFake(menu)->popup ? "popup" : "refresh"});
    lastShown = asFake(menu);
}

void __cdecl DelMenu(Menu* menu) {
    record("DelMenu", {menuName(menu)});
    if (menu) release(asFake(menu));
    if (lastShown == asFake(menu)) lastShown = nullptr;
}

}  // extern "C"
