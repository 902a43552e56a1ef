// A log written in each encoding the pane reads, and read back slowly and
// plainly: stand-in code pages with the shapes of the real ones, the
// characters of a file by the Unicode rules, its lines, and patterns matched
// position set by position set. Shared by the targets that check text in
// every encoding.
#pragma once

#include <algorithm>
#include <vector>

#include "text/case_folding.h"
#include "text/text_decoding.h"

typedef std::vector<uint32_t> CodePoints;
typedef std::vector<uint8_t> Bytes;

// ---- Stand-in code pages ------------------------------------------------------
// 0 (ANSI) and 1252: Latin-1. 932: lead bytes 0x81-0x9F and 0xE0-0xFC take
// the next byte unless it is below '0'. 37: EBCDIC, CR 0x0D and LF 0x25.

static const uint16_t ebcdic[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x009C, 0x0009, 0x0086, 0x007F, 0x0097, 0x008D, 0x008E, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    0x0010, 0x0011, 0x0012, 0x0013, 0x009D, 0x0085, 0x0008, 0x0087, 0x0018, 0x0019, 0x0092, 0x008F, 0x001C, 0x001D, 0x001E, 0x001F,
    0x0080, 0x0081, 0x0082, 0x0083, 0x0084, 0x000A, 0x0017, 0x001B, 0x0088, 0x0089, 0x008A, 0x008B, 0x008C, 0x0005, 0x0006, 0x0007,
    0x0090, 0x0091, 0x0016, 0x0093, 0x0094, 0x0095, 0x0096, 0x0004, 0x0098, 0x0099, 0x009A, 0x009B, 0x0014, 0x0015, 0x009E, 0x001A,
    0x0020, 0x00A0, 0x00E2, 0x00E4, 0x00E0, 0x00E1, 0x00E3, 0x00E5, 0x00E7, 0x00F1, 0x00A2, 0x002E, 0x003C, 0x0028, 0x002B, 0x007C,
    0x0026, 0x00E9, 0x00EA, 0x00EB, 0x00E8, 0x00ED, 0x00EE, 0x00EF, 0x00EC, 0x00DF, 0x0021, 0x0024, 0x002A, 0x0029, 0x003B, 0x00AC,
    0x002D, 0x002F, 0x00C2, 0x00C4, 0x00C0, 0x00C1, 0x00C3, 0x00C5, 0x00C7, 0x00D1, 0x00A6, 0x002C, 0x0025, 0x005F, 0x003E, 0x003F,
    0x00F8, 0x00C9, 0x00CA, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x0060, 0x003A, 0x0023, 0x0040, 0x0027, 0x003D, 0x0022,
    0x00D8, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x00AB, 0x00BB, 0x00F0, 0x00FD, 0x00FE, 0x00B1,
    0x00B0, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x00AA, 0x00BA, 0x00E6, 0x00B8, 0x00C6, 0x00A4,
    0x00B5, 0x007E, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x00A1, 0x00BF, 0x00D0, 0x00DD, 0x00DE, 0x00AE,
    0x005E, 0x00A3, 0x00A5, 0x00B7, 0x00A9, 0x00A7, 0x00B6, 0x00BC, 0x00BD, 0x00BE, 0x005B, 0x005D, 0x00AF, 0x00A8, 0x00B4, 0x00D7,
    0x007B, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x00AD, 0x00F4, 0x00F6, 0x00F2, 0x00F3, 0x00F5,
    0x007D, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x00B9, 0x00FB, 0x00FC, 0x00F9, 0x00FA, 0x00FF,
    0x005C, 0x00F7, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x00B2, 0x00D4, 0x00D6, 0x00D2, 0x00D3, 0x00D5,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x00B3, 0x00DB, 0x00DC, 0x00D9, 0x00DA, 0x009F,
};

static const unsigned Ebcdic = 37, DoubleByte = 932;
static const uint32_t LowestTrailByte = 0x30, InvalidLead = 0x30FB, Replacement = 0xFFFD;

