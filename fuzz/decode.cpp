// The tail decoder for any bytes, encoding, window start and boundary: it
// stays inside its buffer, always lays out CR LF line ends without zeros,
// never shows a half surrogate pair, shows a later window as the end of an
// earlier one, and places the boundary where the bytes before it end.
// The line finder for the same bytes: the last lines that pass a judge are
// those a plain forward reading picks, and the lines a growth adds continue
// them exactly as a full reading of the grown file shows them. A pattern's
// needles are in the bytes of every line that matches it.
// Code pages are a stand-in: page 1 byte for unit; page 2 a double-byte page
// whose lead bytes 0x81 to 0x9F take the next byte, unless it is below '0'.
#include <algorithm>

#include "fuzz_input.h"
#include "text/line_finder.h"
#include "text/line_pattern.h"
#include "text/pattern_needles.h"
#include "text/text_decoding.h"

typedef std::vector<WideChar> Text;

static bool isLead(unsigned codePage, uint8_t byte) {
    return codePage == 2 && byte >= 0x81 && byte <= 0x9F;
}

static uint32_t convertStandIn(unsigned codePage, const uint8_t* bytes, uint32_t count,
                               WideChar* out, uint32_t capacity) {
    uint32_t written = 0;
    for (uint32_t i = 0; i < count && (!out || written < capacity); ++i) {
        WideChar unit = bytes[i];
        if (isLead(codePage, bytes[i])) {
            bool paired = i + 1 < count && bytes[i + 1] >= 0x30;
            unit = paired ? WideChar(0x4E00 + (bytes[i] << 8 | bytes[i + 1]) % 0x5000) : WideChar('?');
            if (paired) ++i;
        }
        if (out) out[written] = unit;
        ++written;
    }
    return written;
}
static bool pageTwoIsMultiByte(unsigned codePage) { return codePage == 2; }
static const CodePageConverter codePages = {convertStandIn, pageTwoIsMultiByte, isLead};

struct Decoded {
    Text text;
    DecodedText result;
};

// Decodes file[start, end) into a buffer of exactly the size it needs.
static Decoded decode(const std::vector<uint8_t>& file, uint32_t start, uint32_t end,
                      Encoding encoding, uint32_t boundary) {
    std::vector<uint8_t> bytes(file.begin() + start, file.begin() + end);
    TailBytes tail = {bytes.data(), (uint32_t)bytes.size(), start,
                      findByteOrderMark(file.data(), (uint32_t)file.size()), false};
    Decoded decoded;
    decoded.text.resize(decodedCapacity(tail.count));
    decoded.result = decodeTail(tail, encoding, codePages, boundary, decoded.text.data(),
                                (uint32_t)decoded.text.size());
    return decoded;
}

static void checkLaidOut(const Decoded& decoded, bool unicode) {
    const Text& text = decoded.text;
    uint32_t length = decoded.result.length;
    REQUIRE(length < text.size() && text[length] == 0);
    REQUIRE(decoded.result.boundaryAt <= length);
    for (uint32_t i = 0; i < length; ++i) {
        REQUIRE(text[i] != 0);
        if (text[i] == '\r') REQUIRE(i + 1 < length && text[i + 1] == '\n');
        if (text[i] == '\n') REQUIRE(i > 0 && text[i - 1] == '\r');
        if (!unicode) continue;
        bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
        bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        if (high) REQUIRE(i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF);
        if (low) REQUIRE(i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF);
    }
}

static bool endsWith(const Decoded& whole, const Decoded& part) {
    uint32_t n = part.result.length, m = whole.result.length;
    return n <= m && std::equal(part.text.begin(), part.text.begin() + n,
                                whole.text.begin() + (m - n));
}

static Encoding explicitEncoding(uint8_t choice) {
    static const Encoding encodings[] = {{EncodingUtf8, 0},     {EncodingUtf16LE, 0},
                                         {EncodingUtf16BE, 0},  {EncodingCodePage, 1},
                                         {EncodingCodePage, 2}};
    return encodings[choice % 5];
}

// ---- Lines ----

struct Line {
    uint64_t start, contentEnd, end;
    bool open;
};

static uint32_t unitOf(const std::vector<uint8_t>& file, uint64_t at, LineUnits units) {
    if (units.size == 1) return file[at];
    return units.bigEndian ? (file[at] << 8 | file[at + 1]) : (file[at + 1] << 8 | file[at]);
}

// The lines of file[from, to), read forwards.
static std::vector<Line> linesOf(const std::vector<uint8_t>& file, uint64_t from, uint64_t to,
                                 LineUnits units) {
    std::vector<Line> lines;
    uint64_t start = from;
    for (uint64_t at = from; at + units.size <= to; at += units.size) {
        uint32_t unit = unitOf(file, at, units);
        if (unit != '\r' && unit != '\n') continue;
        uint64_t end = at + units.size;
        if (unit == '\r' && end + units.size <= to && unitOf(file, end, units) == '\n') end += units.size;
        lines.push_back({start, at, end, false});
        start = end;
        at = end - units.size;
    }
    if (start < to) lines.push_back({start, to, to, true});
    return lines;
}

