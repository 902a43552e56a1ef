// Repeats collapsed in the pane (qvperuser.collapseRepeats): an entry whose
// text after its time is that of the row just above it, from the same
// source, is counted on that row (text/repeats.h) instead of shown again.
//
// A full show folds the whole text; an append folds the new lines on from
// the pane's last row, so that a repeat costs what an append does: the last
// row's suffix and what follows it are written anew, nothing else. The pane's
// text is never rewritten under the reader: while the view is away from the
// end or holds a selection, a new count waits until the view is back there;
// new rows are still added behind, and once a row with a waiting count is
// no longer the last, the pane is shown whole anew at the first change after
// the reader is back.
// `lines N` counts a row once: the readers are asked for as many whole
// lines as fit, and the folded text is cut to its last N lines.
#pragma once

#include <windows.h>
#include <stdint.h>

bool collapsingRepeats();
// The lines the readers are asked for: with `lines` N while collapsing, as
// many whole lines as fit, of which the pane shows the last N once folded.
uint32_t linesAskedFor(uint32_t lines);

// A whole text for the pane: text[from, length) folded, what lies before
// `from` (a notice) kept; with labels, the lines bear the sources' labels.
// Returns the pane's text; `mark`, an index into text, is moved to where it
// lies in it; newLines (one bit a line of text[from, length), or none) are
// the bits of the pane's lines, *lineCount of them. What is folded is not
// folded again: the text returned is taken as shown.
struct WholeFold {
    const WCHAR* text;
    uint32_t length;
    uint32_t mark;
    uint32_t lines;
    bool repeatAfterMark;    // an entry from mark on was counted in a row before it
    uint32_t repeatedRowAt;  // where that row begins
};
WholeFold foldWholeText(const WCHAR* text, uint32_t from, uint32_t length, uint32_t mark, bool labelled,
                        const uint32_t* newLines, uint32_t* newRows);
// The pane shows text of its own: appends are not folded.
void forgetFoldedPane();
// While the pane is as folded: for each of its lines, the lines of entries
// counted in its row and not shown, at the row's last line; else none.
const uint32_t* hiddenLinesOfRows();

// Adds whole lines to the pane, folded: the last row's count and the rows
// behind it. newAt tells where the new rows begin in the pane; repeated,
// that the last row took a repeat (its rule alerts). False, having shown
// nothing, when only a full show can show them.
struct FoldedAppend {
    uint32_t newAt;
    bool repeated;
    uint32_t repeatedAt;
};
bool appendFolded(const WCHAR* text, uint32_t length, bool labelled, FoldedAppend* shown);
// The view may have come back to the end: a count that waited for it is shown.
void showWaitingCount();
