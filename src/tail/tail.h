// The file tail loader: puts the end of the watched file into the text pane.
#pragma once

#include <windows.h>

void reloadFileTail();

// Makes the next reload show the file whatever its time and size.
void forgetWatchedFile();

// Builds the path of the watched file: a drive-letter path as it stands,
// anything else joined to the plugin's folder. Returns false, leaving out
// empty, when the joined path does not fit.
bool resolveWatchedPath(const char* pluginFolder, const char* filePath, char* out, int capacity);

// Which bytes of a file of the given size are shown: the last
// readBufferSize of them, held to what the text buffer can take.
struct TailRange {
    ULONGLONG offset;
    DWORD count;
};
TailRange tailRange(ULONGLONG fileSize, int readBufferSize);

// A file counts as changed when its last-write time is later than the one
// seen last, or equal to it while the size differs: a writer that keeps the
// file open may append without the time moving on.
bool fileChanged(ULONGLONG writeTime, ULONGLONG size, ULONGLONG lastWriteTime,
                 ULONGLONG lastSize);
