// Files and folders for tests: the test program's own folder (where the
// plugin looks for its settings first) and fresh temporary folders.
#pragma once

#include <string>

std::string programFolder();  // with a trailing backslash
std::string makeTempFolder(const std::string& name);  // emptied, trailing backslash
void writeFile(const std::string& path, const std::string& contents);
void appendFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);
void removeFile(const std::string& path);
bool fileExists(const std::string& path);
bool endsWith(const std::string& text, const std::string& end);

// A path given in UTF-8, for names the ANSI code page lacks: the folder is
// made (when missing) and the file written in place of any before.
std::wstring utf8ToWide(const std::string& text);
void makeFolderNamedInUtf8(const std::string& path);
void writeFileNamedInUtf8(const std::string& path, const std::string& contents);
