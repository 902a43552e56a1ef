#include "tail/notices.h"

#include "settings/state.h"
#include "tail/sources_pane.h"
#include "tail/tail.h"
#include "viewer/pane_notice.h"

Notice startNotice() {
    Notice notice = {state.noticeText, 0};
    notice.text[0] = 0;
    return notice;
}

void add(Notice& notice, const WCHAR* part) {
    while (*part && notice.length < NoticeCapacity - 1) notice.text[notice.length++] = *part++;
    notice.text[notice.length] = 0;
}

uint32_t writeSystemReason(DWORD error, WCHAR* out, uint32_t capacity) {
    out[0] = 0;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                   out, capacity, NULL);
    uint32_t length = 0;
    for (; out[length] != 0; ++length) {
        if (out[length] == '\r' || out[length] == '\n') out[length] = ' ';
    }
    while (length > 0 && out[length - 1] == ' ') out[--length] = 0;
    return length;
}

void addSystemReason(Notice& notice, DWORD error) {
    WCHAR reason[256];
    add(notice, writeSystemReason(error, reason, 256) ? reason : L"unknown error");
}

void showNotice(Source& source, const Notice& notice) {
    source.shownTail.bytes.valid = false;
    if (severalSources()) {
        showSourceNotice(source, notice.text);
    } else {
        showPaneNotice(notice.text);
    }
}

// ---- The notices ---------------------------------------------------------------------

void showFailure(Source& source, const WCHAR* failure, DWORD error, const WCHAR* path) {
    Notice notice = startNotice();
    add(notice, failure);
    addSystemReason(notice, error);
    add(notice, L"\n");
    add(notice, path);
    showNotice(source, notice);
}

void showPathNotice(Source& source, const WCHAR* reason) {
    Notice notice = startNotice();
    add(notice, reason);
    add(notice, L"\n");
    add(notice, source.resolvedPath);
    showNotice(source, notice);
}

void showNotAnswering(Source& source) {
    showPathNotice(source, L"Waiting for the file, which is not answering:");
}

void showScanning(Source& source) {
    showPathNotice(source, L"Looking for the lines that pass the filter in:");
}

void showNoMemory(Source& source) {
    showFailure(source, L"No memory for the file's lines: ", ERROR_NOT_ENOUGH_MEMORY, source.resolvedPath);
}

void showWildcardInFolder(Source& source) {
    showPathNotice(source, L"* and ? may stand only in the file name, not in the folder:");
}

// No source at all: the first's notice, in the pane.
void showNothingChosen() {
    Source& first = sources[0];
    first.resolvedPath[0] = 0;
    forgetWatchedFile(first);
    Notice notice = startNotice();
    add(notice, L"No file chosen. Right-click the frame: Peruser Configuration > File Path");
    showPaneNotice(notice.text);
}
