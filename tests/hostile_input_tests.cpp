#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "commands/command_words.h"
#include "support/dialogs.h"
#include "support/plugin_fixture.h"
#include "tail/sources.h"

// ---- What "still consistent" means ----------------------------------------

static bool terminatedWithin(const char* buffer, int capacity) {
    return memchr(buffer, 0, capacity) != nullptr;
}

static bool terminatedWithin(const WCHAR* buffer, int capacity) {
    return std::find(buffer, buffer + capacity, 0) != buffer + capacity;
}

static void expectConsistent() {
    EXPECT_TRUE(IsWindow(state.viewerWnd));
    EXPECT_TRUE(IsWindow(state.paneWnd));
    EXPECT_EQ(state.viewerWnd, GetParent(state.paneWnd));
    EXPECT_TRUE(terminatedWithin(state.font, FontNameSize));
    EXPECT_TRUE(terminatedWithin(state.filePath, FilePathSize));
    EXPECT_TRUE(terminatedWithin(sources[0].resolvedPath, ResolvedPathSize));
    EXPECT_TRUE(terminatedWithin(state.rcPath, RcPathSize));
    EXPECT_TRUE(terminatedWithin(state.encoding, EncodingNameSize));
    EXPECT_TRUE(state.paneFont != NULL);
    EXPECT_TRUE(state.backBrush != NULL);
}

// Where the window is put while shown (it may have slid off since) lies on
// the test display's one monitor.
static bool windowOnTheMonitor() {
    const WindowPlace& p = state.placed;
    long long right = (long long)p.x + (p.width < 1 ? 1 : p.width);
    long long bottom = (long long)p.y + (p.height < 1 ? 1 : p.height);
    return p.x >= 0 && p.y >= 0 && right <= GetSystemMetrics(SM_CXSCREEN) &&
           bottom <= GetSystemMetrics(SM_CYSCREEN);
}

static std::string boundedText(const char* buffer, int capacity) {
    const void* end = memchr(buffer, 0, capacity);
    return std::string(buffer, end ? (const char*)end - buffer : capacity);
}

// Every persistent setting, as text, by name.
static std::map<std::string, std::string> settingsNow() {
    auto n = [](long long value) { return std::to_string(value); };
    return {
        {"x", n(state.x)},
        {"y", n(state.y)},
        {"width", n(state.width)},
        {"height", n(state.height)},
        {"edgeSize", n(state.edgeSize)},
        {"fontHeight", n(state.fontHeight)},
        {"alpha", n(state.alpha)},
        {"styleType", n(state.styleType)},
        {"reloadInterval", n(state.reloadInterval)},
        {"alwaysontop", n(state.alwaysontop)},
        {"transparency", n(state.transparency)},
        {"snapWindow", n(state.snapWindow)},
        {"pluginToggle", n(state.pluginToggle)},
        {"inSlit", n(state.inSlit)},
        {"showBorder", n(state.showBorder)},
        {"showScroll", n(state.showScroll)},
        {"lockPos", n(state.lockPos)},
        {"wordWrap", n(state.wordWrap)},
        {"autoHide", n(state.autoHide)},
        {"autoReload", n(state.autoReload)},
        {"fontColor", n(state.fontColor)},
        {"backColor", n(state.backColor)},
        {"font", boundedText(state.font, FontNameSize)},
        {"filePath", boundedText(state.filePath, FilePathSize)},
        {"readBufferSize", n(state.readBufferSize)},
        {"encoding", boundedText(state.encoding, EncodingNameSize)},
        {"lines", n(state.lines)},
        {"filterShow", boundedText(state.filterShow, FilterTextSize)},
        {"filterHide", boundedText(state.filterHide, FilterTextSize)},
        {"scanLimit", n(state.scanLimit)},
        {"alertSound", n(state.alertSound)},
        {"alertQuiet", n(state.alertQuiet)},
        {"hideOverFullscreen", n(state.hideOverFullscreen)},
        {"multiLine", n(state.multiLine)},
        {"collapseRepeats", n(state.collapseRepeats)},
    };
}

