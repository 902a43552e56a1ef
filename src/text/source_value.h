// A source's value, as the settings file and the commands give it:
// "[#RRGGBB] [stale=MIN] LABEL PATH" for the second to fourth sources, and
// "[#RRGGBB] [stale=MIN] [LABEL]" for the first (whose path is the file path
// setting). The colour, when given, draws the label; stale=MIN is the
// source's own stale time in minutes (0: never), in place of the
// staleAfter setting; the label, of 1 to 12 characters, none of them a
// blank or a square bracket, begins each of the source's lines in brackets;
// the path is the rest, blanks within it included, as the file path setting
// takes it. An empty value is no source.
//
// What describes the source's look never stops it: a colour, a stale time
// or a label that does not read is not used (the file's name stands in for
// the label), and the source is shown. Only a value without a path (the
// second to fourth sources) is off.
#pragma once

#include <stdint.h>

#include "text/colour_rule.h"
#include "text/text_decoding.h"

const uint32_t LabelCapacity = 12;

// Whether the value names a source, and the first of its parts that does not read.
enum SourceCheck {
    SourceNone,
    SourceNeedsLabel,    // nothing after the colour: the first source's label is its file's name
    SourceNeedsPath,     // nothing after the label (the second to fourth sources): off
    SourceUsable,
    // Shown, with that part not used:
    SourceBadColour,     // "#" not followed by six hexadecimal digits and a blank
    SourceBadStale,      // "stale=" not followed by a whole number of minutes
    SourceLabelTooLong,  // more than LabelCapacity characters
    SourceBadLabel,      // a square bracket in it
    SourceExtraText,     // something after the label (the first source): a blank in it
};

// The source is shown: it has a path, whatever its look says.
inline bool sourceShown(SourceCheck check) { return check >= SourceUsable; }

const uint32_t NoStaleTime = 0xFFFFFFFF;

struct SourceValue {
    SourceCheck check;
    bool coloured;
    uint32_t colour;  // a Windows colour value: red in the low byte
    uint32_t staleAfter;  // minutes, or NoStaleTime: the staleAfter setting's
    WideChar label[LabelCapacity * 2 + 1];  // zero-terminated, empty where not used; a character may take two units
    uint32_t pathStart;  // in the value, where the path begins
};

// What the menu and the status line say of a value that names no source or
// one whose part is not used ("label not used: blank in it", "off: no
// path"); null where there is nothing to say.
const char* sourceCheckWords(SourceCheck check);

// Reads value[0, length): with a path when pathWanted, else a label alone.
void parseSourceValue(const WideChar* value, uint32_t length, bool pathWanted, SourceValue* out);
