// Colour rules: the line pattern matcher, its case folding against the
// system's own case mapping and its word characters against the system's
// letters and digits, the rule values, the marks kept for the pane's lines;
// the rules' settings, commands and menu; and the pane as the screen shows
// it, bands included.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "commands/menu.h"
#include "menus.h"
#include "support/plugin_fixture.h"
#include "support/screen_shot.h"
#include "text/case_folding.h"
#include "text/colour_rule.h"
#include "tail/file_reader.h"
#include "tail/tail.h"
#include "text/line_marks.h"
#include "text/word_characters.h"

namespace {

uint32_t lengthOf(const wchar_t* text) { return (uint32_t)wcslen(text); }

bool matches(const wchar_t* pattern, const wchar_t* line, uint32_t options = 0) {
    static LinePattern compiled;
    EXPECT_EQ(PatternUsable, compileLinePattern(pattern, lengthOf(pattern), &compiled, options))
        << pattern;
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

template <size_t N>
static void expectMatches(const MatchCase (&cases)[N], uint32_t options = 0) {
    for (const MatchCase& c : cases) {
        EXPECT_EQ(c.matches, matches(c.pattern, c.line, options)) << c.pattern << " / " << c.line;
    }
}

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
    expectMatches(cases);
}

// Which lines case and whole words pick is fuzzed against a reference; here,
// what a user asks of them.
TEST(LinePattern, CaseAndWholeWords) {
    const MatchCase caseCases[] = {
        {L"ERROR", L"12:01 ERROR disk", true},    {L"ERROR", L"12:01 error disk", false},
        {L"Fehler", L"FEHLER beim Lesen", false}, {L"ΣΟΦΟΣ", L"σοφος", false},
        {L"a?C", L"xabCx", true},                 {L"ошибка", L"ОШИБКА", false},
    };
    expectMatches(caseCases, PatternMatchesCase);
    const MatchCase wordCases[] = {
        {L"WARN", L"WARN: low", true},
        {L"WARN", L"forewarned", false},
        {L"WARN", L"12:01 warn", true},
        {L"error", L"errors: 0, error_count: 0, error2", false},  // letters, digits, underscore
        {L"error", L"no errors, (error) here", true},              // the second one
        {L"Fehler", L"Lesefehler", false},
        {L"Fehler", L"Fehlerhaft", false},
        {L"fehler", L"Ein Fehler.", true},
        {L"ошибка", L"ошибкаБ", false},   // a Cyrillic letter after it
        {L"ошибка", L"ошибка, да", true},
        {L"é", L"café", false},           // a Latin letter before it
        {L"42", L"x٣42", false},          // an Arabic-Indic digit before it
        {L"disk", L"disk full", true},  // a no-break space is none
        {L"time*out", L"timed out", true},
        {L"time*out", L"sometime out", false},
        {L"time*out", L"time outs", false},
        {L"ERR*", L"ERRORS here", true},   // a '*' at an end reaches into the word
        {L"*ROR", L"ERRORS", false},
        {L"*ROR", L"AN_ERROR!", true},
        {L"cat|dog", L"concatenate, dogs, hotdog", false},
        {L"cat|dog", L"hotdog or cat", true},
        {L"a?c", L"abc", true},
        {L"a?c", L"abcd", false},
    };
    expectMatches(wordCases, PatternWholeWords);
    EXPECT_TRUE(matches(L"WARN", L"WARN", PatternMatchesCase | PatternWholeWords));
    EXPECT_FALSE(matches(L"WARN", L"warn", PatternMatchesCase | PatternWholeWords));
}

TEST(LinePattern, PatternsThatMatchEveryLineOrAreTooLongAreRefused) {
    EXPECT_EQ(PatternEmpty, checkOf(L""));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"*"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"ERROR||WARN"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"ERROR|**"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"WARN|"));
    EXPECT_EQ(PatternMatchesEveryLine, checkOf(L"ERROR|?*??"));
    EXPECT_EQ(PatternUsable, checkOf(L"?x"));
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

