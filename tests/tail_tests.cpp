#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "support/import_hook.h"
#include "support/plugin_fixture.h"
#include "settings/text.h"
#include "tail/file_reader.h"
#include "tail/reader_handoff.h"
#include "tail/tail.h"
#include "text/notice_layout.h"
#include "viewer/view_lines.h"

static const ULONGLONG GiB = 1024ull * 1024 * 1024;

// ---- Pure decisions --------------------------------------------------------

TEST(WatchedPath, AbsolutePathsStandAloneEverythingElseIsJoined) {
    const wchar_t* folder = L"C:\\shell\\plugins\\";
    WCHAR out[ResolvedPathSize];
    struct Case {
        const wchar_t* filePath;
        const wchar_t* expected;
    } cases[] = {
        {L"D:\\logs\\app.log", L"D:\\logs\\app.log"},
        {L"\\\\server\\share\\app.log", L"\\\\server\\share\\app.log"},
        {L"logs\\\u65E5\u5FD7.log", L"C:\\shell\\plugins\\logs\\\u65E5\u5FD7.log"},
        {L"D:/logs/app.log", L"C:\\shell\\plugins\\D:/logs/app.log"},
        {L"\\logs\\app.log", L"C:\\shell\\plugins\\\\logs\\app.log"},
        {L"D:", L"C:\\shell\\plugins\\D:"},
        // "Copy as path": one pair of quotes around the path is not part of it.
        {L"\"D:\\my logs\\app.log\" ", L"D:\\my logs\\app.log"},
        {L"\"logs\\\"a\".log\"", L"C:\\shell\\plugins\\logs\\\"a\".log"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(resolveWatchedPath(folder, c.filePath, out, ResolvedPathSize));
        EXPECT_EQ(std::wstring(c.expected), out);
    }

    // A joined path too long is refused, never cut to another file.
    std::wstring longFolder = L"C:\\" + std::wstring(500, L'f') + L"\\";
    std::wstring fits(ResolvedPathSize - 1 - longFolder.size(), L'a');
    EXPECT_TRUE(resolveWatchedPath(longFolder.c_str(), fits.c_str(), out, ResolvedPathSize));
    EXPECT_EQ(longFolder + fits, out);
    EXPECT_FALSE(resolveWatchedPath(longFolder.c_str(), (fits + L"b").c_str(), out, ResolvedPathSize));
    EXPECT_EQ(std::wstring(), out);
}

static void expectRange(ULONGLONG size, int bufferSize, ULONGLONG offset, DWORD count) {
    TailRange range = tailRange(size, bufferSize);
    EXPECT_EQ(offset, range.offset) << "size " << size << ", buffer " << bufferSize;
    EXPECT_EQ(count, range.count) << "size " << size << ", buffer " << bufferSize;
}

TEST(TailRange, LastBytesHeldToTheTextBuffer) {
    expectRange(1000, 512, 488, 512);
    expectRange(100, 512, 0, 100);
    expectRange(512, 512, 0, 512);
    expectRange(0, 512, 0, 0);
    expectRange(1000, 0, 1000, 0);
    expectRange(1000, -1, 1000, 0);
    expectRange(1000, INT_MIN, 1000, 0);
    expectRange(100000, 32767, 100000 - 32767, 32767);
    expectRange(100000, 32768, 100000 - 32767, 32767);
    expectRange(100000, 65536, 100000 - 32767, 32767);
    expectRange(100000, INT_MAX, 100000 - 32767, 32767);
    expectRange(20000, 65536, 0, 20000);
}

TEST(TailRange, SizesBeyondFourGiBKeepTheirHighBits) {
    expectRange(5 * GiB, 512, 5 * GiB - 512, 512);
    expectRange(4 * GiB + 100, 512, 4 * GiB + 100 - 512, 512);
    // Sizes whose low 32 bits alone would look small or negative.
    expectRange(4 * GiB + 10, 32767, 4 * GiB + 10 - 32767, 32767);
    expectRange(3 * GiB, 512, 3 * GiB - 512, 512);
}

TEST(AppendRange, OnlyGrowthWithAQuarterMoreOlderTextIsAppended) {
    // The pane shows bytes 800 to 1000 of a file, with a window of 200.
    AppendRange grown = appendRange(800, 1000, 1030, 200, false);
    ASSERT_TRUE(grown.possible);
    EXPECT_EQ(992u, grown.offset);  // eight bytes before the end shown, to join a cut
    EXPECT_EQ(38u, grown.count);
    EXPECT_EQ(8u, grown.boundary);
    EXPECT_TRUE(appendRange(800, 1000, 1050, 200, false).possible);    // older text: a quarter
    EXPECT_FALSE(appendRange(800, 1000, 1051, 200, false).possible);   // more: a full reload cuts it
    EXPECT_FALSE(appendRange(800, 1000, 1000, 200, false).possible);   // not grown
    EXPECT_FALSE(appendRange(800, 1000, 900, 200, false).possible);    // cut short
    EXPECT_FALSE(appendRange(900, 1000, 1050, 200, false).possible);   // a full reload shows more
    AppendRange fromStart = appendRange(0, 3, 10, 512, false);         // fewer bytes shown than joined
    EXPECT_EQ(0u, fromStart.offset);
    EXPECT_EQ(3u, fromStart.boundary);
    // A reader away from the end keeps older text until the pane holds four windows.
    EXPECT_TRUE(appendRange(350, 1000, 1150, 200, true).possible);
    EXPECT_FALSE(appendRange(349, 1000, 1150, 200, true).possible);
    EXPECT_FALSE(appendRange(800, 1000, 1193, 200, true).possible);  // more than a window at once
    // ... bounded by what the pane holds: two of the largest windows.
    EXPECT_TRUE(appendRange(0, 60000, 65534, 32767, true).possible);
    EXPECT_FALSE(appendRange(0, 60000, 65535, 32767, true).possible);
}

TEST(FileChanged, TimeFirstThenSize) {
    const ULONGLONG t = 132000000000000000ull;
    EXPECT_TRUE(fileChanged(t + 1, 100, t, 100)) << "later time, same size";
    EXPECT_TRUE(fileChanged(t + 1, 50, t, 100)) << "later time, smaller";
    EXPECT_TRUE(fileChanged(t, 101, t, 100)) << "same time, bigger";
    EXPECT_TRUE(fileChanged(t, 99, t, 100)) << "same time, smaller";
    EXPECT_FALSE(fileChanged(t, 100, t, 100)) << "same time, same size";
    EXPECT_FALSE(fileChanged(t - 1, 100, t, 100)) << "older time, same size";
    EXPECT_FALSE(fileChanged(t - 1, 200, t, 100)) << "older time, bigger";
    EXPECT_FALSE(fileChanged(t - 1, 0, t, 100)) << "older time, smaller";
    EXPECT_TRUE(fileChanged(t, 5 * GiB, t, GiB)) << "same time, sizes differ above 4 GiB";
    EXPECT_TRUE(fileChanged(t, 4 * GiB + 1, t, 1)) << "same time, same low 32 bits";
}

// ---- Decoding ----------------------------------------------------------------

static std::wstring wide(const std::string& bytes, UINT codePage) {
    std::wstring text(bytes.size() + 1, L'\0');
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), &text[0],
                                (int)text.size());
    text.resize(n);
    return text;
}

