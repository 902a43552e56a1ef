// The file tail loader: puts the end of each watched file (each source) into
// the text pane. With one source the pane shows that file's end; with
// several, each source's whole lines, merged (tail/sources_pane.h).
//
// How a change reaches the pane, across three files and two threads (one
// reader thread for each source):
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
#include "settings/code_pages.h"
#include "text/text_decoding.h"
#include "tail/sources.h"

struct Source;

// Shows the sources' files as new ones, on readers of a new start, whose
// late answers reach the viewer window.
void startWatching(HWND viewer);
// Lets the readers go without waiting for a read in progress.
void stopWatching();

// Shows each source's end when its file has changed. The file itself is read
// by the source's reader; an answer that comes too late arrives as
// FileAnsweredMessage, for the source it names.
void reloadFileTail();
void onFileAnswered(uint32_t source);
// The retry timer asks again for the readers that were not free, and takes
// the memory of sources that lack it, and ends.
void retryWantedReaders();
void stopReaderRetry();

// Forgets what was looked at and shown of the source's file: the next look
// reads it whatever its time and size.
void forgetWatchedFile(Source& source);
// Shows every source now, as new, with the settings as they are: after a new
// path, source, encoding, line setting or Reload Settings.
void showWatchedFileAgain();
// The pane made anew for wordWrap; a text cut on the way is no longer the
// files' bytes, and the next answers show them whole.
void applyWordWrap();
// More than one source is watched: the pane merges their lines.
bool severalSources();
