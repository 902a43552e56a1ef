#include "settings/settings.h"

#include "settings/setting_values.h"
#include "settings/state.h"
#include "settings/text.h"

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

static void setDefaults() {
    state.x = 10;
    state.y = 10;
    state.width = 120;
    state.height = 80;
    state.edgeSize = 4;
    state.fontHeight = 12;
    state.alpha = 160;
    state.styleType = 1;
    state.reloadInterval = 120;
    state.alwaysontop = false;
    state.transparency = false;
    state.snapWindow = true;
    state.pluginToggle = false;
    state.inSlit = false;
    state.showBorder = true;
    state.showScroll = false;
    state.lockPos = false;
    state.wordWrap = false;
    state.autoHide = false;
    state.autoReload = false;
    state.fontColor = RGB(0, 0, 0);
    state.backColor = RGB(255, 255, 255);
    copyText(state.font, FontNameSize, "Tahoma");
    copyText(state.filePath, FilePathSize, "readme.txt");
    state.readBufferSize = 512;
}

static void readSettings() {
    const char* rc = state.rcPath;
    state.x = ReadInt(rc, "qvperuser.x:", 10);
    state.y = ReadInt(rc, "qvperuser.y:", 10);
    state.x = positionOnScreen(state.x, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    state.y = positionOnScreen(state.y, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    state.width = ReadInt(rc, "qvperuser.width:", 120);
    state.height = ReadInt(rc, "qvperuser.height:", 80);
    state.edgeSize = ReadInt(rc, "qvperuser.edgeSize:", 4);
    state.fontHeight = ReadInt(rc, "qvperuser.fontHeight:", 12);
    state.alpha = ReadInt(rc, "qvperuser.alpha:", 160);
    state.styleType = ReadInt(rc, "qvperuser.styleType:", 1);
    state.reloadInterval = ReadInt(rc, "qvperuser.reloadInterval(sec):", 120);
    state.alwaysontop = ReadBool(rc, "qvperuser.alwaysontop:", false);
    state.transparency = ReadBool(rc, "qvperuser.transparency:", false);
    // Read under the lower-case key and written under the camel-case one, as
    // files written by earlier versions have it.
    state.snapWindow = ReadBool(rc, "qvperuser.snapwindow:", true);
    state.pluginToggle = ReadBool(rc, "qvperuser.pluginToggle:", false);
    state.inSlit = ReadBool(rc, "qvperuser.inSlit:", false);
    state.showBorder = ReadBool(rc, "qvperuser.showBorder:", true);
    state.showScroll = ReadBool(rc, "qvperuser.showScroll:", false);
    state.lockPos = ReadBool(rc, "qvperuser.lockPos:", false);
    state.wordWrap = ReadBool(rc, "qvperuser.wordWrap:", false);
    state.autoHide = ReadBool(rc, "qvperuser.autoHide:", false);
    state.autoReload = ReadBool(rc, "qvperuser.autoReload:", false);
    state.fontColor = ReadColor(rc, "qvperuser.fontColor:", "#000000");
    state.backColor = ReadColor(rc, "qvperuser.backColor:", "#FFFFFF");
    copyText(state.font, FontNameSize, ReadString(rc, "qvperuser.font:", "Tahoma"));
    copyText(state.filePath, FilePathSize, ReadString(rc, "qvperuser.filePath:", "readme.txt"));
    state.readBufferSize = ReadInt(rc, "qvperuser.readBufferSize:", 512);
}

void loadSettings() {
    char pluginFolder[RcPathSize];
    GetModuleFileNameA(state.hInstance, pluginFolder, RcPathSize);
    pluginFolder[RcPathSize - 1] = 0;
    cutToFolder(pluginFolder);

    char shellFolder[RcPathSize] = {0};
    bool found = findSettingsIn(pluginFolder);
    if (!found) {
        GetQuorvanePath(shellFolder, RcPathSize);
        shellFolder[RcPathSize - 1] = 0;
        found = findSettingsIn(shellFolder);
    }
    if (found) {
        readSettings();
        return;
    }
    joinText(state.rcPath, RcPathSize, pluginFolder, SettingsName);
    setDefaults();
    saveSettings();
}

void saveSettings() {
    const char* rc = state.rcPath;
    WriteInt(rc, "qvperuser.x:", state.x);
    WriteInt(rc, "qvperuser.y:", state.y);
    WriteInt(rc, "qvperuser.width:", state.width);
    WriteInt(rc, "qvperuser.height:", state.height);
    WriteInt(rc, "qvperuser.edgeSize:", state.edgeSize);
    WriteInt(rc, "qvperuser.fontHeight:", state.fontHeight);
    WriteInt(rc, "qvperuser.alpha:", state.alpha);
    WriteInt(rc, "qvperuser.styleType:", state.styleType);
    WriteInt(rc, "qvperuser.reloadInterval(sec):", state.reloadInterval);
    WriteBool(rc, "qvperuser.alwaysontop:", state.alwaysontop);
    WriteBool(rc, "qvperuser.transparency:", state.transparency);
    WriteBool(rc, "qvperuser.snapWindow:", state.snapWindow);
    WriteBool(rc, "qvperuser.pluginToggle:", state.pluginToggle);
    WriteBool(rc, "qvperuser.inSlit:", state.inSlit);
    WriteBool(rc, "qvperuser.showBorder:", state.showBorder);
    WriteBool(rc, "qvperuser.showScroll:", state.showScroll);
    WriteBool(rc, "qvperuser.lockPos:", state.lockPos);
    WriteBool(rc, "qvperuser.wordWrap:", state.wordWrap);
    WriteBool(rc, "qvperuser.autoHide:", state.autoHide);
    WriteBool(rc, "qvperuser.autoReload:", state.autoReload);
    WriteColor(rc, "qvperuser.fontColor:", state.fontColor);
    WriteColor(rc, "qvperuser.backColor:", state.backColor);
    WriteString(rc, "qvperuser.font:", state.font);
    WriteString(rc, "qvperuser.filePath:", state.filePath);
    WriteInt(rc, "qvperuser.readBufferSize:", state.readBufferSize);
}
