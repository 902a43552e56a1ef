#include "tail/tail.h"

#include "settings/settings.h"
#include "settings/state.h"
#include "tail/file_choice.h"
#include "tail/file_reader.h"
#include "tail/notices.h"
#include "text/newest_file.h"
#include "viewer/alert.h"
#include "viewer/pane_view.h"
#include "viewer/viewer.h"

// While no reader is free, one is asked for again this often.
static const UINT ReaderRetryPeriod = 1000;

// The window whose timers serve this start's watching.
static HWND watchingWindow;

void forgetWatchedFile() {
    state.fileLooked = false;
    state.shownTail.bytes.valid = false;
}

// ---- Decoding ----------------------------------------------------------------------

static uint32_t convertCodePage(unsigned codePage, const uint8_t* bytes, uint32_t count,
                                WideChar* out, uint32_t capacity) {
    if (count == 0 || (out && capacity == 0)) return 0;
    int units = MultiByteToWideChar(codePage, 0, (const char*)bytes, (int)count, out,
                                    out ? (int)capacity : 0);
    return units > 0 ? (uint32_t)units : 0;
}

static bool codePageIsMultiByte(unsigned codePage) {
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize > 1;
}

static bool codePageLeadByte(unsigned codePage, uint8_t byte) {
    return IsDBCSLeadByteEx(codePage, byte) != FALSE;
}

const CodePageConverter systemCodePages = {convertCodePage, codePageIsMultiByte, codePageLeadByte};

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

// ---- The lines chosen ------------------------------------------------------------

static PatternCheck compileFilter(const char* setting, LinePattern* pattern,
                                  PatternNeedles* needles) {
    WCHAR text[FilterTextSize];
    uint32_t length = settingTextToWide(setting, text, FilterTextSize, systemCodePages);
    findNeedles(text, length, needles);
    return compileLinePattern(text, length, pattern);
}

static const int MaxLines = 10000;

// The line settings as they are now, held to what they can be.
static void chooseLines() {
    LineChoice& choice = state.lineChoice;
    choice.lines = state.lines < 0 ? 0 : (state.lines > MaxLines ? MaxLines : state.lines);
    state.filterShowCheck = compileFilter(state.filterShow, &choice.show, &choice.showNeedles);
    state.filterHideCheck = compileFilter(state.filterHide, &choice.hide, &choice.hideNeedles);
    choice.showSet = state.filterShowCheck == PatternUsable;
    choice.hideSet = state.filterHideCheck == PatternUsable;
    choice.scanLimit = state.scanLimit < 1 ? 1 : (uint64_t)state.scanLimit;
}

// "3 lines of the last 4 MiB pass the filter", and a line end.
static uint32_t writeScanLimitNotice(uint32_t lines, WCHAR* out) {
    WCHAR limit[32];
    uint64_t bytes = state.lineChoice.scanLimit;
    const uint64_t KiB = 1024, MiB = 1024 * 1024;
    if (bytes % MiB == 0) wsprintfW(limit, L"%lu MiB", (unsigned long)(bytes / MiB));
    else if (bytes % KiB == 0) wsprintfW(limit, L"%lu KiB", (unsigned long)(bytes / KiB));
    else wsprintfW(limit, L"%lu bytes", (unsigned long)bytes);
    if (lines == 0) return wsprintfW(out, L"No line of the last %s passes the filter\r\n", limit);
    if (lines == 1) return wsprintfW(out, L"1 line of the last %s passes the filter\r\n", limit);
    return wsprintfW(out, L"%lu lines of the last %s pass the filter\r\n", (unsigned long)lines, limit);
}

// "Filter Show: ERROR", as the menu names it, for each filter in use.
static uint32_t writeFilterName(bool set, const WCHAR* title, const char* setting, WCHAR* out) {
    if (!set) return 0;
    uint32_t length = wsprintfW(out, L"%s: ", title);
    length += settingTextToWide(setting, out + length, FilterTextSize, systemCodePages);
    return length + wsprintfW(out + length, L"\r\n");
}

