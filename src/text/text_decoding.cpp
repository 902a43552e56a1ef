#include "text/text_decoding.h"

#include "text/characters.h"

static const WideChar Replacement = 0xFFFD;
static const WideChar MiddleDot = 0x00B7;

// ---- Naming the encoding ----------------------------------------------------

static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Compares text[0, length) with a lower-case name.
static bool namedAs(const char* text, int length, const char* name) {
    int i = 0;
    for (; i < length && name[i] != 0; ++i) {
        if (asciiLower((uint8_t)text[i]) != (uint8_t)name[i]) return false;
    }
    return i == length && name[i] == 0;
}

// A decimal code page of at most five digits, or 0 when it is none.
static unsigned codePageNumber(const char* text, int length) {
    if (length == 0 || length > 5) return 0;
    unsigned number = 0;
    for (int i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        number = number * 10 + unsigned(text[i] - '0');
    }
    return number <= 65535 ? number : 0;
}

// The system's numbers for its Unicode code pages name our own decoders.
static Encoding encodingOfCodePage(unsigned codePage) {
    switch (codePage) {
    case 65001: return encodingOf(EncodingUtf8);
    case 1200: return encodingOf(EncodingUtf16LE);
    case 1201: return encodingOf(EncodingUtf16BE);
    }
    return encodingOf(EncodingCodePage, codePage);
}

Encoding parseEncoding(const char* text) {
    while (isBlank(*text)) ++text;
    int length = 0;
    while (text[length] != 0) ++length;
    while (length > 0 && isBlank(text[length - 1])) --length;

    if (namedAs(text, length, "utf-8") || namedAs(text, length, "utf8")) {
        return encodingOf(EncodingUtf8);
    }
    if (namedAs(text, length, "utf-16le") || namedAs(text, length, "utf16le")) {
        return encodingOf(EncodingUtf16LE);
    }
    if (namedAs(text, length, "utf-16be") || namedAs(text, length, "utf16be")) {
        return encodingOf(EncodingUtf16BE);
    }
    if (namedAs(text, length, "ansi")) return encodingOf(EncodingCodePage, AnsiCodePage);
    if (namedAs(text, length, "oem")) return encodingOf(EncodingCodePage, OemCodePage);
    if (namedAs(text, length, "0")) return encodingOf(EncodingCodePage, AnsiCodePage);
    unsigned number = codePageNumber(text, length);
    return number ? encodingOfCodePage(number) : encodingOf(EncodingAuto);
}

ByteOrderMark findByteOrderMark(const uint8_t* head, uint32_t count) {
    ByteOrderMark mark = {EncodingAuto, 0};
    if (count >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        mark.kind = EncodingUtf8;
        mark.length = 3;
    } else if (count >= 2 && head[0] == 0xFF && head[1] == 0xFE) {
        mark.kind = EncodingUtf16LE;
        mark.length = 2;
    } else if (count >= 2 && head[0] == 0xFE && head[1] == 0xFF) {
        mark.kind = EncodingUtf16BE;
        mark.length = 2;
    }
    return mark;
}

// ---- Reading one character ----------------------------------------------------

enum StepKind { Complete, Invalid, Incomplete };

// One character read from the bytes: the units it gives, the bytes it uses,
// and the bytes looked at to decide, which may reach one further.
struct Step {
    StepKind kind;
    uint32_t codePoint;
    uint32_t used;
    uint32_t examined;
};

static Step step(StepKind kind, uint32_t codePoint, uint32_t used, uint32_t examined) {
    Step result = {kind, codePoint, used, examined};
    return result;
}

