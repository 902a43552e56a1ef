// The tail's offset and count for any file size and any readBufferSize, and
// the change decision for any pair of times and sizes. The count is what
// lands in the text buffer, followed by its zero.
#include "fuzz_input.h"
#include "settings/buffer_sizes.h"
#include "tail/tail_range.h"

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
    bool expected = lastWriteTime == 0 || writeTime > lastWriteTime ||
                    (writeTime == lastWriteTime && fileSize != lastSize);
    REQUIRE(changed == expected);
    return 0;
}
