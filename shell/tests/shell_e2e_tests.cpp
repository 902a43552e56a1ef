// Runs the real quorvane.exe with the real plugin in a folder of its own and
// drives it from outside, as a user would: second starts with --exec, window
// messages and mouse input.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "support/linux_programs.h"
#include "support/test_files.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

struct BuiltFiles {
    std::string shell, plugin, failingPlugin;
} built;
std::string slowFiles;  // the Linux path of slow_files.py

bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

std::string logLines(int first, int last) {
    std::string text;
    for (int i = first; i <= last; ++i) text += "log line " + std::to_string(i) + "\r\n";
    return text;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ShellRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder = makeTempFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(CopyFileA(built.shell.c_str(), (folder + "quorvane.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(built.plugin.c_str(), (folder + "qvperuser.dll").c_str(), FALSE));
        CopyFileA(built.failingPlugin.c_str(), (folder + "failing_plugin.dll").c_str(), FALSE);
        writeFile(folder + "plugins.rc", "# the viewer\r\nqvperuser.dll\r\n");
        writeFile(folder + "watched.log", logLines(1, 50));
        writeFile(folder + "qvperuser.rc",
                  "# kept by the shell\r\n"
                  "qvperuser.x: 100\r\nqvperuser.y: 120\r\n"
                  "qvperuser.width: 400\r\nqvperuser.height: 200\r\n"
                  "qvperuser.filePath: " + folder + "watched.log\r\n"
                  "qvperuser.readBufferSize: 200\r\n"
                  "qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n"
                  "qvperuser.snapWindow: false\r\n");
    }

    void TearDown() override {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process.hProcess, 99);
                WaitForSingleObject(process.hProcess, 5000);
            }
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }

    // Starts quorvane.exe from the test folder with its standard error in stderr.txt.
    void startShell(const std::string& arguments) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
        HANDLE errors = CreateFileA((folder + "stderr.txt").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0, NULL);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errors;
        startup.hStdOutput = errors;
        std::string line = "\"" + folder + "quorvane.exe\" --trace \"" + folder + "trace.txt\" " + arguments;
        ASSERT_TRUE(CreateProcessA(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, folder.c_str(),
                                   &startup, &process));
        CloseHandle(errors);
    }

    // The plugin's window of this run: top-level, or docked in the slit.
    HWND viewer() {
        HWND slit = FindWindowA("QuorvaneSlit", NULL);
        for (HWND parent : {(HWND)NULL, slit}) {
            HWND window = NULL;
            while ((window = FindWindowExA(parent, window, "QVPeruser", NULL)) != NULL) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == process.dwProcessId) return window;
            }
            if (!slit) break;
        }
        return NULL;
    }

    HWND waitForViewer() {
        waitFor([&] { return viewer() != NULL && IsWindowVisible(viewer()); });
        return viewer();
    }

    // The text of the viewer's child of a class, as a screen reader reads it:
    // the pane ("Edit") or the status line ("Static").
    std::string childText(const char* className) {
        HWND child = FindWindowExA(viewer(), NULL, className, NULL);
        char text[8192] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 2000, &length);
        return text;
    }
    std::string paneText() { return childText("Edit"); }
    std::string statusText() { return childText("Static"); }

    RECT viewerRect() {
        RECT rect = {};
        GetWindowRect(viewer(), &rect);
        return rect;
    }

    // A second start that hands its commands to the running shell, on a
    // Unicode command line: the command is given in UTF-8.
    DWORD exec(const std::string& command) {
        std::wstring line = utf8ToWide("\"" + folder + "quorvane.exe\" --exec \"" + command + "\"");
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION second = {};
        // Wine under load has refused a start now and then; a second try is
        // still a start of the program.
        bool started = false;
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            started = CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, utf8ToWide(folder).c_str(), &startup, &second);
            if (!started) Sleep(200);
        }
        if (!started) {
            ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
            return 1000;
        }
        DWORD code = 1001;
        if (WaitForSingleObject(second.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(second.hProcess, &code);
        CloseHandle(second.hProcess);
        CloseHandle(second.hThread);
        return code;
    }

    DWORD quitAndWait() {
        EXPECT_EQ(0u, exec("@QVQuit"));
        DWORD code = 1002;
        if (WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &code);
        }
        return code;
    }

    std::string setting(const std::string& key) {
        std::string text = readFile(folder + "qvperuser.rc");
        size_t at = text.find("\n" + key + ":");
        if (at == std::string::npos) return "(missing)";
        size_t start = at + key.size() + 3;
        return text.substr(start, text.find_first_of("\r\n", start) - start);
    }

    std::string folder;
    PROCESS_INFORMATION process = {};
};