// Letters and digits as the system knows them, and the low line; but the
// system counts the superscripts two, three and one as digits, which are no
// decimal digits, and not the iota subscript, which folds to a letter.
TEST(WordCharacters, AgreeWithTheSystemOverTheWholePlane) {
    std::vector<unsigned> differ;
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        WCHAR character = (WCHAR)c;
        WORD type = 0;
        GetStringTypeW(CT_CTYPE1, &character, 1, &type);
        bool system = c == '_' || (type & (C1_ALPHA | C1_DIGIT)) != 0;
        if (system != isWordCharacter(c)) differ.push_back(c);
    }
    EXPECT_EQ((std::vector<unsigned>{0x00B2, 0x00B3, 0x00B9, 0x0345}), differ);
    EXPECT_FALSE(isWordCharacter(0x1D400));  // beyond the plane, even a letter
    EXPECT_FALSE(isWordCharacter(0xD800));
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

    const std::pair<std::wstring, RuleCheck> junk[] = {
        {L"", RuleNone}, {L"   ", RuleNone}, {L" None ", RuleNone},
        {L"#12 ERROR", RuleNeedsColour}, {L"ERROR", RuleNeedsColour},
        {L"#12345G ERROR", RuleNeedsColour}, {L"#1234567 ERROR", RuleNeedsColour},
        {L"#123456ERROR", RuleNeedsColour}, {L"#123456", RuleNeedsPattern},
        {L"#123456   ", RuleNeedsPattern}, {L"#123456 ERROR|*", RuleMatchesEveryLine},
        {L"#123456 " + std::wstring(10000, L'x'), RuleTooLong}, {L"#123456/ x", RuleNeedsBand},
        {L"#123456/#12345 x", RuleNeedsBand}, {L"#123456/#1234567 x", RuleNeedsBand},
        {L"#123456/123456 x", RuleNeedsBand}, {L"#12345/#123456 x", RuleNeedsColour},
        {L"/ x", RuleNeedsBand}, {L"#123456 /#654321 x", RuleUsable},  // a pattern "/#654321 x"
        {L"/#123456", RuleNeedsPattern}, {L"#123456/#654321 alert", RuleUsable}};
    for (const auto& value : junk) EXPECT_EQ(value.second, ruleOf(value.first).check) << value.first.size();
    EXPECT_FALSE(lineMatches(ruleOf(L"#123456 x|").pattern, L"x", 1));
    EXPECT_EQ(NoColour, ruleOf(L"#123456/#12 x").colour);  // an unusable rule has no colours
}

struct StyleCase {
    const wchar_t* value;
    uint32_t colour, background;
    bool alert, matchesCase, wholeWords;
    const wchar_t* matching;  // a line the pattern matches
};

