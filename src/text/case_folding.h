// Simple Unicode case folding for the Basic Multilingual Plane: the one
// character each character is compared as when case is ignored ("A" and "a"
// as "a", "Σ", "σ" and "ς" as "σ", "ẞ" as "ß", Cherokee small letters as their
// capitals). Characters beyond the plane, and those without case, stay.
#pragma once

#include <stdint.h>

uint32_t foldCase(uint32_t codePoint);