static std::vector<std::vector<uint8_t>> lineContents(const std::vector<uint8_t>& bytes,
                                                      LineUnits units) {
    std::vector<std::vector<uint8_t>> contents;
    for (const Line& line : linesOf(bytes, 0, bytes.size(), units)) {
        contents.emplace_back(bytes.begin() + line.start, bytes.begin() + line.contentEnd);
    }
    return contents;
}

// A line passes when the bytes given (the end of a cut line) hold an 'x';
// no line behind the last 'x' can pass.
static bool holdsX(void*, const uint8_t* line, uint32_t count, bool) {
    return memchr(line, 'x', count) != nullptr;
}
static uint32_t lastX(void*, const uint8_t* lines, uint32_t count) {
    for (uint32_t i = count; i-- > 0;) {
        if (lines[i] == 'x') return i;
    }
    return NoPlaceToPass;
}

static std::vector<uint8_t>* sourceFile;
static bool readSource(void*, uint64_t offset, uint8_t* out, uint32_t count) {
    if (offset + count > sourceFile->size()) return false;
    memcpy(out, sourceFile->data() + offset, count);
    return true;
}

static void checkLastLines(std::vector<uint8_t>& file, LineUnits units, uint64_t textStart,
                           uint32_t maxLines, uint32_t maxBytes, uint64_t scanLimit,
                           bool filter, uint32_t blockSize) {
    sourceFile = &file;
    uint64_t size = file.size();
    textStart = textStart < size ? textStart : size;
    LineJudge judge = {nullptr, filter ? holdsX : nullptr, filter ? lastX : nullptr};
    uint32_t judgedBytes = blockSize - blockSize / 4;
    LineQuery query = {size,  textStart, units,     maxLines,   maxBytes,
                       scanLimit, filter, judge, NoOffset, judgedBytes};
    ByteSource source = {nullptr, readSource};
    std::vector<uint8_t> block(blockSize), out(maxBytes + 1);
    TakenLines taken = takeLastLines(query, source, block.data(), blockSize, out.data(),
                                     (uint32_t)out.size());

    uint64_t end = size - (size - textStart) % units.size;
    uint64_t limitFloor = end - textStart > scanLimit ? end - scanLimit : textStart;
    limitFloor -= (limitFloor - textStart) % units.size;
    uint32_t room = maxBytes - maxBytes % units.size;
    std::vector<Line> lines = linesOf(file, textStart, end, units);
    std::vector<uint8_t> expected;
    uint32_t count = 0;
    bool limitReached = false;
    for (size_t i = room > 0 ? lines.size() : 0; i-- > 0;) {
        Line line = lines[i];
        bool found = line.start == textStart ? limitFloor == textStart : line.start - units.size >= limitFloor;
        if (!found) {
            limitReached = true;
            break;
        }
        if (line.open && filter) continue;
        uint64_t length = line.contentEnd - line.start;
        uint64_t judgedFrom = length > judgedBytes ? line.contentEnd - judgedBytes : line.start;
        if (filter && !holdsX(nullptr, file.data() + judgedFrom, (uint32_t)(line.contentEnd - judgedFrom), false)) continue;
        if (line.end - line.start > room - expected.size()) {
            if (count > 0) break;
            line.start = line.end - room;
        }
        std::vector<uint8_t> bytes(file.begin() + line.start, file.begin() + line.end);
        bool loneReturn = line.end - line.contentEnd == units.size &&
                          unitOf(file, line.contentEnd, units) == '\r';
        if (filter && loneReturn) bytes[bytes.size() - (units.size == 2 && !units.bigEndian ? 2 : 1)] = '\n';
        expected.insert(expected.begin(), bytes.begin(), bytes.end());
        ++count;
        if (expected.size() == room || count == maxLines) break;
    }
    REQUIRE(!taken.readFailed);
    REQUIRE(taken.lineCount == count);
    REQUIRE(taken.limitReached == limitReached);
    REQUIRE(taken.count == expected.size());
    REQUIRE(taken.start + taken.count == out.size());
    REQUIRE(std::equal(expected.begin(), expected.end(), out.begin() + taken.start));
}

