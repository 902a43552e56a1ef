#include "support/linux_programs.h"

#include <windows.h>

#include "support/test_files.h"

std::wstring wide(const std::string& text) {
    std::wstring result(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &result[0], (int)result.size());
    result.resize(length > 0 ? length - 1 : 0);
    return result;
}

std::string unixPath(const std::string& windowsPath) {
    typedef char*(CDECL * UnixFileName)(LPCWSTR);
    UnixFileName convert = (UnixFileName)(void (*)())GetProcAddress(
        GetModuleHandleA("kernel32"), "wine_get_unix_file_name");
    if (!convert) return "";
    char* converted = convert(wide(windowsPath).c_str());
    if (!converted) return "";
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

std::string runLinux(const std::string& folder, const std::string& script) {
    DeleteFileA((folder + "status").c_str());
    std::string unixFolder = unixPath(folder);
    writeFile(folder + "step.sh", "cd '" + unixFolder + "'\n(" + script +
                                      ") > step.out 2>&1\necho $? > status.part\n"
                                      "mv status.part status\n");
    std::string line = "/bin/sh \"" + unixFolder + "step.sh\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup,
                        &started)) {
        return "cannot start /bin/sh";
    }
    // Wine starts a Linux program without giving back handles of its own:
    // what the record holds may be another object's handle, so nothing in it
    // is closed.
    for (int waited = 0; !fileExists(folder + "status"); waited += 50) {
        if (waited > 20000) return "no status";
        Sleep(50);
    }
    std::string status = readFile(folder + "status");
    return status.substr(0, status.find('\n')) + ": " + readFile(folder + "step.out");
}