inline bool isLead(unsigned page, uint8_t byte) {
    return page == DoubleByte && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// The code point of a code page's character at bytes[0], and its length.
inline uint32_t pageCharacter(unsigned page, const uint8_t* bytes, uint32_t available, uint32_t* length) {
    *length = 1;
    if (page == Ebcdic) return ebcdic[bytes[0]];
    if (!isLead(page, bytes[0])) return bytes[0];
    if (available < 2 || bytes[1] < LowestTrailByte) return InvalidLead;
    *length = 2;
    return 0x4E00 + (uint32_t(bytes[0]) << 8 | bytes[1]) % 0x5000;
}

inline uint32_t convert(unsigned page, const uint8_t* bytes, uint32_t count, WideChar* out,
                        uint32_t capacity) {
    uint32_t written = 0;
    for (uint32_t i = 0, length = 0; i < count && (!out || written < capacity); i += length) {
        uint32_t unit = pageCharacter(page, bytes + i, count - i, &length);
        if (out) out[written] = WideChar(unit);
        ++written;
    }
    return written;
}
inline bool multiByte(unsigned page) { return page == DoubleByte; }
static const CodePageConverter pages = {convert, multiByte, isLead};

// ---- Writing a file in an encoding -------------------------------------------

struct Case {
    Encoding setting;
    EncodingKind writtenIn;  // EncodingCodePage: in the page of the setting, or Latin-1 for auto
    unsigned page;
    bool mark;
};

inline Case caseOf(uint8_t choice) {
    static const Case cases[] = {
        {{EncodingUtf8, 0}, EncodingUtf8, 0, false},     {{EncodingAuto, 0}, EncodingUtf8, 0, true},
        {{EncodingAuto, 0}, EncodingUtf16LE, 0, true},   {{EncodingUtf16BE, 0}, EncodingUtf16BE, 0, false},
        {{EncodingAuto, 0}, EncodingCodePage, 1252, false}, {{EncodingAuto, 0}, EncodingUtf8, 0, false},
        {{EncodingCodePage, DoubleByte}, EncodingCodePage, DoubleByte, false},
        {{EncodingCodePage, Ebcdic}, EncodingCodePage, Ebcdic, false},
        {{EncodingCodePage, 1252}, EncodingCodePage, 1252, false},
    };
    return cases[choice % (sizeof cases / sizeof cases[0])];
}

inline void put16(Bytes& out, uint32_t unit, bool bigEndian) {
    uint8_t high = uint8_t(unit >> 8), low = uint8_t(unit);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
}

inline void putUtf8(Bytes& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(uint8_t(c));
    } else if (c < 0x800) {
        out.push_back(uint8_t(0xC0 | c >> 6));
        out.push_back(uint8_t(0x80 | (c & 0x3F)));
    } else {
        out.push_back(uint8_t(0xE0 | c >> 12));
        out.push_back(uint8_t(0x80 | (c >> 6 & 0x3F)));
        out.push_back(uint8_t(0x80 | (c & 0x3F)));
    }
}

// A character written in a code page, or '?' when it has none; in the
// double-byte page, a character beyond ASCII is a pair.
inline void putInPage(Bytes& out, uint32_t c, unsigned page) {
    if (page == DoubleByte && c >= 0x4E00) {
        out.insert(out.end(), {0x93, 0xFA});
        return;
    }
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t length = 0;
        uint8_t byte = uint8_t(b);
        if (page != DoubleByte || !isLead(page, byte)) {
            if (pageCharacter(page, &byte, 1, &length) == c) {
                out.push_back(byte);
                return;
            }
        }
    }
    out.push_back(page == Ebcdic ? 0x6F : '?');
}

// A character as the case writes it.
inline void putCharacter(Bytes& out, uint32_t c, const Case& written) {
    if (written.writtenIn == EncodingUtf16LE || written.writtenIn == EncodingUtf16BE) {
        put16(out, c, written.writtenIn == EncodingUtf16BE);
    } else if (written.writtenIn == EncodingUtf8) {
        putUtf8(out, c);
    } else {
        putInPage(out, c, written.page == 0 ? 1252 : written.page);
    }
}

// ---- The reference --------------------------------------------------------------

struct Character {
    uint32_t codePoint;
    uint64_t start, end;  // its bytes in the file
};

// The well-formed UTF-8 sequences by lead byte (Unicode's table 3-7); an
// ill-formed one is one U+FFFD for its longest well-formed start.
inline uint32_t utf8Length(uint8_t lead, uint8_t* low, uint8_t* high) {
    *low = 0x80, *high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead == 0xE0) *low = 0xA0;
    if (lead == 0xED) *high = 0x9F;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead == 0xF0) *low = 0x90;
    if (lead == 0xF4) *high = 0x8F;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

inline Character nextUtf8(const Bytes& file, uint64_t at, uint64_t end) {
    uint8_t lead = file[at];
    if (lead < 0x80) return {lead, at, at + 1};
    uint8_t low, high;
    uint32_t length = utf8Length(lead, &low, &high);
    if (length == 0) return {Replacement, at, at + 1};
    uint32_t codePoint = lead & (0xFF >> (length + 1));
    for (uint32_t i = 1; i < length; ++i) {
        if (at + i == end) return {Replacement, at, at + i};
        uint8_t byte = file[at + i];
        bool fits = i == 1 ? byte >= low && byte <= high : (byte & 0xC0) == 0x80;
        if (!fits) return {Replacement, at, at + i};
        codePoint = codePoint << 6 | (byte & 0x3F);
    }
    return {codePoint, at, at + length};
}

