// The status line's composition, for any sources, settings that are off and
// width, against what a reader expects: the sources in trouble before the
// others, each group in order, after the lines below and before the
// settings that are off; fitted to a width, the first whole entries that fit
// with "+N more" for the N behind them, as many as fit, never fewer than
// the first, and never a part of an entry. The measure gives every unit one column, or two to a few.
#include "fuzz_input.h"
#include "text/status_text.h"

typedef std::basic_string<WideChar> Text;

static const WideChar Alphabet[] = {'a', 'b', '.', '-', '*', 0x4E00, 0xD83D, 0xDE00};
static const char* const Words[] = {"off: no path", "label not used: blank in it", nullptr};
static const WideChar Dot[] = {' ', 0xB7, ' ', 0};

static Text takeName(FuzzInput& input) {
    Text name;
    uint8_t length = input.take<uint8_t>() % 6;
    for (uint8_t i = 0; i < length; ++i) name += Alphabet[input.take<uint8_t>() % 8];
    return name;
}

static uint32_t columnsOf(WideChar unit) { return unit == 0x4E00 ? 2 : 1; }

static uint32_t unitsThatFit(void* context, const WideChar* text, uint32_t length) {
    uint32_t width = *(const uint32_t*)context, columns = 0, fit = 0;
    while (fit < length && columns + columnsOf(text[fit]) <= width) columns += columnsOf(text[fit++]);
    return fit;
}

static uint32_t columns(const Text& text) {
    uint32_t sum = 0;
    for (WideChar unit : text) sum += columnsOf(unit);
    return sum;
}

static std::vector<Text> entriesOf(const Text& line) {
    std::vector<Text> entries;
    size_t start = 0, at;
    while ((at = line.find(Dot, start)) != Text::npos) {
        entries.push_back(line.substr(start, at - start));
        start = at + 3;
    }
    if (!line.empty()) entries.push_back(line.substr(start));
    return entries;
}

static Text more(size_t count) {
    std::string digits = "+" + std::to_string(count) + " more";
    return Text(digits.begin(), digits.end());
}

static Text compose(const StatusInput& input, const TextFit* fit) {
    std::vector<WideChar> out(2048, 0x7777);
    uint32_t length = composeStatus(input, fit, out.data(), 2048);
    REQUIRE(length < 2048 && out[length] == 0);
    return Text(out.data(), length);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint32_t width = input.take<uint8_t>();
    uint32_t now = 1000000 + input.take<uint16_t>();
    uint32_t linesBelow = input.take<uint8_t>() % 3 * input.take<uint16_t>();
    uint32_t count = input.take<uint8_t>() % 6, offCount = input.take<uint8_t>() % 4;
    std::vector<Text> names(count), labels(count);
    std::vector<SourceStatus> sources(count);
    for (uint32_t i = 0; i < count; ++i) {
        names[i] = takeName(input);
        labels[i] = takeName(input);
        SourceStatus& source = sources[i];
        source.label = input.take<uint8_t>() % 2 ? labels[i].c_str() : nullptr;
        source.name = names[i].c_str();
        source.condition = SourceCondition(input.take<uint8_t>() % 8);
        source.reason = input.take<uint8_t>() % 2 ? labels[i].c_str() : nullptr;
        source.grownAt = now - input.take<uint16_t>() * 4;
        source.since = now - input.take<uint8_t>();
        source.takenAtMinute = input.take<uint16_t>() % 1440;
        source.staleAfter = input.take<uint8_t>() % 300;
    }
    std::vector<OffSetting> offs(offCount);
    for (OffSetting& off : offs) {
        off.kind = OffKind(input.take<uint8_t>() % 5);
        off.number = input.take<uint8_t>() % 9;
        off.other = input.take<uint8_t>() % 4;
        off.words = Words[input.take<uint8_t>() % 3];
    }
    StatusInput status = {sources.data(), count, offs.data(), offCount, linesBelow, false, now};
    Text whole = compose(status, nullptr);
    std::vector<Text> all = entriesOf(whole);
    REQUIRE(all.size() == count + offCount + (linesBelow > 0));

    // The sources in trouble first, in order; then the others.
    std::vector<Text> expected;
    for (int trouble = 1; trouble >= 0; --trouble) {
        for (uint32_t i = 0; i < count; ++i) {
            if (sourceInTrouble(sources[i], now) != (trouble == 1)) continue;
            SourceStatus one = sources[i];
            StatusInput alone = {&one, 1, nullptr, 0, 0, false, now};
            expected.push_back(compose(alone, nullptr));
        }
    }
    for (size_t i = 0; i < expected.size(); ++i) REQUIRE(all[i + (linesBelow > 0)] == expected[i]);

    TextFit fit = {&width, unitsThatFit};
    Text line = compose(status, &fit);
    if (columns(whole) <= width) {
        REQUIRE(line == whole);
        return 0;
    }
    std::vector<Text> shown = entriesOf(line);
    REQUIRE(!shown.empty());
    if (line == all[0]) {
        // Not even the first fits with "+N more" behind it.
        REQUIRE(all.size() == 1 || columns(all[0] + Dot + more(all.size() - 1)) > width);
        return 0;
    }
    size_t kept = shown.size() - 1;
    REQUIRE(kept >= 1 && kept < all.size());
    REQUIRE(shown.back() == more(all.size() - kept));
    for (size_t i = 0; i < kept; ++i) REQUIRE(shown[i] == all[i]);
    REQUIRE(columns(line) <= width);
    // As many as fit.
    if (kept + 1 < all.size()) {
        Text longer;
        for (size_t i = 0; i <= kept; ++i) longer += all[i] + Dot;
        REQUIRE(columns(longer + more(all.size() - kept - 1)) > width);
    }
    return 0;
}
