// Following a pattern's newest file: the name matcher against a slow
// reference (a table of which pattern prefixes can end where in the name),
// the newest of any listing against a plain search for it, the path's form
// from its separators and wildcards, and the rescan and full listing times.
#include "fuzz_input.h"
#include "text/case_folding.h"
#include "text/newest_file.h"

typedef std::u16string Units;

// Fuzz bytes as name units without zeros: bytes from 0x80 letters with
// case pairs, so that case is exercised beyond ASCII.
static Units unitsOf(const std::string& bytes) {
    Units units;
    for (unsigned char byte : bytes) units += byte < 0x80 ? char16_t(byte) : char16_t(0xC0 + (byte & 0x3F));
    return units;
}

static bool referenceMatches(const Units& pattern, const Units& name) {
    std::vector<bool> reach(name.size() + 1, false);
    reach[0] = true;
    for (char16_t p : pattern) {
        std::vector<bool> next(name.size() + 1, false);
        for (size_t j = 0; j <= name.size(); ++j) {
            if (p == '*') next[j] = reach[j] || (j > 0 && next[j - 1]);
            else if (j > 0) next[j] = reach[j - 1] && (p == '?' || foldCase(p) == foldCase(name[j - 1]));
        }
        reach = next;
    }
    return reach[name.size()];
}

// A final ".*" (a dot, then stars only) also matches the end of the name.
static bool referenceWindowsMatch(const Units& pattern, const Units& name) {
    if (referenceMatches(pattern, name)) return true;
    size_t stars = pattern.find_last_not_of(u'*');
    if (stars == Units::npos || stars + 1 == pattern.size() || pattern[stars] != '.') return false;
    return referenceMatches(pattern.substr(0, stars), name);
}

static bool referenceGreater(const Units& a, const Units& b) {
    Units foldedA, foldedB;
    for (char16_t unit : a) foldedA += char16_t(foldCase(unit));
    for (char16_t unit : b) foldedB += char16_t(foldCase(unit));
    return foldedA != foldedB ? foldedA > foldedB : a > b;
}

struct Entry {
    Units name;
    uint64_t time;
    bool folder;
};

static void checkNewest(const Units& pattern, const std::vector<Entry>& listing) {
    NewestFile newest;
    startNewestFile(&newest);
    const Entry* expected = NULL;
    for (const Entry& entry : listing) {
        considerFile(&newest, pattern.c_str(), entry.name.c_str(), entry.time, entry.folder);
        bool counts = !entry.folder && entry.name.size() < (size_t)FileNameCapacity &&
                      referenceWindowsMatch(pattern, entry.name);
        bool newer = !expected || entry.time > expected->time ||
                     (entry.time == expected->time && referenceGreater(entry.name, expected->name));
        if (counts && newer) expected = &entry;
    }
    REQUIRE(newest.found == (expected != NULL));
    if (!expected) return;
    REQUIRE(newest.writeTime == expected->time);
    REQUIRE(Units(newest.name) == expected->name);
}

static void checkPathForm(const Units& path) {
    size_t separator = path.find_last_of(u"\\/");
    size_t nameStart = separator == Units::npos ? 0 : separator + 1;
    REQUIRE(fileNameStart(path.c_str()) == (int)nameStart);
    size_t prefix = path.compare(0, 4, u"\\\\?\\") == 0 ? 4 : 0;
    size_t folderWildcard = path.find_first_of(u"*?", prefix);
    WatchedPathForm form = watchedPathForm(path.c_str());
    if (folderWildcard != Units::npos && folderWildcard < nameStart) {
        REQUIRE(form == WildcardInFolder);
    } else {
        REQUIRE(form == (path.find_first_of(u"*?", nameStart) != Units::npos ? NamePattern : PlainPath));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint32_t elapsed = input.take<uint32_t>();
    int rescan = input.take<int32_t>();
    REQUIRE(rescanDue(elapsed, rescan) ==
            ((uint64_t)elapsed + 200 >= (uint64_t)(rescan < 1 ? 1 : rescan) * 1000));
    REQUIRE(fullListingDue(elapsed, rescan) ==
            ((uint64_t)elapsed + 200 >= (uint64_t)(rescan < 60 ? 60 : rescan) * 1000));

    Units pattern = unitsOf(input.takeText());
    if (pattern.size() > 64) pattern.resize(64);
    checkPathForm(pattern);
    std::vector<Entry> listing;
    while (listing.size() < 16) {
        uint8_t flags = input.take<uint8_t>();
        std::string name = input.takeText();
        if (name.empty() && flags == 0) break;
        Units units = unitsOf(name);
        if (flags & 0x80) units.append(FileNameCapacity, u'x');  // too long to keep
        listing.push_back({units, (uint64_t)(flags & 0x0F), (flags & 0x10) != 0});
        REQUIRE(nameMatches(pattern.c_str(), units.c_str()) == referenceWindowsMatch(pattern, units));
    }
    checkNewest(pattern, listing);
    return 0;
}
