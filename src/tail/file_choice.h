// Following a pattern's newest file, on the shell's thread: when the reader
// is asked to list the folder, and what it chose.
//
// The reader lists the folder at the first look after a start or a new path,
// at a look at least rescan seconds after the latest listing, and at once
// when the file chosen is gone; otherwise it opens the file it chose last.
// The looks are the reload timer's ticks and the forced reloads: no timer of
// its own runs. A folder that could not be listed is listed again at the next
// look; one where nothing matched waits for the rescan time.
#pragma once

#include <windows.h>

#include "tail/file_reader.h"

// After a start or a new path: list at the next look.
void forgetChosenFile();
void addFileChoice(FileChoice* choice);
void takeFileChoice(const FileAnswer& answer);

// The path to name in a notice about the file: the one chosen, for a pattern.
const WCHAR* watchedFileNamed();
// The configuration menu's "Showing NAME", in the ANSI code page.
const char* showingTitle();
