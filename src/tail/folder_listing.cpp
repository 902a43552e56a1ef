// The folder is listed by the system's own wildcard search, which also
// matches the short 8.3 names ("*.log" lists "x.logx", whose short name is
// X~1.LOG); each long name is therefore matched again. Looking at the
// folder, listing it, choosing and opening happen in one request to the
// reader, so that a folder that stops answering holds only the reader, as a
// file does.
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

void joinChosenName(const WCHAR* patternPath, const WCHAR* name, WCHAR (&path)[ChosenPathSize]) {
    int folderLength = fileNameStart(patternPath);
    lstrcpynW(path, patternPath, folderLength + 1);
    lstrcpynW(path + folderLength, name, FileNameCapacity);
}

// No file when none is chosen.
static HANDLE openChosenFile(const WCHAR* patternPath, const WCHAR* name) {
    if (name[0] == 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    WCHAR path[ChosenPathSize];
    joinChosenName(patternPath, name, path);
    return openForReading(path);
}

static bool folderWriteTime(const WCHAR* patternPath, uint64_t* time) {
    WCHAR folder[ResolvedPathSize];
    lstrcpynW(folder, patternPath, fileNameStart(patternPath) + 1);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(folder, GetFileExInfoStandard, &data)) return false;
    *time = fileTimeNumber(data.ftLastWriteTime);
    return true;
}

struct FolderLook {
    bool listingTried;
    DWORD listingError;
};

// A failed listing keeps the file chosen before.
static void listFolder(const WCHAR* patternPath, FileAnswer* answer, FolderLook* look) {
    NewestFile newest;
    look->listingTried = true;
    if (!findNewestFile(patternPath, &newest, &look->listingError)) return;
    look->listingError = 0;
    answer->listed = true;
    lstrcpynW(answer->chosenName, newest.name, FileNameCapacity);
}

// A folder whose own write time has not moved since the latest listing
// holds the same files: it is listed only when a full listing is due.
static void lookAtFolder(const WCHAR* patternPath, const FileChoice& choice, bool full,
                         FileAnswer* answer, FolderLook* look) {
    answer->folderLooked = true;
    answer->folderLookedAt = GetTickCount();
    if (!folderWriteTime(patternPath, &answer->folderTime)) answer->folderTime = 0;
    bool unchanged = answer->folderTime != 0 && answer->folderTime == choice.folderTime;
    if (!unchanged || full) listFolder(patternPath, answer, look);
}

static bool fileGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Another file than the one shown is read whole, from its end; what was
// seen of it before, if anything, still tells its new lines.
static void readAsNewFile(FileRequest& request) {
    request.fileLooked = false;
    request.shown.valid = false;
    request.appendAllowed = false;
}

static HANDLE openChosenOfPattern(FileRequest& request, FileAnswer* answer) {
    const FileChoice& choice = request.fileChoice;
    lstrcpynW(answer->chosenName, choice.chosenName, FileNameCapacity);
    FolderLook look = {false, 0};
    if (choice.lookNow) lookAtFolder(request.path, choice, choice.fullListing, answer, &look);
    HANDLE file = openChosenFile(request.path, answer->chosenName);
    bool chosenGone = choice.chosenName[0] != 0 && fileGone(GetLastError());
    if (file == INVALID_HANDLE_VALUE && chosenGone && !look.listingTried) {
        lookAtFolder(request.path, choice, true, answer, &look);
        file = openChosenFile(request.path, answer->chosenName);
    }
    DWORD openError = GetLastError();
    if (lstrcmpW(answer->chosenName, choice.chosenName) != 0) readAsNewFile(request);
    if (file == INVALID_HANDLE_VALUE && answer->chosenName[0] == 0) {
        answer->failure = look.listingError ? OpenFailed : NoFileMatches;
        answer->error = look.listingError;
    }
    SetLastError(openError);
    return file;
}

HANDLE openWatchedFile(FileRequest& request, FileAnswer* answer) {
    if (!request.fileChoice.pattern) return openForReading(request.path);
    return openChosenOfPattern(request, answer);
}
