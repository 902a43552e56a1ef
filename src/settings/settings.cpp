#include "settings/settings.h"

#include <stddef.h>

#include "settings/plugin_info.h"
#include "settings/state.h"
#include "settings/text.h"
#include "text/newest_file.h"

PluginState state;

static const char SettingsName[] = "qvperuser.rc";
static const char SettingsNameNoDot[] = "qvperuserrc";

static bool findSettingsIn(const char* folder) {
    char candidate[RcPathSize];
    if (joinText(candidate, RcPathSize, folder, SettingsName) && FileExists(candidate)) {
        return copyText(state.rcPath, RcPathSize, candidate);
    }
    if (joinText(candidate, RcPathSize, folder, SettingsNameNoDot) && FileExists(candidate)) {
        return copyText(state.rcPath, RcPathSize, candidate);
    }
    return false;
}

enum SettingKind { IntSetting, BoolSetting, ColourSetting, TextSetting };

// One persistent setting: the key it is written under, where its field lies
// in the state record, and its default. Colours have their default both as
// a value and as the text the shell converts.
struct Setting {
    const char* key;
    uint32_t field;
    int defaultValue;
    const char* defaultText;
    uint16_t capacity;  // of a text field
    uint8_t kind;       // SettingKind
};

#define NUMBER_SETTING(kind, key, field, value) \
    {key, offsetof(PluginState, field), value, NULL, 0, kind}
#define COLOUR_SETTING(key, field, value, text) \
    {key, offsetof(PluginState, field), (int)value, text, 0, ColourSetting}
#define TEXT_SETTING(key, field, text) \
    {key, offsetof(PluginState, field), 0, text, sizeof state.field, TextSetting}

