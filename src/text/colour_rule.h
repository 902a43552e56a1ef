// A colour rule's value, as the settings file and the commands give it:
// "#RRGGBB[/#RRGGBB] [alert] [case] [word] PATTERN". Lines the pattern
// matches are drawn in the first colour, on a band of the second colour
// behind every row of the line; "/#RRGGBB" alone gives the band and leaves
// the text in the font's colour. "alert" is kept for alerts about such
// lines; "case" makes the pattern match case, "word" match whole words only.
// These words come in any order, in any case, and each is one only when a
// pattern follows it: alone, it is the pattern, and a pattern that begins
// with one is written with a leading '*' ("*case closed"). Blanks separate
// the parts; the pattern is the rest, blanks within it included and blanks
// at its end left out, as the settings file leaves them out. An empty value,
// or "none", is no rule.
#pragma once

#include <stdint.h>

#include "text/line_pattern.h"

// Why a rule is off, or that it is on.
enum RuleCheck {
    RuleNone,
    RuleUsable,
    RuleNeedsColour,       // no "#RRGGBB" or "/#RRGGBB" first
    RuleNeedsBand,         // a "/" not followed by "#RRGGBB"
    RuleNeedsPattern,      // nothing after the colours
    RuleMatchesEveryLine,  // an alternative is empty or only '*' and '?'
    RuleTooLong,           // longer than LinePatternCapacity units in all
};

// A colour the rule leaves out.
const uint32_t NoColour = 0xFFFFFFFF;

// The colours are Windows colour values: red in the low byte.
struct ColourRule {
    RuleCheck check;
    uint32_t colour;      // of the text, or NoColour: the font's colour
    uint32_t background;  // of a band behind the line's rows, or NoColour: no band
    bool alert;
    uint32_t patternStart;  // in the value, where a usable rule's pattern begins
    LinePattern pattern;  // matches nothing unless the rule is usable
};

// Reads a value of length units; never reads past them.
void parseColourRule(const WideChar* value, uint32_t length, ColourRule* out);

// The colour a rule is known by, as an alert shows it: the text's, or the
// band's when the text keeps the font's colour.
inline uint32_t ruleMainColour(const ColourRule& rule) {
    return rule.colour != NoColour ? rule.colour : rule.background;
}

// "#RRGGBB" at the start of text[0, length), as a Windows colour value.
const uint32_t HexColourLength = 7;
bool readHexColour(const WideChar* text, uint32_t length, uint32_t* colour);

// The parts of a setting's value (a colour, a word, a label) are parted by
// blanks: spaces and tabs.
inline bool isValueBlank(WideChar c) { return c == ' ' || c == '\t'; }
// The first place from at on that holds no blank, or length.
uint32_t skipValueBlanks(const WideChar* value, uint32_t at, uint32_t length);
// The length of the value less the blanks at its end, not below at.
uint32_t trimValueBlanks(const WideChar* value, uint32_t at, uint32_t length);
