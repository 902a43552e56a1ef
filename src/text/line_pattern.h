// Which lines a pattern picks: the one matcher of the colour rules and the
// line filters.
//
// A pattern is alternatives separated by '|'; each is found anywhere in a
// line, '*' standing for any run of characters and '?' for any one character
// (one code point: a surrogate pair is one character). Case is ignored, by
// simple Unicode case folding, unless the pattern matches case. There is no
// escape: '|', '*' and '?' are never literal. An alternative that is empty or
// only '*' would match every line: such a pattern is refused.
//
// A pattern of whole words matches only where an alternative's match is
// neither preceded nor followed by a word character (text/word_characters.h);
// a '*' at either end of an alternative lets its match reach into a word.
//
// Matching is linear in the line by design, whatever the pattern. A compiled
// pattern is a row of positions, one for each literal and '?', and a line is
// read once, one character at a time, keeping the set of positions reached
// so far as bits (shift-and): a character moves each reached position on to
// the next one if that one takes the character, every alternative starts
// afresh at each character, and a position followed by '*' stays reached.
// The line matches once the last position of any alternative is reached.
//
// Whole words ask two more things of the same single reading. A start
// position that needs a word's beginning is entered only when the character
// before is no word character (or there is none); the scan keeps whether the
// previous character was one. An end position that needs a word's end, once
// reached, leaves an end pending: the next character confirms it when it is
// no word character, and so does the line's end. A '*' at an alternative's
// start makes its first position a free start; one at its end makes the last
// position stay reached, a free end that confirms itself.
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

// How a pattern matches; any combination.
enum PatternOption : uint32_t {
    PatternMatchesCase = 1,   // letters match only in the case written
    PatternWholeWords = 2,  // each alternative matches only as whole words
};

// One bit for each position.
struct PositionSet {
    uint32_t bits[PatternWords];
};

struct LinePattern {
    uint32_t words;  // of each position set, in use
    bool matchesCase;
    bool wholeWords;
    PositionSet starts;      // the first position of each alternative
    PositionSet freeStarts;  // those that need no word's beginning before them
    PositionSet ends;        // the last position of each alternative
    PositionSet freeEnds;    // those that need no word's end after them
    PositionSet stays;       // positions followed by '*'
    // The positions each character, folded unless case matches, is taken at
    // come from its class:
    // ASCII characters find theirs in asciiClass, others in the sorted
    // otherCharacters. Class 0, for characters the pattern does not hold,
    // has only the positions of '?'; every other class has them too.
    uint8_t asciiClass[128];
    uint32_t otherCount;
    uint32_t otherCharacters[LinePatternCapacity];
    uint8_t otherClass[LinePatternCapacity];
    PositionSet classPositions[LinePatternCapacity + 1];
};

// Compiles text[0, length) with the PatternOption bits given. Only a usable
// pattern matches anything: out is left matching no line otherwise.
PatternCheck compileLinePattern(const WideChar* text, uint32_t length, LinePattern* out,
                                uint32_t options = 0);

bool lineMatches(const LinePattern& pattern, const WideChar* line, uint32_t length);

// A line read in pieces, as text is added to the end of a line already read.
// A piece ends between characters, never inside a surrogate pair.
struct PatternScan {
    PositionSet reached;
    bool matched;          // whatever follows
    bool endPending;       // matched if the line ends here or a non-word character follows
    bool afterWordCharacter;
};
void startScan(PatternScan* scan);
// Reads the next piece of the line; returns whether the line read so far
// matches were it to end here. Once scan->matched, it matches whatever follows.
bool continueScan(const LinePattern& pattern, PatternScan* scan, const WideChar* piece,
                  uint32_t length);
