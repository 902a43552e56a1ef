// What the settings file hands back, on its way into the state record: the
// plugin's folder and the settings file's path built from the module name
// and the shell's folder, and the font and watched path texts copied into
// their fields. Every field is a heap buffer of the record's size, so a write
// past it is reported.
#include "fuzz_input.h"
#include "settings/buffer_sizes.h"
#include "settings/text.h"

// Copies text into a field as the settings code does and checks the field
// holds the text, cut to fit, with its zero.
static void checkCopy(const std::string& text, int capacity) {
    std::vector<char> source = exactCopy(text);
    std::vector<char> field(capacity);
    bool whole = copyText(field.data(), capacity, source.data());
    size_t expectedLength = text.size() < (size_t)capacity ? text.size() : capacity - 1;
    REQUIRE(whole == (expectedLength == text.size()));
    REQUIRE(memchr(field.data(), 0, capacity) == field.data() + expectedLength);
    REQUIRE(memcmp(field.data(), text.data(), expectedLength) == 0);
}

// The module's name as the system returns it into an rcPath-sized buffer,
// cut to its folder, then each settings file name joined to it.
static void checkSettingsPath(const std::string& moduleName, const std::string& fileName) {
    std::vector<char> folder(RcPathSize);
    copyText(folder.data(), RcPathSize, exactCopy(moduleName).data());
    cutToFolder(folder.data());
    std::vector<char> name = exactCopy(fileName);
    std::vector<char> candidate(RcPathSize);
    bool joined = joinText(candidate.data(), RcPathSize, folder.data(), name.data());
    std::string expected = std::string(folder.data()) + fileName;
    REQUIRE(joined == (expected.size() < (size_t)RcPathSize));
    REQUIRE(std::string(candidate.data()) == (joined ? expected : ""));
    checkCopy(candidate.data(), RcPathSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    std::string moduleName = input.takeText();
    std::string shellFolder = input.takeText();
    std::string font = input.takeText();
    std::string filePath = input.takeText();
    checkSettingsPath(moduleName, "qvperuser.rc");
    checkSettingsPath(shellFolder, "qvperuserrc");
    checkCopy(font, FontNameSize);
    checkCopy(filePath, FilePathSize);
    return 0;
}
