#include "tail/repeat_rows.h"

#include <string.h>

#include "settings/state.h"
#include "text/entries.h"
#include "text/repeats.h"
#include "viewer/pane_view.h"

// The readers' lines while collapsing with `lines` N: far more than fit.
static const uint32_t AllLinesThatFit = 1u << 24;

// The folder follows the pane's rows; what the pane shows of the last one.
static RepeatFolder folder;
static WCHAR foldedText[PaneTextSize];
static bool paneFolded;
static uint32_t foldedLength;  // the pane's length as folded
static uint32_t foldedChanges; // the pane's text changes when it was
static uint32_t rowSuffixAt;   // the last row's suffix in the pane
static bool countWaiting;      // the last row shows an older count than waitingRow
static RepeatedRow waitingRow;
static bool olderCountAbove;   // a row above the last shows an older count
// By the pane's line, those its row counted and does not show.
static const uint32_t HiddenRoom = MarkedLineCapacity;
static uint32_t hiddenAfterLine[HiddenRoom];
static uint32_t foldedLines;  // of the pane, as folded
static bool hiddenKnown;      // the folded lines are the pane's first

bool collapsingRepeats() { return state.collapseRepeats; }

uint32_t linesAskedFor(uint32_t lines) { return collapsingRepeats() && lines > 0 ? AllLinesThatFit : lines; }

static const LineLabels* labelsOf(bool labelled) { return labelled ? state.lineMarks.labels : nullptr; }

void forgetFoldedPane() { paneFolded = false; }

// The last N lines of out, the marks, bits and hidden lines moved with them.
static void keepLastLines(FoldedPiece* piece, uint32_t lines, uint32_t* mark, uint32_t* newRows) {
    if (lines == 0 || piece->lines <= lines) return;
    uint32_t start = lastLinesStart(piece->out, piece->length, lines);
    uint32_t dropped = piece->lines - lines;
    memmove(piece->out, piece->out + start, (piece->length - start + 1) * sizeof(WCHAR));
    piece->length -= start;
    piece->lines = lines;
    piece->rowSuffixAt = piece->rowSuffixAt >= start && piece->rowSuffixAt != NotInPiece ? piece->rowSuffixAt - start
                                                                                          : NotInPiece;
    *mark = *mark > start ? *mark - start : 0;
    if (piece->repeatedRowAt != NotInPiece) piece->repeatedRowAt = piece->repeatedRowAt > start ? piece->repeatedRowAt - start : 0;
    if (dropped + lines <= piece->hiddenRoom) {
        memmove(piece->hiddenOut, piece->hiddenOut + dropped, lines * sizeof(uint32_t));
    }
    for (uint32_t line = 0; newRows && line < lines; ++line) {
        bool set = newRows[(line + dropped) / 32] >> ((line + dropped) % 32) & 1;
        uint32_t bit = 1u << (line % 32);
        newRows[line / 32] = set ? newRows[line / 32] | bit : newRows[line / 32] & ~bit;
    }
}

WholeFold foldWholeText(const WCHAR* text, uint32_t from, uint32_t length, uint32_t mark, bool labelled,
                        const uint32_t* newLines, uint32_t* newRows) {
    WholeFold whole = {text, length, mark, 0, false, 0};
    startRepeatFolder(&folder, entryGrouping(), labelsOf(labelled));
    FoldedPiece piece;
    startFoldedPiece(&piece, foldedText + from, PaneTextSize - from);
    piece.markFrom = mark >= from ? mark - from : 0;
    piece.newIn = newLines;
    piece.newOut = newRows;
    piece.hiddenOut = hiddenAfterLine;
    piece.hiddenRoom = HiddenRoom;
    foldRepeats(&folder, text + from, length - from, &piece);
    paneFolded = !piece.rebuild;
    if (piece.rebuild) return whole;
    uint32_t pieceMark = mark >= from ? piece.markAt : 0;
    keepLastLines(&piece, state.lineChoice.lines, &pieceMark, newRows);
    memcpy(foldedText, text, from * sizeof(WCHAR));
    whole.text = foldedText;
    whole.length = from + piece.length;
    whole.mark = mark >= from ? from + pieceMark : mark;
    whole.lines = piece.lines;
    whole.repeatAfterMark = piece.repeatAfterMark && piece.repeatedRowAt != NotInPiece;
    whole.repeatedRowAt = from + piece.repeatedRowAt;
    foldedLength = whole.length;
    foldedLines = piece.lines;
    hiddenKnown = from == 0 && foldedLines <= HiddenRoom;
    foldedChanges = paneTextChanges() + 1;  // the text about to be given
    rowSuffixAt = piece.rowSuffixAt == NotInPiece ? 0 : from + piece.rowSuffixAt;
    paneFolded = piece.rowSuffixAt != NotInPiece && whole.length >= 2 && foldedText[whole.length - 1] == '\n';
    countWaiting = olderCountAbove = false;
    return whole;
}