// Over the lines a filter let through: how many, when the scan limit ended
// the search early; when no line of a file passed at all, that, and which
// filters are in use.
static uint32_t writeFilterNotice(const FileAnswer& answer, WCHAR* out) {
    bool noLine = filtered(state.lineChoice) && answer.lines == 0 && answer.size > 0;
    if (!answer.scanLimitReached && !noLine) return 0;
    uint32_t length = answer.scanLimitReached ? writeScanLimitNotice(answer.lines, out)
                                              : wsprintfW(out, L"No line passes the filter\r\n");
    if (!noLine) return length;
    const LineChoice& choice = state.lineChoice;
    length += writeFilterName(choice.showSet, L"Filter Show", state.filterShow, out + length);
    return length + writeFilterName(choice.hideSet, L"Filter Hide", state.filterHide, out + length);
}

// ---- Showing the file's bytes ------------------------------------------------------

// Where the pane's text ends in the new text, so that the reader's place is
// found again: no place when another encoding made other text of the same bytes.
static int oldTextEndIn(const DecodedText& text, uint32_t noticeLength) {
    int end = (int)(noticeLength + text.boundaryAt);
    if (sameEncoding(text.used, state.shownTail.encoding)) return end;
    return paneTextEndsWith(state.displayText, end) ? end : NoPlace;
}

// The one memory of what was seen of each file: the end of what is shown
// now, and the samples that prove the file still holds it. An append keeps
// the first sample of the last full showing.
static void rememberSeen(const FileAnswer& answer) {
    SeenFile seen = {answer.file, answer.end, answer.head, answer.tail};
    const SeenFile* known = findSeenFile(state.seenFiles, answer.file);
    if (answer.read == ReadAppended && known) seen.head = known->head;
    rememberSeenFile(&state.seenFiles, seen);
}

// A line alerts once: when the widget first shows it, if it is new. Text from
// `from` on is new; the line holding the text just before it is new when its
// new part gives it another rule.
static void alertOnNewLines(const WCHAR* text, uint32_t from) {
    alertOnNewText(from, ruleOfLineUpTo(text, from));
}

// What the file holds beyond the end of what was seen of it is new. A file
// of which nothing was seen is new when it took the watched one's place
// after the first look; at the first look (a start, a new path, settings or
// encoding), nothing is.
static void alertOnWholeText(const FileAnswer& answer, const DecodedText& text, uint32_t notice,
                             bool asNew) {
    if (answer.boundary != NoBoundary) {
        alertOnNewLines(state.displayText, notice + text.boundaryAt);
    } else if (!asNew) {
        alertOnNewLines(state.displayText, notice);
    }
}

// The reader's place is kept only in the file shown, while the bytes shown
// are still there; any other text is shown as a new file is.
static void showWholeTail(const TailBytes& tail, const FileAnswer& answer, bool asNew) {
    bool samePlace = !asNew && state.shownTail.bytes.valid && answer.shownStillThere;
    uint32_t notice = writeFilterNotice(answer, state.displayText);
    DecodedText text = decodeTail(tail, answer.encoding, systemCodePages, answer.boundary,
                                  state.displayText + notice, DisplayTextSize - notice);
    replacePaneText(state.displayText, asNew, samePlace ? oldTextEndIn(text, notice) : NoPlace);
    alertOnWholeText(answer, text, notice, asNew);

    ShownTail& shown = state.shownTail;
    shown.bytes.valid = true;
    shown.bytes.file = answer.file;
    shown.bytes.offset = answer.offset;
    shown.bytes.count = answer.count;
    shown.bytes.lines = answer.lines;
    shown.bytes.lastLineOpen = answer.lastLineOpen;
    shown.encoding = text.used;
    shown.mark = tail.mark;
}

// An automatic choice of the ANSI code page stays while the file only grows:
// appended lines of plain ASCII would otherwise count as UTF-8.
static Encoding appendedEncoding(const ShownTail& shown) {
    return shown.encoding.kind == EncodingCodePage ? shown.encoding : configuredEncoding();
}