static bool isContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The well-formed sequences of UTF-8 by their lead byte: the length, and the
// range of the second byte; every later byte is a plain continuation.
struct LeadByte {
    uint8_t first, last;
    uint32_t length;
    uint8_t low, high;
};
static const LeadByte leadBytes[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

static const LeadByte* findLead(uint8_t byte) {
    for (const LeadByte& lead : leadBytes) {
        if (byte >= lead.first && byte <= lead.last) return &lead;
    }
    return nullptr;
}

static Step readUtf8(const uint8_t* bytes, uint32_t available) {
    if (bytes[0] < 0x80) return step(Complete, bytes[0], 1, 1);
    const LeadByte* lead = findLead(bytes[0]);
    if (!lead) return step(Invalid, Replacement, 1, 1);
    uint32_t codePoint = bytes[0] & (0xFF >> (lead->length + 1));
    for (uint32_t i = 1; i < lead->length; ++i) {
        if (i == available) return step(Incomplete, 0, i, i);
        uint8_t byte = bytes[i];
        bool fits = i == 1 ? (byte >= lead->low && byte <= lead->high) : isContinuation(byte);
        if (!fits) return step(Invalid, Replacement, i, i + 1);
        codePoint = (codePoint << 6) | (byte & 0x3F);
    }
    return step(Complete, codePoint, lead->length, lead->length);
}

static uint32_t readUnit(const uint8_t* bytes, bool bigEndian) {
    return bigEndian ? (uint32_t(bytes[0]) << 8 | bytes[1]) : (uint32_t(bytes[1]) << 8 | bytes[0]);
}

static Step readUtf16(const uint8_t* bytes, uint32_t available, bool bigEndian) {
    if (available < 2) return step(Incomplete, 0, available, available);
    uint32_t unit = readUnit(bytes, bigEndian);
    if (isLowSurrogate(unit)) return step(Invalid, Replacement, 2, 2);
    if (!isHighSurrogate(unit)) return step(Complete, unit, 2, 2);
    if (available < 4) return step(Incomplete, 0, available, available);
    uint32_t next = readUnit(bytes + 2, bigEndian);
    if (!isLowSurrogate(next)) return step(Invalid, Replacement, 2, 4);
    return step(Complete, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), 4, 4);
}

// ---- Decoding into the back of the buffer ---------------------------------------

struct UnitWriter {
    WideChar* out;
    uint32_t written;
    uint32_t boundaryUnit;  // the first unit not wholly decoded from bytes before the boundary
};

static void put(UnitWriter& writer, uint32_t codePoint) {
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        writer.out[writer.written++] = WideChar(0xD800 + (codePoint >> 10));
        writer.out[writer.written++] = WideChar(0xDC00 + (codePoint & 0x3FF));
    } else {
        writer.out[writer.written++] = WideChar(codePoint);
    }
}

// A character whose bytes, those looked at included, reach past the boundary
// was not whole in the bytes before it.
static void markBoundary(UnitWriter& writer, uint32_t position, uint32_t examined,
                         uint32_t boundary) {
    if (writer.boundaryUnit == NoBoundary && position + examined > boundary) {
        writer.boundaryUnit = writer.written;
    }
}

// Leading continuation bytes belong to a character cut by the window's start.
static uint32_t skipCutUtf8(const uint8_t* bytes, uint32_t count) {
    uint32_t skipped = 0;
    while (skipped < 3 && skipped < count && isContinuation(bytes[skipped])) ++skipped;
    return skipped;
}

// A leading low surrogate is the second half of a pair cut by the window's start.
static uint32_t skipCutUtf16(const uint8_t* bytes, uint32_t count, bool bigEndian) {
    return count >= 2 && isLowSurrogate(readUnit(bytes, bigEndian)) ? 2 : 0;
}

// No byte below '0' is ever the second byte of a multi-byte code page's
// character.
static const uint8_t LowestTrailByte = 0x30;

// A multi-byte code page's lead and trail bytes cannot be told apart going
// backwards, so the text is taken up from the first byte that is never a
// trail byte. A tail without one shows nothing.
static uint32_t skipCutCodePage(const uint8_t* bytes, uint32_t count) {
    uint32_t i = 0;
    while (i < count && bytes[i] >= LowestTrailByte) ++i;
    return i;
}

bool validUtf8(const uint8_t* bytes, uint32_t count, bool cutAtStart, bool complete) {
    uint32_t position = cutAtStart ? skipCutUtf8(bytes, count) : 0;
    while (position < count) {
        Step read = readUtf8(bytes + position, count - position);
        if (read.kind == Invalid || (read.kind == Incomplete && complete)) return false;
        position += read.used;
    }
    return true;
}

