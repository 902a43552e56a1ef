#include "text/tail_range.h"

#include "settings/buffer_sizes.h"
#include "settings/text.h"

static const uint32_t MaxShownBytes = MostShownBytes;
// What the pane holds of a file at most: its buffers are sized for it.
static const uint64_t PaneByteLimit = DisplayTextSize - 1;
// Enough to reach the start of a UTF-8 character or a UTF-16 surrogate pair.
static const uint32_t JoinMargin = 8;

bool isAbsolutePath(const WideChar* path) {
    bool driveLetter = path[0] != 0 && path[1] == ':' && path[2] == '\\';
    bool share = path[0] == '\\' && path[1] == '\\';
    return driveLetter || share;
}

static int wideLength(const WideChar* text) {
    int length = 0;
    while (text[length] != 0) ++length;
    return length;
}

// A path in double quotes, as "Copy as path" gives it, is taken without
// them: one pair around the whole path, blanks outside it ignored.
static int unquote(const WideChar** path) {
    const WideChar* text = *path;
    int first = 0, last = wideLength(text);
    while (first < last && text[first] == ' ') ++first;
    while (last > first && text[last - 1] == ' ') --last;
    bool quoted = last - first >= 2 && text[first] == '"' && text[last - 1] == '"';
    if (!quoted) return wideLength(text);
    *path = text + first + 1;
    return last - first - 2;
}

bool resolveWatchedPath(const WideChar* pluginFolder, const WideChar* filePath, WideChar* out,
                        int capacity) {
    if (capacity <= 0) return false;
    int pathLength = unquote(&filePath);
    int folderLength = isAbsolutePath(filePath) ? 0 : wideLength(pluginFolder);
    if ((int64_t)folderLength + pathLength >= capacity) {
        out[0] = 0;
        return false;
    }
    for (int i = 0; i < folderLength; ++i) out[i] = pluginFolder[i];
    for (int i = 0; i < pathLength; ++i) out[folderLength + i] = filePath[i];
    out[folderLength + pathLength] = 0;
    return true;
}

TailRange tailRange(uint64_t fileSize, int readBufferSize) {
    uint32_t wanted = readBufferSize < 0 ? 0 : (uint32_t)readBufferSize;
    if (wanted > MaxShownBytes) wanted = MaxShownBytes;
    TailRange range = {0, 0};
    if (fileSize > wanted) {
        range.offset = fileSize - wanted;
        range.count = wanted;
    } else {
        range.count = (uint32_t)fileSize;
    }
    return range;
}

static uint64_t olderBytesKept(uint32_t window, bool readerAway) {
    if (!readerAway) return window / 4;
    uint64_t all = 4 * (uint64_t)window;
    return (all < PaneByteLimit ? all : PaneByteLimit) - window;
}

uint32_t mostBytesKept(int readBufferSize) {
    uint32_t window = windowBytes(readBufferSize);
    return window + (uint32_t)olderBytesKept(window, true);
}

AppendRange appendRange(uint64_t shownOffset, uint64_t shownEnd, uint64_t fileSize,
                        int readBufferSize, bool readerAway) {
    AppendRange append = {false, 0, 0, 0};
    TailRange full = tailRange(fileSize, readBufferSize);
    if (fileSize <= shownEnd || shownOffset > shownEnd || shownOffset > full.offset) return append;
    if (full.offset - shownOffset > olderBytesKept(full.count, readerAway)) return append;
    uint64_t joined = shownEnd - shownOffset < JoinMargin ? shownEnd - shownOffset : JoinMargin;
    if (fileSize - shownEnd + joined > full.count) return append;
    append.possible = true;
    append.offset = shownEnd - joined;
    append.count = (uint32_t)(fileSize - append.offset);
    append.boundary = (uint32_t)joined;
    return append;
}

AppendRange lineAppendRange(uint64_t shownEnd, uint64_t fileSize, int readBufferSize) {
    AppendRange append = {false, 0, 0, 0};
    uint32_t window = tailRange(fileSize, readBufferSize).count;
    uint64_t joined = shownEnd < JoinMargin ? shownEnd : JoinMargin;
    if (fileSize <= shownEnd || fileSize - shownEnd + joined > window) return append;
    append.possible = true;
    append.offset = shownEnd - joined;
    append.count = (uint32_t)(fileSize - append.offset);
    append.boundary = (uint32_t)joined;
    return append;
}

bool linesFitAfterAppend(uint64_t paneBytes, uint32_t paneLines, uint32_t maxLines,
                         int readBufferSize, bool readerAway) {
    uint32_t window = windowBytes(readBufferSize);
    if (paneBytes > window + olderBytesKept(window, readerAway)) return false;
    uint64_t moreLines = readerAway ? 3 * (uint64_t)maxLines : maxLines / 4;
    return maxLines == 0 || paneLines <= maxLines + moreLines;
}

bool fileChanged(uint64_t writeTime, uint64_t size, uint64_t lastWriteTime, uint64_t lastSize) {
    if (writeTime > lastWriteTime) return true;
    return writeTime == lastWriteTime && size != lastSize;
}
