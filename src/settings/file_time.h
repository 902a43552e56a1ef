// A file time as one number of 100-nanosecond steps, for comparing and
// counting; the settings file's own times and the watched files' alike.
#pragma once

#include <windows.h>
#include <stdint.h>

inline uint64_t fileTimeNumber(FILETIME time) {
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}
