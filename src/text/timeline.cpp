#include "text/timeline.h"

#include "text/characters.h"
#include "text/line_time.h"

uint32_t lineEndFrom(const WideChar* text, uint32_t length, uint32_t start) {
    uint32_t at = start;
    while (at < length && !isLineEnd(text[at])) ++at;
    return at;
}

uint32_t nextLineStart(const WideChar* text, uint32_t length, uint32_t start) {
    uint32_t at = lineEndFrom(text, length, start);
    if (at < length && text[at] == CarriageReturn) ++at;
    if (at < length && text[at] == LineFeed) ++at;
    return at;
}

static uint32_t lineEndOf(const TimelineSource& source, uint32_t start) {
    return lineEndFrom(source.text, source.length, start);
}

static uint64_t timeOfLine(const Timeline& timeline, uint32_t s, uint32_t start) {
    const TimelineSource& source = timeline.sources[s];
    return lineTimeAt(source.text + start, lineEndOf(source, start) - start, timeline.thisYear);
}

// The time of the line at the cursor, its own or the one it takes.
static void readTime(Timeline* timeline, uint32_t s) {
    Timeline::Cursor& cursor = timeline->cursors[s];
    if (cursor.at >= timeline->sources[s].length) return;
    uint64_t own = timeOfLine(*timeline, s, cursor.at);
    if (own != NoLineTime) cursor.lastTime = own;
    cursor.time = cursor.lastTime;
}

// The time the first lines of a source take: the line's before them, or its
// first line's that has one.
static uint64_t firstTimeOf(const Timeline& timeline, uint32_t s) {
    const TimelineSource& source = timeline.sources[s];
    if (source.timeBefore != 0) return source.timeBefore;
    for (uint32_t at = 0; at < source.length; at = nextLineStart(source.text, source.length, at)) {
        uint64_t time = timeOfLine(timeline, s, at);
        if (time != NoLineTime) return time;
    }
    return source.fallbackTime;
}

void startTimeline(Timeline* timeline, const TimelineSource* sources, uint32_t count, int thisYear) {
    timeline->sources = sources;
    timeline->count = count < MostSources ? count : MostSources;
    timeline->thisYear = thisYear;
    for (uint32_t s = 0; s < timeline->count; ++s) {
        Timeline::Cursor& cursor = timeline->cursors[s];
        cursor.at = 0;
        cursor.lastTime = firstTimeOf(*timeline, s);
        readTime(timeline, s);
    }
}

bool nextTimelineLine(Timeline* timeline, TimelineLine* line) {
    uint32_t earliest = MostSources;
    for (uint32_t s = 0; s < timeline->count; ++s) {
        const Timeline::Cursor& cursor = timeline->cursors[s];
        if (cursor.at >= timeline->sources[s].length) continue;
        if (earliest == MostSources || cursor.time < timeline->cursors[earliest].time) earliest = s;
    }
    if (earliest == MostSources) return false;
    const TimelineSource& source = timeline->sources[earliest];
    Timeline::Cursor& cursor = timeline->cursors[earliest];
    line->source = earliest;
    line->start = cursor.at;
    line->length = lineEndOf(source, cursor.at) - cursor.at;
    cursor.at = nextLineStart(source.text, source.length, cursor.at);
    readTime(timeline, earliest);
    return true;
}
