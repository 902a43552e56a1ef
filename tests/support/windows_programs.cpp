#include "support/windows_programs.h"

#include "support/shell_run.h"

StartedProgram::~StartedProgram() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

bool StartedProgram::start(const std::string& commandLine) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process_);
}

bool StartedProgram::waitForEnd(int milliseconds) {
    return pumpUntil([this] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
                     milliseconds);
}
