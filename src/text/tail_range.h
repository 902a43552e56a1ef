// The tail loader's decisions that need no file: which path to open, which
// bytes to show, and whether the file changed.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// True for the absolute forms taken as they stand: a drive letter, a colon
// and a backslash, or a share's two leading backslashes.
bool isAbsolutePath(const WideChar* path);

// Builds the path of the watched file: an absolute path as it stands,
// anything else joined to the plugin's folder; a path in double quotes
// without them. Returns false, leaving out
// empty, when the joined path does not fit.
bool resolveWatchedPath(const WideChar* pluginFolder, const WideChar* filePath, WideChar* out,
                        int capacity);

// Which bytes of a file of the given size are shown: the last
// readBufferSize of them, held to what the text buffer can take.
struct TailRange {
    uint64_t offset;
    uint32_t count;
};
TailRange tailRange(uint64_t fileSize, int readBufferSize);
// The most bytes the pane shows of a file: the count of a long file's range.
inline uint32_t windowBytes(int readBufferSize) { return tailRange(UINT64_MAX, readBufferSize).count; }
// The most bytes of a file the pane keeps: a whole read, and while the
// reader is away from the end, the older bytes appends keep in front of it.
uint32_t mostBytesKept(int readBufferSize);

// How a file that grew is shown by adding only its new bytes to the pane's
// text. The read starts a few bytes before the end the pane shows, so that a
// character or a CR LF pair cut there is joined; boundary is that end's
// place in the bytes read. Not possible when the file did not grow, when a
// full reload would show older bytes than the pane holds, or when the pane
// would hold more than a quarter of the window in older bytes than a full
// reload shows: the full reload then cuts the front.
// While the reader is away from the end, the pane keeps older text in front
// until it holds four times readBufferSize in all, bounded by the pane's limit.
struct AppendRange {
    bool possible;
    uint64_t offset;
    uint32_t count;
    uint32_t boundary;
};
AppendRange appendRange(uint64_t shownOffset, uint64_t shownEnd, uint64_t fileSize,
                        int readBufferSize, bool readerAway);

// Growth of a file shown in whole lines, read from a few bytes before the
// shown end as above; not possible when the file did not grow or grew by
// more than readBufferSize.
AppendRange lineAppendRange(uint64_t shownEnd, uint64_t fileSize, int readBufferSize);

// Whether a pane showing whole lines may keep them all after an append: at
// most a quarter more lines than asked for and a quarter more bytes than
// readBufferSize, or while the reader is away from the end, four times as
// many (bounded by the pane's limit). Otherwise a full reload cuts whole
// lines at its front. maxLines 0 asks for no number of lines.
bool linesFitAfterAppend(uint64_t paneBytes, uint32_t paneLines, uint32_t maxLines,
                         int readBufferSize, bool readerAway);

// A file seen before counts as changed when its last-write time is later than
// the one seen last, or equal to it while the size differs: a writer that
// keeps the file open may append without the time moving on.
bool fileChanged(uint64_t writeTime, uint64_t size, uint64_t lastWriteTime, uint64_t lastSize);
