// Cost of one listing of a pattern's folder, the newest file chosen among
// 10,000 matching files, against a bare FindFirstFile/FindNextFile loop over
// the same folder in the same run. Prints medians and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "tail/folder_listing.h"

static const int FileCount = 10000;
static const int Rounds = 21;

static double ticksPerMicrosecond;

static double nowMicroseconds() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart / ticksPerMicrosecond;
}

static void makeFiles(const std::string& folder) {
    char name[32];
    for (int i = 0; i < FileCount; ++i) {
        snprintf(name, sizeof name, "app-%05d.log", i);
        HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        WriteFile(file, name, 13, &written, NULL);
        CloseHandle(file);
    }
}

static int bareLoop(const std::wstring& pattern) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return count;
}

static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int main() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerMicrosecond = frequency.QuadPart / 1e6;

    std::string folder = makeTempFolder("listing-data");
    makeFiles(folder);
    std::wstring pattern(folder.begin(), folder.end());
    pattern += L"app-*.log";

    NewestFile newest;
    DWORD error = 0;
    if (!findNewestFile(pattern.c_str(), &newest, &error) || !newest.found || bareLoop(pattern) != FileCount) {
        printf("the listing did not find the %d files (error %lu)\n", FileCount, (unsigned long)error);
        return 1;
    }
    // The two take turns, so that load from other programs falls on both alike.
    std::vector<double> listing, bare;
    for (int round = -1; round < Rounds; ++round) {
        double start = nowMicroseconds();
        findNewestFile(pattern.c_str(), &newest, &error);
        double listed = nowMicroseconds();
        bareLoop(pattern);
        double looped = nowMicroseconds();
        if (round < 0) continue;
        listing.push_back(listed - start);
        bare.push_back(looped - listed);
    }
    double ours = median(listing), floor = median(bare);
    printf("One listing of %d matching files, medians of %d rounds\n", FileCount, Rounds);
    printf("  listing and choosing the newest     %9.1f us\n", ours);
    printf("  bare FindFirstFile/FindNextFile     %9.1f us\n", floor);
    printf("  ratio                               %9.2f    (target <= 1.5)\n", ours / floor);

    makeTempFolder("listing-data");  // empties it
    RemoveDirectoryA(folder.c_str());
    return 0;
}
