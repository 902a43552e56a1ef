#include "tail/tail.h"

#include "settings/setting_rows.h"
#include "settings/code_pages.h"
#include "settings/settings.h"
#include "settings/state.h"
#include "tail/file_choice.h"
#include "tail/file_reader.h"
#include "tail/notices.h"
#include "tail/repeat_rows.h"
#include "tail/source_memory.h"
#include "tail/sources_pane.h"
#include "text/characters.h"
#include "text/newest_file.h"
#include "text/timeline.h"
#include "text/status_text.h"
#include "viewer/alert.h"
#include "viewer/pane.h"
#include "viewer/pane_colours.h"
#include "viewer/pane_view.h"
#include "viewer/status_line.h"
#include "viewer/viewer.h"

// While no reader is free, one is asked for again this often.
static const UINT ReaderRetryPeriod = 1000;

// The window whose timers serve this start's watching.
static HWND watchingWindow;

Source sources[MostSources];

// Where a file's bytes are decoded for the pane: after a full reload the
// pane's whole text, after an append the text decoded for it, whose new
// part the pane is given.
static WCHAR decodedText[DisplayTextSize];

static uint32_t indexOf(const Source& source) { return (uint32_t)(&source - sources); }

static void retryLater() {
    if (watchingWindow) SetTimer(watchingWindow, ReaderRetryTimer, ReaderRetryPeriod, NULL);
}

void forgetWatchedFile(Source& source) {
    source.fileLooked = false;
    source.shownTail.bytes.valid = false;
}

// ---- Decoding ----------------------------------------------------------------------

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

