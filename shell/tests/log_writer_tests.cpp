// Real log writers against the real quorvane.exe and qvperuser.dll, each in a
// folder of its own with auto-reload every second: whatever the writer does to
// the file, the pane shows the file's tail after the next reload. The pane's
// text is read from outside with WM_GETTEXT, which crosses processes for EDIT
// controls. Rotation is done by Debian's logrotate, started as a Linux program.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include "support/linux_programs.h"
#include "support/test_files.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string builtShell, builtPlugin;

const int PaneReadSize = 65536;

bool waitFor(const std::function<bool()>& condition, int milliseconds = 8000) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

std::string lines(const std::string& prefix, int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) text += prefix + " " + std::to_string(i) + "\r\n";
    return text;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A writer that keeps the file open between writes, as a logging program does.
class HeldWriter {
public:
    HeldWriter(const std::string& path, DWORD access, DWORD sharing) {
        file = CreateFileA(path.c_str(), access, sharing, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    }
    ~HeldWriter() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    bool isOpen() const { return file != INVALID_HANDLE_VALUE; }
    void append(const std::string& text) {
        LARGE_INTEGER none = {};
        SetFilePointerEx(file, none, NULL, FILE_END);
        write(text);
    }
    void startAgain(const std::string& text) {
        LARGE_INTEGER start = {};
        SetFilePointerEx(file, start, NULL, FILE_BEGIN);
        SetEndOfFile(file);
        write(text);
    }
    void write(const std::string& text) {
        DWORD written = 0;
        WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
        FlushFileBuffers(file);
    }

private:
    HANDLE file;
};

class LogWriter : public ::testing::Test {
protected:
    void SetUp() override {
        folder = makeTempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(CopyFileA(builtShell.c_str(), (folder + "quorvane.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(builtPlugin.c_str(), (folder + "qvperuser.dll").c_str(), FALSE));
        writeFile(folder + "plugins.rc", "qvperuser.dll\r\n");
        logPath = folder + "app.log";
    }

    void TearDown() override {
        if (!process.hProcess) return;
        HWND shell = shellWindow();
        if (shell) PostMessageA(shell, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }

    // Starts the shell watching watchedPath, reloading every second.
    void startShell(const std::string& watchedPath, int readBufferSize = 300) {
        writeFile(folder + "qvperuser.rc",
                  "qvperuser.x: 50\r\nqvperuser.y: 50\r\n"
                  "qvperuser.width: 400\r\nqvperuser.height: 200\r\n"
                  "qvperuser.filePath: " + watchedPath + "\r\n"
                  "qvperuser.readBufferSize: " + std::to_string(readBufferSize) + "\r\n"
                  "qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n");
        std::string line = "\"" + folder + "quorvane.exe\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(),
                                   &startup, &process));
        ASSERT_TRUE(waitFor([&] { return pane() != NULL; })) << "no viewer window";
    }

    HWND windowOfOurs(const char* className) {
        HWND window = NULL;
        while ((window = FindWindowExA(NULL, window, className, NULL)) != NULL) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process.dwProcessId) return window;
        }
        return NULL;
    }

    HWND shellWindow() { return windowOfOurs("QuorvaneShell"); }
    HWND pane() {
        HWND viewer = windowOfOurs("QVPeruser");
        return viewer ? FindWindowExA(viewer, NULL, "Edit", NULL) : NULL;
    }

    // The pane's text, read as the wide text it is and given back as UTF-8.
    std::string paneText() {
        std::vector<wchar_t> text(PaneReadSize, 0);
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(pane(), WM_GETTEXT, text.size(), (LPARAM)text.data(),
                                 SMTO_NORMAL, 2000, &length)) {
            return "(no answer)";
        }
        std::string utf8(length * 3, '\0');
        int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)length, &utf8[0],
                                        (int)utf8.size(), NULL, NULL);
        utf8.resize(bytes);
        return utf8;
    }

    // The pane, within a few reloads, ends with the given text.
    void expectPaneEndsWith(const std::string& end) {
        EXPECT_TRUE(waitFor([&] { return endsWith(paneText(), end); })) << paneText();
    }
    void expectPaneShows(const std::string& whole) {
        EXPECT_TRUE(waitFor([&] { return paneText() == whole; })) << paneText();
    }

    std::string runLinux(const std::string& script) { return ::runLinux(folder, script); }

    std::string logrotate(const std::string& mode) {
        writeFile(folder + "rotate.conf",
                  "\"" + unixPath(logPath) + "\" {\n  rotate 2\n  " + mode + "\n  missingok\n}\n");
        return runLinux("chmod 644 rotate.conf && /usr/sbin/logrotate -f -s rotate.state rotate.conf");
    }

    std::string folder;
    std::string logPath;
    PROCESS_INFORMATION process = {};
};

TEST_F(LogWriter, WriterHoldingTheFileOpenIsFollowed) {
    // Sharing read access only, as many logging programs open their log.
    HeldWriter writer(logPath, GENERIC_WRITE, FILE_SHARE_READ);
    ASSERT_TRUE(writer.isOpen());
    writer.append(lines("held", 1, 30));
    startShell(logPath);
    expectPaneEndsWith("held 30\r\n");
    for (int round = 0; round < 3; ++round) {
        writer.append(lines("more", round, round));
        expectPaneEndsWith("more " + std::to_string(round) + "\r\n");
    }
    EXPECT_EQ(std::string::npos, paneText().find("Cannot open"));
}

