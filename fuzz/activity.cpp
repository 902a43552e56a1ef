// The activity strip's minutes, for any counts on a clock that goes forward
// and is set back, against a slow reference that keeps every count by its
// minute and knows which minute each of the 60 slots last counted; the bars
// against what a reader of the picture expects (the busiest minute full
// height, a taller bar for more lines, at least a pixel for any, the first
// coloured rule's colour); and the lines shown at a start, with times
// around now, each counted in the minute it names.
#include <map>

#include "fuzz_input.h"
#include "text/activity.h"
#include "text/line_time.h"

struct Counts {
    uint32_t lines = 0;
    uint32_t rules[ColourRuleCount] = {};
};

static Activity activity;
static const WideChar* const NoNames[ColourRuleCount] = {};
static LineMarks marks;

static void checkBars(uint32_t now, uint32_t height, uint32_t coloured) {
    ActivityBar bars[ActivityMinutes];
    activityBars(activity, now, height, coloured, bars);
    uint32_t busiest = 0;
    for (uint32_t bar = 0; bar < ActivityMinutes; ++bar) {
        const ActivitySlot* slot = activityAt(activity, now - (ActivityMinutes - 1 - bar));
        uint32_t lines = slot ? slot->lines : 0;
        if (lines > busiest) busiest = lines;
        REQUIRE(bars[bar].height <= height);
        REQUIRE((lines == 0) == (bars[bar].height == 0) || height == 0);
        int rule = NoRule;
        for (uint32_t r = 0; slot && r < ColourRuleCount && rule == NoRule; ++r) {
            if ((coloured >> r & 1) && slot->ruleLines[r] > 0) rule = (int)r;
        }
        REQUIRE(bars[bar].rule == rule);
        for (uint32_t other = 0; other < bar; ++other) {
            const ActivitySlot* earlier = activityAt(activity, now - (ActivityMinutes - 1 - other));
            uint32_t earlierLines = earlier ? earlier->lines : 0;
            if (earlierLines > lines) REQUIRE(bars[other].height >= bars[bar].height);
            if (earlierLines < lines) REQUIRE(bars[other].height <= bars[bar].height);
        }
    }
    for (uint32_t bar = 0; bar < ActivityMinutes && busiest > 0; ++bar) {
        const ActivitySlot* slot = activityAt(activity, now - (ActivityMinutes - 1 - bar));
        if (slot && slot->lines == busiest) REQUIRE(bars[bar].height == height);
    }
}

// "2026-12-08 HH:MM:SS text" for a time seconds after 08:00:00.
static std::basic_string<WideChar> lineAt(uint32_t seconds) {
    char text[40];
    snprintf(text, sizeof text, "2026-12-08 %02u:%02u:%02u x", seconds / 3600 + 8, seconds / 60 % 60,
             seconds % 60);
    return std::basic_string<WideChar>(text, text + strlen(text));
}

static void checkLineTimes(FuzzInput& input) {
    clearActivity(&activity);
    clearLineMarks(&marks);
    uint32_t nowSeconds = 2 * 3600 + input.take<uint16_t>() % 3600;  // 10:00 to 11:00
    uint32_t now = activityMinute(2026, 12, 8, 8 + nowSeconds / 3600, nowSeconds / 60 % 60);
    uint64_t nowStart = timeValue(2026, 12, 8, 8 + nowSeconds / 3600, nowSeconds / 60 % 60, 0, 0);
    std::map<uint32_t, uint32_t> expected;
    std::basic_string<WideChar> text;
    uint32_t count = input.take<uint8_t>();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t at = nowSeconds - 2 * 3600 + input.take<uint16_t>() % (2 * 3600 + 120);
        text += lineAt(at);
        text += (WideChar)'\n';
        uint32_t minute = activityMinute(2026, 12, 8, 8 + at / 3600, at / 60 % 60);
        if (minute <= now && minute + ActivityMinutes > now) ++expected[minute];
    }
    markLines(&marks, nullptr, 0, text.data(), (uint32_t)text.size());
    countLineTimes(&activity, marks, text.data(), (uint32_t)text.size(), nowStart, now, 2026);
    for (uint32_t minute = now - (ActivityMinutes - 1); minute <= now + 1; ++minute) {
        const ActivitySlot* slot = activityAt(activity, minute);
        uint32_t lines = expected.count(minute) ? expected[minute] : 0;
        REQUIRE((slot ? slot->lines : 0) == lines);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    if (input.take<uint8_t>() % 4 == 0) {
        checkLineTimes(input);
        return 0;
    }
    clearActivity(&activity);
    std::map<uint32_t, Counts> counted;
    uint32_t lastOfSlot[ActivityMinutes];
    for (uint32_t& minute : lastOfSlot) minute = NoMinute;
    uint32_t now = 5000000;
    while (!input.empty()) {
        int8_t step = input.take<int8_t>();
        now += step / 8;  // mostly forward by little, sometimes back
        int rule = input.take<uint8_t>() % (ColourRuleCount + 1) - 1;
        uint32_t lines = input.take<uint8_t>() % 4 == 0 ? input.take<uint16_t>() * 37u : 1;
        countActivity(&activity, now, rule, lines);
        if (lastOfSlot[now % ActivityMinutes] != now) counted[now] = Counts();
        lastOfSlot[now % ActivityMinutes] = now;
        counted[now].lines += lines;
        if (rule >= 0) counted[now].rules[rule] += lines;
        for (uint32_t minute = now - 70; minute <= now + 70; ++minute) {
            const ActivitySlot* slot = activityAt(activity, minute);
            bool held = lastOfSlot[minute % ActivityMinutes] == minute && counted[minute].lines > 0;
            REQUIRE((slot != nullptr) == held);
            if (!slot) continue;
            REQUIRE(slot->lines == counted[minute].lines);
            for (uint32_t r = 0; r < ColourRuleCount; ++r) REQUIRE(slot->ruleLines[r] == counted[minute].rules[r]);
        }
        checkBars(now + input.take<uint8_t>() % 70, input.take<uint8_t>() % 40, input.take<uint8_t>());
        WideChar text[48];
        uint32_t length = describeActivityMinute(activity, now, NoNames, text, 48);
        REQUIRE(length < 48 && text[length] == 0);
    }
    return 0;
}
