#include "text/status_text.h"

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

// One unit and the next smaller unless it is none: "3 h 5 min", "2 d".
static void putAge(StatusWriter& w, uint64_t ticks) {
    uint64_t wholeSeconds = ticks / TicksPerSecond;
    uint32_t seconds = wholeSeconds > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)wholeSeconds;
    static const uint32_t Sizes[] = {1, 60, 3600, 86400};
    static const char* const Names[] = {" s", " min", " h", " d"};
    int unit = 3;
    while (unit > 0 && seconds < Sizes[unit]) --unit;
    putNumber(w, seconds / Sizes[unit]);
    put(w, Names[unit]);
    if (unit < 2) return;
    uint32_t rest = seconds % Sizes[unit] / Sizes[unit - 1];
    if (rest == 0) return;
    put(w, ' ');
    putNumber(w, rest);
    put(w, Names[unit - 1]);
}

// A time in the future (a share's clock ahead of ours) is no time ago.
static uint64_t ago(uint64_t time, uint64_t now) { return now > time ? now - time : 0; }

bool sourceStale(const SourceStatus& source, const StatusClock& clock) {
    return clock.staleAfter > 0 && source.grownAt != 0 && ago(source.grownAt, clock.now) >= clock.staleAfter;
}

static const uint64_t NewFileShown = 60 * TicksPerSecond;

static void putState(StatusWriter& w, const SourceStatus& source, const StatusClock& clock) {
    uint64_t since = ago(source.since, clock.now);
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
        putAge(w, ago(source.grownAt, clock.now));
    }
}

static bool sameText(const WideChar* a, const WideChar* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

static void putSource(StatusWriter& w, const SourceStatus& source, const StatusClock& clock) {
    bool named = source.name[0] != 0, blank = false;
    if (source.label) {
        put(w, '[');
        put(w, source.label);
        put(w, ']');
        named = named && !sameText(source.label, source.name);
        blank = true;
    }
    if (named) {
        if (blank) put(w, ' ');
        put(w, source.name);
        blank = true;
    }
    uint32_t before = w.length;
    if (blank) put(w, ' ');
    putState(w, source, clock);
    if (blank && w.length == before + 1) --w.length;  // no state: no blank behind the name
}

static const WideChar Separator[] = {' ', 0x00B7, ' ', 0};

uint32_t composeStatus(const SourceStatus* sources, uint32_t count, uint64_t linesBelow,
                       const StatusClock& clock, WideChar* out, uint32_t capacity) {
    StatusWriter w = {out, capacity, 0};
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0) put(w, Separator);
        putSource(w, sources[i], clock);
    }
    if (linesBelow > 0) {
        if (count > 0) put(w, Separator);
        putNumber(w, linesBelow > 0xFFFFFFFFu ? 0xFFFFFFFFu : (uint32_t)linesBelow);
        put(w, linesBelow == 1 ? " new line below" : " new lines below");
    }
    if (capacity > 0) out[w.length] = 0;
    return w.length;
}
