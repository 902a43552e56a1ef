#include <windows.h>

#include <string>

#include "text/line_marks.h"
#include "text/line_time.h"
#include "text/source_value.h"
#include "menus.h"
#include "support/import_hook.h"
#include "support/plugin_fixture.h"
#include "support/screen_shot.h"
#include "tail/file_reader.h"
#include "tail/source_memory.h"
#include "viewer/pane_colours.h"
#include "tail/tail.h"

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
    EXPECT_EQ(SourceNeedsPath, parsed(L"#00FF00 web").check);
    EXPECT_EQ(SourceNeedsPath, parsed(L"#00FF00").check);
    EXPECT_EQ(SourceUsable, parsed(L"twelve_chars x.log").check);
    EXPECT_EQ(SourceUsable, parsed(L"#C00000 app", false).check);
    EXPECT_EQ(SourceNeedsLabel, parsed(L"#C00000", false).check) << "the file's name is the label";

    // What describes the look never stops the source: a part that does not
    // read is not used, the file's name standing in for a label, and the
    // path is read behind it.
    struct Look {
        const wchar_t* value;
        SourceCheck check;
        const wchar_t* label;
        bool coloured;
    } looks[] = {{L"#00FF web x.log", SourceBadColour, L"web", false},
                 {L"thirteenchars x.log", SourceLabelTooLong, L"", false},
                 {L"#00FF00 [web] x.log", SourceBadLabel, L"", true},
                 {L"#GG0000 stale=x thirteenchars x.log", SourceBadColour, L"", false},
                 {L"stale=12345678 web x.log", SourceBadStale, L"web", false}};
    for (const Look& look : looks) {
        SourceValue value = parsed(look.value);
        EXPECT_EQ(look.check, value.check) << look.value;
        EXPECT_TRUE(sourceShown(value.check)) << look.value;
        EXPECT_EQ(std::wstring(look.label), (const wchar_t*)value.label) << look.value;
        EXPECT_EQ(look.coloured, value.coloured) << look.value;
        EXPECT_EQ(L"x.log", std::wstring(look.value).substr(value.pathStart)) << look.value;
        EXPECT_NE(nullptr, sourceCheckWords(value.check));
    }
    SourceValue blank = parsed(L"my app", false);
    EXPECT_EQ(SourceExtraText, blank.check);
    EXPECT_STREQ("label not used: blank in it", sourceCheckWords(blank.check));
    EXPECT_EQ(0, blank.label[0]) << "the file's name stands in";

    // stale=MIN before the label, for the first source too: its own stale time.
    SourceValue stale = parsed(L"#A000A0 STALE=1440 db C:\\logs\\db.log");
    EXPECT_EQ(SourceUsable, stale.check);
    EXPECT_EQ(1440u, stale.staleAfter);
    EXPECT_EQ(std::wstring(L"db"), (const wchar_t*)stale.label);
    EXPECT_EQ(0u, parsed(L"stale=0", false).staleAfter);
    EXPECT_EQ(SourceNeedsLabel, parsed(L"stale=0", false).check);
    EXPECT_EQ(NoStaleTime, parsed(L"web x.log").staleAfter);
}

// ---- Several sources in the pane ----

class SourcesTest : public PluginTest {
protected:
    std::string web() const { return dataFolder + "web.log"; }
    std::string db() const { return dataFolder + "db.log"; }
    void startWithTwo(const std::string& more = "", const std::string& label = "web") {
        writeSettings("qvperuser.filePath: " + web() + "\r\nqvperuser.label: " + label + "\r\n"
                      "qvperuser.source2: #0000C0 db " + db() + "\r\nqvperuser.readBufferSize: 4096\r\n" + more);
        ASSERT_EQ(0, start());
    }
};

static std::string at(int second, const std::string& text) {
    return "2026-12-08 10:00:0" + std::to_string(second) + " " + text + "\r\n";
}

TEST_F(SourcesTest, LinesOfTwoSourcesAreMergedByTimeAndLabelled) {
    writeFile(web(), at(1, "web one") + at(3, "web two"));
    writeFile(db(), at(2, "db one") + "  continued\r\n" + at(4, "db two") + "half a line");
    startWithTwo();
    EXPECT_EQ("[web] " + at(1, "web one") + "[db] " + at(2, "db one") + "[db]   continued\r\n" +
                  "[web] " + at(3, "web two") + "[db] " + at(4, "db two"),
              paneText()) << "an unfinished line waits for its end";

    // Lines that arrive later follow in the order they come, whatever their time.
    appendFile(db(), " now whole\r\n");
    look();
    appendFile(web(), at(0, "web late"));
    look();
    std::string shown = paneText();
    EXPECT_EQ("[db] half a line now whole\r\n[web] " + at(0, "web late"),
              shown.substr(shown.size() - 28 - at(0, "web late").size() - 6));

    // Built anew (here by a new line setting), the last lines of the timeline;
    // a line without a time takes the time of the line before it, even where
    // that line was not read for the pane: "continued" goes with "db one".
    send("@QVPeruserLines 3");
    EXPECT_EQ("[web] " + at(0, "web late") + "[db] " + at(4, "db two") + "[db] half a line now whole\r\n",
              paneText());
    // A filter judges the line without its label, and by its entry: the
    // line without a time goes with the timed line above it.
    send("@QVPeruserLines 0");
    send("@QVPeruserFilterShow two|web");
    EXPECT_EQ("[web] " + at(1, "web one") + "[web] " + at(3, "web two") + "[web] " + at(0, "web late") +
                  "[db] " + at(4, "db two") + "[db] half a line now whole\r\n",
              paneText());

    // One source again: no labels, as before there were several.
    send("@QVPeruserFilterShow");
    send("@QVPeruserSource 2");
    EXPECT_EQ(readFile(web()), paneText());
}

