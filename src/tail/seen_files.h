// The one memory of what the widget has shown of each file, for the last
// few files it has shown: what tells the bytes that are new from the bytes
// already seen, whatever path brings a file into view.
//
// A file is known by its identity (volume and index, which a rename keeps).
// What was shown of it ends at `end`, and two samples of its bytes (the first
// of the last full showing, the last before `end`) are read again at the
// next look: a file that still holds them, and is no shorter, still holds the
// text seen. Bytes beyond `end` are new; bytes at or before it are not, after
// a notice, a pattern's switch to another file and back, a new encoding or
// Reload Settings alike. A file cut short and written anew, or never shown,
// has no bytes seen. The oldest record gives way to a new one.
#pragma once

#include <stdint.h>

// Tells one file from another across renames; zeros when the system cannot.
struct FileIdentity {
    uint32_t volume;
    uint64_t index;
};
bool sameFile(FileIdentity a, FileIdentity b);

// A few bytes of a file, read again to tell a file that kept them from one
// cut short and written anew.
const uint32_t SampleCapacity = 16;
struct ByteSample {
    uint64_t offset;
    uint32_t count;
    uint8_t bytes[SampleCapacity];
};

struct SeenFile {
    FileIdentity file;
    uint64_t end;
    ByteSample head;
    ByteSample tail;
};

// Enough for four sources that each follow a pattern whose newest file
// changes now and then.
const uint32_t SeenFileCapacity = 16;

struct SeenFiles {
    uint32_t count;
    SeenFile files[SeenFileCapacity];  // the latest shown first
};

// The record of the file, or none.
const SeenFile* findSeenFile(const SeenFiles& seen, FileIdentity file);
// Records what is shown of a file now, as the latest shown.
void rememberSeenFile(SeenFiles* seen, const SeenFile& shown);