// A character unfinished at the end of complete bytes shows as invalid.
static void decodeUnicode(const uint8_t* bytes, uint32_t count, EncodingKind kind,
                          bool cutAtStart, bool complete, uint32_t boundary, UnitWriter& writer) {
    bool utf8 = kind == EncodingUtf8;
    bool bigEndian = kind == EncodingUtf16BE;
    uint32_t position = 0;
    if (cutAtStart) {
        position = utf8 ? skipCutUtf8(bytes, count) : skipCutUtf16(bytes, count, bigEndian);
    }
    while (position < count) {
        Step read = utf8 ? readUtf8(bytes + position, count - position)
                         : readUtf16(bytes + position, count - position, bigEndian);
        markBoundary(writer, position, read.examined, boundary);
        if (read.kind != Incomplete) put(writer, read.codePoint);
        else if (complete) put(writer, Replacement);
        position += read.used;
    }
    markBoundary(writer, count, 1, boundary);
}

// The characters of a multi-byte code page, walked from one's start with the
// page's lead-byte table: where the last whole one ends (a lead byte whose
// second byte is not written yet is left out), and where the one whose
// bytes, those looked at included, reach past the boundary starts. A lead byte before a byte that is never a trail
// byte stands alone, as the system converts it.
struct CodePageWalk {
    uint32_t end;
    uint32_t boundaryStart;
};

static CodePageWalk walkCodePage(const uint8_t* bytes, uint32_t start, uint32_t count,
                                 unsigned codePage, const CodePageConverter& codePages,
                                 bool complete, uint32_t boundary) {
    CodePageWalk walk = {start, NoBoundary};
    while (walk.end < count) {
        bool lead = codePages.leadByte(codePage, bytes[walk.end]);
        bool last = walk.end + 1 == count;
        if (lead && last && !complete) break;
        uint32_t length = lead && !last && bytes[walk.end + 1] >= LowestTrailByte ? 2 : 1;
        uint32_t examined = lead ? 2 : 1;  // a lead byte alone is known by the byte after it
        if (walk.boundaryStart == NoBoundary && walk.end + examined > boundary) {
            walk.boundaryStart = walk.end;
        }
        walk.end += length;
    }
    if (walk.boundaryStart == NoBoundary) walk.boundaryStart = walk.end;
    return walk;
}

// The window is converted as one piece; the boundary's place in the text is
// the length of the text of the whole characters before it.
static void decodeCodePage(const uint8_t* bytes, uint32_t count, unsigned codePage,
                           const CodePageConverter& codePages, bool cutAtStart, bool complete,
                           uint32_t boundary, UnitWriter& writer, uint32_t capacity) {
    bool multiByte = codePages.multiByte(codePage);
    uint32_t start = cutAtStart && multiByte ? skipCutCodePage(bytes, count) : 0;
    CodePageWalk walk = {count, boundary < count ? boundary : count};
    if (multiByte) walk = walkCodePage(bytes, start, count, codePage, codePages, complete, boundary);
    if (walk.boundaryStart < start) walk.boundaryStart = start;
    writer.written = codePages.convert(codePage, bytes + start, walk.end - start, writer.out,
                                       capacity);
    if (walk.boundaryStart == walk.end) {
        writer.boundaryUnit = writer.written;
    } else if (!multiByte) {
        writer.boundaryUnit = walk.boundaryStart - start;  // one unit for each byte
    } else {
        writer.boundaryUnit = codePages.convert(codePage, bytes + start,
                                                walk.boundaryStart - start, nullptr, 0);
    }
}

// ---- Laying out into the front --------------------------------------------------

// Copies the units forward with the line-end and zero rules. A CR LF pair
// and a run of zeros each count as one piece, placed where its first unit is.
static DecodedText layOut(const WideChar* units, uint32_t count, uint32_t boundaryUnit,
                          WideChar* out) {
    DecodedText text = {0, {EncodingAuto, 0}, NoBoundary};
    uint32_t written = 0;
    uint32_t read = 0;
    while (read < count) {
        if (text.boundaryAt == NoBoundary && read >= boundaryUnit) text.boundaryAt = written;
        WideChar unit = units[read++];
        if (unit == 0) {
            while (read < count && units[read] == 0) ++read;
            out[written++] = MiddleDot;
        } else if (unit == CarriageReturn || unit == LineFeed) {
            if (unit == CarriageReturn && read < count && units[read] == LineFeed) ++read;
            out[written++] = WideChar(CarriageReturn);
            out[written++] = WideChar(LineFeed);
        } else {
            out[written++] = unit;
        }
    }
    if (text.boundaryAt == NoBoundary) text.boundaryAt = written;
    out[written] = 0;
    text.length = written;
    return text;
}

