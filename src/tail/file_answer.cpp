// Answering a request, on the reader thread: the file is opened (for a
// pattern, the newest that matches), its time and size are looked at, and
// when it changed, either the bytes appended since the last look are read
// alone (tail.h tells when) or its end is read whole: the last
// readBufferSize bytes, or the last whole lines that pass the filter, read
// backwards in blocks (text/line_choice.h). What was seen of the file before
// (seen_files.h) is checked on its samples, so that the answer says where
// the bytes seen end among the bytes given; the first and last bytes now
// shown are sampled for the next look.
#include "tail/file_answer.h"

#include <string.h>

#include "tail/folder_listing.h"
#include "tail/tail.h"
#include "text/characters.h"
#include "text/tail_range.h"

// The file open for one request, and the count of reads made for it.
struct OpenedFile {
    HANDLE handle;
    volatile LONG* progress;
};

// A file cut short since its size was taken yields fewer bytes; older bytes
// behind them must not count.
static bool readAt(const OpenedFile& file, uint64_t offset, void* buffer, DWORD count,
                   DWORD* bytesRead) {
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    *bytesRead = 0;
    if (count == 0) return true;
    BOOL done = ReadFile(file.handle, buffer, count, bytesRead, &at);
    InterlockedIncrement(file.progress);
    if (!done) {
        *bytesRead = 0;
        return GetLastError() == ERROR_HANDLE_EOF;
    }
    if (*bytesRead > count) *bytesRead = 0;
    return true;
}

static bool failed(FileAnswer* answer, FileFailure failure) {
    answer->failure = failure;
    answer->error = GetLastError();
    if (answer->error == 0) answer->error = ERROR_READ_FAULT;
    return false;
}

static FileIdentity identify(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    ZeroMemory(&information, sizeof information);
    GetFileInformationByHandle(file, &information);
    FileIdentity identity = {information.dwVolumeSerialNumber,
                             (ULONGLONG)information.nFileIndexHigh << 32 |
                                 information.nFileIndexLow};
    return identity;
}

static bool sampleStillThere(const OpenedFile& file, const ByteSample& sample) {
    uint8_t reread[SampleCapacity];
    DWORD count = 0;
    return readAt(file, sample.offset, reread, sample.count, &count) && count == sample.count &&
           memcmp(reread, sample.bytes, count) == 0;
}

// Where what was seen of the file ends, when it still holds it: its first
// and last sampled bytes are read again. A file rewritten between two looks
// with the same bytes in both places is taken for the same.
static uint64_t seenEndOf(const OpenedFile& file, const FileRequest& request, const FileAnswer& answer) {
    const SeenFile* seen = findSeenFile(request.seenFiles, answer.file);
    bool stillThere = seen && answer.size >= seen->end && sampleStillThere(file, seen->head) &&
                      sampleStillThere(file, seen->tail);
    return stillThere ? seen->end : NoOffset;
}

// One request's work: the open file, what was seen of it, and the reader's buffers.
struct ReaderWork {
    OpenedFile file;
    const FileRequest* request;
    FileAnswer* answer;
    uint64_t seenEnd;  // NoOffset: nothing of the file was seen
    uint64_t shownEnd;  // where the source's lines end, where appends begin
    uint8_t* buffer;
    uint8_t* block;
    WideChar* lineText;
    EntryLine* entryLines;
    uint8_t* lookBack;
};

static void sampleBytes(ByteSample& sample, const uint8_t* bytes, uint64_t offset, uint32_t count) {
    sample.count = count < SampleCapacity ? count : SampleCapacity;
    sample.offset = offset;
    memcpy(sample.bytes, bytes, sample.count);
}

static void sampleFile(const OpenedFile& file, ByteSample& sample, uint64_t offset, uint64_t end) {
    uint8_t bytes[SampleCapacity];
    uint64_t wanted = end - offset < SampleCapacity ? end - offset : SampleCapacity;
    DWORD count = 0;
    if (!readAt(file, offset, bytes, (DWORD)wanted, &count)) count = 0;
    sampleBytes(sample, bytes, offset, count);
}