static std::set<std::string> changedSettings(const std::map<std::string, std::string>& before) {
    std::set<std::string> changed;
    for (const auto& entry : settingsNow()) {
        if (before.at(entry.first) != entry.second) changed.insert(entry.first);
    }
    return changed;
}

// ---- Hostile arguments ------------------------------------------------------

static const size_t Huge = 100 * 1024;

static std::string everyNonZeroByte() {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += (char)b;
    return bytes;
}

// What may follow a command word: none, an empty argument, and arguments that
// are huge, binary, format directives, out of range or not ASCII.
static std::vector<std::string> hostileTails() {
    return {
        " ",
        " " + std::string(Huge, '7'),
        " " + std::string(Huge, 'x'),
        " " + everyNonZeroByte(),
        " %s%n%s%n%x%x%x%x",
        " -1",
        " -2147483648",
        " 2147483648",
        " -99999999999999999999",
        " \xC3\x84\xC3\xB6\xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC",  // UTF-8
        " \xC4\xF6\x80\xFF",                                      // 8-bit code page
        "\t\r\n",
    };
}

// ---- Every command of the table ----------------------------------------------

// Resizing lets the system move and clip the window; what it makes of a huge
// window is its own business.
static const std::set<std::string> Placement = {"x", "y", "width", "height"};

// The settings a command may change; "*" for every one.
static std::set<std::string> mayChange(CommandId id) {
    switch (id) {
    case CmdStyleType: return {"styleType"};
    case CmdWidthSize: return Placement;
    case CmdHeightSize: return Placement;
    case CmdEdgeSize: return {"edgeSize"};
    case CmdFontSize: return {"fontHeight"};
    case CmdFontFace: return {"font"};
    case CmdFilePath: return {"filePath"};
    case CmdReadBufferSize: return {"readBufferSize"};
    case CmdReloadInterval: return {"reloadInterval"};
    case CmdPluginToggle: return {"pluginToggle"};
    case CmdOnTop: return {"alwaysontop"};
    case CmdTransparent: return {"transparency"};
    case CmdAlphaValue: return {"alpha"};
    case CmdSnapToEdge: return {"snapWindow"};
    case CmdShowBorder: return {"showBorder"};
    case CmdShowScroll: return {"showScroll"};
    case CmdLockPosition: return {"lockPos"};
    case CmdWordWrap: return {"wordWrap"};
    case CmdAutoHide: return {"autoHide"};
    case CmdAutoReload: return {"autoReload"};
    case CmdReloadSettings: return {"*"};
    case CmdEncoding: return {"encoding"};
    case CmdLines: return {"lines"};
    case CmdFilterShow: return {"filterShow"};
    case CmdFilterHide: return {"filterHide"};
    case CmdScanLimit: return {"scanLimit"};
    case CmdAlertSound: return {"alertSound"};
    case CmdAlertQuiet: return {"alertQuiet"};
    case CmdHideOverFullscreen: return {"hideOverFullscreen"};
    case CmdMultiLine: return {"multiLine"};
    case CmdCollapseRepeats: return {"collapseRepeats"};
    default: return {};  // InSlit too: started without a slit
    }
}

static bool opensDialog(CommandId id) {
    return id == CmdAbout || id == CmdFontColor || id == CmdBackColor || id == CmdSetFont;
}

// The shell's own boxes (one that cannot open the settings file for EditRC)
// are not the plugin's.
static size_t pluginDialogs(const std::vector<SeenDialog>& seen) {
    size_t count = 0;
    for (const SeenDialog& dialog : seen) count += dialog.caption == "Quorvane" ? 0 : 1;
    return count;
}

static bool takesArgument(CommandId id) { return commandWords[id].argument != NoArgument; }

