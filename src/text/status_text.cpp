#include "text/status_text.h"

#include <stddef.h>

// Text written into a buffer of fixed size, cut where it is full.
struct StatusWriter {
    WideChar* out;
    uint32_t capacity;
    uint32_t length;
};

static void put(StatusWriter& w, WideChar c) {
    if (w.length + 1 < w.capacity) w.out[w.length++] = c;
}

static void put(StatusWriter& w, const char* text) {
    while (*text) put(w, (WideChar)(unsigned char)*text++);
}

static void put(StatusWriter& w, const WideChar* text) {
    while (*text) put(w, *text++);
}

static void putNumber(StatusWriter& w, uint32_t n, int leastDigits = 1) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = (char)('0' + n % 10);
        n /= 10;
    } while (n > 0 || count < leastDigits);
    while (count > 0) put(w, (WideChar)digits[--count]);
}

// The largest unit and the next smaller, unless none of it: "3 h 5 min",
// "2 d". Seconds from 10 on go by tens, so that an idle window's status
// changes a few times in its first minute, not at every tick.
static void putAge(StatusWriter& w, uint32_t seconds) {
    uint32_t minutes = seconds / 60, hours = minutes / 60, count = seconds, rest = 0;
    const char* unit = " s";
    const char* smaller = NULL;
    if (seconds >= 10) {
        count = seconds / 10 * 10;
    }
    if (seconds >= 60) {
        count = minutes;
        unit = " min";
    }
    if (minutes >= 60) {
        count = hours;
        rest = minutes % 60;
        unit = " h";
        smaller = " min";
    }
    if (hours >= 24) {
        count = hours / 24;
        rest = hours % 24;
        unit = " d";
        smaller = " h";
    }
    putNumber(w, count);
    put(w, unit);
    if (rest == 0) return;
    put(w, ' ');
    putNumber(w, rest);
    put(w, smaller);
}

uint32_t statusSeconds(uint64_t fileTime) {
    const uint64_t TicksPerSecond = 10000000, TicksBefore2001 = 12622780800ull * TicksPerSecond;
    if (fileTime <= TicksBefore2001 + TicksPerSecond) return 1;
    uint64_t seconds = (fileTime - TicksBefore2001) / TicksPerSecond;
    return seconds >= 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)seconds;
}

// A time in the future (a share's clock ahead of ours) is no time ago.
static uint32_t secondsAgo(uint32_t time, uint32_t now) { return now > time ? now - time : 0; }

bool sourceStale(const SourceStatus& source, const StatusClock& clock) {
    return clock.staleAfter > 0 && source.grownAt != 0 && secondsAgo(source.grownAt, clock.now) / 60 >= clock.staleAfter;
}

static const uint32_t NewFileShown = 60;

static void putState(StatusWriter& w, const SourceStatus& source, const StatusClock& clock) {
    uint32_t since = secondsAgo(source.since, clock.now);
    if (source.condition == SourceFailing) {
        put(w, source.failure);
        if (!source.reason) return;
        put(w, ": ");
        put(w, source.reason);
    } else if (source.condition == SourceNotAnswering) {
        put(w, "not answering ");
        putAge(w, since);
    } else if (source.condition == SourceNewFile && since < NewFileShown) {
        put(w, "new file ");
        putNumber(w, source.takenAtMinute / 60, 2);
        put(w, ':');
        putNumber(w, source.takenAtMinute % 60, 2);
    } else if (source.grownAt != 0) {
        if (sourceStale(source, clock)) put(w, "quiet ");
        putAge(w, secondsAgo(source.grownAt, clock.now));
    }
}

static bool sameText(const WideChar* a, const WideChar* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// "[label] name state": the name left out where it is the label, the blank
// before the state where there is none yet.
static void putSource(StatusWriter& w, const SourceStatus& source, const StatusClock& clock) {
    bool named = true;
    if (source.label) {
        put(w, '[');
        put(w, source.label);
        put(w, ']');
        named = !sameText(source.label, source.name);
        if (named) put(w, ' ');
    }
    if (named) put(w, source.name);
    uint32_t before = w.length;
    put(w, ' ');
    putState(w, source, clock);
    if (w.length == before + 1) --w.length;
}

static const char Separator[] = " \xB7 ";  // a middle dot between blanks

uint32_t composeStatus(const SourceStatus* sources, uint32_t count, uint32_t linesBelow, bool more,
                       const StatusClock& clock, WideChar* out, uint32_t capacity) {
    StatusWriter w = {out, capacity, 0};
    // First, so that a narrow window's line, cut at its end, still shows it.
    if (linesBelow > 0) {
        if (more) put(w, "more than ");
        putNumber(w, linesBelow);
        put(w, " new line");
        if (linesBelow != 1) put(w, 's');
        put(w, " below");
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0 || linesBelow > 0) put(w, Separator);
        putSource(w, sources[i], clock);
    }
    if (capacity > 0) out[w.length] = 0;
    return w.length;
}
