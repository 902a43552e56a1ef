// Entries against a slow reference: the file, written in one of the
// encodings the pane reads (encoded_log.h), is decoded whole, split into
// lines and grouped by the definition; each entry takes the first rule any of
// its lines matches, passes the filters by all its lines, and folds into the
// row above when its text after the time is that row's. The engine gets the
// text as the pane does: each append decoded alone and marked in pieces,
// checked after every piece against the text so far; grouped, filtered and
// folded line by line; and marked after a look-back that holds a time.
#include <string>

#include "encoded_log.h"
#include "fuzz_input.h"
#include "text/entries.h"
#include "text/line_marks.h"
#include "text/line_time.h"
#include "text/repeats.h"

typedef std::vector<WideChar> Units;

static const int ThisYear = 2024;  // whose 29th of February is a day

// ---- The log ---------------------------------------------------------------------

static const char* const Phrases[] = {
    "2024-02-29 10:05:06", "[2024/12/08 23:59:60.5]", "Dec  8 10:05:08 ", "Feb 29 00:00:01",
    "2024-12-08T10:05:06.1234+01:00 ", "2024-12-08 10:0", " ", "\t", "at x", "ERROR ",
    "Caused by: E", "a", "b", "x", "1", ":", "[", "]", "2024-12-08 10:05:06.1", "[w] ", "[v] "};
static const uint32_t PhraseCount = sizeof Phrases / sizeof Phrases[0];
static const uint32_t LongRun = 4100, MostLongRuns = 8, TraceBurst = 60;

static void putText(Bytes& out, const char* text, const Case& c) {
    while (*text) putCharacter(out, uint8_t(*text++), c);
}

// Times, blanks, words, line ends, long runs towards the size limit, bursts
// of trace lines towards the line limit, and bytes no encoding takes.
static Bytes writeLog(FuzzInput& input, const Case& c, size_t maxTokens) {
    Bytes out;
    bool utf16 = c.writtenIn == EncodingUtf16LE || c.writtenIn == EncodingUtf16BE;
    if (c.mark && c.writtenIn == EncodingUtf8) out.insert(out.end(), {0xEF, 0xBB, 0xBF});
    if (c.mark && utf16) put16(out, 0xFEFF, c.writtenIn == EncodingUtf16BE);
    uint32_t longRuns = 0;
    for (size_t i = 0; i < maxTokens && !input.empty(); ++i) {
        uint32_t kind = input.take<uint8_t>() % (PhraseCount + 7);
        if (kind < PhraseCount) putText(out, Phrases[kind], c);
        else if (kind == PhraseCount) putCharacter(out, '\r', c);
        else if (kind == PhraseCount + 1) putCharacter(out, '\n', c);
        else if (kind == PhraseCount + 2) putText(out, "\r\n", c);
        else if (kind == PhraseCount + 3) putCharacter(out, input.take<uint8_t>() % 2 ? 0xE9 : 0x65E5, c);
        else if (kind == PhraseCount + 4 && longRuns++ < MostLongRuns) {
            Bytes x;
            putCharacter(x, 'x', c);
            for (uint32_t k = 0; k < LongRun; ++k) out.insert(out.end(), x.begin(), x.end());
        } else if (kind == PhraseCount + 5) {
            Bytes line;
            putText(line, "\tat b\n", c);
            for (uint32_t k = 0; k < TraceBurst; ++k) out.insert(out.end(), line.begin(), line.end());
        } else if (kind == PhraseCount + 6) {
            uint8_t raw = input.take<uint8_t>();
            if (utf16) put16(out, 0xD800 + raw * 4, c.writtenIn == EncodingUtf16BE);
            else out.push_back(raw);
        }
    }
    putText(out, "\r\n", c);
    return out;
}

// ---- The reference -----------------------------------------------------------------

// Split at CR, LF and CR LF; the (empty) line behind a last line end counts,
// as the marks count an open line.
static std::vector<Units> linesIn(const Units& text) {
    std::vector<Units> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        WideChar unit = text[i];
        if (unit != '\r' && unit != '\n') {
            lines.back().push_back(unit);
            continue;
        }
        if (unit == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.emplace_back();
    }
    return lines;
}

