// The reader thread's side of following a pattern's newest file: listing
// the folder, choosing, and opening the file chosen.
#pragma once

#include <windows.h>

#include "tail/file_reader.h"
#include "text/newest_file.h"

// Lists the folder of a path whose file name is a pattern. Returns false,
// with the system's error, when the folder could not be listed; a folder
// with no match is listed all the same.
bool findNewestFile(const WCHAR* patternPath, NewestFile* newest, DWORD* error);

// The pattern's folder joined with a file name, in a buffer of this size.
const int ChosenPathSize = ResolvedPathSize + FileNameCapacity;
void joinChosenName(const WCHAR* patternPath, const WCHAR* name, WCHAR (&path)[ChosenPathSize]);

// Opens the file the request watches for reading, as any writer allows. For
// a pattern, the file chosen is in the answer; a file other than the one
// shown turns the request into one for a new file. Returns
// INVALID_HANDLE_VALUE with the failure in the answer, or with none and the
// open's error as the last error.
HANDLE openWatchedFile(FileRequest& request, FileAnswer* answer);
