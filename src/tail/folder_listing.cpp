// The folder is listed by the system's own wildcard search, which also
// matches the short 8.3 names ("*.log" lists "x.logx", whose short name is
// X~1.LOG); each long name is therefore matched again. The listing, the
// choice and the open happen in one request to the reader, so that a folder
// that stops answering holds only the reader, as a file does.
#include "tail/folder_listing.h"

// FindExInfoBasic, which leaves the short names out, and
// FIND_FIRST_EX_LARGE_FETCH; systems before Windows 7 refuse both as a
// wrong parameter and get the standard search.
static const FINDEX_INFO_LEVELS InfoWithoutShortNames = (FINDEX_INFO_LEVELS)1;
static const DWORD LargeFetch = 2;

static HANDLE findFirst(const WCHAR* patternPath, WIN32_FIND_DATAW* found) {
    HANDLE find = FindFirstFileExW(patternPath, InfoWithoutShortNames, found,
                                   FindExSearchNameMatch, NULL, LargeFetch);
    if (find != INVALID_HANDLE_VALUE || GetLastError() != ERROR_INVALID_PARAMETER) return find;
    return FindFirstFileExW(patternPath, FindExInfoStandard, found, FindExSearchNameMatch, NULL, 0);
}

bool findNewestFile(const WCHAR* patternPath, NewestFile* newest, DWORD* error) {
    startNewestFile(newest);
    const WCHAR* pattern = patternPath + fileNameStart(patternPath);
    WIN32_FIND_DATAW found;
    HANDLE find = findFirst(patternPath, &found);
    if (find == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return *error == ERROR_FILE_NOT_FOUND || *error == ERROR_NO_MORE_FILES;
    }
    do {
        bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        considerFile(newest, pattern, found.cFileName, fileTimeNumber(found.ftLastWriteTime), folder);
    } while (FindNextFileW(find, &found));
    *error = GetLastError();
    FindClose(find);
    return *error == ERROR_NO_MORE_FILES;
}

static HANDLE openForReading(const WCHAR* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

// The pattern's folder joined with the chosen name; no file when none is chosen.
static HANDLE openChosenFile(const WCHAR* patternPath, const WCHAR* name) {
    if (name[0] == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    WCHAR path[ResolvedPathSize + FileNameCapacity];
    int folderLength = fileNameStart(patternPath);
    lstrcpynW(path, patternPath, folderLength + 1);
    lstrcpynW(path + folderLength, name, FileNameCapacity);
    return openForReading(path);
}

// A failed listing keeps the file chosen before.
static void listFolder(const WCHAR* patternPath, FileAnswer* answer, DWORD* listingError) {
    NewestFile newest;
    DWORD startedAt = GetTickCount();
    if (!findNewestFile(patternPath, &newest, listingError)) return;
    *listingError = 0;
    answer->listed = true;
    answer->listedAt = startedAt;
    lstrcpynW(answer->chosenName, newest.name, FileNameCapacity);
}

static bool fileGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Nothing of another file was seen or shown: it is read whole, from its end.
static void readAsNewFile(FileRequest& request) {
    request.seen = false;
    request.shown.valid = false;
    request.appendAllowed = false;
}

static HANDLE openChosenOfPattern(FileRequest& request, FileAnswer* answer) {
    const FileChoice& choice = request.choice;
    lstrcpynW(answer->chosenName, choice.chosenName, FileNameCapacity);
    DWORD listingError = 0;
    bool listingTried = choice.listNow;
    if (listingTried) listFolder(request.path, answer, &listingError);
    HANDLE file = openChosenFile(request.path, answer->chosenName);
    bool chosenGone = choice.chosenName[0] != 0 && fileGone(GetLastError());
    if (file == INVALID_HANDLE_VALUE && chosenGone && !listingTried) {
        listFolder(request.path, answer, &listingError);
        file = openChosenFile(request.path, answer->chosenName);
    }
    DWORD openError = GetLastError();
    if (lstrcmpW(answer->chosenName, choice.chosenName) != 0) readAsNewFile(request);
    if (file == INVALID_HANDLE_VALUE && answer->chosenName[0] == 0) {
        answer->failure = listingError ? OpenFailed : NoFileMatches;
        answer->error = listingError;
    }
    SetLastError(openError);
    return file;
}

HANDLE openWatchedFile(FileRequest& request, FileAnswer* answer) {
    if (!request.choice.pattern) return openForReading(request.path);
    return openChosenOfPattern(request, answer);
}