// In the order they are read and written.
static const Setting settings[] = {
    NUMBER_SETTING(IntSetting, "qvperuser.x:", x, 10),
    NUMBER_SETTING(IntSetting, "qvperuser.y:", y, 10),
    NUMBER_SETTING(IntSetting, "qvperuser.width:", width, 120),
    NUMBER_SETTING(IntSetting, "qvperuser.height:", height, 80),
    NUMBER_SETTING(IntSetting, "qvperuser.edgeSize:", edgeSize, 4),
    NUMBER_SETTING(IntSetting, "qvperuser.fontHeight:", fontHeight, 12),
    NUMBER_SETTING(IntSetting, "qvperuser.alpha:", alpha, 160),
    NUMBER_SETTING(IntSetting, "qvperuser.styleType:", styleType, 1),
    NUMBER_SETTING(IntSetting, "qvperuser.reloadInterval(sec):", reloadInterval, 120),
    NUMBER_SETTING(BoolSetting, "qvperuser.alwaysontop:", alwaysontop, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.transparency:", transparency, false),
    // Written under the camel-case key, read under the lower-case one (readKey).
    NUMBER_SETTING(BoolSetting, "qvperuser.snapWindow:", snapWindow, true),
    NUMBER_SETTING(BoolSetting, "qvperuser.pluginToggle:", pluginToggle, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.inSlit:", inSlit, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.showBorder:", showBorder, true),
    NUMBER_SETTING(BoolSetting, "qvperuser.showScroll:", showScroll, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.lockPos:", lockPos, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.wordWrap:", wordWrap, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.autoHide:", autoHide, false),
    NUMBER_SETTING(BoolSetting, "qvperuser.autoReload:", autoReload, false),
    COLOUR_SETTING("qvperuser.fontColor:", fontColor, RGB(0, 0, 0), "#000000"),
    COLOUR_SETTING("qvperuser.backColor:", backColor, RGB(255, 255, 255), "#FFFFFF"),
    TEXT_SETTING("qvperuser.font:", font, "Tahoma"),
    TEXT_SETTING("qvperuser.filePath:", filePath, "readme.txt"),
    NUMBER_SETTING(IntSetting, "qvperuser.readBufferSize:", readBufferSize, 512),
    TEXT_SETTING("qvperuser.encoding:", encoding, "auto"),
    NUMBER_SETTING(IntSetting, "qvperuser.lines:", lines, 0),
    TEXT_SETTING("qvperuser.filterShow:", filterShow, ""),
    TEXT_SETTING("qvperuser.filterHide:", filterHide, ""),
    NUMBER_SETTING(IntSetting, "qvperuser.scanLimit:", scanLimit, 4194304),
    NUMBER_SETTING(BoolSetting, "qvperuser.highlight:", highlight, true),
    TEXT_SETTING("qvperuser.highlight1:", highlightRules[0],
                 "#C00000 ERROR|FATAL|CRITICAL|Exception|Traceback"),
    TEXT_SETTING("qvperuser.highlight2:", highlightRules[1], "#A05A00 WARN"),
    TEXT_SETTING("qvperuser.highlight3:", highlightRules[2], ""),
    TEXT_SETTING("qvperuser.highlight4:", highlightRules[3], ""),
    TEXT_SETTING("qvperuser.highlight5:", highlightRules[4], ""),
    TEXT_SETTING("qvperuser.highlight6:", highlightRules[5], ""),
    TEXT_SETTING("qvperuser.highlight7:", highlightRules[6], ""),
    TEXT_SETTING("qvperuser.highlight8:", highlightRules[7], ""),
    NUMBER_SETTING(BoolSetting, "qvperuser.alertSound:", alertSound, false),
    NUMBER_SETTING(IntSetting, "qvperuser.alertQuiet(sec):", alertQuiet, 10),
    NUMBER_SETTING(IntSetting, "qvperuser.rescan(sec):", rescan, 10),
    NUMBER_SETTING(BoolSetting, "qvperuser.hideOverFullscreen:", hideOverFullscreen, false),
    TEXT_SETTING("qvperuser.label:", label, ""),
    TEXT_SETTING("qvperuser.source2:", sourceSettings[0], ""),
    TEXT_SETTING("qvperuser.source3:", sourceSettings[1], ""),
    TEXT_SETTING("qvperuser.source4:", sourceSettings[2], ""),
    NUMBER_SETTING(BoolSetting, "qvperuser.statusLine:", statusLine, false),
    NUMBER_SETTING(IntSetting, "qvperuser.staleAfter(min):", staleAfter, 0),
    COLOUR_SETTING("qvperuser.staleColor:", staleColor, RGB(0x80, 0x80, 0x80), "#808080"),
    NUMBER_SETTING(BoolSetting, "qvperuser.multiLine:", multiLine, true),
};

#undef NUMBER_SETTING
#undef COLOUR_SETTING
#undef TEXT_SETTING

static void* fieldOf(const Setting& setting) { return (char*)&state + setting.field; }

// Files written by earlier versions have the snapWindow setting's key in
// lower case; it is read so, and written in camel case.
static const char* readKey(const Setting& setting) {
    return setting.field == offsetof(PluginState, snapWindow) ? "qvperuser.snapwindow:" : setting.key;
}

static void setDefault(const Setting& setting) {
    void* field = fieldOf(setting);
    switch (setting.kind) {
    case IntSetting: *(int*)field = setting.defaultValue; break;
    case BoolSetting: *(bool*)field = setting.defaultValue != 0; break;
    case ColourSetting: *(COLORREF*)field = (COLORREF)setting.defaultValue; break;
    case TextSetting: copyText((char*)field, setting.capacity, setting.defaultText); break;
    }
}

// The shell's text stays valid only until its next read: it is copied at once.
static void readSetting(const Setting& setting) {
    const char* rc = state.rcPath;
    const char* key = readKey(setting);
    void* field = fieldOf(setting);
    switch (setting.kind) {
    case IntSetting: *(int*)field = ReadInt(rc, key, setting.defaultValue); break;
    case BoolSetting: *(bool*)field = ReadBool(rc, key, setting.defaultValue != 0); break;
    case ColourSetting: *(COLORREF*)field = ReadColor(rc, key, setting.defaultText); break;
    case TextSetting:
        copyText((char*)field, setting.capacity, ReadString(rc, key, setting.defaultText));
        break;
    }
}

static void writeSetting(const Setting& setting) {
    const char* rc = state.rcPath;
    const char* key = setting.key;
    const void* field = fieldOf(setting);
    switch (setting.kind) {
    case IntSetting: WriteInt(rc, key, *(const int*)field); break;
    case BoolSetting: WriteBool(rc, key, *(const bool*)field); break;
    case ColourSetting: WriteColor(rc, key, *(const COLORREF*)field); break;
    case TextSetting: WriteString(rc, key, (const char*)field); break;
    }
}

static bool findSettingsStamp(ULONGLONG* time, ULONGLONG* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!state.rcPath[0] || !GetFileAttributesExA(state.rcPath, GetFileExInfoStandard, &data)) {
        return false;
    }
    *time = fileTimeNumber(data.ftLastWriteTime);
    *size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return true;
}

// Before the file is read, so that an edit made while it is read is found later.
static void noteSettingsStamp() {
    if (!findSettingsStamp(&state.settingsTime, &state.settingsSize)) {
        state.settingsTime = state.settingsSize = 0;
    }
}

bool settingsEditedOnDisk() {
    ULONGLONG time = 0, size = 0;
    return findSettingsStamp(&time, &size) &&
           (time != state.settingsTime || size != state.settingsSize);
}

// The place is kept as stored, wherever it lies: the window is placed on the
// monitors there are when it is shown (viewer/placement.h).
static void readSettings() {
    noteSettingsStamp();
    for (const Setting& setting : settings) readSetting(setting);
}

bool getPluginFolder(char* folder, int capacity) {
    DWORD length = GetModuleFileNameA(state.hInstance, folder, capacity);
    if (capacity <= 0 || length == 0 || length >= (DWORD)capacity) {
        if (capacity > 0) folder[0] = 0;
        return false;
    }
    folder[length] = 0;
    cutToFolder(folder);
    return true;
}

bool getPluginFolder(WCHAR* folder, int capacity) {
    DWORD length = GetModuleFileNameW(state.hInstance, folder, capacity);
    if (capacity <= 0 || length == 0 || length >= (DWORD)capacity) {
        if (capacity > 0) folder[0] = 0;
        return false;
    }
    folder[length] = 0;
    folder[fileNameStart(folder)] = 0;
    return true;
}

// Said once, as the start-up failures are: without a path, no change can be kept.
static void reportSettingsPathTooLong(const char* folder) {
    char text[FilePathSize + 64];
    joinText(text, sizeof text, "The settings cannot be kept, their path is too long: ", folder);
    int length = textLength(text);
    copyText(text + length, (int)sizeof text - length, SettingsName);
    MessageBoxA(state.hostWnd, text, PluginName, ErrorBoxFlags);
}

// A new file goes beside the plugin, or to the shell's folder when the
// plugin's folder is unknown or too long for the settings path.
static void createSettingsFile(const char* pluginFolder, const char* shellFolder) {
    for (const Setting& setting : settings) setDefault(setting);
    if ((pluginFolder[0] && joinText(state.rcPath, RcPathSize, pluginFolder, SettingsName)) ||
        joinText(state.rcPath, RcPathSize, shellFolder, SettingsName)) {
        saveSettings();
        return;
    }
    reportSettingsPathTooLong(pluginFolder[0] ? pluginFolder : shellFolder);
}

void loadSettings() {
    char pluginFolder[FilePathSize];
    bool found = getPluginFolder(pluginFolder, FilePathSize) && findSettingsIn(pluginFolder);
    char shellFolder[RcPathSize] = {0};
    if (!found) {
        GetQuorvanePath(shellFolder, RcPathSize);
        shellFolder[RcPathSize - 1] = 0;
        found = findSettingsIn(shellFolder);
    }
    if (found) {
        readSettings();
    } else {
        createSettingsFile(pluginFolder, shellFolder);
    }
}

// Never to a name that is empty or cut.
void saveSettings() {
    if (!state.rcPath[0]) return;
    for (const Setting& setting : settings) writeSetting(setting);
    noteSettingsStamp();
}

void saveSettingsAtEnd() {
    if (settingsEditedOnDisk()) loadSettings();
    saveSettings();
}
