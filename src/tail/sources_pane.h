// The pane with several sources: each source's whole lines, each beginning
// with the source's label in brackets ("[web] "), in one timeline.
//
// Each source keeps its own lines as decoded (its text). When a source is
// shown whole (at start, a new source or new settings, a file rotated, a
// full reload), the pane is built anew from every source's lines, merged by
// the time each line begins with (text/timeline.h): the last `lines` of
// them when that is set, and never more than the pane's text holds. Lines a
// source adds later go to the pane's end in the order they arrive, until the
// pane holds about twice what a build shows (with `lines` N, 2N lines).
//
// Notices are not log lines: never merged by time, counted by `lines`, or
// matched by rules, filters or alerts. A source that cannot be opened or
// read, or is not answering, shows one notice row after every line; a source
// that only has no line passing the filter says so on the status line, and
// the pane says it once when no source shows a line. A reader away from the
// end keeps their place by what the line at the top of the view is: its
// source and its number among the lines that source showed.
#pragma once

#include <windows.h>
#include <stdint.h>
#include "tail/sources.h"

struct Source;

// The source's text holds `length` units of its lines, those from newFrom on
// not yet shown, none of them lines it showed before.
void showSourceLines(Source& source, uint32_t length, uint32_t newFrom, bool asNew);
// The source's text was shown whole anew, the file having only grown: the
// lines before newFrom are lines it showed before; those from newFrom on go
// to the pane's end.
void growSourceLines(Source& source, uint32_t length, uint32_t newFrom);
// Adds whole lines at the source's end and the pane's, the first not new
// when firstSeen; false, having changed nothing, when the source's text
// cannot hold them or the pane is due to be built anew.
bool addSourceLines(Source& source, const WCHAR* lines, uint32_t length, bool firstSeen);
// A notice (its parts on lines of their own) as the source's one row, in
// place of its lines.
void showSourceNotice(Source& source, const WCHAR* notice);
// Builds the pane anew, after a source stopped or started showing lines.
void rebuildSourcesPane();
// "No line passes the filter" and the filters in use, each on a line of its
// own; returns its length.
uint32_t writeNoLinePasses(WCHAR* out);

// The colour rules read the pane's lines without their labels, with several
// sources; call when the sources changed.
void useLineLabels(bool several);

// The label each of the source's lines begins with: its own, or the first
// source's file name without its folder.
const WCHAR* sourceLabel(const Source& source);
