// The line choice against a slow reference that is plainly right: the text
// decoded whole, split at CR, LF and CR LF, each line folded and matched
// position set by position set; from the end back, the lines that pass, as
// many as fit. In every encoding the reader supports: UTF-8 with and without
// a mark, UTF-16 LE and BE, auto on ANSI text and on UTF-8, a single-byte
// page, a double-byte page, and EBCDIC, whose letters and line ends are not
// ASCII's. The code pages are stand-ins with the shapes of the real ones.
// Also: the lines a growth adds continue those of the smaller file exactly.
#include <algorithm>

#include "fuzz_input.h"
#include "text/case_folding.h"
#include "text/line_choice.h"

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

static bool isLead(unsigned page, uint8_t byte) {
    return page == DoubleByte && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

// The code point of a code page's character at bytes[0], and its length.
static uint32_t pageCharacter(unsigned page, const uint8_t* bytes, uint32_t available, uint32_t* length) {
    *length = 1;
    if (page == Ebcdic) return ebcdic[bytes[0]];
    if (!isLead(page, bytes[0])) return bytes[0];
    if (available < 2 || bytes[1] < LowestTrailByte) return InvalidLead;
    *length = 2;
    return 0x4E00 + (uint32_t(bytes[0]) << 8 | bytes[1]) % 0x5000;
}

static uint32_t convert(unsigned page, const uint8_t* bytes, uint32_t count, WideChar* out,
                        uint32_t capacity) {
    uint32_t written = 0;
    for (uint32_t i = 0, length = 0; i < count && (!out || written < capacity); i += length) {
        uint32_t unit = pageCharacter(page, bytes + i, count - i, &length);
        if (out) out[written] = WideChar(unit);
        ++written;
    }
    return written;
}
static bool multiByte(unsigned page) { return page == DoubleByte; }
static const CodePageConverter pages = {convert, multiByte, isLead};

// ---- Writing a file in an encoding -------------------------------------------

struct Case {
    Encoding setting;
    EncodingKind writtenIn;  // EncodingCodePage: in the page of the setting, or Latin-1 for auto
    unsigned page;
    bool mark;
};

static Case caseOf(uint8_t choice) {
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

static void put16(Bytes& out, uint32_t unit, bool bigEndian) {
    uint8_t high = uint8_t(unit >> 8), low = uint8_t(unit);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
}

static void putUtf8(Bytes& out, uint32_t c) {
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
static void putInPage(Bytes& out, uint32_t c, unsigned page) {
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

// A log of tokens: words a filter may look for, line ends of every kind,
// and raw bytes or lone surrogates that no encoding takes as they are.
static Bytes writeLog(FuzzInput& input, const Case& c, size_t maxTokens) {
    static const uint32_t words[] = {'a', 'b', 'E', 'R', 0xE9, 0xC9, 0x3B6, 0x396, 0x65E5,
                                     ' ', '1', ':', 'x', 0x212A, 'k'};
    Bytes out;
    bool utf16 = c.writtenIn == EncodingUtf16LE || c.writtenIn == EncodingUtf16BE;
    bool bigEndian = c.writtenIn == EncodingUtf16BE;
    if (c.mark && c.writtenIn == EncodingUtf8) out.insert(out.end(), {0xEF, 0xBB, 0xBF});
    if (c.mark && utf16) put16(out, 0xFEFF, bigEndian);
    for (size_t i = 0; i < maxTokens && !input.empty(); ++i) {
        uint8_t token = input.take<uint8_t>();
        uint32_t kind = token % 20;
        CodePoints characters;
        if (kind < 15) characters = {words[kind]};
        else if (kind == 15) characters = {'\r'};
        else if (kind == 16) characters = {'\n'};
        else if (kind == 17) characters = {'\r', '\n'};
        if (kind == 18 || kind == 19) {
            uint8_t raw = input.take<uint8_t>();
            if (utf16) put16(out, 0xD800 + raw * 4, bigEndian);
            else out.push_back(raw);
            continue;
        }
        for (uint32_t character : characters) {
            if (utf16) put16(out, character, bigEndian);
            else if (c.writtenIn == EncodingUtf8) putUtf8(out, character);
            else putInPage(out, character, c.page == 0 ? 1252 : c.page);
        }
    }
    return out;
}

// ---- The reference --------------------------------------------------------------

struct Character {
    uint32_t codePoint;
    uint64_t start, end;  // its bytes in the file
};

// The well-formed UTF-8 sequences by lead byte (Unicode's table 3-7); an
// ill-formed one is one U+FFFD for its longest well-formed start.
static uint32_t utf8Length(uint8_t lead, uint8_t* low, uint8_t* high) {
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

static Character nextUtf8(const Bytes& file, uint64_t at, uint64_t end) {
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

static uint32_t unit16(const Bytes& file, uint64_t at, bool bigEndian) {
    return bigEndian ? (file[at] << 8 | file[at + 1]) : (file[at + 1] << 8 | file[at]);
}

static Character nextUtf16(const Bytes& file, uint64_t at, uint64_t end, bool bigEndian) {
    if (end - at < 2) return {Replacement, at, end};
    uint32_t unit = unit16(file, at, bigEndian);
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && end - at >= 4) {
        uint32_t next = unit16(file, at + 2, bigEndian);
        if (next >= 0xDC00 && next <= 0xDFFF) return {0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), at, at + 4};
    }
    return {unit >= 0xD800 && unit <= 0xDFFF ? Replacement : unit, at, at + 2};
}

static Character nextCharacter(const Bytes& file, uint64_t at, uint64_t end, Encoding encoding) {
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
static std::vector<Line> linesOf(const Bytes& file, uint64_t from, uint64_t to, Encoding encoding) {
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

static uint32_t folded(uint32_t c) { return c < 0x10000 ? foldCase(c) : c; }

// Matches anywhere in the line: the places reached after each pattern
// character, as a set.
static bool alternativeMatches(const CodePoints& alternative, const CodePoints& line) {
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

static bool patternMatches(const CodePoints& pattern, const CodePoints& line) {
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

struct Expected {
    Bytes bytes;
    uint64_t visitedFrom = UINT64_MAX;  // the start of the earliest line looked at
    uint32_t lineCount = 0;
    bool limitReached = false;
    bool firstLineCut = false;
    uint32_t shownEndAt = 0;
    std::vector<CodePoints> texts;
};

static uint32_t lineEndUnit(Encoding encoding) { return encoding.kind == EncodingCodePage && encoding.codePage == Ebcdic ? 0x25 : '\n'; }

// The text a cut line's last bytes show as the end of a window.
static CodePoints cutLineText(const Bytes& file, uint64_t from, uint64_t to, Encoding encoding) {
    if (encoding.kind == EncodingUtf8) {
        for (int i = 0; i < 3 && from < to && (file[from] & 0xC0) == 0x80; ++i) ++from;
    } else if (encoding.kind == EncodingUtf16LE || encoding.kind == EncodingUtf16BE) {
        uint32_t unit = to - from >= 2 ? unit16(file, from, encoding.kind == EncodingUtf16BE) : 0;
        if (unit >= 0xDC00 && unit <= 0xDFFF) from += 2;
    } else if (encoding.codePage == DoubleByte) {
        while (from < to && file[from] >= LowestTrailByte) ++from;
    }
    std::vector<Line> lines = linesOf(file, from, to, encoding);
    return lines.empty() ? CodePoints() : lines[0].text;
}

// From the end back: the lines that pass, while they fit; a line longer than
// judgedBytes is judged on its last so many bytes.
static Expected expectedLines(const Bytes& file, uint64_t textStart, uint32_t unitSize, Encoding encoding,
                              const Filter& filter, uint32_t maxLines, uint32_t room, uint64_t scanLimit,
                              uint32_t judgedBytes, uint64_t seenEnd) {
    Expected expected;
    uint64_t end = file.size() - (file.size() - textStart) % unitSize;
    uint64_t limitFloor = end - textStart > scanLimit ? end - scanLimit : textStart;
    limitFloor -= (limitFloor - textStart) % unitSize;
    room -= room % unitSize;
    std::vector<Line> lines = linesOf(file, textStart, end, encoding);
    for (size_t i = room > 0 ? lines.size() : 0; i-- > 0;) {
        Line line = lines[i];
        bool found = line.start == textStart ? limitFloor == textStart : line.start - unitSize >= limitFloor;
        if (!found) {
            expected.limitReached = true;
            break;
        }
        if (line.open && filter.any()) continue;
        expected.visitedFrom = line.start;
        CodePoints judged = line.contentEnd - line.start > judgedBytes
                                ? cutLineText(file, line.contentEnd - judgedBytes, line.contentEnd, encoding)
                                : line.text;
        if (filter.any() && !filter.passes(judged)) continue;
        if (line.end - line.start > room - expected.bytes.size()) {
            if (expected.lineCount > 0) break;
            line.start = line.end - room;
            expected.firstLineCut = true;
        }
        Bytes bytes(file.begin() + line.start, file.begin() + line.end);
        bool loneReturn = line.end - line.contentEnd == unitSize && !line.open &&
                          nextCharacter(file, line.contentEnd, line.end, encoding).codePoint == '\r';
        if (filter.any() && loneReturn) {  // an LF in its place, as the encoding writes it
            uint8_t feed = uint8_t(lineEndUnit(encoding));
            if (unitSize == 1) {
                bytes.back() = feed;
            } else {
                bool bigEndian = encoding.kind == EncodingUtf16BE;
                bytes[bytes.size() - 2] = bigEndian ? 0 : feed;
                bytes[bytes.size() - 1] = bigEndian ? feed : 0;
            }
        }
        if (seenEnd > line.start) expected.shownEndAt += uint32_t(std::min<uint64_t>(seenEnd - line.start, bytes.size()));
        expected.bytes.insert(expected.bytes.begin(), bytes.begin(), bytes.end());
        expected.texts.insert(expected.texts.begin(), line.text);
        ++expected.lineCount;
        if (expected.bytes.size() == room || expected.lineCount == maxLines) break;
    }
    return expected;
}

// ---- The engine ---------------------------------------------------------------

static const Bytes* sourceFile;
static bool readSource(void*, uint64_t offset, uint8_t* out, uint32_t count) {
    if (offset + count > sourceFile->size()) return false;
    if (count > 0) memcpy(out, sourceFile->data() + offset, count);
    return true;
}

struct Engine {
    LineChoice choice;
    Filter filter;
    std::vector<WideChar> lineText;
};

static CodePoints patternFrom(FuzzInput& input) {
    static const uint32_t alphabet[] = {'a', 'b', 'e', 'R', 0xE9, 0xC9, 0x3B6, '1', ':', 'x', 'K', 's',
                                        '*', '?', '|', ' '};
    CodePoints pattern;
    std::string text = input.takeText();
    for (size_t i = 0; i < text.size() && i < 10; ++i) pattern.push_back(alphabet[uint8_t(text[i]) % 16]);
    return pattern;
}

static bool compile(const CodePoints& pattern, LinePattern* compiled, PatternNeedles* needles) {
    std::vector<WideChar> units(pattern.begin(), pattern.end());
    findNeedles(units.data(), (uint32_t)units.size(), needles);
    return compileLinePattern(units.data(), (uint32_t)units.size(), compiled) == PatternUsable;
}

// The pane's text of the lines the engine chose, as tail.cpp decodes them.
static CodePoints shownText(const Bytes& bytes, Encoding encoding) {
    TailBytes tail = {bytes.data(), (uint32_t)bytes.size(), 0, {EncodingAuto, 0}, true, true};
    std::vector<WideChar> out(decodedCapacity(tail.count));
    DecodedText text = decodeTail(tail, encoding, pages, NoBoundary, out.data(), (uint32_t)out.size());
    CodePoints points;
    for (uint32_t i = 0; i < text.length; ++i) {
        uint32_t unit = out[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.length) unit = 0x10000 + ((unit - 0xD800) << 10) + (out[++i] - 0xDC00);
        if (unit != '\n') points.push_back(unit);  // every line ends in CR LF: compare at the CR
    }
    return points;
}

static CodePoints joinedLines(const std::vector<CodePoints>& texts) {
    CodePoints joined;
    for (const CodePoints& text : texts) {
        joined.insert(joined.end(), text.begin(), text.end());
        joined.push_back('\r');
    }
    return joined;
}

static bool validUtf8Lines(const Bytes& file, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        for (uint64_t at = line.start; at < line.contentEnd;) {
            Character c = nextUtf8(file, at, line.contentEnd);
            if (c.codePoint == Replacement && !(c.end - c.start == 3 && file[at] == 0xEF)) return false;
            at = c.end;
        }
    }
    return true;
}

static void checkLastLines(Engine& engine, const Bytes& file, const Case& c, uint16_t a, uint16_t b) {
    sourceFile = &file;
    ByteOrderMark mark = findByteOrderMark(file.data(), (uint32_t)file.size());
    uint32_t blockSize = 64 + (a % 64) * 2;
    uint32_t judgedBytes = blockSize / 2 & ~1u;
    uint32_t window = 1 + b % (blockSize - 2);
    engine.choice.lines = (a >> 8) % 6;
    uint64_t scanLimit = (b >> 4) % 3 == 0 ? UINT64_MAX : 1 + (b >> 6) % (file.size() + 2);
    if (!engine.filter.any()) scanLimit = UINT64_MAX;
    engine.choice.scanLimit = scanLimit;
    uint64_t seenEnd = (a >> 3) % 2 ? NoOffset : (b >> 2) % (file.size() + 1);
    engine.lineText.assign(2 * judgedBytes + 1, 0);

    LineScan scan = {&engine.choice, c.setting, false, mark, &pages, engine.lineText.data(), judgedBytes};
    LastLinesQuery query = {file.size(), mark.length, window, scanLimit, seenEnd};
    ByteSource source = {nullptr, readSource};
    Bytes block(blockSize), out(window + 1);
    ChosenLines chosen = chooseLastLines(scan, query, source, block.data(), blockSize, out.data(), (uint32_t)out.size());
    const TakenLines& taken = chosen.taken;
    REQUIRE(!taken.readFailed && !taken.abandoned);

    Encoding read = chosen.encoding;
    if (read.kind == EncodingAuto) read = mark.kind != EncodingAuto ? Encoding{mark.kind, 0} : Encoding{EncodingUtf8, 0};
    uint32_t unitSize = read.kind == EncodingUtf16LE || read.kind == EncodingUtf16BE ? 2 : 1;
    Expected expected = expectedLines(file, mark.length, unitSize, read, engine.filter, engine.choice.lines,
                                      window, scanLimit, judgedBytes, seenEnd);
    REQUIRE(taken.count == expected.bytes.size());
    REQUIRE(std::equal(expected.bytes.begin(), expected.bytes.end(), out.begin() + taken.start));
    REQUIRE(taken.lineCount == expected.lineCount);
    REQUIRE(taken.limitReached == expected.limitReached);
    REQUIRE(taken.firstLineCut == expected.firstLineCut);
    if (seenEnd != NoOffset) REQUIRE(taken.shownEndAt == expected.shownEndAt);
    if (!engine.filter.any()) return;

    // The pane shows the lines as the filter judged them.
    if (!expected.firstLineCut) {
        Bytes shown(out.begin() + taken.start, out.end());
        REQUIRE(shownText(shown, chosen.encoding) == joinedLines(expected.texts));
    }
    // Auto reads UTF-8 unless a line it looks at is not UTF-8: then every
    // line, judged in the ANSI code page, passes as there. Reading UTF-8, no
    // line it looked at passes in the ANSI code page unless it is UTF-8.
    if (c.setting.kind != EncodingAuto || mark.kind != EncodingAuto) return;
    Encoding utf8 = {EncodingUtf8, 0};
    Expected asUtf8 = expectedLines(file, 0, 1, utf8, engine.filter, engine.choice.lines, window,
                                    scanLimit, judgedBytes, NoOffset);
    std::vector<Line> looked;
    for (const Line& line : linesOf(file, 0, file.size(), utf8)) {
        if (!line.open && line.start >= asUtf8.visitedFrom) looked.push_back(line);
    }
    if (chosen.encoding.kind == EncodingCodePage) {
        REQUIRE(!validUtf8Lines(file, looked));
        return;
    }
    REQUIRE(chosen.encoding.kind == EncodingUtf8);
    for (const Line& line : looked) {
        std::vector<Line> one = {line};
        if (line.contentEnd - line.start > judgedBytes) continue;
        Encoding ansi = {EncodingCodePage, AnsiCodePage};
        CodePoints asAnsi = linesOf(file, line.start, line.contentEnd, ansi).empty()
                                ? CodePoints()
                                : linesOf(file, line.start, line.contentEnd, ansi)[0].text;
        if (engine.filter.passes(asAnsi)) REQUIRE(validUtf8Lines(file, one));
    }
}

// The filtered lines of a file grown from grownFrom bytes are those of the
// smaller file followed by those its growth adds.
static void checkAddedLines(Engine& engine, const Bytes& file, const Case& c, uint64_t grownFrom) {
    if (!engine.filter.any() || c.setting.kind == EncodingAuto) return;
    sourceFile = &file;
    ByteOrderMark mark = findByteOrderMark(file.data(), (uint32_t)file.size());
    uint32_t room = (uint32_t)file.size() + 8;
    engine.lineText.assign(2 * room + 1, 0);
    engine.choice.scanLimit = UINT64_MAX;
    LineScan scan = {&engine.choice, c.setting, false, mark, &pages, engine.lineText.data(), room};
    ByteSource source = {nullptr, readSource};
    Bytes block(room), out(room);
    auto take = [&](uint64_t fileSize) {
        LastLinesQuery query = {fileSize, mark.length, room, UINT64_MAX, NoOffset};
        engine.choice.lines = 0;
        TakenLines taken = chooseLastLines(scan, query, source, block.data(), room, out.data(), room).taken;
        return std::make_pair(Bytes(out.begin() + taken.start, out.end()), taken.end);
    };
    uint32_t unitSize = c.setting.kind == EncodingUtf16LE || c.setting.kind == EncodingUtf16BE ? 2 : 1;
    grownFrom -= grownFrom % unitSize;
    if (grownFrom < mark.length) return;
    auto whole = take(file.size());
    auto before = take(grownFrom);
    uint64_t joined = std::min<uint64_t>(before.second, 8);
    Bytes bytes(file.begin() + (before.second - joined), file.end());
    scan.growth = true;
    AddedLines added = chooseAddedLines(scan, bytes.data(), (uint32_t)bytes.size(), before.second - joined,
                                        before.second, false);
    REQUIRE(!added.abandoned && added.end == whole.second);
    Bytes joinedUp = before.first;
    joinedUp.insert(joinedUp.end(), bytes.begin(), bytes.begin() + added.count);
    REQUIRE(shownText(joinedUp, c.setting) == shownText(whole.first, c.setting));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Case c = caseOf(input.take<uint8_t>());
    uint16_t a = input.take<uint16_t>(), b = input.take<uint16_t>();
    static Engine engine;
    engine.filter.show = patternFrom(input);
    engine.filter.hide = patternFrom(input);
    engine.filter.showSet = compile(engine.filter.show, &engine.choice.show, &engine.choice.showNeedles);
    engine.filter.hideSet = compile(engine.filter.hide, &engine.choice.hide, &engine.choice.hideNeedles);
    engine.choice.showSet = engine.filter.showSet;
    engine.choice.hideSet = engine.filter.hideSet;
    Bytes file = writeLog(input, c, 400);
    checkLastLines(engine, file, c, a, b);
    checkAddedLines(engine, file, c, file.empty() ? 0 : a % file.size());
    return 0;
}
