// Number arguments: read as atoi reads them, held to the range of an int
// instead of overflowing, and never read behind the text's zero.
#include <limits.h>

#include "commands/command_words.h"
#include "fuzz_input.h"

static bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

static long long expectedNumber(const char* text) {
    while (isBlank(*text)) ++text;
    int sign = 1;
    if (*text == '-' || *text == '+') sign = *text++ == '-' ? -1 : 1;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value < 10000000000LL) value = value * 10 + (*text - '0');
    }
    value *= sign;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return value;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    std::vector<char> text = exactCopy(input.takeText());
    REQUIRE(readNumber(text.data()) == expectedNumber(text.data()));
    return 0;
}
