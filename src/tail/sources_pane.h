// The pane with several sources: each source's whole lines, each beginning
// with the source's label in brackets ("[web] "), in one timeline.
//
// Each source keeps its own lines as decoded (its text). When a source is
// shown whole (at start, a new source or new settings, a file rotated, a
// full reload), the pane is built anew from every source's lines, merged by
// the time each line begins with (text/timeline.h): the last `lines` of
// them when that is set, and never more than the pane's text holds. Lines a
// source adds later go to the pane's end in the order they arrive. A source
// that cannot be read, or is not answering, shows one notice line, placed
// after every line that has a time.
#pragma once

#include <windows.h>
#include <stdint.h>

struct Source;

// The source's text holds `length` units of its lines, those from newFrom on
// not yet shown; writeTime is its file's last write, for lines without a time.
void showSourceLines(Source& source, uint32_t length, uint32_t newFrom, uint64_t writeTime,
                     bool asNew);
// The source's text was shown whole anew, the file having only grown: the
// lines from newFrom on go to the pane's end, which keeps the older ones
// until it holds about twice what a build would show.
void growSourceLines(Source& source, uint32_t length, uint32_t newFrom);
// Adds whole lines at the source's end and the pane's; false, having changed
// nothing, when the source's text cannot hold them.
bool addSourceLines(Source& source, const WCHAR* lines, uint32_t length);
// A notice (its parts on lines of their own) as the source's one line.
void showSourceNotice(Source& source, const WCHAR* notice);

// The colour rules read the pane's lines without their labels, with several
// sources; call when the sources changed.
void useLineLabels(bool several);

// The label each of the source's lines begins with: its own, or the first
// source's file name without its folder.
const WCHAR* sourceLabel(const Source& source);
