#include "tail/tail_range.h"

#include "settings/buffer_sizes.h"
#include "settings/text.h"

static const uint32_t MaxShownBytes = TextBufferSize - 1;
// Enough to reach the start of a UTF-8 character or a UTF-16 surrogate pair.
static const uint32_t JoinMargin = 8;

bool isDriveLetterPath(const char* path) {
    return path[0] != 0 && path[1] == ':' && path[2] == '\\';
}

bool resolveWatchedPath(const char* pluginFolder, const char* filePath, char* out, int capacity) {
    return joinText(out, capacity, isDriveLetterPath(filePath) ? "" : pluginFolder, filePath);
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

AppendRange appendRange(uint64_t shownOffset, uint64_t shownEnd, uint64_t fileSize,
                        int readBufferSize) {
    AppendRange append = {false, 0, 0, 0};
    TailRange full = tailRange(fileSize, readBufferSize);
    if (fileSize <= shownEnd || shownOffset > shownEnd || shownOffset > full.offset) return append;
    if (full.offset - shownOffset > full.count / 4) return append;
    uint64_t joined = shownEnd - shownOffset < JoinMargin ? shownEnd - shownOffset : JoinMargin;
    if (fileSize - shownEnd + joined > full.count) return append;
    append.possible = true;
    append.offset = shownEnd - joined;
    append.count = (uint32_t)(fileSize - append.offset);
    append.boundary = (uint32_t)joined;
    return append;
}

bool fileChanged(uint64_t writeTime, uint64_t size, uint64_t lastWriteTime, uint64_t lastSize) {
    if (writeTime > lastWriteTime) return true;
    return writeTime == lastWriteTime && size != lastSize;
}
