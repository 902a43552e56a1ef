#include "text/line_pattern.h"

#include "text/characters.h"

#include "text/case_folding.h"
#include "text/sorted_search.h"
#include "text/word_characters.h"

static const uint32_t Alternation = '|';
static const uint32_t AnyRun = '*';
static const uint32_t AnyOne = '?';
static const uint32_t AsciiEnd = 0x80;
static const uint32_t LatinEnd = 0x100;

// The code point at text[*at], a surrogate pair taken whole; *at moves past it.
static uint32_t nextCodePoint(const WideChar* text, uint32_t length, uint32_t* at) {
    uint32_t unit = text[(*at)++];
    if (isHighSurrogate(unit) && *at < length && isLowSurrogate(text[*at])) {
        uint32_t low = text[(*at)++];
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
    return unit;
}

static void addPosition(PositionSet& set, uint32_t position) {
    set.bits[position / 32] |= 1u << (position % 32);
}

static bool hasPosition(const PositionSet& set, uint32_t position) {
    return (set.bits[position / 32] >> (position % 32)) & 1u;
}

static void addPositions(PositionSet& set, const PositionSet& added, uint32_t words) {
    for (uint32_t w = 0; w < words; ++w) set.bits[w] |= added.bits[w];
}

// The character as the pattern's classes hold it.
static uint32_t classKey(const LinePattern& pattern, uint32_t codePoint) {
    return pattern.matchesCase ? codePoint : foldCase(codePoint);
}

// Where a character stands, or would stand, among the sorted other characters.
static uint32_t otherIndex(const LinePattern& pattern, uint32_t character) {
    return firstNotBelow(pattern.otherCharacters, pattern.otherCount, character);
}

// The class of a character the pattern holds; 0 for others.
static uint32_t heldClass(const LinePattern& pattern, uint32_t character) {
    if (character < AsciiEnd) return pattern.asciiClass[character];
    if (pattern.otherCount == 0) return 0;
    uint32_t at = otherIndex(pattern, character);
    bool held = at < pattern.otherCount && pattern.otherCharacters[at] == character;
    return held ? pattern.otherClass[at] : 0;
}

// The class of a character of a line, as the pattern holds it.
static uint32_t lineClassOf(const LinePattern& pattern, uint32_t character) {
    uint32_t key = classKey(pattern, character);
    uint32_t held = heldClass(pattern, key);
    if (held || !pattern.wholeWords) return held;
    return isWordCharacter(key) ? pattern.wordClass : 0;
}

// The class of a character of the pattern, made when the character is new.
static uint32_t classFor(LinePattern* pattern, uint32_t character, uint32_t* classCount) {
    uint32_t known = heldClass(*pattern, character);
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

// What compiling learns of positions before it gives them to the classes.
struct PositionsTaken {
    uint32_t count;
    PositionSet anyOne;    // of '?'
    PositionSet boundary;  // where a word begins or ends
};

static uint32_t addBoundary(PositionsTaken* taken) {
    addPosition(taken->boundary, taken->count);
    return taken->count++;
}

// Ends the alternative whose own positions end before taken->count. Its last
// own position reached, it matches if the line ends there; at once, unless
// it must end a word and no '*' ended it: then at the boundary behind it.
static void endAlternative(LinePattern* out, PositionsTaken* taken) {
    uint32_t last = taken->count - 1;
    addPosition(out->lineEnds, last);
    if (out->wholeWords && !hasPosition(out->stays, last)) last = addBoundary(taken);
    addPosition(out->ends, last);
}

// The classes' positions: '?' in all of them; with whole words, boundaries
// in those of the characters that are no word characters. Then the class of
// each character of Latin-1 as a line holds it.
static void fillClasses(LinePattern* out, const PositionsTaken& taken, uint32_t classCount) {
    const uint32_t words = out->words;
    if (out->wholeWords) {
        out->wordClass = ++classCount;
        for (uint32_t c = 0; c < AsciiEnd; ++c) {
            uint32_t held = out->asciiClass[c];
            if (held && !isWordCharacter(c)) addPositions(out->classPositions[held], taken.boundary, words);
        }
        for (uint32_t i = 0; i < out->otherCount; ++i) {
            if (isWordCharacter(out->otherCharacters[i])) continue;
            addPositions(out->classPositions[out->otherClass[i]], taken.boundary, words);
        }
        addPositions(out->classPositions[0], taken.boundary, words);
    }
    for (uint32_t c = 0; c <= classCount; ++c) addPositions(out->classPositions[c], taken.anyOne, words);
    for (uint32_t c = 0; c < LatinEnd; ++c) out->latinClass[c] = (uint8_t)lineClassOf(*out, c);
}

PatternCheck compileLinePattern(const WideChar* text, uint32_t length, LinePattern* out,
                                uint32_t options) {
    *out = LinePattern();
    if (length == 0) return PatternEmpty;
    if (length > LinePatternCapacity) return PatternTooLong;
    out->matchesCase = (options & PatternMatchesCase) != 0;
    out->wholeWords = (options & PatternWholeWords) != 0;
    PositionsTaken taken = PositionsTaken();
    uint32_t alternativeStart = 0, classCount = 0;
    bool matchesEveryLine = false, leadingRun = false, literalSeen = false;
    for (uint32_t at = 0;;) {
        if (at == length || text[at] == Alternation) {
            if (!literalSeen) matchesEveryLine = true;
            else endAlternative(out, &taken);
            if (at == length) break;
            ++at;
            alternativeStart = taken.count;
            leadingRun = false;
            literalSeen = false;
            continue;
        }
        uint32_t character = nextCodePoint(text, length, &at);
        if (character == AnyRun) {
            if (taken.count > alternativeStart) addPosition(out->stays, taken.count - 1);
            else leadingRun = true;
            continue;
        }
        if (taken.count == alternativeStart) {
            if (out->wholeWords && !leadingRun) {
                uint32_t boundary = addBoundary(&taken);
                addPosition(out->starts, boundary);
                addPosition(out->lineStarts, boundary);
            } else {
                addPosition(out->starts, taken.count);
            }
        }
        if (character == AnyOne) {
            addPosition(taken.anyOne, taken.count);
        } else {
            literalSeen = true;
            addPosition(out->classPositions[classFor(out, classKey(*out, character), &classCount)],
                        taken.count);
        }
        ++taken.count;
    }
    if (matchesEveryLine) {
        *out = LinePattern();
        return PatternMatchesEveryLine;
    }
    out->words = (taken.count + 31) / 32;
    fillClasses(out, taken, classCount);
    return PatternUsable;
}

void startScan(PatternScan* scan) { *scan = PatternScan(); }

static bool anyReached(const LinePattern& pattern, const PositionSet& reached, const PositionSet& of) {
    for (uint32_t w = 0; w < pattern.words; ++w) {
        if (reached.bits[w] & of.bits[w]) return true;
    }
    return false;
}

// Reads the piece on from the positions reached; returns whether an end was
// reached. Sets of a few words, the patterns of every day, are read with
// their length known, so that they stay in registers.
template <uint32_t KnownWords>
static bool scanPiece(const LinePattern& pattern, PositionSet* reachedSoFar, const WideChar* piece,
                      uint32_t length) {
    const uint32_t words = KnownWords ? KnownWords : pattern.words;
    PositionSet reached = *reachedSoFar;
    for (uint32_t at = 0; at < length;) {
        uint32_t character = nextCodePoint(piece, length, &at);
        uint32_t classOfCharacter =
            character < LatinEnd ? pattern.latinClass[character] : lineClassOf(pattern, character);
        const uint32_t* takes = pattern.classPositions[classOfCharacter].bits;
        uint32_t carried = 0, ended = 0;
        for (uint32_t w = 0; w < words; ++w) {
            uint32_t before = reached.bits[w];
            uint32_t moved = (before << 1) | carried | pattern.starts.bits[w];
            carried = before >> 31;
            uint32_t now = (moved & takes[w]) | (before & pattern.stays.bits[w]);
            reached.bits[w] = now;
            ended |= now & pattern.ends.bits[w];
        }
        if (ended) return true;
    }
    *reachedSoFar = reached;
    return false;
}

bool continueScan(const LinePattern& pattern, PatternScan* scan, const WideChar* piece,
                  uint32_t length) {
    if (scan->matched) return true;
    if (!scan->begun) {
        scan->begun = true;
        scan->reached = pattern.lineStarts;
    }
    bool ended = pattern.words == 1   ? scanPiece<1>(pattern, &scan->reached, piece, length)
                 : pattern.words == 2 ? scanPiece<2>(pattern, &scan->reached, piece, length)
                                      : scanPiece<0>(pattern, &scan->reached, piece, length);
    if (ended) {
        scan->matched = true;
        return true;
    }
    return anyReached(pattern, scan->reached, pattern.lineEnds);
}

bool lineMatches(const LinePattern& pattern, const WideChar* line, uint32_t length) {
    PatternScan scan;
    startScan(&scan);
    return continueScan(pattern, &scan, line, length);
}
