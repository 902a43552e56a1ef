#include <windows.h>

#include <string>

#include "text/line_time.h"
#include "text/source_value.h"
#include "support/plugin_fixture.h"

// ---- Pure: the time a line begins with, a source's value ----

static uint64_t timeOf(const std::wstring& line, int thisYear = 2026) {
    return lineTimeAt((const WideChar*)line.c_str(), (uint32_t)line.size(), thisYear);
}

TEST(LineTime, EachCommonFormIsReadAsWrittenAndANearMissOfEachIsNot) {
    const uint64_t at = timeValue(2026, 12, 8, 10, 5, 6, 0);
    const uint64_t ms = 10000;  // 100-nanosecond steps in a millisecond
    struct Case {
        const wchar_t* line;
        uint64_t expected;
    } cases[] = {
        {L"2026-12-08T10:05:06 started", at},
        {L"2026-12-08T10:05:06.250Z started", at + 250 * ms},
        {L"2026-12-08T10:05:06.123456789+01:00 zone passed over", at + 1234567},
        {L"2026-12-08 10:05:06,042 INFO", at + 42 * ms},
        {L"2026/12/08 10:05:06 INFO", at},
        {L"Dec  8 10:05:06 host sshd[1]: x", at},
        {L"Dec 18 10:05:06 host", timeValue(2026, 12, 18, 10, 5, 6, 0)},
        {L"[2026-12-08 10:05:06] bracketed", at},
        {L"2026-12-08 10:05:06", at},
        // Near misses.
        {L"2026-12-08T10:05 no seconds", NoLineTime},
        {L"2026-12-08_10:05:06 other separator", NoLineTime},
        {L"2026/12/08T10:05:06 slashes take a blank", NoLineTime},
        {L"2026-13-08 10:05:06 no such month", NoLineTime},
        {L"2026-02-30 10:05:06 no such day", NoLineTime},
        {L"2026-12-08 10:05:061 a digit more", NoLineTime},
        {L"Dex  8 10:05:06 no such month name", NoLineTime},
        {L"[2026-12-08 10:05:06 unclosed", NoLineTime},
        {L" 2026-12-08 10:05:06 not at the start", NoLineTime},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, timeOf(c.line)) << std::wstring(c.line).c_str();
    EXPECT_EQ(timeValue(2025, 12, 8, 10, 5, 6, 0), timeOf(L"Dec  8 10:05:06", 2025)) << "the year given";
    EXPECT_LT(timeValue(2026, 2, 28, 23, 59, 59, 0), timeValue(2026, 3, 1, 0, 0, 0, 0));
    EXPECT_LT(timeValue(2024, 2, 29, 0, 0, 0, 0), timeValue(2024, 3, 1, 0, 0, 0, 0));
}

static SourceValue parsed(const std::wstring& value, bool pathWanted = true) {
    SourceValue out;
    parseSourceValue((const WideChar*)value.c_str(), (uint32_t)value.size(), pathWanted, &out);
    return out;
}

TEST(SourceValues, ColourLabelAndPathOrWhyNot) {
    SourceValue full = parsed(L" #0080FF  web  C:\\logs\\access log.txt ");
    EXPECT_EQ(SourceUsable, full.check);
    EXPECT_TRUE(full.coloured);
    EXPECT_EQ(RGB(0, 0x80, 0xFF), full.colour);
    EXPECT_EQ(std::wstring(L"web"), (const wchar_t*)full.label);
    EXPECT_EQ(std::wstring(L"C:\\logs\\access log.txt "), std::wstring(L" #0080FF  web  C:\\logs\\access log.txt ").substr(full.pathStart));

    SourceValue plain = parsed(L"\u0436\u0443\u0440\u043D\u0430\u043B logs\\db-*.log");
    EXPECT_EQ(SourceUsable, plain.check);
    EXPECT_FALSE(plain.coloured);
    EXPECT_EQ(SourceNone, parsed(L"   ").check);
    EXPECT_EQ(SourceBadColour, parsed(L"#00FF web x.log").check);
    EXPECT_EQ(SourceNeedsPath, parsed(L"#00FF00 web").check);
    EXPECT_EQ(SourceNeedsLabel, parsed(L"#00FF00").check);
    EXPECT_EQ(SourceLabelTooLong, parsed(L"thirteenchars x.log").check);
    EXPECT_EQ(SourceUsable, parsed(L"twelve_chars x.log").check);
    EXPECT_EQ(SourceBadLabel, parsed(L"[web] x.log").check);
    EXPECT_EQ(SourceUsable, parsed(L"#C00000 app", false).check);
    EXPECT_EQ(SourceExtraText, parsed(L"app more", false).check);
}
