// The reader thread and its hand-over.
//
// Each start of the plugin takes a slot of its own: a request, an answer, a
// buffer for the bytes read and two events. The shell's thread writes a
// request, signals it and waits a short while on the answer event. One
// exchanged word tells the two sides apart: asked (the shell's thread is
// waiting), late (it has stopped waiting; the reader posts its answer to the
// viewer window), answered (the answer waits to be taken), idle.
//
// The reader holds a reference to the plugin's module and ends with
// FreeLibraryAndExitThread: stopping never waits, and a reader that returns
// from a stalled read after the shell has freed the plugin still has its code
// to run. It touches only its slot, which stays its own until it ends; the
// window to notify is cleared under a lock, so that no late post reaches a
// window that is gone. A start while an old reader is still blocked takes
// another slot.
#include "tail/file_reader.h"

#include "tail/tail_range.h"

static const int SlotCount = 4;

enum Handoff { Idle, Asked, Late, Answered };

struct ReaderSlot {
    volatile LONG inUse;  // from the start that takes it until its reader ends
    volatile LONG quit;
    volatile LONG handoff;
    HANDLE asked;
    HANDLE answeredEvent;
    HMODULE module;
    CRITICAL_SECTION notifyLock;
    bool notifyLockMade;
    HWND notify;
    FileRequest request;
    FileAnswer answer;
    uint8_t buffer[TextBufferSize];
};

static ReaderSlot slots[SlotCount];
// Without a thread, requests are answered at once in a slot of their own.
static ReaderSlot localSlot;
static ReaderSlot* current;

// ---- The file work -----------------------------------------------------------

// A file cut short since its size was taken yields fewer bytes; older bytes
// behind them must not count.
static DWORD readAt(HANDLE file, uint64_t offset, void* buffer, DWORD count) {
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    at.Offset = (DWORD)offset;
    at.OffsetHigh = (DWORD)(offset >> 32);
    DWORD bytesRead = 0;
    if (!ReadFile(file, buffer, count, &bytesRead, &at)) return 0;
    return bytesRead <= count ? bytesRead : 0;
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

// The bytes read again in front of the new ones are those last shown: the
// file grew, and was not cut short and written anew.
static bool stillEndsAsShown(const FileRequest& request, const uint8_t* bytes, uint32_t boundary) {
    uint32_t count = boundary < request.lastByteCount ? boundary : request.lastByteCount;
    const uint8_t* reread = bytes + boundary - count;
    const uint8_t* last = request.lastBytes + request.lastByteCount - count;
    for (uint32_t i = 0; i < count; ++i) {
        if (reread[i] != last[i]) return false;
    }
    return true;
}

static bool readAppended(HANDLE file, const FileRequest& request, FileAnswer* answer,
                         uint8_t* buffer) {
    if (!request.appendAllowed || !sameFile(request.shownFile, answer->file)) return false;
    AppendRange append =
        appendRange(request.shownOffset, request.shownEnd, answer->size, request.readBufferSize);
    if (!append.possible) return false;
    uint32_t count = readAt(file, append.offset, buffer, append.count);
    if (count <= append.boundary || !stillEndsAsShown(request, buffer, append.boundary)) {
        return false;
    }
    answer->read = ReadAppended;
    answer->offset = append.offset;
    answer->count = count;
    answer->boundary = append.boundary;
    return true;
}

// The mark is at the file's start, which a later window does not hold.
static void readWhole(HANDLE file, const FileRequest& request, FileAnswer* answer,
                      uint8_t* buffer) {
    TailRange range = tailRange(answer->size, request.readBufferSize);
    answer->read = ReadWhole;
    answer->offset = range.offset;
    answer->count = readAt(file, range.offset, buffer, range.count);
    if (range.offset == 0) {
        answer->mark = findByteOrderMark(buffer, answer->count);
    } else {
        uint8_t head[3];
        answer->mark = findByteOrderMark(head, readAt(file, 0, head, sizeof head));
    }
}

static void answerRequest(const FileRequest& request, FileAnswer* answer, uint8_t* buffer) {
    ZeroMemory(answer, sizeof *answer);
    HANDLE file = CreateFileA(request.path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        answer->openError = GetLastError();
        if (answer->openError == 0) answer->openError = ERROR_OPEN_FAILED;
        return;
    }
    FILETIME writeTime = {0, 0};
    GetFileTime(file, NULL, NULL, &writeTime);
    DWORD sizeHigh = 0;
    DWORD sizeLow = GetFileSize(file, &sizeHigh);
    answer->writeTime = fileTimeNumber(writeTime);
    answer->size = ((uint64_t)sizeHigh << 32) | sizeLow;
    if (fileChanged(answer->writeTime, answer->size, request.lastWriteTime, request.lastFileSize)) {
        answer->file = identify(file);
        if (!readAppended(file, request, answer, buffer)) readWhole(file, request, answer, buffer);
    }
    CloseHandle(file);
}

// ---- The thread and the hand-over ----------------------------------------------

static void notifyAnswered(ReaderSlot* slot) {
    LONG before = InterlockedExchange(&slot->handoff, Answered);
    SetEvent(slot->answeredEvent);
    if (before != Late) return;
    EnterCriticalSection(&slot->notifyLock);
    if (slot->notify) PostMessageA(slot->notify, FileAnsweredMessage, 0, 0);
    LeaveCriticalSection(&slot->notifyLock);
}

static DWORD WINAPI readerThread(LPVOID parameter) {
    ReaderSlot* slot = (ReaderSlot*)parameter;
    for (;;) {
        WaitForSingleObject(slot->asked, INFINITE);
        if (slot->quit) break;
        answerRequest(slot->request, &slot->answer, slot->buffer);
        if (slot->quit) break;
        notifyAnswered(slot);
    }
    HMODULE module = slot->module;
    CloseHandle(slot->asked);
    CloseHandle(slot->answeredEvent);
    InterlockedExchange(&slot->inUse, 0);  // the slot is no longer this thread's
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

static ReaderSlot* takeFreeSlot() {
    for (ReaderSlot& slot : slots) {
        if (InterlockedCompareExchange(&slot.inUse, 1, 0) == 0) return &slot;
    }
    return NULL;
}

static bool prepareSlot(ReaderSlot* slot, HWND notify) {
    if (!slot->notifyLockMade) InitializeCriticalSection(&slot->notifyLock);
    slot->notifyLockMade = true;
    slot->quit = 0;
    slot->handoff = Idle;
    slot->notify = notify;
    slot->asked = CreateEventA(NULL, FALSE, FALSE, NULL);
    slot->answeredEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    return slot->asked && slot->answeredEvent;
}

static bool startThread(ReaderSlot* slot) {
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCSTR)&readerThread,
                            &slot->module)) {
        return false;
    }
    HANDLE thread = CreateThread(NULL, 0, readerThread, slot, 0, NULL);
    if (!thread) {
        FreeLibrary(slot->module);
        return false;
    }
    CloseHandle(thread);
    return true;
}

