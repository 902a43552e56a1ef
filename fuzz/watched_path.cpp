// The watched file's path: the plugin's folder (cut from a module file name)
// joined with the configured path, into a buffer of a given capacity. The
// result is the whole join or nothing, never cut and never past the buffer.
#include "fuzz_input.h"
#include "settings/buffer_sizes.h"
#include "settings/text.h"
#include "tail/tail_range.h"

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    int capacity = input.take<uint16_t>() % (ResolvedPathSize + 1);
    std::string folderText = input.takeText();
    std::string pathText = input.takeText();
    checkFolderCut(folderText);

    std::vector<char> folder = exactCopy(folderText);
    std::vector<char> path = exactCopy(pathText);
    std::vector<char> out(capacity);
    bool joined = resolveWatchedPath(folder.data(), path.data(), out.data(), capacity);

    bool absolute = pathText.size() >= 3 && pathText[1] == ':' && pathText[2] == '\\';
    std::string expected = (absolute ? "" : folderText) + pathText;
    bool fits = (long)expected.size() < capacity;
    REQUIRE(joined == fits);
    if (capacity == 0) return 0;
    REQUIRE(std::string(out.data()) == (fits ? expected : ""));
    return 0;
}
