#include "text/notice_layout.h"

#include "text/characters.h"

static bool isBlank(WideChar unit) { return unit == ' '; }
static bool breaksAfter(WideChar unit) { return unit == ' ' || unit == '\\' || unit == '/'; }

struct Writer {
    WideChar* out;
    uint32_t capacity;
    uint32_t written;
};

static void put(Writer& writer, const WideChar* text, uint32_t length) {
    for (uint32_t i = 0; i < length && writer.written + 1 < writer.capacity; ++i) {
        writer.out[writer.written++] = text[i];
    }
}

static const WideChar LineEnd[] = {'\r', '\n'};

// How many units of the rest the line takes: all that fit, up to the last
// place to break among them; at least one character.
static uint32_t lineTake(const WideChar* rest, uint32_t length, const TextFit& fit) {
    uint32_t fits = fit.fit(fit.context, rest, length);
    if (fits >= length) return length;
    for (uint32_t take = fits; take > 0; --take) {
        if (breaksAfter(rest[take - 1]) || isBlank(rest[take])) return take;
    }
    uint32_t take = fits > 0 ? fits : 1;
    if (isHighSurrogate(rest[take - 1]) && isLowSurrogate(rest[take])) take += take == 1 ? 1 : -1;
    return take < length ? take : length;
}

static void layOutParagraph(const WideChar* rest, uint32_t length, const TextFit& fit,
                            Writer& writer) {
    while (true) {
        uint32_t take = lineTake(rest, length, fit);
        uint32_t shown = take;
        while (shown > 0 && isBlank(rest[shown - 1])) --shown;
        put(writer, rest, shown);
        rest += take;
        length -= take;
        while (length > 0 && isBlank(*rest)) ++rest, --length;
        if (length == 0) return;
        put(writer, LineEnd, 2);
    }
}

uint32_t layOutNotice(const WideChar* notice, const TextFit& fit, WideChar* out, uint32_t capacity) {
    if (capacity == 0) return 0;
    Writer writer = {out, capacity, 0};
    for (const WideChar* paragraph = notice;;) {
        uint32_t length = 0;
        while (paragraph[length] != 0 && paragraph[length] != '\n') ++length;
        layOutParagraph(paragraph, length, fit, writer);
        if (paragraph[length] == 0) break;
        put(writer, LineEnd, 2);
        paragraph += length + 1;
    }
    out[writer.written] = 0;
    return writer.written;
}
