#include "text/pattern_needles.h"

#include "text/characters.h"

#include <string.h>

// Letters in logs from the most to the least common: a needle is looked for
// by its rarest byte.
static const char CommonFirst[] = " 0123456789:.-etaoinrhldcumfpgwybvxjqz";

static uint8_t lower(uint32_t c) { return (uint8_t)asciiLower(c); }

// Printable ASCII characters that no other character folds to; a line's
// text never holds a line break, and a zero byte shows as another character.
static bool needleCharacter(uint32_t c) {
    uint8_t folded = lower(c);
    return c >= ' ' && c < 0x80 && c != '*' && c != '?' && c != '|' && folded != 'k' &&
           folded != 's';
}

static uint32_t commonnessOf(uint8_t byte) {
    const char* found = (const char*)memchr(CommonFirst, byte, sizeof CommonFirst - 1);
    return found ? (uint32_t)(sizeof CommonFirst - (found - CommonFirst)) : 0;
}

// Each needle's anchor is the byte the score ranks least; the tables follow.
static void chooseAnchors(PatternNeedles* out, const uint32_t* score) {
    memset(out->anchors, 0, sizeof out->anchors);
    out->anchorCount = 0;
    for (uint32_t n = 0; n < out->count; ++n) {
        out->anchorAt[n] = 0;
        for (uint32_t i = 1; i < out->length[n]; ++i) {
            if (score[out->bytes[n][i]] < score[out->bytes[n][out->anchorAt[n]]]) out->anchorAt[n] = (uint8_t)i;
        }
        uint8_t anchor = out->bytes[n][out->anchorAt[n]];
        bool letter = anchor >= 'a' && anchor <= 'z';
        out->anchors[anchor] |= (uint8_t)(1u << n);
        if (letter) out->anchors[anchor - ('a' - 'A')] |= (uint8_t)(1u << n);
        bool known = false;
        for (uint32_t a = 0; a < out->anchorCount; ++a) known = known || out->anchorBytes[a] == anchor;
        if (known) continue;
        out->anchorBytes[out->anchorCount] = anchor;
        out->anchorIsLetter[out->anchorCount++] = letter;
    }
}

static void addNeedle(PatternNeedles* out, const WideChar* run, uint32_t length) {
    uint32_t n = out->count++;
    out->length[n] = (uint8_t)length;
    for (uint32_t i = 0; i < length; ++i) out->bytes[n][i] = lower(run[i]);
}

void fitAnchors(PatternNeedles* needles, const uint8_t* sample, uint32_t count) {
    uint32_t seen[256] = {};
    for (uint32_t i = 0; i < count; ++i) ++seen[lower(sample[i])];
    chooseAnchors(needles, seen);
}

void findNeedles(const WideChar* text, uint32_t length, PatternNeedles* out) {
    memset(out, 0, sizeof *out);
    out->usable = length > 0;
    uint32_t bestStart = 0, bestLength = 0, runStart = 0;
    for (uint32_t at = 0; at <= length && out->usable; ++at) {
        bool alternativeEnds = at == length || text[at] == '|';
        if (!alternativeEnds && needleCharacter(text[at])) {
            uint32_t runLength = at + 1 - runStart;
            if (runLength > bestLength && runLength <= NeedleCapacity) {
                bestStart = runStart;
                bestLength = runLength;
            }
            continue;
        }
        runStart = at + 1;
        if (!alternativeEnds) continue;
        if (bestLength == 0 || out->count == NeedleCount) out->usable = false;
        else addNeedle(out, text + bestStart, bestLength);
        bestLength = 0;
    }
    uint32_t commonness[256];
    for (uint32_t b = 0; b < 256; ++b) commonness[b] = commonnessOf((uint8_t)b);
    chooseAnchors(out, commonness);
}

static bool needleAt(const PatternNeedles& needles, uint32_t n, const uint8_t* bytes, uint32_t count,
                     uint32_t anchor) {
    uint32_t length = needles.length[n];
    uint32_t at = needles.anchorAt[n];
    if (anchor < at || anchor - at + length > count) return false;
    const uint8_t* start = bytes + anchor - at;
    for (uint32_t i = 0; i < length; ++i) {
        if (lower(start[i]) != needles.bytes[n][i]) return false;
    }
    return true;
}