// The first and last bytes of what is shown, from the bytes read where they
// are the file's own, one after another; else from the file. Whole lines
// put side by side are not: a line ended by a CR alone ends in LF there.
static void sampleShown(const ReaderWork& work, bool whole) {
    FileAnswer& answer = *work.answer;
    const uint8_t* bytes = work.buffer + answer.start;
    bool contiguous = !completeLinesOnly(work.request->choice) && answer.end == answer.offset + answer.count;
    uint64_t tailOffset = answer.end - answer.offset < SampleCapacity ? answer.offset
                                                                       : answer.end - SampleCapacity;
    if (contiguous) {
        if (whole) sampleBytes(answer.head, bytes, answer.offset, answer.count);
        sampleBytes(answer.tail, bytes + (tailOffset - answer.offset), tailOffset,
                    (uint32_t)(answer.end - tailOffset));
    } else {
        if (whole) sampleFile(work.file, answer.head, answer.offset, answer.end);
        sampleFile(work.file, answer.tail, tailOffset, answer.end);
    }
}

// ---- Lines and the filter ----

static bool readFromFile(void* context, uint64_t offset, uint8_t* out, uint32_t count) {
    DWORD bytesRead = 0;
    return readAt(*(const OpenedFile*)context, offset, out, count, &bytesRead) && bytesRead == count;
}

static ByteOrderMark readMark(const OpenedFile& file) {
    uint8_t head[3];
    DWORD count = 0;
    ByteOrderMark none = {EncodingAuto, 0};
    return readAt(file, 0, head, sizeof head, &count) ? findByteOrderMark(head, count) : none;
}

// A whole scan reads the lines as configured; a growth's, as they are shown.
static LineScan lineScanOf(const ReaderWork& work, bool growth) {
    const FileRequest& request = *work.request;
    LineScan scan = {&request.choice, growth ? request.appendEncoding : request.encoding, growth,
                     work.answer->mark, &systemCodePages, work.lineText, MatchedLineSize,
                     work.entryLines, EntryLineRecords, growth ? &request.shown.entry : nullptr};
    return scan;
}

// The last lines of the file from `from` on, looked for no further back
// than scanLimit.
static ChosenLines chooseLines(const ReaderWork& work, bool growth, uint64_t from,
                               uint64_t scanLimit, uint64_t seenEnd) {
    LastLinesQuery query = {work.answer->size, from, windowBytes(work.request->readBufferSize), scanLimit, seenEnd};
    ByteSource source = {(void*)&work.file, readFromFile};
    return chooseLastLines(lineScanOf(work, growth), query, source, work.block, LineBlockSize,
                           work.buffer, TextBufferSize - 1);
}

static void takeChosen(FileAnswer& answer, const ChosenLines& chosen, FileRead read) {
    const TakenLines& taken = chosen.taken;
    answer.read = read;
    answer.start = taken.start;
    answer.offset = taken.firstOffset;
    answer.count = taken.count;
    answer.end = taken.end;
    answer.boundary = taken.shownEndAt;
    answer.encoding = chosen.encoding;
    answer.lines = taken.lineCount;
    answer.lastLineOpen = taken.lastLineOpen;
    answer.firstLineCut = taken.firstLineCut;
    answer.scanLimitReached = taken.limitReached;
    answer.entry = taken.lastEntry;
}

static bool takeLines(const ReaderWork& work) {
    const FileRequest& request = *work.request;
    work.answer->mark = readMark(work.file);
    bool filter = filtered(request.choice);
    ChosenLines chosen = chooseLines(work, false, work.answer->mark.length,
                                     filter ? request.choice.scanLimit : UINT64_MAX, work.seenEnd);
    if (chosen.taken.readFailed) return failed(work.answer, ReadFailed);
    takeChosen(*work.answer, chosen, ReadWhole);
    return true;
}

// Appended lines keep the pane within its lines and bytes; otherwise a full
// reload cuts whole lines at its front.
static bool fitsThePane(const ReaderWork& work, uint64_t newBytes, uint32_t newLines) {
    const FileRequest& request = *work.request;
    return linesFitAfterAppend(request.shown.count + newBytes, request.shown.lines + newLines,
                               request.choice.lines, request.readBufferSize, request.readerAway);
}

