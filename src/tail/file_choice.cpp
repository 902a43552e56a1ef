#include "tail/file_choice.h"

#include "settings/state.h"
#include "tail/folder_listing.h"
#include "tail/sources.h"
#include "text/newest_file.h"

void forgetChosenFile(Source& source) {
    source.chosenName[0] = 0;
    source.listingForced = true;
}

void addFileChoice(const Source& source, FileChoice* choice) {
    choice->pattern = source.watchingPattern;
    if (!choice->pattern) return;
    DWORD now = GetTickCount();
    choice->lookNow = source.listingForced || rescanDue(now - source.lastFolderLook, state.rescan);
    choice->fullListing =
        source.listingForced || fullListingDue(now - source.lastListingTick, state.rescan);
    choice->folderTime = source.folderTime;
    lstrcpynW(choice->chosenName, source.chosenName, FileNameCapacity);
}

void takeFileChoice(Source& source, const FileAnswer& answer) {
    if (!source.watchingPattern) return;
    if (answer.folderLooked) {
        source.lastFolderLook = answer.folderLookedAt;
        source.folderTime = answer.folderTime;
    }
    if (answer.listed) {
        source.listingForced = false;
        source.lastListingTick = answer.folderLookedAt;
    }
    lstrcpynW(source.chosenName, answer.chosenName, FileNameCapacity);
}

const WCHAR* watchedFileNamed(const Source& source) {
    static WCHAR path[ChosenPathSize];
    if (!source.watchingPattern || !source.chosenName[0]) return source.resolvedPath;
    joinChosenName(source.resolvedPath, source.chosenName, path);
    return path;
}

const char* showingTitle() {
    static const char Showing[] = "Showing ";
    const int prefixLength = sizeof Showing - 1;
    lstrcpynA(state.showingTitle, Showing, ShowingTitleSize);
    char* name = state.showingTitle + prefixLength;
    const WCHAR* chosen = sources[0].chosenName;
    if (!chosen[0] ||
        !WideCharToMultiByte(CP_ACP, 0, chosen, -1, name, ShowingTitleSize - prefixLength,
                             NULL, NULL)) {
        lstrcpynA(name, "no file", ShowingTitleSize - prefixLength);
    }
    return state.showingTitle;
}