// The shell's open menu of that title.
HWND openMenu(const char* title) {
    HWND menu = FindWindowA("QuorvaneMenu", title);
    return menu && IsWindowVisible(menu) ? menu : NULL;
}

void pressKeys(HWND window, std::initializer_list<WPARAM> keys) {
    for (WPARAM key : keys) {
        PostMessageA(window, WM_KEYDOWN, key, 0);
        Sleep(100);
    }
}

void rightClickAt(int x, int y) {
    SetCursorPos(x, y);
    Sleep(100);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, clicks, sizeof(INPUT));
}

}  // namespace

TEST_F(ShellRun, WindowShowsTheFilesTailAtItsPlaceAndFollowsTheFile) {
    startShell("");
    HWND window = waitForViewer();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(waitFor([&] { return viewerRect().left == 100 && viewerRect().top == 120; }));
    RECT rect = viewerRect();
    EXPECT_EQ(400, rect.right - rect.left);
    EXPECT_EQ(200, rect.bottom - rect.top);
    ASSERT_TRUE(waitFor([&] { return contains(paneText(), "log line 50"); }));
    EXPECT_FALSE(contains(paneText(), "log line 10\r\n"));  // only the last 200 bytes

    appendFile(folder + "watched.log", logLines(51, 52));
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 52"); }, 4000)) << paneText();
    EXPECT_EQ(0u, quitAndWait());
}

TEST_F(ShellRun, CommandsChangeWhatIsSeenAndQuitSavesEveryChange) {
    startShell("");
    HWND window = waitForViewer();
    ASSERT_NE(nullptr, window);
    HWND pane = FindWindowExA(window, NULL, "Edit", NULL);
    EXPECT_TRUE(GetWindowLongA(pane, GWL_STYLE) & ES_AUTOHSCROLL);

    EXPECT_EQ(0u, exec("@QVPeruserWidthSize 300"));
    EXPECT_TRUE(waitFor([&] { return viewerRect().right - viewerRect().left == 300; }));

    EXPECT_EQ(0u, exec("@QVPeruserWordWrap"));
    EXPECT_TRUE(waitFor([&] {
        HWND newPane = FindWindowExA(viewer(), NULL, "Edit", NULL);
        return newPane && !(GetWindowLongA(newPane, GWL_STYLE) & ES_AUTOHSCROLL);
    }));

    EXPECT_EQ(0u, exec("@QVPeruserTransparent"));
    EXPECT_TRUE(waitFor([&] {
        BYTE alpha = 0;
        DWORD flags = 0;
        return GetLayeredWindowAttributes(viewer(), NULL, &alpha, &flags) && (flags & LWA_ALPHA) &&
               alpha == 160;
    }));

    // The shell's broadcasts of the other messages the plugin registers for.
    EXPECT_EQ(0u, exec("@QVRedraw"));
    EXPECT_EQ(0u, exec("@QVRestyle"));

    EXPECT_EQ(0, quitAndWait());
    EXPECT_EQ("300", setting("qvperuser.width"));
    EXPECT_EQ("true", setting("qvperuser.wordWrap"));
    EXPECT_EQ("true", setting("qvperuser.transparency"));
    EXPECT_EQ("100", setting("qvperuser.x"));
    std::string saved = readFile(folder + "qvperuser.rc");
    EXPECT_EQ(0u, saved.find("# kept by the shell\r\nqvperuser.x: 100\r\n")) << saved;

    std::string trace = readFile(folder + "trace.txt");
    EXPECT_TRUE(contains(trace, "broadcast HostMsgCommand \"@QVPeruserWidthSize 300\" to 1")) << trace;
    EXPECT_TRUE(contains(trace, "broadcast HostMsgRedraw to 1")) << trace;
    EXPECT_TRUE(contains(trace, "broadcast HostMsgRestyle to 1")) << trace;
    EXPECT_TRUE(contains(trace, "ending ")) << trace;
}

