// Following the newest file whose name matches a pattern: which paths are
// patterns, whether a name matches one, and which of the files listed is the
// newest. Free of any file or window, so that it is tested and fuzzed natively.
#pragma once

#include <stdint.h>

#include "settings/buffer_sizes.h"
#include "text/text_decoding.h"

enum WatchedPathForm { PlainPath, NamePattern, WildcardInFolder };

// A path whose file name (after its last backslash or slash) holds '*' or
// '?' is a pattern; one with either in its folder part is refused. The '?'
// of a leading "\\?\" is no wildcard.
WatchedPathForm watchedPathForm(const WideChar* path);

// Where the file name starts: behind the last backslash or slash.
int fileNameStart(const WideChar* path);

// Windows' rules, applied to the long name alone: '*' stands for any run of
// characters, '?' for exactly one, case is ignored, and a final ".*" also
// matches the end of a name, so that "*.*" matches every name.
bool nameMatches(const WideChar* pattern, const WideChar* name);

// The newest of the files seen so far: the latest write time, and among
// equal times the greater name (case ignored; then by code units).
struct NewestFile {
    bool found;
    uint64_t writeTime;
    WideChar name[FileNameCapacity];
};
void startNewestFile(NewestFile* newest);
// One entry of a listing. Folders never count, nor names that do not match
// or that are too long to keep.
void considerFile(NewestFile* newest, const WideChar* pattern, const WideChar* name,
                  uint64_t writeTime, bool folder);

// Whether the folder is looked at again, elapsed milliseconds after the
// latest look: at rescan seconds (below 1 counting as 1), less the little a
// timer's tick may come early by.
bool rescanDue(uint32_t elapsed, int rescanSeconds);
// Whether a folder whose write time has not moved is listed all the same,
// elapsed milliseconds after the latest listing: once a minute, or at every
// rescan when that is longer. A file written without being created moves no
// folder's time, and on some file systems (FAT) nothing does.
bool fullListingDue(uint32_t elapsed, int rescanSeconds);
