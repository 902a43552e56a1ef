// The status line's text, free of any window and of the clock: what each
// source shows and how it is doing, and how many lines arrived below the
// view. Times are whole seconds since 2001 (UTC); the caller gives the time
// now, so that any age can be tried without waiting for it.
//
// An entry per source: "[label] name state", the label left out with one
// source, the name where it is the label. The state is the age of the
// file's last growth ("2 s", "14 min", "3 h 5 min", "2 d 4 h"), "quiet AGE"
// once that reaches the stale time, "new file 10:02" for a minute after the
// source took another file, "not answering AGE" while its reader waits for
// the file, or why the file cannot be shown. Entries are joined by " · ",
// and "37 new lines below" follows while lines wait there.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// A file time (100-nanosecond steps since 1601, UTC) in seconds since 2001;
// an earlier one counts as the first of them, 0 being no time.
uint32_t statusSeconds(uint64_t fileTime);

enum SourceCondition { SourceFollowing, SourceNewFile, SourceNotAnswering, SourceFailing };

struct SourceStatus {
    const WideChar* label;  // null: not shown
    const WideChar* name;
    SourceCondition condition;
    // While failing, what fails ("cannot open") and the system's reason, if any.
    const char* failure;
    const WideChar* reason;
    uint32_t grownAt;  // the last growth seen, or the file's last write; 0: never seen
    uint32_t since;    // the new file was taken, or the reader was asked
    uint32_t takenAtMinute;  // of the local day, when the new file was taken
};

struct StatusClock {
    uint32_t now;
    uint32_t staleAfter;  // minutes without growth after which a source is quiet; 0: never
};

// Whether the source has not grown for the stale time.
bool sourceStale(const SourceStatus& source, const StatusClock& clock);

// Writes the status into out, cut to its capacity and zero-terminated;
// returns the units written before the zero.
uint32_t composeStatus(const SourceStatus* sources, uint32_t count, uint32_t linesBelow, bool more,
                       const StatusClock& clock, WideChar* out, uint32_t capacity);