// Decodes a window of a file's bytes starting at offset, with the file's first
// bytes for the mark, as the tail loader does.
static std::wstring decoded(const std::string& file, const char* encoding, size_t offset = 0,
                            Encoding* used = nullptr) {
    std::string window = file.substr(offset);
    TailBytes tail = {(const uint8_t*)window.data(), (uint32_t)window.size(), offset,
                      findByteOrderMark((const uint8_t*)file.data(), (uint32_t)file.size())};
    std::vector<WideChar> out(decodedCapacity(tail.count));
    DecodedText text = decodeTail(tail, parseEncoding(encoding), systemCodePages, NoBoundary,
                                  out.data(), (uint32_t)out.size());
    if (used) *used = text.used;
    return std::wstring(out.data(), text.length);
}

static std::string utf16(const std::wstring& text, bool bigEndian) {
    std::string bytes;
    for (wchar_t unit : text) {
        char low = char(unit & 0xFF), high = char(unit >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

static const char CafeUtf8[] = "caf\xC3\xA9 \xCE\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
static const wchar_t Cafe[] = L"caf\u00E9 \u03A9 \u65E5\u672C";

TEST(Decoding, MarksNamesAndValidUtf8ChooseTheEncoding) {
    Encoding used;
    EXPECT_EQ(Cafe, decoded(CafeUtf8, "auto", 0, &used));
    EXPECT_EQ(EncodingUtf8, used.kind);
    EXPECT_EQ(Cafe, decoded(std::string("\xEF\xBB\xBF") + CafeUtf8, "auto"));
    EXPECT_EQ(Cafe, decoded("\xFF\xFE" + utf16(Cafe, false), "auto"));
    EXPECT_EQ(Cafe, decoded("\xFE\xFF" + utf16(Cafe, true), "auto"));
    EXPECT_EQ(Cafe, decoded(utf16(Cafe, false), "utf-16le"));
    EXPECT_EQ(Cafe, decoded(utf16(Cafe, true), " UTF-16BE "));

    // Not valid UTF-8: the ANSI code page, as an 8-bit log has always shown.
    const std::string latin = "caf\xE9 \x80 100\xB0\r\n";
    EXPECT_EQ(wide(latin, CP_ACP), decoded(latin, "auto", 0, &used));
    EXPECT_EQ(EncodingCodePage, used.kind);
    EXPECT_EQ(wide(latin, 1252), decoded(latin, "1252"));
    EXPECT_EQ(wide(latin, CP_OEMCP), decoded(latin, "oem"));
    // A chosen encoding is kept even where a mark says otherwise; the mark
    // itself is never shown.
    EXPECT_EQ(L"ok", decoded("\xEF\xBB\xBFok", "1252"));
    EXPECT_EQ(L"ok", decoded("\xFE\xFFok", "1252"));
}

TEST(Decoding, NamesOfEncodings) {
    EXPECT_EQ(EncodingAuto, parseEncoding("auto").kind);
    EXPECT_EQ(EncodingAuto, parseEncoding("latin-1").kind);
    EXPECT_EQ(EncodingAuto, parseEncoding("").kind);
    EXPECT_EQ(EncodingAuto, parseEncoding("99999").kind);
    EXPECT_EQ(EncodingUtf8, parseEncoding("65001").kind);
    EXPECT_EQ(EncodingUtf16LE, parseEncoding("1200").kind);
    Encoding page = parseEncoding("\t932 ");
    EXPECT_EQ(EncodingCodePage, page.kind);
    EXPECT_EQ(932u, page.codePage);
    EXPECT_EQ(OemCodePage, parseEncoding("OEM").codePage);
}

TEST(Decoding, CharactersCutByTheWindowAreDropped) {
    std::string file = std::string("\xEF\xBB\xBF") + CafeUtf8;  // the mark, then 17 bytes
    // Starting inside "日" (bytes 12 to 14 of the file) or inside the mark.
    EXPECT_EQ(L"\u672C", decoded(file, "auto", 13));
    EXPECT_EQ(Cafe, decoded(file, "auto", 1));
    // A writer in mid-write: the last character's bytes are not all there yet.
    EXPECT_EQ(L"caf\u00E9 \u03A9 \u65E5", decoded(file.substr(0, file.size() - 1), "auto"));

    std::wstring pair = L"a\xD83D\xDCDC" L"b";  // a surrogate pair between two letters
    std::string le = "\xFF\xFE" + utf16(pair, false);
    EXPECT_EQ(L"\xD83D\xDCDC" L"b", decoded(le, "auto", 3));  // odd: from the next unit
    EXPECT_EQ(L"b", decoded(le, "auto", 6));               // inside the pair
    EXPECT_EQ(L"a", decoded(le.substr(0, 6), "auto"));     // pair half written
    EXPECT_EQ(L"a", decoded(le.substr(0, 5), "auto"));     // unit half written
}

TEST(Decoding, ZeroRunsShowAsOneDotAndEveryLineEndsInCrLf) {
    EXPECT_EQ(L"before\u00B7after\u00B7", decoded(std::string("before\0\0\0after\0", 16), "auto"));
    EXPECT_EQ(L"a\r\nb\r\nc\r\nd\r\n\r\ne\r\n", decoded("a\nb\rc\r\nd\n\re\r", "auto"));
    EXPECT_EQ(L"x\u00B7y\r\n", decoded(utf16(std::wstring(L"x\0\0y\n", 5), false), "utf-16le"));

    // Every byte a line feed: the text is twice as long and fills the buffer.
    std::string feeds(TextBufferSize - 1, '\n');
    TailBytes tail = {(const uint8_t*)feeds.data(), (uint32_t)feeds.size(), 0, {EncodingAuto, 0}};
    std::vector<WideChar> out(DisplayTextSize + 1, L'#');
    DecodedText text = decodeTail(tail, parseEncoding("auto"), systemCodePages, NoBoundary,
                                  out.data(), DisplayTextSize);
    EXPECT_EQ((uint32_t)DisplayTextSize - 1, text.length);
    EXPECT_EQ(L'\r', out[DisplayTextSize - 3]);
    EXPECT_EQ(L'\n', out[DisplayTextSize - 2]);
    EXPECT_EQ(0, out[DisplayTextSize - 1]);
    EXPECT_EQ(L'#', out[DisplayTextSize]);
}

TEST(Decoding, ADoubleByteCodePageIsCutOnlyBetweenCharacters) {
    // "AB日本\r\n" in code page 932; the text shown before ended after 本's lead byte.
    const std::string file = "AB\x93\xFA\x96\x7B\r\n";
    TailBytes tail = {(const uint8_t*)file.data(), (uint32_t)file.size(), 0, {EncodingAuto, 0}};
    std::vector<WideChar> out(decodedCapacity(tail.count));
    DecodedText text = decodeTail(tail, parseEncoding("932"), systemCodePages, 5, out.data(),
                                  (uint32_t)out.size());
    EXPECT_EQ(L"AB\u65E5\u672C\r\n", std::wstring(out.data(), text.length));
    EXPECT_EQ(3u, text.boundaryAt);
    // A read that ends on a lead byte leaves its character out.
    EXPECT_EQ(L"AB\u65E5", decoded(file.substr(0, 5), "932"));
}

// The reader's answer is decided by the hand-over word alone: a wake-up
// left over from the request before ends a wait, but the answer to the new
// request is posted when it comes, and taken once.
TEST(ReaderHandoff, ALateWakeUpNeverCountsAsTheAnswer) {
    volatile LONG word = HandoffIdle;
    handOverRequest(&word);
    EXPECT_FALSE(answerMustBePosted(&word));  // answered in time: nothing to post
    EXPECT_TRUE(answerArrived(&word));
    EXPECT_TRUE(takeAnswered(&word));

    handOverRequest(&word);
    EXPECT_FALSE(answerArrived(&word));  // woken by the last answer's signal
    EXPECT_TRUE(requestPending(word));
    EXPECT_TRUE(answerMustBePosted(&word));
    EXPECT_TRUE(takeAnswered(&word));
    EXPECT_FALSE(takeAnswered(&word));
    EXPECT_FALSE(requestPending(word));
}

TEST(ViewLines, TheViewEndsOnTheLastLineThatHoldsText) {
    EXPECT_EQ(9, lastTextLine(11, true));  // "...\r\n" leaves an empty line 10
    EXPECT_EQ(10, lastTextLine(11, false));
    EXPECT_EQ(0, lastTextLine(1, true));
    EXPECT_EQ(290, firstLineEndingOn(299, 10));
    EXPECT_EQ(0, firstLineEndingOn(5, 10));  // all of it fits
    EXPECT_EQ(299, firstLineEndingOn(299, 0));
    EXPECT_TRUE(viewReachesLine(290, 10, 299));
    EXPECT_FALSE(viewReachesLine(289, 10, 299));
    EXPECT_TRUE(viewReachesLine(300, 10, 299));  // scrolled past it
}

// ---- Against real files and the real pane ----------------------------------

// A window in which no notice in these tests needs more lines than its own.
static const char WideEnoughForNotices[] = "qvperuser.width: 1200\r\n";

class TailTest : public PluginTest {
protected:
    void startWatching(const std::string& path, int readBufferSize = 512,
                       const std::string& more = "") {
        writeSettings("qvperuser.filePath: " + path + "\r\nqvperuser.readBufferSize: " +
                      std::to_string(readBufferSize) + "\r\n" + more);
        ASSERT_EQ(0, start());
    }
    static void forcedReload() { showWatchedFileAgain(); }
    static void appendFile(const std::string& path, const std::string& more) {
        writeFile(path, readFile(path) + more);
    }
    static void selectInPane(int from, int to) {
        SendMessageA(state.paneWnd, EM_SETSEL, from, to);
    }
    static std::pair<DWORD, DWORD> paneSelection() {
        DWORD from = 0, to = 0;
        SendMessageA(state.paneWnd, EM_GETSEL, (WPARAM)&from, (LPARAM)&to);
        return {from, to};
    }
    void send(const char* command) {
        SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)command);
        settle();
    }
    // A read longer than the shell's thread waits for is shown when it ends.
    static void settle() {
        for (int waited = 0; fileReaderBusy(0) && waited < 10000; waited += 10) pumpMessages(10);
    }
    static int firstVisibleLine() {
        return (int)SendMessageW(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0);
    }
    static void scrollBy(int lines) { SendMessageW(state.paneWnd, EM_LINESCROLL, 0, lines); }
    static std::string lineText(int line) {
        char text[256] = {};
        *(WORD*)text = sizeof text - 1;
        LRESULT length = SendMessageA(state.paneWnd, EM_GETLINE, line, (LPARAM)text);
        return std::string(text, length);
    }
    static std::string firstVisibleText() { return lineText(firstVisibleLine()); }
    static int lastTextLineIndex() {
        int count = (int)SendMessageW(state.paneWnd, EM_GETLINECOUNT, 0, 0);
        return lineText(count - 1).empty() ? count - 2 : count - 1;
    }
    static std::string lastLineText() { return lineText(lastTextLineIndex()); }
    // The last line of text stands whole at the bottom of the pane, and no
    // other line would fit under it.
    static bool lastLineAtTheBottom() {
        int start = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, lastTextLineIndex(), 0);
        LRESULT at = SendMessageW(state.paneWnd, EM_POSFROMCHAR, start, 0);
        int top = (short)HIWORD(at);
        RECT format;
        SendMessageW(state.paneWnd, EM_GETRECT, 0, (LPARAM)&format);
        TEXTMETRICW metrics;
        HDC dc = GetDC(state.paneWnd);
        SelectObject(dc, state.paneFont);
        GetTextMetricsW(dc, &metrics);
        ReleaseDC(state.paneWnd, dc);
        int bottom = top + metrics.tmHeight;
        return top >= format.top && bottom <= format.bottom &&
               bottom + metrics.tmHeight > format.bottom;
    }
    static std::string selectedText() {
        auto range = paneSelection();
        return paneText().substr(range.first, range.second - range.first);
    }
    // What a full reload of the file's last bytes shows.
    std::wstring fullReload(size_t readBufferSize) {
        std::string file = readFile(watchedPath());
        size_t offset = file.size() > readBufferSize ? file.size() - readBufferSize : 0;
        return decoded(file, "auto", offset);
    }
    static std::string pattern(int size) {
        std::string text;
        for (int i = 0; (int)text.size() < size; ++i) text += "line " + std::to_string(i) + "\r\n";
        text.resize(size);
        return text;
    }
};

