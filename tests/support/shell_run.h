// The stand-in shell around a test program: its own implementation of the
// shell's functions, main window, slit, styles and menus, started in the
// test's process, with its trace recorded for the tests to read.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Starts the shell's main window, with the given folder as the shell's own,
// the built-in styles, and a fresh recording of its trace.
void startShell(const std::string& folderWithBackslash);
// Closes the editors it opened, its menus and windows, and stops the recording.
void stopShell();
// A top-level window of the class whose title holds titlePart, waited for;
// NULL when none shows in time.
HWND waitForWindow(const char* className, const std::string& titlePart,
                   int milliseconds = 10000);

// The shell's trace since the last clear: one line per shell function call
// and per message it received or broadcast, as in its --trace file.
namespace shellTrace {
extern std::vector<std::string> lines;
void clear();
std::vector<std::string> startingWith(const std::string& prefix);
int count(const std::string& prefix);
// Index of the first line starting with prefix at or after from, or -1.
int find(const std::string& prefix, int from = 0);
// The lines that start with any of the prefixes, in order: a sequence to
// compare whole.
std::vector<std::string> only(const std::vector<std::string>& prefixes);
}  // namespace shellTrace

// A window handle as the trace writes it.
std::string handleText(HWND window);

// A setting as the shell stores it, or "(missing)"; and the file's keys in
// order, comments left out.
std::string storedSetting(const std::string& file, const std::string& key);
std::vector<std::string> storedKeys(const std::string& file);

// Pumps the thread's messages for the given time, as a user's shell would.
void pumpMessages(int milliseconds);
// Pumps them until the condition holds, for at most the given time; says
// whether it held. For what arrives when the machine gets to it.
bool pumpUntil(const std::function<bool()>& condition, int milliseconds = 10000);
