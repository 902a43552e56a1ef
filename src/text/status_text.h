// The status line's text, free of any window and of the clock: what each
// source shows and how it is doing, how many lines arrived below the view,
// and which settings are off. Times are whole seconds since 2001 (UTC); the
// caller gives the time now, so that any age can be tried without waiting.
//
// An entry per source: "[label] name state", the label left out with one
// source, the name where it is the label. The state is the age of the
// file's last growth ("2 s", "14 min", "3 h 5 min", "2 d 4 h"), "quiet AGE"
// once that reaches the source's stale time, "new file 10:02" for a minute
// after the source took another file, "not answering AGE" while its reader
// waits for the file, "no line passes the filter" while the filter passes
// none of its lines, or why the file cannot be shown, in the pane's words:
// "no file matches the pattern", "is a folder", "cannot open: REASON",
// "cannot read: REASON".
//
// Entries are joined by " · ": "37 new lines below" first, then the sources
// in trouble (that cannot be shown, are not answering or are quiet), then
// the others, then each setting that is off ("source 2 off: no path",
// "source 1 label not used: blank in it", "rule 3 off"). Where the line does
// not fit its width, whole entries give way from its end to "+2 more".
// The first entry never gives way.
#pragma once

#include <stdint.h>

#include "text/notice_layout.h"
#include "text/text_decoding.h"

// A file time (100-nanosecond steps since 1601, UTC) in seconds since 2001;
// an earlier one counts as the first of them, 0 being no time.
uint32_t statusSeconds(uint64_t fileTime);

enum SourceCondition {
    SourceFollowing,
    SourceNewFile,
    SourceNotAnswering,
    SourceNoLinePasses,  // the filter passes none of the file's lines
    // Why the file cannot be shown:
    SourceNoMatch,     // the pattern matches no file
    SourceIsFolder,    // the path names a folder
    SourceCannotOpen,  // with the system's reason
    SourceCannotRead,  // with the system's reason
};

struct SourceStatus {
    const WideChar* label;  // null: not shown
    const WideChar* name;
    SourceCondition condition;
    const WideChar* reason;  // the system's, where the file cannot be opened or read; null: none
    uint32_t grownAt;  // the last growth seen, or the file's last write; 0: never seen
    uint32_t since;    // the new file was taken, or the reader was asked
    uint32_t takenAtMinute;  // of the local day, when the new file was taken
    uint32_t staleAfter;     // minutes without growth after which it is quiet; 0: never
};

// A setting that is off, or a part of one that is not used.
enum OffKind {
    SourceNote,      // "source 2 WORDS", the words of text/source_value.h
    SourceSameFile,  // "source 2 off: same file as source OTHER"
    RuleOff,         // "rule 3 off"
    FilterShowOff,   // "filter show off"
    FilterHideOff,   // "filter hide off"
};

struct OffSetting {
    OffKind kind;
    uint32_t number;    // of the source or the rule, from 1
    uint32_t other;     // SourceSameFile: the source that names the file first
    const char* words;  // SourceNote's
};

struct StatusInput {
    const SourceStatus* sources;
    uint32_t sourceCount;
    const OffSetting* offs;
    uint32_t offCount;
    uint32_t linesBelow;
    bool moreBelow;  // more than linesBelow: a growth too large to count
    uint32_t now;
};

// Whether the source has not grown for its stale time.
bool sourceStale(const SourceStatus& source, uint32_t now);
// Whether it cannot be shown, is not answering or is quiet: first on the line.
bool sourceInTrouble(const SourceStatus& source, uint32_t now);

// Writes the status into out, zero-terminated and cut to its capacity; with
// a fit, whole entries give way from the end, to "+N more", until the line
// fits (the first entry alone when not even it fits with "+N more", so that
// a narrow window shows what matters most). Returns the units written
// before the zero.
uint32_t composeStatus(const StatusInput& input, const TextFit* fit, WideChar* out, uint32_t capacity);
