// The plugin started in the stand-in shell with a settings file of the
// benchmark's own, its first messages handled.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "plugin/plugin.h"
#include "support/shell_run.h"
#include "support/test_files.h"

inline bool startBenchPlugin(const std::string& settings) {
    writeFile(programFolder() + "qvperuser.rc", settings);
    if (beginPlugin(GetModuleHandleA(NULL)) != 0) {
        printf("the plugin did not start\n");
        return false;
    }
    pumpMessages(100);
    return true;
}