// Adds the file's new bytes to the pane's text, decoded exactly as a full
// reload would continue it. Returns false, having changed nothing, when the
// pane was edited meanwhile or the bytes need another encoding.
static bool showAppended(const TailBytes& tail, const FileAnswer& answer) {
    ShownTail& shown = state.shownTail;
    if (!shown.bytes.valid || paneTextEdited()) return false;
    // The first lines to pass take the place of the notice that none did.
    if (filtered(state.lineChoice) && shown.bytes.lines == 0 && answer.lines > 0) return false;
    DecodedText text = decodeTail(tail, appendedEncoding(shown), systemCodePages, answer.boundary,
                                  state.displayText, DisplayTextSize);
    if (!sameEncoding(text.used, shown.encoding) && text.length > 0) return false;
    if (text.length > text.boundaryAt) {
        uint32_t from = state.lineMarks.length;
        int ruleBefore = lastLineRule();
        appendPaneText(state.displayText + text.boundaryAt);
        alertOnNewText(from, ruleBefore);
    }
    shown.bytes.count += answer.count - answer.boundary;
    shown.bytes.lines += answer.lines;
    shown.bytes.lastLineOpen = answer.lastLineOpen;
    return true;
}

// ---- Asking the reader and showing its answers ----------------------------------

// A window's start may cut a character of a multi-byte code page anywhere;
// filtered lines start whole.
static bool appendAllowed(bool asNew) {
    const ShownTail& shown = state.shownTail;
    if (asNew || !shown.bytes.valid || paneTextEdited()) return false;
    bool multiByte = shown.encoding.kind == EncodingCodePage && codePageIsMultiByte(shown.encoding.codePage);
    return !multiByte || filtered(state.lineChoice);
}

static FileRequest composeRequest(bool asNew, bool mayAppend) {
    FileRequest request;
    ZeroMemory(&request, sizeof request);
    lstrcpynW(request.path, state.resolvedPath, ResolvedPathSize);
    request.readBufferSize = state.readBufferSize;
    request.encoding = configuredEncoding();
    request.appendEncoding = appendedEncoding(state.shownTail);
    request.choice = state.lineChoice;
    request.looked = state.fileLooked;
    request.lastWriteTime = state.lastWriteTime;
    request.lastFileSize = state.lastFileSize;
    request.appendAllowed = mayAppend && appendAllowed(asNew);
    request.readerAway = request.appendAllowed && !paneFollowsEnd();
    request.shown = state.shownTail.bytes;
    request.shown.valid = request.shown.valid && !asNew;
    request.shownMark = state.shownTail.mark;
    request.seenFiles = state.seenFiles;
    addFileChoice(&request.fileChoice);
    return request;
}

static void askForFile(bool mayAppend);

// A file that cannot be opened is forgotten, so that its return shows. One
// that cannot be read keeps the text shown, and is read again at the next look.
static void showFailedAnswer(const FileAnswer& answer) {
    if (answer.failure != ReadFailed && answer.failure != QueryFailed) forgetWatchedFile();
    if (answer.failure == NamesAFolder) {
        showPathNotice(L"The path names a folder, not a file:");
    } else if (answer.failure == NoFileMatches) {
        showPathNotice(L"No file matches the pattern:");
    } else if (answer.failure == OpenFailed) {
        showFailure(L"Cannot open the file: ", answer.error, watchedFileNamed());
    } else if (!state.shownTail.bytes.valid) {
        showFailure(L"Cannot read the file: ", answer.error, watchedFileNamed());
    }
}

// Returns false when the answer could not be shown as it is: bytes appended
// that only a whole reload shows rightly.
static bool showAnswer(const FileAnswer& answer, const uint8_t* bytes, bool asNew) {
    takeFileChoice(answer);
    if (answer.failure != NoFailure) {
        showFailedAnswer(answer);
        return true;
    }
    bool filter = filtered(state.lineChoice);
    bool wholeLines = linesChosen(state.lineChoice) && !answer.firstLineCut;
    TailBytes tail = {bytes, answer.count, answer.offset, answer.mark, wholeLines, filter};
    if (answer.read == ReadAppended) {
        tail.startsAtLine = filter;
        if (!showAppended(tail, answer)) return false;
    } else if (answer.read == ReadWhole) {
        showWholeTail(tail, answer, asNew);
        state.showAsNew = false;
    }
    if (answer.read != ReadNothing) rememberSeen(answer);
    state.fileLooked = true;
    state.lastWriteTime = answer.writeTime;
    state.lastFileSize = answer.size;
    return true;
}