// A trace that arrives after another source's line still follows the line
// that logged it, and takes its rule.
TEST_F(SourcesTest, AnEntrysLinesStayTogetherWhenTheyArriveLater) {
    writeFile(web(), at(1, "web one"));
    writeFile(db(), at(2, "db ERROR query failed"));
    startWithTwo();
    appendFile(web(), at(3, "web two"));
    look();
    appendFile(db(), "\tat com.example.Db.query()\r\n");
    look();
    std::string shown = paneText();
    std::string entry = "[db] " + at(2, "db ERROR query failed") + "[db] \tat com.example.Db.query()\r\n";
    EXPECT_NE(std::string::npos, shown.find(entry)) << shown;
    size_t trace = shown.find("\tat com.example");
    ASSERT_NE(std::string::npos, trace);
    EXPECT_EQ(0, markedRule(state.lineMarks, (uint32_t)trace));
}

// Collapsed, a line repeats only the row above it from its own source, at a
// build and as lines arrive.
TEST_F(SourcesTest, ARepeatIsCountedOnlyUnderARowOfItsOwnSource) {
    writeFile(web(), at(1, "refused") + at(2, "refused") + at(4, "refused"));
    writeFile(db(), at(3, "refused"));
    startWithTwo("qvperuser.collapseRepeats: true\r\n");
    const std::wstring twice = L"[web] 2026-12-08 10:00:01 refused \u00D72, last 10:00:02\r\n";
    const std::wstring db = L"[db] 2026-12-08 10:00:03 refused\r\n";
    EXPECT_EQ(twice + db + L"[web] 2026-12-08 10:00:04 refused\r\n", paneWideText());
    appendFile(web(), at(5, "refused"));
    look();
    EXPECT_EQ(twice + db + L"[web] 2026-12-08 10:00:04 refused \u00D72, last 10:00:05\r\n", paneWideText());
}

// A file's last write, as the system keeps it: local 10:00:0N of the test's day.
static void setWriteTime(const std::string& path, int second) {
    SYSTEMTIME local = {2026, 12, 2, 8, 10, 0, (WORD)second, 0}, utc;
    TzSpecificLocalTimeToSystemTime(NULL, &local, &utc);
    FILETIME time;
    SystemTimeToFileTime(&utc, &time);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, 0, NULL);
    SetFileTime(file, NULL, NULL, &time);
    CloseHandle(file);
}

TEST_F(SourcesTest, ASourceWithoutTimesOrFileIsOneAmongTheOthers) {
    writeFile(web(), at(1, "web one") + at(5, "web two"));
    writeFile(db(), "checkpoint\r\nvacuum\r\n");  // no times: written when its file was
    setWriteTime(db(), 3);
    startWithTwo("qvperuser.highlight1: #C00000 alert ERROR\r\nqvperuser.edgeSize: 6\r\n"
                 "qvperuser.highlight2: #00A000 alert [web]|[db]\r\n");
    EXPECT_EQ("[web] " + at(1, "web one") + "[db] checkpoint\r\n[db] vacuum\r\n[web] " + at(5, "web two"),
              paneText());
    COLORREF styled = shootWindow(state.viewerWnd).at(2, 2);
    // Rules read a line without its label.
    appendFile(db(), "vacuum again\r\n");
    look();
    EXPECT_EQ(styled, shootWindow(state.viewerWnd).at(2, 2));

    // The second source alerts for its new lines, as the first does.
    appendFile(db(), "ERROR lock timeout\r\n");
    look();
    EXPECT_EQ(RGB(0xC0, 0, 0), shootWindow(state.viewerWnd).at(2, 2));
    send("@QVPeruserAcknowledge");

    // Rotated: its new file's lines are new; gone: one line says so, and the other goes on.
    ASSERT_TRUE(MoveFileA(db().c_str(), (db() + ".1").c_str()));
    writeFile(db(), "fresh\r\n");
    look();
    EXPECT_NE(std::string::npos, paneText().find("[db] fresh\r\n")) << paneText();
    removeFile(db());
    look();
    appendFile(web(), at(6, "web three"));
    look();
    std::string shown = paneText();
    EXPECT_NE(std::string::npos, shown.find("[db] Cannot open the file: ")) << shown;
    EXPECT_NE(std::string::npos, shown.find(db() + "\r\n")) << shown;
    EXPECT_EQ("[web] " + at(6, "web three"), shown.substr(shown.size() - 6 - at(6, "web three").size()));
    EXPECT_EQ(styled, shootWindow(state.viewerWnd).at(2, 2));
    removeFile(db() + ".1");
}

