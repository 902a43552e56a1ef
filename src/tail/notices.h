// What the pane says in place of the file: no file chosen, a file that
// cannot be opened or read, a folder, a pattern that matches nothing, a file
// that is not answering. A notice puts the reason first and the path on the
// line after it, and takes as many lines as the pane's width needs, wrap or
// no wrap (text/notice_layout.h). It is kept as composed and as laid out, so
// that a new width or font lays it out again while the pane still shows it.
// With several sources, a notice is one line of its source's among the
// others' (tail/sources_pane.h), the path behind the reason.
#pragma once

#include <windows.h>
#include <stdint.h>
#include "tail/sources.h"

struct Source;

struct Notice {
    WCHAR* text;
    int length;
};

// Composes a new notice in the state record's notice text.
Notice startNotice();
void add(Notice& notice, const WCHAR* part);
// The system's text for an error code, kept to one line.
void addSystemReason(Notice& notice, DWORD error);
// ...into out, where it may be empty; returns its length.
uint32_t writeSystemReason(DWORD error, WCHAR* out, uint32_t capacity);
// Shows the notice in place of the source's file, written only when it does
// not already stand in the pane, so that a user's selection survives.
void showNotice(Source& source, const Notice& notice);

// The failure and the system's reason, then the path tried.
void showFailure(Source& source, const WCHAR* failure, DWORD error, const WCHAR* path);
// The reason, then the watched path.
void showPathNotice(Source& source, const WCHAR* reason);
// Where the pane does not show the file yet: a reader that makes no reads
// waits for the file; one that does, for a filter looking through it.
void showNotAnswering(Source& source);
void showScanning(Source& source);
// The source's lines could not be given memory of their own.
void showNoMemory(Source& source);
// A wildcard in the path's folder part, which no file can match.
void showWildcardInFolder(Source& source);
// No path at all: the notice says where to choose one, and nothing is watched.
void showNothingChosen();
