// The layout of a notice in the pane's width, for any notice, width and
// capacity, against what a reader of the pane expects: the notice's own text
// in order, less only the blanks at a break; a break only where the rest of
// the line does not fit, behind the last blank or separator that fits, never
// inside a surrogate pair; every line in the width unless it is a single
// character; and a smaller capacity only cuts. The measure gives wide
// characters two columns and a surrogate pair two.
#include "fuzz_input.h"
#include "text/characters.h"
#include "text/notice_layout.h"

typedef std::vector<WideChar> Units;

// Few units, so that blanks, separators, line feeds and pairs meet often.
static const WideChar Alphabet[] = {'a', 'b', ' ', ' ', '\\', '/', '\n', 0xD83D, 0xDE00, 0x4E00};

static uint32_t columnsOf(WideChar unit) {
    if (isLowSurrogate(unit)) return 0;
    return unit == 0x4E00 || isHighSurrogate(unit) ? 2 : 1;
}

struct Measure {
    uint32_t width;
    const Units* notice;
};

static uint32_t unitsThatFit(uint32_t width, const WideChar* text, uint32_t length) {
    uint32_t columns = 0, fit = 0;
    while (fit < length && columns + columnsOf(text[fit]) <= width) columns += columnsOf(text[fit++]);
    return fit;
}

// Asked only about the notice's own units.
static uint32_t fitInWidth(void* context, const WideChar* text, uint32_t length) {
    const Measure& measure = *(const Measure*)context;
    const WideChar* begin = measure.notice->data();
    REQUIRE(text >= begin && text + length <= begin + measure.notice->size() - 1);
    return unitsThatFit(measure.width, text, length);
}

static Units layOut(const Units& notice, Measure& measure, uint32_t capacity) {
    TextFit fit = {&measure, fitInWidth};
    Units out(capacity + 1, 0x7777);
    uint32_t length = layOutNotice(notice.data(), fit, out.data(), capacity);
    REQUIRE(capacity == 0 ? length == 0 : length < capacity && out[length] == 0);
    REQUIRE(out[capacity] == 0x7777);
    for (uint32_t i = 0; i < length; ++i) REQUIRE(out[i] != 0);
    out.resize(length);
    return out;
}

static bool isOneCharacter(const WideChar* line, size_t length) {
    return length == 1 || (length == 2 && isHighSurrogate(line[0]) && isLowSurrogate(line[1]));
}

static size_t paragraphEnd(const Units& notice, size_t from) {
    while (notice[from] != 0 && notice[from] != '\n') ++from;
    return from;
}

// Walks the notice and the layout together: every unit of the notice is
// shown in order, but for blanks left out at a break.
static void checkAgainstNotice(const Units& notice, const Units& out, uint32_t width) {
    size_t n = 0, o = 0, lineStart = 0, outLineStart = 0;
    auto endLine = [&]() {
        const WideChar* line = out.data() + outLineStart;
        size_t length = o - outLineStart;
        REQUIRE(length == 0 || line[length - 1] != ' ');
        REQUIRE(unitsThatFit(width, line, (uint32_t)length) == length || isOneCharacter(line, length));
    };
    while (o < out.size()) {
        bool lineEnd = out[o] == '\r' && o + 1 < out.size() && out[o + 1] == '\n';
        if (!lineEnd && out[o] == notice[n]) {
            ++o, ++n;
            continue;
        }
        size_t blanks = 0;
        while (notice[n + blanks] == ' ') ++blanks;
        REQUIRE(lineEnd);
        endLine();
        n += blanks;
        o += 2;
        outLineStart = o;
        if (notice[n] == '\n') {
            lineStart = ++n;
            continue;
        }
        // A break the width made: what was left of the paragraph did not fit,
        // and no pair is split.
        REQUIRE(notice[n] != 0);
        size_t end = paragraphEnd(notice, lineStart);
        uint32_t fits = unitsThatFit(width, notice.data() + lineStart, uint32_t(end - lineStart));
        REQUIRE(fits < end - lineStart);
        size_t lastBreak = 0;  // behind the last blank or separator that fits, or at a blank
        for (size_t at = lineStart + 1; at <= lineStart + fits; ++at) {
            WideChar before = notice[at - 1];
            if (before == ' ' || before == '\\' || before == '/' || notice[at] == ' ') lastBreak = at;
        }
        REQUIRE(lastBreak == 0 || (n - blanks <= lastBreak && lastBreak <= n));
        REQUIRE(blanks > 0 || !(isHighSurrogate(notice[n - 1]) && isLowSurrogate(notice[n])));
        REQUIRE(out[o] != ' ');
        lineStart = n;
    }
    endLine();
    while (notice[n] == ' ') ++n;
    REQUIRE(notice[n] == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint32_t width = input.take<uint8_t>() % 24;
    uint32_t capacity = input.take<uint8_t>();
    std::string bytes = input.takeText();
    Units notice;
    for (unsigned char byte : bytes) notice.push_back(Alphabet[byte % (sizeof Alphabet / sizeof Alphabet[0])]);
    notice.push_back(0);
    Measure measure = {width, &notice};

    Units whole = layOut(notice, measure, 4 * (uint32_t)notice.size() + 4);
    checkAgainstNotice(notice, whole, width);
    Units cut = layOut(notice, measure, capacity);
    REQUIRE(cut.size() <= whole.size() && std::equal(cut.begin(), cut.end(), whole.begin()));
    REQUIRE(capacity == 0 || cut.size() == whole.size() || cut.size() == capacity - 1);
    return 0;
}
