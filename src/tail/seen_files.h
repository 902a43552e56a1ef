// The memory of what the widget has shown of each file, for the last few
// files each source has shown: what tells the bytes that are new from the
// bytes already seen, whatever path brings a file into view. Each source
// keeps its own records, and a source's look is also told what the other
// sources show now: what one source shows never pushes another's file out.
//
// A file is known by its identity (volume and index, which a rename keeps).
// What was shown of it ends at `end`, and two samples of its bytes (the first
// of the last full showing, the last before `end`) are read again at the
// next look: a file that still holds them, and is no shorter, still holds the
// text seen. Bytes beyond `end` are new; bytes at or before it are not, after
// a notice, a pattern's switch to another file and back, a new encoding or
// Reload Settings alike. A file cut short and written anew, or never shown,
// has no bytes seen. The oldest record gives way to a new one; the file a
// source shows now is its latest, never the oldest.
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

// A source's own records, enough for a pattern whose newest file changes
// now and then; a look's list has room for the other sources' files too.
const uint32_t OwnSeenFiles = 12;
const uint32_t SeenFileCapacity = 16;

struct SeenFiles {
    uint32_t count;
    SeenFile files[SeenFileCapacity];  // the latest shown first
};

// The record of the file, or none.
const SeenFile* findSeenFile(const SeenFiles& seen, FileIdentity file);
// Records what is shown of a file now, as the latest shown, keeping at most
// `most` records.
void rememberSeenFile(SeenFiles* seen, const SeenFile& shown, uint32_t most);
// Adds a record at the end when the list has room and no record of its file.
void addSeenFile(SeenFiles* seen, const SeenFile& other);
