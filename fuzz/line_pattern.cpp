// The line pattern matcher against a slow reference (a table of which
// pattern prefixes can end where in the line), for any pattern and line,
// ignoring or matching case, anywhere or as whole words; case folding that
// is stable; the colour rule's value read without a read past its end; a
// setting's bytes made wide text within the buffer; and lines marked in two
// pieces exactly as when marked at once, and as the reference marks them.
#include <memory>

#include "fuzz_input.h"
#include "text/case_folding.h"
#include "text/colour_rule.h"
#include "text/line_marks.h"
#include "text/word_characters.h"

typedef std::vector<WideChar> Units;
typedef std::vector<uint32_t> CodePoints;

// Fuzz bytes as UTF-16: UTF-8 where it is valid, so that the dictionary is
// plain text; any other byte gives a lone surrogate.
static Units unitsOf(const std::string& bytes) {
    Units units;
    for (size_t i = 0; i < bytes.size();) {
        uint8_t b = (uint8_t)bytes[i];
        size_t length = b < 0x80 ? 1 : b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
        uint32_t code = length == 1 ? b : b & (0x7F >> length);
        bool whole = length > 0 && i + length <= bytes.size();
        for (size_t k = 1; whole && k < length; ++k) {
            whole = ((uint8_t)bytes[i + k] & 0xC0) == 0x80;
            code = code << 6 | ((uint8_t)bytes[i + k] & 0x3F);
        }
        if (!whole || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            units.push_back(WideChar((b & 1 ? 0xDC00 : 0xD800) + b));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            units.push_back(WideChar(0xD800 + ((code - 0x10000) >> 10)));
            units.push_back(WideChar(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            units.push_back(WideChar(code));
        }
        i += length;
    }
    return units;
}

// The code points of units[from, to), folded unless case matches.
static CodePoints codePointsOf(const Units& units, size_t from, size_t to, bool matchCase = false) {
    CodePoints points;
    for (size_t i = from; i < to; ++i) {
        uint32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < to && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        points.push_back(matchCase ? unit : foldCase(unit));
    }
    return points;
}

// The line as the reference reads it: its characters as the pattern compares
// them, and which of them are word characters.
struct ReferenceLine {
    CodePoints compared;
    std::vector<bool> word;
};

static ReferenceLine referenceLine(const Units& line, uint32_t options) {
    ReferenceLine read = {codePointsOf(line, 0, line.size(), (options & PatternMatchesCase) != 0), {}};
    for (uint32_t c : codePointsOf(line, 0, line.size(), true)) read.word.push_back(isWordCharacter(c));
    return read;
}

// Whether some part line[s, e) is matched whole by the alternative, with no
// word character before s or at e when whole words are asked for: reach[j]
// tells that the pattern read so far can end after j characters of a part
// that began where it may.
static bool referenceMatches(const CodePoints& alternative, const ReferenceLine& line,
                             bool wholeWords) {
    const CodePoints& text = line.compared;
    std::vector<bool> reach(text.size() + 1);
    for (size_t j = 0; j <= text.size(); ++j) reach[j] = !wholeWords || j == 0 || !line.word[j - 1];
    for (uint32_t p : alternative) {
        std::vector<bool> next(text.size() + 1, false);
        for (size_t j = 0; j <= text.size(); ++j) {
            if (p == '*') next[j] = reach[j] || (j > 0 && next[j - 1]);
            else if (j > 0) next[j] = reach[j - 1] && (p == '?' || p == text[j - 1]);
        }
        reach = next;
    }
    for (size_t j = 0; j <= text.size(); ++j) {
        if (reach[j] && (!wholeWords || j == text.size() || !line.word[j])) return true;
    }
    return false;
}

// The check the reference expects, and whether the line matches.
static PatternCheck referenceCheck(const Units& pattern, const ReferenceLine& line,
                                   uint32_t options, bool* matches) {
    *matches = false;
    if (pattern.empty()) return PatternEmpty;
    if (pattern.size() > LinePatternCapacity) return PatternTooLong;
    bool everyLine = false;
    size_t start = 0;
    for (size_t i = 0; i <= pattern.size(); ++i) {
        if (i < pattern.size() && pattern[i] != '|') continue;
        CodePoints alternative = codePointsOf(pattern, start, i, (options & PatternMatchesCase) != 0);
        bool onlyWildcards = true;
        for (uint32_t p : alternative) onlyWildcards = onlyWildcards && (p == '*' || p == '?');
        everyLine = everyLine || onlyWildcards;
        *matches = *matches || referenceMatches(alternative, line, (options & PatternWholeWords) != 0);
        start = i + 1;
    }
    if (everyLine) *matches = false;
    return everyLine ? PatternMatchesEveryLine : PatternUsable;
}

// The line read whole, and in two pieces at split, as lines are marked.
static void checkMatcher(const Units& pattern, const Units& line, uint32_t options, size_t split) {
    static LinePattern compiled;
    PatternCheck check =
        compileLinePattern(pattern.data(), (uint32_t)pattern.size(), &compiled, options);
    bool expected = false;
    REQUIRE(check == referenceCheck(pattern, referenceLine(line, options), options, &expected));
    REQUIRE(lineMatches(compiled, line.data(), (uint32_t)line.size()) == expected);
    PatternScan scan;
    startScan(&scan);
    bool firstMatches = continueScan(compiled, &scan, line.data(), (uint32_t)split);
    Units first(line.begin(), line.begin() + split);
    REQUIRE(firstMatches == lineMatches(compiled, first.data(), (uint32_t)split));
    REQUIRE(continueScan(compiled, &scan, line.data() + split, uint32_t(line.size() - split)) ==
            expected);
}

static void checkFolding(const Units& text) {
    for (WideChar unit : text) {
        uint32_t once = foldCase(unit);
        REQUIRE(once < 0x10000 && foldCase(once) == once);
    }
}

// A value in a buffer of its exact size, so that a read past it is reported.
static void checkRule(const Units& value) {
    std::unique_ptr<WideChar[]> exact(new WideChar[value.size() + 1]);
    std::copy(value.begin(), value.end(), exact.get());
    static ColourRule rule;
    parseColourRule(exact.get(), (uint32_t)value.size(), &rule);
    if (rule.check != RuleUsable) REQUIRE(!lineMatches(rule.pattern, value.data(), (uint32_t)value.size()));
    bool coloured = rule.colour != NoColour || rule.background != NoColour;
    REQUIRE(coloured == (rule.check == RuleUsable));
    if (value.size() > LinePatternCapacity) REQUIRE(rule.check == RuleTooLong || rule.check == RuleNone);
}

static uint32_t convertByteForUnit(unsigned, const uint8_t* bytes, uint32_t count, WideChar* out,
                                   uint32_t capacity) {
    uint32_t n = count < capacity ? count : capacity;
    for (uint32_t i = 0; i < n; ++i) out[i] = bytes[i];
    return n;
}
static bool neverMultiByte(unsigned) { return false; }
static bool neverLead(unsigned, uint8_t) { return false; }

static void checkSettingText(const std::string& text, uint32_t capacity) {
    std::vector<char> source = exactCopy(text);
    std::vector<WideChar> out(capacity);
    CodePageConverter converter = {convertByteForUnit, neverMultiByte, neverLead};
    uint32_t length = settingTextToWide(source.data(), out.data(), capacity, converter);
    if (capacity == 0) return;
    REQUIRE(length < capacity && out[length] == 0);
    REQUIRE(length <= text.size());
}

// The rules' first match for each line of the text, as markLines should find it.
static std::vector<int> referenceMarks(const ColourRule* rules, const Units& text) {
    std::vector<int> marks;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        int found = NoRule;
        for (int r = 0; r < (int)ColourRuleCount && found == NoRule; ++r) {
            if (rules[r].check == RuleUsable &&
                lineMatches(rules[r].pattern, text.data() + start, uint32_t(i - start))) {
                found = r;
            }
        }
        marks.push_back(found);
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return marks;
}

// Rule r of ruleWords' rules has "case" when its bit 2r is set, "word" when 2r + 1 is.
static void checkMarks(const Units& patterns, const Units& text, size_t split, uint16_t ruleWords) {
    static ColourRule rules[ColourRuleCount];
    size_t start = 0;
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        size_t end = start;
        while (end < patterns.size() && patterns[end] != '\n') ++end;
        Units value = {'#', '1', '2', '3', '4', '5', '6', ' '};
        const Units caseWord = {'c', 'a', 's', 'e', ' '}, wholeWord = {'w', 'o', 'r', 'd', ' '};
        if (ruleWords >> (2 * r) & 1) value.insert(value.end(), caseWord.begin(), caseWord.end());
        if (ruleWords >> (2 * r + 1) & 1) value.insert(value.end(), wholeWord.begin(), wholeWord.end());
        if (start < end) value.insert(value.end(), patterns.begin() + start, patterns.begin() + end);
        parseColourRule(value.data(), start < end ? (uint32_t)value.size() : 0, &rules[r]);
        start = end < patterns.size() ? end + 1 : end;
    }
    static LineMarks whole, pieces;
    clearLineMarks(&whole);
    clearLineMarks(&pieces);
    markLines(&whole, rules, ColourRuleCount, text.data(), (uint32_t)text.size());
    markLines(&pieces, rules, ColourRuleCount, text.data(), (uint32_t)split);
    markLines(&pieces, rules, ColourRuleCount, text.data() + split, uint32_t(text.size() - split));
    std::vector<int> expected = referenceMarks(rules, text);
    REQUIRE(whole.lineCount == expected.size() && pieces.lineCount == whole.lineCount);
    bool nothingBehindLastEnd = text.empty() || text.back() == '\r' || text.back() == '\n';
    REQUIRE(linesHeld(whole) == expected.size() - nothingBehindLastEnd && linesHeld(pieces) == linesHeld(whole));
    for (uint32_t line = 0; line < whole.lineCount; ++line) {
        REQUIRE(whole.lineStart[line] == pieces.lineStart[line]);
        REQUIRE(markedRule(whole, whole.lineStart[line]) == expected[line]);
        REQUIRE(markedRule(pieces, whole.lineStart[line]) == expected[line]);
    }
}

// A piece never ends inside a surrogate pair.
static size_t pieceEnd(const Units& text, size_t split) {
    bool inPair = split > 0 && split < text.size() && text[split - 1] >= 0xD800 &&
                  text[split - 1] <= 0xDBFF && text[split] >= 0xDC00 && text[split] <= 0xDFFF;
    return inPair ? split + 1 : split;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint16_t split = input.take<uint16_t>();
    uint16_t capacity = input.take<uint16_t>();
    uint16_t ruleWords = input.take<uint16_t>();
    std::string patternBytes = input.takeText();
    std::string lineBytes = input.takeText();
    Units pattern = unitsOf(patternBytes);
    Units line = unitsOf(lineBytes);
    size_t piece = pieceEnd(line, line.empty() ? 0 : split % (line.size() + 1));
    checkMatcher(pattern, line, ruleWords & (PatternMatchesCase | PatternWholeWords), piece);
    checkFolding(pattern);
    checkFolding(line);
    checkRule(pattern);
    checkSettingText(patternBytes, capacity % 300);
    if (line.size() <= 4096) checkMarks(pattern, line, piece, ruleWords);
    return 0;
}
