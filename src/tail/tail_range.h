// The tail loader's decisions that need no file: which path to open, which
// bytes to show, and whether the file changed.
#pragma once

#include <stdint.h>

// True for the one absolute form taken as it stands: a drive letter, a colon
// and a backslash.
bool isDriveLetterPath(const char* path);

// Builds the path of the watched file: a drive-letter path as it stands,
// anything else joined to the plugin's folder. Returns false, leaving out
// empty, when the joined path does not fit.
bool resolveWatchedPath(const char* pluginFolder, const char* filePath, char* out, int capacity);

// Which bytes of a file of the given size are shown: the last
// readBufferSize of them, held to what the text buffer can take.
struct TailRange {
    uint64_t offset;
    uint32_t count;
};
TailRange tailRange(uint64_t fileSize, int readBufferSize);

// How a file that grew is shown by adding only its new bytes to the pane's
// text. The read starts a few bytes before the end the pane shows, so that a
// character or a CR LF pair cut there is joined; boundary is that end's
// place in the bytes read. Not possible when the file did not grow, when a
// full reload would show older bytes than the pane holds, or when the pane
// would hold more than a quarter of the window in older bytes than a full
// reload shows: the full reload then cuts the front.
struct AppendRange {
    bool possible;
    uint64_t offset;
    uint32_t count;
    uint32_t boundary;
};
AppendRange appendRange(uint64_t shownOffset, uint64_t shownEnd, uint64_t fileSize,
                        int readBufferSize);

// A file seen before counts as changed when its last-write time is later than
// the one seen last, or equal to it while the size differs: a writer that
// keeps the file open may append without the time moving on.
bool fileChanged(uint64_t writeTime, uint64_t size, uint64_t lastWriteTime, uint64_t lastSize);
