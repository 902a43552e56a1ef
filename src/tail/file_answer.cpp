// Answering a request, on the reader thread: the file is opened (for a
// pattern, the newest that matches), its time and size are looked at, and
// when it changed, either the bytes appended since the last look are read
// alone (tail.h tells when) or its end is read whole: the last
// readBufferSize bytes, or the last whole lines that pass the filter, read
// backwards in blocks. The first and last bytes shown are sampled, to tell
// at the next look whether they are still there.
#include "tail/file_answer.h"

#include <string.h>

#include "tail/folder_listing.h"
#include "text/line_finder.h"
#include "tail/tail.h"
#include "text/tail_range.h"

// A file cut short since its size was taken yields fewer bytes; older bytes
// behind them must not count.
static bool readAt(HANDLE file, uint64_t offset, void* buffer, DWORD count, DWORD* bytesRead) {
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    *bytesRead = 0;
    if (count == 0) return true;
    if (!ReadFile(file, buffer, count, bytesRead, &at)) {
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

bool sameFile(FileIdentity a, FileIdentity b) {
    return a.volume == b.volume && a.index == b.index && (a.volume != 0 || a.index != 0);
}

static bool sampleStillThere(HANDLE file, const ByteSample& sample) {
    uint8_t reread[SampleCapacity];
    DWORD count = 0;
    return readAt(file, sample.offset, reread, sample.count, &count) && count == sample.count &&
           memcmp(reread, sample.bytes, count) == 0;
}

// The same file, still holding the bytes shown where they were: its first
// and last few of them are read again. A file rewritten between two looks
// with the same bytes in both places is taken for the same.
static bool shownStillThere(HANDLE file, const FileRequest& request, const FileAnswer& answer) {
    const ShownBytes& shown = request.shown;
    return shown.valid && sameFile(shown.file, answer.file) && answer.size >= shown.end &&
           sampleStillThere(file, shown.head) && sampleStillThere(file, shown.tail);
}

// One request's work: the open file, and the reader's buffers.
struct ReaderWork {
    HANDLE file;
    const FileRequest* request;
    FileAnswer* answer;
    uint8_t* buffer;
    uint8_t* block;
    WideChar* lineText;
};

static void sampleBytes(ByteSample& sample, const uint8_t* bytes, uint64_t offset, uint32_t count) {
    sample.count = count < SampleCapacity ? count : SampleCapacity;
    sample.offset = offset;
    memcpy(sample.bytes, bytes, sample.count);
}

static void sampleFile(HANDLE file, ByteSample& sample, uint64_t offset, uint64_t end) {
    uint8_t bytes[SampleCapacity];
    uint64_t wanted = end - offset < SampleCapacity ? end - offset : SampleCapacity;
    DWORD count = 0;
    if (!readAt(file, offset, bytes, (DWORD)wanted, &count)) count = 0;
    sampleBytes(sample, bytes, offset, count);
}

// The first and last bytes of what is shown, from the bytes read where they
// follow one another in the file, else from the file.
static void sampleShown(const ReaderWork& work, bool whole) {
    FileAnswer& answer = *work.answer;
    const uint8_t* bytes = work.buffer + answer.start;
    bool contiguous = !filtered(work.request->choice) && answer.end == answer.offset + answer.count;
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

struct FileSource {
    HANDLE file;
};

static bool readFromFile(void* context, uint64_t offset, uint8_t* out, uint32_t count) {
    DWORD bytesRead = 0;
    return readAt(((FileSource*)context)->file, offset, out, count, &bytesRead) && bytesRead == count;
}

// The filter on the reader: its needles are its own, fitted to the bytes
// to be looked at.
struct FilterJudge {
    const LineChoice* choice;
    Encoding encoding;
    ByteOrderMark mark;
    bool byteUnits;  // the needles can be looked for in the bytes
    WideChar* text;
    PatternNeedles show;
    PatternNeedles hide;
};

static void fitNeedles(FilterJudge& judge, const uint8_t* sample, uint32_t count) {
    fitAnchors(&judge.show, sample, count);
    fitAnchors(&judge.hide, sample, count);
}

static bool needlesMiss(const FilterJudge& judge, const PatternNeedles& needles,
                        const uint8_t* bytes, uint32_t count) {
    return judge.byteUnits && needles.usable && !holdsNeedle(needles, bytes, count);
}

// A line is matched as it decodes on its own; a cut one as the end of a
// window. Bytes without a pattern's needles cannot match it.
static bool linePasses(void* context, const uint8_t* line, uint32_t count, bool cut) {
    const FilterJudge& judge = *(const FilterJudge*)context;
    const LineChoice& choice = *judge.choice;
    bool showMissed = choice.showSet && needlesMiss(judge, judge.show, line, count);
    if (showMissed) return false;
    bool hideMissed = !choice.hideSet || needlesMiss(judge, judge.hide, line, count);
    if (!choice.showSet && hideMissed) return true;
    const uint64_t CutWindowOffset = 2;  // past the start: a character may be cut there
    TailBytes bytes = {line, count, cut ? CutWindowOffset : 0, {judge.mark.kind, 0}, !cut};
    DecodedText text = decodeTail(bytes, judge.encoding, systemCodePages, NoBoundary, judge.text,
                                  decodedCapacity(count));
    if (choice.showSet && !lineMatches(choice.show, judge.text, text.length)) return false;
    return hideMissed || !lineMatches(choice.hide, judge.text, text.length);
}

// Lines behind the last of the needles of the lines shown cannot pass.
static uint32_t lastPassingLine(void* context, const uint8_t* lines, uint32_t count) {
    const FilterJudge& judge = *(const FilterJudge*)context;
    if (!judge.choice->showSet || !judge.byteUnits || !judge.show.usable) return count - 1;
    uint32_t at = lastNeedleAt(judge.show, lines, count);
    return at == NoNeedle ? NoPlaceToPass : at;
}

static LineJudge judgeOf(const FilterJudge& filter, const FileRequest& request) {
    LineJudge judge = {(void*)&filter, NULL, NULL};
    if (filtered(request.choice)) {
        judge.passes = linePasses;
        judge.lastPassing = lastPassingLine;
    }
    return judge;
}

static LineUnits unitsOf(const FileRequest& request, ByteOrderMark mark) {
    EncodingKind kind = request.encoding.kind != EncodingAuto ? request.encoding.kind : mark.kind;
    return lineUnitsOf(kind);
}

static FilterJudge filterOf(const ReaderWork& work, LineUnits units) {
    const FileRequest& request = *work.request;
    FilterJudge filter = {&request.choice, request.encoding, work.answer->mark, units.size == 1,
                          work.lineText, request.choice.showNeedles, request.choice.hideNeedles};
    return filter;
}

static ByteOrderMark readMark(HANDLE file) {
    uint8_t head[3];
    DWORD count = 0;
    ByteOrderMark none = {EncodingAuto, 0};
    return readAt(file, 0, head, sizeof head, &count) ? findByteOrderMark(head, count) : none;
}

// The file's last bytes, read into the block: the filter's needles are fitted to them.
static const uint32_t AnchorSample = 16 * 1024;

static uint32_t sampleEnd(HANDLE file, uint64_t size, uint8_t* block) {
    uint32_t wanted = size < AnchorSample ? (uint32_t)size : AnchorSample;
    DWORD count = 0;
    return readAt(file, size - wanted, block, wanted, &count) ? count : 0;
}

static uint32_t window(const FileRequest& request) { return tailRange(UINT64_MAX, request.readBufferSize).count; }

static bool takeLines(const ReaderWork& work) {
    const FileRequest& request = *work.request;
    FileAnswer& answer = *work.answer;
    answer.mark = readMark(work.file);
    LineUnits units = unitsOf(request, answer.mark);
    FilterJudge filter = filterOf(work, units);
    LineJudge judge = judgeOf(filter, request);
    fitNeedles(filter, work.block, sampleEnd(work.file, answer.size, work.block));
    FileSource file = {work.file};
    ByteSource source = {&file, readFromFile};
    const ShownBytes& shown = request.shown;
    LineQuery query = {answer.size, answer.mark.length, units,
                       request.choice.lines, window(request),
                       filtered(request.choice) ? request.choice.scanLimit : UINT64_MAX,
                       filtered(request.choice), judge,
                       shown.valid && answer.shownStillThere ? shown.end : NoOffset,
                       MatchedLineSize};
    TakenLines taken = takeLastLines(query, source, work.block, LineBlockSize, work.buffer,
                                     TextBufferSize - 1);
    if (taken.readFailed) return failed(work.answer, ReadFailed);
    answer.read = ReadWhole;
    answer.start = taken.start;
    answer.offset = taken.firstOffset;
    answer.count = taken.count;
    answer.end = taken.end;
    answer.boundary = taken.shownEndAt;
    answer.lines = taken.lineCount;
    answer.lastLineOpen = taken.lastLineOpen;
    answer.firstLineCut = taken.firstLineCut;
    answer.scanLimitReached = taken.limitReached;
    return true;
}

// Appended lines keep the pane within its lines and bytes; otherwise a full
// reload cuts whole lines at its front.
static bool addLines(const ReaderWork& work, uint32_t count, uint32_t joined) {
    const FileRequest& request = *work.request;
    FileAnswer& answer = *work.answer;
    LineUnits units = unitsOf(request, answer.mark);
    FilterJudge filter = filterOf(work, units);
    LineJudge judge = judgeOf(filter, request);
    fitNeedles(filter, work.buffer, count);
    const ShownBytes& shown = request.shown;
    AddedLines added = takeAddedLines(work.buffer, count, answer.offset, shown.end, units,
                                      shown.lastLineOpen, filtered(request.choice), judge);
    uint32_t newBytes = filtered(request.choice) ? added.count : count - joined;
    if (!linesFitAfterAppend(shown.count + newBytes, shown.lines + added.lineCount,
                             request.choice.lines, request.readBufferSize, request.readerAway)) {
        return false;
    }
    answer.count = added.count;
    answer.end = added.end;
    answer.boundary = filtered(request.choice) ? 0 : joined;
    answer.lines = added.lineCount;
    answer.lastLineOpen = added.lastLineOpen;
    return true;
}

static bool readAppended(const ReaderWork& work) {
    const FileRequest& request = *work.request;
    FileAnswer& answer = *work.answer;
    if (!request.appendAllowed || !answer.shownStillThere) return false;
    const ShownBytes& shown = request.shown;
    bool lines = linesChosen(request.choice);
    AppendRange append = lines ? lineAppendRange(shown.end, answer.size, request.readBufferSize)
                               : appendRange(shown.offset, shown.end, answer.size,
                                             request.readBufferSize, request.readerAway);
    if (!append.possible) return false;
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
    if (lines && !addLines(work, count, append.boundary)) {
        answer.read = ReadNothing;
        return false;
    }
    sampleShown(work, false);
    return true;
}

// The mark is at the file's start, which a later window does not hold.
static void readWhole(const ReaderWork& work) {
    FileAnswer& answer = *work.answer;
    if (linesChosen(work.request->choice)) {
        if (takeLines(work)) sampleShown(work, true);
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
    const ShownBytes& shown = work.request->shown;
    answer.boundary = NoBoundary;
    if (shown.valid && answer.shownStillThere && shown.end <= answer.end) {
        answer.boundary = shown.end < answer.offset ? 0 : (uint32_t)(shown.end - answer.offset);
    }
    sampleShown(work, true);
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
    HANDLE file = openWatchedFile(request, answer);
    if (file == INVALID_HANDLE_VALUE) {
        if (answer->failure != NoFailure) return;
        failed(answer, OpenFailed);
        if (namesAFolder(request.path)) answer->failure = NamesAFolder;
        return;
    }
    bool changed = queryFile(file, answer) &&
                   (!request.seen || fileChanged(answer->writeTime, answer->size,
                                                 request.lastWriteTime, request.lastFileSize));
    if (changed) {
        ReaderWork work = {file, &request, answer, buffers.shown, buffers.block, buffers.lineText};
        answer->file = identify(file);
        answer->shownStillThere = shownStillThere(file, request, *answer);
        if (!readAppended(work) && !answer->failure) readWhole(work);
    }
    CloseHandle(file);
}
