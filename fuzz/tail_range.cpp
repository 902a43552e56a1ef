// The tail's offset and count for any file size and any readBufferSize, and
// the change decision for any pair of times and sizes, and the append range
// for any shown window: never before it, never more than the text buffer holds. The count is what
// lands in the text buffer, followed by its zero.
#include "fuzz_input.h"
#include "settings/buffer_sizes.h"
#include "text/tail_range.h"

static char textBuffer[TextBufferSize];

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint64_t fileSize = input.take<uint64_t>();
    int readBufferSize = input.take<int32_t>();
    TailRange range = tailRange(fileSize, readBufferSize);

    uint64_t wanted = readBufferSize < 0 ? 0 : (uint64_t)readBufferSize;
    if (wanted > TextBufferSize - 1) wanted = TextBufferSize - 1;
    REQUIRE(range.count == (fileSize < wanted ? fileSize : wanted));
    REQUIRE(range.offset == fileSize - range.count);
    memset(textBuffer, 'x', range.count);
    textBuffer[range.count] = 0;

    uint64_t writeTime = input.take<uint64_t>();
    uint64_t lastWriteTime = input.take<uint64_t>();
    uint64_t lastSize = input.take<uint64_t>();
    bool changed = fileChanged(writeTime, fileSize, lastWriteTime, lastSize);
    bool expected = writeTime > lastWriteTime || (writeTime == lastWriteTime && fileSize != lastSize);
    REQUIRE(changed == expected);

    uint64_t shownOffset = fileSize ? input.take<uint64_t>() % fileSize : 0;
    if (shownOffset > UINT64_MAX / 2) shownOffset /= 2;  // leaves room for the shown end
    uint64_t shownEnd = shownOffset + input.take<uint32_t>() % (TextBufferSize * 4);
    bool readerAway = input.take<uint8_t>() & 1;
    AppendRange append = appendRange(shownOffset, shownEnd, fileSize, readBufferSize, readerAway);
    if (append.possible) {
        REQUIRE(append.offset <= shownEnd && append.offset + append.boundary == shownEnd);
        REQUIRE(append.offset + append.count == fileSize);
        REQUIRE(append.count <= range.count && append.count > append.boundary);
        REQUIRE(fileSize - shownOffset <= (readerAway ? 4 * (uint64_t)range.count : range.count + range.count / 4));
    }
    return 0;
}
