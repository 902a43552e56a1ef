// The reader threads and their hand-over.
//
// Each source of each start of the plugin takes a slot of its own, at its
// first request: a request, an answer, a buffer for the bytes read and two
// events, and a thread, so that a source whose file stops answering holds
// up no other. The shell's thread writes a
// request, hands it over on the slot's hand-over word (reader_handoff.h says
// which side owns what in each of its states), signals the reader and waits a
// short while for the answer. An answer that comes later is posted to the
// viewer window.
//
// The reader holds a reference to the plugin's module and ends with
// FreeLibraryAndExitThread: stopping never waits, and a reader that returns
// from a stalled read after the shell has freed the plugin still has its code
// to run. It touches only its slot, which stays its own until it ends; the
// window to notify is cleared under a lock, so that no late post reaches a
// window that is gone. A start while old readers are still blocked takes
// another slot; with every slot held, no file is read until one is let go.
#include "tail/file_reader.h"

#include "tail/file_answer.h"
#include "tail/reader_handoff.h"
#include "viewer/viewer.h"

// Each source of this start, and as many held by readers of earlier starts
// still blocked in a read.
static const int SlotCount = 2 * MostSources;

struct ReaderSlot {
    volatile LONG inUse;    // from the start that takes it until both sides let go
    volatile LONG holders;  // of the events: the shell's thread and the reader
    volatile LONG quit;
    volatile LONG handoff;
    volatile LONG progress;  // reads made for the request in hand
    HANDLE asked;
    HANDLE answeredEvent;
    HMODULE module;
    CRITICAL_SECTION notifyLock;
    bool notifyLockMade;
    HWND notify;
    uint32_t source;  // whose answers it posts
    FileRequest request;
    FileAnswer answer;
    uint8_t buffer[TextBufferSize];
    uint8_t block[LineBlockSize];
    WideChar lineText[2 * MatchedLineSize + 1];
    EntryLine entryLines[EntryLineRecords];
    uint8_t lookBack[EntryLookBackBytes];
};

static ReaderSlot slots[SlotCount];
static ReaderSlot* current[MostSources];
// The window of this start, told of late answers.
static HWND notifyWindow;

// ---- The thread and the hand-over ----------------------------------------------

static void closeSlot(ReaderSlot* slot) {
    CloseHandle(slot->asked);
    CloseHandle(slot->answeredEvent);
    slot->asked = NULL;
    slot->answeredEvent = NULL;
    InterlockedExchange(&slot->inUse, 0);
}

static void postAnswer(ReaderSlot* slot) {
    EnterCriticalSection(&slot->notifyLock);
    if (slot->notify) PostMessageA(slot->notify, FileAnsweredMessage, slot->source, 0);
    LeaveCriticalSection(&slot->notifyLock);
}

static DWORD WINAPI readerThread(LPVOID parameter) {
    ReaderSlot* slot = (ReaderSlot*)parameter;
    while (WaitForSingleObject(slot->asked, INFINITE) == WAIT_OBJECT_0 && !slot->quit) {
        ReaderBuffers buffers = {slot->buffer, slot->block, slot->lineText, slot->entryLines,
                                 slot->lookBack, &slot->progress};
        answerRequest(slot->request, &slot->answer, buffers);
        if (slot->quit) break;
        if (answerMustBePosted(&slot->handoff)) postAnswer(slot);
        SetEvent(slot->answeredEvent);
    }
    HMODULE module = slot->module;
    if (lastToLetGo(&slot->holders)) closeSlot(slot);
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

static ReaderSlot* takeFreeSlot() {
    for (ReaderSlot& slot : slots) {
        if (InterlockedCompareExchange(&slot.inUse, 1, 0) == 0) return &slot;
    }
    return NULL;
}

static bool prepareSlot(ReaderSlot* slot, HWND notify, uint32_t source) {
    if (!slot->notifyLockMade) InitializeCriticalSection(&slot->notifyLock);
    slot->notifyLockMade = true;
    slot->quit = 0;
    slot->handoff = HandoffIdle;
    slot->holders = BothSides;
    slot->notify = notify;
    slot->source = source;
    slot->asked = CreateEventA(NULL, FALSE, FALSE, NULL);
    slot->answeredEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
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

// A slot whose thread never ran is the shell's thread's alone.
static void releaseUnstartedSlot(ReaderSlot* slot) {
    if (slot->asked) CloseHandle(slot->asked);
    if (slot->answeredEvent) CloseHandle(slot->answeredEvent);
    slot->asked = NULL;
    slot->answeredEvent = NULL;
    InterlockedExchange(&slot->inUse, 0);
}

// A reader for the source, when a slot is free.
static ReaderSlot* readerFor(uint32_t source) {
    if (current[source]) return current[source];
    ReaderSlot* slot = takeFreeSlot();
    if (!slot) return NULL;
    if (prepareSlot(slot, notifyWindow, source) && startThread(slot)) {
        current[source] = slot;
        return slot;
    }
    releaseUnstartedSlot(slot);
    return NULL;
}

void startFileReaders(HWND notify) {
    stopFileReaders();
    notifyWindow = notify;
}

// The reader is signalled last: from then on the shell's thread never
// touches the slot again.
void stopSourceReader(uint32_t source) {
    ReaderSlot* slot = current[source];
    current[source] = NULL;
    if (!slot) return;
    EnterCriticalSection(&slot->notifyLock);
    slot->notify = NULL;
    LeaveCriticalSection(&slot->notifyLock);
    InterlockedExchange(&slot->quit, 1);
    SetEvent(slot->asked);
    if (lastToLetGo(&slot->holders)) closeSlot(slot);
}

void stopFileReaders() {
    for (uint32_t source = 0; source < MostSources; ++source) stopSourceReader(source);
    notifyWindow = NULL;
}

bool fileReaderBusy(uint32_t source) {
    return current[source] && requestPending(current[source]->handoff);
}

LONG fileReaderProgress(uint32_t source) { return current[source] ? current[source]->progress : 0; }

// The wait may end early on a wake-up meant for an earlier request; only
// the hand-over word says whether the answer is in.
static bool waitForAnswer(ReaderSlot* slot, DWORD since) {
    for (;;) {
        if (slot->handoff == HandoffAnswered) break;
        DWORD waited = GetTickCount() - since;
        if (waited >= AnswerWait) break;
        WaitForSingleObject(slot->answeredEvent, AnswerWait - waited);
    }
    return answerArrived(&slot->handoff);
}

bool handFileRequest(uint32_t source, const FileRequest& request) {
    ReaderSlot* slot = readerFor(source);
    if (!slot) return false;
    slot->request = request;
    InterlockedExchange(&slot->progress, 0);
    handOverRequest(&slot->handoff);
    SetEvent(slot->asked);
    return true;
}

ReaderReply awaitFileAnswer(uint32_t source, DWORD since) {
    return waitForAnswer(current[source], since) ? ReaderAnswered : ReaderLate;
}

bool takeFileAnswer(uint32_t source, FileAnswer* answer, const uint8_t** bytes,
                    const uint8_t** lookBack) {
    ReaderSlot* slot = current[source];
    if (!slot || !takeAnswered(&slot->handoff)) return false;
    *answer = slot->answer;
    *bytes = slot->buffer + slot->answer.start;
    *lookBack = slot->lookBack;
    return true;
}