TEST_F(TailTest, ShowsTheLastBytesOrTheWholeShortFile) {
    std::string content = pattern(1000);
    writeFile(watchedPath(), content);
    startWatching(watchedPath());
    EXPECT_EQ(content.substr(488), paneText());

    std::string shortContent = pattern(300);
    writeFile(watchedPath(), shortContent);
    forcedReload();
    EXPECT_EQ(shortContent, paneText());
    EXPECT_EQ(300u, sources[0].lastFileSize);
}

TEST_F(TailTest, ThePaneShowsEncodingsZerosAndLineEndsAsText) {
    writeFile(watchedPath(), std::string(CafeUtf8) + "\n");
    startWatching(watchedPath());
    EXPECT_EQ(std::wstring(Cafe) + L"\r\n", paneWideText());

    writeFile(watchedPath(), "\xFF\xFE" + utf16(L"\u041B\u043E\u0433\r\n", false));
    forcedReload();
    EXPECT_EQ(L"\u041B\u043E\u0433\r\n", paneWideText());

    writeFile(watchedPath(), std::string("first\nbefore\0\0after\n", 20));
    forcedReload();
    EXPECT_EQ(L"first\r\nbefore\u00B7after\r\n", paneWideText());

    // A chosen encoding shows at once, and is kept in the settings file.
    writeFile(watchedPath(), "caf\xE9\r\n");
    send("@QVPeruserEncoding 1253");
    EXPECT_EQ(wide("caf\xE9\r\n", 1253), paneWideText());
    send("@QVPeruserSaveSettings");
    EXPECT_EQ("1253", storedSetting(settingsPath(), "qvperuser.encoding:"));
}

