#include "tail/source_status.h"

#include "settings/state.h"
#include "tail/notices.h"
#include "tail/sources.h"
#include "tail/sources_pane.h"
#include "tail/tail.h"
#include "text/newest_file.h"

// The file shown: the pattern's file chosen, or the path's file name.
static const WCHAR* shownName(const Source& source) {
    if (source.watchingPattern && source.chosenName[0]) return source.chosenName;
    return source.resolvedPath + fileNameStart(source.resolvedPath);
}

static SourceCondition failureCondition(FileFailure failure) {
    switch (failure) {
    case NoFailure: case OpenFailed: break;
    case NoFileMatches: return SourceNoMatch;
    case NamesAFolder: return SourceIsFolder;
    case QueryFailed: case ReadFailed: return SourceCannotRead;
    }
    return SourceCannotOpen;
}

static void describe(const Source& source, bool labelled, SourceStatus& status, WCHAR* reason,
                     uint32_t reasonSize) {
    bool newFile = source.newFileTaken && !source.readerStalled;
    uint32_t stale = source.value.staleAfter;
    status.label = labelled ? sourceLabel(source) : NULL;
    status.name = shownName(source);
    status.condition = newFile ? SourceNewFile : source.readerStalled ? SourceNotAnswering : SourceFollowing;
    status.reason = NULL;
    status.grownAt = source.grownAt;
    status.since = newFile ? source.newFileAt : source.askedAt;
    status.takenAtMinute = source.newFileMinute;
    status.staleAfter = stale != NoStaleTime ? stale : state.staleAfter > 0 ? (uint32_t)state.staleAfter : 0;
    if (source.failure == NoFailure && source.noLinePasses && !source.readerStalled) {
        status.condition = SourceNoLinePasses;
    }
    if (source.failure == NoFailure) return;
    status.condition = failureCondition(source.failure);
    if (!reason || status.condition < SourceCannotOpen) return;
    uint32_t length = writeSystemReason(source.failureError, reason, reasonSize);
    if (length > 0 && reason[length - 1] == '.') reason[length - 1] = 0;
    status.reason = reason;
}

uint32_t describeSources(SourceStatus* statuses, WCHAR* reasons, uint32_t reasonSize) {
    uint32_t count = 0;
    bool labelled = severalSources();
    for (const Source& source : sources) {
        if (!source.active || source.sameFileAs) continue;
        WCHAR* reason = reasons ? reasons + count * reasonSize : NULL;
        describe(source, labelled, statuses[count], reason, reasonSize);
        ++count;
    }
    return count;
}

uint32_t findOffSettings(OffSetting* offs, uint32_t capacity) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < MostSources; ++i) {
        const Source& source = sources[i];
        const char* words = sourceCheckWords(source.value.check);
        if (source.sameFileAs && count < capacity) offs[count++] = {SourceSameFile, i + 1, source.sameFileAs, NULL};
        if (words && count < capacity) offs[count++] = {SourceNote, i + 1, 0, words};
    }
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        RuleCheck check = state.colourRules[r].check;
        if (check != RuleNone && check != RuleUsable && count < capacity) offs[count++] = {RuleOff, r + 1, 0, NULL};
    }
    if (state.filterShowCheck > PatternUsable && count < capacity) offs[count++] = {FilterShowOff, 0, 0, NULL};
    if (state.filterHideCheck > PatternUsable && count < capacity) offs[count++] = {FilterHideOff, 0, 0, NULL};
    return count;
}