TEST(ColourRule, BandsAndWordsInAnyOrder) {
    const uint32_t None = NoColour, Red = RGB(0xC0, 0, 0), Pink = RGB(0xFF, 0xE0, 0xE0);
    const StyleCase cases[] = {
        {L"#C00000/#FFE0E0 ERROR", Red, Pink, false, false, false, L"error"},
        {L"/#ffe0e0 ERROR", None, Pink, false, false, false, L"error"},
        {L"#C00000/#FFE0E0 word CASE alert ERROR", Red, Pink, true, true, true, L"ERROR!"},
        {L"#C00000 Word  ALERT\tERROR", Red, None, true, false, true, L"error"},
        {L"#C00000 case Error", Red, None, false, true, false, L"an Error"},
        {L"#C00000 word case", Red, None, false, false, true, L"Case"},  // alone, the pattern
        {L"#C00000 *case closed", Red, None, false, false, false, L"CASE CLOSED"},
        {L"#C00000 word *word count", Red, None, false, false, true, L"password count"},
        {L"#C00000 cases", Red, None, false, false, false, L"Cases"},
        {L"#C00000 alert alert", Red, None, true, false, false, L"ALERT"},
    };
    for (const StyleCase& c : cases) {
        const ColourRule& rule = ruleOf(c.value);
        SCOPED_TRACE(testing::Message() << c.value);
        ASSERT_EQ(RuleUsable, rule.check);
        EXPECT_EQ(c.colour, rule.colour);
        EXPECT_EQ(c.background, rule.background);
        EXPECT_EQ(c.alert, rule.alert);
        EXPECT_EQ(c.matchesCase, rule.pattern.matchesCase);
        EXPECT_EQ(c.wholeWords, rule.pattern.wholeWords);
        EXPECT_TRUE(lineMatches(rule.pattern, c.matching, lengthOf(c.matching)));
    }
    EXPECT_EQ(Pink, ruleMainColour(ruleOf(L"/#FFE0E0 alert x")));  // what an alert shows
    EXPECT_EQ(Red, ruleMainColour(ruleOf(L"#C00000/#FFE0E0 alert x")));
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

// Which lines marks pick, marked whole and in pieces, is fuzzed against a
// reference; here, the lines that find no room.
TEST(LineMarks, LinesPastTheCapacityStayUnmarked) {
    const ColourRule& rule = ruleOf(L"#C00000 E");
    static LineMarks marks;
    clearLineMarks(&marks);
    std::wstring text;
    for (uint32_t i = 0; i < MarkedLineCapacity + 10; ++i) text += L"E\n";
    markLines(&marks, &rule, 1, text.c_str(), (uint32_t)text.size());
    EXPECT_EQ(MarkedLineCapacity, marks.lineCount);
    EXPECT_EQ(0, markedRule(marks, 2 * (MarkedLineCapacity - 1)));
    EXPECT_EQ(NoRule, markedRule(marks, 2 * MarkedLineCapacity));
    EXPECT_EQ(NoRule, markedRule(marks, (uint32_t)text.size() - 2));
}

// The open line is marked as it stands; a whole-word rule takes its mark
// back when the line goes on, and a later rule may pick it meanwhile.
TEST(LineMarks, TheOpenLineIsMarkedAsItStands) {
    static ColourRule rules[2];
    parseColourRule(L"#C00000 word ERROR", 18, &rules[0]);
    parseColourRule(L"#0000C0 ERR", 11, &rules[1]);
    static LineMarks marks;
    clearLineMarks(&marks);
    auto markedAfter = [&](const wchar_t* piece) {
        markLines(&marks, rules, 2, piece, lengthOf(piece));
        return markedRule(marks, 0);
    };
    EXPECT_EQ(NoRule, markedAfter(L"12:01 ER"));
    EXPECT_EQ(0, markedAfter(L"ROR"));
    EXPECT_EQ(1, markedAfter(L"S"));
    EXPECT_EQ(0, markedAfter(L" ERROR"));
    EXPECT_EQ(0, markedAfter(L"\r"));  // its end confirms it
    EXPECT_EQ(0, markedAfter(L"\nERROR_1"));
    EXPECT_EQ(1, markedRule(marks, marks.length - 1));
}

// ---- In the plugin ------------------------------------------------------------

class HighlightTest : public PluginTest {
protected:
    void startShowing(const std::string& text, const std::string& settings = "") {
        writeFile(watchedPath(), text);
        writeSettings("qvperuser.filePath: " + watchedPath() +
                      "\r\nqvperuser.x: 200\r\nqvperuser.y: 200\r\nqvperuser.width: 320\r\n"
                      "qvperuser.height: 160\r\nqvperuser.fontHeight: 16\r\n"
                      "qvperuser.alwaysontop: true\r\nqvperuser.highlight1: #C00000 ERROR\r\n"
                      "qvperuser.highlight2: #0000C0 WARN\r\n" + settings);
        ASSERT_EQ(0, start());
    }
    void send(const std::string& command) {
        SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)command.c_str());
    }
    // The rule that picked each line of the pane, by its first character.
    static std::vector<int> paneMarks() {
        std::vector<int> marks;
        int lines = (int)SendMessageW(state.paneWnd, EM_GETLINECOUNT, 0, 0);
        for (int line = 0; line < lines; ++line) {
            LRESULT start = SendMessageW(state.paneWnd, EM_LINEINDEX, line, 0);
            marks.push_back(markedRule(state.lineMarks, (uint32_t)start));
        }
        return marks;
    }
};

