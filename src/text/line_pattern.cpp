#include "text/line_pattern.h"

#include "text/characters.h"

#include "text/case_folding.h"
#include "text/sorted_search.h"
#include "text/word_characters.h"

static const uint32_t Alternation = '|';
static const uint32_t AnyRun = '*';
static const uint32_t AnyOne = '?';
static const uint32_t AsciiEnd = 0x80;

// The code point at text[*at], a surrogate pair taken whole; *at moves past it.
static uint32_t nextCodePoint(const WideChar* text, uint32_t length, uint32_t* at) {
    uint32_t unit = text[(*at)++];
    if (isHighSurrogate(unit) && *at < length && isLowSurrogate(text[*at])) {
        uint32_t low = text[(*at)++];
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    return unit;
}

static uint32_t folded(uint32_t codePoint) {
    if (codePoint >= AsciiEnd) return foldCase(codePoint);
    return asciiLower(codePoint);
}

static void addPosition(PositionSet& set, uint32_t position) {
    set.bits[position / 32] |= 1u << (position % 32);
}

static bool hasPosition(const PositionSet& set, uint32_t position) {
    return (set.bits[position / 32] >> (position % 32)) & 1u;
}

// The character as the pattern's classes hold it.
static uint32_t classKey(const LinePattern& pattern, uint32_t codePoint) {
    return pattern.matchesCase ? codePoint : folded(codePoint);
}

// Where a character stands, or would stand, among the sorted other characters.
static uint32_t otherIndex(const LinePattern& pattern, uint32_t character) {
    return firstNotBelow(pattern.otherCharacters, pattern.otherCount, character);
}

static uint32_t classOf(const LinePattern& pattern, uint32_t character) {
    if (character < AsciiEnd) return pattern.asciiClass[character];
    if (pattern.otherCount == 0) return 0;
    uint32_t at = otherIndex(pattern, character);
    bool held = at < pattern.otherCount && pattern.otherCharacters[at] == character;
    return held ? pattern.otherClass[at] : 0;
}

// The class of a character of the pattern, made when the character is new.
static uint32_t classFor(LinePattern* pattern, uint32_t character, uint32_t* classCount) {
    uint32_t known = classOf(*pattern, character);
    if (known) return known;
    uint32_t made = ++*classCount;
    if (character < AsciiEnd) {
        pattern->asciiClass[character] = (uint8_t)made;
        return made;
    }
    uint32_t at = otherIndex(*pattern, character);
    for (uint32_t i = pattern->otherCount; i > at; --i) {
        pattern->otherCharacters[i] = pattern->otherCharacters[i - 1];
        pattern->otherClass[i] = pattern->otherClass[i - 1];
    }
    pattern->otherCharacters[at] = character;
    pattern->otherClass[at] = (uint8_t)made;
    ++pattern->otherCount;
    return made;
}

// The alternative ending before positions: its last position, which is a
// free end unless whole words need a word's end there.
static void endAlternative(LinePattern* out, uint32_t positions) {
    uint32_t last = positions - 1;
    addPosition(out->ends, last);
    if (!out->wholeWords || hasPosition(out->stays, last)) addPosition(out->freeEnds, last);
}

PatternCheck compileLinePattern(const WideChar* text, uint32_t length, LinePattern* out,
                                uint32_t options) {
    *out = LinePattern();
    if (length == 0) return PatternEmpty;
    if (length > LinePatternCapacity) return PatternTooLong;
    out->matchesCase = (options & PatternMatchesCase) != 0;
    out->wholeWords = (options & PatternWholeWords) != 0;
    PositionSet anyOne = PositionSet();
    uint32_t positions = 0, alternativeStart = 0, classCount = 0;
    bool matchesEveryLine = false, leadingRun = false;
    for (uint32_t at = 0;;) {
        if (at == length || text[at] == Alternation) {
            if (positions == alternativeStart) matchesEveryLine = true;
            else endAlternative(out, positions);
            if (at == length) break;
            ++at;
            alternativeStart = positions;
            leadingRun = false;
            continue;
        }
        uint32_t character = nextCodePoint(text, length, &at);
        if (character == AnyRun) {
            if (positions > alternativeStart) addPosition(out->stays, positions - 1);
            else leadingRun = true;
            continue;
        }
        if (positions == alternativeStart) {
            addPosition(out->starts, positions);
            if (!out->wholeWords || leadingRun) addPosition(out->freeStarts, positions);
        }
        if (character == AnyOne) {
            addPosition(anyOne, positions);
        } else {
            addPosition(out->classPositions[classFor(out, classKey(*out, character), &classCount)],
                        positions);
        }
        ++positions;
    }
    if (matchesEveryLine) {
        *out = LinePattern();
        return PatternMatchesEveryLine;
    }
    out->words = (positions + 31) / 32;
    for (uint32_t c = 0; c <= classCount; ++c) {
        for (uint32_t w = 0; w < out->words; ++w) out->classPositions[c].bits[w] |= anyOne.bits[w];
    }
    return PatternUsable;
}

void startScan(PatternScan* scan) { *scan = PatternScan(); }

bool continueScan(const LinePattern& pattern, PatternScan* scan, const WideChar* piece,
                  uint32_t length) {
    if (scan->matched) return true;
    PositionSet reached = scan->reached;
    bool endPending = scan->endPending, afterWordCharacter = scan->afterWordCharacter;
    const uint32_t words = pattern.words;
    for (uint32_t at = 0; at < length;) {
        uint32_t character = nextCodePoint(piece, length, &at);
        bool wordCharacter = pattern.wholeWords && isWordCharacter(character);
        if (endPending && !wordCharacter) {
            scan->matched = true;
            return true;
        }
        const uint32_t* takes = pattern.classPositions[classOf(pattern, classKey(pattern, character))].bits;
        const uint32_t* entered = afterWordCharacter ? pattern.freeStarts.bits : pattern.starts.bits;
        uint32_t carried = 0, ended = 0, endedFree = 0;
        for (uint32_t w = 0; w < words; ++w) {
            uint32_t before = reached.bits[w];
            uint32_t moved = (before << 1) | carried | entered[w];
            carried = before >> 31;
            uint32_t now = (moved & takes[w]) | (before & pattern.stays.bits[w]);
            reached.bits[w] = now;
            ended |= now & pattern.ends.bits[w];
            endedFree |= now & pattern.freeEnds.bits[w];
        }
        if (endedFree) {
            scan->matched = true;
            return true;
        }
        endPending = ended != 0;
        afterWordCharacter = wordCharacter;
    }
    scan->reached = reached;
    scan->endPending = endPending;
    scan->afterWordCharacter = afterWordCharacter;
    return endPending;
}

bool lineMatches(const LinePattern& pattern, const WideChar* line, uint32_t length) {
    PatternScan scan;
    startScan(&scan);
    return continueScan(pattern, &scan, line, length);
}
