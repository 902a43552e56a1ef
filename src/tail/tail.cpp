#include "tail/tail.h"

#include "settings/settings.h"
#include "settings/state.h"
#include "settings/text.h"
#include "tail/file_reader.h"
#include "viewer/pane_view.h"

// The notice about an unreadable file is built in the lower half of the text
// buffer and compared with the pane's text read into the upper half.
static const int NoticeCapacity = TextBufferSize / 2;

// A last time of zero makes the next reload show the file whatever it is.
static bool reloadIsForced() { return fileTimeNumber(state.lastWriteTime) == 0; }

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

// A notice of one line in place of the file, written only when it does not
// already stand in the pane, so that a user's selection survives.
static void showNotice(const char* notice, int length) {
    char* shown = state.textBuffer + NoticeCapacity;
    if (GetWindowTextLengthA(state.paneWnd) == length) {
        GetWindowTextA(state.paneWnd, shown, NoticeCapacity);
        if (equalsText(shown, notice)) return;
    }
    state.shownTail.valid = false;
    SetWindowTextA(state.paneWnd, notice);
}

// The path tried and the system's reason.
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
    showNotice(notice, length);
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

static bool sameEncoding(Encoding a, Encoding b) {
    return a.kind == b.kind && (a.kind != EncodingCodePage || a.codePage == b.codePage);
}

static void rememberLastBytes(ShownTail& shown, const TailBytes& tail) {
    uint32_t count = tail.count < sizeof shown.lastBytes ? tail.count : sizeof shown.lastBytes;
    CopyMemory(shown.lastBytes, tail.bytes + tail.count - count, count);
    shown.lastByteCount = count;
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

static void showWholeTail(const TailBytes& tail, FileIdentity file, bool forced) {
    uint32_t shownEnd = shownEndWithin(tail, forced);
    DecodedText text = decodeTail(tail, configuredEncoding(), systemCodePages, shownEnd,
                                  state.displayText, DisplayTextSize);
    bool placeKnown = shownEnd != NoBoundary && sameEncoding(text.used, state.shownTail.encoding);
    replacePaneText(state.displayText, forced, placeKnown ? (int)text.boundaryAt : NoPlace);

    ShownTail& shown = state.shownTail;
    shown.valid = true;
    shown.file = file;
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
// reload would continue it. Returns false, having changed nothing, when the
// pane was edited meanwhile or the bytes need another encoding.
static bool showAppended(const TailBytes& tail, uint32_t boundary) {
    ShownTail& shown = state.shownTail;
    if (!shown.valid || paneTextEdited()) return false;
    DecodedText text = decodeTail(tail, appendedEncoding(shown), systemCodePages, boundary,
                                  state.displayText, DisplayTextSize);
    if (!sameEncoding(text.used, shown.encoding)) return false;
    appendPaneText(state.displayText + text.boundaryAt);
    shown.end = tail.offset + tail.count;
    rememberLastBytes(shown, tail);
    return true;
}

// ---- Asking the reader and showing its answers ----------------------------------

static bool appendAllowed(bool forced) {
    const ShownTail& shown = state.shownTail;
    if (forced || !shown.valid || paneTextEdited()) return false;
    // A window's start may cut a character of a multi-byte code page anywhere.
    return shown.encoding.kind != EncodingCodePage || !codePageIsMultiByte(shown.encoding.codePage);
}

static FileRequest composeRequest(bool forced, bool mayAppend) {
    FileRequest request;
    ZeroMemory(&request, sizeof request);
    copyText(request.path, ResolvedPathSize, state.resolvedPath);
    request.readBufferSize = state.readBufferSize;
    request.lastWriteTime = fileTimeNumber(state.lastWriteTime);
    request.lastFileSize = state.lastFileSize;
    const ShownTail& shown = state.shownTail;
    request.appendAllowed = mayAppend && appendAllowed(forced);
    request.shownFile = shown.file;
    request.shownOffset = shown.offset;
    request.shownEnd = shown.end;
    CopyMemory(request.lastBytes, shown.lastBytes, sizeof request.lastBytes);
    request.lastByteCount = shown.lastByteCount;
    return request;
}

static FILETIME asFileTime(uint64_t time) {
    FILETIME fileTime = {(DWORD)time, (DWORD)(time >> 32)};
    return fileTime;
}

static void askForFile(bool mayAppend);

// Returns false when the answer could not be shown as it is: bytes appended
// that only a whole reload shows rightly.
static bool showAnswer(const FileAnswer& answer, const uint8_t* bytes, bool forced) {
    if (answer.openError) {
        forgetWatchedFile();
        showOpenFailure(answer.openError, state.resolvedPath, "");
        return true;
    }
    TailBytes tail = {bytes, answer.count, answer.offset, answer.mark};
    if (answer.read == ReadAppended) {
        tail.mark = state.shownTail.mark;
        if (!showAppended(tail, answer.boundary)) return false;
    } else if (answer.read == ReadWhole) {
        showWholeTail(tail, answer.file, forced);
    }
    state.lastWriteTime = asFileTime(answer.writeTime);
    state.lastFileSize = answer.size;
    return true;
}

// A forced reload asked for while the reader was busy outranks the answer.
static void takeAnswer() {
    FileAnswer answer;
    const uint8_t* bytes = NULL;
    if (!takeFileAnswer(&answer, &bytes)) return;
    if (state.forcedReloadWaiting) {
        state.forcedReloadWaiting = false;
        forgetWatchedFile();
        askForFile(true);
    } else if (!showAnswer(answer, bytes, state.askedForced)) {
        askForFile(false);
    }
}

// Where the pane does not show the file yet.
static void showNotAnswering() {
    char* notice = state.textBuffer;
    int length = 0;
    appendText(notice, NoticeCapacity, &length, "Waiting for ");
    appendText(notice, NoticeCapacity, &length, state.resolvedPath);
    appendText(notice, NoticeCapacity, &length, ": the file is not answering");
    showNotice(notice, length);
}

static void askForFile(bool mayAppend) {
    bool forced = reloadIsForced();
    state.askedForced = forced;
    if (askFileReader(composeRequest(forced, mayAppend))) {
        takeAnswer();
    } else if (forced || !state.shownTail.valid) {
        showNotAnswering();
    }
}

void showWatchedFileAgain() {
    forgetWatchedFile();
    reloadFileTail();
}

void startWatching(HWND viewer) {
    startFileReader(viewer);
    showWatchedFileAgain();
}

void stopWatching() { stopFileReader(); }

void onFileAnswered() { takeAnswer(); }

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
    // While the reader is busy, nothing new is asked; a forced reload waits its turn.
    if (fileReaderBusy()) {
        if (reloadIsForced()) state.forcedReloadWaiting = true;
        return;
    }
    askForFile(true);
}
