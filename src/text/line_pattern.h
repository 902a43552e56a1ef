// Which lines a pattern picks: the one matcher of the colour rules and the
// line filters.
//
// A pattern is alternatives separated by '|'; each is found anywhere in a
// line, '*' standing for any run of characters and '?' for any one character
// (one code point: a surrogate pair is one character). Case is ignored, by
// simple Unicode case folding. There is no escape: '|', '*' and '?' are never
// literal. An alternative without a literal character (empty, or only '*'
// and '?') would match every line, or every line but the shortest: such a
// pattern is refused.
//
// Matching is linear in the line by design, whatever the pattern. A compiled
// pattern is a row of positions, one for each literal and '?', and a line is
// read once, one character at a time, keeping the set of positions reached
// so far as bits (shift-and): a character moves each reached position on to
// the next one if that one takes the character, every alternative starts
// afresh at each character, and a position followed by '*' stays reached.
// The line matches once the last position of any alternative is reached.
//
// Pure and reentrant: no globals, no heap; a compiled pattern is a fixed-size
// value that any number of threads may read at once.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// Units of pattern text a pattern may have; every literal and '?' is one
// position, so no more positions than that.
const uint32_t LinePatternCapacity = 128;
const uint32_t PatternWords = LinePatternCapacity / 32;

enum PatternCheck { PatternEmpty, PatternUsable, PatternMatchesEveryLine, PatternTooLong };

// One bit for each position.
struct PositionSet {
    uint32_t bits[PatternWords];
};

struct LinePattern {
    uint32_t words;      // of each position set, in use
    PositionSet starts;  // the first position of each alternative
    PositionSet ends;    // the last position of each alternative
    PositionSet stays;   // positions followed by '*'
    // The positions each folded character is taken at come from its class:
    // ASCII characters find theirs in asciiClass, others in the sorted
    // otherCharacters. Class 0, for characters the pattern does not hold,
    // has only the positions of '?'; every other class has them too.
    uint8_t asciiClass[128];
    uint32_t otherCount;
    uint32_t otherCharacters[LinePatternCapacity];
    uint8_t otherClass[LinePatternCapacity];
    PositionSet classPositions[LinePatternCapacity + 1];
};

// Compiles text[0, length). Only a usable pattern matches anything: out is
// left matching no line otherwise.
PatternCheck compileLinePattern(const WideChar* text, uint32_t length, LinePattern* out);

bool lineMatches(const LinePattern& pattern, const WideChar* line, uint32_t length);

// A line read in pieces, as text is added to the end of a line already read.
// A piece ends between characters, never inside a surrogate pair.
struct PatternScan {
    PositionSet reached;
    bool matched;
};
void startScan(PatternScan* scan);
// Reads the next piece of the line; returns whether the line so far matches.
bool continueScan(const LinePattern& pattern, PatternScan* scan, const WideChar* piece,
                  uint32_t length);
