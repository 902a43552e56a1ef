// The settings file: where it is found or made, what is read and written.
#include <cstring>
#include <set>

#include "settings/settings.h"
#include "settings/text.h"
#include "support/dialogs.h"
#include "support/plugin_fixture.h"
#include "shell.h"

namespace {

TEST(PluginFolder, IsTheModulesFolderCutBehindItsLastBackslash) {
    char path[64] = "C:\\shell\\plugins\\qvperuser.dll";
    cutToFolder(path);
    EXPECT_STREQ("C:\\shell\\plugins\\", path);
    state.hInstance = GetModuleHandleA(NULL);
    char folder[MAX_PATH];
    ASSERT_TRUE(getPluginFolder(folder, sizeof folder));
    EXPECT_EQ(programFolder(), folder);
}

// A module name cut to the buffer must not name a folder above the plugin's.
TEST(PluginFolder, IsUnknownWhenTheModuleNameDoesNotFit) {
    state.hInstance = GetModuleHandleA(NULL);
    char folder[MAX_PATH];
    EXPECT_FALSE(getPluginFolder(folder, (int)programFolder().size()));
    EXPECT_STREQ("", folder);
}

class SettingsTest : public PluginTest {
protected:
    void load() {
        state.hInstance = module;
        loadSettings();
    }
};

TEST_F(SettingsTest, PrefersThePluginFolderAndTheDottedName) {
    writeFile(programFolder() + "qvperuser.rc", "qvperuser.width: 201\r\n");
    writeFile(programFolder() + "qvperuserrc", "qvperuser.width: 202\r\n");
    writeFile(shellFolder + "qvperuser.rc", "qvperuser.width: 203\r\n");
    load();
    EXPECT_EQ(programFolder() + "qvperuser.rc", state.rcPath);
    EXPECT_EQ(201, state.width);

    removeFile(programFolder() + "qvperuser.rc");
    load();
    EXPECT_EQ(programFolder() + "qvperuserrc", state.rcPath);
    EXPECT_EQ(202, state.width);

    removeFile(programFolder() + "qvperuserrc");
    load();
    EXPECT_EQ(shellFolder + "qvperuser.rc", state.rcPath);
    EXPECT_EQ(203, state.width);

    removeFile(shellFolder + "qvperuser.rc");
    writeFile(shellFolder + "qvperuserrc", "qvperuser.width: 204\r\n");
    shellTrace::clear();
    load();
    EXPECT_EQ(shellFolder + "qvperuserrc", state.rcPath);
    EXPECT_EQ(204, state.width);
    std::vector<std::string> probes = shellTrace::startingWith("FileExists");
    ASSERT_EQ(4u, probes.size());
    EXPECT_EQ("FileExists(" + programFolder() + "qvperuser.rc)", probes[0]);
    EXPECT_EQ("FileExists(" + programFolder() + "qvperuserrc)", probes[1]);
    EXPECT_EQ("FileExists(" + shellFolder + "qvperuser.rc)", probes[2]);
    EXPECT_EQ("FileExists(" + shellFolder + "qvperuserrc)", probes[3]);
}

TEST_F(SettingsTest, CreatesTheFileWithEveryDefaultWhenNoneExists) {
    load();
    ASSERT_EQ(settingsPath(), state.rcPath);
    ASSERT_TRUE(fileExists(settingsPath()));
    std::vector<std::string> keys = storedKeys(settingsPath());
    const std::vector<std::string> expected = {
        "qvperuser.x:", "qvperuser.y:", "qvperuser.width:", "qvperuser.height:",
        "qvperuser.edgeSize:", "qvperuser.fontHeight:", "qvperuser.alpha:",
        "qvperuser.styleType:", "qvperuser.reloadInterval(sec):", "qvperuser.alwaysontop:",
        "qvperuser.transparency:", "qvperuser.snapWindow:", "qvperuser.pluginToggle:",
        "qvperuser.inSlit:", "qvperuser.showBorder:", "qvperuser.showScroll:",
        "qvperuser.lockPos:", "qvperuser.wordWrap:", "qvperuser.autoHide:",
        "qvperuser.autoReload:", "qvperuser.fontColor:", "qvperuser.backColor:",
        "qvperuser.font:", "qvperuser.filePath:", "qvperuser.readBufferSize:",
        "qvperuser.encoding:", "qvperuser.lines:", "qvperuser.filterShow:",
        "qvperuser.filterHide:", "qvperuser.scanLimit:", "qvperuser.highlight:",
        "qvperuser.highlight1:", "qvperuser.highlight2:", "qvperuser.highlight3:",
        "qvperuser.highlight4:", "qvperuser.highlight5:", "qvperuser.highlight6:",
        "qvperuser.highlight7:", "qvperuser.highlight8:", "qvperuser.alertSound:",
        "qvperuser.alertQuiet(sec):", "qvperuser.rescan(sec):", "qvperuser.hideOverFullscreen:", "qvperuser.label:",
        "qvperuser.source2:", "qvperuser.source3:", "qvperuser.source4:", "qvperuser.statusLine:",
        "qvperuser.staleAfter(min):", "qvperuser.staleColor:", "qvperuser.multiLine:",
        "qvperuser.activity:", "qvperuser.collapseRepeats:"};
    EXPECT_EQ(expected, keys);
    const std::string file = settingsPath();
    EXPECT_EQ("10", storedSetting(file, "qvperuser.x:"));
    EXPECT_EQ("120", storedSetting(file, "qvperuser.width:"));
    EXPECT_EQ("80", storedSetting(file, "qvperuser.height:"));
    EXPECT_EQ("4", storedSetting(file, "qvperuser.edgeSize:"));
    EXPECT_EQ("12", storedSetting(file, "qvperuser.fontHeight:"));
    EXPECT_EQ("160", storedSetting(file, "qvperuser.alpha:"));
    EXPECT_EQ("1", storedSetting(file, "qvperuser.styleType:"));
    EXPECT_EQ("120", storedSetting(file, "qvperuser.reloadInterval(sec):"));
    EXPECT_EQ("true", storedSetting(file, "qvperuser.snapWindow:"));
    EXPECT_EQ("true", storedSetting(file, "qvperuser.showBorder:"));
    EXPECT_EQ("false", storedSetting(file, "qvperuser.autoReload:"));
    EXPECT_EQ("#000000", storedSetting(file, "qvperuser.fontColor:"));
    EXPECT_EQ("#ffffff", storedSetting(file, "qvperuser.backColor:"));
    EXPECT_EQ("Tahoma", storedSetting(file, "qvperuser.font:"));
    EXPECT_EQ("readme.txt", storedSetting(file, "qvperuser.filePath:"));
    EXPECT_EQ("512", storedSetting(file, "qvperuser.readBufferSize:"));
    EXPECT_EQ("auto", storedSetting(file, "qvperuser.encoding:"));
    EXPECT_EQ("true", storedSetting(file, "qvperuser.highlight:"));
    EXPECT_EQ("#C00000 ERROR|FATAL|CRITICAL|Exception|Traceback",
              storedSetting(file, "qvperuser.highlight1:"));
    EXPECT_EQ("#A05A00 WARN", storedSetting(file, "qvperuser.highlight2:"));
    EXPECT_EQ("", storedSetting(file, "qvperuser.highlight8:"));
    EXPECT_EQ("10", storedSetting(file, "qvperuser.rescan(sec):"));
    EXPECT_EQ("false", storedSetting(file, "qvperuser.hideOverFullscreen:"));
    EXPECT_EQ("false", storedSetting(file, "qvperuser.statusLine:"));
    EXPECT_EQ("0", storedSetting(file, "qvperuser.staleAfter(min):"));
    EXPECT_EQ("#808080", storedSetting(file, "qvperuser.staleColor:"));
    EXPECT_EQ("true", storedSetting(file, "qvperuser.multiLine:"));
    EXPECT_EQ("false", storedSetting(file, "qvperuser.activity:"));
    EXPECT_EQ("false", storedSetting(file, "qvperuser.collapseRepeats:"));
    EXPECT_EQ(0, shellTrace::count("ReadInt"));
}

TEST_F(SettingsTest, WithNoPathThatFitsOneBoxSaysSoAndNothingIsWritten) {
    shell.folder = "C:\\" + std::string(250, 'f') + "\\";  // no room for the file's name
    state.hInstance = (HINSTANCE)1;                        // no module: no folder of its own
    std::vector<SeenDialog> seen;
    {
        DialogAnswerer answerer(pressButton(IDOK));
        loadSettings();
        saveSettings();
        seen = answerer.seen();
    }
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("QVPeruser", seen[0].caption);
    EXPECT_NE(std::string::npos, seen[0].text.find(std::string(250, 'f'))) << seen[0].text;
    EXPECT_STREQ("", state.rcPath);
    EXPECT_EQ(0, shellTrace::count("Write"));
    EXPECT_EQ(120, state.width);  // the defaults hold
}

// ---- The starter settings file of the release packages (shipped.rc here) ----

static std::string lowerCase(std::string text) {
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

// The keys of the calls made since the trace was cleared whose names begin
// with prefix ("Read", "Write"), lower case: the shell matches keys so.
static std::set<std::string> keysUsed(const std::string& prefix) {
    std::set<std::string> keys;
    for (const std::string& call : shellTrace::startingWith(prefix)) {
        size_t first = call.find(',') + 1;
        keys.insert(lowerCase(call.substr(first, call.find(',', first) - first)));
    }
    return keys;
}

// Every key the starter file sets is one the plugin reads and writes, and a
// save writes back the values it read: none is misspelt, malformed or lost.
TEST_F(SettingsTest, StarterFileSetsOnlyKeysThePluginReadsAndWritesBack) {
    const std::string shipped = programFolder() + "shipped.rc";
    writeFile(settingsPath(), readFile(shipped));
    shellTrace::clear();
    load();
    std::set<std::string> read = keysUsed("Read");
    shellTrace::clear();
    saveSettings();
    std::set<std::string> written = keysUsed("Write");
    std::vector<std::string> keys = storedKeys(shipped);
    ASSERT_FALSE(keys.empty());
    for (const std::string& key : keys) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(read.count(lowerCase(key)));
        EXPECT_TRUE(written.count(lowerCase(key)));
        EXPECT_EQ(storedSetting(shipped, key), storedSetting(settingsPath(), key));
    }
}

// What INSTALL.txt promises: with the starter file and a log named in it, the
// window is one a person can read and follows the log every second.
TEST_F(SettingsTest, StarterFileGivesAWindowThatFollowsItsLog) {
    std::string starter = readFile(programFolder() + "shipped.rc");
    const std::string key = "\nqvperuser.filePath:";
    size_t path = starter.find(key);
    ASSERT_NE(std::string::npos, path);
    starter.insert(path + key.size(), " " + watchedPath());
    writeSettings(starter);
    writeFile(watchedPath(), "first line\r\n");
    ASSERT_EQ(0, start());
    RECT window;
    GetWindowRect(state.viewerWnd, &window);
    EXPECT_EQ(720, window.right - window.left);
    EXPECT_EQ(240, window.bottom - window.top);
    EXPECT_EQ(4096, state.readBufferSize);
    appendFile(watchedPath(), "second line\r\n");
    pumpMessages(1500);
    char text[64] = "";
    GetWindowTextA(state.paneWnd, text, sizeof text);
    EXPECT_STREQ("first line\r\nsecond line\r\n", text);
}

TEST_F(SettingsTest, SnapWindowIsReadLowerCaseAndWrittenCamelCase) {
    writeSettings("qvperuser.width: 100\r\n");
    load();
    EXPECT_EQ(1, shellTrace::count("ReadBool(" + settingsPath() + ",qvperuser.snapwindow:,true)"));
    shellTrace::clear();
    saveSettings();
    EXPECT_EQ(1, shellTrace::count("WriteBool(" + settingsPath() + ",qvperuser.snapWindow:,"));
}

// The window is placed on the monitors when shown; the place read stays the
// user's, for a monitor that comes back.
TEST_F(SettingsTest, APositionBeyondTheScreenOrNegativeIsKeptAsStored) {
    int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    writeSettings("qvperuser.x: " + std::to_string(screenWidth) + "\r\nqvperuser.y: " +
                  std::to_string(screenHeight + 500) + "\r\n");
    load();
    EXPECT_EQ(screenWidth, state.x);
    EXPECT_EQ(screenHeight + 500, state.y);

    writeSettings("qvperuser.x: -2000\r\nqvperuser.y: -40\r\n");
    load();
    EXPECT_EQ(-2000, state.x);
    EXPECT_EQ(-40, state.y);
}

TEST_F(SettingsTest, SaveThenLoadGivesBackEverySetting) {
    load();
    state.x = -30; state.y = 44; state.width = 333; state.height = 222;
    state.edgeSize = 7; state.fontHeight = -15; state.alpha = 99; state.styleType = 5;
    state.reloadInterval = 9;
    state.alwaysontop = true; state.transparency = true; state.snapWindow = false;
    state.pluginToggle = true; state.inSlit = true; state.showBorder = false;
    state.showScroll = true; state.lockPos = true; state.wordWrap = true;
    state.autoHide = true; state.autoReload = true;
    state.fontColor = RGB(1, 2, 3); state.backColor = RGB(250, 128, 7);
    strcpy(state.font, "Courier New");
    strcpy(state.filePath, "C:\\logs\\some file.log");
    state.readBufferSize = 4096;
    PluginState saved = state;
    saveSettings();

    ZeroMemory(&state, sizeof state);
    load();
    EXPECT_EQ(saved.x, state.x); EXPECT_EQ(saved.y, state.y);
    EXPECT_EQ(saved.width, state.width); EXPECT_EQ(saved.height, state.height);
    EXPECT_EQ(saved.edgeSize, state.edgeSize); EXPECT_EQ(saved.fontHeight, state.fontHeight);
    EXPECT_EQ(saved.alpha, state.alpha); EXPECT_EQ(saved.styleType, state.styleType);
    EXPECT_EQ(saved.reloadInterval, state.reloadInterval);
    EXPECT_TRUE(state.alwaysontop); EXPECT_TRUE(state.transparency);
    EXPECT_FALSE(state.snapWindow); EXPECT_TRUE(state.pluginToggle); EXPECT_TRUE(state.inSlit);
    EXPECT_FALSE(state.showBorder); EXPECT_TRUE(state.showScroll); EXPECT_TRUE(state.lockPos);
    EXPECT_TRUE(state.wordWrap); EXPECT_TRUE(state.autoHide); EXPECT_TRUE(state.autoReload);
    EXPECT_EQ(saved.fontColor, state.fontColor); EXPECT_EQ(saved.backColor, state.backColor);
    EXPECT_STREQ(saved.font, state.font); EXPECT_STREQ(saved.filePath, state.filePath);
    EXPECT_EQ(saved.readBufferSize, state.readBufferSize);
}

TEST_F(SettingsTest, LongStringsAreCutToTheirBuffers) {
    std::string face(300, 'F');
    std::string path = "C:\\" + std::string(1020, 'p');  // 1023 characters
    writeSettings("qvperuser.font: " + face + "\r\nqvperuser.filePath: " + path + "\r\n");
    load();
    EXPECT_EQ(std::string(255, 'F'), state.font);
    EXPECT_EQ(path, state.filePath);

    writeSettings("qvperuser.filePath: " + path + "tail\r\n");
    load();
    EXPECT_EQ(1023u, strlen(state.filePath));
    EXPECT_EQ(512, state.readBufferSize);
}

TEST_F(SettingsTest, ValuesTheShellCannotReadGiveTheDefaults) {
    writeSettings("qvperuser.width: wide\r\nqvperuser.snapwindow: maybe\r\n"
                  "qvperuser.backColor: pink\r\n");
    load();
    EXPECT_EQ(120, state.width);
    EXPECT_TRUE(state.snapWindow);
    EXPECT_EQ(RGB(255, 255, 255), state.backColor);
}

}  // namespace
