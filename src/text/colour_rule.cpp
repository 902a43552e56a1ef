#include "text/colour_rule.h"

#include "text/characters.h"

static const uint32_t ColourDigits = 6;
static const uint32_t ColourLength = 1 + ColourDigits;  // "#RRGGBB"

static bool isBlank(WideChar c) { return c == ' ' || c == '\t'; }

static int hexDigit(WideChar c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The place behind the lower-case word when value[at, length) starts with
// it, followed by a blank or the end; else at.
static uint32_t behindWord(const WideChar* value, uint32_t at, uint32_t length, const char* word) {
    uint32_t i = at;
    for (; *word != 0; ++word, ++i) {
        if (i == length || asciiLower(value[i]) != uint32_t(*word)) return at;
    }
    return i == length || isBlank(value[i]) ? i : at;
}

static uint32_t skipBlanks(const WideChar* value, uint32_t at, uint32_t length) {
    while (at < length && isBlank(value[at])) ++at;
    return at;
}

// "#RRGGBB" at value[at], followed by a blank or the end.
static bool readColour(const WideChar* value, uint32_t at, uint32_t length, uint32_t* colour) {
    if (length - at < ColourLength || value[at] != '#') return false;
    uint32_t rgb = 0;
    for (uint32_t i = 1; i <= ColourDigits; ++i) {
        int digit = hexDigit(value[at + i]);
        if (digit < 0) return false;
        rgb = rgb << 4 | uint32_t(digit);
    }
    uint32_t after = at + ColourLength;
    if (after < length && !isBlank(value[after])) return false;
    *colour = (rgb >> 16) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    return true;
}

static RuleCheck patternCheck(PatternCheck check) {
    switch (check) {
    case PatternEmpty: return RuleNeedsPattern;
    case PatternUsable: return RuleUsable;
    case PatternMatchesEveryLine: return RuleMatchesEveryLine;
    case PatternTooLong: return RuleTooLong;
    }
    return RuleNeedsPattern;
}

void parseColourRule(const WideChar* value, uint32_t length, ColourRule* out) {
    out->colour = 0;
    out->alert = false;
    compileLinePattern(value, 0, &out->pattern);
    uint32_t at = skipBlanks(value, 0, length);
    uint32_t end = length;
    while (end > at && isBlank(value[end - 1])) --end;
    if (at == end || behindWord(value, at, end, "none") == end) {
        out->check = RuleNone;
    } else if (length > LinePatternCapacity) {
        out->check = RuleTooLong;
    } else if (!readColour(value, at, end, &out->colour)) {
        out->check = RuleNeedsColour;
    } else {
        at = skipBlanks(value, at + ColourLength, end);
        // "alert" is a flag only when a pattern follows it; alone, it is the pattern.
        uint32_t behindAlert = behindWord(value, at, end, "alert");
        if (behindAlert != at && skipBlanks(value, behindAlert, end) < end) {
            out->alert = true;
            at = skipBlanks(value, behindAlert, end);
        }
        out->check = patternCheck(compileLinePattern(value + at, end - at, &out->pattern));
    }
}
