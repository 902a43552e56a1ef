// A colour rule's value, as the settings file and the commands give it:
// "#RRGGBB [alert] PATTERN". Lines the pattern matches are drawn in the
// colour; "alert" is kept for alerts about such lines. Blanks separate the
// parts; the pattern is the rest, blanks within it included and blanks at
// its end left out, as the settings file leaves them out. An empty value, or
// "none", is no rule.
#pragma once

#include <stdint.h>

#include "text/line_pattern.h"

// Why a rule is off, or that it is on.
enum RuleCheck {
    RuleNone,
    RuleUsable,
    RuleNeedsColour,       // no "#RRGGBB" first
    RuleNeedsPattern,      // nothing after the colour
    RuleMatchesEveryLine,  // an alternative is empty or only '*' and '?'
    RuleTooLong,           // longer than LinePatternCapacity units in all
};

struct ColourRule {
    RuleCheck check;
    uint32_t colour;  // a Windows colour value: red in the low byte
    bool alert;
    LinePattern pattern;  // matches nothing unless the rule is usable
};

// Reads a value of length units; never reads past them.
void parseColourRule(const WideChar* value, uint32_t length, ColourRule* out);