static bool needleAtAnchor(const PatternNeedles& needles, const uint8_t* bytes, uint32_t count,
                           uint32_t at) {
    uint32_t which = needles.anchors[bytes[at]];
    for (uint32_t n = 0; which; ++n, which >>= 1) {
        if ((which & 1) && needleAt(needles, n, bytes, count, at)) return true;
    }
    return false;
}

// Words of bytes are tested for an anchor all at once: a byte equal to the
// anchor (a letter in either case) turns into a zero byte, and each zero
// byte gets its high bit set in the mask.
typedef uintptr_t Word;
static const Word Ones = (Word)-1 / 0xFF;
static const Word Lows = Ones * 0x7F;

static Word anchorMask(Word word, uint8_t anchor, bool letter) {
    Word folded = letter ? word | (Ones * 0x20) : word;
    Word zeroWhereEqual = folded ^ (Ones * anchor);
    return ~(((zeroWhereEqual & Lows) + Lows) | zeroWhereEqual | Lows);
}

bool holdsNeedle(const PatternNeedles& needles, const uint8_t* bytes, uint32_t count) {
    uint32_t i = 0;
    for (; i + sizeof(Word) <= count; i += sizeof(Word)) {
        Word word;
        memcpy(&word, bytes + i, sizeof word);
        for (uint32_t a = 0; a < needles.anchorCount; ++a) {
            Word mask = anchorMask(word, needles.anchorBytes[a], needles.anchorIsLetter[a]);
            for (uint32_t j = 0; mask; ++j, mask >>= 8) {
                if ((mask & 0x80) && needleAtAnchor(needles, bytes, count, i + j)) return true;
            }
        }
    }
    for (; i < count; ++i) {
        if (needleAtAnchor(needles, bytes, count, i)) return true;
    }
    return false;
}

// The words that hold no anchor are passed over first, four at a time: one
// anchor, as most patterns have, in a loop of its own.
static uint32_t skipWordsWithoutAnchor(const PatternNeedles& needles, const uint8_t* bytes,
                                       uint32_t end) {
    if (needles.anchorCount != 1) return end;
    const Word letterBits = needles.anchorIsLetter[0] ? Ones * 0x20 : 0;
    const Word anchor = Ones * needles.anchorBytes[0];
    const Word highs = Ones * 0x80;
    const uint32_t stride = 4 * sizeof(Word);
    while (end >= stride) {
        Word words[4];
        memcpy(words, bytes + end - stride, sizeof words);
        Word found = 0;
        for (Word word : words) {
            Word zeroWhereEqual = (word | letterBits) ^ anchor;
            found |= (zeroWhereEqual - Ones) & ~zeroWhereEqual & highs;
        }
        if (found) break;
        end -= stride;
    }
    return end;
}

uint32_t lastNeedleAt(const PatternNeedles& needles, const uint8_t* bytes, uint32_t count) {
    uint32_t i = count;
    for (; i % sizeof(Word) != 0; --i) {
        if (needleAtAnchor(needles, bytes, count, i - 1)) return i - 1;
    }
    while (i >= sizeof(Word)) {
        i = skipWordsWithoutAnchor(needles, bytes, i);
        if (i < sizeof(Word)) break;
        Word word;
        memcpy(&word, bytes + i - sizeof(Word), sizeof word);
        Word anyMask = 0;
        for (uint32_t a = 0; a < needles.anchorCount; ++a) {
            anyMask |= anchorMask(word, needles.anchorBytes[a], needles.anchorIsLetter[a]);
        }
        for (uint32_t j = sizeof(Word); anyMask && j-- > 0;) {
            bool anchored = (anyMask >> (8 * j)) & 0x80;
            uint32_t at = i - (uint32_t)sizeof(Word) + j;
            if (anchored && needleAtAnchor(needles, bytes, count, at)) return at;
        }
        i -= sizeof(Word);
    }
    return NoNeedle;
}