// The line settings as they are now, held to what they can be.
static void chooseLines() {
    LineChoice& choice = state.lineChoice;
    choice.lines = (uint32_t)heldToRange(SettingLines, state.lines);
    state.filterShowCheck = compileFilter(state.filterShow, &choice.show, &choice.showNeedles);
    state.filterHideCheck = compileFilter(state.filterHide, &choice.hide, &choice.hideNeedles);
    choice.showSet = state.filterShowCheck == PatternUsable;
    choice.hideSet = state.filterHideCheck == PatternUsable;
    choice.scanLimit = (uint64_t)heldToRange(SettingScanLimit, state.scanLimit);
    choice.completeLines = severalSources();
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

static uint32_t writeFilterNames(WCHAR* out) {
    const LineChoice& choice = state.lineChoice;
    uint32_t length = writeFilterName(choice.showSet, L"Filter Show", state.filterShow, out);
    return length + writeFilterName(choice.hideSet, L"Filter Hide", state.filterHide, out + length);
}

uint32_t writeNoLinePasses(WCHAR* out) {
    uint32_t length = wsprintfW(out, L"No line passes the filter\r\n");
    return length + writeFilterNames(out + length);
}

static bool noLinePasses(const FileAnswer& answer) {
    return filtered(state.lineChoice) && answer.lines == 0 && answer.size > 0;
}

// Over the lines a filter let through: how many, when the scan limit ended
// the search early; when no line of a file passed at all, that, and which
// filters are in use.
static uint32_t writeFilterNotice(const FileAnswer& answer, WCHAR* out) {
    bool noLine = noLinePasses(answer);
    if (!answer.scanLimitReached && !noLine) return 0;
    if (!answer.scanLimitReached) return writeNoLinePasses(out);
    uint32_t length = writeScanLimitNotice(answer.lines, out);
    return noLine ? length + writeFilterNames(out + length) : length;
}

// ---- The sources' own memory ----------------------------------------------------------

// Among several sources, each that shows lines of its own keeps them in
// memory of its own; alone, a source's file goes to the pane as it is.
static bool keepsOwnLines(const Source& source) {
    return source.active && source.sameFileAs == 0 && severalSources();
}

static bool lacksItsMemory(const Source& source) { return keepsOwnLines(source) && !source.text; }

static bool takeSourceMemory(Source& source) {
    return holdSourceMemory(source, sourceTextUnits(state.readBufferSize));
}

// A source that could not take its memory is left without it; the retry
// timer takes it later.
static void fitSourceMemories() {
    for (Source& source : sources) {
        if (keepsOwnLines(source)) {
            takeSourceMemory(source);
        } else {
            giveSourceMemoryBack(source);
        }
    }
}

// ---- Showing the file's bytes ------------------------------------------------------

// Where the pane's text ends in the new text, so that the reader's place is
// found again: no place when another encoding made other text of the same bytes.
static int oldTextEndIn(const Source& source, const DecodedText& text, const WCHAR* shown, uint32_t end) {
    if (sameEncoding(text.used, source.shownTail.encoding)) return (int)end;
    return paneTextEndsWith(shown, (int)end) ? (int)end : NoPlace;
}

// What was seen of each file: the end of what is shown now, and the samples
// that prove the file still holds it. An append keeps the first sample of
// the last full showing. A record that knew more of a file that still holds
// it is kept: whole lines stop before an unfinished line seen in part.
static void rememberSeen(Source& source, const FileAnswer& answer, const SeenFiles& asked) {
    SeenFile seen = {answer.file, answer.end, answer.head, answer.tail};
    const SeenFile* known = findSeenFile(asked, answer.file);
    if (known && answer.seenBefore && known->end > answer.end) {
        seen = *known;
    } else if (answer.read == ReadAppended && known) {
        seen.head = known->head;
    }
    rememberSeenFile(&source.seen, seen, OwnSeenFiles);
}

// The source's own records, then what every other source shows now.
static void seenFilesFor(const Source& source, SeenFiles* seen) {
    *seen = source.seen;
    for (const Source& other : sources) {
        if (&other != &source && other.seen.count > 0) addSeenFile(seen, other.seen.files[0]);
    }
}

// A line alerts once: when the widget first shows it, if it is new. What the
// file holds beyond the end of what was seen of it is new. A file of which
// nothing was seen is new when it took the watched one's place after the
// first look; at the first look (a start, a new path, settings or
// encoding), nothing is. Returns where the new text begins.
static uint32_t newTextFrom(const FileAnswer& answer, const DecodedText& text, uint32_t notice,
                            bool asNew) {
    if (answer.boundary != NoBoundary) return notice + text.boundaryAt;
    return asNew ? notice + text.length : notice;
}

static void rememberShown(Source& source, const FileAnswer& answer, const DecodedText& text,
                          ByteOrderMark mark) {
    ShownTail& shown = source.shownTail;
    shown.bytes.valid = true;
    shown.bytes.file = answer.file;
    shown.bytes.offset = answer.offset;
    shown.bytes.end = answer.end;
    shown.bytes.count = answer.count;
    shown.bytes.lines = answer.lines;
    shown.bytes.lastLineOpen = answer.lastLineOpen;
    shown.bytes.entry = answer.entry;
    shown.encoding = text.used;
    shown.mark = mark;
}

// The whole lines of the bytes before the text shown, decoded as the text
// is into out (LookBackTextSize units), for the entry its first line is in:
// the first line, which may be cut, is passed over unless it is the file's
// first, and so is an unfinished last one, which the text shown goes on with.
struct LookBackLines {
    uint32_t start;
    uint32_t length;
};

static LookBackLines decodeLookBack(const TailBytes& tail, const FileAnswer& answer, const uint8_t* lookBack,
                                    Encoding used, WCHAR* out) {
    LookBackLines none = {0, 0};
    if (answer.lookBackCount == 0 || !lookBack) return none;
    uint64_t from = answer.offset - answer.lookBackCount;
    bool fileStart = from <= tail.mark.length;
    TailBytes bytes = {lookBack, answer.lookBackCount, from, tail.mark, fileStart, true};
    uint32_t length = decodeTail(bytes, used, systemCodePages, NoBoundary, out, LookBackTextSize).length;
    uint32_t start = fileStart ? 0 : nextLineStart(out, length, 0);
    while (length > start && !isLineEnd(out[length - 1])) --length;
    LookBackLines lines = {start, length > start ? length - start : 0};
    return lines;
}

static void useLookBack(const TailBytes& tail, const FileAnswer& answer, const uint8_t* lookBack,
                        Encoding used, bool notice) {
    static WCHAR text[LookBackTextSize];
    usePaneLookBack(NULL, 0);
    if (notice) return;
    LookBackLines lines = decodeLookBack(tail, answer, lookBack, used, text);
    if (lines.length > 0) usePaneLookBack(text + lines.start, lines.length);
}

// The reader's place is kept only in the file shown, while the bytes shown
// are still there; any other text is shown as a new file is. The line holding
// the text just before the new text is new when its new part gives it
// another rule.
static void showWholeTail(Source& source, const TailBytes& tail, const FileAnswer& answer,
                          const uint8_t* lookBack, bool asNew) {
    bool samePlace = !asNew && source.shownTail.bytes.valid && answer.shownStillThere;
    uint32_t notice = writeFilterNotice(answer, decodedText);
    DecodedText text = decodeTail(tail, answer.encoding, systemCodePages, answer.boundary,
                                  decodedText + notice, DisplayTextSize - notice);
    useLookBack(tail, answer, lookBack, text.used, notice > 0);
    uint32_t from = newTextFrom(answer, text, notice, asNew);
    WholeFold shown = {decodedText, notice + text.length, from, 0, false, 0};
    if (collapsingRepeats()) shown = foldWholeText(decodedText, notice, notice + text.length, from, false, NULL, NULL);
    else forgetFoldedPane();
    // The old text's end is where the new text begins, or its end.
    uint32_t oldEnd = text.boundaryAt == text.length ? shown.length : shown.mark;
    replacePaneText(shown.text, asNew, samePlace ? oldTextEndIn(source, text, shown.text, oldEnd) : NoPlace);
    if (shown.mark < shown.length) alertOnNewText(shown.mark, ruleOfEntryUpTo(shown.text, shown.mark));
    if (shown.repeatAfterMark) alertOnRepeat(shown.repeatedRowAt);
    rememberShown(source, answer, text, tail.mark);
}

// With several sources, the source's lines, decoded whole, in its own text.
// When the file only grew, the pane keeps what it shows and takes the new
// lines at its end, as from an append.
static void showWholeLines(Source& source, const TailBytes& tail, const FileAnswer& answer,
                           const uint8_t* lookBack, bool asNew) {
    bool grown = !asNew && source.shownTail.bytes.valid && answer.shownStillThere &&
                 answer.boundary != NoBoundary;
    DecodedText text = decodeTail(tail, answer.encoding, systemCodePages, answer.boundary,
                                  source.text, source.textCapacity);
    LookBackLines lines = decodeLookBack(tail, answer, lookBack, text.used, source.lookBack);
    source.lookBackStart = lines.start;
    source.lookBackLength = lines.length;
    rememberShown(source, answer, text, tail.mark);
    source.noLinePasses = noLinePasses(answer);
    uint32_t from = newTextFrom(answer, text, 0, asNew);
    if (grown) {
        growSourceLines(source, text.length, from);
    } else {
        showSourceLines(source, text.length, from, asNew);
    }
}

// An automatic choice of the ANSI code page stays while the file only grows:
// appended lines of plain ASCII would otherwise count as UTF-8.
static Encoding appendedEncoding(const ShownTail& shown) {
    return shown.encoding.kind == EncodingCodePage ? shown.encoding : configuredEncoding();
}

// The pane's rows, their last one's count and new rows behind it; a repeat
// alerts as the line it repeats.
static bool addFoldedText(const WCHAR* text, uint32_t length) {
    int ruleBefore = lastLineRule();
    FoldedAppend shown;
    if (!appendFolded(text, length, false, &shown)) return false;
    alertOnNewText(shown.newAt, ruleBefore);
    if (shown.repeated) alertOnRepeat(shown.repeatedAt);
    return true;
}

// The pane's own text, or with several sources the source's lines, grown by
// the new text, whose first line is not new when firstSeen; false when it
// cannot be.
static bool addNewText(Source& source, const WCHAR* text, uint32_t length, bool firstSeen) {
    if (severalSources()) return addSourceLines(source, text, length, firstSeen);
    if (collapsingRepeats()) return addFoldedText(text, length);
    uint32_t from = state.lineMarks.length;
    int ruleBefore = lastLineRule();
    appendPaneText(text);
    if (firstSeen) {  // its rule as it was seen
        from += nextLineStart(text, length, 0);
        ruleBefore = markedRule(state.lineMarks, from - 1);
    }
    alertOnNewText(from, ruleBefore);
    return true;
}

// Adds the file's new bytes to the pane's text, decoded exactly as a full
// reload would continue it. Returns false, having changed nothing, when the
// pane was edited meanwhile or the bytes need another encoding.
static bool showAppended(Source& source, const TailBytes& tail, const FileAnswer& answer) {
    ShownTail& shown = source.shownTail;
    if (!shown.bytes.valid || paneTextEdited()) return false;
    // The first lines to pass take the place of the notice that none did.
    if (filtered(state.lineChoice) && shown.bytes.lines == 0 && answer.lines > 0) return false;
    DecodedText text = decodeTail(tail, appendedEncoding(shown), systemCodePages, answer.boundary,
                                  decodedText, DisplayTextSize);
    if (!sameEncoding(text.used, shown.encoding) && text.length > 0) return false;
    uint32_t linesBefore = linesHeld(state.lineMarks);
    if (text.length > text.boundaryAt &&
        !addNewText(source, decodedText + text.boundaryAt, text.length - text.boundaryAt,
                    answer.firstLineSeen)) {
        return false;
    }
    shown.bytes.end = answer.end;
    shown.bytes.count += answer.count - answer.boundary;
    shown.bytes.lines += answer.lines;
    shown.bytes.lastLineOpen = answer.lastLineOpen;
    shown.bytes.entry = answer.entry;
    // Asked for while the view followed the end, and shown after it left.
    if (state.statusLine && !source.askedToCount && !paneFollowsEnd()) {
        countLinesBelow(linesHeld(state.lineMarks) - linesBefore, false);
    }
    return true;
}

// ---- Asking the reader and showing its answers ----------------------------------

// A window's start may cut a character of a multi-byte code page anywhere;
// filtered lines start whole.
static bool appendAllowed(const Source& source, bool asNew) {
    const ShownTail& shown = source.shownTail;
    if (asNew || !shown.bytes.valid || paneTextEdited()) return false;
    bool multiByte = shown.encoding.kind == EncodingCodePage && systemCodePages.multiByte(shown.encoding.codePage);
    return !multiByte || completeLinesOnly(state.lineChoice);
}

static FileRequest composeRequest(const Source& source, bool asNew, bool mayAppend) {
    FileRequest request;
    ZeroMemory(&request, sizeof request);
    lstrcpynW(request.path, source.resolvedPath, ResolvedPathSize);
    request.readBufferSize = state.readBufferSize;
    request.encoding = configuredEncoding();
    request.appendEncoding = appendedEncoding(source.shownTail);
    request.choice = state.lineChoice;
    request.choice.lines = linesAskedFor(state.lineChoice.lines);
    request.choice.entries = entryGrouping();
    request.fileLooked = source.fileLooked;
    request.lastWriteTime = source.lastWriteTime;
    request.lastFileSize = source.lastFileSize;
    request.appendAllowed = mayAppend && appendAllowed(source, asNew);
    bool away = (request.appendAllowed || state.statusLine) && !paneFollowsEnd();
    request.readerAway = request.appendAllowed && away;
    request.countNewLines = state.statusLine && away;
    request.shown = source.shownTail.bytes;
    request.shown.valid = request.shown.valid && !asNew;
    request.shownMark = source.shownTail.mark;
    seenFilesFor(source, &request.seenFiles);
    addFileChoice(source, &request.fileChoice);
    return request;
}

static void askForFile(Source& source, bool mayAppend);

// A file that cannot be opened is forgotten, so that its return shows. One
// that cannot be read keeps the text shown, and is read again at the next look.
static void noteFailure(Source& source, FileFailure failure, DWORD error) {
    source.failure = failure;
    source.failureError = error;
}

static void showFailedAnswer(Source& source, const FileAnswer& answer) {
    noteFailure(source, answer.failure, answer.error);
    if (answer.failure != ReadFailed && answer.failure != QueryFailed) forgetWatchedFile(source);
    if (answer.failure == NamesAFolder) {
        showPathNotice(source, L"The path names a folder, not a file:");
    } else if (answer.failure == NoFileMatches) {
        showPathNotice(source, L"No file matches the pattern:");
    } else if (answer.failure == OpenFailed) {
        showFailure(source, L"Cannot open the file: ", answer.error, watchedFileNamed(source));
    } else if (!source.shownTail.bytes.valid) {
        showFailure(source, L"Cannot read the file: ", answer.error, watchedFileNamed(source));
    }
}

// For the status line: the file's last growth, the first time from its last
// write; a file that took the place of the one shown (another file at the
// path, or the pattern's newest, or the same one written anew) is new; the
// lines counted beyond what was seen of it lie below the view.
static void noteGrowth(Source& source, const FileAnswer& answer, bool asNew) {
    noteFailure(source, NoFailure, 0);
    if (answer.read == ReadNothing) return;
    bool firstLook = asNew || !source.fileShown;
    source.grownAt = firstLook ? statusSeconds(answer.writeTime) : statusTimeNow();
    if (!firstLook && (!sameFile(source.shownFile, answer.file) || !answer.seenBefore)) {
        SYSTEMTIME local;
        GetLocalTime(&local);
        source.newFileTaken = true;
        source.newFileAt = source.grownAt;
        source.newFileMinute = local.wHour * 60u + local.wMinute;
    }
    source.fileShown = true;
    source.shownFile = answer.file;
    countLinesBelow(answer.newLines, answer.moreNewLines);
}

// ---- The same file named twice ------------------------------------------------------

// The earlier source (1 to 4) whose reader last answered with the same file, or 0.
static uint32_t earlierSourceWithFile(const Source& source) {
    for (uint32_t i = 0; i < indexOf(source); ++i) {
        const Source& other = sources[i];
        if (other.active && other.sameFileAs == 0 && sameFile(other.answeredFile, source.answeredFile)) {
            return i + 1;
        }
    }
    return 0;
}

// A source that names a file an earlier one shows is off while it does; its
// lines leave the pane. One that no longer does is shown anew at the next look.
static void noteSameFiles() {
    bool changed = false;
    for (Source& source : sources) {
        uint32_t same = source.active ? earlierSourceWithFile(source) : 0;
        if (same == source.sameFileAs) continue;
        changed = true;
        source.sameFileAs = same;
        dropSourceLines(&source.lines);
        source.noticeLength = 0;
        if (same) {
            giveSourceMemoryBack(source);
        } else {
            forgetWatchedFile(source);
            source.showAsNew = true;
            retryLater();  // which takes its memory
        }
    }
    if (changed && severalSources()) rebuildSourcesPane();
}

// Returns false when the answer could not be shown as it is: bytes appended
// that only a whole reload shows rightly.
static bool showAnswer(Source& source, const FileAnswer& answer, const uint8_t* bytes,
                       const uint8_t* lookBack, bool asNew) {
    takeFileChoice(source, answer);
    if (answer.failure != NoFailure) {
        showFailedAnswer(source, answer);
        return true;
    }
    source.linesWrittenAt = answer.writeTime;
    if (answer.read != ReadNothing) {
        source.answeredFile = answer.file;
        noteSameFiles();
    }
    if (source.sameFileAs) {
        source.fileLooked = true;
        source.lastWriteTime = answer.writeTime;
        source.lastFileSize = answer.size;
        return true;
    }
    if (lacksItsMemory(source)) {  // no longer the same file: read again once it has its memory
        forgetWatchedFile(source);
        return true;
    }
    bool complete = completeLinesOnly(state.lineChoice);
    bool wholeLines = linesChosen(state.lineChoice) && !answer.firstLineCut;
    TailBytes tail = {bytes, answer.count, answer.offset, answer.mark, wholeLines, complete};
    if (answer.read == ReadAppended) {
        tail.startsAtLine = complete;
        if (!showAppended(source, tail, answer)) return false;
    } else if (answer.read == ReadWhole) {
        if (severalSources()) {
            showWholeLines(source, tail, answer, lookBack, asNew);
        } else {
            showWholeTail(source, tail, answer, lookBack, asNew);
        }
        source.showAsNew = false;
    }
    if (answer.read != ReadNothing) {
        SeenFiles asked;
        seenFilesFor(source, &asked);
        rememberSeen(source, answer, asked);
    }
    noteGrowth(source, answer, asNew);
    source.fileLooked = true;
    source.lastWriteTime = answer.writeTime;
    source.lastFileSize = answer.size;
    return true;
}

static void reloadSource(Source& source);

// Showing the file as new, asked for while the reader was busy, outranks the answer.
static void takeAnswer(Source& source) {
    FileAnswer answer;
    const uint8_t* bytes = NULL;
    const uint8_t* lookBack = NULL;
    if (!takeFileAnswer(indexOf(source), &answer, &bytes, &lookBack)) return;
    source.readerStalled = false;
    if (source.newShowWaiting) {
        source.newShowWaiting = false;
        forgetWatchedFile(source);
        reloadSource(source);
    } else if (!showAnswer(source, answer, bytes, lookBack, source.showAsNew)) {
        askForFile(source, false);
    }
}

// Where the pane has nothing of the file to keep, it says what the reader
// is doing: looking through the file for the filter while its reads go on,
// or waiting for a file that does not answer.
static void showReaderBusy(Source& source, bool asNew, bool progressing) {
    if (!asNew && source.shownTail.bytes.valid) return;
    if (progressing && filtered(state.lineChoice)) {
        showScanning(source);
    } else {
        showNotAnswering(source);
    }
}

// Hands the source's request to its reader, which every source's look does
// before any waits for its answer; false when no reader was free.
static bool handOver(Source& source, bool mayAppend) {
    source.askedAsNew = source.showAsNew;
    source.askedAt = statusTimeNow();
    FileRequest request = composeRequest(source, source.askedAsNew, mayAppend);
    source.askedToCount = request.countNewLines;
    source.readerWanted = !handFileRequest(indexOf(source), request);
    if (!source.readerWanted) return true;
    showReaderBusy(source, source.askedAsNew, false);
    retryLater();
    return false;
}

static void awaitAnswer(Source& source, DWORD since) {
    uint32_t index = indexOf(source);
    if (awaitFileAnswer(index, since) == ReaderAnswered) {
        takeAnswer(source);
        return;
    }
    source.readerProgressSeen = fileReaderProgress(index);
    showReaderBusy(source, source.askedAsNew, source.readerProgressSeen > 0);
}

static void askForFile(Source& source, bool mayAppend) {
    if (handOver(source, mayAppend)) awaitAnswer(source, GetTickCount());
}

// A tick while the reader is still at work: whether it read since the last.
static void noteReaderStillBusy(Source& source) {
    LONG progress = fileReaderProgress(indexOf(source));
    source.readerStalled = progress == source.readerProgressSeen;
    showReaderBusy(source, false, !source.readerStalled);
    source.readerProgressSeen = progress;
}

// ---- The sources ------------------------------------------------------------------

// The source's path as the user wrote it, in UTF-8 or the ANSI code page:
// the file path, or what follows a source's label.
static void pathOf(const Source& source, WCHAR* path) {
    uint32_t index = indexOf(source);
    if (index == 0) {
        settingTextToWide(state.filePath, path, FilePathSize, systemCodePages);
        return;
    }
    WCHAR value[SourceSettingSize];
    settingTextToWide(state.sourceSettings[index - 1], value, SourceSettingSize, systemCodePages);
    lstrcpynW(path, value + source.value.pathStart, FilePathSize);
}

static bool admitPattern(Source& source, WatchedPathForm form) {
    source.watchingPattern = form == NamePattern;
    if (form != WildcardInFolder) return true;
    noteFailure(source, OpenFailed, ERROR_INVALID_NAME);
    showWildcardInFolder(source);
    source.resolvedPath[0] = 0;
    forgetWatchedFile(source);
    return false;
}

// A path too long for resolvedPath is refused, never cut to another file.
static bool resolvePath(Source& source) {
    WCHAR folder[FilePathSize];
    WCHAR path[FilePathSize];
    pathOf(source, path);
    bool folderKnown = getPluginFolder(folder, FilePathSize) || isAbsolutePath(path);
    if (folderKnown && resolveWatchedPath(folder, path, source.resolvedPath, ResolvedPathSize)) {
        return admitPattern(source, watchedPathForm(source.resolvedPath));
    }
    source.resolvedPath[0] = 0;
    forgetWatchedFile(source);
    WCHAR tried[FilePathSize + ResolvedPathSize];
    lstrcpynW(tried, folder, FilePathSize);
    lstrcpynW(tried + lstrlenW(tried), path, FilePathSize);
    noteFailure(source, OpenFailed, ERROR_FILENAME_EXCED_RANGE);
    showFailure(source, L"Cannot open the file: ", ERROR_FILENAME_EXCED_RANGE, tried);
    return false;
}

// While the reader is busy, nothing new is asked; showing the file as new
// waits its turn, and the answer on its way is not shown, even when the
// path is now refused. A reload tick meanwhile only says what the reader is
// doing, where the pane has nothing of the file. A source without the memory
// its lines need waits for the retry timer to take it. True when the file is
// to be asked for.
static bool readyToAsk(Source& source) {
    bool busy = fileReaderBusy(indexOf(source));
    if (!resolvePath(source)) return false;
    if (busy && !source.newShowWaiting) noteReaderStillBusy(source);
    bool lacking = lacksItsMemory(source);
    if (lacking) retryLater();
    return !busy && !lacking;
}

static void reloadSource(Source& source) {
    if (readyToAsk(source)) askForFile(source, true);
}

static bool nothingChosen(const char* path) {
    while (*path == ' ' || *path == '\t') ++path;
    return *path == 0;
}

// Which sources are watched, and with what label, from their settings. The
// first source's label is the file's name when its setting gives none; a
// look that does not read never stops a source (text/source_value.h).
static void readSourceSettings() {
    for (uint32_t i = 0; i < MostSources; ++i) {
        Source& source = sources[i];
        bool first = i == 0;
        WCHAR value[SourceSettingSize];
        uint32_t length = settingTextToWide(first ? state.label : state.sourceSettings[i - 1], value,
                                            SourceSettingSize, systemCodePages);
        parseSourceValue(value, length, !first, &source.value);
        source.active = first ? !nothingChosen(state.filePath) : sourceShown(source.value.check);
    }
}

bool severalSources() {
    uint32_t active = 0;
    for (const Source& source : sources) active += source.active ? 1 : 0;
    return active > 1;
}

static void showSourceAgain(Source& source) {
    forgetWatchedFile(source);
    forgetChosenFile(source);
    source.showAsNew = true;
    dropSourceLines(&source.lines);
    source.noticeLength = 0;
    source.lookBackLength = 0;
    source.noLinePasses = false;
    source.sameFileAs = 0;
    ZeroMemory(&source.answeredFile, sizeof source.answeredFile);
    source.fileShown = false;
    source.newFileTaken = false;
    source.readerStalled = false;
    noteFailure(source, NoFailure, 0);
    if (fileReaderBusy(indexOf(source))) source.newShowWaiting = true;
}

// With the sources and line settings as they are now. A new show asked for
// while a reader is busy waits for its answer, which is not shown.
void showWatchedFileAgain() {
    readSourceSettings();
    useLineLabels(severalSources());
    chooseLines();
    for (uint32_t i = 0; i < MostSources; ++i) {
        Source& source = sources[i];
        showSourceAgain(source);
        if (!source.active) stopSourceReader(i);
    }
    fitSourceMemories();
    reloadFileTail();
}

void startWatching(HWND viewer) {
    watchingWindow = viewer;
    startFileReaders(viewer);
    showWatchedFileAgain();
}

// A later start in the same process knows no more than a start in a new one:
// what was seen is forgotten, so that nothing shown at that start alerts.
void stopWatching() {
    if (watchingWindow) KillTimer(watchingWindow, ReaderRetryTimer);
    watchingWindow = NULL;
    stopFileReaders();
    for (Source& source : sources) {
        source.seen.count = 0;
        giveSourceMemoryBack(source);
    }
}

void onFileAnswered(uint32_t source) {
    if (source < MostSources) takeAnswer(sources[source]);
    updateStatus();
}

void stopReaderRetry() {
    KillTimer(watchingWindow, ReaderRetryTimer);
}

// A source still without its memory says so until it takes it.
void retryWantedReaders() {
    stopReaderRetry();
    for (Source& source : sources) {
        bool lacking = lacksItsMemory(source);
        if (lacking && !takeSourceMemory(source)) showNoMemory(source);
        if (source.active && (source.readerWanted || lacking)) reloadSource(source);
    }
    updateStatus();
}

// Every source's reader is asked before any answer is waited for, so that
// the looks overlap; together they hold the shell's thread AnswerWait at most.
void reloadFileTail() {
    bool asked[MostSources] = {};
    bool any = false;
    for (uint32_t i = 0; i < MostSources; ++i) {
        Source& source = sources[i];
        if (!source.active) continue;
        any = true;
        asked[i] = readyToAsk(source) && handOver(source, true);
    }
    if (!any) showNothingChosen();
    DWORD since = GetTickCount();
    for (uint32_t i = 0; i < MostSources; ++i) {
        if (asked[i]) awaitAnswer(sources[i], since);
    }
    updateStatus();
}

void applyWordWrap() {
    if (!applyWrapMode()) return;
    for (Source& source : sources) source.shownTail.bytes.valid = false;
}
