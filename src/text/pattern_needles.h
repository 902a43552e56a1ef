// A quick test that a line cannot match a pattern, on the line's bytes
// before they are decoded: every alternative of the pattern holds a run of
// plain ASCII characters (its needle), and a line that matches holds, as
// bytes, one of the needles in either case. So bytes without any needle need
// no decoding and no matching.
//
// It holds for UTF-8 and every code page whose ASCII bytes are ASCII
// characters (in a double-byte code page a needle may also turn up inside a
// character: then the line is only matched in full). Letters that other
// characters fold to ("K" and the Kelvin sign, "s" and the long s) are left
// out of needles. An alternative without such a run (only '?', '*' and
// letters beyond ASCII) makes the test unusable: every line is matched.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

const uint32_t NeedleCount = 8;
const uint32_t NeedleCapacity = 32;

struct PatternNeedles {
    bool usable;
    uint32_t count;
    uint8_t length[NeedleCount];
    uint8_t anchorAt[NeedleCount];  // the needle's rarest byte, looked for first
    uint8_t bytes[NeedleCount][NeedleCapacity];  // lower case
    uint8_t anchors[256];  // for each byte, the needles whose anchor it is, as bits
    uint32_t anchorCount;  // the different anchors, lower case
    uint8_t anchorBytes[NeedleCount];
    bool anchorIsLetter[NeedleCount];
};

// The needles of pattern text[0, length), in the matcher's syntax.
void findNeedles(const WideChar* text, uint32_t length, PatternNeedles* out);

// Looks for each needle by its byte seen least often in a sample of the
// bytes to be searched: a log's own words make some letters common.
void fitAnchors(PatternNeedles* needles, const uint8_t* sample, uint32_t count);

// True when the bytes hold one of the needles, ignoring ASCII case.
bool holdsNeedle(const PatternNeedles& needles, const uint8_t* bytes, uint32_t count);

const uint32_t NoNeedle = UINT32_MAX;
// Where the last needle in the bytes lies (a byte of it), or NoNeedle; read
// from the end, so that it costs what lies behind that needle.
uint32_t lastNeedleAt(const PatternNeedles& needles, const uint8_t* bytes, uint32_t count);
