#include <windows.h>
#include <winioctl.h>

#include <climits>
#include <string>

#include "support/plugin_fixture.h"
#include "settings/text.h"
#include "tail/tail.h"

static const ULONGLONG GiB = 1024ull * 1024 * 1024;

// ---- Pure decisions --------------------------------------------------------

TEST(WatchedPath, DriveLetterPathsStandAloneEverythingElseIsJoined) {
    const char* folder = "C:\\shell\\plugins\\";
    char out[ResolvedPathSize];
    struct Case {
        const char* filePath;
        const char* expected;
    } cases[] = {
        {"D:\\logs\\app.log", "D:\\logs\\app.log"},
        {"logs\\app.log", "C:\\shell\\plugins\\logs\\app.log"},
        {"D:/logs/app.log", "C:\\shell\\plugins\\D:/logs/app.log"},
        {"\\\\server\\share\\app.log", "C:\\shell\\plugins\\\\\\server\\share\\app.log"},
        {"\\logs\\app.log", "C:\\shell\\plugins\\\\logs\\app.log"},
        {"D:", "C:\\shell\\plugins\\D:"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(resolveWatchedPath(folder, c.filePath, out, sizeof out)) << c.filePath;
        EXPECT_STREQ(c.expected, out) << c.filePath;
    }
}

TEST(WatchedPath, JoinedPathTooLongIsRefusedNotCut) {
    std::string folder = "C:\\" + std::string(500, 'f') + "\\";  // 505 characters
    std::string fits(ResolvedPathSize - 1 - folder.size(), 'a');
    char out[ResolvedPathSize];
    EXPECT_TRUE(resolveWatchedPath(folder.c_str(), fits.c_str(), out, sizeof out));
    EXPECT_EQ(folder + fits, out);

    std::string tooLong = fits + "b";
    EXPECT_FALSE(resolveWatchedPath(folder.c_str(), tooLong.c_str(), out, sizeof out));
    EXPECT_STREQ("", out);

    // The same name given as a drive-letter path needs no folder and fits.
    std::string absolute = "D:\\" + std::string(1000, 'a');
    EXPECT_TRUE(resolveWatchedPath(folder.c_str(), absolute.c_str(), out, sizeof out));
    EXPECT_EQ(absolute, out);
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
    EXPECT_TRUE(fileChanged(t, 0, 0, 0)) << "zero last time";
    EXPECT_TRUE(fileChanged(0, 0, 0, 0)) << "zero last time, file time zero too";
    EXPECT_TRUE(fileChanged(t, 5 * GiB, t, GiB)) << "same time, sizes differ above 4 GiB";
    EXPECT_TRUE(fileChanged(t, 4 * GiB + 1, t, 1)) << "same time, same low 32 bits";
}

// ---- Against real files and the real pane ----------------------------------

class TailTest : public PluginTest {
protected:
    void startWatching(const std::string& path, int readBufferSize = 512,
                       const std::string& more = "") {
        writeSettings("qvperuser.filePath: " + path + "\r\nqvperuser.readBufferSize: " +
                      std::to_string(readBufferSize) + "\r\n" + more);
        ASSERT_EQ(0, start());
    }
    static std::string paneText() {
        std::string text(GetWindowTextLengthA(state.paneWnd) + 1, '\0');
        GetWindowTextA(state.paneWnd, &text[0], (int)text.size());
        text.resize(text.size() - 1);
        return text;
    }
    static void forcedReload() {
        forgetWatchedFile();
        reloadFileTail();
    }
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
    EXPECT_EQ(300u, state.lastFileSize);
}

TEST_F(TailTest, BytesReachThePaneAsTheyAreUpToAZeroByte) {
    writeFile(watchedPath(), "first\nsecond\nthird\n");
    startWatching(watchedPath());
    EXPECT_EQ("first\nsecond\nthird\n", paneText());

    writeFile(watchedPath(), std::string("before\0after\r\n", 14));
    forcedReload();
    EXPECT_EQ("before", paneText());
}

TEST_F(TailTest, ALoadScrollsOneHundredLinesFromTheTop) {
    std::string content;
    for (int i = 0; i < 300; ++i) content += "line " + std::to_string(i) + "\r\n";
    writeFile(watchedPath(), content);
    startWatching(watchedPath(), 32767, "qvperuser.height: 150\r\nqvperuser.fontHeight: 12\r\n");
    ASSERT_EQ(content, paneText());
    EXPECT_EQ(100, SendMessageA(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0));

    // From a view further down, the next load starts again from the top.
    SendMessageA(state.paneWnd, EM_LINESCROLL, 0, 80);
    appendFile(watchedPath(), "line 300\r\n");
    reloadFileTail();
    EXPECT_EQ(100, SendMessageA(state.paneWnd, EM_GETFIRSTVISIBLELINE, 0, 0));
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

    FILETIME dayEarlier = state.lastWriteTime;
    ULARGE_INTEGER value = {{dayEarlier.dwLowDateTime, dayEarlier.dwHighDateTime}};
    value.QuadPart -= 864000000000ull;
    dayEarlier.dwLowDateTime = value.LowPart;
    dayEarlier.dwHighDateTime = value.HighPart;
    writeFile(watchedPath(), "older copy\r\n");
    setWriteTime(watchedPath(), dayEarlier);
    reloadFileTail();
    EXPECT_EQ("newest text\r\n", paneText());
    EXPECT_EQ(value.QuadPart, ((ULONGLONG)state.lastWriteTime.dwHighDateTime << 32) |
                                  state.lastWriteTime.dwLowDateTime);

    appendFile(watchedPath(), "written again\r\n");
    reloadFileTail();
    EXPECT_EQ("older copy\r\nwritten again\r\n", paneText());
}

TEST_F(TailTest, ReadBufferSizeShowsAtTheNextChangeOrForcedReload) {
    std::string content = pattern(1000);
    writeFile(watchedPath(), content);
    startWatching(watchedPath());
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM) "@QVPeruserReadBufferSize 100");
    ASSERT_EQ(100, state.readBufferSize);
    EXPECT_EQ(content.substr(488), paneText());

    appendFile(watchedPath(), "0123456789");
    reloadFileTail();
    EXPECT_EQ((content + "0123456789").substr(910), paneText());

    state.readBufferSize = 20;
    forcedReload();
    EXPECT_EQ((content + "0123456789").substr(990), paneText());
}

