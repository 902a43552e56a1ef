#include "support/shell_run.h"

#include <cstdio>

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

static void recordLine(const char* line) { shellTrace::lines.push_back(line); }

void startShell(const std::string& folder) {
    shellTrace::clear();
    recordTrace(recordLine);
    shell.instance = GetModuleHandleA(NULL);
    shell.folder = folder;
    loadBuiltInStyles();
    createMainWindow();
}

void stopShell() {
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
        if (colon != std::string::npos) keys.push_back(line.substr(0, colon + 1));
    }
    return keys;
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
