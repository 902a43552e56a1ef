#include "support/shell_run.h"

#include <cstdio>
#include <cstring>

#include "menu_windows.h"
#include "settings_store.h"
#include "shell.h"
#include "styles.h"
#include "trace.h"

namespace shellTrace {

std::vector<std::string> lines;

void clear() { lines.clear(); }

std::vector<std::string> startingWith(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    }
    return found;
}

int count(const std::string& prefix) { return (int)startingWith(prefix).size(); }

int find(const std::string& prefix, int from) {
    for (int i = from; i < (int)lines.size(); ++i) {
        if (lines[i].compare(0, prefix.size(), prefix) == 0) return i;
    }
    return -1;
}

std::vector<std::string> only(const std::vector<std::string>& prefixes) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        for (const std::string& prefix : prefixes) {
            if (line.compare(0, prefix.size(), prefix) != 0) continue;
            found.push_back(line);
            break;
        }
    }
    return found;
}

}  // namespace shellTrace

static int editorsOpened;

static void recordLine(const char* line) {
    shellTrace::lines.push_back(line);
    if (strstr(line, "notepad.exe opened it")) ++editorsOpened;
}

HWND waitForWindow(const char* className, const std::string& titlePart, int milliseconds) {
    for (int waited = 0;; waited += 50) {
        HWND window = NULL;
        while ((window = FindWindowExA(NULL, window, className, NULL)) != NULL) {
            char title[MAX_PATH] = "";
            GetWindowTextA(window, title, sizeof title);
            if (strstr(title, titlePart.c_str())) return window;
        }
        if (waited >= milliseconds) return NULL;
        Sleep(50);
    }
}

// Under Wine a program the shell starts keeps the test program's standard
// error open, and the test run would wait for it to end: every editor the
// shell opened is closed.
static void closeOpenedEditors() {
    for (; editorsOpened > 0; --editorsOpened) {
        HWND editor = waitForWindow("Notepad", "");
        if (!editor) continue;
        DWORD_PTR ignored;
        SendMessageTimeoutA(editor, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        for (int waited = 0; IsWindow(editor) && waited < 5000; waited += 50) Sleep(50);
    }
}

void startShell(const std::string& folder) {
    shellTrace::clear();
    recordTrace(recordLine);
    shell.instance = GetModuleHandleA(NULL);
    shell.folder = folder;
    loadBuiltInStyles();
    createMainWindow();
}

void stopShell() {
    closeOpenedEditors();
    closeMenus();
    destroyMainWindow();
    recordTrace(NULL);
}

std::string handleText(HWND window) {
    char text[32];
    snprintf(text, sizeof text, "%p", (void*)window);
    return text;
}

std::string storedSetting(const std::string& file, const std::string& key) {
    std::string value;
    return storeRead(file.c_str(), key.c_str(), &value) ? value : "(missing)";
}

std::vector<std::string> storedKeys(const std::string& file) {
    std::string text, newline;
    std::vector<std::string> keys;
    if (!readSettingsFile(file.c_str(), &text)) return keys;
    for (const std::string& line : splitLines(text, &newline)) {
        size_t colon = line.find(':');
        bool comment = !line.empty() && (line[0] == '#' || line[0] == '!');
        if (colon != std::string::npos && !comment) keys.push_back(line.substr(0, colon + 1));
    }
    return keys;
}

bool pumpUntil(const std::function<bool()>& condition, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        pumpMessages(50);
    }
    return condition();
}

void pumpMessages(int milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        int left = (int)(end - GetTickCount());
        if (left <= 0) break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, left, QS_ALLINPUT);
    }
}