static bool addLines(const ReaderWork& work, uint32_t count, uint32_t joined) {
    const FileRequest& request = *work.request;
    FileAnswer& answer = *work.answer;
    EntryState entry = request.shown.entry;
    AddedLines added = chooseAddedLines(lineScanOf(work, true), &entry, work.buffer, count,
                                        answer.offset, work.shownEnd, request.shown.lastLineOpen);
    bool moved = completeLinesOnly(request.choice);  // the lines taken are moved to the front
    if (added.abandoned || !fitsThePane(work, moved ? added.count : count - joined, added.lineCount)) {
        return false;
    }
    answer.offset = added.firstOffset;
    answer.count = added.count;
    answer.end = added.end;
    answer.boundary = moved ? 0 : joined;
    answer.lines = added.lineCount;
    answer.lastLineOpen = added.lastLineOpen;
    answer.firstLineSeen = moved && added.count > 0 && added.firstOffset < work.seenEnd;
    answer.entry = entry;
    return true;
}

// Where the lines a growth adds start: behind the LF of a CR LF pair that
// the last look split.
static bool addedLinesFrom(const ReaderWork& work, uint64_t* from) {
    const FileRequest& request = *work.request;
    LineUnits units = lineUnitsFor(request.appendEncoding, request.shownMark, systemCodePages);
    uint8_t around[2 * 2];
    uint64_t before = work.shownEnd < units.size ? 0 : units.size;
    DWORD count = 0;
    if (!readAt(work.file, work.shownEnd - before, around, (DWORD)(before + units.size), &count) ||
        count != before + units.size) {
        return false;
    }
    uint32_t previous = before ? unitAt(around, units) : 0;
    *from = addedLinesStart(work.shownEnd, previous, unitAt(around + before, units), units);
    return true;
}

// A filtered file that grew by more than a window is searched from its end
// back to where the lines shown end, and no further: the lines found are
// added, or when they alone fill the pane, shown in its place.
static bool addManyLines(const ReaderWork& work) {
    const FileRequest& request = *work.request;
    FileAnswer& answer = *work.answer;
    uint64_t from = 0;
    if (!filtered(request.choice) || answer.size - work.shownEnd > request.choice.scanLimit ||
        !addedLinesFrom(work, &from)) {
        return false;
    }
    answer.mark = request.shownMark;
    ChosenLines chosen = chooseLines(work, true, from, UINT64_MAX, NoOffset);
    const TakenLines& taken = chosen.taken;
    if (taken.readFailed || taken.abandoned) return false;
    bool allAdded = taken.reachedStart;
    if (allAdded && !fitsThePane(work, taken.count, taken.lineCount)) return false;
    takeChosen(answer, chosen, allAdded ? ReadAppended : ReadWhole);
    answer.boundary = 0;  // every line lies behind what was seen
    sampleShown(work, !allAdded);
    return true;
}

static bool readAppended(const ReaderWork& work) {
    const FileRequest& request = *work.request;
    FileAnswer& answer = *work.answer;
    if (!request.appendAllowed || !answer.shownStillThere) return false;
    const ShownBytes& shown = request.shown;
    bool lines = linesChosen(request.choice);
    AppendRange append = lines ? lineAppendRange(work.shownEnd, answer.size, request.readBufferSize)
                               : appendRange(shown.offset, work.shownEnd, answer.size,
                                             request.readBufferSize, request.readerAway);
    if (!append.possible) return lines && addManyLines(work);
    DWORD count = 0;
    if (!readAt(work.file, append.offset, work.buffer, append.count, &count)) {
        return failed(work.answer, ReadFailed);
    }
    if (count <= append.boundary) return false;
    answer.read = ReadAppended;
    answer.offset = append.offset;
    answer.count = count;
    answer.end = append.offset + count;
    answer.boundary = append.boundary;
    answer.mark = request.shownMark;
    answer.encoding = request.appendEncoding;
    if (lines && !addLines(work, count, append.boundary)) {
        answer.read = ReadNothing;
        return false;
    }
    sampleShown(work, false);
    return true;
}

// ---- Lines below the view ----

// An entry carried into the lines read that came to pass in them: the pane
// shows its lines before them too, seen or not, and those are counted here;
// the lines read are counted again with the entry's verdict as it is now.
static uint32_t settleEntryVerdict(const LineChoice& choice, EntryState* carried, const EntryState& now) {
    EntryFilter filter = entryFilterOf(choice);
    bool cameToPass = entryPasses(filter, now.judgement) && !entryPasses(filter, carried->judgement);
    carried->judgement = now.judgement;
    return cameToPass ? carried->entry.lines : 0;
}

