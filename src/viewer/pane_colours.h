// The colour rules drawn in the pane.
//
// Which rule picks each line is found as text enters the pane (the state's
// lineMarks): text the plugin gives the pane is marked as the pane's
// procedure passes it on, a new text whole and an append at the end only;
// after an edit by the user, which the control reports to the viewer window
// (EN_CHANGE), the pane's text is read back and marked anew. Paints read the
// marks; they never match.
//
// The control draws every glyph itself, so a colour never moves one. A paint
// whose area holds rows of lines a rule picked is made off-screen: the
// control paints into a memory bitmap once for each rule in the area, each
// time clipped to the rows of that rule (whole rows, the width of the pane)
// and given the rule's colours through its colour message: the text colour,
// and the background colour, with a brush of it, for the rule's band; and
// once for the rest of the area in fontColor on backColor. Each part is
// filled with its background first, so a band reaches from edge to edge
// whatever the control fills. One BitBlt then shows the result, so no row
// is ever seen in other colours first; a selection shows as the control
// draws it, in each pass alike, over the band; BeginPaint hides the caret
// meanwhile. A paint of no such row is the control's own, as without rules.
//
// Outside its paint, Windows' control draws some changes at once (typing,
// selection by mouse and keys), asking the viewer window for its colours
// first. Whenever it asks outside a paint, the rows of a rule are cut out of
// the device context it draws into, so that it never draws them in
// fontColor, and once its message is handled they are painted again as
// above. (Wine's multi-line control draws only in its paint.)
#pragma once

#include <windows.h>
#include <stdint.h>

// Compiles the rules from the settings, marks the pane's text anew and draws
// it again. Call after the settings changed.
void applyHighlightSettings();
// The colour a source's labels are drawn in: its own, or else the font's.
void useLabelColour(uint32_t source, bool coloured, COLORREF colour);

// The whole lines of the file just before the text the pane is given next,
// with which the marks group its first lines into entries (text/entries.h),
// copied; length 0: none, as for any text that is not a file's.
void usePaneLookBack(const WCHAR* text, uint32_t length);
// With several sources, a source's lines before its first line in the pane,
// for the entry that line is in: those read back from its file (before),
// then its own lines the pane no longer holds (dropped). usePaneLookBack
// forgets every source's.
void useSourceLookBack(uint32_t source, const WCHAR* before, uint32_t beforeLength, const WCHAR* dropped,
                       uint32_t droppedLength);
// Forgets a source's look-back, once the source no longer shows lines.
void dropSourceLookBack(uint32_t source);

// Marks text entering the pane by WM_SETTEXT or EM_REPLACESEL; false when it
// goes where the marks cannot follow, and the text must be marked whole
// once the control holds it.
bool markEnteringText(UINT message, const WCHAR* text);
// The next EM_REPLACESEL replaces the last row's suffix of oldSuffix units
// and its line end with a suffix of newSuffix units, a line end and more
// lines: the row keeps its marks, the lines behind it are marked.
void expectRowEndReplaced(int oldSuffix, int newSuffix);
// Reads the pane's text back, marks it anew and draws the pane again.
void markWholePaneText();
// The viewer window's WM_COMMAND: a user's edit of the pane.
void onPaneNotification(WPARAM wParam, LPARAM lParam);

// WM_PAINT and WM_PRINTCLIENT of the pane.
LRESULT paintPane(HWND pane, UINT message, WPARAM wParam, LPARAM lParam);
// The colours of the control's device context, asked by its colour message:
// sets its text and background colours and returns the background's brush.
// Outside a paint the rows of a rule are cut out of that context.
HBRUSH colourPaneDrawing(HDC dc);
// The same for text drawn in the pane's plain colours (the status line).
HBRUSH colourPlainly(HDC dc);
// After each message the control handled: paints again the rows of a rule
// it would have drawn in the wrong colour.
void paintRowsDrawnAtOnce();
// The control scrolls only the rectangle its text is laid out in: the
// margins beside it keep the bands of the rows that stood there before.
// After a message that may have scrolled the view, given the first row in
// view before it, paints the margins again once the rows moved.
void paintMarginsAfterScroll(int firstRowBefore);
