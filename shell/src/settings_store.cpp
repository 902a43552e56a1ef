#include "settings_store.h"

#include <windows.h>

#include <cctype>
#include <vector>

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

static std::string withoutColon(const std::string& key) {
    std::string bare = trimmed(key);
    if (!bare.empty() && bare.back() == ':') bare.pop_back();
    return trimmed(bare);
}

static bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i])) return false;
    }
    return true;
}

static bool isComment(const std::string& line) {
    std::string text = trimmed(line);
    return text.empty() || text[0] == '#' || text[0] == '!';
}

// The line's value when it holds key, else false.
static bool lineValue(const std::string& line, const std::string& bareKey, std::string* value) {
    if (isComment(line)) return false;
    size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    if (!sameText(trimmed(line.substr(0, colon)), bareKey)) return false;
    *value = trimmed(line.substr(colon + 1));
    return true;
}

// The UTF-8 byte-order mark that editors such as Notepad may write first.
static const std::string Utf8Mark = "\xEF\xBB\xBF";

static bool startsWithMark(const std::string& text) { return text.compare(0, 3, Utf8Mark) == 0; }

std::vector<std::string> splitLines(const std::string& text, std::string* newline) {
    *newline = text.empty() || text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<std::string> lines;
    size_t start = startsWithMark(text) ? Utf8Mark.size() : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool findSetting(const std::string& text, const std::string& key, std::string* value) {
    std::string newline;
    std::string bareKey = withoutColon(key);
    for (const std::string& line : splitLines(text, &newline)) {
        if (lineValue(line, bareKey, value)) return true;
    }
    return false;
}

std::string replaceSetting(const std::string& text, const std::string& key,
                           const std::string& value) {
    std::string newline;
    std::vector<std::string> lines = splitLines(text, &newline);
    std::string bareKey = withoutColon(key);
    std::string newLine = bareKey + ": " + value;
    bool replaced = false;
    std::string ignored;
    for (std::string& line : lines) {
        if (lineValue(line, bareKey, &ignored)) {
            line = newLine;
            replaced = true;
            break;
        }
    }
    if (!replaced) lines.push_back(newLine);
    std::string result = startsWithMark(text) ? Utf8Mark : "";
    for (const std::string& line : lines) result += line + newline;
    return result;
}

static bool readWholeFile(const char* file, std::string* text) {
    HANDLE handle = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) return false;
    text->clear();
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(handle, chunk, sizeof chunk, &got, NULL) && got > 0) text->append(chunk, got);
    CloseHandle(handle);
    return true;
}

static std::string folderOf(const char* file) {
    std::string path = file;
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

static bool writeNewFile(const char* path, const std::string& text) {
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool complete = WriteFile(handle, text.data(), (DWORD)text.size(), &written, NULL) &&
                    written == text.size() && FlushFileBuffers(handle);
    return CloseHandle(handle) && complete;
}

// While a plugin starts it reads dozens of keys from one file; the shell then
// keeps that file's text rather than reading it again for every key.
static struct {
    bool holding;
    std::string path;  // empty while nothing is kept
    bool found;
    std::string text;
} held;

void holdSettingsFiles() {
    held.holding = true;
    held.path.clear();
}

void releaseSettingsFiles() {
    held.holding = false;
    held.path.clear();
    held.text.clear();
}

bool readSettingsFile(const char* file, std::string* text) {
    if (!held.holding) return readWholeFile(file, text);
    if (held.path.empty() || !sameText(held.path, file)) {
        held.found = readWholeFile(file, &held.text);
        held.path = file;
    }
    *text = held.text;
    return held.found;
}

bool replaceFileAtomically(const char* file, const std::string& text) {
    held.path.clear();
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(folderOf(file).c_str(), "qvs", 0, temporary)) return false;
    if (writeNewFile(temporary, text) &&
        MoveFileExA(temporary, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileA(temporary);
    return false;
}

bool storeRead(const char* file, const char* key, std::string* value) {
    std::string text;
    if (!file || !key || !readSettingsFile(file, &text)) return false;
    return findSetting(text, key, value);
}

bool storeWrite(const char* file, const char* key, const char* value) {
    if (!file || !key) return false;
    std::string text;
    // A file that exists but cannot be read is left alone rather than replaced by one line.
    bool exists = GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES;
    if (!readWholeFile(file, &text) && exists) return false;
    return replaceFileAtomically(file, replaceSetting(text, key, value ? value : ""));
}
