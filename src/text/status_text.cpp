#include "text/status_text.h"

#include <stddef.h>

#include "text/text_writer.h"

// The largest unit and the next smaller, unless none of it: "3 h 5 min",
// "2 d". Seconds from 10 on go by tens, so that an idle window's status
// changes a few times in its first minute, not at every tick.
static void putAge(TextWriter& w, uint32_t seconds) {
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

bool sourceStale(const SourceStatus& source, uint32_t now) {
    return source.staleAfter > 0 && source.grownAt != 0 && secondsAgo(source.grownAt, now) / 60 >= source.staleAfter;
}

static bool cannotBeShown(const SourceStatus& source) { return source.condition >= SourceNoMatch; }

bool sourceInTrouble(const SourceStatus& source, uint32_t now) {
    return cannotBeShown(source) || source.condition == SourceNotAnswering || sourceStale(source, now);
}

static const uint32_t NewFileShown = 60;

// Why the file cannot be shown, as the pane says it.
static void putFailure(TextWriter& w, const SourceStatus& source) {
    static const char* const words[] = {"no file matches the pattern", "is a folder", "cannot open",
                                        "cannot read"};
    put(w, words[source.condition - SourceNoMatch]);
    if (source.condition < SourceCannotOpen || !source.reason || !source.reason[0]) return;
    put(w, ": ");
    put(w, source.reason);
}

static void putState(TextWriter& w, const SourceStatus& source, uint32_t now) {
    uint32_t since = secondsAgo(source.since, now);
    if (cannotBeShown(source)) {
        putFailure(w, source);
    } else if (source.condition == SourceNoLinePasses) {
        put(w, "no line passes the filter");
    } else if (source.condition == SourceNotAnswering) {
        put(w, "not answering ");
        putAge(w, since);
    } else if (source.condition == SourceNewFile && since < NewFileShown) {
        put(w, "new file ");
        putNumber(w, source.takenAtMinute / 60, 2);
        put(w, ':');
        putNumber(w, source.takenAtMinute % 60, 2);
    } else if (source.grownAt != 0) {
        if (sourceStale(source, now)) put(w, "quiet ");
        putAge(w, secondsAgo(source.grownAt, now));
    }
}

static bool sameText(const WideChar* a, const WideChar* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// "[label] name state": the name left out where it is the label, the blank
// before the state where there is none yet.
static void putSource(TextWriter& w, const SourceStatus& source, uint32_t now) {
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
    putState(w, source, now);
    if (w.length == before + 1) --w.length;
}

static void putOff(TextWriter& w, const OffSetting& off) {
    static const char* const words[] = {" ", " off: same file as source ", " off", "filter show off",
                                        "filter hide off"};
    if (off.kind <= RuleOff) {
        put(w, off.kind == RuleOff ? "rule " : "source ");
        putNumber(w, off.number);
    }
    put(w, words[off.kind]);
    if (off.kind == SourceSameFile) putNumber(w, off.other);
    if (off.kind == SourceNote && off.words) put(w, off.words);
}

static void putBelow(TextWriter& w, uint32_t lines, bool more) {
    if (more) put(w, "more than ");
    putNumber(w, lines);
    put(w, " new line");
    if (lines != 1) put(w, 's');
    put(w, " below");
}

static const char Separator[] = " \xB7 ";  // a middle dot between blanks
static const uint32_t MostEntries = 64;

// Where each entry ends in the writer, the separator before it included.
struct Entries {
    uint32_t count;
    uint32_t end[MostEntries];
};

static void endEntry(const TextWriter& w, Entries& entries) {
    if (entries.count < MostEntries) entries.end[entries.count++] = w.length;
}

static void startEntry(TextWriter& w, const Entries& entries) {
    if (entries.count > 0) put(w, Separator);
}

// The sources in trouble, or the others, in their order.
static void putSources(TextWriter& w, Entries& entries, const StatusInput& input, bool trouble) {
    for (uint32_t i = 0; i < input.sourceCount; ++i) {
        if (sourceInTrouble(input.sources[i], input.now) != trouble) continue;
        startEntry(w, entries);
        putSource(w, input.sources[i], input.now);
        endEntry(w, entries);
    }
}

static bool fits(const TextFit& fit, const TextWriter& w) {
    return fit.fit(fit.context, w.out, w.length) >= w.length;
}

// The first entries that fit with "+N more" for the rest behind them; the
// first entry alone where not even it fits so.
static void giveWay(TextWriter& w, const Entries& entries, const TextFit& fit) {
    if (entries.count == 0 || fits(fit, w)) return;
    for (uint32_t kept = entries.count - 1; kept > 0; --kept) {
        w.length = entries.end[kept - 1];
        put(w, Separator);
        put(w, '+');
        putNumber(w, entries.count - kept);
        put(w, " more");
        if (fits(fit, w)) return;
    }
    w.length = entries.end[0];
}

uint32_t composeStatus(const StatusInput& input, const TextFit* fit, WideChar* out, uint32_t capacity) {
    TextWriter w = {out, capacity, 0};
    Entries entries = {0, {}};
    // First, so that it gives way last.
    if (input.linesBelow > 0) {
        putBelow(w, input.linesBelow, input.moreBelow);
        endEntry(w, entries);
    }
    putSources(w, entries, input, true);
    putSources(w, entries, input, false);
    for (uint32_t i = 0; i < input.offCount; ++i) {
        startEntry(w, entries);
        putOff(w, input.offs[i]);
        endEntry(w, entries);
    }
    if (fit && capacity > 0) giveWay(w, entries, *fit);
    return endText(w);
}
