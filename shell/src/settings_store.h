// Settings files of "key: value" lines, as the shell's Read*/Write* functions
// keep them. Keys match without regard to case; a write replaces the first
// line of its key in place and keeps every other line, or appends one.
#pragma once

#include <string>
#include <vector>

// Lines without their endings, and without a UTF-8 byte-order mark before
// the first; the text's own line ending is kept in newline.
std::vector<std::string> splitLines(const std::string& text, std::string* newline);
// Without blanks and tabs at either end.
std::string trimmed(const std::string& text);

// The value stored under key (with or without its trailing colon), trimmed
// of blanks; false when the file or the key is missing.
bool storeRead(const char* file, const char* key, std::string* value);

// Between these two calls the text of the file last read is kept and read
// again only after a file is replaced, or when another file is asked for:
// the shell holds its files while a plugin starts.
void holdSettingsFiles();
void releaseSettingsFiles();
// The file's whole text, through the kept copy while files are held.
bool readSettingsFile(const char* file, std::string* text);

// Stores key and value, creating the file when missing. The new content goes
// to a temporary file in the same folder that then replaces the original, so
// a failure leaves the old file whole. False when the file could not be
// replaced.
bool storeWrite(const char* file, const char* key, const char* value);

// The pure part of storeWrite: the file's new text, with the byte-order
// mark that the old one began with.
std::string replaceSetting(const std::string& text, const std::string& key,
                           const std::string& value);
// The pure part of storeRead.
bool findSetting(const std::string& text, const std::string& key, std::string* value);

// Replaces file with text through a temporary file in the same folder.
bool replaceFileAtomically(const char* file, const std::string& text);
