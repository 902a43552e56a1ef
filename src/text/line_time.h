// The time a log line begins with, read as written: in one of the common
// forms, at the very start of the line, alone or in square brackets:
//   2026-12-08T10:05:06    with an optional fraction (.123 or ,123) and
//                          zone (Z, +01:00, -0500), which is passed over
//   2026-12-08 10:05:06    with an optional fraction
//   2026/12/08 10:05:06    with an optional fraction
//   Dec  8 10:05:06        in a year the caller gives (this year)
// The time must end the line or be followed by a character that is neither a
// letter nor a digit; in brackets, by the closing bracket. A zone is never
// applied: lines are compared as their writers wrote them.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// A time as one number of 100-nanosecond steps since the year 1 began, by
// the proleptic Gregorian calendar: later times are greater.
uint64_t timeValue(int year, int month, int day, int hour, int minute, int second,
                   uint32_t hundredNanoseconds);

const uint64_t NoLineTime = UINT64_MAX;

// The time line[0, length) begins with, or NoLineTime.
uint64_t lineTimeAt(const WideChar* line, uint32_t length, int thisYear);
// The units the time line[0, length) begins with takes, its brackets
// included; 0 when it begins with none.
uint32_t lineTimeLength(const WideChar* line, uint32_t length, int thisYear);
