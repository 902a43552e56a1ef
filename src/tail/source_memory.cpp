#include "tail/source_memory.h"

#include "settings/buffer_sizes.h"
#include "text/tail_range.h"
#include "text/text_decoding.h"
#include "viewer/pane_colours.h"

static uint32_t memoriesHeld;

static uint32_t indexOf(const Source& source) { return (uint32_t)(&source - sources); }

uint32_t sourceTextUnits(int readBufferSize) {
    uint32_t bytes = mostBytesKept(readBufferSize);
    return decodedCapacity(bytes < (uint32_t)MostShownBytes ? bytes : (uint32_t)MostShownBytes);
}

void giveSourceMemoryBack(Source& source) {
    if (!source.text) return;
    VirtualFree(source.text, 0, MEM_RELEASE);
    source.text = NULL;
    source.textCapacity = 0;
    source.lookBack = NULL;
    source.lookBackLength = 0;
    dropSourceLines(&source.lines);
    source.lines.text = NULL;
    dropSourceLookBack(indexOf(source));
    --memoriesHeld;
}

bool holdSourceMemory(Source& source, uint32_t textUnits) {
    if (source.text && source.textCapacity == textUnits) return true;
    giveSourceMemoryBack(source);
    SIZE_T size = ((SIZE_T)textUnits + LookBackTextSize) * sizeof(WCHAR);
    WCHAR* memory = (WCHAR*)VirtualAlloc(NULL, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory) return false;
    source.text = memory;
    source.textCapacity = textUnits;
    source.lookBack = memory + textUnits;
    ++memoriesHeld;
    return true;
}

uint32_t sourceMemoriesHeld() { return memoriesHeld; }
