#include "tail/tail.h"

#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"

static const int LinesScrolledAfterLoad = 100;
// The notice about an unreadable file is built in the lower half of the text
// buffer and compared with the pane's text read into the upper half.
static const int NoticeCapacity = TextBufferSize / 2;

static ULONGLONG asNumber(FILETIME time) {
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

void forgetWatchedFile() {
    state.lastWriteTime.dwLowDateTime = 0;
    state.lastWriteTime.dwHighDateTime = 0;
    state.lastFileSize = 0;
}

static void appendText(char* buffer, int capacity, int* length, const char* text) {
    copyText(buffer + *length, capacity - *length, text);
    *length += textLength(buffer + *length);
}

// The system's text for an error code, kept to one line.
static void systemReason(DWORD error, char* reason, int capacity) {
    reason[0] = 0;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   reason, capacity, NULL);
    for (int i = 0; reason[i] != 0; ++i) {
        if (reason[i] == '\r' || reason[i] == '\n') reason[i] = ' ';
    }
    int length = textLength(reason);
    while (length > 0 && reason[length - 1] == ' ') reason[--length] = 0;
    if (length == 0) copyText(reason, capacity, "unknown error");
}

// One line naming the path tried and the system's reason, written only when
// it does not already stand in the pane, so that a user's selection survives.
static void showOpenFailure(DWORD error, const char* folder, const char* path) {
    char* notice = state.textBuffer;
    int length = 0;
    appendText(notice, NoticeCapacity, &length, "Cannot open ");
    appendText(notice, NoticeCapacity, &length, folder);
    appendText(notice, NoticeCapacity, &length, path);
    appendText(notice, NoticeCapacity, &length, ": ");
    char reason[256];
    systemReason(error, reason, sizeof reason);
    appendText(notice, NoticeCapacity, &length, reason);

    char* shown = state.textBuffer + NoticeCapacity;
    if (GetWindowTextLengthA(state.paneWnd) == length) {
        GetWindowTextA(state.paneWnd, shown, NoticeCapacity);
        if (equalsText(shown, notice)) return;
    }
    SetWindowTextA(state.paneWnd, notice);
}

static void showTail(HANDLE file, ULONGLONG fileSize) {
    TailRange range = tailRange(fileSize, state.readBufferSize);
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    at.Offset = (DWORD)range.offset;
    at.OffsetHigh = (DWORD)(range.offset >> 32);
    DWORD bytesRead = 0;
    // A file cut short since its size was taken yields fewer bytes; older
    // text behind them must not show.
    if (!ReadFile(file, state.textBuffer, range.count, &bytesRead, &at)) bytesRead = 0;
    state.textBuffer[bytesRead <= range.count ? bytesRead : 0] = 0;
    SetWindowTextA(state.paneWnd, state.textBuffer);
    SendMessageA(state.paneWnd, EM_LINESCROLL, 0, LinesScrolledAfterLoad);
}

void reloadFileTail() {
    char pluginFolder[FilePathSize];
    bool folderKnown = getPluginFolder(pluginFolder, FilePathSize) || isDriveLetterPath(state.filePath);
    // A path too long for resolvedPath is refused, never cut to another file.
    if (!folderKnown ||
        !resolveWatchedPath(pluginFolder, state.filePath, state.resolvedPath, ResolvedPathSize)) {
        state.resolvedPath[0] = 0;
        forgetWatchedFile();
        showOpenFailure(ERROR_FILENAME_EXCED_RANGE, pluginFolder, state.filePath);
        return;
    }
    HANDLE file = CreateFileA(state.resolvedPath, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        forgetWatchedFile();
        showOpenFailure(GetLastError(), state.resolvedPath, "");
        return;
    }
    FILETIME writeTime = {0, 0};
    GetFileTime(file, NULL, NULL, &writeTime);
    DWORD sizeHigh = 0;
    DWORD sizeLow = GetFileSize(file, &sizeHigh);
    ULONGLONG size = ((ULONGLONG)sizeHigh << 32) | sizeLow;
    if (fileChanged(asNumber(writeTime), size, asNumber(state.lastWriteTime),
                    state.lastFileSize)) {
        showTail(file, size);
    }
    CloseHandle(file);
    state.lastWriteTime = writeTime;
    state.lastFileSize = size;
}