// Showing the file as new, asked for while the reader was busy, outranks the answer.
static void takeAnswer() {
    FileAnswer answer;
    const uint8_t* bytes = NULL;
    if (!takeFileAnswer(&answer, &bytes)) return;
    if (state.newShowWaiting) {
        state.newShowWaiting = false;
        forgetWatchedFile();
        reloadFileTail();
    } else if (!showAnswer(answer, bytes, state.showAsNew)) {
        askForFile(false);
    }
}

// Where the pane has nothing of the file to keep, it says what the reader
// is doing: looking through the file for the filter while its reads go on,
// or waiting for a file that does not answer.
static void showReaderBusy(bool asNew, bool progressing) {
    if (!asNew && state.shownTail.bytes.valid) return;
    if (progressing && filtered(state.lineChoice)) {
        showScanning();
    } else {
        showNotAnswering();
    }
}

static void askForFile(bool mayAppend) {
    bool asNew = state.showAsNew;
    ReaderReply reply = askFileReader(composeRequest(asNew, mayAppend));
    if (reply == ReaderAnswered) {
        takeAnswer();
        return;
    }
    state.readerProgressSeen = fileReaderProgress();
    showReaderBusy(asNew, reply == ReaderLate && state.readerProgressSeen > 0);
    if (reply == NoReader && watchingWindow) SetTimer(watchingWindow, ReaderRetryTimer, ReaderRetryPeriod, NULL);
}

// A tick while the reader is still at work: whether it read since the last.
static void noteReaderStillBusy() {
    LONG progress = fileReaderProgress();
    showReaderBusy(false, progress != state.readerProgressSeen);
    state.readerProgressSeen = progress;
}

// With the line settings as they are now.
// A new show asked for while the reader is busy waits for its answer, which
// is not shown.
void showWatchedFileAgain() {
    chooseLines();
    forgetWatchedFile();
    forgetChosenFile();
    state.showAsNew = true;
    if (fileReaderBusy()) state.newShowWaiting = true;
    reloadFileTail();
}

void startWatching(HWND viewer) {
    watchingWindow = viewer;
    startFileReader(viewer);
    showWatchedFileAgain();
}

void stopWatching() {
    if (watchingWindow) KillTimer(watchingWindow, ReaderRetryTimer);
    watchingWindow = NULL;
    stopFileReader();
}

void onFileAnswered() { takeAnswer(); }

void stopReaderRetry() {
    KillTimer(watchingWindow, ReaderRetryTimer);
}

static bool nothingChosen(const char* path) {
    while (*path == ' ' || *path == '\t') ++path;
    return *path == 0;
}

static bool admitPattern(WatchedPathForm form) {
    state.watchingPattern = form == NamePattern;
    if (form != WildcardInFolder) return true;
    showWildcardInFolder();
    state.resolvedPath[0] = 0;
    forgetWatchedFile();
    return false;
}

// The configured path as the user wrote it: UTF-8, or the ANSI code page.
// A path too long for resolvedPath is refused, never cut to another file.
static bool resolvePath() {
    WCHAR folder[FilePathSize];
    WCHAR path[FilePathSize];
    settingTextToWide(state.filePath, path, FilePathSize, systemCodePages);
    bool folderKnown = getPluginFolder(folder, FilePathSize) || isAbsolutePath(path);
    if (folderKnown && resolveWatchedPath(folder, path, state.resolvedPath, ResolvedPathSize)) {
        return admitPattern(watchedPathForm(state.resolvedPath));
    }
    state.resolvedPath[0] = 0;
    forgetWatchedFile();
    WCHAR tried[FilePathSize + ResolvedPathSize];
    lstrcpynW(tried, folder, FilePathSize);
    lstrcpynW(tried + lstrlenW(tried), path, FilePathSize);
    showFailure(L"Cannot open the file: ", ERROR_FILENAME_EXCED_RANGE, tried);
    return false;
}

// While the reader is busy, nothing new is asked; showing the file as new
// waits its turn, and the answer on its way is not shown, even when the
// path now chooses nothing or is refused. A reload tick meanwhile only says
// what the reader is doing, where the pane has nothing of the file.
void reloadFileTail() {
    bool busy = fileReaderBusy();
    if (nothingChosen(state.filePath)) {
        showNothingChosen();
        return;
    }
    if (!resolvePath()) return;
    if (busy) {
        if (!state.newShowWaiting) noteReaderStillBusy();
    } else {
        askForFile(true);
    }
}
