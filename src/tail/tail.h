// The file tail loader: puts the end of the watched file into the text pane.
#pragma once

#include <windows.h>

#include "tail/tail_range.h"
#include "tail/text_decoding.h"

// Shows the file whatever its time and size; on the reader of a new start,
// whose late answers reach the viewer window.
void startWatching(HWND viewer);
// Lets the reader go without waiting for a read in progress.
void stopWatching();

// Shows the file's end when it has changed. The file itself is read by the
// reader; an answer that comes too late arrives as FileAnsweredMessage.
void reloadFileTail();
void onFileAnswered();

// Makes the next reload show the file whatever its time and size.
void forgetWatchedFile();
// Shows the file now, as a new one: after a new path, encoding or settings.
void showWatchedFileAgain();

// The system's code pages, for the tail decoder.
extern const CodePageConverter systemCodePages;