TEST_F(LogWriter, WriterThatTruncatesAndStartsAgainIsShownAfresh) {
    HeldWriter writer(logPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    writer.append(lines("old", 1, 40));
    startShell(logPath);
    expectPaneEndsWith("old 40\r\n");
    writer.startAgain(lines("new", 1, 2));
    expectPaneShows(lines("new", 1, 2));
    writer.append(lines("new", 3, 3));
    expectPaneShows(lines("new", 1, 3));
}

TEST_F(LogWriter, RotationByRenameAndCreate) {
    writeFile(logPath, lines("before", 1, 40));
    startShell(logPath);
    expectPaneEndsWith("before 40\r\n");
    std::string result = logrotate("create");
    ASSERT_EQ(0u, result.find("0:")) << result;
    ASSERT_EQ(lines("before", 1, 40), readFile(logPath + ".1"));
    // The program reopens its log, which logrotate made anew, and goes on.
    appendFile(logPath, lines("after", 1, 2));
    expectPaneShows(lines("after", 1, 2));
}

TEST_F(LogWriter, RotationByCopyAndTruncateUnderAnOpenWriter) {
    HeldWriter writer(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE);
    writer.write(lines("before", 1, 40));
    startShell(logPath);
    expectPaneEndsWith("before 40\r\n");
    std::string result = logrotate("copytruncate");
    ASSERT_EQ(0u, result.find("0:")) << result;
    ASSERT_EQ(lines("before", 1, 40), readFile(logPath + ".1"));
    writer.write(lines("after", 1, 2));
    expectPaneShows(lines("after", 1, 2));
}

TEST_F(LogWriter, FileDeletedThenCreatedAgain) {
    writeFile(logPath, lines("first life", 1, 10));
    startShell(logPath);
    expectPaneEndsWith("first life 10\r\n");
    ASSERT_TRUE(DeleteFileA(logPath.c_str()));
    EXPECT_TRUE(waitFor([&] { return paneText().find("Cannot open") == 0; })) << paneText();
    writeFile(logPath, lines("second life", 1, 3));
    expectPaneShows(lines("second life", 1, 3));
}

TEST_F(LogWriter, FileGrowingPastFourGibibytes) {
    const ULONGLONG FourGiB = 4ULL << 30;
    HANDLE file = CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, NULL, 0, NULL, 0, &returned, NULL);
    // More text than the pane shows ends just below 4 GiB, behind a hole of
    // zero bytes; then the shown range crosses 4 GiB, then lies wholly above.
    std::string below = lines("below", 1, 40);
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)(FourGiB - below.size() - 100);
    ASSERT_TRUE(SetFilePointerEx(file, at, NULL, FILE_BEGIN));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, below.data(), (DWORD)below.size(), &written, NULL));
    CloseHandle(file);

    startShell(logPath);
    expectPaneEndsWith("below 40\r\n");
    // Appended through Windows, with 64-bit file offsets.
    HeldWriter writer(logPath, GENERIC_WRITE, FILE_SHARE_READ);
    writer.append(lines("across", 1, 20));
    expectPaneEndsWith("below 40\r\n" + lines("across", 1, 20));
    writer.append(lines("above", 1, 40));
    expectPaneEndsWith("above 40\r\n");

    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExA(logPath.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(1u, attributes.nFileSizeHigh);
    EXPECT_EQ(std::string::npos, paneText().find("below")) << paneText();
    DeleteFileA(logPath.c_str());
}

// The plugin opens files by their name in the ANSI code page, so a path can
// hold only characters of that page: here Latin-1 letters, which code page
// 1252, Wine's default, has.
TEST_F(LogWriter, PathWithSpacesAndAccentedLetters) {
    std::wstring wideFolder = wide(folder) + L"journaux d'\u00e9t\u00e9 \u00c5\u00df\\";
    std::wstring wideFile = wideFolder + L"pr\u00fcfung gr\u00f6\u00dfe.log";
    char path[MAX_PATH * 2];
    BOOL lost = FALSE;
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wideFile.c_str(), -1, path,
                                     sizeof path, NULL, &lost);
    if (length == 0 || lost) GTEST_SKIP() << "code page " << GetACP() << " lacks the letters";
    CreateDirectoryW(wideFolder.c_str(), NULL);
    HANDLE file = CreateFileW(wideFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::string text = lines("accented", 1, 20);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
    CloseHandle(file);

    startShell(path);
    expectPaneEndsWith("accented 20\r\n");
    appendFile(path, lines("accented", 21, 21));
    expectPaneEndsWith("accented 21\r\n");
    DeleteFileW(wideFile.c_str());
    RemoveDirectoryW(wideFolder.c_str());
}

TEST_F(LogWriter, Utf8LogReadsBackExactly) {
    // Letters whose second byte is one of the bytes code page 1252 leaves
    // undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) are among them.
    std::string text =
        "gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE2\x9C\x93\r\n"
        "\xC3\x81 \xC5\x8D \xC5\x8F \xC5\x90 \xC5\x9D \xF0\x9F\x93\x9C\r\n";
    writeFile(logPath, text);
    startShell(logPath, 4096);
    expectPaneShows(text);
    std::string more = "\xD0\xBB\xD0\xBE\xD0\xB3 \xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82\r\n";
    appendFile(logPath, more);
    expectPaneShows(text + more);
}

}  // namespace

int main(int count, char** arguments) {
    ::testing::InitGoogleTest(&count, arguments);
    if (count < 3) {
        fprintf(stderr, "usage: log_writer_tests QUORVANE_EXE QVPERUSER_DLL\n");
        return 2;
    }
    builtShell = arguments[1];
    builtPlugin = arguments[2];
    return RUN_ALL_TESTS();
}
