// Counts the calls a test program makes to one function of a system DLL, by
// pointing the program's own import table entry at a counter while the hook
// lives. The plugin's code linked into the program calls through that table.
#pragma once

#include <windows.h>

class MessageBeepCounter {
public:
    MessageBeepCounter();
    ~MessageBeepCounter();
    int calls() const;
    bool installed() const { return entry_ != nullptr; }

private:
    void** entry_ = nullptr;
    void* original_ = nullptr;
};