// A second start reports delivery, not the end of the command: the About
// box runs until it is closed, and the shell takes commands meanwhile.
TEST_F(ShellRun, ExecIsDeliveredWithoutWaitingForTheCommandToFinish) {
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    EXPECT_EQ(0u, exec("@QVPeruserAbout"));
    HWND box = NULL;
    ASSERT_TRUE(waitFor([&] { return (box = FindWindowA("#32770", "QVPeruser")) != NULL; }));
    EXPECT_EQ(0u, exec("@QVPeruserWidthSize 300"));
    EXPECT_TRUE(waitFor([&] { return viewerRect().right - viewerRect().left == 300; }));
    EXPECT_TRUE(IsWindowVisible(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(box); }));
    EXPECT_EQ(0u, quitAndWait());
}

TEST_F(ShellRun, MenuStaysOpenTakesNumbersInPlaceAndFollowsToggles) {
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    RECT rect = viewerRect();
    rightClickAt(rect.left + 2, rect.top + 2);
    ASSERT_TRUE(waitFor([] { return openMenu("QVPeruser") != NULL; }, 5000));
    EXPECT_TRUE(contains(readFile(folder + "trace.txt"), "ShowMenu(QVM_Main,popup)"));
    // The request to put menus away closes it.
    SendMessageA(FindWindowA("QuorvaneShell", NULL), 10302, 0, 0);
    EXPECT_TRUE(waitFor([] { return openMenu("QVPeruser") == NULL; }, 5000));

    rightClickAt(rect.left + 2, rect.top + 2);
    ASSERT_TRUE(waitFor([] { return openMenu("QVPeruser") != NULL; }, 5000));
    pressKeys(openMenu("QVPeruser"), {VK_DOWN, VK_DOWN, VK_RIGHT});
    HWND window = NULL;
    ASSERT_TRUE(waitFor([&] { return (window = openMenu("Window Configuration")) != NULL; }, 5000));

    // Width Size takes its number in place, only within its limits.
    pressKeys(window, {VK_RETURN});
    HWND field = NULL;
    ASSERT_TRUE(waitFor([&] { return (field = FindWindowExA(window, NULL, "Edit", NULL)) != NULL; }));
    SendMessageA(field, WM_SETTEXT, 0, (LPARAM) "5000");  // beyond the screen's width
    pressKeys(field, {VK_RETURN});
    Sleep(300);
    EXPECT_TRUE(IsWindow(field));
    SendMessageA(field, WM_SETTEXT, 0, (LPARAM) "333");
    pressKeys(field, {VK_RETURN});
    EXPECT_TRUE(waitFor([&] { return !IsWindow(field); }, 5000));
    EXPECT_TRUE(waitFor([&] { return viewerRect().right - viewerRect().left == 333; }, 5000));

    // Show Border runs while the menu stays open, and the open menu follows it.
    pressKeys(window, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN,
                       VK_RETURN});
    std::string trace;
    EXPECT_TRUE(waitFor([&] {
        trace = readFile(folder + "trace.txt");
        size_t sent = trace.find("broadcast HostMsgCommand \"@QVPeruserShowBorder\"");
        return sent != std::string::npos && trace.find("open menu QVM_Main refreshed", sent) != std::string::npos;
    }, 5000)) << trace;
    EXPECT_EQ(window, openMenu("Window Configuration"));
    EXPECT_EQ(0u, quitAndWait());
    EXPECT_EQ("333", setting("qvperuser.width"));
    EXPECT_EQ("false", setting("qvperuser.showBorder"));
}

