// The reader thread and its hand-over.
//
// Each start of the plugin takes a slot of its own: a request, an answer, a
// buffer for the bytes read and two events. The shell's thread writes a
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

static const int SlotCount = 4;

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
    FileRequest request;
    FileAnswer answer;
    uint8_t buffer[TextBufferSize];
    uint8_t block[LineBlockSize];
    WideChar lineText[2 * MatchedLineSize + 1];
};

static ReaderSlot slots[SlotCount];
static ReaderSlot* current;
// The window of the start that found no free slot, for the slot it takes later.
static HWND waitingNotify;

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
    if (slot->notify) PostMessageA(slot->notify, FileAnsweredMessage, 0, 0);
    LeaveCriticalSection(&slot->notifyLock);
}

static DWORD WINAPI readerThread(LPVOID parameter) {
    ReaderSlot* slot = (ReaderSlot*)parameter;
    while (WaitForSingleObject(slot->asked, INFINITE) == WAIT_OBJECT_0 && !slot->quit) {
        ReaderBuffers buffers = {slot->buffer, slot->block, slot->lineText, &slot->progress};
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

static bool prepareSlot(ReaderSlot* slot, HWND notify) {
    if (!slot->notifyLockMade) InitializeCriticalSection(&slot->notifyLock);
    slot->notifyLockMade = true;
    slot->quit = 0;
    slot->handoff = HandoffIdle;
    slot->holders = BothSides;
    slot->notify = notify;
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

bool startFileReader(HWND notify) {
    if (current) stopFileReader();
    waitingNotify = notify;
    ReaderSlot* slot = takeFreeSlot();
    if (!slot) return false;
    if (prepareSlot(slot, notify) && startThread(slot)) {
        current = slot;
        return true;
    }
    releaseUnstartedSlot(slot);
    return false;
}

// The reader is signalled last: from then on the shell's thread never
// touches the slot again.
void stopFileReader() {
    ReaderSlot* slot = current;
    current = NULL;
    waitingNotify = NULL;
    if (!slot) return;
    EnterCriticalSection(&slot->notifyLock);
    slot->notify = NULL;
    LeaveCriticalSection(&slot->notifyLock);
    InterlockedExchange(&slot->quit, 1);
    SetEvent(slot->asked);
    if (lastToLetGo(&slot->holders)) closeSlot(slot);
}

bool fileReaderBusy() { return current && requestPending(current->handoff); }

LONG fileReaderProgress() { return current ? current->progress : 0; }

// The wait may end early on a wake-up meant for an earlier request; only
// the hand-over word says whether the answer is in.
static bool waitForAnswer(ReaderSlot* slot) {
    DWORD started = GetTickCount();
    for (;;) {
        if (slot->handoff == HandoffAnswered) break;
        DWORD waited = GetTickCount() - started;
        if (waited >= AnswerWait) break;
        WaitForSingleObject(slot->answeredEvent, AnswerWait - waited);
    }
    return answerArrived(&slot->handoff);
}

ReaderReply askFileReader(const FileRequest& request) {
    if (!current && !startFileReader(waitingNotify)) return NoReader;
    ReaderSlot* slot = current;
    slot->request = request;
    InterlockedExchange(&slot->progress, 0);
    handOverRequest(&slot->handoff);
    SetEvent(slot->asked);
    return waitForAnswer(slot) ? ReaderAnswered : ReaderLate;
}

bool takeFileAnswer(FileAnswer* answer, const uint8_t** bytes) {
    ReaderSlot* slot = current;
    if (!slot || !takeAnswered(&slot->handoff)) return false;
    *answer = slot->answer;
    *bytes = slot->buffer + slot->answer.start;
    return true;
}
