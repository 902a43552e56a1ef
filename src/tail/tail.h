// The file tail loader: puts the end of the watched file into the text pane.
//
// How a change reaches the pane, across three files and two threads:
// - tail.cpp (the shell's thread) composes a request from what was seen of
//   the file at the latest look (time and size) and what the pane shows of it
//   (which file, which bytes, a sample of its first and last bytes), and
//   allows an append only while the pane's text is the file's, unedited, in
//   an encoding whose characters a window's start cannot cut.
// - file_answer.cpp (on the reader thread of file_reader.cpp) looks at the
//   file: unchanged, it reads nothing. Changed, it reads the samples again:
//   the same file still holding the bytes shown, grown by no more than
//   tail_range.cpp's appendRange (or for whole lines, linesFitAfterAppend)
//   allows, gets just its new bytes, read from a few bytes before the shown
//   end so that a character or CR LF cut there is joined (with a filter, the
//   new lines that pass); anything else gets the last readBufferSize bytes,
//   or the last whole lines, whole.
// - tail.cpp decodes the answer. Appended bytes are added to the pane when
//   they decode in the encoding shown; otherwise the file is asked for again,
//   whole. A whole tail keeps the reader's place only in the file shown,
//   while the bytes shown are still there.
#pragma once

#include <windows.h>

#include "text/tail_range.h"
#include "text/text_decoding.h"

// Shows the file as a new one, on the reader of a new start, whose late
// answers reach the viewer window.
void startWatching(HWND viewer);
// Lets the reader go without waiting for a read in progress.
void stopWatching();

// Shows the file's end when it has changed. The file itself is read by the
// reader; an answer that comes too late arrives as FileAnsweredMessage.
void reloadFileTail();
void onFileAnswered();
// Ends the retry timer, that asks again for a reader that was not free.
void stopReaderRetry();

// Forgets what was seen of the file and shown of it: the next look reads it
// whatever its time and size.
void forgetWatchedFile();
// Shows the file now, as a new one: after a new path, encoding or settings.
void showWatchedFileAgain();

// The system's code pages, for the tail decoder.
extern const CodePageConverter systemCodePages;
