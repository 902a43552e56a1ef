// A search of a list sorted in ascending order.
#pragma once

#include <stdint.h>

// The index of the first value not below the one sought; count if none.
inline uint32_t firstNotBelow(const uint32_t* sorted, uint32_t count, uint32_t sought) {
    uint32_t low = 0, high = count;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (sorted[middle] < sought) low = middle + 1; else high = middle;
    }
    return low;
}