TEST_F(ShellRun, SurvivesAPluginWhoseStartFails) {
    startShell("--plugin failing_plugin.dll --plugin missing.dll --plugin qvperuser.dll");
    EXPECT_NE(nullptr, waitForViewer());
    // The shell reports a start only after the plugin's window has shown.
    std::string errors;
    waitFor([&] { return contains(errors = readFile(folder + "stderr.txt"), "qvperuser.dll: started"); });
    EXPECT_TRUE(contains(errors, "failing_plugin.dll: its start failed")) << errors;
    EXPECT_TRUE(contains(errors, "missing.dll: cannot be loaded")) << errors;
    EXPECT_TRUE(contains(errors, "qvperuser.dll: started in ")) << errors;
    EXPECT_TRUE(contains(errors, " ms, its window shown")) << errors;
    EXPECT_EQ(0u, quitAndWait());  // the failed plugin's endPlugin is never called
}

TEST_F(ShellRun, SlitTakesTheWindowInAndGivesItBack) {
    appendFile(folder + "qvperuser.rc", "qvperuser.inSlit: true\r\n");
    startShell("--slit");
    ASSERT_NE(nullptr, waitForViewer());
    HWND slit = FindWindowA("QuorvaneSlit", NULL);
    ASSERT_NE(nullptr, slit);
    // The slit takes the window in after the plugin's start has returned.
    ASSERT_TRUE(waitFor([&] { return GetParent(viewer()) == slit; }, 5000));
    RECT slitRect;
    GetWindowRect(slit, &slitRect);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), slitRect.right);
    EXPECT_EQ(400, slitRect.right - slitRect.left);
    EXPECT_EQ(200, slitRect.bottom - slitRect.top);

    EXPECT_EQ(0u, exec("@QVPeruserInSlit"));
    EXPECT_TRUE(waitFor([&] { return GetParent(viewer()) == NULL; }, 5000));
    EXPECT_TRUE(waitFor([&] { return viewerRect().left == 100 && viewerRect().top == 120; }, 5000));
    EXPECT_EQ(0u, quitAndWait());
    EXPECT_EQ("false", setting("qvperuser.inSlit"));
}

// Commands come from the Unicode command line and reach the plugin in UTF-8:
// no character that the ANSI code page lacks turns into a '?' wildcard, in a
// rule or in a path.
TEST_F(ShellRun, ExecHandsCommandsOnInUnicode) {
    std::string logFolder = folder + "журнал";
    makeFolderNamedInUtf8(logFolder);
    writeFileNamedInUtf8(logFolder + "\\app.log", logLines(1, 9));
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    EXPECT_EQ(0u, exec("@QVPeruserHighlightRule 3 #8000FF ошибка|ζωή"));
    EXPECT_EQ(0u, exec("@QVPeruserFilePath " + logFolder + "\\app.log"));
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 9"); })) << paneText();
    EXPECT_EQ(0u, quitAndWait());
    EXPECT_EQ("#8000FF ошибка|ζωή", setting("qvperuser.highlight3"));
    EXPECT_EQ(logFolder + "\\app.log", setting("qvperuser.filePath"));
}

TEST_F(ShellRun, ExecWithoutARunningShellFails) {
    ASSERT_EQ(NULL, FindWindowA("QuorvaneShell", NULL));
    EXPECT_EQ(1u, exec("@QVQuit"));
}

