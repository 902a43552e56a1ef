// Windows programs that a test runs as processes of their own: started with
// a command line, waited for while the test's own windows go on getting
// their messages, and ended with the test if they are still running.
#pragma once

#include <windows.h>

#include <string>

class StartedProgram {
public:
    StartedProgram() = default;
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;
    ~StartedProgram();

    bool start(const std::string& commandLine);
    // Pumps the test's messages until the program has ended, for at most the
    // given time; says whether it ended.
    bool waitForEnd(int milliseconds);

private:
    PROCESS_INFORMATION process_ = {};
};