// Each line's label in its source's colour, the line's own text in the font's
// or its rule's; a label on a rule's band lies on the band.
TEST_F(SourcesTest, LabelsAreDrawnInTheirSourcesColours) {
    const COLORREF Purple = RGB(0xC0, 0, 0xC0), Blue = RGB(0, 0, 0xC0), Red = RGB(0xC0, 0, 0);
    const COLORREF Pink = RGB(0xFF, 0xE0, 0xE0);
    writeFile(web(), at(1, "web one") + at(3, "ERROR web two"));
    writeFile(db(), at(2, "db one"));
    startWithTwo("qvperuser.highlight1: #C00000/#FFE0E0 ERROR\r\n"
                 "qvperuser.fontHeight: 16\r\nqvperuser.width: 500\r\nqvperuser.height: 120\r\n",
                 "#C000C0 web");
    Shot shot = shootClient(state.paneWnd);
    struct Row {
        int line;
        const char* label;
        COLORREF labelInk, textInk, back;
    } rows[] = {{0, "[web]", Purple, RGB(0, 0, 0), White},
                {1, "[db]", Blue, RGB(0, 0, 0), White},
                {2, "[web]", Purple, Red, Pink}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        RECT whole = rowOfLine(row.line);
        int start = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, row.line, 0);
        int split = (short)LOWORD(SendMessageW(state.paneWnd, EM_POSFROMCHAR, start + strlen(row.label), 0));
        RECT label = {2, whole.top, split, whole.bottom}, text = {split, whole.top, whole.right, whole.bottom};
        EXPECT_TRUE(inkIs(shot, label, row.labelInk, row.back));
        EXPECT_TRUE(inkIs(shot, text, row.textInk, row.back));
    }
}

// A label the control breaks over rows, in a narrow pane, keeps its colour
// on each of them.
TEST_F(SourcesTest, ALabelBrokenOverRowsKeepsItsColourOnEach) {
    const COLORREF Purple = RGB(0xC0, 0, 0xC0);
    writeFile(web(), at(1, "web one"));
    writeFile(db(), at(2, "db one"));
    startWithTwo("qvperuser.fontHeight: 16\r\nqvperuser.width: 110\r\nqvperuser.height: 220\r\nqvperuser.wordWrap: true\r\n",
                 "#C000C0 webserverlog");
    const int labelEnd = (int)strlen("[webserverlog]");
    int lastRow = (int)SendMessageW(state.paneWnd, EM_LINEFROMCHAR, labelEnd, 0);
    ASSERT_GE(lastRow, 1) << "the label lies on one row";
    Shot shot = shootClient(state.paneWnd);
    for (int row = 0; row <= lastRow; ++row) {
        RECT part = rowOfLine(row);
        if (row == lastRow) part.right = (short)LOWORD(SendMessageW(state.paneWnd, EM_POSFROMCHAR, labelEnd, 0));
        EXPECT_TRUE(inkIs(shot, part, Purple)) << "row " << row;
    }
}

// A reader scrolled up keeps their place when the pane is built anew.
TEST_F(SourcesTest, AReaderAwayFromTheEndKeepsTheirPlaceAcrossABuild) {
    std::string webLines, dbLines;
    for (int i = 0; i < 30; ++i) {
        webLines += "2026-12-08 10:" + std::to_string(10 + i) + ":00 web " + std::to_string(i) + "\r\n";
        dbLines += "2026-12-08 10:" + std::to_string(10 + i) + ":30 db " + std::to_string(i) + "\r\n";
    }
    writeFile(web(), webLines);
    writeFile(db(), dbLines);
    startWithTwo();
    // A line of the first source at the top of the view, well above the end.
    SendMessageW(state.paneWnd, EM_LINESCROLL, 0, -(LPARAM)20);
    int top = (int)SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    int start = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, top, 0);
    if (paneWideText().compare(start, 5, L"[web]") != 0) {
        SendMessageW(state.paneWnd, EM_LINESCROLL, 0, 1);
        start = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, ++top, 0);
    }
    std::wstring topLine = paneWideText().substr(start, paneWideText().find(L"\r\n", start) - start);
    ASSERT_EQ(0u, topLine.find(L"[web]"));

    // The second source rotated: built anew, its new file's line last.
    ASSERT_TRUE(MoveFileA(db().c_str(), (db() + ".1").c_str()));
    writeFile(db(), "2026-12-08 10:59:00 db new file\r\n");
    look();
    top = (int)SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    start = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, top, 0);
    std::wstring shown = paneWideText();
    EXPECT_EQ(topLine, shown.substr(start, shown.find(L"\r\n", start) - start));
    EXPECT_NE(std::wstring::npos, shown.find(L"[db] 2026-12-08 10:59:00 db new file\r\n"));
    removeFile(db() + ".1");
}

// ---- Each source its own: what was seen, its notice, its place ----