// The lines the file holds from what was seen of it up to end, as the pane
// shows lines (with a filter, those that pass), read again in blocks: a line
// that began before is not counted again, nor one a writer has not ended
// where only whole lines are shown. Asked for only while the pane's view is
// away from its end, so that a reader who follows the end pays nothing; no
// more than the scan limit is read again.
static uint32_t countNewLines(const ReaderWork& work, uint64_t end) {
    uint64_t limit = work.request->choice.scanLimit;
    if (end - work.seenEnd > limit) {
        end = work.seenEnd + limit;
        work.answer->moreNewLines = true;
    }
    LineScan scan = lineScanOf(work, true);
    LineUnits units = lineUnitsFor(scan.encoding, scan.mark, systemCodePages);
    bool wholeLines = completeLinesOnly(*scan.choice);
    EntryState entry = work.request->shown.entry;
    uint64_t from = work.seenEnd;
    uint32_t lines = 0, settles = 0;
    while (from < end) {
        // The unit before is read too: it tells a line begun before from one
        // that begins here, and a CR LF pair split here from two line ends.
        uint32_t before = from < units.size ? 0 : units.size;
        uint64_t start = from - before, left = end - start;
        DWORD count = 0;
        if (!readAt(work.file, start, work.block, left < LineBlockSize ? (DWORD)left : LineBlockSize, &count) ||
            count <= before) {
            break;
        }
        bool open = before > 0 && !endsLine(unitAt(work.block, units), units);
        EntryState carried = entry;
        AddedLines added = chooseAddedLines(scan, &entry, work.block, count, start, from, open);
        if (added.abandoned && entriesFiltered(*scan.choice) && settles++ < 2) {
            lines += settleEntryVerdict(*scan.choice, &carried, entry);
            entry = carried;
            continue;  // the block read again: choosing moved its lines
        }
        if (added.abandoned) break;
        settles = 0;
        lines += added.lineCount;
        // Only whole lines: the next block begins with the line not yet
        // ended, unless it is longer than a block.
        uint64_t next = wholeLines ? added.end : start + count;
        from = next > from + units.size ? next : start + count;
    }
    return lines;
}

// Where the bytes seen end among the bytes read from offset on.
static uint32_t seenBoundary(uint64_t seenEnd, uint64_t offset, uint64_t end) {
    if (seenEnd == NoOffset) return NoBoundary;
    if (seenEnd >= end) return (uint32_t)(end - offset);
    return seenEnd < offset ? 0 : (uint32_t)(seenEnd - offset);
}

// Whether the first of the bytes given begins a line with a time, which
// always begins an entry.
static bool firstLineTimed(const ReaderWork& work) {
    const FileAnswer& answer = *work.answer;
    if (!linesChosen(work.request->choice) || answer.firstLineCut || answer.count == 0) return false;
    uint32_t count = answer.count < EntryHeadBytes ? answer.count : EntryHeadBytes;
    TailBytes bytes = {work.buffer + answer.start, count, answer.offset, answer.mark, true, false};
    DecodedText text = decodeTail(bytes, answer.encoding, systemCodePages, NoBoundary, work.lineText,
                                  decodedCapacity(count));
    return lineOpeningOf(work.request->choice.entries, work.lineText, text.length).timed;
}

// Whether a line of the bytes read back, after the first, which may be cut,
// begins with a time: the grouping from there on is the whole file's.
static bool holdsTimedLine(const ReaderWork& work, uint32_t count) {
    const FileAnswer& answer = *work.answer;
    TailBytes bytes = {work.lookBack, count, answer.offset - count, answer.mark, false, false};
    DecodedText text = decodeTail(bytes, answer.encoding, systemCodePages, NoBoundary, work.lineText,
                                  decodedCapacity(count));
    uint32_t at = 0;
    while (at < text.length && !isLineEnd(work.lineText[at])) ++at;
    for (uint32_t start = at; start < text.length; start = at) {
        at = start;
        while (at < text.length && !isLineEnd(work.lineText[at])) ++at;
        if (lineOpeningOf(work.request->choice.entries, work.lineText + start, at - start).timed) return true;
        ++at;
    }
    return false;
}

