#include "tail/file_choice.h"

#include "settings/state.h"
#include "tail/folder_listing.h"
#include "text/newest_file.h"

void forgetChosenFile() {
    state.chosenName[0] = 0;
    state.listingForced = true;
}

void addFileChoice(FileChoice* choice) {
    choice->pattern = state.watchingPattern;
    if (!choice->pattern) return;
    DWORD now = GetTickCount();
    choice->lookNow = state.listingForced || rescanDue(now - state.lastFolderLook, state.rescan);
    choice->fullListing =
        state.listingForced || fullListingDue(now - state.lastListingTick, state.rescan);
    choice->folderTime = state.folderTime;
    lstrcpynW(choice->chosenName, state.chosenName, FileNameCapacity);
}

void takeFileChoice(const FileAnswer& answer) {
    if (!state.watchingPattern) return;
    if (answer.looked) {
        state.lastFolderLook = answer.lookedAt;
        state.folderTime = answer.folderTime;
    }
    if (answer.listed) {
        state.listingForced = false;
        state.lastListingTick = answer.lookedAt;
    }
    lstrcpynW(state.chosenName, answer.chosenName, FileNameCapacity);
}

const WCHAR* watchedFileNamed() {
    static WCHAR path[ChosenPathSize];
    if (!state.watchingPattern || !state.chosenName[0]) return state.resolvedPath;
    joinChosenName(state.resolvedPath, state.chosenName, path);
    return path;
}

const char* showingTitle() {
    static const char Showing[] = "Showing ";
    const int prefixLength = sizeof Showing - 1;
    lstrcpynA(state.showingTitle, Showing, ShowingTitleSize);
    char* name = state.showingTitle + prefixLength;
    if (!state.chosenName[0] ||
        !WideCharToMultiByte(CP_ACP, 0, state.chosenName, -1, name, ShowingTitleSize - prefixLength,
                             NULL, NULL)) {
        lstrcpynA(name, "no file", ShowingTitleSize - prefixLength);
    }
    return state.showingTitle;
}
