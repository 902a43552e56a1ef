#include "trace.h"

#include <cstdarg>
#include <cstdio>

#include "host/host.h"

static HANDLE traceFile = INVALID_HANDLE_VALUE;
static void (*recorder)(const char* line);

void openTrace(const char* path) {
    traceFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
}

void closeTrace() {
    if (traceFile != INVALID_HANDLE_VALUE) CloseHandle(traceFile);
    traceFile = INVALID_HANDLE_VALUE;
}

void recordTrace(void (*record)(const char* line)) { recorder = record; }

void trace(const char* format, ...) {
    if (traceFile == INVALID_HANDLE_VALUE && !recorder) return;
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(line, sizeof line - 2, format, arguments);
    va_end(arguments);
    if (length < 0) return;
    if (length > (int)sizeof line - 3) length = sizeof line - 3;
    line[length] = 0;
    if (recorder) recorder(line);
    line[length++] = '\r';
    line[length++] = '\n';
    DWORD written;
    if (traceFile != INVALID_HANDLE_VALUE) WriteFile(traceFile, line, length, &written, NULL);
}

std::string messageName(UINT message) {
    switch (message) {
    case HostMsgRegister: return "HostMsgRegister";
    case HostMsgUnregister: return "HostMsgUnregister";
    case HostMsgRestyle: return "HostMsgRestyle";
    case HostMsgMenusAway: return "HostMsgMenusAway";
    case HostMsgRedraw: return "HostMsgRedraw";
    case HostMsgCommand: return "HostMsgCommand";
    case SlitMsgAdd: return "SlitMsgAdd";
    case SlitMsgRemove: return "SlitMsgRemove";
    case SlitMsgUpdate: return "SlitMsgUpdate";
    }
    return std::to_string(message);
}
