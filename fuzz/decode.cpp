// The tail decoder for any bytes, encoding, window start and boundary: it
// stays inside its buffer, always lays out CR LF line ends without zeros,
// never shows a half surrogate pair, shows a later window as the end of an
// earlier one, and places the boundary where the bytes before it end.
// A pattern's needles are in the bytes of every line that matches it.
// Code pages are a stand-in: page 1 byte for unit; page 2 a double-byte page
// whose lead bytes 0x81 to 0x9F take the next byte, unless it is below '0'.
#include <algorithm>

#include "fuzz_input.h"
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
                      findByteOrderMark(file.data(), (uint32_t)file.size()), false, false};
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

    checkNeedles(file, choice);
    return 0;
}
