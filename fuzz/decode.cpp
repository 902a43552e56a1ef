// The tail decoder for any bytes, encoding, window start and boundary: it
// stays inside its buffer, always lays out CR LF line ends without zeros,
// never shows a half surrogate pair, shows a later window as the end of an
// earlier one, and places the boundary where the bytes before it end.
// Code pages are a stand-in: page 1 byte for unit; page 2 a double-byte page
// whose lead bytes 0x81 to 0x9F take the next byte, unless it is below '0'.
#include "fuzz_input.h"
#include "tail/text_decoding.h"

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
                      findByteOrderMark(file.data(), (uint32_t)file.size())};
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
    return 0;
}
