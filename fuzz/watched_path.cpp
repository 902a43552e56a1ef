// The watched file's path: the plugin's folder (cut from a module file name)
// joined with the configured path (in quotes or not), into a buffer of a given capacity. The
// result is the whole join or nothing, never cut and never past the buffer.
#include "fuzz_input.h"
#include "settings/buffer_sizes.h"
#include "settings/text.h"
#include "text/tail_range.h"

static void checkFolderCut(const std::string& moduleName) {
    std::vector<char> folder = exactCopy(moduleName);
    cutToFolder(folder.data());
    std::string cut = folder.data();
    REQUIRE(moduleName.compare(0, cut.size(), cut) == 0);
    if (moduleName.size() > 1) {
        REQUIRE(!cut.empty());
        REQUIRE(cut.size() == 1 || cut.back() == '\\');
    }
}

// The fuzzer's bytes as units of wide text, without zeros inside.
static std::u16string wideText(const std::string& bytes) {
    std::u16string text;
    for (unsigned char byte : bytes) text += byte == 0x7F ? u'\u65E5' : char16_t(byte);
    return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    int capacity = input.take<uint16_t>() % (ResolvedPathSize + 1);
    std::string folderText = input.takeText();
    std::string pathText = input.takeText();
    checkFolderCut(folderText);

    std::u16string folder = wideText(folderText);
    std::u16string path = wideText(pathText);
    std::vector<WideChar> out(capacity + 1, u'#');
    bool joined = resolveWatchedPath(folder.c_str(), path.c_str(), out.data(), capacity);

    // Without one pair of quotes around it, blanks outside them ignored.

    size_t first = path.find_first_not_of(u' '), last = path.find_last_not_of(u' ');
    if (first != std::u16string::npos && last > first && path[first] == u'"' && path[last] == u'"') {
        path = path.substr(first + 1, last - first - 1);
    }
    bool driveLetter = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    bool share = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    std::u16string expected = (driveLetter || share ? u"" : folder) + path;
    bool fits = (long)expected.size() < capacity;
    REQUIRE(joined == fits);
    REQUIRE(out[capacity] == u'#');
    if (capacity == 0) return 0;
    REQUIRE(std::u16string(out.data()) == (fits ? expected : u""));
    return 0;
}