// ---- The whole ----------------------------------------------------------------

static Encoding chooseEncoding(Encoding setting, ByteOrderMark mark, const uint8_t* bytes,
                               uint32_t count, bool cutAtStart, bool complete) {
    if (setting.kind != EncodingAuto) return setting;
    if (mark.kind != EncodingAuto) return encodingOf(mark.kind);
    if (validUtf8(bytes, count, cutAtStart, complete)) return encodingOf(EncodingUtf8);
    return encodingOf(EncodingCodePage, AnsiCodePage);
}

DecodedText decodeTail(TailBytes tail, Encoding setting, const CodePageConverter& codePages,
                       uint32_t boundary, WideChar* out, uint32_t capacity) {
    if (capacity == 0) return DecodedText{0, setting, 0};
    uint32_t fits = (capacity - 1) / 2;
    if (tail.count > fits) {
        uint32_t dropped = tail.count - fits;
        tail.bytes += dropped;
        tail.count = fits;
        tail.offset += dropped;
        tail.startsAtLine = false;
        boundary = boundary == NoBoundary ? NoBoundary : (boundary > dropped ? boundary - dropped : 0);
    }

    // The text starts behind the mark, of whatever kind; before it, the
    // window cuts nothing.
    uint64_t textStart = tail.mark.length;
    Encoding used = chooseEncoding(setting, tail.mark, tail.bytes, tail.count,
                                   tail.offset > textStart && !tail.startsAtLine, tail.endsAtLine);
    uint32_t skipped = tail.offset < textStart ? uint32_t(textStart - tail.offset) : 0;
    if (skipped > tail.count) skipped = tail.count;
    // UTF-16 units lie at even places from the file's start.
    bool utf16 = used.kind == EncodingUtf16LE || used.kind == EncodingUtf16BE;
    if (utf16 && (tail.offset + skipped) % 2 != 0 && skipped < tail.count) ++skipped;
    bool cutAtStart = tail.offset + skipped > textStart && !tail.startsAtLine;

    const uint8_t* bytes = tail.bytes + skipped;
    uint32_t count = tail.count - skipped;
    uint32_t relativeBoundary =
        boundary == NoBoundary ? NoBoundary : (boundary > skipped ? boundary - skipped : 0);

    // Units never outnumber bytes, so the back part holds them all.
    uint32_t back = capacity - count;
    UnitWriter writer = {out + back, 0, NoBoundary};
    if (used.kind == EncodingCodePage) {
        decodeCodePage(bytes, count, used.codePage, codePages, cutAtStart, tail.endsAtLine,
                       relativeBoundary, writer, count);
    } else {
        decodeUnicode(bytes, count, used.kind, cutAtStart, tail.endsAtLine, relativeBoundary, writer);
    }
    DecodedText text = layOut(out + back, writer.written, writer.boundaryUnit, out);
    text.used = used;
    if (boundary == NoBoundary) text.boundaryAt = text.length;
    return text;
}

uint32_t settingTextToWide(const char* text, WideChar* out, uint32_t capacity,
                           const CodePageConverter& codePages) {
    if (capacity == 0) return 0;
    const uint8_t* bytes = (const uint8_t*)text;
    uint32_t count = 0;
    while (count < capacity - 1 && bytes[count] != 0) ++count;
    UnitWriter writer = {out, 0, NoBoundary};
    // Its last character is whole, unless the text was cut at the capacity.
    if (validUtf8(bytes, count, false, bytes[count] == 0)) {
        decodeUnicode(bytes, count, EncodingUtf8, false, false, NoBoundary, writer);
    } else {
        writer.written = codePages.convert(AnsiCodePage, bytes, count, out, capacity - 1);
    }
    out[writer.written] = 0;
    return writer.written;
}