// The shell with its plugin watching a file whose reads stall, on a file
// system of the test's own (slow_files.py); skipped, and said so, where no
// such file system can be mounted.
class StalledFile : public ShellRun {
protected:
    void SetUp() override {
        ShellRun::SetUp();
        CreateDirectoryA((folder + "source").c_str(), NULL);
        CreateDirectoryA((folder + "mounted").c_str(), NULL);
        writeFile(folder + "source\\ready", "");
        setDelay(0);
        std::string mount = "nohup /usr/bin/python3 '" + slowFiles +
                            "' source mounted delay > mount.log 2>&1 &";
        std::string started = runLinux(folder, mount);
        if (!waitFor([&] { return fileExists(folder + "mounted\\ready"); }, 10000)) {
            GTEST_SKIP() << "no file system of the test's own can be mounted here (/dev/fuse): "
                         << started << readFile(folder + "mount.log");
        }
        mounted = true;
    }
    void TearDown() override {
        setDelay(0);
        ShellRun::TearDown();
        if (mounted) runLinux(folder, "umount -l mounted");
    }
    void setDelay(int seconds) { writeFile(folder + "delay", std::to_string(seconds)); }
    void setListingDelay(int seconds) { writeFile(folder + "delay", "list " + std::to_string(seconds)); }
    void makeReadsFail() { writeFile(folder + "delay", "fail"); }
    // In a window wide enough for a notice's reason and path, a line each.
    void watchMountedFile() {
        writeFile(folder + "source\\watched.log", logLines(1, 20));
        writeFile(folder + "qvperuser.rc",
                  "qvperuser.width: 1200\r\n"
                  "qvperuser.filePath: " + folder + "mounted\\watched.log\r\n"
                  "qvperuser.readBufferSize: 300\r\n"
                  "qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n");
    }
    void startAgain() {
        EXPECT_EQ(0u, exec("@QVUnloadPlugins"));
        EXPECT_TRUE(waitFor([&] { return viewer() == NULL; }, 5000));
        EXPECT_EQ(0u, exec("@QVLoadPlugins"));
        ASSERT_NE(nullptr, waitForViewer());
    }

    // The viewer window answers within 200 ms all along, as long as the wait
    // lasts; the longest answer is printed.
    bool answersThroughout(int milliseconds) {
        DWORD longest = 0;
        for (int waited = 0; waited < milliseconds; waited += 50) {
            DWORD_PTR result = 0;
            DWORD asked = GetTickCount();
            if (viewer() && !SendMessageTimeoutA(viewer(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200,
                                                 &result)) {
                return false;
            }
            longest = std::max(longest, GetTickCount() - asked);
            Sleep(50);
        }
        printf("the viewer window answered within %lu ms\n", (unsigned long)longest);
        return true;
    }
    bool pluginLoaded() {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.dwProcessId);
        MODULEENTRY32 module = {sizeof module};
        bool found = false;
        for (BOOL more = Module32First(snapshot, &module); more && !found;
             more = Module32Next(snapshot, &module)) {
            found = _stricmp(module.szModule, "qvperuser.dll") == 0;
        }
        CloseHandle(snapshot);
        return found;
    }

    bool mounted = false;
};

TEST_F(StalledFile, NeitherHoldsTheShellNorOutlivesTheUnloadedPlugin) {
    watchMountedFile();
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 20"); })) << paneText();

    // Reads now take four seconds: the reload timer's read waits on its own thread.
    setDelay(4);
    appendFile(folder + "source\\watched.log", logLines(21, 22));
    EXPECT_TRUE(answersThroughout(2500));

    // Unloading returns at once, and a new start shows that the file is not answering.
    EXPECT_EQ(0u, exec("@QVUnloadPlugins"));
    EXPECT_TRUE(waitFor([&] { return viewer() == NULL; }, 5000));
    std::string errors = readFile(folder + "stderr.txt");
    size_t ended = errors.find("qvperuser.dll: ended in ");
    ASSERT_NE(std::string::npos, ended) << errors;
    EXPECT_LT(atof(errors.c_str() + ended + 24), 1000.0) << errors;
    EXPECT_EQ(0u, exec("@QVLoadPlugins"));
    ASSERT_NE(nullptr, waitForViewer());
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "not answering"); }, 5000)) << paneText();
    EXPECT_TRUE(contains(paneText(), folder + "mounted\\watched.log")) << paneText();
    EXPECT_TRUE(answersThroughout(1500));

    // A new path asked for meanwhile waits its turn, and wins over the late
    // answer; no reload timer comes in between.
    EXPECT_EQ(0u, exec("@QVPeruserReloadInterval 3600"));
    writeFile(folder + "local.log", "a local line\r\n");
    EXPECT_EQ(0u, exec("@QVPeruserFilePath " + folder + "local.log"));
    EXPECT_TRUE(contains(paneText(), "not answering")) << paneText();
    setDelay(0);
    bool staleShown = false;
    EXPECT_TRUE(waitFor([&] {
        staleShown = staleShown || contains(paneText(), "log line");
        return paneText() == "a local line\r\n";
    }, 15000)) << paneText();
    EXPECT_FALSE(staleShown);

    // The file answers again: it shows; the first start's reader has ended.
    EXPECT_EQ(0u, exec("@QVPeruserFilePath " + folder + "mounted\\watched.log"));
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 22"); }, 5000)) << paneText();

    // A path refused while a read stalls: the late answer does not cover the refusal.
    setDelay(3);
    EXPECT_EQ(0u, exec("@QVPeruserFilePath " + folder + "mounted\\watched.log"));
    EXPECT_EQ(0u, exec("@QVPeruserFilePath " + folder + "mo*\\watched.log"));
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "not in the folder"); }, 2000)) << paneText();
    setDelay(0);
    Sleep(4000);
    EXPECT_TRUE(contains(paneText(), "not in the folder")) << paneText();

    EXPECT_EQ(0u, exec("@QVUnloadPlugins"));
    EXPECT_TRUE(waitFor([&] { return !pluginLoaded(); }, 10000));
    EXPECT_EQ(0u, quitAndWait());
}