// With multiLine, the first lines shown may continue an entry that begins
// before them: the bytes before them are read too, back to a line that
// begins with a time, EntryLookBackBytes at most.
static void readLookBack(const ReaderWork& work) {
    FileAnswer& answer = *work.answer;
    const LineChoice& choice = work.request->choice;
    if (!choice.entries.multiLine || answer.read != ReadWhole) return;
    uint64_t textStart = answer.mark.length;
    if (answer.offset <= textStart || firstLineTimed(work)) return;
    for (uint32_t reach = 1024;; reach *= 4) {
        if (reach > EntryLookBackBytes) reach = EntryLookBackBytes;
        uint64_t from = answer.offset - textStart > reach ? answer.offset - reach : textStart;
        uint32_t count = (uint32_t)(answer.offset - from);
        DWORD read = 0;
        if (!readAt(work.file, from, work.lookBack, count, &read) || read != count) return;
        answer.lookBackCount = count;
        if (from == textStart || reach == EntryLookBackBytes || holdsTimedLine(work, count)) return;
    }
}

// The mark is at the file's start, which a later window does not hold.
static void readWhole(const ReaderWork& work) {
    FileAnswer& answer = *work.answer;
    if (linesChosen(work.request->choice)) {
        if (takeLines(work)) sampleShown(work, true);
        readLookBack(work);
        return;
    }
    TailRange range = tailRange(answer.size, work.request->readBufferSize);
    DWORD count = 0;
    if (!readAt(work.file, range.offset, work.buffer, range.count, &count)) {
        failed(work.answer, ReadFailed);
        return;
    }
    answer.read = ReadWhole;
    answer.offset = range.offset;
    answer.count = count;
    answer.end = range.offset + count;
    answer.mark = range.offset == 0 ? findByteOrderMark(work.buffer, count) : readMark(work.file);
    answer.encoding = work.request->encoding;
    answer.boundary = seenBoundary(work.seenEnd, answer.offset, answer.end);
    sampleShown(work, true);
    readLookBack(work);
}

static bool queryFile(HANDLE file, FileAnswer* answer) {
    FILETIME writeTime = {0, 0};
    if (!GetFileTime(file, NULL, NULL, &writeTime)) return failed(answer, QueryFailed);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return failed(answer, QueryFailed);
    answer->writeTime = fileTimeNumber(writeTime);
    answer->size = (uint64_t)size.QuadPart;
    return true;
}

// A folder cannot be opened as a file; the system calls that access denied.
static bool namesAFolder(const WCHAR* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A pattern's newest file other than the one shown is read as a new file.
void answerRequest(FileRequest& request, FileAnswer* answer, const ReaderBuffers& buffers) {
    ZeroMemory(answer, sizeof *answer);
    HANDLE handle = openWatchedFile(request, answer);
    if (handle == INVALID_HANDLE_VALUE) {
        if (answer->failure != NoFailure) return;
        failed(answer, OpenFailed);
        if (namesAFolder(request.path)) answer->failure = NamesAFolder;
        return;
    }
    bool changed = queryFile(handle, answer) &&
                   (!request.fileLooked || fileChanged(answer->writeTime, answer->size,
                                                   request.lastWriteTime, request.lastFileSize));
    if (changed) {
        OpenedFile file = {handle, buffers.progress};
        answer->file = identify(handle);
        uint64_t seenEnd = seenEndOf(file, request, *answer);
        answer->seenBefore = seenEnd != NoOffset;
        answer->shownStillThere = request.shown.valid && sameFile(request.shown.file, answer->file) &&
                                  answer->seenBefore && request.shown.end <= answer->size;
        ReaderWork work = {file, &request, answer, seenEnd, request.shown.end, buffers.shown,
                           buffers.block, buffers.lineText, buffers.entryLines, buffers.lookBack};
        if (!readAppended(work) && !answer->failure) readWhole(work);
        if (request.countNewLines && answer->seenBefore && answer->read != ReadNothing) {
            answer->newLines = countNewLines(work, answer->end);
        }
    }
    CloseHandle(handle);
}