TEST_F(HighlightTest, DefaultsCommandsMenuAndSavedValues) {
    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\n");
    ASSERT_EQ(0, start());
    EXPECT_TRUE(state.highlight);
    EXPECT_STREQ("#C00000 ERROR|FATAL|CRITICAL|Exception|Traceback", state.highlightRules[0]);
    EXPECT_STREQ("#A05A00 WARN", state.highlightRules[1]);
    EXPECT_STREQ("", state.highlightRules[2]);

    send("@QVPeruserHighlightRule 3 #00A000 alert disk|fehler");
    send("@QVPeruserHighlightRule 2 #A05A00 WARN|");
    send("@QVPeruserHighlightRule 1");  // nothing after the number clears it
    send("@QVPeruserHighlightRule 9 #000000 x");
    send("@QVPeruserHighlightRule 4 #000000 x\r\nqvperuser.x: 1");
    send("@QVPeruserHighlightRule 5 #c00000/#FFE0E0 word Alert case x");
    send("@QVPeruserHighlightRule 6 /#FFE0E0 x");
    send("@QVPeruserHighlightRule 7 #C00000/#FFE0 x");
    send("@QVPeruserHighlightLines");
    EXPECT_STREQ("", state.highlightRules[0]);
    EXPECT_STREQ("#A05A00 WARN|", state.highlightRules[1]);
    EXPECT_STREQ("#00A000 alert disk|fehler", state.highlightRules[2]);
    EXPECT_STREQ("#000000 x", state.highlightRules[3]);
    EXPECT_TRUE(state.colourRules[2].alert);
    EXPECT_FALSE(state.highlight);

    const ShellMenu* menu = findMenu(submenuSerial("Highlight"));
    ASSERT_TRUE(menu);
    std::vector<std::string> titles;
    for (const ShellItem& item : menu->items) titles.push_back(item.title);
    EXPECT_EQ((std::vector<std::string>{"Highlight Lines", "", "Rule 1",
                                        "Rule 2 (off: matches every line)", "Rule 3 (#00A000, alert)",
                                        "Rule 4 (#000000)", "Rule 5 (#C00000 on #FFE0E0, alert, case, word)",
                                        "Rule 6 (on #FFE0E0)", "Rule 7 (off: #RRGGBB after /)", "Rule 8",
                                        "", "Alert Sound", "Alert Quiet (sec)"}),
              titles);
    EXPECT_FALSE(menu->items[0].checked);

    stop();
    EXPECT_EQ("false", storedSetting(settingsPath(), "qvperuser.highlight:"));
    EXPECT_EQ("", storedSetting(settingsPath(), "qvperuser.highlight1:"));
    EXPECT_EQ("#00A000 alert disk|fehler", storedSetting(settingsPath(), "qvperuser.highlight3:"));
}

