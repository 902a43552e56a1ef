// Which lines a pattern picks: the one matcher of the colour rules and the
// line filters.
//
// A pattern is alternatives separated by '|'; each is found anywhere in a
// line, '*' standing for any run of characters and '?' for any one character
// (one code point: a surrogate pair is one character). Case is ignored, by
// simple Unicode case folding, unless the pattern matches case. There is no
// escape: '|', '*' and '?' are never literal. An alternative without a
// literal character (empty, or only '*' and '?') would match every line, or
// every line but the shortest: such a pattern is refused.
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
// Whole words add positions, not work: an alternative that must begin a word
// starts at a boundary position before its first, which takes any character
// that is no word character and is reached at the line's start too; one that
// must end a word ends at a boundary position behind its last, which takes
// the same characters. Its last own position reached, it matches if the line
// ends there. A character the pattern does not hold is of one class when it
// is a word character and of another when not, so a line is still read with
// one look-up of each character's class.
//
// Pure and reentrant: no globals, no heap; a compiled pattern is a fixed-size
// value that any number of threads may read at once.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// Units of pattern text a pattern may have; every literal and '?' is one
// position. Each alternative, at least a unit and a '|' but the last, adds
// at most two boundary positions.
const uint32_t LinePatternCapacity = 128;
const uint32_t PositionCapacity = LinePatternCapacity + 2 * ((LinePatternCapacity + 1) / 2);
const uint32_t PatternWords = (PositionCapacity + 31) / 32;

enum PatternCheck { PatternEmpty, PatternUsable, PatternMatchesEveryLine, PatternTooLong };

// How a pattern matches; any combination.
enum PatternOption : uint32_t {
    PatternMatchesCase = 1,  // letters match only in the case written
    PatternWholeWords = 2,   // each alternative matches only as whole words
};

// One bit for each position.
struct PositionSet {
    uint32_t bits[PatternWords];
};

struct LinePattern {
    uint32_t words;  // of each position set, in use
    bool matchesCase;
    bool wholeWords;
    PositionSet starts;      // where each alternative begins
    PositionSet lineStarts;  // reached before a line's first character
    PositionSet ends;        // once reached, the line matches
    PositionSet lineEnds;    // reached at the line's end, the line matches
    PositionSet stays;       // positions followed by '*'
    // The positions each character, folded unless case matches, is taken at
    // come from its class: the pattern's ASCII characters find theirs in
    // asciiClass, its others in the sorted otherCharacters. The characters
    // the pattern does not hold are of class 0, or of wordClass for word
    // characters when whole words are asked for. Class 0 and wordClass have
    // the positions of '?', and every other class has them too; class 0 and
    // the classes of characters that are no word characters have the
    // boundary positions. A line's characters of Latin-1, its most common,
    // find their class, folding and all, in latinClass at once.
    uint8_t asciiClass[128];
    uint32_t otherCount;
    uint32_t otherCharacters[LinePatternCapacity];
    uint8_t otherClass[LinePatternCapacity];
    uint32_t wordClass;
    uint8_t latinClass[256];
    PositionSet classPositions[LinePatternCapacity + 2];
};

// Compiles text[0, length) with the PatternOption bits given. Only a usable
// pattern matches anything: out is left matching no line otherwise.
PatternCheck compileLinePattern(const WideChar* text, uint32_t length, LinePattern* out,
                                uint32_t options = 0);

bool lineMatches(const LinePattern& pattern, const WideChar* line, uint32_t length);

// A line read in pieces, as text is added to the end of a line already read.
// A piece ends between characters, never inside a surrogate pair.
struct PatternScan {
    bool begun;
    bool matched;  // whatever follows
    PositionSet reached;
};
void startScan(PatternScan* scan);
// Reads the next piece of the line; returns whether the line read so far
// matches were it to end here. Once scan->matched, it matches whatever follows.
bool continueScan(const LinePattern& pattern, PatternScan* scan, const WideChar* piece,
                  uint32_t length);
