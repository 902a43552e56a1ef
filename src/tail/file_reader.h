// The watched file's reader: opens, queries and reads the file on a thread of
// the plugin's own, so that a file that stops answering (a share whose server
// went away) never holds the shell's thread. The shell's thread never makes a
// file call of its own.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "settings/buffer_sizes.h"
#include "text/line_pattern.h"
#include "text/pattern_needles.h"
#include "text/text_decoding.h"

// The shell's thread waits this long for an answer before it goes on; a
// local file answers well within it.
const DWORD AnswerWait = 50;
// Posted to the window given to startFileReader when a late answer is ready.
const UINT FileAnsweredMessage = WM_APP + 1;

// A file time as one number of 100-nanosecond steps.
inline uint64_t fileTimeNumber(FILETIME time) {
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

// Tells one file from another across renames; zeros when the system cannot.
struct FileIdentity {
    DWORD volume;
    ULONGLONG index;
};

// A few bytes of the file as shown, read again to tell a file that kept them
// from one cut short and written anew.
const uint32_t SampleCapacity = 16;
struct ByteSample {
    uint64_t offset;
    uint32_t count;
    uint8_t bytes[SampleCapacity];
};

// What the pane shows of the file: the bytes from offset to end, or with a
// filter, the lines among them that pass it.
struct ShownBytes {
    bool valid;
    FileIdentity file;
    uint64_t offset;
    uint64_t end;
    ByteSample head;  // the first bytes from offset
    ByteSample tail;  // the last bytes before end
    uint64_t count;   // bytes of the file in the pane
    uint32_t lines;   // lines of the file in the pane
    bool lastLineOpen;
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

// Which lines are shown: with neither, the last readBufferSize bytes.
struct LineChoice {
    uint32_t lines;  // the last so many whole lines; 0: as many as fit
    bool showSet;    // only lines that match show...
    LinePattern show;
    PatternNeedles showNeedles;
    bool hideSet;    // ...and do not match hide
    LinePattern hide;
    PatternNeedles hideNeedles;
    uint64_t scanLimit;  // bytes read back at most to find them
};

inline bool linesChosen(const LineChoice& choice) {
    return choice.lines > 0 || choice.showSet || choice.hideSet;
}
inline bool filtered(const LineChoice& choice) { return choice.showSet || choice.hideSet; }

// What the reader is asked: the file, what was seen of it at the latest look,
// and what the pane shows of it, so that bytes appended since can be read alone.
struct FileRequest {
    WCHAR path[ResolvedPathSize];
    FileChoice fileChoice;
    int readBufferSize;
    Encoding encoding;  // as configured
    LineChoice choice;
    bool seen;  // false: read the file whatever its time and size
    uint64_t lastWriteTime;
    uint64_t lastFileSize;
    bool appendAllowed;
    bool readerAway;  // the pane's view is away from its end
    ShownBytes shown;
    ByteOrderMark shownMark;  // found when the file was shown
};

enum FileRead { ReadNothing, ReadWhole, ReadAppended };
enum FileFailure { NoFailure, OpenFailed, NamesAFolder, QueryFailed, ReadFailed, NoFileMatches };

struct FileAnswer {
    FileFailure failure;
    DWORD error;  // the system's code, with a failure
    uint64_t writeTime;
    uint64_t size;
    FileIdentity file;
    // The file is the one shown, and the shown bytes are still where they were.
    bool shownStillThere;
    FileRead read;
    uint32_t start;     // of the bytes, in the reader's buffer
    uint64_t offset;    // of the first byte in the file
    uint32_t count;     // bytes read, or of the lines chosen, one after another
    uint64_t end;       // in the file, where what was looked at ends
    // Where the bytes shown before end among these bytes: appended, the
    // bytes read again in front; whole, 0 when they all lie before, or
    // NoBoundary when they are not among them.
    uint32_t boundary;
    ByteOrderMark mark;
    ByteSample head;  // whole: the first bytes from offset
    ByteSample tail;  // the last bytes before end
    // Whole lines: how many (appended: how many more), whether the last one
    // has its line end yet, and whether the first is only the end of a line
    // longer than readBufferSize.
    uint32_t lines;
    bool lastLineOpen;
    bool firstLineCut;
    bool scanLimitReached;  // fewer lines pass within the scan limit than asked for
    // A pattern's file: the name opened or tried, empty when none matches;
    // whether and when (GetTickCount) the folder was looked at, its write
    // time then, and whether it was listed.
    WCHAR chosenName[FileNameCapacity];
    bool looked;
    DWORD lookedAt;
    uint64_t folderTime;
    bool listed;
};

// Takes a reader for this start, whose late answers go to notify. Returns
// false when every reader slot is held by a reader of an earlier start that is
// still blocked, or no thread can be made: requests then get NoReader until
// one is free.
bool startFileReader(HWND notify);
// Lets the reader end by itself, without waiting for it: a reader blocked in
// a read ends when the read returns, releasing its hold on the plugin.
void stopFileReader();

// True while a request waits for its answer.
bool fileReaderBusy();

enum ReaderReply {
    ReaderAnswered,  // within AnswerWait: take the answer now
    ReaderLate,      // FileAnsweredMessage will say when it has come
    NoReader,        // nothing was asked: no reader is free; ask again later
};
// Hands a request over and waits up to AnswerWait.
ReaderReply askFileReader(const FileRequest& request);
// The answer and its bytes, once per request, when it has come.
bool takeFileAnswer(FileAnswer* answer, const uint8_t** bytes);

bool sameFile(FileIdentity a, FileIdentity b);