TEST_F(HighlightTest, LinesAreMarkedAsTextEntersThePane) {
    startShowing("INFO start\r\nERR");
    EXPECT_EQ(std::vector<int>({NoRule, NoRule}), paneMarks());
    appendFile(watchedPath(), "OR disk\r\nWARN low\r\n");
    reloadFileTail();  // shown by an append: the open line is completed
    EXPECT_EQ(std::vector<int>({NoRule, 0, 1, NoRule}), paneMarks());

    // A user's edit is marked anew; so is the text after new rules.
    SendMessageW(state.paneWnd, EM_SETSEL, 0, 0);
    SendMessageW(state.paneWnd, WM_CHAR, 'W', 0);
    SendMessageW(state.paneWnd, WM_CHAR, 'A', 0);
    SendMessageW(state.paneWnd, WM_CHAR, 'R', 0);
    SendMessageW(state.paneWnd, WM_CHAR, 'N', 0);
    EXPECT_EQ(std::vector<int>({1, 0, 1, NoRule}), paneMarks());
    send("@QVPeruserHighlightRule 2 #0000C0 start|low");
    EXPECT_EQ(std::vector<int>({1, 0, 1, NoRule}), paneMarks());
    send("@QVPeruserHighlightRule 1 #C00000 nothing here");
    EXPECT_EQ(std::vector<int>({1, NoRule, 1, NoRule}), paneMarks());

    // Settings read again apply their rules at once.
    writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.highlight2: #0000C0 disk\r\n");
    send("@QVPeruserReloadSettings");
    EXPECT_EQ(std::vector<int>({NoRule, 0, NoRule, NoRule}), paneMarks());
}

// Appends let the pane hold more than one window's text; read back for new
// rules, all of it is marked.
TEST_F(HighlightTest, ThePanesWholeTextIsMarkedAnew) {
    startShowing("");
    std::wstring text;
    for (int i = 0; i < 20000; ++i) text += L"line\r\n";
    text += L"the end";
    SetWindowTextW(state.paneWnd, text.c_str());
    send("@QVPeruserHighlightRule 1 #C00000 end");
    EXPECT_EQ(0, markedRule(state.lineMarks, (uint32_t)text.size() - 1));
}

// ---- On the screen ----------------------------------------------------------------

Shot shootPane() { return shootClient(state.paneWnd); }

const COLORREF Red = RGB(0xC0, 0, 0);
const COLORREF Blue = RGB(0, 0, 0xC0);
const COLORREF Black = RGB(0, 0, 0);
const COLORREF Pink = RGB(0xFF, 0xE0, 0xE0);
const COLORREF PaleBlue = RGB(0xE0, 0xE0, 0xFF);

bool isBackground(COLORREF pixel) { return pixel == White || pixel == Pink || pixel == PaleBlue; }

// Pixels that are glyph in one shot and background in the other.
int maskDifference(const Shot& a, const Shot& b) {
    int differ = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        if (isBackground(a.pixels[i]) != isBackground(b.pixels[i])) ++differ;
    }
    return differ + abs((int)a.pixels.size() - (int)b.pixels.size());
}

class PaneColoursTest : public HighlightTest {
protected:
    // The same view with the rules switched off, then on again.
    Shot shotWithoutRules() {
        send("@QVPeruserHighlightLines");
        Shot plain = shootPane();
        send("@QVPeruserHighlightLines");
        return plain;
    }
    void SetUp() override {
        HighlightTest::SetUp();
        startShowing("plain\tone\r\nERROR\tdisk gone\r\nWARN low\r\n"
                     "ERROR and a line too long for the pane to show it whole\r\nlast");
        SetFocus(NULL);  // no caret blinking in what is compared
        pumpMessages(50);
    }
};

