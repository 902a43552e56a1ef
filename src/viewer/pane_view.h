// Where the pane's view stands when its text, size or font changes.
#pragma once

#include <windows.h>

// A message for the pane, sent to it, or passed on to the control's own
// procedure from the plugin's.
LRESULT sendToPane(UINT message, WPARAM wParam, LPARAM lParam);
LRESULT passToControl(HWND pane, UINT message, WPARAM wParam, LPARAM lParam);

// Says that the pane's old text is not found in the new one.
const int NoPlace = -1;

// Replaces the pane's text, drawing it once. The view ends on the last line
// when forced, when it showed the last line without a selection, or when the
// old text is not found in the new one (NoPlace); otherwise the text at its
// top and the selection stay, moved by where the old text's end lies in the
// new one (oldEndAt), or the view starts at the first line once that text
// fell off the front. Unless forced, the view stays scrolled sideways as it was.
void replacePaneText(const WCHAR* text, bool forced, int oldEndAt);

// Replaces the pane's text as above, where the character at the view's top
// now stands at topAt in the new text (NoPlace: not found).
void replacePaneTextAt(const WCHAR* text, bool forced, int topAt);
// The index of the first character in view, and the text's length.
int paneTopIndex();
int paneTextLength();

// Adds text at the end of the pane's text; the view follows it, or stays.
void appendPaneText(const WCHAR* text);
// Replaces the pane's text from `from` on, the last row's suffix of
// oldSuffix units and its line end, with text: the row's new suffix of
// newSuffix units, its line end and any rows behind it. The rows above stay
// as they are, marks and all. Only while the view follows the end: false,
// having changed nothing, while it does not.
bool replacePaneEnd(int from, const WCHAR* text, int oldSuffix, int newSuffix);
// Counts the texts the plugin gave the pane, whole or added: what a part of
// the plugin knows of the pane's text holds while the count stays.
uint32_t paneTextChanges();
// True while the plugin gives the pane new text and places its view.
bool paneTextChanging();
// True when the user has changed the pane's text since it was last replaced.
bool paneTextEdited();
// True when the pane's text ends with the given text.
bool paneTextEndsWith(const WCHAR* text, int length);

// True while the view shows the last line and holds no selection: new text
// moves the view along.
bool paneFollowsEnd();

// The caret at the end of the text, the last line at the bottom of the pane.
void showPaneEnd();

// Takes the line height and character width of a font given to the pane.
void measurePaneFont(HFONT font);

// A new size or font changes how many lines the pane shows: a view that
// showed the last line before is scrolled back to it afterwards.
bool paneShowsLastLine();
void scrollPaneToLastLine();

// The thumbs of the pane's scroll bars show where its view is; call after
// anything that may move the view or change the text.
void updateScrollThumbs();
// Moves the view to where a scroll bar's thumb was dragged.
void scrollToThumb(int bar, WPARAM wParam);
// Widens the horizontal bar's range for the line the user is typing in.
void noteEditedLine();