inline uint32_t unit16(const Bytes& file, uint64_t at, bool bigEndian) {
    return bigEndian ? (file[at] << 8 | file[at + 1]) : (file[at + 1] << 8 | file[at]);
}

inline Character nextUtf16(const Bytes& file, uint64_t at, uint64_t end, bool bigEndian) {
    if (end - at < 2) return {Replacement, at, end};
    uint32_t unit = unit16(file, at, bigEndian);
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && end - at >= 4) {
        uint32_t next = unit16(file, at + 2, bigEndian);
        if (next >= 0xDC00 && next <= 0xDFFF) return {0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), at, at + 4};
    }
    return {unit >= 0xD800 && unit <= 0xDFFF ? Replacement : unit, at, at + 2};
}

inline Character nextCharacter(const Bytes& file, uint64_t at, uint64_t end, Encoding encoding) {
    if (encoding.kind == EncodingUtf8) return nextUtf8(file, at, end);
    if (encoding.kind != EncodingCodePage) return nextUtf16(file, at, end, encoding.kind == EncodingUtf16BE);
    uint32_t length = 0;
    uint32_t codePoint = pageCharacter(encoding.codePage, file.data() + at, uint32_t(end - at), &length);
    return {codePoint, at, at + length};
}

struct Line {
    uint64_t start, contentEnd, end;
    bool open;
    CodePoints text;  // as the pane shows it: a run of zeros is one middle dot
};

// The whole text decoded at once, then split into lines.
inline std::vector<Line> linesOf(const Bytes& file, uint64_t from, uint64_t to, Encoding encoding) {
    std::vector<Character> characters;
    for (uint64_t at = from; at < to;) {
        characters.push_back(nextCharacter(file, at, to, encoding));
        at = characters.back().end;
    }
    std::vector<Line> lines;
    Line line = {from, from, from, true, {}};
    for (size_t i = 0; i < characters.size(); ++i) {
        uint32_t c = characters[i].codePoint;
        if (c != '\r' && c != '\n') {
            bool zeroRun = c == 0 && i > 0 && characters[i - 1].codePoint == 0;
            if (!zeroRun) line.text.push_back(c == 0 ? 0xB7 : c);
            continue;
        }
        line.contentEnd = characters[i].start;
        line.end = characters[i].end;
        if (c == '\r' && i + 1 < characters.size() && characters[i + 1].codePoint == '\n') {
            line.end = characters[++i].end;
        }
        line.open = false;
        lines.push_back(line);
        line = {line.end, line.end, line.end, true, {}};
    }
    if (line.start < to) {
        line.contentEnd = line.end = to;
        lines.push_back(line);
    }
    return lines;
}

inline uint32_t folded(uint32_t c) { return c < 0x10000 ? foldCase(c) : c; }

// Matches anywhere in the line: the places reached after each pattern
// character, as a set.
inline bool alternativeMatches(const CodePoints& alternative, const CodePoints& line) {
    std::vector<bool> reached(line.size() + 1, true);
    for (uint32_t p : alternative) {
        std::vector<bool> next(line.size() + 1, false);
        for (size_t at = 0; at <= line.size(); ++at) {
            if (!reached[at]) continue;
            if (p == '*') {
                std::fill(next.begin() + at, next.end(), true);
                break;
            }
            if (at < line.size() && (p == '?' || folded(p) == folded(line[at]))) next[at + 1] = true;
        }
        reached = next;
    }
    return std::find(reached.begin(), reached.end(), true) != reached.end();
}

inline bool patternMatches(const CodePoints& pattern, const CodePoints& line) {
    CodePoints alternative;
    for (size_t i = 0; i <= pattern.size(); ++i) {
        if (i < pattern.size() && pattern[i] != '|') {
            alternative.push_back(pattern[i]);
            continue;
        }
        if (alternativeMatches(alternative, line)) return true;
        alternative.clear();
    }
    return false;
}

struct Filter {
    bool showSet, hideSet;
    CodePoints show, hide;
    bool passes(const CodePoints& line) const {
        return (!showSet || patternMatches(show, line)) && (!hideSet || !patternMatches(hide, line));
    }
    bool any() const { return showSet || hideSet; }
};

