// The time a line begins with, and the timeline of several sources.
// - Any text: never read past its end, and a time found is a real date.
// - A time written in each form from fuzzed fields is read back as the
//   value a slow count of days and seconds gives, whatever follows it that
//   is not a letter or digit, and not at all when a letter or digit follows;
//   the time's length is that of the text written.
// - The timeline keeps every line once, each source's in order, and in time
//   order where each source's lines are.
#include <algorithm>

#include "fuzz_input.h"
#include "text/line_time.h"
#include "text/timeline.h"

typedef std::vector<WideChar> Text;

static Text textOf(const std::string& bytes) { return Text(bytes.begin(), bytes.end()); }

// Days before the date, counted one year and one month at a time.
static uint64_t slowValue(int year, int month, int day, int hour, int minute, int second, uint32_t fraction) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    uint64_t days = 0;
    for (int y = 1; y < year; ++y) days += leap(y) ? 366 : 365;
    for (int m = 1; m < month; ++m) days += lengths[m - 1] + (m == 2 && leap(year) ? 1 : 0);
    days += day - 1;
    return ((days * 24 + hour) * 60 + minute) * 60 * 10000000ull + second * 10000000ull + fraction;
}

static std::string twoDigits(int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

static void checkWrittenTime(FuzzInput& input) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int year = 1970 + input.take<uint8_t>() % 100;
    int month = 1 + input.take<uint8_t>() % 12;
    int day = 1 + input.take<uint8_t>() % 28;
    int hour = input.take<uint8_t>() % 24, minute = input.take<uint8_t>() % 60;
    int second = input.take<uint8_t>() % 60;
    uint8_t form = input.take<uint8_t>();
    uint16_t milliseconds = input.take<uint16_t>() % 1000;
    char follower = (char)input.take<uint8_t>();  // what follows the time
    std::string clock = twoDigits(hour) + ":" + twoDigits(minute) + ":" + twoDigits(second);
    std::string date = std::to_string(year) + "-" + twoDigits(month) + "-" + twoDigits(day);
    std::string fraction = "." + std::to_string(1000 + milliseconds).substr(1);
    std::string written;
    uint32_t expectedFraction = milliseconds * 10000u;
    switch (form % 5) {
    case 0: written = date + "T" + clock + fraction + "+01:00"; break;
    case 1: written = date + " " + clock + "," + fraction.substr(1); break;
    case 2: written = std::to_string(year) + "/" + twoDigits(month) + "/" + twoDigits(day) + " " + clock; expectedFraction = 0; break;
    case 3: written = std::string(months[month - 1]) + (day < 10 ? "  " : " ") + std::to_string(day) + " " + clock; expectedFraction = 0; break;
    case 4: written = "[" + date + " " + clock + "]"; expectedFraction = 0; break;
    }
    static const char followers[] = " ]:-\tx7";
    follower = followers[(uint8_t)follower % (sizeof followers - 1)];
    bool letterOrDigit = isalnum((unsigned char)follower) != 0;
    bool bracketed = form % 5 == 4;
    if (form % 5 == 1 && isdigit((unsigned char)follower)) return;  // it would lengthen the fraction
    Text text = textOf(written + std::string(1, follower) + " message");
    uint64_t found = lineTimeAt(text.data(), (uint32_t)text.size(), year);
    uint32_t length = lineTimeLength(text.data(), (uint32_t)text.size(), year);
    if (letterOrDigit && !bracketed) {
        REQUIRE(found == NoLineTime && length == 0);
    } else {
        REQUIRE(found == slowValue(year, month, day, hour, minute, second, expectedFraction));
        REQUIRE(length == written.size());
    }
}

struct Merged {
    uint32_t source;
    uint32_t index;  // of the line in its source
    uint64_t time;
};

static void checkTimeline(FuzzInput& input) {
    uint32_t count = 1 + input.take<uint8_t>() % MostSources;
    std::vector<Text> texts(count);
    std::vector<std::vector<uint64_t>> times(count);
    std::vector<TimelineSource> sources(count);
    for (uint32_t s = 0; s < count; ++s) {
        uint32_t lines = input.take<uint8_t>() % 12;
        for (uint32_t i = 0; i < lines; ++i) {
            uint8_t minute = input.take<uint8_t>();
            bool timed = minute % 4 != 0;
            std::string line = timed ? "2026-12-08 10:" + twoDigits(minute % 60) + ":00 line" : "continued";
            Text text = textOf(line + "\r\n");
            texts[s].insert(texts[s].end(), text.begin(), text.end());
            times[s].push_back(timed ? timeValue(2026, 12, 8, 10, minute % 60, 0, 0) : NoLineTime);
        }
        sources[s] = {texts[s].data(), (uint32_t)texts[s].size(), timeValue(2026, 12, 8, 10, 30, 0, 0)};
    }
    Timeline timeline;
    startTimeline(&timeline, sources.data(), count, 2026);
    std::vector<uint32_t> next(count, 0);
    std::vector<Merged> merged;
    TimelineLine line;
    while (nextTimelineLine(&timeline, &line)) {
        REQUIRE(line.source < count);
        uint32_t index = next[line.source]++;
        REQUIRE(index < times[line.source].size());
        merged.push_back({line.source, index, times[line.source][index]});
    }
    for (uint32_t s = 0; s < count; ++s) REQUIRE(next[s] == times[s].size());
    // Where every source's own times never fall, the merge never goes back in time.
    for (uint32_t s = 0; s < count; ++s) {
        uint64_t last = 0;
        for (uint64_t time : times[s]) {
            if (time == NoLineTime) continue;
            if (time < last) return;
            last = time;
        }
    }
    auto effective = [&](const Merged& m) {
        const std::vector<uint64_t>& own = times[m.source];
        for (uint32_t i = m.index + 1; i-- > 0;) {
            if (own[i] != NoLineTime) return own[i];
        }
        for (uint64_t time : own) {
            if (time != NoLineTime) return time;
        }
        return timeValue(2026, 12, 8, 10, 30, 0, 0);
    };
    for (size_t i = 1; i < merged.size(); ++i) {
        uint64_t before = effective(merged[i - 1]), after = effective(merged[i]);
        REQUIRE(before <= after);
        if (before == after && merged[i - 1].source != merged[i].source) {
            REQUIRE(merged[i - 1].source < merged[i].source);
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    uint8_t mode = input.take<uint8_t>();
    if (mode % 3 == 0) {
        std::string any = input.takeText();
        Text text = textOf(any);
        std::vector<WideChar> exact(text.begin(), text.end());
        uint64_t found = lineTimeAt(exact.data(), (uint32_t)exact.size(), 2026);
        REQUIRE(found == NoLineTime || found >= slowValue(1, 1, 1, 0, 0, 0, 0));
    } else if (mode % 3 == 1) {
        checkWrittenTime(input);
    } else {
        checkTimeline(input);
    }
    return 0;
}