// The filtered lines of a file grown from `grown` bytes are those of the
// smaller file followed by those its growth adds.
static void checkAddedLines(std::vector<uint8_t>& file, LineUnits units, uint64_t grownFrom) {
    sourceFile = &file;
    uint64_t size = file.size();
    LineJudge judge = {nullptr, holdsX, lastX};
    ByteSource source = {nullptr, readSource};
    uint32_t room = (uint32_t)size + 8;
    std::vector<uint8_t> block(room), out(room);
    auto take = [&](uint64_t fileSize) {
        LineQuery query = {fileSize, 0, units, 0, room, UINT64_MAX, true, judge, NoOffset, room};
        TakenLines taken = takeLastLines(query, source, block.data(), room, out.data(), room);
        return std::make_pair(std::vector<uint8_t>(out.begin() + taken.start, out.end()), taken.end);
    };
    auto whole = take(size);
    auto before = take(grownFrom);
    uint64_t joined = before.second < 8 ? before.second : 8;
    std::vector<uint8_t> bytes(file.begin() + (before.second - joined), file.end());
    AddedLines added = takeAddedLines(bytes.data(), (uint32_t)bytes.size(), before.second - joined,
                                      before.second, units, false, true, judge);
    // Line by line: a CR that ended a line before the growth may have its LF after it.
    auto joinedUp = lineContents(before.first, units);
    auto more = lineContents(std::vector<uint8_t>(bytes.begin(), bytes.begin() + added.count), units);
    joinedUp.insert(joinedUp.end(), more.begin(), more.end());
    REQUIRE(added.end == whole.second);
    REQUIRE(joinedUp == lineContents(whole.first, units));
}

static void checkLines(std::vector<uint8_t>& file, uint8_t choice, uint16_t a, uint16_t b) {
    static const LineUnits unitChoices[] = {{1, false}, {2, false}, {2, true}};
    LineUnits units = unitChoices[choice % 3];
    uint32_t blockSize = 8 + (a % 64) * 2;
    uint32_t maxBytes = 1 + b % (blockSize - 2);
    uint32_t maxLines = (a >> 8) % 6;
    uint64_t scanLimit = (b >> 4) % 3 == 0 ? UINT64_MAX : 1 + (b >> 6) % (file.size() + 2);
    checkLastLines(file, units, (choice >> 2) % 3, maxLines, maxBytes, scanLimit, (choice >> 4) & 1,
                   blockSize);
    uint64_t grownFrom = file.empty() ? 0 : a % file.size();
    grownFrom -= grownFrom % units.size;
    checkAddedLines(file, units, grownFrom);
}

// The first bytes, up to a zero, as a pattern; the rest as a line of UTF-8
// or of the stand-in code page.
static void checkNeedles(const std::vector<uint8_t>& file, uint8_t choice) {
    std::vector<uint8_t>::const_iterator zero = std::find(file.begin(), file.end(), 0);
    std::vector<WideChar> pattern(file.begin(), zero);
    for (WideChar& c : pattern) c = c == 0x7F ? WideChar(0x212A) : c;  // the Kelvin sign, as K
    std::vector<uint8_t> line(zero == file.end() ? zero : zero + 1, file.end());
    PatternNeedles needles;
    findNeedles(pattern.data(), (uint32_t)pattern.size(), &needles);
    static LinePattern compiled;
    if (!needles.usable ||
        compileLinePattern(pattern.data(), (uint32_t)pattern.size(), &compiled) != PatternUsable) {
        return;
    }
    Decoded text = decode(line, 0, (uint32_t)line.size(), choice & 1 ? Encoding{EncodingCodePage, 2}
                                                                      : Encoding{EncodingUtf8, 0},
                          NoBoundary);
    if (lineMatches(compiled, text.text.data(), text.result.length)) {
        REQUIRE(holdsNeedle(needles, line.data(), (uint32_t)line.size()));
        fitAnchors(&needles, line.data(), (uint32_t)line.size() / 2);
        REQUIRE(holdsNeedle(needles, line.data(), (uint32_t)line.size()));
    }
    uint32_t last = lastNeedleAt(needles, line.data(), (uint32_t)line.size());
    REQUIRE((last != NoNeedle) == holdsNeedle(needles, line.data(), (uint32_t)line.size()));
    if (last != NoNeedle) {
        REQUIRE(!holdsNeedle(needles, line.data() + last + 1, (uint32_t)line.size() - last - 1));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint8_t choice = input.take<uint8_t>();
    uint16_t startChoice = input.take<uint16_t>();
    uint16_t boundaryChoice = input.take<uint16_t>();
    std::vector<uint8_t> file(data + (size < 5 ? size : 5), data + size);
    if (file.size() > 4096) file.resize(4096);
    uint32_t n = (uint32_t)file.size();
    uint32_t start = n ? startChoice % (n + 1) : 0;
    uint32_t boundary = boundaryChoice % (n - start + 1);

    Decoded automatic = decode(file, start, n, {EncodingAuto, 0}, NoBoundary);
    checkLaidOut(automatic, automatic.result.used.kind != EncodingCodePage);
    REQUIRE(automatic.result.used.kind != EncodingAuto);

    Encoding encoding = explicitEncoding(choice);
    bool unicode = encoding.kind != EncodingCodePage;
    Decoded whole = decode(file, 0, n, encoding, NoBoundary);
    Decoded tail = decode(file, start, n, encoding, boundary);
    checkLaidOut(whole, unicode);
    checkLaidOut(tail, unicode);
    REQUIRE(endsWith(whole, tail));

    Decoded beforeBoundary = decode(file, start, start + boundary, encoding, NoBoundary);
    REQUIRE(tail.result.boundaryAt == beforeBoundary.result.length);

    checkLines(file, choice, startChoice, boundaryChoice);
    checkNeedles(file, choice);
    return 0;
}