// Every reader slot held by an earlier start's stalled read: a fifth start
// reads nothing on the shell's thread, and shows the file once a reader is free.
TEST_F(StalledFile, AStartWithEveryReaderStalledWaitsForAFreeOne) {
    watchMountedFile();
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    ASSERT_TRUE(waitFor([&] { return contains(paneText(), "log line 20"); })) << paneText();
    setDelay(12);
    appendFile(folder + "source\\watched.log", logLines(21, 22));
    Sleep(1500);  // the reload timer's read stalls
    for (int start = 2; start <= 5; ++start) {
        startAgain();
        EXPECT_TRUE(waitFor([&] { return contains(paneText(), "not answering"); }, 3000))
            << "start " << start << ": " << paneText();
        EXPECT_TRUE(answersThroughout(start == 5 ? 2000 : 200)) << "start " << start;
    }
    setDelay(0);
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 22"); }, 20000)) << paneText();
    EXPECT_EQ(0u, quitAndWait());
}

// Reads that fail keep the text shown, are tried again, and say why where
// nothing of the file is shown yet.
TEST_F(StalledFile, AFailedReadIsNotAnEmptyFile) {
    watchMountedFile();
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    ASSERT_TRUE(waitFor([&] { return contains(paneText(), "log line 20"); })) << paneText();
    makeReadsFail();
    appendFile(folder + "source\\watched.log", logLines(21, 22));
    Sleep(2500);
    EXPECT_TRUE(contains(paneText(), "log line 20")) << paneText();
    setDelay(0);
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 22"); }, 5000)) << paneText();

    makeReadsFail();
    startAgain();
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "Cannot read the file: "); }, 5000))
        << paneText();
    setDelay(0);
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "log line 22"); }, 5000)) << paneText();
    EXPECT_EQ(0u, quitAndWait());
}

// A folder whose listing stalls holds the reader alone, as a stalled read does.
TEST_F(StalledFile, AFolderWhoseListingStallsHoldsOnlyTheReader) {
    removeFile(folder + "source\\app-2.log");  // left by an earlier run
    writeFile(folder + "source\\app-1.log", logLines(1, 20));
    std::string pattern = folder + "mounted\\app-*.log";
    writeFile(folder + "qvperuser.rc",
              "qvperuser.width: 1200\r\nqvperuser.filePath: " + pattern + "\r\nqvperuser.readBufferSize: 300\r\n"
              "qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n"
              "qvperuser.rescan(sec): 1\r\n");
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    ASSERT_TRUE(waitFor([&] { return contains(paneText(), "log line 20"); })) << paneText();

    setListingDelay(4);
    writeFile(folder + "source\\app-2.log", "the newer log\r\n");
    EXPECT_TRUE(answersThroughout(2500));
    EXPECT_TRUE(waitFor([&] { return paneText() == "the newer log\r\n"; }, 10000)) << paneText();

    // A start whose listing stalls says so, naming the pattern, until it answers.
    startAgain();
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "not answering"); }, 5000)) << paneText();
    EXPECT_TRUE(contains(paneText(), pattern)) << paneText();
    EXPECT_TRUE(answersThroughout(1500));
    setDelay(0);
    EXPECT_TRUE(waitFor([&] { return paneText() == "the newer log\r\n"; }, 15000)) << paneText();
    EXPECT_EQ(0u, quitAndWait());
}