class SourcesOwnTest : public SourcesTest {
protected:
    std::string a() const { return dataFolder + "a.log"; }
    std::string b() const { return dataFolder + "b.log"; }
    void startAB(const std::string& more) {
        writeSettings("qvperuser.filePath: " + a() + "\r\nqvperuser.label: a\r\nqvperuser.source2: b " + b() +
                      "\r\nqvperuser.edgeSize: 6\r\nqvperuser.readBufferSize: 32767\r\n" + more);
        ASSERT_EQ(0, start());
    }
    static COLORREF framePixel() { return shootWindow(state.viewerWnd).at(2, 2); }
    // Renamed aside, begun anew: another file at the path.
    void rotate(const std::string& path, const std::string& text) {
        ASSERT_TRUE(MoveFileExA(path.c_str(), (path + ".1").c_str(), MOVEFILE_REPLACE_EXISTING));
        writeFile(path, text);
    }
    static std::wstring status() {
        WCHAR text[1024] = {};
        GetWindowTextW(state.statusWnd, text, 1024);
        return text;
    }
    static std::wstring topLine() {
        std::wstring shown = paneWideText();
        int top = (int)SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0);
        size_t start = (size_t)SendMessageW(state.paneWnd, EM_LINEINDEX, top, 0);
        size_t lineStart = shown.rfind(L"\r\n", start == 0 ? 0 : start - 1);
        lineStart = start == 0 || lineStart == std::wstring::npos ? 0 : lineStart + 2;
        return shown.substr(lineStart, shown.find(L"\r\n", lineStart) - lineStart);
    }
    static int pumpLines(const std::string& text) {
        int count = 0;
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++count;
        return count;
    }
};

// Another source's rotations never push out what was seen of a file on screen.
TEST_F(SourcesOwnTest, AnotherSourcesRotationsNeverMakeOldLinesAlertAgain) {
    writeFile(a(), "ERROR seen long ago\r\n");
    writeFile(b(), "b 0\r\n");
    startAB("qvperuser.highlight1: #C00000 alert ERROR\r\n");
    COLORREF styled = framePixel();
    ASSERT_NE(RGB(0xC0, 0, 0), styled);
    for (int i = 1; i <= 17; ++i) {  // each file kept aside: 17 files, each seen
        ASSERT_TRUE(MoveFileA(b().c_str(), (b() + "." + std::to_string(i)).c_str()));
        writeFile(b(), "b " + std::to_string(i) + "\r\n");
        look();
    }
    appendFile(a(), "INFO later\r\n");
    look();
    EXPECT_EQ(styled, framePixel());
    EXPECT_NE(std::string::npos, paneText().find("[a] INFO later\r\n"));
    for (int i = 1; i <= 17; ++i) removeFile(b() + "." + std::to_string(i));
}

// A line seen in part alerts once, whatever way it is shown when it is finished.
TEST_F(SourcesOwnTest, ALineSeenInPartAlertsOnceWhenASourceOrFilterComesBeforeItsEnd) {
    writeFile(a(), "INFO first\r\n");
    writeFile(b(), "b 0\r\n");
    writeSettings("qvperuser.filePath: " + a() + "\r\nqvperuser.edgeSize: 6\r\n"
                  "qvperuser.highlight1: #C00000 alert ERROR\r\n");
    ASSERT_EQ(0, start());
    COLORREF styled = framePixel();
    appendFile(a(), "ERROR partial still");  // seen in part: new, it alerts
    look();
    EXPECT_EQ(RGB(0xC0, 0, 0), framePixel());
    send("@QVPeruserAcknowledge");
    ASSERT_EQ(styled, framePixel());

    // Another source: whole lines only, the unfinished one waits for its end.
    send("@QVPeruserSource 2 b " + b());
    appendFile(a(), " done\r\n");
    look();
    EXPECT_NE(std::string::npos, paneText().find("[a.log] ERROR partial still done\r\n")) << paneText();
    EXPECT_EQ(styled, framePixel()) << "the line alerted when first shown";

    // One source with a filter: whole lines too.
    send("@QVPeruserSource 2");
    appendFile(a(), "ERROR two");
    look();
    EXPECT_EQ(RGB(0xC0, 0, 0), framePixel());
    send("@QVPeruserAcknowledge");
    send("@QVPeruserFilterShow ERROR");
    appendFile(a(), " ends\r\n");
    look();
    EXPECT_NE(std::string::npos, paneText().find("ERROR two ends\r\n")) << paneText();
    EXPECT_EQ(styled, framePixel());
    appendFile(a(), "ERROR three\r\n");
    look();
    EXPECT_EQ(RGB(0xC0, 0, 0), framePixel()) << "a new line still alerts";
}

// Notices are not log lines: `lines` counts log lines, a source that only
// has no passing line says so on the status line, and the pane once when no
// source shows a line.
TEST_F(SourcesOwnTest, NoticesAreNeverCountedMergedOrLeftAboveLines) {
    std::string bLines;
    for (int i = 0; i < 10; ++i) bLines += at(i, "ERROR b " + std::to_string(i));
    writeFile(b(), bLines);
    writeFile(a(), "2026-12-08 10:00:30 INFO a newest\r\n");
    startAB("qvperuser.lines: 3\r\nqvperuser.filterShow: ERROR\r\nqvperuser.statusLine: true\r\n"
            "qvperuser.width: 900\r\n");
    EXPECT_EQ("[b] " + at(7, "ERROR b 7") + "[b] " + at(8, "ERROR b 8") + "[b] " + at(9, "ERROR b 9"),
              paneText());
    EXPECT_NE(std::wstring::npos, status().find(L"no line passes the filter")) << status().c_str();

    appendFile(a(), "2026-12-08 10:00:31 ERROR a first\r\n");
    look();
    EXPECT_EQ(std::string::npos, paneText().find("No line passes")) << paneText();
    EXPECT_NE(std::string::npos, paneText().find("[a] 2026-12-08 10:00:31 ERROR a first\r\n")) << paneText();

    send("@QVPeruserFilterShow nothing like it");
    EXPECT_EQ("No line passes the filter\r\nFilter Show: nothing like it\r\n", paneText());
}

