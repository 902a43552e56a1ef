#include "text/line_time.h"

#include "text/characters.h"

static const uint64_t StepsPerSecond = 10000000;

static bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 1 January of the year 1 to the given date.
static int64_t daysBefore(int year, int month, int day) {
    static const int daysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    int previous = year - 1;
    int64_t days = (int64_t)previous * 365 + previous / 4 - previous / 100 + previous / 400;
    return days + daysBeforeMonth[month - 1] + (isLeap(year) && month > 2 ? 1 : 0) + day - 1;
}

static int daysIn(int year, int month) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : lengths[month - 1];
}

uint64_t timeValue(int year, int month, int day, int hour, int minute, int second,
                   uint32_t hundredNanoseconds) {
    uint64_t seconds = (uint64_t)daysBefore(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return seconds * StepsPerSecond + hundredNanoseconds;
}

// ---- Reading ----------------------------------------------------------------

struct TimeReader {
    const WideChar* text;
    uint32_t length;
    uint32_t at;
};

static bool isDigit(WideChar c) { return c >= '0' && c <= '9'; }

static bool isAsciiLetterOrDigit(WideChar c) {
    uint32_t lower = asciiLower(c);
    return isDigit(c) || (lower >= 'a' && lower <= 'z');
}

static bool take(TimeReader& reader, WideChar c) {
    if (reader.at >= reader.length || reader.text[reader.at] != c) return false;
    ++reader.at;
    return true;
}

// Exactly count digits.
static bool number(TimeReader& reader, uint32_t count, int* value) {
    *value = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (reader.at >= reader.length || !isDigit(reader.text[reader.at])) return false;
        *value = *value * 10 + (reader.text[reader.at++] - '0');
    }
    return true;
}

struct Moment {
    int year, month, day, hour, minute, second;
    uint32_t fraction;  // in 100-nanosecond steps
};

static bool date(TimeReader& reader, WideChar separator, Moment* moment) {
    return number(reader, 4, &moment->year) && take(reader, separator) &&
           number(reader, 2, &moment->month) && take(reader, separator) &&
           number(reader, 2, &moment->day);
}

static bool clock(TimeReader& reader, Moment* moment) {
    return number(reader, 2, &moment->hour) && take(reader, ':') &&
           number(reader, 2, &moment->minute) && take(reader, ':') &&
           number(reader, 2, &moment->second);
}

// ".123" or ",123": digits beyond the seventh are passed over.
static void fraction(TimeReader& reader, Moment* moment) {
    TimeReader start = reader;
    if (!take(reader, '.') && !take(reader, ',')) return;
    uint32_t digits = 0, value = 0;
    for (; reader.at < reader.length && isDigit(reader.text[reader.at]); ++reader.at, ++digits) {
        if (digits < 7) value = value * 10 + (reader.text[reader.at] - '0');
    }
    if (digits == 0) {
        reader = start;
        return;
    }
    for (; digits < 7; ++digits) value *= 10;
    moment->fraction = value;
}

// "Z", or a sign and hours and minutes, with or without a colon between.
static void zone(TimeReader& reader) {
    if (take(reader, 'Z')) return;
    TimeReader start = reader;
    int hours = 0, minutes = 0;
    if ((take(reader, '+') || take(reader, '-')) && number(reader, 2, &hours)) {
        take(reader, ':');
        if (number(reader, 2, &minutes)) return;
    }
    reader = start;
}

static bool isoTime(TimeReader& reader, Moment* moment) {
    if (!date(reader, '-', moment)) return false;
    bool designated = take(reader, 'T');
    if (!designated && !take(reader, ' ')) return false;
    if (!clock(reader, moment)) return false;
    fraction(reader, moment);
    zone(reader);
    return true;
}

static bool slashedTime(TimeReader& reader, Moment* moment) {
    if (!date(reader, '/', moment) || !take(reader, ' ') || !clock(reader, moment)) return false;
    fraction(reader, moment);
    return true;
}

static int monthNamed(TimeReader& reader) {
    static const char names[] = "janfebmaraprmayjunjulaugsepoctnovdec";
    if (reader.length - reader.at < 3) return 0;
    for (int month = 0; month < 12; ++month) {
        const char* name = names + 3 * month;
        bool same = true;
        for (int i = 0; i < 3 && same; ++i) same = asciiLower(reader.text[reader.at + i]) == (uint32_t)name[i];
        if (!same) continue;
        reader.at += 3;
        return month + 1;
    }
    return 0;
}

// "Dec  8 10:05:06", "Dec 8 10:05:06" or "Dec 18 10:05:06", in the year
// the moment holds already.
static bool syslogTime(TimeReader& reader, Moment* moment) {
    moment->month = monthNamed(reader);
    if (!moment->month || !take(reader, ' ')) return false;
    bool padded = take(reader, ' ');
    if (!number(reader, 1, &moment->day)) return false;
    int second = 0;
    if (!padded && number(reader, 1, &second)) moment->day = moment->day * 10 + second;
    return take(reader, ' ') && clock(reader, moment);
}

static bool valid(const Moment& moment) {
    return moment.year >= 1 && moment.month >= 1 && moment.month <= 12 && moment.day >= 1 &&
           moment.day <= daysIn(moment.year, moment.month) && moment.hour <= 23 &&
           moment.minute <= 59 && moment.second <= 60;
}

static bool endsThere(const TimeReader& reader, bool bracketed) {
    if (bracketed) return reader.at < reader.length && reader.text[reader.at] == ']';
    return reader.at == reader.length || !isAsciiLetterOrDigit(reader.text[reader.at]);
}

// The time a form reads at start, into *time, and where its text ends (a
// closing bracket included); a syslog form's year is thisYear.
static bool readForm(bool (*form)(TimeReader&, Moment*), TimeReader reader, bool bracketed, int thisYear,
                     uint64_t* time, uint32_t* end) {
    Moment moment = {};
    moment.year = thisYear;  // a form with a year reads its own
    if (!form(reader, &moment) || !valid(moment) || !endsThere(reader, bracketed)) return false;
    *time = timeValue(moment.year, moment.month, moment.day, moment.hour, moment.minute, moment.second,
                      moment.fraction);
    *end = reader.at + (bracketed ? 1 : 0);
    return true;
}

static uint64_t readLineTime(const WideChar* line, uint32_t length, int thisYear, uint32_t* end) {
    TimeReader start = {line, length, 0};
    bool bracketed = take(start, '[');
    uint64_t time = NoLineTime;
    *end = 0;
    readForm(isoTime, start, bracketed, thisYear, &time, end) ||
        readForm(slashedTime, start, bracketed, thisYear, &time, end) ||
        readForm(syslogTime, start, bracketed, thisYear, &time, end);
    return time;
}

uint64_t lineTimeAt(const WideChar* line, uint32_t length, int thisYear) {
    uint32_t end = 0;
    return readLineTime(line, length, thisYear, &end);
}

uint32_t lineTimeLength(const WideChar* line, uint32_t length, int thisYear) {
    uint32_t end = 0;
    readLineTime(line, length, thisYear, &end);
    return end;
}
