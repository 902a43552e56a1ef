// Short texts written into a buffer of fixed size, cut where it is full:
// the status line's, the activity strip's tip.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

struct TextWriter {
    WideChar* out;
    uint32_t capacity;
    uint32_t length;
};

inline void put(TextWriter& w, WideChar c) {
    if (w.length + 1 < w.capacity) w.out[w.length++] = c;
}

inline void put(TextWriter& w, const char* text) {
    while (*text) put(w, (WideChar)(unsigned char)*text++);
}

inline void put(TextWriter& w, const WideChar* text) {
    while (*text) put(w, *text++);
}

inline void putNumber(TextWriter& w, uint32_t n, int leastDigits = 1) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = (char)('0' + n % 10);
        n /= 10;
    } while (n > 0 || count < leastDigits);
    while (count > 0) put(w, (WideChar)digits[--count]);
}

// The zero after the text; returns its length.
inline uint32_t endText(TextWriter& w) {
    if (w.capacity > 0) w.out[w.length] = 0;
    return w.length;
}
