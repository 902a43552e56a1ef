#include "text/source_value.h"

#include "text/characters.h"

static uint32_t wordEnd(const WideChar* value, uint32_t at, uint32_t length) {
    while (at < length && !isValueBlank(value[at])) ++at;
    return at;
}

// The label's characters, a surrogate pair counted once.
static SourceCheck takeLabel(const WideChar* value, uint32_t from, uint32_t to, SourceValue* out) {
    if (from == to) return SourceNeedsLabel;
    uint32_t characters = 0;
    for (uint32_t i = from; i < to; ++i) {
        if (value[i] == '[' || value[i] == ']') return SourceBadLabel;
        if (!isLowSurrogate(value[i])) ++characters;
    }
    if (characters > LabelCapacity) return SourceLabelTooLong;
    for (uint32_t i = from; i < to; ++i) out->label[i - from] = value[i];
    out->label[to - from] = 0;
    return SourceUsable;
}

void parseSourceValue(const WideChar* value, uint32_t length, bool pathWanted, SourceValue* out) {
    out->coloured = false;
    out->colour = 0;
    out->label[0] = 0;
    out->pathStart = length;
    uint32_t at = skipValueBlanks(value, 0, length);
    length = trimValueBlanks(value, at, length);
    out->check = SourceNone;
    if (at == length) return;
    uint32_t end = wordEnd(value, at, length);
    if (value[at] == '#') {
        out->check = SourceBadColour;
        if (end - at != HexColourLength || !readHexColour(value + at, end - at, &out->colour)) return;
        out->coloured = true;
        at = skipValueBlanks(value, end, length);
        end = wordEnd(value, at, length);
    }
    out->check = takeLabel(value, at, end, out);
    if (out->check != SourceUsable) return;
    at = skipValueBlanks(value, end, length);
    out->pathStart = at;
    if (pathWanted && at == length) out->check = SourceNeedsPath;
    if (!pathWanted && at < length) out->check = SourceExtraText;
}