// A filter looking through a large file on a slow share is at work, not
// stalled: the pane says so while its reads go on, and shows the lines when
// they are found, however long that takes.
TEST_F(StalledFile, ALongFilteredSearchSaysItIsLooking) {
    std::string log = "ERROR the only one\r\n";
    for (int i = 2; log.size() < 900 * 1024; ++i) log += "heartbeat " + std::to_string(i) + "\r\n";
    writeFile(folder + "source\\watched.log", log);
    writeFile(folder + "qvperuser.rc",
              "qvperuser.width: 1200\r\nqvperuser.filePath: " + folder + "mounted\\watched.log\r\n"
              "qvperuser.filterShow: error\r\n"
              "qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\n");
    writeFile(folder + "delay", "0.4");  // seconds for each read
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "Looking for the lines that pass the filter in:\r\n" +
                                                              folder + "mounted\\watched.log"); },
                        5000)) << paneText();
    // The reload ticks meanwhile neither start the search again nor drop its answer.
    EXPECT_TRUE(waitFor([&] { return paneText() == "ERROR the only one\r\n"; }, 20000)) << paneText();
    EXPECT_EQ(0u, quitAndWait());
}

// A source whose share stalls holds up no other: the live one's lines show
// within a reload interval, and the stalled one says it is not answering.
TEST_F(StalledFile, AStalledSourceHoldsUpNoOther) {
    writeFile(folder + "source\\slow.log", logLines(1, 3));
    writeFile(folder + "live.log", "2026-12-08 10:00:00 live\r\n");
    writeFile(folder + "qvperuser.rc",
              "qvperuser.filePath: " + folder + "live.log\r\nqvperuser.label: live\r\n"
              "qvperuser.source2: slow " + folder + "mounted\\slow.log\r\n"
              "qvperuser.autoReload: true\r\nqvperuser.reloadInterval(sec): 1\r\nqvperuser.statusLine: true\r\n"
              "qvperuser.width: 600\r\n");
    setDelay(8);
    startShell("");
    ASSERT_NE(nullptr, waitForViewer());
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "[slow] Waiting for the file, which is not answering: "); },
                        5000)) << paneText();
    // The status line says so too, and for how long, first as a source in
    // trouble; the live source is followed.
    EXPECT_TRUE(waitFor([&] { return contains(statusText(), "[slow] slow.log not answering 2 s"); }, 5000))
        << statusText();
    EXPECT_EQ(0u, statusText().find("[slow] slow.log not answering ")) << statusText();
    EXPECT_TRUE(contains(statusText(), " \xB7 [live] live.log ")) << statusText();
    appendFile(folder + "live.log", "2026-12-08 10:00:01 still live\r\n");
    EXPECT_TRUE(waitFor([&] { return contains(paneText(), "[live] 2026-12-08 10:00:01 still live"); }, 2500))
        << paneText();
    EXPECT_TRUE(answersThroughout(1000));
    setDelay(0);
    EXPECT_EQ(0u, quitAndWait());
}

int main(int count, char** arguments) {
    ::testing::InitGoogleTest(&count, arguments);
    if (count < 4) {
        fprintf(stderr, "usage: shell_e2e_tests QUORVANE_EXE QVPERUSER_DLL FAILING_PLUGIN_DLL\n");
        return 2;
    }
    built = {arguments[1], arguments[2], arguments[3]};
    if (count > 4) slowFiles = arguments[4];
    return RUN_ALL_TESTS();
}