static std::vector<CommandId> everyCommand() {
    std::vector<CommandId> ids;
    for (int id = 0; id < CommandCount; ++id) ids.push_back((CommandId)id);
    return ids;
}

class HostileCommandTest : public PluginTest, public ::testing::WithParamInterface<CommandId> {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        writeFile(watchedPath(), "first line\r\nlast line\r\n");
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n");
        ASSERT_EQ(0, start());
    }

    LRESULT send(const std::string& text) {
        LRESULT result = SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)text.c_str());
        pumpMessages(5);
        return result;
    }

    // Sends the text and checks the plugin stayed whole and changed nothing
    // outside what the command may change.
    void sendAndCheck(const std::string& text, const std::set<std::string>& mayChange) {
        SCOPED_TRACE(text.substr(0, 40) + (text.size() > 40 ? "..." : ""));
        auto before = settingsNow();
        EXPECT_EQ(0, send(text));
        expectConsistent();
        if (mayChange.count("*")) return;
        for (const std::string& name : changedSettings(before)) {
            EXPECT_TRUE(mayChange.count(name)) << name << " changed";
        }
    }
};

// Dialogs are cancelled, the About box is confirmed.
static int answerDialog(HWND dialog) {
    char caption[64] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    return lstrcmpA(caption, "QVPeruser") == 0 ? IDOK : IDCANCEL;
}

TEST_P(HostileCommandTest, SurvivesMissingEmptyHugeAndHostileArguments) {
    const CommandId id = GetParam();
    const std::string text = commandText(id);
    DialogAnswerer answerer(answerDialog);

    // Bare: a command that takes an argument has none to read and does
    // nothing; any other command runs.
    sendAndCheck(text, takesArgument(id) ? std::set<std::string>{} : mayChange(id));
    size_t dialogs = pluginDialogs(answerer.seen());
    EXPECT_EQ(opensDialog(id) ? 1u : 0u, dialogs);

    for (const std::string& tail : hostileTails()) {
        // Words without an argument admit nothing behind them.
        sendAndCheck(text + tail, takesArgument(id) ? mayChange(id) : std::set<std::string>{});
    }
    EXPECT_EQ(dialogs, pluginDialogs(answerer.seen())) << "a dialog opened for a word with a tail";

    // Still obeys: a forced reload of the watched file shows it.
    sendAndCheck("@QVPeruserLines 0", {"lines"});
    sendAndCheck("@QVPeruserFilterShow", {"filterShow"});
    sendAndCheck("@QVPeruserFilterHide", {"filterHide"});
    sendAndCheck("@QVPeruserReadBufferSize 512", {"readBufferSize"});
    sendAndCheck("@QVPeruserFilePath " + watchedPath(), {"filePath"});
    char shown[256] = "";
    GetWindowTextA(state.paneWnd, shown, sizeof shown);
    EXPECT_STREQ("first line\r\nlast line\r\n", shown);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, HostileCommandTest, ::testing::ValuesIn(everyCommand()),
                         [](const ::testing::TestParamInfo<CommandId>& info) {
                             return std::string(commandWord(info.param));
                         });

// Text arguments are cut to their fields, and the field behind each is untouched.
TEST_F(PluginTest, HugeTextArgumentsAreCutToTheirFields) {
    writeFile(watchedPath(), "shown\r\n");
    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.readBufferSize: 333\r\n");
    ASSERT_EQ(0, start());
    std::string face = "F" + std::string(Huge, 'f');
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)("@QVPeruserFontFace " + face).c_str());
    EXPECT_EQ(face.substr(0, FontNameSize - 1), state.font);
    EXPECT_EQ(watchedPath(), state.filePath);

    std::string path = "P" + std::string(Huge, 'p');
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)("@QVPeruserFilePath " + path).c_str());
    EXPECT_EQ(path.substr(0, FilePathSize - 1), state.filePath);
    EXPECT_EQ(333, state.readBufferSize);
    expectConsistent();
}

// ---- A settings file full of junk ------------------------------------------

