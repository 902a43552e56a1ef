#include "support/import_hook.h"

#include <cstring>

static volatile LONG beeps;

static BOOL WINAPI countedMessageBeep(UINT) {
    InterlockedIncrement(&beeps);
    return TRUE;
}

// The program's import table entry of a function, found by its DLL and name.
static void** importEntry(const char* dll, const char* function) {
    BYTE* base = (BYTE*)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS* headers = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress);
         d->Name; ++d) {
        if (_stricmp((const char*)(base + d->Name), dll) != 0) continue;
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA* addresses = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            IMAGE_IMPORT_BY_NAME* name = (IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData);
            if (strcmp((const char*)name->Name, function) == 0) return (void**)&addresses->u1.Function;
        }
    }
    return nullptr;
}

static void write(void** entry, void* value) {
    DWORD kept = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &kept);
    *entry = value;
    VirtualProtect(entry, sizeof *entry, kept, &kept);
}

ImportHook::ImportHook(const char* dll, const char* function, void* replacement, void** original) {
    entry_ = importEntry(dll, function);
    if (!entry_) return;
    original_ = *entry_;
    if (original) *original = original_;  // before any thread can call the replacement
    write(entry_, replacement);
}

ImportHook::~ImportHook() {
    if (entry_) write(entry_, original_);
}

MessageBeepCounter::MessageBeepCounter()
    : hook_("user32.dll", "MessageBeep", (void*)countedMessageBeep) {
    beeps = 0;
}

int MessageBeepCounter::calls() const { return beeps; }

// ---- ReadFile ----

typedef BOOL(WINAPI* ReadFileFunction)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
static ReadFileFunction originalReadFile;
static volatile LONG64 bytesAskedOfReadFile;

// A reader thread in a read when the hook goes still has the original to call.
static BOOL WINAPI countedReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read,
                                   LPOVERLAPPED overlapped) {
    InterlockedExchangeAdd64(&bytesAskedOfReadFile, count);
    return originalReadFile(file, buffer, count, read, overlapped);
}

ReadFileCounter::ReadFileCounter()
    : hook_("kernel32.dll", "ReadFile", (void*)countedReadFile, (void**)&originalReadFile) {
    reset();
}

unsigned long long ReadFileCounter::bytesAsked() const { return bytesAskedOfReadFile; }

void ReadFileCounter::reset() { InterlockedExchange64(&bytesAskedOfReadFile, 0); }

// ---- ReadFile held at a gate ----

static ReadFileFunction ungatedReadFile;
static HANDLE gateOpened = CreateEventW(NULL, TRUE, TRUE, NULL);  // lives as long as the program
static DWORD gateKeeper;

static BOOL WINAPI gatedReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read,
                                 LPOVERLAPPED overlapped) {
    if (GetCurrentThreadId() != gateKeeper) WaitForSingleObject(gateOpened, 10000);
    return ungatedReadFile(file, buffer, count, read, overlapped);
}

ReadFileGate::ReadFileGate()
    : hook_("kernel32.dll", "ReadFile", (void*)gatedReadFile, (void**)&ungatedReadFile) {
    gateKeeper = GetCurrentThreadId();
    ResetEvent(gateOpened);
}

void ReadFileGate::open() { SetEvent(gateOpened); }
