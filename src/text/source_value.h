// A source's value, as the settings file and the commands give it:
// "[#RRGGBB] LABEL PATH" for the second to fourth sources, and
// "[#RRGGBB] LABEL" for the first (whose path is the file path setting).
// The colour, when given, draws the label; the label, of 1 to 12
// characters, none of them a blank or a square bracket, begins each of the
// source's lines in brackets; the path is the rest, blanks within it
// included, as the file path setting takes it. An empty value is no source.
#pragma once

#include <stdint.h>

#include "text/colour_rule.h"
#include "text/text_decoding.h"

const uint32_t LabelCapacity = 12;

// Why a source is off, or that it is on.
enum SourceCheck {
    SourceNone,
    SourceUsable,
    SourceBadColour,     // "#" not followed by six hexadecimal digits and a blank
    SourceNeedsLabel,
    SourceLabelTooLong,  // more than LabelCapacity characters
    SourceBadLabel,      // a square bracket in it
    SourceNeedsPath,     // nothing after the label (the second to fourth sources)
    SourceExtraText,     // something after the label (the first source)
};

struct SourceValue {
    SourceCheck check;
    bool coloured;
    uint32_t colour;  // a Windows colour value: red in the low byte
    WideChar label[LabelCapacity * 2 + 1];  // zero-terminated; a character may take two units
    uint32_t pathStart;  // in the value, where the path begins
};

// Reads value[0, length): with a path when pathWanted, else a label alone.
void parseSourceValue(const WideChar* value, uint32_t length, bool pathWanted, SourceValue* out);
