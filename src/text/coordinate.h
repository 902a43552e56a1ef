// Sizes and positions come unchecked from the settings file and commands, so
// sums of them are worked out in 64 bits and held to the range of a coordinate.
#pragma once

#include <stdint.h>

inline int32_t toCoordinate(int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return (int32_t)value;
}
