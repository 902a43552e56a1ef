// The reader thread's work on one request: see file_answer.cpp.
#pragma once

#include <windows.h>

#include "tail/file_reader.h"

// Lines are read back from the end in blocks of this size; a line longer
// than MatchedLineSize bytes is matched on its last so many.
const uint32_t LineBlockSize = 256 * 1024;
const uint32_t MatchedLineSize = TextBufferSize;
// Lines whose entries are not yet known, while whole entries are read back.
const uint32_t EntryLineRecords = 2048;

// The reader's own buffers, and the count of its reads, which it moves on.
struct ReaderBuffers {
    uint8_t* shown;       // TextBufferSize bytes: the answer's bytes
    uint8_t* block;       // LineBlockSize bytes: lines read backwards
    WideChar* lineText;   // 2 * MatchedLineSize + 1 units: a line decoded for the filter
    EntryLine* entryLines;  // EntryLineRecords
    uint8_t* lookBack;    // EntryLookBackBytes: the bytes before those shown
    volatile LONG* progress;
};

// Answers a request; the request's file choice may be updated on the way.
void answerRequest(FileRequest& request, FileAnswer* answer, const ReaderBuffers& buffers);