TEST_F(TailTest, ALongTailShowsItsLastLineAtTheBottom) {
    writeFile(watchedPath(), pattern(40000));
    startWatching(watchedPath(), 32767, "qvperuser.height: 150\r\n");
    ASSERT_EQ(pattern(40000).substr(40000 - 32767), paneText());
    EXPECT_TRUE(lastLineAtTheBottom());
    EXPECT_GT(firstVisibleLine(), 0);
    // A smaller window and a larger font show fewer lines, still ending on the last.
    send("@QVPeruserHeightSize 100");
    EXPECT_TRUE(lastLineAtTheBottom());
    send("@QVPeruserFontSize 20");
    EXPECT_TRUE(lastLineAtTheBottom());
}

TEST_F(TailTest, AReaderAboveTheEndKeepsTheirPlaceUntilItFallsOff) {
    writeFile(watchedPath(), pattern(3000));
    startWatching(watchedPath(), 2000, "qvperuser.height: 150\r\n");
    ASSERT_TRUE(lastLineAtTheBottom());
    scrollBy(-20);
    std::string top = firstVisibleText();
    int lineStart = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, firstVisibleLine() + 2, 0);
    selectInPane(lineStart, lineStart + 9);
    std::string selected = selectedText();

    for (int append = 0; append < 3; ++append) {
        appendFile(watchedPath(), "appended line number " + std::to_string(append) + "\r\n");
        reloadFileTail();
        EXPECT_EQ(top, firstVisibleText()) << append;
        EXPECT_EQ(selected, selectedText()) << append;
        EXPECT_FALSE(lastLineAtTheBottom());
    }

    // A busy log keeps the older text in front while the reader is away,
    // until the pane holds four windows; then the text at the top falls off
    // the front, and the view starts at the first line.
    for (int burst = 0; burst < 3; ++burst) {
        appendFile(watchedPath(), pattern(1900));
        reloadFileTail();
        EXPECT_EQ(top, firstVisibleText()) << burst;
    }
    appendFile(watchedPath(), pattern(1900));
    reloadFileTail();
    EXPECT_EQ(fullReload(2000), paneWideText());
    EXPECT_EQ(0, firstVisibleLine());

    // Ctrl+End goes back to the end, and the view follows it again.
    SetFocus(state.paneWnd);
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(state.paneWnd, WM_KEYDOWN, VK_END, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    appendFile(watchedPath(), "the newest line\r\n");
    reloadFileTail();
    EXPECT_TRUE(lastLineAtTheBottom());
    EXPECT_EQ("the newest line", lastLineText());
}

TEST_F(TailTest, AppendedBytesContinueThePaneAsAFullReloadShowsThem) {
    writeFile(watchedPath(), pattern(1000));
    startWatching(watchedPath(), 200);
    // A character and a CR LF pair each split across two reloads.
    for (const char* piece : {"line caf\xC3", "\xA9 one\r", "\nline two\r\n", "three\n"}) {
        appendFile(watchedPath(), piece);
        reloadFileTail();
        std::wstring full = fullReload(200), pane = paneWideText();
        ASSERT_GT(pane.size(), full.size()) << piece << ": older text stays in front";
        EXPECT_EQ(full, pane.substr(pane.size() - full.size())) << piece;
    }
    // More than a quarter of the window in older text: the change is shown whole.
    appendFile(watchedPath(), std::string(30, 'x') + "\r\n");
    reloadFileTail();
    EXPECT_EQ(fullReload(200), paneWideText());
}

TEST_F(TailTest, ARotationATruncationAndAnEditEachReloadInFull) {
    writeFile(watchedPath(), pattern(1000));
    startWatching(watchedPath(), 200);
    std::string rotated = watchedPath() + ".1";
    ASSERT_TRUE(MoveFileA(watchedPath().c_str(), rotated.c_str()));
    writeFile(watchedPath(), std::string(1010, 'r'));
    reloadFileTail();
    EXPECT_EQ(fullReload(200), paneWideText());

    writeFile(watchedPath(), std::string(1020, 't'));  // cut to nothing, written anew
    reloadFileTail();
    EXPECT_EQ(fullReload(200), paneWideText());

    SendMessageW(state.paneWnd, EM_REPLACESEL, TRUE, (LPARAM)L"typed");
    appendFile(watchedPath(), "more\r\n");
    reloadFileTail();
    EXPECT_EQ(fullReload(200), paneWideText());
    removeFile(rotated);
}

TEST_F(TailTest, ALogRewrittenWithTheSameLastBytesIsShownWhole) {
    writeFile(watchedPath(), std::string(984, 'o') + "tick ok\ntick ok\n");
    startWatching(watchedPath(), 1000);
    writeFile(watchedPath(), std::string(984, 'N') + "tick ok\ntick ok\ntick ok\n");
    reloadFileTail();
    EXPECT_EQ(fullReload(1000), paneWideText());
}

TEST_F(TailTest, AReaderScrolledSidewaysStaysThere) {
    std::string longLines;
    for (int i = 0; i < 60; ++i) longLines += "line " + std::to_string(i) + std::string(200, '.') + "\r\n";
    writeFile(watchedPath(), longLines);
    startWatching(watchedPath(), 12000, "qvperuser.height: 150\r\n");
    auto sideways = [] {
        RECT format;
        SendMessageW(state.paneWnd, EM_GETRECT, 0, (LPARAM)&format);
        int start = (int)SendMessageW(state.paneWnd, EM_LINEINDEX, firstVisibleLine(), 0);
        return format.left - (short)LOWORD(SendMessageW(state.paneWnd, EM_POSFROMCHAR, start, 0));
    };
    SendMessageW(state.paneWnd, EM_LINESCROLL, 40, 0);
    int following = sideways();
    ASSERT_GT(following, 100);
    appendFile(watchedPath(), "appended while following\r\n");
    reloadFileTail();
    EXPECT_EQ(following, sideways());

    scrollBy(-10);
    std::string top = firstVisibleText();
    appendFile(watchedPath(), "appended while reading\r\n");
    reloadFileTail();
    EXPECT_EQ(top, firstVisibleText());
    EXPECT_EQ(following, sideways());
    appendFile(watchedPath(), longLines.substr(0, 4000));  // shown by a full reload
    reloadFileTail();
    EXPECT_EQ(top, firstVisibleText());
    EXPECT_EQ(following, sideways());
}

