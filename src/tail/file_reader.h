// The watched file's reader: opens, queries and reads the file on a thread of
// the plugin's own, so that a file that stops answering (a share whose server
// went away) never holds the shell's thread.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "settings/buffer_sizes.h"
#include "tail/text_decoding.h"

// The shell's thread waits this long for an answer before it goes on; a
// local file answers well within it.
const DWORD AnswerWait = 50;
// Posted to the window given to startFileReader when a late answer is ready.
const UINT FileAnsweredMessage = WM_APP + 1;

// A file time as one number of 100-nanosecond steps.
inline uint64_t fileTimeNumber(FILETIME time) {
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

// Tells one file from another across renames; zeros when the system cannot.
struct FileIdentity {
    DWORD volume;
    ULONGLONG index;
};

// What the reader is asked: the file, what was seen of it, and what the pane
// shows of it, so that bytes appended since can be read alone.
struct FileRequest {
    char path[ResolvedPathSize];
    int readBufferSize;
    uint64_t lastWriteTime;  // zero: show the file whatever its time
    uint64_t lastFileSize;
    bool appendAllowed;
    FileIdentity shownFile;
    uint64_t shownOffset;
    uint64_t shownEnd;
    uint8_t lastBytes[8];  // the last bytes shown
    uint32_t lastByteCount;
};

enum FileRead { ReadNothing, ReadWhole, ReadAppended };

struct FileAnswer {
    DWORD openError;  // zero when the file was opened
    uint64_t writeTime;
    uint64_t size;
    FileIdentity file;
    FileRead read;
    uint64_t offset;    // of the bytes read
    uint32_t count;     // bytes read
    uint32_t boundary;  // appended: where the bytes shown before end
    ByteOrderMark mark;
};

// Starts this start's reader thread. Returns false when no thread can be
// made; requests are then answered on the caller's thread.
bool startFileReader(HWND notify);
// Lets the reader end by itself, without waiting for it: a reader blocked in
// a read ends when the read returns, releasing its hold on the plugin.
void stopFileReader();

// True while a request waits for its answer.
bool fileReaderBusy();
// Hands a request over and waits up to AnswerWait; true when it was answered.
bool askFileReader(const FileRequest& request);
// The answer and its bytes, once per request, when it has come.
bool takeFileAnswer(FileAnswer* answer, const uint8_t** bytes);

bool sameFile(FileIdentity a, FileIdentity b);
