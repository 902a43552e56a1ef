// Facts about characters that the text code shares: the two line-end
// characters, ASCII case, and the halves of a UTF-16 surrogate pair.
#pragma once

#include <stdint.h>

const uint32_t CarriageReturn = '\r';
const uint32_t LineFeed = '\n';

inline bool isLineEnd(uint32_t character) { return character == CarriageReturn || character == LineFeed; }

// 'A' to 'Z' become 'a' to 'z'; everything else stays.
inline uint32_t asciiLower(uint32_t character) {
    return character >= 'A' && character <= 'Z' ? character + ('a' - 'A') : character;
}

inline bool isHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool isLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
