// Which characters make up words, for patterns that match whole words only:
// Unicode letters (letter numbers such as Roman numerals included), decimal
// digits and the low line "_", and the one mark that case folding makes a
// letter (the iota subscript), so that a character and its folding are word
// characters alike. The table covers the Basic Multilingual Plane;
// characters beyond it (emoji, historic scripts) are never word characters,
// nor are lone surrogates.
#pragma once

#include <stdint.h>

bool isWordCharacter(uint32_t codePoint);
