// The lines of several sources in one timeline, free of any window.
//
// Each source's text is whole lines, each ending in CR LF. The lines are
// merged by the time each begins with (line_time.h): a line without one
// takes the time of the line before it in its source. The first lines of a
// source take the time of the line before them in its file where that is
// known (the first line of the entry they continue), else the time of its
// first line that has one; a source none of whose lines has a time counts
// them all as written at its fallback time (its file's last write). The merge is stable: each source's lines keep
// their order, and between equal times the earlier source goes first.
#pragma once

#include <stdint.h>

#include "settings/buffer_sizes.h"
#include "text/text_decoding.h"

struct TimelineSource {
    const WideChar* text;
    uint32_t length;
    uint64_t fallbackTime;
    uint64_t timeBefore;  // of the line before text in its file; 0: not known
};

struct TimelineLine {
    uint32_t source;
    uint32_t start;   // in its source's text
    uint32_t length;  // without the line end
};

// A walk through the merged lines, one at a time.
struct Timeline {
    const TimelineSource* sources;
    uint32_t count;
    int thisYear;
    struct Cursor {
        uint32_t at;     // where the source's next line starts
        uint64_t time;   // of the line at `at`
        uint64_t lastTime;
    } cursors[MostSources];
};

// Where the line that starts at text[start] ends (at its line end, or at
// length), and where the next line starts (behind CR, LF or CR LF).
uint32_t lineEndFrom(const WideChar* text, uint32_t length, uint32_t start);
uint32_t nextLineStart(const WideChar* text, uint32_t length, uint32_t start);

void startTimeline(Timeline* timeline, const TimelineSource* sources, uint32_t count, int thisYear);
// The next line in time; false after the last.
bool nextTimelineLine(Timeline* timeline, TimelineLine* line);