static std::string junkSettings(const std::string& font, const std::string& path) {
    std::string bytes(256, 0);
    for (int b = 0; b < 256; ++b) bytes[b] = (char)b;
    std::string lines = bytes + "\r\n" + std::string(Huge, 'j') + "\r\n";
    const char* const numbers[] = {
        "qvperuser.x: 99999999",
        "qvperuser.y: 2147483647",
        "qvperuser.width:",
        "qvperuser.height: -2147483648",
        "qvperuser.edgeSize: 2147483647",
        "qvperuser.fontHeight: -99999999999999999999",
        "qvperuser.alpha: 100000",
        "qvperuser.styleType: -7",
        "qvperuser.reloadInterval(sec): 2147483647",
        "qvperuser.autoReload: \x01\x02",
        "qvperuser.autoHide: true",
        "qvperuser.wordWrap",
        "qvperuser.backColor: ",
        "qvperuser.readBufferSize: -2147483648",
    };
    for (const char* line : numbers) lines += std::string(line) + "\r\n";
    lines += std::string("qvperuser.fontColor: #GG\0ZZ\r\n", 29);
    lines += "qvperuser.font: " + font + "\r\n";
    lines += "qvperuser.filePath: " + path + "\r\n";
    lines += std::string("\0\0\0: \0\r\n", 8) + "\xFF\xFE\r";
    return lines;
}

TEST_F(PluginTest, JunkSettingsFileStartsWithCutOrCorrectedValues) {
    std::string font = "Face" + std::string(Huge, 'f');
    std::string path = "Path" + std::string(Huge, 'p');
    writeSettings(junkSettings(font, path));
    ASSERT_EQ(0, start());
    pumpMessages(50);
    expectConsistent();
    EXPECT_EQ(font.substr(0, FontNameSize - 1), state.font);
    EXPECT_EQ(path.substr(0, FilePathSize - 1), state.filePath);
    EXPECT_TRUE(windowOnTheMonitor()) << "placed on the monitor, wherever the place lies";

    // The path is too long to open; a good one given afterwards is shown.
    writeFile(watchedPath(), "good\r\n");
    SendMessageA(state.viewerWnd, HostMsgCommand, 0,
                 (LPARAM)("@QVPeruserFilePath " + watchedPath()).c_str());
    char shown[64] = "";
    GetWindowTextA(state.paneWnd, shown, sizeof shown);
    EXPECT_STREQ("", shown) << "a negative readBufferSize shows nothing";
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM) "@QVPeruserReadBufferSize 100");
    SendMessageA(state.viewerWnd, HostMsgCommand, 0,
                 (LPARAM)("@QVPeruserFilePath " + watchedPath()).c_str());
    GetWindowTextA(state.paneWnd, shown, sizeof shown);
    EXPECT_STREQ("good\r\n", shown);

    // What was taken survives saving and a second start.
    stop();
    ASSERT_EQ(0, start());
    expectConsistent();
    EXPECT_EQ(font.substr(0, FontNameSize - 1), state.font);
    EXPECT_EQ(watchedPath(), state.filePath);
}

TEST_F(PluginTest, ExtremeNumbersInEverySettingStart) {
    const char* values[] = {"-2147483648", "2147483647", "0", "-1", "abc", ""};
    const char* keys[] = {"x", "y", "width", "height", "edgeSize", "fontHeight", "alpha",
                          "styleType", "reloadInterval(sec)", "readBufferSize"};
    for (const char* value : values) {
        SCOPED_TRACE(value);
        std::string lines = "qvperuser.filePath: " + watchedPath() + "\r\n";
        for (const char* key : keys) lines += std::string("qvperuser.") + key + ": " + value + "\r\n";
        lines += "qvperuser.autoHide: true\r\nqvperuser.autoReload: true\r\n";
        writeSettings(lines);
        ASSERT_EQ(0, start());
        expectConsistent();
        EXPECT_TRUE(windowOnTheMonitor());
        stop();
    }
}
