#include "text/newest_file.h"

#include <stddef.h>

#include "text/case_folding.h"

static bool isWildcard(WideChar unit) { return unit == '*' || unit == '?'; }
static bool isSeparator(WideChar unit) { return unit == '\\' || unit == '/'; }

// The system's prefix for paths beyond the usual length limit.
static int longPathPrefixLength(const WideChar* path) {
    bool prefixed = path[0] == '\\' && path[1] == '\\' && path[2] == '?' && path[3] == '\\';
    return prefixed ? 4 : 0;
}

int fileNameStart(const WideChar* path) {
    int start = 0;
    for (int i = 0; path[i] != 0; ++i) {
        if (isSeparator(path[i])) start = i + 1;
    }
    return start;
}

WatchedPathForm watchedPathForm(const WideChar* path) {
    int nameStart = fileNameStart(path);
    for (int i = longPathPrefixLength(path); i < nameStart; ++i) {
        if (isWildcard(path[i])) return WildcardInFolder;
    }
    for (int i = nameStart; path[i] != 0; ++i) {
        if (isWildcard(path[i])) return NamePattern;
    }
    return PlainPath;
}

static bool sameCharacter(WideChar a, WideChar b) { return a == b || foldCase(a) == foldCase(b); }

// Matches to the pattern's end or to its limit. A mismatch after a '*'
// lets that '*' take one more character, so the cost stays within the
// product of the two lengths.
static bool matchesUpTo(const WideChar* pattern, const WideChar* patternEnd, const WideChar* name) {
    const WideChar* afterStar = NULL;
    const WideChar* starTook = NULL;
    while (*name != 0) {
        if (pattern < patternEnd && *pattern == '*') {
            afterStar = ++pattern;
            starTook = name;
        } else if (pattern < patternEnd && (*pattern == '?' || sameCharacter(*pattern, *name))) {
            ++pattern;
            ++name;
        } else if (afterStar) {
            pattern = afterStar;
            name = ++starTook;
        } else {
            return false;
        }
    }
    while (pattern < patternEnd && *pattern == '*') ++pattern;
    return pattern == patternEnd;
}

static const WideChar* endOf(const WideChar* text) {
    while (*text != 0) ++text;
    return text;
}

// Where a final ".*" (a dot and only stars) starts; the end when there is none.
static const WideChar* finalDotStars(const WideChar* pattern, const WideChar* end) {
    const WideChar* at = end;
    while (at > pattern && at[-1] == '*') --at;
    bool dotStars = at < end && at > pattern && at[-1] == '.';
    return dotStars ? at - 1 : end;
}

bool nameMatches(const WideChar* pattern, const WideChar* name) {
    const WideChar* end = endOf(pattern);
    if (matchesUpTo(pattern, end, name)) return true;
    const WideChar* dot = finalDotStars(pattern, end);
    return dot != end && matchesUpTo(pattern, dot, name);
}

static int compareNames(const WideChar* a, const WideChar* b) {
    int byCode = 0;
    for (;; ++a, ++b) {
        uint32_t foldedA = foldCase(*a), foldedB = foldCase(*b);
        if (foldedA != foldedB) return foldedA < foldedB ? -1 : 1;
        if (byCode == 0 && *a != *b) byCode = *a < *b ? -1 : 1;
        if (*a == 0) return byCode;
    }
}

void startNewestFile(NewestFile* newest) {
    newest->found = false;
    newest->writeTime = 0;
    newest->name[0] = 0;
}

static bool copyName(WideChar* out, const WideChar* name) {
    int length = (int)(endOf(name) - name);
    if (length >= FileNameCapacity) return false;
    for (int i = 0; i <= length; ++i) out[i] = name[i];
    return true;
}

void considerFile(NewestFile* newest, const WideChar* pattern, const WideChar* name,
                  uint64_t writeTime, bool folder) {
    if (folder || !nameMatches(pattern, name)) return;
    if (newest->found) {
        if (writeTime < newest->writeTime) return;
        if (writeTime == newest->writeTime && compareNames(name, newest->name) <= 0) return;
    }
    if (!copyName(newest->name, name)) return;
    newest->found = true;
    newest->writeTime = writeTime;
}

static const uint32_t TickSlack = 200;
static const int UnchangedFolderRelisting = 60;

static bool periodPassed(uint32_t elapsed, int seconds) {
    return (uint64_t)elapsed + TickSlack >= (uint64_t)seconds * 1000;
}

bool rescanDue(uint32_t elapsed, int rescanSeconds) {
    return periodPassed(elapsed, rescanSeconds < 1 ? 1 : rescanSeconds);
}

bool fullListingDue(uint32_t elapsed, int rescanSeconds) {
    return periodPassed(elapsed, rescanSeconds > UnchangedFolderRelisting ? rescanSeconds
                                                                           : UnchangedFolderRelisting);
}