TEST_F(PaneColoursTest, GlyphsOfMatchingLinesInTheRuleColourWhereTheControlPutsThem) {
    Shot shot = shootPane();
    EXPECT_TRUE(inkIs(shot, rowOfLine(0), Black));
    EXPECT_TRUE(inkIs(shot, rowOfLine(1), Red));
    EXPECT_TRUE(inkIs(shot, rowOfLine(2), Blue));
    EXPECT_TRUE(inkIs(shot, rowOfLine(3), Red));
    EXPECT_TRUE(inkIs(shot, rowOfLine(4), Black));
    Shot plain = shotWithoutRules();
    EXPECT_TRUE(inkIs(plain, rowOfLine(1), Black));
    EXPECT_EQ(0, maskDifference(shot, plain));  // with a tab

    SendMessageW(state.paneWnd, EM_LINESCROLL, 12, 0);
    shot = shootPane();
    EXPECT_TRUE(inkIs(shot, rowOfLine(3), Red));
    EXPECT_EQ(0, maskDifference(shot, shotWithoutRules()));  // scrolled sideways

    send("@QVPeruserWordWrap");
    SetFocus(NULL);
    shot = shootPane();
    int wrappedRows = (int)SendMessageW(state.paneWnd, EM_GETLINECOUNT, 0, 0) - 5;
    ASSERT_GE(wrappedRows, 1);
    for (int row = 3; row <= 3 + wrappedRows; ++row) EXPECT_TRUE(inkIs(shot, rowOfLine(row), Red));
    EXPECT_TRUE(inkIs(shot, rowOfLine(4 + wrappedRows), Black));
    EXPECT_EQ(0, maskDifference(shot, shotWithoutRules()));  // wrapped
}

// A band: its whole line, wrapped or scrolled sideways, on the rule's
// background from edge to edge; the glyphs where the control puts them.
TEST_F(PaneColoursTest, BandsLieBehindEveryRowOfTheirLinesAcrossThePane) {
    send("@QVPeruserHighlightRule 1 #C00000/#FFE0E0 ERROR");
    send("@QVPeruserHighlightRule 2 /#E0E0FF WARN");  // its text in the font's colour
    Shot shot = shootPane();
    EXPECT_TRUE(inkIs(shot, rowOfLine(0), Black));
    EXPECT_TRUE(inkIs(shot, rowOfLine(1), Red, Pink));
    EXPECT_TRUE(inkIs(shot, rowOfLine(2), Black, PaleBlue));
    EXPECT_TRUE(inkIs(shot, rowOfLine(3), Red, Pink));
    EXPECT_TRUE(inkIs(shot, rowOfLine(4), Black));
    EXPECT_EQ(White, shot.at(shot.width - 1, shot.height - 1));  // no line, no band
    EXPECT_EQ(0, maskDifference(shot, shotWithoutRules()));

    SendMessageW(state.paneWnd, EM_LINESCROLL, 12, 0);
    shot = shootPane();
    EXPECT_TRUE(inkIs(shot, rowOfLine(3), Red, Pink));
    EXPECT_EQ(Pink, shot.at(0, rowOfLine(3).top));
    EXPECT_EQ(0, maskDifference(shot, shotWithoutRules()));

    send("@QVPeruserWordWrap");
    SetFocus(NULL);
    shot = shootPane();
    int wrappedRows = (int)SendMessageW(state.paneWnd, EM_GETLINECOUNT, 0, 0) - 5;
    ASSERT_GE(wrappedRows, 1);
    for (int row = 3; row <= 3 + wrappedRows; ++row) EXPECT_TRUE(inkIs(shot, rowOfLine(row), Red, Pink));
    EXPECT_TRUE(inkIs(shot, rowOfLine(4 + wrappedRows), Black));
    EXPECT_EQ(0, maskDifference(shot, shotWithoutRules()));
}

