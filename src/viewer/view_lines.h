// Where the pane's view stands in its lines, free of any window: the last
// line that holds text, whether the view shows it, and where a view that
// ends on it starts.
#pragma once

#include "text/text_decoding.h"

// A text ending in a line break has an empty line after it; the view ends on
// the line before, so that no empty line stands at the bottom.
int lastTextLine(int lineCount, bool lastLineEmpty);

// True when the view shows the line whole, or has been scrolled past it.
bool viewReachesLine(int firstVisible, int visibleLines, int line);

// The first line of a view that ends on the given line: the pane is full of
// text when there is enough of it. An EDIT control on Windows lets the last
// line scroll up to the top, so the view is placed, never scrolled to the end.
int firstLineEndingOn(int line, int visibleLines);

// Where a character stands after the text changed: the old text's end lies
// at oldEndAt in the new text. Negative when it fell off the front.
int movedIndex(int index, int oldLength, int oldEndAt);

// The longest line of a text in characters, its first line continuing a line
// of carried characters. CR LF, CR and LF each end a line.
int longestLine(const WideChar* text, int carried);