TEST_F(TailTest, ThePlaceIsKeptOnlyInTheFileShownAndItsText) {
    writeFile(watchedPath(), pattern(3000));
    startWatching(watchedPath(), 2000, "qvperuser.height: 150\r\n");
    scrollBy(-20);
    std::string top = firstVisibleText();

    // Bytes that now decode in the ANSI code page: the same text, the same place.
    appendFile(watchedPath(), "caf\xE9 line\r\n");
    reloadFileTail();
    ASSERT_EQ(fullReload(2000).size(), paneWideText().size());
    EXPECT_EQ(top, firstVisibleText());
    EXPECT_FALSE(lastLineAtTheBottom());

    // A larger file put in its place is shown as a new one, from its end.
    std::string rotated = watchedPath() + ".1";
    ASSERT_TRUE(MoveFileA(watchedPath().c_str(), rotated.c_str()));
    std::string other;
    for (int i = 0; (int)other.size() < 5000; ++i) other += "other " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), other);
    reloadFileTail();
    EXPECT_TRUE(lastLineAtTheBottom());
    removeFile(rotated);
}

TEST_F(TailTest, EveryReaderThatIsLetGoFreesItsSlot) {
    writeFile(watchedPath(), "shown by every start\r\n");
    startWatching(watchedPath());
    for (int round = 0; round < 10; ++round) {
        stopWatching();
        SetWindowTextA(state.paneWnd, "");
        ::startWatching(state.viewerWnd);
        for (int waited = 0; waited < 3000 && paneText() != "shown by every start\r\n"; waited += 20) {
            pumpMessages(20);
        }
        EXPECT_EQ("shown by every start\r\n", paneText()) << "round " << round;
    }
}

TEST_F(TailTest, AnUnchangedFileLeavesThePaneAlone) {
    writeFile(watchedPath(), "alpha beta gamma\r\n");
    startWatching(watchedPath());
    selectInPane(6, 10);
    reloadFileTail();
    reloadFileTail();
    EXPECT_EQ(std::make_pair(DWORD(6), DWORD(10)), paneSelection());

    appendFile(watchedPath(), "delta\r\n");
    reloadFileTail();
    EXPECT_EQ("alpha beta gamma\r\ndelta\r\n", paneText());
}

static void setWriteTime(const std::string& path, FILETIME time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(SetFileTime(file, NULL, NULL, &time));
    CloseHandle(file);
}

TEST_F(TailTest, AnOlderCopyWaitsForItsNextWrite) {
    writeFile(watchedPath(), "newest text\r\n");
    startWatching(watchedPath());
    ASSERT_EQ("newest text\r\n", paneText());

    ULARGE_INTEGER value;
    value.QuadPart = sources[0].lastWriteTime - 864000000000ull;
    FILETIME dayEarlier = {value.LowPart, value.HighPart};
    writeFile(watchedPath(), "older copy\r\n");
    setWriteTime(watchedPath(), dayEarlier);
    reloadFileTail();
    EXPECT_EQ("newest text\r\n", paneText());
    EXPECT_EQ(value.QuadPart, sources[0].lastWriteTime);

    appendFile(watchedPath(), "written again\r\n");
    reloadFileTail();
    EXPECT_EQ("older copy\r\nwritten again\r\n", paneText());
}

TEST_F(TailTest, ReadBufferSizeShowsAtOnce) {
    std::string content = pattern(1000);
    writeFile(watchedPath(), content);
    startWatching(watchedPath());
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM) "@QVPeruserReadBufferSize 100");
    ASSERT_EQ(100, state.readBufferSize);
    EXPECT_EQ(content.substr(900), paneText());

    state.readBufferSize = 20;
    forcedReload();
    EXPECT_EQ(content.substr(980), paneText());
}

TEST_F(TailTest, ReadBufferSizeIsHeldToTheTextBuffer) {
    std::string content = pattern(40000);
    writeFile(watchedPath(), content);
    startWatching(watchedPath(), 65536);
    EXPECT_EQ(content.substr(40000 - 32767), paneText());

    state.readBufferSize = -1;
    forcedReload();
    EXPECT_EQ("", paneText());
}

static HANDLE openForWriting(const std::string& path, DWORD access, DWORD sharing) {
    return CreateFileA(path.c_str(), access, sharing, NULL, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

static void writeThrough(HANDLE file, const std::string& text) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL));
    ASSERT_EQ(text.size(), written);
}

