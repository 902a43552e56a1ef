#include "support/test_files.h"

#include <windows.h>

#include <fstream>
#include <sstream>

std::string programFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string makeTempFolder(const std::string& name) {
    std::string folder = programFolder() + name + "\\";
    CreateDirectoryA(folder.c_str(), NULL);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((folder + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return folder;
}

void writeFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

void appendFile(const std::string& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << contents;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring utf8ToWide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], (int)wide.size());
    wide.resize(length > 0 ? length : 0);
    return wide;
}

void makeFolderNamedInUtf8(const std::string& path) { CreateDirectoryW(utf8ToWide(path).c_str(), NULL); }

void writeFileNamedInUtf8(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileW(utf8ToWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, contents.data(), (DWORD)contents.size(), &written, NULL);
    CloseHandle(file);
}
