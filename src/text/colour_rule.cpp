#include "text/colour_rule.h"

#include "text/characters.h"

static const uint32_t ColourDigits = HexColourLength - 1;
static const WideChar BandMark = '/';

uint32_t skipValueBlanks(const WideChar* value, uint32_t at, uint32_t length) {
    while (at < length && isValueBlank(value[at])) ++at;
    return at;
}

uint32_t trimValueBlanks(const WideChar* value, uint32_t at, uint32_t length) {
    while (length > at && isValueBlank(value[length - 1])) --length;
    return length;
}

// A part of the value ends at value[at]: a blank or the end follows.
static bool endsPart(const WideChar* value, uint32_t at, uint32_t length) {
    return at == length || isValueBlank(value[at]);
}

static int hexDigit(WideChar c) {
    if (c >= '0' && c <= '9') return c - '0';
    uint32_t lower = asciiLower(c);
    return lower >= 'a' && lower <= 'f' ? int(lower - 'a' + 10) : -1;
}

bool readHexColour(const WideChar* text, uint32_t length, uint32_t* colour) {
    if (length < HexColourLength || text[0] != '#') return false;
    uint32_t rgb = 0;
    for (uint32_t i = 1; i <= ColourDigits; ++i) {
        int digit = hexDigit(text[i]);
        if (digit < 0) return false;
        rgb = rgb << 4 | uint32_t(digit);
    }
    *colour = (rgb >> 16) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
    return true;
}

// The place behind the lower-case word when value[at, length) starts with
// it, followed by a blank or the end; else at.
static uint32_t behindWord(const WideChar* value, uint32_t at, uint32_t length, const char* word) {
    uint32_t i = at;
    for (; *word != 0; ++word, ++i) {
        if (i == length || asciiLower(value[i]) != uint32_t(*word)) return at;
    }
    return endsPart(value, i, length) ? i : at;
}

// "#RRGGBB" at value[at]: the place behind it, or at when there is none.
static uint32_t behindColour(const WideChar* value, uint32_t at, uint32_t length, uint32_t* colour) {
    return readHexColour(value + at, length - at, colour) ? at + HexColourLength : at;
}

// The colours at value[*at], "#RRGGBB", "#RRGGBB/#RRGGBB" or "/#RRGGBB",
// followed by a blank or the end; *at moves behind them when they are sound.
static RuleCheck readColours(const WideChar* value, uint32_t* at, uint32_t length, ColourRule* out) {
    uint32_t behind = behindColour(value, *at, length, &out->colour);
    bool bandFollows = behind < length && value[behind] == BandMark;
    if (!bandFollows) {
        if (behind == *at || !endsPart(value, behind, length)) return RuleNeedsColour;
        *at = behind;
        return RuleUsable;
    }
    uint32_t bandStart = behind + 1;
    behind = behindColour(value, bandStart, length, &out->background);
    if (behind == bandStart || !endsPart(value, behind, length)) return RuleNeedsBand;
    *at = behind;
    return RuleUsable;
}

// The words that may come before the pattern.
struct RuleWord {
    const char* word;
    uint32_t patternOption;  // 0: "alert"
};
static const RuleWord ruleWords[] = {
    {"alert", 0}, {"case", PatternMatchesCase}, {"word", PatternWholeWords}};

// Reads the rule's words at value[*at] while a pattern follows each, moving
// *at to the pattern; returns the pattern's options.
static uint32_t readRuleWords(const WideChar* value, uint32_t* at, uint32_t length, bool* alert) {
    uint32_t options = 0;
    for (bool found = true; found;) {
        found = false;
        for (const RuleWord& rule : ruleWords) {
            uint32_t behind = behindWord(value, *at, length, rule.word);
            if (behind == *at || skipValueBlanks(value, behind, length) == length) continue;
            if (rule.patternOption == 0) *alert = true;
            options |= rule.patternOption;
            *at = skipValueBlanks(value, behind, length);
            found = true;
        }
    }
    return options;
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
    out->colour = NoColour;
    out->background = NoColour;
    out->alert = false;
    compileLinePattern(value, 0, &out->pattern);
    uint32_t at = skipValueBlanks(value, 0, length);
    uint32_t end = trimValueBlanks(value, at, length);
    if (at == end || behindWord(value, at, end, "none") == end) {
        out->check = RuleNone;
    } else if (length > LinePatternCapacity) {
        out->check = RuleTooLong;
    } else {
        out->check = readColours(value, &at, end, out);
    }
    if (out->check == RuleUsable) {
        at = skipValueBlanks(value, at, end);
        uint32_t options = readRuleWords(value, &at, end, &out->alert);
        out->patternStart = at;
        out->check = patternCheck(compileLinePattern(value + at, end - at, &out->pattern, options));
    }
    // An unusable rule has no colours.
    if (out->check != RuleUsable) out->colour = out->background = NoColour;
}
