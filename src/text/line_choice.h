// Which lines of a file's end the pane shows, free of any window: the last
// lines, or the last lines that pass the filters, found by reading the file
// backwards (line_finder.h), and the lines a growth adds.
//
// A filter judges a line as the pane shows it: decoded alone, its end being
// the end of a whole line, in the one encoding chosen for the whole scan:
// the setting's; with "auto", the byte-order mark's, else UTF-8, unless a
// line the filter passes or matches is not valid UTF-8 (a character left
// unfinished at the end of a complete line included): then the whole scan is
// read again in the ANSI code page, and the pane shows the lines in it too.
// Before a line is decoded, the needle test on its bytes may tell that it
// cannot pass (pattern_needles.h); it is used only where the bytes 0x20 to
// 0x7E are those characters. Line ends are found where the encoding puts CR
// and LF, which in a code page such as EBCDIC are other bytes than ASCII's.
#pragma once

#include <stdint.h>

#include "text/line_finder.h"
#include "text/line_pattern.h"
#include "text/pattern_needles.h"
#include "text/text_decoding.h"

// Which lines are shown: with neither, the last readBufferSize bytes.
struct LineChoice {
    uint32_t lines;  // the last so many whole lines; 0: as many as fit
    bool showSet;    // only lines that match show...
    LinePattern show;
    PatternNeedles showNeedles;
    bool hideSet;    // ...and do not match hide
    LinePattern hide;
    PatternNeedles hideNeedles;
    uint64_t scanLimit;  // bytes read back at most to find them
    // Only lines that have their line end, whole, as with several sources,
    // where each line begins with its source's label.
    bool completeLines;
    // With multiLine, a filter judges whole entries (entries.h).
    EntryGrouping entries;
};

inline bool filtered(const LineChoice& choice) { return choice.showSet || choice.hideSet; }
inline bool linesChosen(const LineChoice& choice) {
    return choice.lines > 0 || filtered(choice) || choice.completeLines;
}
// A line is taken once its line end is written: a filter judges it whole.
inline bool completeLinesOnly(const LineChoice& choice) {
    return filtered(choice) || choice.completeLines;
}

// A filter judges lines by their entries.
inline bool entriesFiltered(const LineChoice& choice) {
    return filtered(choice) && choice.entries.multiLine;
}

// The filter's patterns as entries are judged by them.
inline EntryFilter entryFilterOf(const LineChoice& choice) {
    EntryFilter filter = {choice.showSet ? &choice.show : nullptr, choice.hideSet ? &choice.hide : nullptr};
    return filter;
}

// What every scan needs besides the file's bytes.
struct LineScan {
    const LineChoice* choice;
    // As configured; for the lines a growth adds, the encoding the pane
    // shows the file in, or auto while auto chose UTF-8.
    Encoding encoding;
    // The lines a growth adds, to go behind the lines shown: a line that is
    // not the UTF-8 auto chose abandons the search, so that the file is
    // shown whole again, in the encoding such a search decides.
    bool growth;
    ByteOrderMark mark;  // at the file's start
    const CodePageConverter* codePages;
    WideChar* lineText;    // 2 * judgedBytes + 1 units: a line decoded
    uint32_t judgedBytes;  // a longer line is judged on its last so many bytes
    // Whole entries read backwards: the lines whose entries are not yet
    // known (line_finder.h).
    EntryLine* entryLines;
    uint32_t entryLineCapacity;
    // A growth's search: the entry the lines shown end in (null: none).
    const EntryState* entryAbove;
};

// The lines and the encoding the pane decodes them in (auto: it decides).
struct ChosenLines {
    TakenLines taken;
    Encoding encoding;
};

// The last lines of [from, fileSize) that the choice shows, at most window
// bytes of them, written to the back of out; seenEnd (or NoOffset) is found
// among them as taken.shownEndAt. block, of blockSize bytes, reads the file.
// A search that auto began in UTF-8 is made again in the ANSI code page when
// a line proves the file is not UTF-8, unless it searches a growth.
struct LastLinesQuery {
    uint64_t fileSize;
    uint64_t from;  // the mark's end, or where a growth's lines start
    uint32_t window;
    uint64_t scanLimit;
    uint64_t seenEnd;
};
ChosenLines chooseLastLines(const LineScan& scan, const LastLinesQuery& query,
                            const ByteSource& source, uint8_t* block, uint32_t blockSize,
                            uint8_t* out, uint32_t outCapacity);

// The lines a growth adds, as takeAddedLines finds them, judged by the
// filter, the scan being one of a growth. Judging entries, `entry` is the
// open entry the lines shown end in, and is carried on. A line that makes an
// entry whose earlier lines lie before the growth pass, or stop passing,
// abandons the search: only a full reload shows that entry rightly.
AddedLines chooseAddedLines(const LineScan& scan, EntryState* entry, uint8_t* bytes,
                            uint32_t count, uint64_t offset, uint64_t shownEnd,
                            bool shownLineOpen);

// The units lines are found in, for the encoding lines are read in.
LineUnits lineUnitsFor(Encoding encoding, ByteOrderMark mark, const CodePageConverter& codePages);