// The selected text looks as without rules; the rest of its row, the margin
// before it included, keeps the rule's colours, band or none.
TEST_F(PaneColoursTest, ASelectedMatchingLineShowsTheSelectionAsTheControlDrawsIt) {
    for (COLORREF back : {White, Pink}) {
        SCOPED_TRACE(back == White ? "no band" : "a band");
        if (back == Pink) send("@QVPeruserHighlightRule 1 #C00000/#FFE0E0 ERROR");
        SetFocus(state.paneWnd);
        int line = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, 1, 0);
        SendMessageW(state.paneWnd, EM_SETSEL, line, line + 5);  // "ERROR"
        HideCaret(state.paneWnd);
        Shot shot = shootPane();
        Shot plain = shotWithoutRules();
        RECT row = rowOfLine(1);
        int selectionStart = (short)LOWORD(SendMessageW(state.paneWnd, EM_POSFROMCHAR, line, 0));
        int selectionEnd = (short)LOWORD(SendMessageW(state.paneWnd, EM_POSFROMCHAR, line + 5, 0));
        int highlighted = 0, differ = 0, margin = 0;
        for (int y = row.top; y < row.bottom; ++y) {
            for (int x = 0; x < selectionEnd; ++x) {
                if (x < selectionStart) {
                    margin += shot.at(x, y) == back;
                    continue;
                }
                if (shot.at(x, y) == GetSysColor(COLOR_HIGHLIGHT)) ++highlighted;
                if (shot.at(x, y) != plain.at(x, y)) ++differ;
            }
        }
        EXPECT_GT(highlighted, (selectionEnd - selectionStart) * state.paneLineHeight / 3);
        EXPECT_EQ(0, differ);
        EXPECT_EQ(selectionStart * state.paneLineHeight, margin);
        row.left = selectionEnd;
        EXPECT_TRUE(inkIs(shot, row, Red, back));
    }
}

// Windows' control draws typed text and selections at once, outside its
// paint; Wine's does not. A stand-in for its procedure does so here: it asks
// the viewer for its colours, as Windows' control does, and covers its whole
// client area in black. The rows of a rule are cut out of its drawing, and
// painted again in their colour once it returns.
WNDPROC controlProcedure;
Shot seenWhileDrawing;
const UINT DrawAtOnce = WM_APP + 7;

LRESULT CALLBACK drawingAtOnce(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != DrawAtOnce) return CallWindowProcW(controlProcedure, window, message, wParam, lParam);
    HDC dc = GetDC(window);
    SendMessageW(GetParent(window), WM_CTLCOLOREDIT, (WPARAM)dc, (LPARAM)window);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(window, dc);
    seenWhileDrawing = shootPane();
    return 0;
}

TEST_F(PaneColoursTest, RowsOfARuleAreNeverDrawnInTheFontColourOutsideAPaint) {
    controlProcedure = state.oldPaneProc;
    state.oldPaneProc = drawingAtOnce;
    SendMessageW(state.paneWnd, DrawAtOnce, 0, 0);
    state.oldPaneProc = controlProcedure;
    EXPECT_TRUE(inkIs(seenWhileDrawing, rowOfLine(1), Red));
    EXPECT_TRUE(inkIs(seenWhileDrawing, rowOfLine(2), Blue));
    EXPECT_EQ(Black, seenWhileDrawing.at(2, rowOfLine(0).top + 2));
    Shot after = shootPane();
    EXPECT_TRUE(inkIs(after, rowOfLine(1), Red));
    EXPECT_EQ(Black, after.at(2, rowOfLine(4).top + 2));
}

// Each of the control's passes of an off-screen paint finds the screen as it
// was: nothing shows until the one copy.
std::vector<Shot> seenAtPasses;

LRESULT CALLBACK watchingPasses(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PRINTCLIENT) seenAtPasses.push_back(shootPane());
    return CallWindowProcW(controlProcedure, window, message, wParam, lParam);
}

TEST_F(PaneColoursTest, APaintShowsOnlyItsFinishedImage) {
    Shot before = shootPane();
    controlProcedure = state.oldPaneProc;
    state.oldPaneProc = watchingPasses;
    seenAtPasses.clear();
    send("@QVPeruserHighlightRule 1 #00A000 ERROR");  // drawn again at once
    state.oldPaneProc = controlProcedure;
    ASSERT_EQ(3u, seenAtPasses.size());  // the plain rows, then the two rules
    for (const Shot& seen : seenAtPasses) EXPECT_EQ(before.pixels, seen.pixels);
    EXPECT_TRUE(inkIs(shootPane(), rowOfLine(1), RGB(0, 0xA0, 0)));
}

