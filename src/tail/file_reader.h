// The watched file's reader: opens, queries and reads the file on a thread of
// the plugin's own, so that a file that stops answering (a share whose server
// went away) never holds the shell's thread. The shell's thread never makes a
// file call of its own.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "settings/buffer_sizes.h"
#include "settings/file_time.h"
#include "tail/seen_files.h"
#include "text/line_choice.h"
#include "text/text_decoding.h"

// The shell's thread waits this long for an answer before it goes on; a
// local file answers well within it.
const DWORD AnswerWait = 50;

// What the pane shows of the file: the bytes from offset to end, or with a
// filter, the lines among them that pass it. What was seen of the file
// (seen_files.h) may end later: whole lines stop before an unfinished line
// that another showing saw in part.
struct ShownBytes {
    bool valid;
    FileIdentity file;
    uint64_t offset;
    uint64_t end;     // in the file, where the bytes in the pane end
    uint64_t count;   // bytes of the file in the pane
    uint32_t lines;   // lines of the file in the pane
    bool lastLineOpen;
    EntryState entry;  // with a filter by entries: the entry the lines looked at end in
};

// With a pattern for a path, which of its files to open: the newest one,
// found by looking at the folder now, or else the one chosen last. A look
// lists the folder when its own write time has moved since the latest
// listing, or when a full listing is due. A chosen file that is gone has the
// folder listed at once.
struct FileChoice {
    bool pattern;
    bool lookNow;
    bool fullListing;
    uint64_t folderTime;  // at the latest look; 0: unknown
    WCHAR chosenName[FileNameCapacity];  // empty: none chosen
};

// What the reader is asked: the file, what was seen of it at the latest look,
// and what the pane shows of it, so that bytes appended since can be read alone.
struct FileRequest {
    WCHAR path[ResolvedPathSize];
    FileChoice fileChoice;
    int readBufferSize;
    Encoding encoding;        // as configured
    Encoding appendEncoding;  // of the lines a growth adds: as the pane shows the file
    LineChoice choice;
    // The time and size at the latest look; not looked at, the file is read
    // whatever they are.
    bool fileLooked;
    uint64_t lastWriteTime;
    uint64_t lastFileSize;
    bool appendAllowed;
    bool readerAway;  // the pane's view is away from its end
    bool countNewLines;  // ...and the lines beyond what was seen are counted
    ShownBytes shown;
    ByteOrderMark shownMark;  // found when the file was shown
    SeenFiles seenFiles;
};

enum FileRead { ReadNothing, ReadWhole, ReadAppended };
enum FileFailure { NoFailure, OpenFailed, NamesAFolder, QueryFailed, ReadFailed, NoFileMatches };

// The reader's answer. Its bytes are the file's from offset on, one after
// another, or with a filter, the lines that pass put side by side from the
// line at offset on.
struct FileAnswer {
    FileFailure failure;
    DWORD error;  // the system's code, with a failure
    uint64_t writeTime;
    uint64_t size;
    FileIdentity file;
    // The file is the one shown, and still holds what was seen of it.
    bool shownStillThere;
    bool seenBefore;  // the file holds what was seen of it, shown or not
    // Asked for: the lines beyond what was seen, as the pane shows lines;
    // only those in the first scanLimit bytes when more grew.
    uint32_t newLines;
    bool moreNewLines;
    FileRead read;
    uint32_t start;     // of the bytes, in the reader's buffer
    uint64_t offset;    // in the file, of the first byte given
    uint32_t count;     // bytes given
    uint64_t end;       // in the file, where what was looked at ends
    // Where among the bytes given those before the end of what was seen of
    // the file end: appended, the bytes read again in front of the new ones;
    // NoBoundary when nothing of the file was seen, or it no longer holds it.
    uint32_t boundary;
    ByteOrderMark mark;
    Encoding encoding;  // the bytes decode in it (auto: the pane decides)
    ByteSample head;  // whole: the first bytes from offset
    ByteSample tail;  // the last bytes before end
    // Whole lines: how many (appended: how many more), whether the last one
    // has its line end yet, and whether the first is only the end of a line
    // longer than readBufferSize.
    uint32_t lines;
    bool lastLineOpen;
    bool firstLineCut;
    bool firstLineSeen;  // appended whole lines: the first began before the seen end
    bool scanLimitReached;  // fewer lines pass within the scan limit than asked for
    EntryState entry;       // the entry the lines looked at end in, judging entries
    // Whole, with multiLine: the bytes of the file just before those given,
    // for the entry the first of them is in (text/entries.h).
    uint32_t lookBackCount;
    // A pattern's file: the name opened or tried, empty when none matches;
    // whether and when (GetTickCount) the folder was looked at, its write
    // time then, and whether it was listed.
    WCHAR chosenName[FileNameCapacity];
    bool folderLooked;
    DWORD folderLookedAt;
    uint64_t folderTime;
    bool listed;
};

// Readers for this start's sources, whose late answers go to notify. Each
// source takes a reader at its first request, unless every slot is held by
// a reader of an earlier start still blocked in a read: requests then get
// NoReader until one is free.
void startFileReaders(HWND notify);
// Lets a source's reader, or all, end by themselves without waiting: a
// reader blocked in a read ends when the read returns, releasing its hold on
// the plugin.
void stopSourceReader(uint32_t source);
void stopFileReaders();

// The readers whose buffers are held: one for each source that reads, and
// one for each reader of an earlier start still blocked in a read.
LONG readerMemoriesHeld();

// True while a source's request waits for its answer.
bool fileReaderBusy(uint32_t source);
// The reads made for the source's request in hand so far: a long scan moves
// it on, a file that stopped answering does not.
LONG fileReaderProgress(uint32_t source);

enum ReaderReply {
    ReaderAnswered,  // within AnswerWait: take the answer now
    ReaderLate,      // FileAnsweredMessage will say when it has come
    NoReader,        // nothing was asked: no reader is free; ask again later
};
// Hands a source's request over to its reader; false when no reader is free.
bool handFileRequest(uint32_t source, const FileRequest& request);
// Waits for the answer to a request handed over, until AnswerWait after
// `since` (GetTickCount): the readers of several sources work meanwhile.
ReaderReply awaitFileAnswer(uint32_t source, DWORD since);
// The source's answer, its bytes and the bytes before them, once per
// request, when it has come.
bool takeFileAnswer(uint32_t source, FileAnswer* answer, const uint8_t** bytes,
                    const uint8_t** lookBack);
