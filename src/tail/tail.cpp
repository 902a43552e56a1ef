#include "tail/tail.h"

#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"
#include "viewer/pane_view.h"

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
    state.shownTail.valid = false;
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
    state.shownTail.valid = false;
    SetWindowTextA(state.paneWnd, notice);
}

static uint32_t convertCodePage(unsigned codePage, const uint8_t* bytes, uint32_t count,
                                WideChar* out, uint32_t capacity) {
    if (count == 0 || capacity == 0) return 0;
    int units = MultiByteToWideChar(codePage, 0, (const char*)bytes, (int)count, out, (int)capacity);
    return units > 0 ? (uint32_t)units : 0;
}

static bool codePageIsMultiByte(unsigned codePage) {
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize > 1;
}

const CodePageConverter systemCodePages = {convertCodePage, codePageIsMultiByte};

// A code page the system does not know counts as an unknown setting: auto.
static Encoding configuredEncoding() {
    Encoding encoding = parseEncoding(state.encoding);
    bool known = encoding.kind != EncodingCodePage || encoding.codePage == AnsiCodePage ||
                 encoding.codePage == OemCodePage || IsValidCodePage(encoding.codePage);
    Encoding automatic = {EncodingAuto, 0};
    return known ? encoding : automatic;
}

// A file cut short since its size was taken yields fewer bytes; older text
// behind them must not show.
static DWORD readAt(HANDLE file, ULONGLONG offset, void* buffer, DWORD count) {
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD bytesRead = 0;
    if (!ReadFile(file, buffer, count, &bytesRead, &at)) return 0;
    return bytesRead <= count ? bytesRead : 0;
}

// The mark is at the file's start, which a later window does not hold.
static ByteOrderMark readByteOrderMark(HANDLE file, const TailBytes& tail) {
    if (tail.offset == 0) return findByteOrderMark(tail.bytes, tail.count);
    uint8_t head[3];
    return findByteOrderMark(head, readAt(file, 0, head, sizeof head));
}

static bool sameEncoding(Encoding a, Encoding b) {
    return a.kind == b.kind && (a.kind != EncodingCodePage || a.codePage == b.codePage);
}

// The file's identity survives renames and writes; a rotated log is a new file.
static FileIdentity identify(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    ZeroMemory(&information, sizeof information);
    GetFileInformationByHandle(file, &information);
    FileIdentity identity = {information.dwVolumeSerialNumber,
                             (ULONGLONG)information.nFileIndexHigh << 32 |
                                 information.nFileIndexLow};
    return identity;
}

// A file system that tells no identity gives zeros: no file counts as the same then.
static bool sameFile(FileIdentity a, FileIdentity b) {
    return a.volume == b.volume && a.index == b.index && (a.volume != 0 || a.index != 0);
}

static void rememberLastBytes(ShownTail& shown, const TailBytes& tail) {
    uint32_t count = tail.count < sizeof shown.lastBytes ? tail.count : sizeof shown.lastBytes;
    CopyMemory(shown.lastBytes, tail.bytes + tail.count - count, count);
    shown.lastByteCount = count;
}

// The bytes read again in front of the new ones are those last shown.
static bool stillEndsAsShown(const ShownTail& shown, const TailBytes& tail, uint32_t boundary) {
    uint32_t count = boundary < shown.lastByteCount ? boundary : shown.lastByteCount;
    const uint8_t* reread = tail.bytes + boundary - count;
    const uint8_t* last = shown.lastBytes + shown.lastByteCount - count;
    for (uint32_t i = 0; i < count; ++i) {
        if (reread[i] != last[i]) return false;
    }
    return true;
}

// Where the pane's text ends within the new tail's bytes, when the new tail
// still holds that end: the reader's place can then be found again.
static uint32_t shownEndWithin(const TailBytes& tail, bool forced) {
    const ShownTail& shown = state.shownTail;
    if (forced || !shown.valid || shown.end < tail.offset || shown.end > tail.offset + tail.count) {
        return NoBoundary;
    }
    return (uint32_t)(shown.end - tail.offset);
}

static void showWholeTail(HANDLE file, ULONGLONG fileSize, bool forced, FileIdentity identity) {
    TailRange range = tailRange(fileSize, state.readBufferSize);
    TailBytes tail = {(const uint8_t*)state.textBuffer, 0, range.offset, {EncodingAuto, 0}};
    tail.count = readAt(file, range.offset, state.textBuffer, range.count);
    tail.mark = readByteOrderMark(file, tail);

    uint32_t shownEnd = shownEndWithin(tail, forced);
    DecodedText text = decodeTail(tail, configuredEncoding(), systemCodePages, shownEnd,
                                  state.displayText, DisplayTextSize);
    bool placeKnown = shownEnd != NoBoundary && sameEncoding(text.used, state.shownTail.encoding);
    replacePaneText(state.displayText, forced, placeKnown ? (int)text.boundaryAt : NoPlace);

    ShownTail& shown = state.shownTail;
    shown.valid = true;
    shown.file = identity;
    shown.offset = tail.offset;
    shown.end = tail.offset + tail.count;
    shown.encoding = text.used;
    shown.mark = tail.mark;
    rememberLastBytes(shown, tail);
}

// An automatic choice of the ANSI code page stays while the file only grows:
// appended lines of plain ASCII would otherwise count as UTF-8.
static Encoding appendedEncoding(const ShownTail& shown) {
    return shown.encoding.kind == EncodingCodePage ? shown.encoding : configuredEncoding();
}

// Adds the file's new bytes to the pane's text, decoded exactly as a full
// reload would continue it. Returns false, having changed nothing on screen,
// when only a full reload shows the file as it is.
static bool showAppended(HANDLE file, ULONGLONG fileSize, FileIdentity identity) {
    ShownTail& shown = state.shownTail;
    if (!shown.valid || !sameFile(shown.file, identity) || paneTextEdited()) return false;
    AppendRange append = appendRange(shown.offset, shown.end, fileSize, state.readBufferSize);
    bool cutsCharacters = shown.encoding.kind == EncodingCodePage &&
                          codePageIsMultiByte(shown.encoding.codePage);
    if (!append.possible || cutsCharacters) return false;

    TailBytes tail = {(const uint8_t*)state.textBuffer, 0, append.offset, shown.mark};
    tail.count = readAt(file, append.offset, state.textBuffer, append.count);
    if (tail.count <= append.boundary || !stillEndsAsShown(shown, tail, append.boundary)) {
        return false;
    }
    DecodedText text = decodeTail(tail, appendedEncoding(shown), systemCodePages, append.boundary,
                                  state.displayText, DisplayTextSize);
    if (!sameEncoding(text.used, shown.encoding)) return false;
    appendPaneText(state.displayText + text.boundaryAt);
    shown.end = tail.offset + tail.count;
    rememberLastBytes(shown, tail);
    return true;
}

static void showChange(HANDLE file, ULONGLONG fileSize, bool forced) {
    FileIdentity identity = identify(file);
    if (!forced && showAppended(file, fileSize, identity)) return;
    showWholeTail(file, fileSize, forced, identity);
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
    bool forced = asNumber(state.lastWriteTime) == 0;
    if (fileChanged(asNumber(writeTime), size, asNumber(state.lastWriteTime),
                    state.lastFileSize)) {
        showChange(file, size, forced);
    }
    CloseHandle(file);
    state.lastWriteTime = writeTime;
    state.lastFileSize = size;
}
