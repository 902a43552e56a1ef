// The --trace file: one line per shell function call and per message the
// shell receives or broadcasts.
#pragma once

void openTrace(const char* path);
void closeTrace();
// printf-style; does nothing without a trace file.
void trace(const char* format, ...);
