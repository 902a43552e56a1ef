// The --trace file: one line per shell function call and per message the
// shell receives or broadcasts. The tests record the same lines.
#pragma once

#include <windows.h>

#include <string>

void openTrace(const char* path);
void closeTrace();
// Hands every line to record as well; null stops it.
void recordTrace(void (*record)(const char* line));
// printf-style; does nothing without a trace file or a recorder.
void trace(const char* format, ...);

// The name of a message between the shell, its slit and plugins, or its number.
std::string messageName(UINT message);
inline const char* boolText(bool value) { return value ? "true" : "false"; }