// A stack trace under an ERROR line: every row of the entry, wrapped rows
// and the band included, in the rule's colours; the lines around it plain,
// and with multi-line entries off, the trace too.
TEST_F(HighlightTest, EveryRowOfAnEntryTakesItsRule) {
    const std::string head = "2026-12-08 10:00:00 INFO start\r\n2026-12-08 10:00:01 ERROR request failed\r\n";
    const std::string trace = "java.lang.IllegalStateException: the pool is closed for good\r\n"
                              "\tat com.example.Pool.take(Pool.java:12)\r\n";
    startShowing(head + trace + "2026-12-08 10:00:02 INFO next",
                 "qvperuser.wordWrap: true\r\n");
    send("@QVPeruserHighlightRule 1 #C00000/#FFE0E0 ERROR");
    send("@QVPeruserHeightSize 400");
    SetFocus(NULL);
    pumpMessages(50);
    auto rowOfIndex = [](size_t index) { return (int)SendMessageW(state.paneWnd, EM_LINEFROMCHAR, index, 0); };
    int headRow = rowOfIndex(head.find("2026-12-08 10:00:01"));
    int nextRow = rowOfIndex(head.size() + trace.size());
    int rows = (int)SendMessageW(state.paneWnd, EM_GETLINECOUNT, 0, 0);
    ASSERT_GT(nextRow - headRow, 3);  // the exception wrapped
    Shot shot = shootPane();
    ASSERT_LE(rowOfLine(rows - 1).bottom, shot.height);
    ASSERT_GE(rowOfLine(0).top, 0);
    for (int row = 0; row < rows; ++row) {
        bool inEntry = row >= headRow && row < nextRow;
        EXPECT_TRUE(inEntry ? inkIs(shot, rowOfLine(row), Red, Pink) : inkIs(shot, rowOfLine(row), Black))
            << "row " << row;
    }

    send("@QVPeruserMultiLine");
    ASSERT_TRUE(pumpUntil([] { return !fileReaderBusy(0); }));
    pumpMessages(50);  // shown again and painted, however slow the machine
    shot = shootPane();
    EXPECT_TRUE(inkIs(shot, rowOfLine(headRow), Red, Pink));
    EXPECT_TRUE(inkIs(shot, rowOfLine(nextRow - 1), Black));  // the frame, on its own
}
}  // namespace

// The control scrolls the rows between its margins only; the margins beside
// them show the bands of the rows now there, as a paint of the whole pane.
TEST_F(HighlightTest, AfterAWheelNotchTheMarginsShowTheBandsOfTheRowsBesideThem) {
    std::string text;
    for (int i = 0; i < 40; ++i) text += (i % 4 == 0 ? "ERROR " : "INFO ") + std::to_string(i) + "\r\n";
    startShowing(text);
    send("@QVPeruserHighlightRule 1 #C00000/#FFE0E0 ERROR");
    SetFocus(NULL);
    SendMessageW(state.paneWnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(4, 4));
    pumpMessages(50);  // painted whole first
    SendMessageW(state.paneWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    pumpMessages(50);
    Shot wheeled = shootPane();
    InvalidateRect(state.paneWnd, NULL, TRUE);
    pumpMessages(50);
    Shot whole = shootPane();
    int bandPixels = 0;
    for (int y = 0; y < whole.height; ++y) {
        bandPixels += whole.at(whole.width - 1, y) == Pink;
        ASSERT_EQ(whole.at(0, y), wheeled.at(0, y)) << "left margin, y " << y;
        ASSERT_EQ(whole.at(whole.width - 1, y), wheeled.at(whole.width - 1, y)) << "right margin, y " << y;
    }
    EXPECT_GT(bandPixels, state.paneLineHeight * 2);
}