// Appends may hold a quarter more lines than `lines` asks for, four times as
// many while the reader is away, as the readers allow them.
static bool linesFit(uint32_t adding) {
    uint32_t most = state.lineChoice.lines;
    if (most == 0) return true;
    uint64_t more = paneFollowsEnd() ? most / 4 : 3 * (uint64_t)most;
    return linesHeld(state.lineMarks) + adding <= most + more;
}

static uint32_t composeRowEnd(const RepeatedRow& row, WCHAR* out) {
    uint32_t length = composeRepeatSuffix(row, out, RepeatSuffixCapacity);
    out[length] = '\r';
    out[length + 1] = '\n';
    out[length + 2] = 0;
    return length;
}

// The last row's count written anew, and the piece's rows behind it, in
// front of which the row's end is written; false while the reader is away.
static bool reviseLastRow(const FoldedPiece& piece, uint32_t* base) {
    WCHAR rowEnd[RepeatSuffixCapacity + 3];
    uint32_t suffix = composeRowEnd(waitingRow, rowEnd);
    WCHAR* revised = piece.out - (suffix + 2);
    memcpy(revised, rowEnd, (suffix + 2) * sizeof(WCHAR));
    uint32_t shownSuffix = foldedLength - rowSuffixAt - 2;
    if (!replacePaneEnd((int)rowSuffixAt, revised, (int)shownSuffix, (int)suffix)) return false;
    *base = rowSuffixAt + suffix + 2;
    return true;
}

// The pane is still as the folder left it: the plugin gave it no text since.
static bool paneAsFolded() { return paneFolded && paneTextChanges() == foldedChanges; }

bool appendFolded(const WCHAR* text, uint32_t length, bool labelled, FoldedAppend* shown) {
    if (!paneAsFolded() || (olderCountAbove && paneFollowsEnd())) return false;
    folder.labels = labelsOf(labelled);
    const uint32_t rowEndRoom = RepeatSuffixCapacity + 2;
    FoldedPiece piece;
    startFoldedPiece(&piece, foldedText + rowEndRoom, PaneTextSize - rowEndRoom);
    piece.hiddenOut = hiddenAfterLine + (foldedLines < HiddenRoom ? foldedLines : 0);
    piece.hiddenRoom = foldedLines < HiddenRoom ? HiddenRoom - foldedLines : 0;
    foldRepeats(&folder, text, length, &piece);
    if (piece.rebuild || !linesFit(piece.lines)) {
        paneFolded = false;
        return false;
    }
    bool rowBeforeKnown = foldedLines > 0 && foldedLines <= HiddenRoom;
    if (piece.rowBeforeChanged && rowBeforeKnown) hiddenAfterLine[foldedLines - 1] = piece.rowBeforeHidden;
    foldedLines += piece.lines;
    hiddenKnown = hiddenKnown && foldedLines <= HiddenRoom;
    if (piece.rowBeforeChanged) {
        countWaiting = true;
        waitingRow = piece.rowBefore;
    }
    shown->repeated = piece.rowBeforeChanged;
    shown->repeatedAt = rowSuffixAt;
    uint32_t base = foldedLength;
    if (countWaiting && reviseLastRow(piece, &base)) {
        countWaiting = false;
    } else if (piece.length > 0) {
        olderCountAbove = olderCountAbove || countWaiting;
        countWaiting = false;
        appendPaneText(foldedText + rowEndRoom);
    }
    shown->newAt = base;
    if (piece.rowSuffixAt != NotInPiece) {
        rowSuffixAt = base + piece.rowSuffixAt;
    }
    foldedLength = base + piece.length;
    foldedChanges = paneTextChanges();
    return true;
}

const uint32_t* hiddenLinesOfRows() { return paneAsFolded() && hiddenKnown ? hiddenAfterLine : nullptr; }

void showWaitingCount() {
    if (!countWaiting || !paneAsFolded()) return;
    WCHAR nothing[RepeatSuffixCapacity + 3];
    FoldedPiece piece;
    startFoldedPiece(&piece, nothing + RepeatSuffixCapacity + 2, 1);
    uint32_t base;
    if (!reviseLastRow(piece, &base)) return;
    countWaiting = false;
    foldedLength = base;
    foldedChanges = paneTextChanges();
}
