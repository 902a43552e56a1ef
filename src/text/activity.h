// The last hour as a picture: how many lines the window showed arriving in
// each of the last 60 minutes, and how many of them each colour rule
// picked, free of any window and of the clock. Minutes are counted on the
// local clock, as the minutes since 2001 began there (activityMinute); the
// caller gives the minute now.
//
// Each minute's counts live in the slot of its number modulo 60, which
// knows the minute it counts: a slot holding another minute counts nothing
// for this one. So the hour moves on with the clock by itself, and a clock
// set back shows the minutes up to the new now, hiding the later ones until
// their slots are counted in again.
#pragma once

#include <stdint.h>

#include "text/line_marks.h"
#include "text/text_decoding.h"

const uint32_t ActivityMinutes = 60;
// No minute counted yet: slots hold it at the start.
const uint32_t NoMinute = 0xFFFFFFFF;

struct ActivitySlot {
    uint32_t minute;
    uint32_t lines;
    uint32_t ruleLines[ColourRuleCount];
};

struct Activity {
    ActivitySlot slots[ActivityMinutes];
};

void clearActivity(Activity* activity);
// Lines shown in that minute, picked by the rule (or by none: NoRule).
void countActivity(Activity* activity, uint32_t minute, int rule, uint32_t lines);
// The minute's counts; null when it counted none.
const ActivitySlot* activityAt(const Activity& activity, uint32_t minute);

// The minute's number on the local clock: minutes since 2001-01-01 00:00.
uint32_t activityMinute(int year, int month, int day, int hour, int minute);

// One bar a minute, the oldest first: its height in pixels, on a square
// root scale of the busiest minute of the hour (so that one burst does not
// flatten the rest), at least one pixel for a minute with any line; and
// the first rule among `colouredRules` (a bit each) that picked a line in
// it, or NoRule.
struct ActivityBar {
    uint32_t height;
    int rule;
};
void activityBars(const Activity& activity, uint32_t now, uint32_t height, uint32_t colouredRules,
                  ActivityBar bars[ActivityMinutes]);

// At a start, the minutes of lines already shown: each line of text[0,
// length) counts in the minute its leading time (text/line_time.h) names,
// if that lies in the hour up to now; a line without one takes the time of
// the line before it. With labels, a line's label is passed over; the rule
// of each line is the one the marks give it. `nowStart` is the time value
// of the start of the minute now, `now` its number.
void countLineTimes(Activity* activity, const LineMarks& marks, const WideChar* text, uint32_t length,
                    uint64_t nowStart, uint32_t now, int thisYear);

// "10:42  37 lines, 3 ERROR, 1 WARN": the minute's local time, its lines,
// and for each rule that picked some, how many and its name (null: "rule N").
uint32_t describeActivityMinute(const Activity& activity, uint32_t minute,
                                const WideChar* const ruleNames[ColourRuleCount], WideChar* out,
                                uint32_t capacity);