// With `lines` N, a pane of several sources holds at most 2N lines.
TEST_F(SourcesOwnTest, AppendsHoldAtMostTwiceTheLinesAsked) {
    writeFile(a(), at(1, "a 1"));
    writeFile(b(), at(2, "b 1"));
    startAB("qvperuser.lines: 3\r\n");
    int most = 0;
    for (int i = 0; i < 20; ++i) {
        appendFile(a(), "2026-12-08 10:01:00 a more " + std::to_string(i) + "\r\n");
        look();
        int held = pumpLines(paneText());
        most = held > most ? held : most;
    }
    EXPECT_LE(most, 6);
    EXPECT_GE(most, 4) << "appends still add lines";
    EXPECT_NE(std::string::npos, paneText().find("a more 19\r\n"));
}

// The same file named by two sources: the later is off, and says why.
TEST_F(SourcesOwnTest, TheSameFileNamedTwiceIsShownOnce) {
    writeFile(a(), at(1, "one") + at(2, "two"));
    writeSettings("qvperuser.filePath: " + a() + "\r\nqvperuser.label: one\r\nqvperuser.source2: two " +
                  dataFolder + ".\\a.log\r\nqvperuser.source3: b " + b() + "\r\nqvperuser.statusLine: true\r\n"
                  "qvperuser.width: 900\r\n");
    writeFile(b(), at(0, "b zero"));
    ASSERT_EQ(0, start());
    EXPECT_EQ("[b] " + at(0, "b zero") + "[one] " + at(1, "one") + "[one] " + at(2, "two"), paneText());
    appendFile(a(), at(3, "three"));
    look();
    EXPECT_EQ("[b] " + at(0, "b zero") + "[one] " + at(1, "one") + "[one] " + at(2, "two") + "[one] " +
                  at(3, "three"),
              paneText());
    EXPECT_NE(std::wstring::npos, status().find(L" \u00B7 source 2 off: same file as source 1")) << status().c_str();
    EXPECT_EQ(std::wstring::npos, status().find(L"[two]")) << "an entry of its own no more";
    SendMessageW(state.viewerWnd, WM_NCRBUTTONUP, HTCAPTION, 0);  // the menu, as the user opens it
    pumpMessages(20);
    EXPECT_NE(std::string::npos, describeMenu(mainMenuSerial()).find("Source 2 (off: same file as source 1)"))
        << describeMenu(mainMenuSerial());
}

