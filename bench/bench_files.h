// Files the benchmarks read: a large file as a hole followed by its text.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <string>

// A sparse file of the given size whose last bytes are the text.
inline void writeSparseFileEndingIn(const std::string& path, ULONGLONG size, const std::string& end) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, NULL, 0, NULL, 0, &returned, NULL);
    LARGE_INTEGER at;
    at.QuadPart = (LONGLONG)(size - end.size());
    SetFilePointerEx(file, at, NULL, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(file, end.data(), (DWORD)end.size(), &written, NULL);
    CloseHandle(file);
}