static void releaseSlot(ReaderSlot* slot) {
    if (slot->asked) CloseHandle(slot->asked);
    if (slot->answeredEvent) CloseHandle(slot->answeredEvent);
    InterlockedExchange(&slot->inUse, 0);
}

bool startFileReader(HWND notify) {
    if (current) stopFileReader();
    ReaderSlot* slot = takeFreeSlot();
    if (slot && prepareSlot(slot, notify) && startThread(slot)) {
        current = slot;
        return true;
    }
    if (slot) releaseSlot(slot);
    localSlot.handoff = Idle;
    current = &localSlot;
    return false;
}

void stopFileReader() {
    ReaderSlot* slot = current;
    current = NULL;
    if (!slot || slot == &localSlot) return;
    EnterCriticalSection(&slot->notifyLock);
    slot->notify = NULL;
    LeaveCriticalSection(&slot->notifyLock);
    InterlockedExchange(&slot->quit, 1);
    SetEvent(slot->asked);
}

bool fileReaderBusy() { return current && current->handoff != Idle; }

bool askFileReader(const FileRequest& request) {
    if (!current) startFileReader(NULL);
    ReaderSlot* slot = current;
    slot->request = request;
    if (slot == &localSlot) {
        answerRequest(slot->request, &slot->answer, slot->buffer);
        slot->handoff = Answered;
        return true;
    }
    InterlockedExchange(&slot->handoff, Asked);
    ResetEvent(slot->answeredEvent);
    SetEvent(slot->asked);
    if (WaitForSingleObject(slot->answeredEvent, AnswerWait) == WAIT_OBJECT_0) return true;
    // From now on the reader posts its answer, unless it has come just now.
    return InterlockedCompareExchange(&slot->handoff, Late, Asked) == Answered;
}

bool takeFileAnswer(FileAnswer* answer, const uint8_t** bytes) {
    ReaderSlot* slot = current;
    if (!slot || InterlockedCompareExchange(&slot->handoff, Idle, Answered) != Answered) {
        return false;
    }
    *answer = slot->answer;
    *bytes = slot->buffer;
    return true;
}
