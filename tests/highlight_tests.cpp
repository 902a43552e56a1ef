// Colour rules: the line pattern matcher, its case folding against the
// system's own case mapping, the rule values, and the marks kept for the
// pane's lines.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tail/case_folding.h"
#include "tail/colour_rule.h"
#include "tail/tail.h"
#include "viewer/line_marks.h"

namespace {

uint32_t lengthOf(const wchar_t* text) { return (uint32_t)wcslen(text); }

bool matches(const wchar_t* pattern, const wchar_t* line) {
    static LinePattern compiled;
    EXPECT_EQ(PatternUsable, compileLinePattern(pattern, lengthOf(pattern), &compiled)) << pattern;
    return lineMatches(compiled, line, lengthOf(line));
}

PatternCheck checkOf(const std::wstring& pattern) {
    static LinePattern compiled;
    return compileLinePattern(pattern.c_str(), (uint32_t)pattern.size(), &compiled);
}

const ColourRule& ruleOf(const std::wstring& value) {
    static ColourRule rule;
    parseColourRule(value.c_str(), (uint32_t)value.size(), &rule);
    return rule;
}

struct MatchCase {
    const wchar_t* pattern;
    const wchar_t* line;
    bool matches;
};

TEST(LinePattern, AlternativesWildcardsAndCaseBeyondAscii) {
    const MatchCase cases[] = {
        {L"ERROR|FATAL|Exception", L"12:01 fatal: disk gone", true},
        {L"ERROR|FATAL|Exception", L"12:01 all fine", false},
        {L"time*out", L"request timed out", true},
        {L"time*out", L"out of time", false},
        {L"a?c", L"xabcx", true},
        {L"a?c", L"ac", false},
        {L"a?c", L"a\U0001F600c", true},  // a surrogate pair is one character
        {L"a??c", L"a\U0001F600c", false},
        {L"*a*a*a*a*b", L"aaaaaaaab", true},
        {L"*a*a*a*a*b", L"aaaaaaaaa", false},
        {L"Fehler", L"FEHLER beim Lesen", true},
        {L"ошибка", L"ОШИБКА чтения", true},
        {L"ΣΟΦΟΣ", L"ο σοφος", true},  // the final sigma folds as sigma
        {L"エラー", L"致命的なエラーです", true},
        {L"ＡＢＣ", L"ａｂｃ", true},
        {L"Ⴀ", L"ⴀ", true},
        {L"ẞ", L"ß", true},
        {L"strasse", L"STRAßE", false},  // simple folding: one character stays one
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(c.matches, matches(c.pattern, c.line)) << c.pattern << " / " << c.line;
    }
}

TEST(LinePattern, PatternsThatMatchEveryLineOrAreTooLongAreRefused) {
    EXPECT_EQ(PatternEmpty, checkOf(L""));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"*"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"ERROR||WARN"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"ERROR|**"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"WARN|"));
    EXPECT_EQ(PatternUsable, checkOf(L"?"));
    EXPECT_EQ(PatternUsable, checkOf(std::wstring(LinePatternCapacity, L'x')));
    EXPECT_EQ(PatternTooLong, checkOf(std::wstring(LinePatternCapacity + 1, L'x')));
    // A refused pattern matches nothing.
    static LinePattern refused;
    compileLinePattern(L"x|*", 3, &refused);
    EXPECT_FALSE(lineMatches(refused, L"x", 1));
}

// Every pair of cases the system knows, folded alike; and the characters that
// only simple case folding relates, none of which the system maps: the micro
// sign, long s, titlecase digraphs, Greek and Cyrillic letter variants, the
// final sigma, capital sharp s, ohm, kelvin and angstrom signs.
TEST(CaseFolding, AgreesWithTheSystemOverTheWholePlane) {
    std::vector<unsigned> missing, extra;
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        WCHAR lower[1] = {(WCHAR)c}, upper[1] = {(WCHAR)c}, mapped[2] = {};
        CharLowerBuffW(lower, 1);
        CharUpperBuffW(upper, 1);
        LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, lower, 1, mapped, 2);
        uint32_t folded = foldCase(c);
        if (folded != foldCase(lower[0]) || folded != foldCase(upper[0]) ||
            folded != foldCase(mapped[0])) {
            missing.push_back(c);
        }
        WCHAR foldedLower[1] = {(WCHAR)folded};
        CharLowerBuffW(foldedLower, 1);
        if (folded != c && lower[0] == c && upper[0] == c && foldedLower[0] != c) extra.push_back(c);
    }
    EXPECT_EQ(std::vector<unsigned>(), missing);
    std::vector<unsigned> onlyFolded = {0x00B5, 0x017F, 0x01C5, 0x01C8, 0x01CB, 0x01F2, 0x0345,
                                        0x03C2, 0x03D0, 0x03D1, 0x03D5, 0x03D6, 0x03F0, 0x03F1,
                                        0x03F4, 0x03F5, 0x1E9B, 0x1E9E, 0x1FBE, 0x2126, 0x212A,
                                        0x212B};
    for (unsigned c = 0x1C80; c <= 0x1C88; ++c) onlyFolded.push_back(c);
    std::sort(onlyFolded.begin(), onlyFolded.end());
    EXPECT_EQ(onlyFolded, extra);
}

