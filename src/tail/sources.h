// The watched files, the sources of the pane's lines: what each source is
// set to, what its reader was asked and answered, and what it shows. Kept
// by the tail; the viewer is handed what it draws.
#pragma once

#include <windows.h>

#include "settings/buffer_sizes.h"
#include "tail/file_reader.h"
#include "text/merged_pane.h"
#include "text/source_value.h"

// Which bytes of which file the pane's text was decoded from, and how;
// invalid when the pane holds anything else.
struct ShownTail {
    ShownBytes bytes;
    Encoding encoding;
    ByteOrderMark mark;
};

// One watched file, a source of the pane's lines: its path, what was looked
// at and shown of it, and with a pattern, which of its files is followed.
struct Source {
    // Its setting names a file: the file path for the first source, a
    // usable value for the others; with its label and colour.
    bool active;
    SourceValue value;
    WCHAR resolvedPath[ResolvedPathSize];
    // The file's time and size at the latest look that read it; not looked
    // at, the next look reads the file whatever they are.
    bool fileLooked;
    ULONGLONG lastWriteTime;
    ULONGLONG lastFileSize;
    // The file's last write at its latest answer, when the lines of a file
    // without times were written.
    ULONGLONG linesWrittenAt;
    // The next answer shows the file as a new one: from its end, with no
    // place kept and nothing appended.
    bool showAsNew;
    bool newShowWaiting;  // a new show asked for while the reader was busy
    bool readerWanted;    // no reader was free at the latest look
    bool askedAsNew;      // the request in hand shows the file as new
    bool askedToCount;    // ...and counts the lines beyond what was seen
    LONG readerProgressSeen;  // the reads its reader had made at the latest busy tick
    ShownTail shownTail;
    // What this source showed of each file lately (tail/seen_files.h): its
    // own, so that what another source shows never pushes it out.
    SeenFiles seen;
    // Following a pattern's newest file (tail/file_choice.h).
    bool watchingPattern;
    bool listingForced;
    DWORD lastFolderLook;
    DWORD lastListingTick;
    ULONGLONG folderTime;
    WCHAR chosenName[FileNameCapacity];
    // With several sources (tail/sources_pane.h): its lines as shown in its
    // text (text/merged_pane.h). Its notice, apart from its lines; whether
    // only the filter left it without lines; the earlier source (1 to 4)
    // that shows the same file, or 0.
    SourceLines lines;
    // Its text holds textCapacity units. The whole lines of its file just
    // before its text, for the entry its first line is in, are
    // lookBack[lookBackStart, + lookBackLength), of LookBackTextSize units.
    // Both lie in the source's own memory (tail/source_memory.h), or are
    // NULL while it holds none.
    WCHAR* text;
    uint32_t textCapacity;
    WCHAR* lookBack;
    uint32_t lookBackStart;
    uint32_t lookBackLength;
    uint32_t noticeLength;
    WCHAR notice[NoticeCapacity];
    bool noLinePasses;
    FileIdentity answeredFile;  // the file of the reader's latest answer that read one
    uint32_t sameFileAs;
    // For the status line (text/status_text.h), in its seconds: when the file
    // last grew (first seen: its last write), since when the source shows a
    // file that took the place of the one it showed, and since when its
    // reader has been asked; whether the reader stalled, and why the file
    // cannot be shown (NoFailure: it can).
    uint32_t grownAt;
    bool fileShown;
    FileIdentity shownFile;
    bool newFileTaken;
    uint32_t newFileAt;
    uint32_t newFileMinute;  // of the local day
    uint32_t askedAt;
    bool readerStalled;
    FileFailure failure;
    DWORD failureError;
};

extern Source sources[MostSources];
