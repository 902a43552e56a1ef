#include "text/activity.h"

#include "text/characters.h"
#include "text/line_time.h"
#include "text/text_writer.h"
#include "text/timeline.h"

static void takeSlot(ActivitySlot& slot, uint32_t minute) {
    slot.minute = minute;
    slot.lines = 0;
    for (uint32_t& lines : slot.ruleLines) lines = 0;
}

void clearActivity(Activity* activity) {
    for (ActivitySlot& slot : activity->slots) takeSlot(slot, NoMinute);
}

static uint32_t addSaturating(uint32_t a, uint32_t b) { return a + b < a ? 0xFFFFFFFFu : a + b; }

void countActivity(Activity* activity, uint32_t minute, int rule, uint32_t lines) {
    ActivitySlot& slot = activity->slots[minute % ActivityMinutes];
    if (slot.minute != minute) takeSlot(slot, minute);
    slot.lines = addSaturating(slot.lines, lines);
    if (rule >= 0 && rule < (int)ColourRuleCount) slot.ruleLines[rule] = addSaturating(slot.ruleLines[rule], lines);
}

const ActivitySlot* activityAt(const Activity& activity, uint32_t minute) {
    const ActivitySlot& slot = activity.slots[minute % ActivityMinutes];
    return slot.minute == minute && slot.lines > 0 ? &slot : nullptr;
}

// Days since 1970-01-01 by the proleptic Gregorian calendar.
static int32_t daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    int32_t era = (year >= 0 ? year : year - 399) / 400;
    uint32_t yearOfEra = (uint32_t)(year - era * 400);
    uint32_t dayOfYear = (153 * (uint32_t)(month + (month > 2 ? -3 : 9)) + 2) / 5 + (uint32_t)day - 1;
    uint32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + (int32_t)dayOfEra - 719468;
}

uint32_t activityMinute(int year, int month, int day, int hour, int minute) {
    const int32_t DaysBefore2001 = 11323;
    int32_t days = daysFromCivil(year, month, day) - DaysBefore2001;
    return days < 0 ? 0 : (uint32_t)days * 1440 + (uint32_t)(hour * 60 + minute);
}

// The square root, rounded down.
static uint32_t squareRoot(uint32_t n) {
    uint32_t root = 0;
    for (uint32_t bit = 1u << 30; bit > 0; bit >>= 2) {
        if (n >= root + bit) {
            n -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
    }
    return root;
}

// The square root of a count in sixteenths: counts beyond 2^23 are as tall.
static uint32_t scaled(uint32_t lines) {
    const uint32_t Most = 1u << 23;
    return squareRoot((lines < Most ? lines : Most) << 8);
}

static uint32_t minuteOfBar(uint32_t now, uint32_t bar) {
    uint32_t back = ActivityMinutes - 1 - bar;
    return now >= back ? now - back : NoMinute;
}

void activityBars(const Activity& activity, uint32_t now, uint32_t height, uint32_t colouredRules,
                  ActivityBar bars[ActivityMinutes]) {
    uint32_t busiest = 0;
    for (uint32_t bar = 0; bar < ActivityMinutes; ++bar) {
        const ActivitySlot* slot = activityAt(activity, minuteOfBar(now, bar));
        if (slot && slot->lines > busiest) busiest = slot->lines;
    }
    uint32_t top = scaled(busiest);
    for (uint32_t bar = 0; bar < ActivityMinutes; ++bar) {
        const ActivitySlot* slot = activityAt(activity, minuteOfBar(now, bar));
        bars[bar].height = 0;
        bars[bar].rule = NoRule;
        if (!slot) continue;
        uint32_t tall = (height * scaled(slot->lines) + top / 2) / top;
        if (tall < 1) tall = 1;
        bars[bar].height = tall < height ? tall : height;
        for (uint32_t r = 0; r < ColourRuleCount && bars[bar].rule == NoRule; ++r) {
            if ((colouredRules >> r & 1) && slot->ruleLines[r] > 0) bars[bar].rule = (int)r;
        }
    }
}

// ---- The lines shown at a start -------------------------------------------------------

// 100-nanosecond steps in a minute: 512 times 1171875, so that a 32-bit
// program divides by it without a 64-bit division.
static const uint64_t MinuteSteps = 600000000;

// The minute of a time in the hour up to now, or NoMinute.
static uint32_t minuteOfTime(uint64_t time, uint64_t nowStart, uint32_t now) {
    if (time >= nowStart) return time - nowStart < MinuteSteps ? now : NoMinute;
    uint64_t before = nowStart - time;
    if (before > (ActivityMinutes - 1) * MinuteSteps) return NoMinute;
    return now - ((uint32_t)((before - 1) >> 9) / 1171875u + 1);
}

// Where the line's own text begins, behind its label.
static uint32_t textStart(const LineMarks& marks, uint32_t start, uint32_t end) {
    uint8_t source = marks.labels ? labelAt(marks, start) : NoSource;
    if (source == NoSource || source >= marks.labels->count || !marks.labels->label[source]) return start;
    uint32_t skipped = start + labelledLength(marks.labels->label[source]);
    return skipped < end ? skipped : end;
}

void countLineTimes(Activity* activity, const LineMarks& marks, const WideChar* text, uint32_t length,
                    uint64_t nowStart, uint32_t now, int thisYear) {
    uint64_t time = NoLineTime;
    for (uint32_t start = 0; start < length;) {
        uint32_t end = lineEndFrom(text, length, start), from = textStart(marks, start, end);
        uint64_t own = lineTimeAt(text + from, end - from, thisYear);
        if (own != NoLineTime) time = own;
        uint32_t minute = time == NoLineTime ? NoMinute : minuteOfTime(time, nowStart, now);
        if (minute != NoMinute) countActivity(activity, minute, markedRule(marks, start), 1);
        start = nextLineStart(text, length, end);
    }
}

// ---- Said of a minute ----------------------------------------------------------------

uint32_t describeActivityMinute(const Activity& activity, uint32_t minute,
                                const WideChar* const ruleNames[ColourRuleCount], WideChar* out,
                                uint32_t capacity) {
    TextWriter w = {out, capacity, 0};
    uint32_t ofDay = minute % 1440;
    putNumber(w, ofDay / 60, 2);
    put(w, ':');
    putNumber(w, ofDay % 60, 2);
    put(w, "  ");
    const ActivitySlot* slot = activityAt(activity, minute);
    uint32_t lines = slot ? slot->lines : 0;
    if (lines == 0) put(w, "no");
    if (lines > 0) putNumber(w, lines);
    put(w, lines == 1 ? " line" : " lines");
    for (uint32_t r = 0; slot && r < ColourRuleCount; ++r) {
        if (slot->ruleLines[r] == 0) continue;
        put(w, ", ");
        putNumber(w, slot->ruleLines[r]);
        put(w, ' ');
        if (ruleNames[r]) {
            put(w, ruleNames[r]);
        } else {
            put(w, "rule ");
            putNumber(w, r + 1);
        }
    }
    return endText(w);
}