// The reader's place is the line at the top of the view, by its source and
// its number, and the row of it in view when it wraps: not a text that
// another line may begin with too.
TEST_F(SourcesOwnTest, AReadersPlaceIsTheLineItselfAcrossABuild) {
    std::string aLines, padding(120, 'x');
    for (int i = 1; i <= 150; ++i) aLines += "line " + std::to_string(i) + " " + padding + "\r\n";
    writeFile(a(), aLines);
    writeFile(b(), "b first\r\n");
    startAB("qvperuser.wordWrap: true\r\nqvperuser.width: 400\r\nqvperuser.height: 200\r\n");
    std::wstring shown = paneWideText();
    int lineStart = (int)shown.find(L"[a] line 7 ");
    ASSERT_GE(lineStart, 0);
    int row = (int)SendMessageW(state.paneWnd, EM_LINEFROMCHAR, lineStart, 0) + 1;  // its second row
    SendMessageW(state.paneWnd, EM_LINESCROLL, 0,
                 row - SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
    pumpMessages(20);
    int topChar = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    ASSERT_GT(topChar, lineStart);

    rotate(b(), "b second\r\n");
    look();
    shown = paneWideText();
    int newStart = (int)shown.find(L"[a] line 7 ");
    ASSERT_GE(newStart, 0);
    EXPECT_NE(std::wstring::npos, shown.find(L"[b] b second\r\n"));
    int newTop = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(topChar - lineStart, newTop - newStart) << "the same row of the same line";
    removeFile(b() + ".1");
}

// Lines a build adds while the reader is away count below the view.
TEST_F(SourcesOwnTest, ARotatedSourcesLinesCountBelowTheView) {
    std::string aLines;
    for (int i = 0; i < 60; ++i) aLines += "2026-12-08 10:00:" + std::to_string(10 + i % 50) + " a " + std::to_string(i) + "\r\n";
    writeFile(a(), aLines);
    writeFile(b(), "2026-12-08 09:00:00 b old\r\n");
    startAB("qvperuser.statusLine: true\r\nqvperuser.height: 200\r\n");
    SendMessageW(state.paneWnd, EM_LINESCROLL, 0, -40);
    pumpMessages(20);
    appendFile(a(), at(1, "a late 1") + at(2, "a late 2") + at(3, "a late 3"));
    look();
    EXPECT_EQ(0u, status().find(L"3 new lines below")) << status().c_str();
    std::string later;
    for (int i = 0; i < 5; ++i) later += "2026-12-08 11:00:0" + std::to_string(i) + " b new\r\n";
    rotate(b(), later);
    look();
    EXPECT_EQ(0u, status().find(L"8 new lines below")) << status().c_str();
    removeFile(b() + ".1");
}

// A source without times counts its lines as written at its file's last
// write as it is at the build, whichever source caused the build.
TEST_F(SourcesOwnTest, ABuildPlacesASourceWithoutTimesByItsWriteTimeNow) {
    writeFile(a(), "2026-12-08 10:01:00 a first\r\n");
    writeFile(b(), "c first\r\n");
    setWriteTime(b(), 2);
    startAB("");
    appendFile(b(), "c grown\r\n");
    SYSTEMTIME local = {2026, 12, 2, 8, 10, 5, 0, 0}, utc;
    TzSpecificLocalTimeToSystemTime(NULL, &local, &utc);
    FILETIME time;
    SystemTimeToFileTime(&utc, &time);
    HANDLE file = CreateFileA(b().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    SetFileTime(file, NULL, NULL, &time);
    CloseHandle(file);
    look();
    rotate(a(), "2026-12-08 10:04:00 a rotated\r\n");
    look();
    std::string shown = paneText();
    EXPECT_LT(shown.find("[a] 2026-12-08 10:04:00 a rotated"), shown.find("[b] c first")) << shown;
    removeFile(a() + ".1");
}

// CR, LF and CR LF each end a line; a CR alone just before the end of what
// was shown is the file's own byte when it is looked at again.
TEST_F(SourcesOwnTest, ACarriageReturnAloneNearTheEndKeepsWhatWasSeen) {
    writeFile(a(), at(1, "a one"));
    writeFile(b(), at(0, "b zero FATAL at start"));
    startAB("qvperuser.highlight1: #C00000 alert FATAL\r\n");
    COLORREF styled = framePixel();
    ASSERT_NE(RGB(0xC0, 0, 0), styled);
    appendFile(b(), "2026-12-08 10:00:02 b two\rshort\r\n");
    look();
    send("@QVPeruserAcknowledge");
    std::string before = paneText();
    appendFile(b(), at(4, "b four ok"));
    look();
    EXPECT_EQ(styled, framePixel());
    EXPECT_EQ(before + "[b] " + at(4, "b four ok"), paneText()) << "taken at the pane's end";
}

// A whole read asks for what it shows and a little more, not a block of
// 256 KiB; an append, for what was appended and a little more. (The shell
// reads its own settings at a start: a start with a tiny log tells how much.)
// A reader's buffers are its source's while it reads, and given back when the
// source goes: a source removed by a command, and every source at the end.
// So is each source's memory for its lines among several, sized by
// readBufferSize: given back by a source that names a file another shows, or
// is alone again, and taken anew at another size or once its file differs.
TEST_F(SourcesOwnTest, ASourceThatGoesGivesItsBuffersBack) {
    ASSERT_TRUE(pumpUntil([] { return readerMemoriesHeld() == 0; })) << "an earlier reader holds its buffers";
    ASSERT_EQ(0u, sourceMemoriesHeld());
    writeFile(a(), at(1, "a line"));
    setWriteTime(a(), 1);
    writeFile(b(), at(2, "b line"));
    removeFile(dataFolder + "a2.log");
    startAB("qvperuser.source3: dup " + dataFolder + "a*.log\r\nqvperuser.rescan(sec): 1\r\n");
    EXPECT_EQ(3, readerMemoriesHeld());
    EXPECT_EQ(2u, sourceMemoriesHeld()) << "the source showing a's file again has none";
    EXPECT_EQ(sourceTextUnits(32767), sources[1].textCapacity);
    EXPECT_EQ((uint32_t)DisplayTextSize, sourceTextUnits(32767));
    send("@QVPeruserReadBufferSize 100");
    EXPECT_EQ(2u, sourceMemoriesHeld());
    EXPECT_EQ(sourceTextUnits(100), sources[1].textCapacity);
    EXPECT_EQ(8 * 100 + 1u, sourceTextUnits(100)) << "a read and what appends keep in front, decoded";

    writeFile(dataFolder + "a2.log", at(3, "a2 line"));
    pumpMessages(1100);  // the folder looked at again
    look();
    EXPECT_TRUE(pumpUntil([] { return paneText().find("[dup] " + at(3, "a2 line")) != std::string::npos; }))
        << paneText();
    EXPECT_EQ(3u, sourceMemoriesHeld());

    send("@QVPeruserSource 3");
    EXPECT_TRUE(pumpUntil([] { return readerMemoriesHeld() == 2; })) << readerMemoriesHeld();
    EXPECT_EQ(2u, sourceMemoriesHeld());
    send("@QVPeruserSource 2");
    EXPECT_TRUE(pumpUntil([] { return readerMemoriesHeld() == 1; })) << readerMemoriesHeld();
    EXPECT_EQ(0u, sourceMemoriesHeld()) << "alone, a source's file goes to the pane as it is";
    send("@QVPeruserSource 2 b " + b());
    EXPECT_EQ(2u, sourceMemoriesHeld());
    stop();
    EXPECT_EQ(0u, sourceMemoriesHeld());
    EXPECT_TRUE(pumpUntil([] { return readerMemoriesHeld() == 0; })) << readerMemoriesHeld();
    removeFile(dataFolder + "a2.log");
}

// After readBufferSize changes, a source shows the whole lines of its file's
// last readBufferSize bytes, at a small size and at the largest, where they
// begin right at the window's start.
TEST_F(SourcesOwnTest, ASourceShowsItsLastLinesAtEachReadBufferSize) {
    std::string older, window;
    for (int i = 0; older.size() < 2000; ++i) older += at(5, "older " + std::to_string(i));
    for (int i = 0; window.size() < 32767 - 100; ++i) window += at(5, "a line " + std::to_string(i));
    window = at(5, "first " + std::string(32767 - window.size() - 28, 'x')) + window;
    ASSERT_EQ(32767u, window.size());
    writeFile(a(), older + window);
    writeFile(b(), at(1, "b line"));
    writeSettings("qvperuser.filePath: " + a() + "\r\nqvperuser.label: a\r\nqvperuser.source2: b " + b() +
                  "\r\nqvperuser.readBufferSize: 300\r\n");
    ASSERT_EQ(0, start());
    const std::string all = older + window;
    for (int size : {300, 32767, 300}) {
        send("@QVPeruserReadBufferSize " + std::to_string(size));
        std::string expected = "[b] " + at(1, "b line");
        size_t from = all.find('\n', all.size() - size - 1) + 1;
        for (size_t line = from; line < all.size(); line = all.find('\n', line) + 1) {
            expected += "[a] " + all.substr(line, all.find('\n', line) + 1 - line);
        }
        std::string shown = paneText();
        EXPECT_TRUE(shown == expected) << "readBufferSize " << size << ", shown from: " << shown.substr(0, 120);
    }
}

// A source that cannot take memory for its lines says so, never a crash, and
// shows them once it can.
static LPVOID WINAPI failingVirtualAlloc(LPVOID, SIZE_T, DWORD, DWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

TEST_F(SourcesOwnTest, ASourceWithoutMemoryForItsLinesSaysSoUntilItHasIt) {
    writeFile(a(), at(1, "a line"));
    writeFile(b(), at(2, "b line"));
    startAB("");
    send("@QVPeruserSource 2");
    ASSERT_EQ(at(1, "a line"), paneText());
    {
        ImportHook failing("kernel32.dll", "VirtualAlloc", (void*)failingVirtualAlloc);
        ASSERT_TRUE(failing.installed());
        send("@QVPeruserSource 2 b " + b());
        EXPECT_TRUE(pumpUntil([] { return paneText().find("[b] No memory for the file's lines: ") != std::string::npos; }))
            << paneText();
        EXPECT_NE(std::string::npos, paneText().find("[a] No memory for the file's lines: ")) << paneText();
        EXPECT_EQ(std::string::npos, paneText().find(" line\r\n")) << paneText();
    }
    EXPECT_TRUE(pumpUntil([] { return paneText() == "[a] " + at(1, "a line") + "[b] " + at(2, "b line"); }))
        << paneText();
}

// With several sources too, a source's first lines shown that continue an
// entry begun before them take the rule of its first line, read back from
// the file: each source its own entry's, and the lines after them their own.
TEST_F(SourcesOwnTest, AnEntryBegunBeforeASourcesLinesGivesThemItsRule) {
    std::string warning = at(0, "WARN cache slow"), trace = at(1, "ERROR request failed");
    for (int i = 0; i < 60; ++i) {
        warning += "\tat com.example.Cache.load(Cache.java:" + std::to_string(i) + ")\r\n";
        trace += "\tat com.example.Pool.take(Pool.java:" + std::to_string(i) + ")\r\n";
    }
    writeFile(a(), warning + at(8, "INFO a goes on"));
    writeFile(b(), trace + at(9, "INFO pool reopened") + "  with 8 connections\r\n");
    writeSettings("qvperuser.filePath: " + a() + "\r\nqvperuser.label: a\r\nqvperuser.source2: b " + b() +
                  "\r\nqvperuser.readBufferSize: 600\r\n");
    ASSERT_EQ(0, start());
    ASSERT_EQ(std::string::npos, paneText().find("ERROR"));
    ASSERT_EQ(std::string::npos, paneText().find("WARN"));
    const LineMarks& marks = state.lineMarks;
    std::string shown = paneText();
    int traceLines[2] = {0, 0};
    size_t at = 0;
    for (uint32_t line = 0; line < linesHeld(marks); ++line, at = shown.find("\r\n", at) + 2) {
        size_t end = shown.find("\r\n", at);
        bool ofError = shown.compare(at, 4, "[b] ") == 0 && shown.find("Pool.java", at) < end;
        bool ofWarning = shown.compare(at, 4, "[a] ") == 0 && shown.find("Cache.java", at) < end;
        traceLines[0] += ofError ? 1 : 0;
        traceLines[1] += ofWarning ? 1 : 0;
        EXPECT_EQ(ofError ? 0 : ofWarning ? 1 : NoRule, entryRule(marks, line)) << "line " << line;
    }
    EXPECT_GT(traceLines[0], 5);
    EXPECT_GT(traceLines[1], 5);
}

// Where `lines` lets the merge leave out a source's first lines, those lines
// still group its first line shown: the entry's head among them gives it the
// rule, and counted once each, they bring an entry of 200 lines to its end.
TEST_F(SourcesOwnTest, LinesTheMergeLeftOutStillGroupASourcesFirstLine) {
    std::string continued;
    for (int i = 1; i < 199; ++i) continued += "\tat com.example.Pool.take(Pool.java:" + std::to_string(i) + ")\r\n";
    const std::string heads[] = {at(0, "INFO earlier") + at(1, "ERROR request failed") + "\tat first\r\n",
                                 at(1, "ERROR request failed") + continued};
    for (const std::string& head : heads) {
        SCOPED_TRACE(head.size() < 200 ? "the head left out by the merge" : "the 200th line of its entry");
        writeFile(a(), at(2, "INFO a two") + at(3, "INFO a three") + at(4, "INFO a four"));
        writeFile(b(), head + "\tat last\r\n");
        startAB("qvperuser.lines: 4\r\n");
        ASSERT_EQ(0u, paneText().find("[b] \tat last\r\n[a] ")) << paneText();
        EXPECT_EQ(0, entryRule(state.lineMarks, 0));
        for (uint32_t line = 1; line < linesHeld(state.lineMarks); ++line) {
            EXPECT_EQ(NoRule, entryRule(state.lineMarks, line)) << "line " << line;
        }
        stop();
    }
}

TEST_F(SourcesOwnTest, ReadsAreBoundedByWhatIsShown) {
    ReadFileCounter reads;
    ASSERT_TRUE(reads.installed());
    std::string big;
    for (int i = 0; big.size() < 2 * 1024 * 1024; ++i) big += at(i % 10, "line " + std::to_string(i) + " of the big log");
    writeFile(a(), big);
    writeFile(b(), big);
    writeFile(dataFolder + "tiny.log", "x\r\n");
    std::string settings = "qvperuser.lines: 50\r\nqvperuser.readBufferSize: 4096\r\nqvperuser.filePath: ";
    writeSettings(settings + dataFolder + "tiny.log\r\n");
    ASSERT_EQ(0, start());
    unsigned long long shellReads = reads.bytesAsked();
    stop();

    reads.reset();
    writeSettings(settings + a() + "\r\n");
    ASSERT_EQ(0, start());
    unsigned long long shown = paneText().size();
    EXPECT_LE(reads.bytesAsked() - shellReads, shown + shown / 2) << shown << " bytes shown, one source with lines";
    stop();

    reads.reset();
    writeSettings("qvperuser.filePath: " + a() + "\r\nqvperuser.label: a\r\nqvperuser.source2: b " + b() +
                  "\r\nqvperuser.readBufferSize: 4096\r\n");
    ASSERT_EQ(0, start());
    EXPECT_LE(reads.bytesAsked() - shellReads, 2 * (4096 + 4096 / 2)) << "two sources at start";
    std::string append;
    while (append.size() < 2000) append += at(9, "appended to a");
    for (int i = 0; i < 3; ++i) {
        reads.reset();
        appendFile(a(), append);
        look();
        EXPECT_LE(reads.bytesAsked(), append.size() + 16384) << "append " << i;
    }
}

// Collapsed repeats hide lines of their source above the reader's place:
// counted at a build and as they come, they keep the place a line, not a row.
TEST_F(SourcesOwnTest, AReadersPlaceCountsTheRepeatsCollapsedAboveIt) {
    std::string aLines;
    for (int i = 1; i <= 60; ++i) {
        std::string line = "line " + std::to_string(i) + "\r\n";
        aLines += i % 2 == 0 ? line + line + line : line;
    }
    writeFile(a(), aLines);
    writeFile(b(), "b first\r\n");
    startAB("qvperuser.collapseRepeats: true\r\nqvperuser.height: 200\r\n");
    for (int i = 0; i < 4; ++i) {
        appendFile(a(), "again\r\n");
        look();
    }
    std::string later;
    for (int i = 61; i <= 100; ++i) later += "line " + std::to_string(i) + "\r\n";
    appendFile(a(), later);
    look();
    std::wstring shown = paneWideText();
    ASSERT_NE(std::wstring::npos, shown.find(L"[a] again \u00D74\r\n"));
    int row = (int)SendMessageW(state.paneWnd, EM_LINEFROMCHAR, shown.find(L"[a] line 70\r\n"), 0);
    SendMessageW(state.paneWnd, EM_LINESCROLL, 0, row - SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
    pumpMessages(20);

    rotate(b(), "b second\r\n");
    look();
    shown = paneWideText();
    ASSERT_NE(std::wstring::npos, shown.find(L"[b] b second\r\n"));
    int top = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_EQ(0, shown.compare(top, 13, L"[a] line 70\r\n")) << shown.substr(top, 40).c_str();
    removeFile(b() + ".1");
}