TEST_F(TailTest, ReadBufferSizeIsHeldToTheTextBuffer) {
    std::string content = pattern(40000);
    writeFile(watchedPath(), content);
    startWatching(watchedPath(), 65536);
    Menu* fieldAfterBuffer = state.mainMenu;
    EXPECT_EQ(content.substr(40000 - 32767), paneText());
    EXPECT_EQ(fieldAfterBuffer, state.mainMenu);

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
    startWatching(missing);
    std::string notice = paneText();
    EXPECT_EQ(0u, notice.find("Cannot open " + missing + ": ")) << notice;
    EXPECT_GT(notice.size(), ("Cannot open " + missing + ": ").size());
    EXPECT_EQ(std::string::npos, notice.find_first_of("\r\n")) << notice;
    EXPECT_EQ(0u, state.lastWriteTime.dwLowDateTime | state.lastWriteTime.dwHighDateTime);
    EXPECT_EQ(0u, state.lastFileSize);

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
    EXPECT_EQ(0u, state.lastWriteTime.dwLowDateTime | state.lastWriteTime.dwHighDateTime);
}

TEST_F(TailTest, RelativePathsAreFoundBesideThePlugin) {
    writeFile(watchedPath(), "beside the plugin\r\n");
    startWatching("data\\watched.log");
    EXPECT_EQ("beside the plugin\r\n", paneText());
    EXPECT_EQ(watchedPath(), state.resolvedPath);

    std::string tooLong(FilePathSize - 1, 'x');
    copyText(state.filePath, FilePathSize, tooLong.c_str());
    forcedReload();
    EXPECT_STREQ("", state.resolvedPath);
    EXPECT_EQ(0u, paneText().find("Cannot open " + programFolder() + tooLong + ": "));
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
    EXPECT_EQ(5 * GiB + 1000, state.lastFileSize);
    EXPECT_EQ(end.substr(488), paneText());
    stop();
    removeFile(big);
}
