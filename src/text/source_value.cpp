#include "text/source_value.h"

#include "text/characters.h"

static uint32_t wordEnd(const WideChar* value, uint32_t at, uint32_t length) {
    while (at < length && !isValueBlank(value[at])) ++at;
    return at;
}

// The first problem found is the one told.
static void noteProblem(SourceValue* out, SourceCheck check) {
    if (out->check == SourceUsable) out->check = check;
}

// The label's characters, a surrogate pair counted once.
static SourceCheck checkLabel(const WideChar* value, uint32_t from, uint32_t to) {
    uint32_t characters = 0;
    for (uint32_t i = from; i < to; ++i) {
        if (value[i] == '[' || value[i] == ']') return SourceBadLabel;
        if (!isLowSurrogate(value[i])) ++characters;
    }
    return characters > LabelCapacity ? SourceLabelTooLong : SourceUsable;
}

static void takeLabel(const WideChar* value, uint32_t from, uint32_t to, SourceValue* out) {
    SourceCheck check = checkLabel(value, from, to);
    if (check != SourceUsable) {
        noteProblem(out, check);
        return;
    }
    for (uint32_t i = from; i < to; ++i) out->label[i - from] = value[i];
    out->label[to - from] = 0;
}

static bool startsStale(const WideChar* value, uint32_t at, uint32_t end) {
    static const char Word[] = "stale=";
    for (uint32_t i = 0; Word[i]; ++i) {
        if (at + i >= end || asciiLower(value[at + i]) != (WideChar)Word[i]) return false;
    }
    return true;
}

// "stale=MIN": at most seven digits, a week's minutes and more.
static void takeStale(const WideChar* value, uint32_t from, uint32_t to, SourceValue* out) {
    uint32_t minutes = 0;
    bool number = from < to && to - from <= 7;
    for (uint32_t i = from; number && i < to; ++i) {
        number = value[i] >= '0' && value[i] <= '9';
        minutes = minutes * 10 + (value[i] - '0');
    }
    if (number) {
        out->staleAfter = minutes;
    } else {
        noteProblem(out, SourceBadStale);
    }
}

const char* sourceCheckWords(SourceCheck check) {
    switch (check) {
    case SourceNeedsPath: return "off: no path";
    case SourceBadColour: return "colour not used: not #RRGGBB";
    case SourceBadStale: return "stale= not used: not minutes";
    case SourceLabelTooLong: return "label not used: over 12 characters";
    case SourceBadLabel: return "label not used: [ or ] in it";
    case SourceExtraText: return "label not used: blank in it";
    case SourceNone: case SourceNeedsLabel: case SourceUsable: break;
    }
    return nullptr;
}

void parseSourceValue(const WideChar* value, uint32_t length, bool pathWanted, SourceValue* out) {
    out->coloured = false;
    out->colour = 0;
    out->staleAfter = NoStaleTime;
    out->label[0] = 0;
    out->pathStart = length;
    uint32_t at = skipValueBlanks(value, 0, length);
    length = trimValueBlanks(value, at, length);
    out->check = SourceNone;
    if (at == length) return;
    out->check = SourceUsable;
    uint32_t end = wordEnd(value, at, length);
    if (value[at] == '#') {
        out->coloured = end - at == HexColourLength && readHexColour(value + at, end - at, &out->colour);
        if (!out->coloured) noteProblem(out, SourceBadColour);
        at = skipValueBlanks(value, end, length);
        end = wordEnd(value, at, length);
    }
    if (startsStale(value, at, end)) {
        takeStale(value, at + 6, end, out);
        at = skipValueBlanks(value, end, length);
        end = wordEnd(value, at, length);
    }
    if (at == length) {
        out->check = pathWanted ? SourceNeedsPath : out->check == SourceUsable ? SourceNeedsLabel : out->check;
        return;
    }
    takeLabel(value, at, end, out);
    at = skipValueBlanks(value, end, length);
    out->pathStart = at;
    if (pathWanted && at == length) out->check = SourceNeedsPath;
    if (!pathWanted && at < length) {
        out->label[0] = 0;
        if (out->check == SourceUsable || out->check > SourceBadStale) out->check = SourceExtraText;
    }
}
