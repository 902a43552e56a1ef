// The settings' rows (settings/setting_rows.h) against what else names the
// settings: the README's table, the starter settings file, and the values
// the plugin takes.
#include <string>
#include <vector>

#include "settings/setting_rows.h"
#include "support/plugin_fixture.h"

namespace {

// A default as the README's table writes it: in backquotes, with a table's
// "|" escaped, or "(empty)".
std::string documentedDefault(const SettingRow& row) {
    std::string value;
    if (row.type == IntSetting) value = std::to_string(row.defaultNumber);
    if (row.type == BoolSetting) value = row.defaultNumber ? "true" : "false";
    if (row.type == ColourSetting || row.type == TextSetting) value = row.defaultText;
    if (value.empty()) return "(empty)";
    std::string escaped;
    for (char c : value) escaped += c == '|' ? std::string("\\|") : std::string(1, c);
    return "`" + escaped + "`";
}

// Each key has one row of the README's table of settings, with its default.
TEST(SettingRows, TheReadmeNamesEveryKeyWithItsDefault) {
    std::string readme = readFile(programFolder() + "README.md");
    for (const SettingRow& row : settingRows) {
        SCOPED_TRACE(row.key);
        const std::string rowStart = "\n| `" + std::string(row.key) + "`";
        size_t at = readme.find(rowStart);
        ASSERT_NE(std::string::npos, at);
        EXPECT_EQ(std::string::npos, readme.find(rowStart, at + 1));
        std::string line = readme.substr(at + 1, readme.find('\n', at + 1) - at - 1);
        EXPECT_NE(std::string::npos, line.find(" | " + documentedDefault(row) + " | ")) << line;
    }
}

// The starter file of the release packages sets every setting, in the order
// the plugin writes them, each number within its menu's range, so that the
// file a user edits shows every key there is.
TEST(SettingRows, TheStarterFileSetsEverySettingInOrderWithinItsRange) {
    const std::string shipped = programFolder() + "shipped.rc";
    std::vector<std::string> keys = storedKeys(shipped);
    ASSERT_EQ((size_t)SettingCount, keys.size());
    for (int id = 0; id < SettingCount; ++id) {
        const SettingRow& row = settingRows[id];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(row.key, keys[id]);
        if (row.type != IntSetting) continue;
        int value = std::stoi(storedSetting(shipped, row.key));
        EXPECT_LE(row.least, value);
        EXPECT_GE(row.most, value);
    }
}

class SettingRangeTest : public PluginTest {
protected:
    void startOn(const std::string& content, const std::string& settings) {
        writeFile(watchedPath(), content);
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n" + settings);
        ASSERT_EQ(0, start());
    }
};

// The menu offers the range a value takes effect in: beyond the menu's
// largest, the pane shows just as much as at it.
TEST_F(SettingRangeTest, ReadBufferSizeBeyondTheMenusLargestShowsTheLargest) {
    std::string content;
    for (int i = 0; content.size() < 40000; ++i) content += (char)('a' + i % 26);
    startOn(content, "qvperuser.readBufferSize: 65536\r\n");
    EXPECT_EQ(content.substr(content.size() - settingRows[SettingReadBufferSize].most), paneText());
}

TEST_F(SettingRangeTest, LinesBeyondTheMenusLargestShowTheLargest) {
    std::string content;
    for (int i = 0; i < 12000; ++i) content += "x\r\n";
    startOn(content, "qvperuser.readBufferSize: 32767\r\nqvperuser.lines: 20000\r\n");
    std::string shown = paneText();
    int lines = 0;
    for (size_t at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(settingRows[SettingLines].most, lines);
}

}  // namespace
