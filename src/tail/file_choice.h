// Following a pattern's newest file, on the shell's thread: when the reader
// is asked to list the folder, and what it chose.
//
// The reader looks at the folder at the first reload after a start or a new
// path, and at a reload at least rescan seconds after the latest look: it
// lists the folder when the folder's own write time has moved (a file
// created, renamed or deleted in it) or a full listing is due, and keeps the
// file chosen otherwise. A chosen file that is gone has the folder listed at
// once. The reloads are the reload timer's ticks and the forced ones: no
// timer of its own runs. A folder that could not be listed is listed again
// at the next reload; one where nothing matched waits for the rescan time.
#pragma once

#include <windows.h>

#include "tail/file_reader.h"

struct Source;

// After a start or a new path: list at the next look.
void forgetChosenFile(Source& source);
void addFileChoice(const Source& source, FileChoice* choice);
void takeFileChoice(Source& source, const FileAnswer& answer);

// The path to name in a notice about the file: the one chosen, for a pattern.
const WCHAR* watchedFileNamed(const Source& source);
// The configuration menu's "Showing NAME" of the first source, in the ANSI code page.
const char* showingTitle();