TEST(ColourRule, ValuesAndJunk) {
    const ColourRule& usual = ruleOf(L"#C00000 ERROR|FATAL");
    EXPECT_EQ(RuleUsable, usual.check);
    EXPECT_EQ(RGB(0xC0, 0x00, 0x00), usual.colour);
    EXPECT_FALSE(usual.alert);
    EXPECT_TRUE(lineMatches(usual.pattern, L"a fatal one", 11));

    const ColourRule& alert = ruleOf(L"  #0a0B0c  ALERT  disk  full ");
    EXPECT_EQ(RuleUsable, alert.check);
    EXPECT_EQ(RGB(0x0A, 0x0B, 0x0C), alert.colour);
    EXPECT_TRUE(alert.alert);
    EXPECT_TRUE(lineMatches(alert.pattern, L"DISK  FULL", 10));  // blanks within it count
    EXPECT_FALSE(lineMatches(alert.pattern, L"disk full", 9));

    // Alone, the word is the pattern.
    const ColourRule& word = ruleOf(L"#A05A00 alert");
    EXPECT_EQ(RuleUsable, word.check);
    EXPECT_FALSE(word.alert);
    EXPECT_TRUE(lineMatches(word.pattern, L"red alert", 9));

    EXPECT_EQ(RuleNone, ruleOf(L"").check);
    EXPECT_EQ(RuleNone, ruleOf(L"   ").check);
    EXPECT_EQ(RuleNone, ruleOf(L" None ").check);
    EXPECT_EQ(RuleNeedsColour, ruleOf(L"#12 ERROR").check);
    EXPECT_EQ(RuleNeedsColour, ruleOf(L"ERROR").check);
    EXPECT_EQ(RuleNeedsColour, ruleOf(L"#12345G ERROR").check);
    EXPECT_EQ(RuleNeedsColour, ruleOf(L"#1234567 ERROR").check);
    EXPECT_EQ(RuleNeedsColour, ruleOf(L"#123456ERROR").check);
    EXPECT_EQ(RuleNeedsPattern, ruleOf(L"#123456").check);
    EXPECT_EQ(RuleNeedsPattern, ruleOf(L"#123456   ").check);
    EXPECT_EQ(RuleMatchesEveryLine, ruleOf(L"#123456 ERROR|*").check);
    EXPECT_EQ(RuleTooLong, ruleOf(L"#123456 " + std::wstring(10000, L'x')).check);
    EXPECT_FALSE(lineMatches(ruleOf(L"#123456 x|").pattern, L"x", 1));
}

TEST(SettingText, Utf8WhenValidElseTheAnsiCodePage) {
    WideChar wide[16];
    EXPECT_EQ(4u, settingTextToWide("caf\xC3\xA9", wide, 16, systemCodePages));
    EXPECT_EQ(std::wstring(L"caf\u00E9"), wide);
    // The prefix's ANSI code page is 1252.
    EXPECT_EQ(4u, settingTextToWide("caf\xE9", wide, 16, systemCodePages));
    EXPECT_EQ(std::wstring(L"caf\u00E9"), wide);
    // Cut to the buffer, a character cut at the end left out.
    EXPECT_EQ(3u, settingTextToWide("abcdef", wide, 4, systemCodePages));
    EXPECT_EQ(std::wstring(L"abc"), wide);
    EXPECT_EQ(1u, settingTextToWide("a\xC3\xA9", wide, 3, systemCodePages));
    EXPECT_EQ(std::wstring(L"a"), wide);
}

struct Rules {
    ColourRule rules[ColourRuleCount];
    explicit Rules(std::vector<std::wstring> values) {
        values.resize(ColourRuleCount);
        for (uint32_t r = 0; r < ColourRuleCount; ++r) {
            parseColourRule(values[r].c_str(), (uint32_t)values[r].size(), &rules[r]);
        }
    }
};

std::vector<int> marksOfLines(const LineMarks& marks) {
    std::vector<int> rules;
    for (uint32_t line = 0; line < marks.lineCount; ++line) {
        rules.push_back(markedRule(marks, marks.lineStart[line]));
    }
    return rules;
}

TEST(LineMarks, FirstRuleWinsAndAppendsCompleteTheOpenLine) {
    static Rules rules({L"#C00000 ERROR", L"#A05A00 WARN|disk", L"none"});
    static LineMarks marks;
    clearLineMarks(&marks);
    const std::wstring first = L"INFO ok\r\nWARN disk ERR";
    const std::wstring second = L"OR\r";  // completes an ERROR line; its LF comes next
    const std::wstring third = L"\nplain\nwarn\rx";
    markLines(&marks, rules.rules, ColourRuleCount, first.c_str(), (uint32_t)first.size());
    EXPECT_EQ(std::vector<int>({NoRule, 1}), marksOfLines(marks));
    markLines(&marks, rules.rules, ColourRuleCount, second.c_str(), (uint32_t)second.size());
    markLines(&marks, rules.rules, ColourRuleCount, third.c_str(), (uint32_t)third.size());
    EXPECT_EQ(std::vector<int>({NoRule, 0, NoRule, 1, NoRule}), marksOfLines(marks));
    EXPECT_EQ(std::vector<uint32_t>({0, 9, 26, 32, 37}),
              std::vector<uint32_t>(marks.lineStart, marks.lineStart + marks.lineCount));
    EXPECT_EQ(0, markedRule(marks, 25));  // the CR LF ends the line before it
}

TEST(LineMarks, LinesPastTheCapacityStayUnmarked) {
    static Rules rules({L"#C00000 E"});
    static LineMarks marks;
    clearLineMarks(&marks);
    std::wstring text;
    for (uint32_t i = 0; i < MarkedLineCapacity + 10; ++i) text += L"E\n";
    markLines(&marks, rules.rules, ColourRuleCount, text.c_str(), (uint32_t)text.size());
    EXPECT_EQ(MarkedLineCapacity, marks.lineCount);
    EXPECT_EQ(0, markedRule(marks, 2 * (MarkedLineCapacity - 1)));
    EXPECT_EQ(NoRule, markedRule(marks, 2 * MarkedLineCapacity));
    EXPECT_EQ(NoRule, markedRule(marks, (uint32_t)text.size() - 2));
}

}  // namespace