static bool startsWithTime(const Units& line) {
    uint32_t head = std::min<uint32_t>((uint32_t)line.size(), EntryHeadUnits);
    return lineTimeAt(line.data(), head, ThisYear) != NoLineTime;
}

static bool startsWithBlank(const Units& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

// Labelled lines of several sources begin with "[w] " or "[v] ".
static const LineLabels Labels = {2, {u"w", u"v"}};

// The line's own text, behind the label it bears, if any.
static Units ownText(const Units& line, bool labelled, uint8_t* source) {
    *source = NoSource;
    for (uint8_t s = 0; s < Labels.count && labelled; ++s) {
        Units label = {'[', Labels.label[s][0], ']', ' '};
        if (line.size() < label.size() || !std::equal(label.begin(), label.end(), line.begin())) continue;
        *source = s;
        return Units(line.begin() + label.size(), line.end());
    }
    return line;
}

// Which lines begin an entry, by the definition: an entry is its first line
// and the lines after it from its source that continue it, until it is full.
static std::vector<bool> referenceBegins(const std::vector<Units>& lines, bool multiLine, bool labelled) {
    std::vector<bool> begins(lines.size(), true);
    size_t units = 0;
    uint8_t firstSource = NoSource;
    Units first;
    for (size_t i = 0, firstAt = 0; i < lines.size(); ++i) {
        uint8_t source;
        Units text = ownText(lines[i], labelled, &source);
        bool full = i - firstAt >= EntryLineLimit || units + text.size() + 1 > EntryUnitLimit;
        bool continues = startsWithBlank(text) || (startsWithTime(first) && !startsWithTime(text));
        if (i > 0 && multiLine && !full && continues && source == firstSource) {
            begins[i] = false;
        } else {
            firstAt = i;
            first = text;
            firstSource = source;
            units = 0;
        }
        units += text.size() + 1;
    }
    return begins;
}

static int firstRuleOf(const ColourRule* rules, const Units& line) {
    for (int r = 0; r < (int)ColourRuleCount; ++r) {
        if (rules[r].check == RuleUsable && lineMatches(rules[r].pattern, line.data(), (uint32_t)line.size())) return r;
    }
    return NoRule;
}

// By line, the first rule that any line of its entry matches.
static std::vector<int> referenceRules(const ColourRule* rules, const std::vector<Units>& lines,
                                       const std::vector<bool>& begins, bool labelled) {
    std::vector<int> result(lines.size(), NoRule);
    for (size_t first = 0; first < lines.size();) {
        size_t end = first + 1;
        while (end < lines.size() && !begins[end]) ++end;
        int rule = NoRule;
        for (size_t i = first; i < end; ++i) {
            uint8_t source;
            int own = firstRuleOf(rules, ownText(lines[i], labelled, &source));
            if (own != NoRule && (rule == NoRule || own < rule)) rule = own;
        }
        std::fill(result.begin() + first, result.begin() + end, rule);
        first = end;
    }
    return result;
}

static CodePoints codePointsOf(const Units& units) {
    CodePoints points;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            unit = 0x10000 + ((unit - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        points.push_back(unit);
    }
    return points;
}

static Units unitsOf(const CodePoints& points) {
    Units units;
    for (uint32_t c : points) {
        if (c < 0x10000) {
            units.push_back(WideChar(c));
        } else {
            units.push_back(WideChar(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(WideChar(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

static Units joined(const std::vector<Units>& lines, size_t from, size_t to, bool endEach) {
    Units text;
    for (size_t i = from; i < to; ++i) {
        text.insert(text.end(), lines[i].begin(), lines[i].end());
        if (endEach || i + 1 < to) text.insert(text.end(), {'\r', '\n'});
    }
    return text;
}

// The lines of the entries that pass, judged by every line of each.
static std::vector<size_t> referencePassing(const Filter& filter, const std::vector<Units>& lines,
                                            const std::vector<bool>& begins) {
    std::vector<size_t> passing;
    for (size_t first = 0; first < lines.size();) {
        size_t end = first + 1;
        while (end < lines.size() && !begins[end]) ++end;
        bool shown = !filter.showSet, hidden = false;
        for (size_t i = first; i < end; ++i) {
            CodePoints line = codePointsOf(lines[i]);
            shown = shown || patternMatches(filter.show, line);
            hidden = hidden || (filter.hideSet && patternMatches(filter.hide, line));
        }
        for (size_t i = first; i < end && shown && !hidden; ++i) passing.push_back(i);
        first = end;
    }
    return passing;
}

struct Row {
    size_t entry;  // whose text it shows
    RepeatedRow counted;
};

static Units afterTime(const Units& entry) {
    uint32_t time = lineTimeLength(entry.data(), (uint32_t)entry.size(), ThisYear);
    return Units(entry.begin() + time, entry.end());
}

static Units referenceSuffix(uint32_t count, uint64_t time) {
    if (count < 2) return {};
    std::string text = " x" + std::to_string(count);
    if (time != NoLineTime) {
        uint64_t second = time / 10000000 % 86400;
        char clock[16];
        snprintf(clock, sizeof clock, "%02u:%02u:%02u", unsigned(second / 3600), unsigned(second / 60 % 60),
                 unsigned(second % 60));
        text += std::string(", last ") + clock;
    }
    Units units(text.begin(), text.end());
    units[1] = 0xD7;
    return units;
}

// Each entry folds into the row above from its source when the texts after
// their times agree.
static std::vector<Units> referenceRows(const std::vector<Units>& entries, const std::vector<uint8_t>& sources) {
    std::vector<Units> rows, firsts;
    std::vector<uint32_t> counts;
    std::vector<uint64_t> times;
    for (size_t e = 0; e < entries.size(); ++e) {
        const Units& entry = entries[e];
        uint64_t time = lineTimeAt(entry.data(), (uint32_t)entry.size(), ThisYear);
        bool sameSource = e > 0 && sources[e - 1] == sources[e];
        if (!firsts.empty() && sameSource && afterTime(firsts.back()) == afterTime(entry)) {
            ++counts.back();
            times.back() = time;
            continue;
        }
        firsts.push_back(entry);
        counts.push_back(1);
        times.push_back(time);
    }
    for (size_t i = 0; i < firsts.size(); ++i) {
        rows.push_back(firsts[i]);
        Units suffix = referenceSuffix(counts[i], times[i]);
        rows.back().insert(rows.back().end(), suffix.begin(), suffix.end());
    }
    return rows;
}

// ---- The engine ---------------------------------------------------------------------

static Units decoded(const Bytes& file, uint64_t from, uint64_t to, ByteOrderMark mark, Encoding encoding,
                     Encoding* used) {
    TailBytes tail = {file.data() + from, uint32_t(to - from), from, mark, true, true};
    Units out(decodedCapacity(tail.count));
    DecodedText text = decodeTail(tail, encoding, pages, NoBoundary, out.data(), (uint32_t)out.size());
    if (used) *used = text.used;
    out.resize(text.length);
    return out;
}

static void checkMarksSoFar(const LineMarks& marks, const ColourRule* rules, const Units& text, bool multiLine,
                            bool labelled) {
    std::vector<Units> lines = linesIn(text);
    std::vector<int> expected = referenceRules(rules, lines, referenceBegins(lines, multiLine, labelled), labelled);
    REQUIRE(marks.lineCount == lines.size());
    for (uint32_t line = 0; line < marks.lineCount; ++line) REQUIRE(entryRule(marks, line) == expected[line]);
    for (uint32_t line = 0; line < marks.lineCount && line < 4; ++line) {
        if (!lines[line].empty()) REQUIRE(markedRule(marks, marks.lineStart[line]) == expected[line]);
    }
}

// A piece never ends inside a surrogate pair.
static size_t pieceEnd(const Units& text, size_t at) {
    bool inPair = at > 0 && at < text.size() && text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF &&
                  text[at] >= 0xDC00 && text[at] <= 0xDFFF;
    return inPair ? at + 1 : at;
}

// The appends end where lines end; each is decoded alone and marked in
// pieces, the marks checked after each against the text so far. Labelled
// lines come whole, as the merge of several sources gives them.
static Units markAppends(LineMarks* marks, const ColourRule* rules, const Bytes& file, ByteOrderMark mark,
                         Encoding used, const std::vector<uint64_t>& appendEnds, uint16_t cuts, bool multiLine,
                         bool labelled) {
    Units text;
    uint64_t from = 0;
    uint32_t checks = 0;
    for (uint64_t end : appendEnds) {
        Units append = decoded(file, from, end, mark, used, nullptr);
        from = end;
        for (size_t at = 0; at < append.size();) {
            size_t next = pieceEnd(append, std::min(append.size(), at + 1 + cuts % 97));
            while (labelled && next < append.size() && append[next - 1] != '\n') ++next;  // whole lines, as merged
            cuts = uint16_t(cuts * 31 + 7);
            markLines(marks, rules, ColourRuleCount, append.data() + at, uint32_t(next - at));
            text.insert(text.end(), append.begin() + at, append.begin() + next);
            if (text.size() < 2048 && checks++ < 32) checkMarksSoFar(*marks, rules, text, multiLine, labelled);
            at = next;
        }
    }
    return text;
}

// Marked after a look-back of lines [lookFrom, shownFrom) that holds a line
// beginning with a time (or the shown lines' first line begins with one), the
// shown lines take the rules of the whole text.
static void checkLookBack(const ColourRule* rules, const std::vector<Units>& lines, const std::vector<int>& whole,
                          size_t lookFrom, size_t shownFrom, bool multiLine, bool labelled) {
    bool exact = lookFrom == 0 || !multiLine;
    for (size_t i = lookFrom; i <= shownFrom && i < lines.size(); ++i) {
        uint8_t source;
        Units text = ownText(lines[i], labelled, &source);
        exact = exact || (!startsWithBlank(text) && startsWithTime(text));
    }
    if (!exact) return;
    static LineMarks marks;
    clearLineMarks(&marks);
    marks.labels = labelled ? &Labels : nullptr;
    marks.entries = {multiLine, ThisYear};
    Units lookBack = joined(lines, lookFrom, shownFrom, true);
    Units shown = joined(lines, shownFrom, lines.size(), false);
    // Only what the open entry needs of the look-back is marked, when it says where that starts.
    uint32_t needed = (uint32_t)lookBack.size();
    if (!labelled) needed = lastSureEntryStart(marks.entries, lookBack.data(), (uint32_t)lookBack.size());
    if (needed < lookBack.size()) lookBack.erase(lookBack.begin(), lookBack.begin() + needed);
    markLookBack(&marks, rules, ColourRuleCount, lookBack.data(), (uint32_t)lookBack.size());
    markLines(&marks, rules, ColourRuleCount, shown.data(), (uint32_t)shown.size());
    REQUIRE(marks.lineCount == lines.size() - shownFrom);
    for (uint32_t line = 0; line < marks.lineCount; ++line) REQUIRE(entryRule(marks, line) == whole[shownFrom + line]);
}

// Whole and line by line, as appends call it; then the last lines.
static void checkFilter(const EntryChoice& settings, const Filter& filter, const std::vector<Units>& lines,
                        const std::vector<bool>& begins, uint32_t lastLines) {
    std::vector<size_t> expected = referencePassing(filter, lines, begins);
    std::vector<Units> expectedLines;
    for (size_t i : expected) expectedLines.push_back(lines[i]);
    Units expectedText = joined(expectedLines, 0, expectedLines.size(), true);

    EntryChoice whole = settings;
    Units text = joined(lines, 0, lines.size(), true);
    KeptLines kept = keepPassingEntries(&whole, text.data(), (uint32_t)text.size());
    REQUIRE(Units(text.begin(), text.begin() + kept.length) == expectedText);
    REQUIRE(kept.lineCount == expected.size());
    uint32_t start = lastLinesStart(text.data(), kept.length, lastLines);
    size_t firstShown = lastLines == 0 || expected.size() < lastLines ? 0 : expected.size() - lastLines;
    REQUIRE(Units(text.begin() + start, text.begin() + kept.length) ==
            joined(expectedLines, firstShown, expectedLines.size(), true));

    EntryChoice byLine = settings;
    startEntryChoice(&byLine);
    std::vector<size_t> shown, entry;
    size_t entryShownFrom = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        EntryStep step = chooseEntryLine(&byLine, lines[i].data(), (uint32_t)lines[i].size());
        REQUIRE(step.begins == begins[i]);
        if (step.begins) entry.clear(), entryShownFrom = shown.size();
        entry.push_back(i);
        if (step.passes && step.passedBefore) shown.push_back(i);
        if (step.passes && !step.passedBefore) shown.insert(shown.end(), entry.begin(), entry.end());
        if (!step.passes && step.passedBefore) shown.resize(entryShownFrom);
    }
    REQUIRE(shown == expected);
}

// Entries grouped line by line as they arrive, each folded as it stands and
// folded anew when a line joins it.
static void checkRepeats(const std::vector<Units>& lines, bool multiLine, bool labelled) {
    std::vector<Units> entries;
    std::vector<uint8_t> sources;
    std::vector<Row> rows;
    RepeatedRow above;
    bool folded = false;
    OpenEntry open;
    startEntries(&open);
    EntryGrouping grouping = {multiLine, ThisYear};
    for (const Units& whole : lines) {
        uint8_t source;
        Units line = ownText(whole, labelled, &source);
        bool begins = groupLine(&open, grouping, line.data(), (uint32_t)line.size(), source);
        if (begins) {
            entries.push_back(line);
            sources.push_back(source);
            if (!rows.empty()) above = rows.back().counted;
        } else {
            entries.back().insert(entries.back().end(), {'\r', '\n'});
            entries.back().insert(entries.back().end(), line.begin(), line.end());
            if (folded) rows.back().counted = above;
            else rows.pop_back();
        }
        RepeatedRow row = above;
        if (rows.empty()) startRepeats(&row);
        const Units& entry = entries.back();
        const Units* rowText = rows.empty() ? nullptr : &entries[rows.back().entry];
        folded = foldRepeat(&row, rowText ? rowText->data() : nullptr, rowText ? (uint32_t)rowText->size() : 0,
                            entry.data(), (uint32_t)entry.size(), sources.back(), ThisYear);
        if (folded) rows.back().counted = row;
        else rows.push_back({entries.size() - 1, row});
    }
    std::vector<Units> expected = referenceRows(entries, sources);
    REQUIRE(rows.size() == expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        WideChar suffix[RepeatSuffixCapacity];
        uint32_t length = composeRepeatSuffix(rows[i].counted, suffix, RepeatSuffixCapacity);
        Units shown = entries[rows[i].entry];
        shown.insert(shown.end(), suffix, suffix + length);
        REQUIRE(shown == expected[i]);
    }
}

// The pane's text by the definition: each row its first entry's lines as
// given (labels too), its count's suffix behind its last line; an entry
// folds into the row above from its source when their texts after their
// times agree, unless the row's text is longer than a folder keeps. For each
// line of the pane, the lines counted in its row and not shown, at the row's
// last line.
static Units referencePane(const std::vector<Units>& lines, bool multiLine, bool labelled,
                           std::vector<uint32_t>* hidden) {
    std::vector<bool> begins = referenceBegins(lines, multiLine, labelled);
    struct PaneRow {
        size_t first, end;  // its lines
        Units own;
        uint8_t source;
        RepeatedRow counted;
    };
    std::vector<PaneRow> rows;
    for (size_t first = 0; first < lines.size();) {
        size_t end = first + 1;
        while (end < lines.size() && !begins[end]) ++end;
        std::vector<Units> own;
        uint8_t source = NoSource;
        for (size_t i = first; i < end; ++i) own.push_back(ownText(lines[i], labelled, &source));
        if (!labelled) source = 0;
        Units entry = joined(own, 0, own.size(), false);
        uint64_t time = lineTimeAt(entry.data(), (uint32_t)entry.size(), ThisYear);
        PaneRow* above = rows.empty() ? nullptr : &rows.back();
        if (above && above->source == source && above->own.size() <= RepeatTextCapacity &&
            afterTime(above->own) == afterTime(entry)) {
            ++above->counted.count;
            above->counted.lastTime = time;
        } else {
            rows.push_back({first, end, entry, source, {1, source, time}});
        }
        first = end;
    }
    Units pane;
    hidden->clear();
    for (const PaneRow& row : rows) {
        for (size_t i = row.first; i < row.end; ++i) {
            hidden->push_back(i + 1 == row.end ? (row.counted.count - 1) * uint32_t(row.end - row.first) : 0);
            pane.insert(pane.end(), lines[i].begin(), lines[i].end());
            if (i + 1 == row.end) {
                WideChar suffix[RepeatSuffixCapacity];
                uint32_t length = composeRepeatSuffix(row.counted, suffix, RepeatSuffixCapacity);
                pane.insert(pane.end(), suffix, suffix + length);
            }
            pane.insert(pane.end(), {'\r', '\n'});
        }
    }
    return pane;
}

static void startFolder(RepeatFolder* folder, bool multiLine, bool labelled) {
    startRepeatFolder(folder, {multiLine, ThisYear}, labelled ? &Labels : nullptr);
}

// The whole text folded at once, and in pieces as appends give it: a piece
// goes behind the pane's text, the row before it counted anew where it
// says so, and the pane is folded whole again where it asks for that.
static void checkFoldedText(const std::vector<Units>& lines, uint16_t appendMask, bool multiLine, bool labelled) {
    std::vector<uint32_t> expectedHidden;
    Units expected = referencePane(lines, multiLine, labelled, &expectedHidden);
    Units text = joined(lines, 0, lines.size(), true);
    static RepeatFolder folder;
    static FoldedPiece piece;
    Units out(2 * text.size() + 64);
    std::vector<uint32_t> hiddenOut(out.size() / 2 + 1);
    startFolder(&folder, multiLine, labelled);
    startFoldedPiece(&piece, out.data(), (uint32_t)out.size());
    piece.hiddenOut = hiddenOut.data();
    piece.hiddenRoom = (uint32_t)hiddenOut.size();
    foldRepeats(&folder, text.data(), (uint32_t)text.size(), &piece);
    REQUIRE(!piece.rebuild);
    REQUIRE(Units(out.begin(), out.begin() + piece.length) == expected);
    REQUIRE(std::vector<uint32_t>(hiddenOut.begin(), hiddenOut.begin() + piece.lines) == expectedHidden);

    Units pane;
    std::vector<uint32_t> hidden;
    size_t suffixAt = 0, from = 0;
    startFolder(&folder, multiLine, labelled);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i + 1 < lines.size() && !(appendMask >> (i % 16) & 1)) continue;
        Units added = joined(lines, from, i + 1, true);
        startFoldedPiece(&piece, out.data(), (uint32_t)out.size());
        piece.hiddenOut = hiddenOut.data();
    piece.hiddenRoom = (uint32_t)hiddenOut.size();
        foldRepeats(&folder, added.data(), (uint32_t)added.size(), &piece);
        if (piece.rebuild) {
            Units whole = joined(lines, 0, i + 1, true);
            startFolder(&folder, multiLine, labelled);
            startFoldedPiece(&piece, out.data(), (uint32_t)out.size());
            piece.hiddenOut = hiddenOut.data();
    piece.hiddenRoom = (uint32_t)hiddenOut.size();
            foldRepeats(&folder, whole.data(), (uint32_t)whole.size(), &piece);
            REQUIRE(!piece.rebuild);
            pane.clear();
            hidden.clear();
        } else if (piece.rowBeforeChanged) {
            WideChar suffix[RepeatSuffixCapacity];
            uint32_t length = composeRepeatSuffix(piece.rowBefore, suffix, RepeatSuffixCapacity);
            pane.resize(suffixAt);
            pane.insert(pane.end(), suffix, suffix + length);
            pane.insert(pane.end(), {'\r', '\n'});
            REQUIRE(!hidden.empty());
            hidden.back() = piece.rowBeforeHidden;
        }
        size_t base = pane.size();
        pane.insert(pane.end(), out.begin(), out.begin() + piece.length);
        hidden.insert(hidden.end(), hiddenOut.begin(), hiddenOut.begin() + piece.lines);
        if (piece.rowSuffixAt != NotInPiece) suffixAt = base + piece.rowSuffixAt;
        from = i + 1;
    }
    REQUIRE(pane == expected);
    REQUIRE(hidden == expectedHidden);
}

// ---- Settings from the input ------------------------------------------------------

static CodePoints patternFrom(FuzzInput& input) {
    static const uint32_t alphabet[] = {'a', 'b', 'E', 'R', 'x', '-', 't', '1', ':', ' ', '\t', '*', '?', '|', 'C', 0xE9};
    CodePoints pattern;
    std::string text = input.takeText();
    for (size_t i = 0; i < text.size() && i < 8; ++i) pattern.push_back(alphabet[uint8_t(text[i]) % 16]);
    return pattern;
}

static bool compile(const CodePoints& pattern, LinePattern* compiled) {
    Units units = unitsOf(pattern);
    return compileLinePattern(units.data(), (uint32_t)units.size(), compiled) == PatternUsable;
}

static void readRules(FuzzInput& input, ColourRule* rules) {
    for (uint32_t r = 0; r < ColourRuleCount; ++r) {
        CodePoints pattern = r < 3 ? patternFrom(input) : CodePoints();
        std::string words = r < 3 ? input.takeText() : "";
        Units value = {'#', '1', '2', '3', '4', '5', '6', ' '};
        if (words.size() % 3 == 1) value.insert(value.end(), {'w', 'o', 'r', 'd', ' '});
        Units units = unitsOf(pattern);
        value.insert(value.end(), units.begin(), units.end());
        parseColourRule(value.data(), pattern.empty() ? 0 : (uint32_t)value.size(), &rules[r]);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Case c = caseOf(input.take<uint8_t>());
    uint8_t options = input.take<uint8_t>();
    uint16_t cuts = input.take<uint16_t>(), appendMask = input.take<uint16_t>();
    uint16_t lookFrom = input.take<uint16_t>(), shownFrom = input.take<uint16_t>();
    bool multiLine = options & 1, labelled = options & 0x10;
    static ColourRule rules[ColourRuleCount];
    readRules(input, rules);
    Filter filter;
    static LinePattern show, hide;
    filter.show = patternFrom(input);
    filter.hide = patternFrom(input);
    filter.showSet = compile(filter.show, &show);
    filter.hideSet = compile(filter.hide, &hide);
    Bytes file = writeLog(input, c, 2000);

    // The reference reads the whole file; the pane's decoder must agree.
    ByteOrderMark mark = findByteOrderMark(file.data(), (uint32_t)file.size());
    Encoding used;
    Units text = decoded(file, 0, file.size(), mark, c.setting, &used);
    std::vector<Line> fileLines = linesOf(file, mark.length, file.size(), used);
    std::vector<Units> lines;
    for (const Line& line : fileLines) lines.push_back(unitsOf(line.text));
    REQUIRE(text == joined(lines, 0, lines.size(), true));

    std::vector<uint64_t> appendEnds;
    for (size_t i = 0; i < fileLines.size(); ++i) {
        if (i + 1 == fileLines.size() || (appendMask >> (i % 16) & 1)) appendEnds.push_back(fileLines[i].end);
    }
    static LineMarks marks;
    clearLineMarks(&marks);
    marks.labels = labelled ? &Labels : nullptr;
    marks.entries = {multiLine, ThisYear};
    REQUIRE(markAppends(&marks, rules, file, mark, used, appendEnds, cuts, multiLine, labelled) == text);
    std::vector<Units> shownLines = linesIn(text);
    std::vector<bool> begins = referenceBegins(shownLines, multiLine, labelled);
    std::vector<int> whole = referenceRules(rules, shownLines, begins, labelled);
    checkMarksSoFar(marks, rules, text, multiLine, labelled);
    size_t later = shownFrom % shownLines.size();
    checkLookBack(rules, shownLines, whole, later - std::min<size_t>(later, lookFrom % 300), later, multiLine, labelled);

    EntryChoice settings = {};
    settings.grouping = {multiLine, ThisYear};
    settings.filter = {filter.showSet ? &show : nullptr, filter.hideSet ? &hide : nullptr};
    checkFilter(settings, filter, lines, referenceBegins(lines, multiLine, false), (options >> 1) % 8);
    checkRepeats(lines, multiLine, labelled);
    checkFoldedText(lines, appendMask, multiLine, labelled);
    return 0;
}
