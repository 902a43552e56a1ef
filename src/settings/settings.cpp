#include "settings/settings.h"

#include <stddef.h>

#include <type_traits>

#include "settings/file_time.h"
#include "settings/plugin_info.h"
#include "settings/setting_rows.h"
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

// The rows, as the plugin reads them: each field's place and, for a text,
// its capacity; each type checked against its field's.
template <SettingType type, typename Field> constexpr bool fieldHasType() {
    return type == IntSetting      ? std::is_same<Field, int>::value
           : type == BoolSetting   ? std::is_same<Field, bool>::value
           : type == ColourSetting ? std::is_same<Field, COLORREF>::value
                                   : std::is_same<typename std::remove_extent<Field>::type, char>::value;
}
constexpr int defaultNumberOf(SettingType, int value) { return value; }
constexpr int defaultNumberOf(SettingType type, const char* text) {
    return type == ColourSetting ? (int)colourOfText(text) : 0;
}
constexpr const char* defaultTextOf(int) { return nullptr; }
constexpr const char* defaultTextOf(const char* text) { return text; }

#define FIELD_TYPE(field) std::remove_reference<decltype(state.field)>::type
#define SETTING_ROW(name, type, field, key, older, value, least, most, title, word, item, step)  \
    {key, older, type, offsetof(PluginState, field),                                             \
     type == TextSetting ? (uint16_t)sizeof state.field : (uint16_t)0,                          \
     defaultNumberOf(type, value), defaultTextOf(value), least, most, title},
const SettingRow settingRows[SettingCount] = {SETTING_ROWS(SETTING_ROW)};
#undef SETTING_ROW

#define CHECK_TYPE(name, type, field, ...)                                                    \
    static_assert(fieldHasType<type, FIELD_TYPE(field)>(), #field " is not of its row's type");    \
    static_assert(sizeof state.field <= SourceSettingSize, #field " is longer than a menu shows");
SETTING_ROWS(CHECK_TYPE)
#undef CHECK_TYPE
#undef FIELD_TYPE

int heldToRange(SettingId id, int value) {
    const SettingRow& row = settingRows[id];
    return value < row.least ? row.least : value > row.most ? row.most : value;
}

static void* fieldOf(const SettingRow& row) { return (char*)&state + row.field; }

void* settingField(SettingId id) { return fieldOf(settingRows[id]); }

static void setDefault(const SettingRow& row) {
    void* field = fieldOf(row);
    switch (row.type) {
    case IntSetting: *(int*)field = row.defaultNumber; break;
    case BoolSetting: *(bool*)field = row.defaultNumber != 0; break;
    case ColourSetting: *(COLORREF*)field = (COLORREF)row.defaultNumber; break;
    case TextSetting: copyText((char*)field, row.capacity, row.defaultText); break;
    }
}

// Under the row's key, or where the file has none, under its older key. The
// shell's text stays valid only until its next read: it is copied at once.
static int readNumber(const SettingRow& row) {
    const char* rc = state.rcPath;
    int fallback = row.olderKey ? ReadInt(rc, row.olderKey, row.defaultNumber) : row.defaultNumber;
    return ReadInt(rc, row.key, fallback);
}

static bool readSwitch(const SettingRow& row) {
    const char* rc = state.rcPath;
    bool fallback = row.defaultNumber != 0;
    if (row.olderKey) fallback = ReadBool(rc, row.olderKey, fallback);
    return ReadBool(rc, row.key, fallback);
}

static void readSetting(const SettingRow& row) {
    void* field = fieldOf(row);
    switch (row.type) {
    case IntSetting: *(int*)field = readNumber(row); break;
    case BoolSetting: *(bool*)field = readSwitch(row); break;
    case ColourSetting: *(COLORREF*)field = ReadColor(state.rcPath, row.key, row.defaultText); break;
    case TextSetting:
        copyText((char*)field, row.capacity, ReadString(state.rcPath, row.key, row.defaultText));
        break;
    }
}

static void writeSetting(const SettingRow& row) {
    const char* rc = state.rcPath;
    const void* field = fieldOf(row);
    switch (row.type) {
    case IntSetting: WriteInt(rc, row.key, *(const int*)field); break;
    case BoolSetting: WriteBool(rc, row.key, *(const bool*)field); break;
    case ColourSetting: WriteColor(rc, row.key, *(const COLORREF*)field); break;
    case TextSetting: WriteString(rc, row.key, (const char*)field); break;
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
    for (const SettingRow& row : settingRows) readSetting(row);
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
    for (const SettingRow& row : settingRows) setDefault(row);
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
    for (const SettingRow& row : settingRows) writeSetting(row);
    noteSettingsStamp();
}

void saveSettingsAtEnd() {
    if (settingsEditedOnDisk()) loadSettings();
    saveSettings();
}
