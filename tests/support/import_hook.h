// Counts the calls a test program makes to one function of a system DLL, by
// pointing the program's own import table entry at a counter while the hook
// lives. The plugin's code linked into the program calls through that table,
// from any of its threads.
#pragma once

#include <windows.h>

class ImportHook {
public:
    // original, when given, receives the function the entry held.
    ImportHook(const char* dll, const char* function, void* replacement, void** original = nullptr);
    ~ImportHook();
    bool installed() const { return entry_ != nullptr; }

private:
    void** entry_ = nullptr;
    void* original_ = nullptr;
};

class MessageBeepCounter {
public:
    MessageBeepCounter();
    int calls() const;
    bool installed() const { return hook_.installed(); }

private:
    ImportHook hook_;
};

// The bytes asked of ReadFile, by every thread, while it lives.
class ReadFileCounter {
public:
    ReadFileCounter();
    unsigned long long bytesAsked() const;
    void reset();
    bool installed() const { return hook_.installed(); }

private:
    ImportHook hook_;
};

// While closed, ReadFile called by any thread but the one that made the gate
// waits (at most ten seconds) until it opens: a reader held in its read.
class ReadFileGate {
public:
    ReadFileGate();
    ~ReadFileGate() { open(); }
    void open();
    bool installed() const { return hook_.installed(); }

private:
    ImportHook hook_;
};