TEST_F(TailTest, FollowsAWriterThatKeepsTheFileOpen) {
    HANDLE writer = openForWriting(watchedPath(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    writeThrough(writer, "started\r\n");
    startWatching(watchedPath());
    EXPECT_EQ("started\r\n", paneText());

    writeThrough(writer, "working\r\n");
    reloadFileTail();
    EXPECT_EQ("started\r\nworking\r\n", paneText());
    writeThrough(writer, "done\r\n");
    reloadFileTail();
    EXPECT_EQ("started\r\nworking\r\ndone\r\n", paneText());
    CloseHandle(writer);
}

TEST_F(TailTest, OpensAFileHeldWithDeleteAccess) {
    // A writer that may rename or delete its log (rotation) holds DELETE access.
    HANDLE writer = openForWriting(watchedPath(), GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    writeThrough(writer, "rotating log\r\n");
    startWatching(watchedPath());
    EXPECT_EQ("rotating log\r\n", paneText());
    CloseHandle(writer);
}

TEST_F(TailTest, AMissingFileShowsANoticeUntilItAppears) {
    std::string missing = dataFolder + "missing.log";
    startWatching(missing, 512, WideEnoughForNotices);
    std::string notice = paneText();
    EXPECT_EQ(0u, notice.find("Cannot open the file: ")) << notice;
    EXPECT_TRUE(endsWith(notice, ".\r\n" + missing)) << notice;  // the reason, then the path
    EXPECT_EQ(notice.find("\r\n"), notice.rfind("\r\n")) << notice;
    EXPECT_FALSE(sources[0].fileLooked);

    selectInPane(3, 8);
    reloadFileTail();
    EXPECT_EQ(notice, paneText());
    EXPECT_EQ(std::make_pair(DWORD(3), DWORD(8)), paneSelection());

    writeFile(missing, "now here\r\n");
    reloadFileTail();
    EXPECT_EQ("now here\r\n", paneText());

    // A file that disappears again is forgotten, so that its return shows.
    removeFile(missing);
    reloadFileTail();
    EXPECT_EQ(notice, paneText());
    EXPECT_FALSE(sources[0].fileLooked);
}

TEST_F(TailTest, PathsAreFoundAsTheUserWroteThem) {
    writeFile(watchedPath(), "beside the plugin\r\n");
    startWatching("data\\watched.log", 512, WideEnoughForNotices);
    EXPECT_EQ("beside the plugin\r\n", paneText());

    // UTF-8 as a settings file saved by Notepad has it, also outside the ANSI
    // code page; the notice names the path as written.
    const std::wstring names[] = {L"caf\u00E9 log.log", L"\u65E5\u5FD7.log"};
    for (const std::wstring& name : names) {
        std::wstring path = std::wstring(dataFolder.begin(), dataFolder.end()) + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        WriteFile(file, "found\r\n", 7, &written, NULL);
        CloseHandle(file);
        char utf8[MAX_PATH];
        WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8, sizeof utf8, NULL, NULL);
        send(("@QVPeruserFilePath " + std::string(utf8)).c_str());
        EXPECT_EQ(L"found\r\n", paneWideText());
        DeleteFileW(path.c_str());
        forcedReload();
        std::wstring notice = paneWideText();
        EXPECT_EQ(0u, notice.find(L"Cannot open the file: ")) << utf8;
        EXPECT_EQ(notice.size() - path.size(), notice.rfind(L"\r\n" + path) + 2) << utf8;
    }

    // No file chosen, or a folder: the pane says so.
    send("@QVPeruserFilePath  ");
    EXPECT_EQ("No file chosen. Right-click the frame: Peruser Configuration > File Path", paneText());
    send(("@QVPeruserFilePath " + dataFolder).c_str());
    EXPECT_EQ("The path names a folder, not a file:\r\n" + dataFolder, paneText());

    std::string tooLong(FilePathSize - 1, 'x');
    copyText(state.filePath, FilePathSize, tooLong.c_str());
    forcedReload();
    EXPECT_EQ(0, sources[0].resolvedPath[0]);
    std::string notice = paneText();
    EXPECT_EQ(0u, notice.find("Cannot open the file: "));
    // A name wider than the pane is cut into lines, and nothing of it is lost.
    for (size_t at; (at = notice.find("\r\n")) != std::string::npos;) notice.erase(at, 2);
    EXPECT_TRUE(endsWith(notice, programFolder() + tooLong));
}

// The notice's lines, each as wide as the pane's font draws it.
static std::vector<int> lineWidths(const std::wstring& text) {
    std::vector<int> widths;
    HDC dc = GetDC(state.paneWnd);
    HGDIOBJ kept = SelectObject(dc, state.paneFont);
    for (size_t start = 0;;) {
        size_t end = std::min(text.find(L"\r\n", start), text.size());
        SIZE size = {0, 0};
        GetTextExtentPoint32W(dc, text.c_str() + start, (int)(end - start), &size);
        widths.push_back(size.cx);
        if (end == text.size()) break;
        start = end + 2;
    }
    SelectObject(dc, kept);
    ReleaseDC(state.paneWnd, dc);
    return widths;
}

static int formatWidth() {
    RECT format;
    SendMessageW(state.paneWnd, EM_GETRECT, 0, (LPARAM)&format);
    return format.right - format.left;
}

// A notice takes as many lines as the pane's width needs, with word wrap
// off as on, and is laid out again when the width changes.
TEST_F(TailTest, ANoticeFitsThePanesWidthWhateverItsWrap) {
    std::string missing = dataFolder + "a folder of logs\\missing.log";
    startWatching(missing, 512, "qvperuser.width: 160\r\n");
    std::vector<int> narrow = lineWidths(paneWideText());
    EXPECT_GE(narrow.size(), 4u) << paneText();
    for (int width : narrow) EXPECT_LE(width, formatWidth()) << paneText();

    send("@QVPeruserWidthSize 1200");
    EXPECT_EQ(2u, lineWidths(paneWideText()).size()) << paneText();
    send("@QVPeruserWidthSize 160");
    send("@QVPeruserWordWrap");
    std::vector<int> wrapped = lineWidths(paneWideText());
    for (int width : wrapped) EXPECT_LE(width, formatWidth()) << paneText();
    EXPECT_EQ((LRESULT)wrapped.size(), SendMessageW(state.paneWnd, EM_GETLINECOUNT, 0, 0));
}

// Lines end at a line feed and where the width ends: after a blank (left
// out) or a path's separator, else inside a word too wide for a line, but
// never inside a surrogate pair; a line takes at least one character.
TEST(NoticeLayout, LinesBreakAfterBlanksAndSeparatorsWithinTheWidth) {
    struct Case {
        const wchar_t* notice;
        uint32_t width;
        const wchar_t* laidOut;
    } cases[] = {
        {L"Cannot open the file: Not found.\nC:\\logs\\app.log", 14,
         L"Cannot open\r\nthe file: Not\r\nfound.\r\nC:\\logs\\\r\napp.log"},
        {L"short\nC:\\a.log", 40, L"short\r\nC:\\a.log"},
        {L"a   b", 2, L"a\r\nb"},
        {L"abcdefgh", 3, L"abc\r\ndef\r\ngh"},
        {L"ab\U0001F600cd", 3, L"ab\r\n\U0001F600c\r\nd"},
        {L"\U0001F600x", 0, L"\U0001F600\r\nx"},
        {L"\n\n", 5, L"\r\n\r\n"},
    };
    for (const Case& c : cases) {
        uint32_t width = c.width;
        TextFit fit = {&width, [](void* context, const WideChar*, uint32_t length) {
                           return std::min(length, *(uint32_t*)context);
                       }};
        WideChar out[128];
        uint32_t length = layOutNotice((const WideChar*)c.notice, fit, out, 128);
        EXPECT_EQ(std::wstring(c.laidOut), std::wstring((const wchar_t*)out, length)) << c.notice;
    }
}

static bool makeSparse(HANDLE file) {
    DWORD returned = 0;
    return DeviceIoControl(file, FSCTL_SET_SPARSE, NULL, 0, NULL, 0, &returned, NULL) != 0;
}

TEST_F(TailTest, ShowsTheTrueEndOfAFileBeyondFourGiB) {
    std::string big = dataFolder + "big.log";
    HANDLE file = openForWriting(big, GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    makeSparse(file);  // Wine may refuse; its files are sparse on Linux anyway
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)(5 * GiB);
    ASSERT_TRUE(SetFilePointerEx(file, at, NULL, FILE_BEGIN));
    std::string end = pattern(1000);
    writeThrough(file, end);
    CloseHandle(file);

    startWatching(big);
    EXPECT_EQ(5 * GiB + 1000, sources[0].lastFileSize);
    EXPECT_EQ(end.substr(488), paneText());
    stop();
    removeFile(big);
}

// ---- Whole lines and the filter -------------------------------------------------

static std::string numberedLines(int first, int last, const std::string& word = "line") {
    std::string text;
    for (int i = first; i <= last; ++i) text += word + " " + std::to_string(i) + "\r\n";
    return text;
}

TEST_F(TailTest, LinesShowsTheLastWholeLinesWithinReadBufferSize) {
    writeFile(watchedPath(), numberedLines(1, 100));
    startWatching(watchedPath(), 512, "qvperuser.lines: 5\r\n");
    EXPECT_EQ(numberedLines(96, 100), paneText());

    // More lines than fit: only whole ones; a final line without its end counts.
    send("@QVPeruserLines 50");
    appendFile(watchedPath(), "unfinished");
    send("@QVPeruserReadBufferSize 40");
    EXPECT_EQ(numberedLines(98, 100) + "unfinished", paneText());
    appendFile(watchedPath(), " now\r\n" + std::string(60, 'x'));
    send("@QVPeruserLines 2");
    EXPECT_EQ(std::string(40, 'x'), paneText());  // one line longer than all: its end

    // UTF-16: lines are found on two-byte units.
    std::wstring text = L"\u0101\u0A0D one\r\n\u0D0A two\n\u0A00 three\r\n";
    writeFile(watchedPath(), "\xFF\xFE" + utf16(text, false));
    send("@QVPeruserReadBufferSize 512");
    EXPECT_EQ(L"\u0D0A two\r\n\u0A00 three\r\n", paneWideText());
}

TEST_F(TailTest, AFilterShowsTheLastLinesThatPassFoundBackwards) {
    std::string log;
    for (int i = 1; i <= 100000; ++i) {
        log += (i % 2000 == 0 ? "ERROR at " : "heartbeat ") + std::to_string(i) + "\r\n";
    }
    writeFile(watchedPath(), log);
    startWatching(watchedPath(), 4096, "qvperuser.lines: 3\r\nqvperuser.filterShow: error\r\n");
    settle();
    EXPECT_EQ("ERROR at 96000\r\nERROR at 98000\r\nERROR at 100000\r\n", paneText());

    send("@QVPeruserFilterHide *98000");
    EXPECT_EQ("ERROR at 94000\r\nERROR at 96000\r\nERROR at 100000\r\n", paneText());

    // Fewer lines within the scan limit than asked: the first line says so.
    send("@QVPeruserScanLimit 65536");
    EXPECT_EQ("1 line of the last 64 KiB passes the filter\r\nERROR at 100000\r\n", paneText());

    // Appends cost what they add: passing lines show, others do not; a
    // quarter more lines than asked for stay, so the front shows an append.
    send("@QVPeruserFilterHide");
    send("@QVPeruserScanLimit 4194304");
    send("@QVPeruserLines 8");
    std::string eight = paneText();
    ASSERT_EQ(0u, eight.find("ERROR at 86000\r\n"));
    appendFile(watchedPath(), "heartbeat 100001\r\nERROR at 100002\r\nheartbeat 100003\r\n");
    reloadFileTail();
    settle();
    EXPECT_EQ(eight + "ERROR at 100002\r\n", paneText());
    appendFile(watchedPath(), "error again\r\nunfinished error");
    reloadFileTail();
    settle();
    EXPECT_EQ(eight + "ERROR at 100002\r\nerror again\r\n", paneText());
}

// A filter that lets no line of a file through says so and names itself;
// the first line that passes takes the notice's place.
TEST_F(TailTest, AFilterThatPassesNoLineSaysWhichFilter) {
    writeFile(watchedPath(), numberedLines(1, 50, "heartbeat"));
    startWatching(watchedPath(), 4096, "qvperuser.filterShow: ERROR|fatal\r\nqvperuser.filterHide: test\r\n");
    const std::string filters = "Filter Show: ERROR|fatal\r\nFilter Hide: test\r\n";
    EXPECT_EQ("No line passes the filter\r\n" + filters, paneText());
    send("@QVPeruserScanLimit 100");
    EXPECT_EQ("No line of the last 100 bytes passes the filter\r\n" + filters, paneText());
    send("@QVPeruserScanLimit 4194304");

    appendFile(watchedPath(), "heartbeat 51\r\n");
    reloadFileTail();
    settle();
    EXPECT_EQ("No line passes the filter\r\n" + filters, paneText());
    appendFile(watchedPath(), "FATAL at 52\r\n");
    reloadFileTail();
    settle();
    EXPECT_EQ("FATAL at 52\r\n", paneText());

    writeFile(watchedPath(), "");  // an empty file has no line to let through
    forcedReload();
    EXPECT_EQ("", paneText());
}

// With multi-line entries a filter shows a whole entry: a Python traceback
// that logging.exception wrote under its ERROR line, none of the INFO lines
// around it; and an entry that a later line makes pass, in the same append
// or a reload after its first line.
TEST_F(TailTest, AFilterShowsWholeEntries) {
    const std::string before = "2026-12-08 10:00:00,001 INFO starting the import\r\n";
    const std::string trace = "2026-12-08 10:00:01,337 ERROR the import failed\r\n"
                              "Traceback (most recent call last):\r\n"
                              "  File \"import.py\", line 12, in <module>\r\n"
                              "    run()\r\n"
                              "  File \"import.py\", line 8, in run\r\n"
                              "    raise ValueError(\"no rows\")\r\n"
                              "ValueError: no rows\r\n";
    const std::string after = "2026-12-08 10:00:02,001 INFO retrying\r\n";
    writeFile(watchedPath(), before + trace + after);
    startWatching(watchedPath(), 4096, "qvperuser.filterShow: ERROR\r\n");
    EXPECT_EQ(trace, paneText());
    send("@QVPeruserLines 2");
    EXPECT_EQ("    raise ValueError(\"no rows\")\r\nValueError: no rows\r\n", paneText());
    send("@QVPeruserLines 0");
    send("@QVPeruserMultiLine");
    EXPECT_EQ("2026-12-08 10:00:01,337 ERROR the import failed\r\n    raise ValueError(\"no rows\")\r\n"
              "ValueError: no rows\r\n",
              paneText()) << "off: line by line";
    send("@QVPeruserMultiLine");
    EXPECT_EQ(trace, paneText());

    const std::string warning = "2026-12-08 10:00:03,000 WARNING the pool is low\r\n";
    appendFile(watchedPath(), warning);
    reloadFileTail();
    settle();
    EXPECT_EQ(trace, paneText());
    const std::string cause = "  raised by ERROR 53 in worker 3\r\n";
    appendFile(watchedPath(), cause);
    reloadFileTail();
    settle();
    EXPECT_EQ(trace + warning + cause, paneText()) << "its first line, a reload before";
    const std::string entry = "2026-12-08 10:00:04,000 INFO a slow query\r\nCaused by: ERROR 1205\r\n";
    appendFile(watchedPath(), after + entry + "  at db.py line 3\r\n");
    reloadFileTail();
    settle();
    EXPECT_EQ(trace + warning + cause + entry + "  at db.py line 3\r\n", paneText());
}

// An entry whose first line lies before the bytes shown takes its rule from
// it: the bytes before them are read back for it.
TEST_F(TailTest, TheFirstLinesShownTakeTheRuleOfTheirEntrysFirstLine) {
    std::string log = "2026-12-08 10:00:00 INFO start\r\n2026-12-08 10:00:01 ERROR request failed\r\n";
    for (int i = 0; i < 40; ++i) log += "\tat com.example.Pool.take(Pool.java:" + std::to_string(i) + ")\r\n";
    writeFile(watchedPath(), log);
    auto everyLineRuled = [](int rule) {
        const LineMarks& marks = state.lineMarks;
        if (linesHeld(marks) < 5) return false;
        for (uint32_t line = 0; line < linesHeld(marks); ++line) {
            if (entryRule(marks, line) != rule) return false;
        }
        return true;
    };
    startWatching(watchedPath(), 300);
    ASSERT_EQ(std::string::npos, paneText().find("ERROR"));
    EXPECT_TRUE(everyLineRuled(0)) << "the last bytes, the first line cut";
    send("@QVPeruserLines 6");
    EXPECT_TRUE(everyLineRuled(0)) << "whole lines";
    send("@QVPeruserHighlightRule 2 #2060C0 start|Pool.java:1)");
    EXPECT_TRUE(everyLineRuled(0)) << "marked anew, the lines before still count";
    send("@QVPeruserMultiLine");
    EXPECT_TRUE(everyLineRuled(NoRule)) << "every line its own entry";
}

TEST_F(TailTest, APaneOfLinesKeepsThemAsTheLogGrows) {
    writeFile(watchedPath(), numberedLines(1, 10));
    startWatching(watchedPath(), 4096, "qvperuser.lines: 8\r\n");
    for (int i = 11; i <= 40; ++i) {
        appendFile(watchedPath(), numberedLines(i, i));
        reloadFileTail();
        std::string shown = paneText();
        int lines = (int)std::count(shown.begin(), shown.end(), '\n');
        EXPECT_GE(lines, 8) << i;
        EXPECT_LE(lines, 10) << i;  // a quarter more, then a full reload cuts the front
        EXPECT_EQ(0u, shown.find("line ")) << i;
        EXPECT_EQ(numberedLines(i - 7, i), shown.substr(shown.size() - numberedLines(i - 7, i).size()));
    }
}

static std::string encoded(const std::wstring& text, UINT codePage) {
    std::string bytes(text.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(codePage, 0, text.data(), (int)text.size(), &bytes[0],
                                (int)bytes.size(), NULL, NULL);
    bytes.resize(n);
    return bytes;
}

// A filter passes a line exactly when the pane, showing it, would show the
// text the filter's pattern matches.
TEST_F(TailTest, AFilterJudgesEachLineAsThePaneShowsIt) {
    // A byte-order mark before the lines a growth adds is never taken from them.
    writeFile(watchedPath(), "\xEF\xBB\xBF" "A\r\n");
    startWatching(watchedPath(), 4096, "qvperuser.filterShow: error\r\n");
    appendFile(watchedPath(), "ERROR first line\r\n");
    reloadFileTail();
    settle();
    EXPECT_EQ(L"ERROR first line\r\n", paneWideText());
    writeFile(watchedPath(), "\xFF\xFE" + utf16(L"A\r\n", false));
    forcedReload();
    settle();
    appendFile(watchedPath(), utf16(L"ERROR wide\r\n", false));
    reloadFileTail();
    settle();
    EXPECT_EQ(L"ERROR wide\r\n", paneWideText());

    // With auto, an ANSI log whose only accent ends a line is not UTF-8.
    writeFile(watchedPath(), "Traitement en cours\r\nTraitement termin\xE9\r\nFin\r\n");
    send("@QVPeruserFilterShow termin\xC3\xA9");
    EXPECT_EQ(L"Traitement termin\u00E9\r\n", paneWideText());
    send("@QVPeruserFilterShow");
    send("@QVPeruserFilterHide termin\xC3\xA9");
    EXPECT_EQ(L"Traitement en cours\r\nFin\r\n", paneWideText());

    // EBCDIC: its letters are not ASCII bytes, and its CR and LF are its own.
    writeFile(watchedPath(), encoded(L"INFO one\r\nERROR two\rINFO three\r\nERROR four\r\n", 37));
    send("@QVPeruserFilterHide");
    send("@QVPeruserEncoding 37");
    send("@QVPeruserFilterShow error");
    EXPECT_EQ(L"ERROR two\r\nERROR four\r\n", paneWideText());
}

// The bytes the reader asks of the file, counted where the plugin calls ReadFile.
TEST_F(TailTest, WholeLinesAndFiltersReadOnlyWhatTheyNeed) {
    ReadFileCounter reads;
    ASSERT_TRUE(reads.installed());
    const unsigned long long MiB = 1024 * 1024;

    // A writer that reserved space: 25 bytes of text, then zeros.
    std::string reserved = dataFolder + "reserved.log";
    HANDLE file = openForWriting(reserved, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    writeThrough(file, "started at 12:00:01\r\nok\r\n");
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)(64 * MiB);
    ASSERT_TRUE(SetFilePointerEx(file, end, NULL, FILE_BEGIN) && SetEndOfFile(file));
    startWatching(reserved, 4096, "qvperuser.lines: 10\r\n");
    EXPECT_LT(reads.bytesAsked(), MiB);
    reads.reset();
    LARGE_INTEGER within;
    within.QuadPart = 25;
    ASSERT_TRUE(SetFilePointerEx(file, within, NULL, FILE_BEGIN));
    writeThrough(file, "a line written into the reserved space\r\n");
    reloadFileTail();
    settle();
    EXPECT_LT(reads.bytesAsked(), MiB);
    CloseHandle(file);
    stop();
    removeFile(reserved);

    // A filtered log of 8 MiB that grows by more than the window reads the growth.
    std::string log;
    for (int i = 0; log.size() < 8 * MiB; ++i) {
        log += (i % 5000 == 0 ? "ERROR at " : "heartbeat ") + std::to_string(i) + "\r\n";
    }
    writeFile(watchedPath(), log);
    startWatching(watchedPath(), 4096, "qvperuser.filterShow: error\r\n");
    settle();
    std::string growth;
    for (int i = 0; growth.size() < 20000; ++i) growth += "heartbeat more " + std::to_string(i) + "\r\n";
    growth += "ERROR in the growth\r\n";
    appendFile(watchedPath(), growth);
    reads.reset();
    reloadFileTail();
    settle();
    EXPECT_LT(reads.bytesAsked(), 64 * 1024ull);
    std::string shown = paneText();
    EXPECT_EQ("ERROR in the growth\r\n", shown.substr(shown.size() - 21));
}
