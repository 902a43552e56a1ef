#include "trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

static HANDLE traceFile = INVALID_HANDLE_VALUE;

void openTrace(const char* path) {
    traceFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

void closeTrace() {
    if (traceFile != INVALID_HANDLE_VALUE) CloseHandle(traceFile);
    traceFile = INVALID_HANDLE_VALUE;
}

void trace(const char* format, ...) {
    if (traceFile == INVALID_HANDLE_VALUE) return;
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(line, sizeof line - 2, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    if (length > (int)sizeof line - 3) length = sizeof line - 3;
    line[length++] = '\r';
    line[length++] = '\n';
    DWORD written;
    WriteFile(traceFile, line, length, &written, NULL);
}
