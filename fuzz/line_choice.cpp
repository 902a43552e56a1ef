// The line choice against a slow reference that is plainly right: the text
// decoded whole, split at CR, LF and CR LF, each line folded and matched
// position set by position set; from the end back, the lines that pass, as
// many as fit. In every encoding the reader supports: UTF-8 with and without
// a mark, UTF-16 LE and BE, auto on ANSI text and on UTF-8, a single-byte
// page, a double-byte page, and EBCDIC, whose letters and line ends are not
// ASCII's. The code pages are stand-ins with the shapes of the real ones.
// Also: the lines a growth adds continue those of the smaller file exactly.
// With multi-line entries, the reference groups every line of the file from
// its start (entries.h), and a line passes with its entry; the engine is
// held to it wherever it did not have to guess an entry's first line.
#include "encoded_log.h"
#include "fuzz_input.h"
#include "text/line_choice.h"
#include "text/line_time.h"

static const int ThisYear = 2024;

// A log of tokens: words a filter may look for, line ends of every kind,
// and raw bytes or lone surrogates that no encoding takes as they are.
static Bytes writeLog(FuzzInput& input, const Case& c, size_t maxTokens) {
    static const uint32_t words[] = {'a', 'b', 'E', 'R', 0xE9, 0xC9, 0x3B6, 0x396, 0x65E5,
                                     ' ', '1', ':', 'x', 0x212A, 'k'};
    Bytes out;
    bool utf16 = c.writtenIn == EncodingUtf16LE || c.writtenIn == EncodingUtf16BE;
    bool bigEndian = c.writtenIn == EncodingUtf16BE;
    if (c.mark && c.writtenIn == EncodingUtf8) out.insert(out.end(), {0xEF, 0xBB, 0xBF});
    if (c.mark && utf16) put16(out, 0xFEFF, bigEndian);
    for (size_t i = 0; i < maxTokens && !input.empty(); ++i) {
        uint8_t token = input.take<uint8_t>();
        uint32_t kind = token % 22;
        CodePoints characters;
        if (kind == 20) characters = {'2', '0', '2', '4', '-', '0', '2', '-', '2', '9', ' ', '1', '0', ':', '0', '5', ':', '0', '6'};
        if (kind == 21) characters = {'\t'};
        if (kind < 15) characters = {words[kind]};
        else if (kind == 15) characters = {'\r'};
        else if (kind == 16) characters = {'\n'};
        else if (kind == 17) characters = {'\r', '\n'};
        if (kind == 18 || kind == 19) {
            uint8_t raw = input.take<uint8_t>();
            if (utf16) put16(out, 0xD800 + raw * 4, bigEndian);
            else out.push_back(raw);
            continue;
        }
        for (uint32_t character : characters) putCharacter(out, character, c);
    }
    return out;
}

// ---- Entries, slowly ----------------------------------------------------------

static std::vector<WideChar> unitsOf(const CodePoints& points) {
    std::vector<WideChar> units;
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

struct JudgedText {
    CodePoints text;  // as the filter judges it
    uint32_t units;   // as the entry counts it
};

// By line, whether its entry passes: every line grouped from the first, an
// entry passing when a line matches show (or there is none) and none hide.
static std::vector<bool> entriesPassing(const std::vector<Line>& lines, const std::vector<JudgedText>& judged,
                                        const Filter& filter) {
    std::vector<bool> shown(lines.size(), false);
    size_t first = 0, units = 0;
    bool timedEntry = false;
    bool show = false, hide = false;
    auto close = [&](size_t end) {
        for (size_t k = first; k < end; ++k) shown[k] = (!filter.showSet || show) && !hide;
    };
    for (size_t i = 0; i < lines.size() && !lines[i].open; ++i) {  // an open line is not judged yet
        std::vector<WideChar> head = unitsOf(lines[i].text);
        bool blank = !head.empty() && (head[0] == ' ' || head[0] == '\t');
        head.resize(std::min<size_t>(head.size(), EntryHeadUnits));
        bool timed = !blank && lineTimeAt(head.data(), (uint32_t)head.size(), ThisYear) != NoLineTime;
        bool full = i - first >= EntryLineLimit || units + judged[i].units + 1 > EntryUnitLimit;
        if (i == 0 || full || !(blank || (timedEntry && !timed))) {
            close(i);
            first = i;
            units = 0;
            timedEntry = timed;
            show = hide = false;
        }
        units += judged[i].units + 1;
        show = show || (filter.showSet && patternMatches(filter.show, judged[i].text));
        hide = hide || (filter.hideSet && patternMatches(filter.hide, judged[i].text));
    }
    close(lines.size() - (lines.empty() || !lines.back().open ? 0 : 1));
    return shown;
}

struct Expected {
    Bytes bytes;
    uint64_t visitedFrom = UINT64_MAX;  // the start of the earliest line looked at
    uint32_t lineCount = 0;
    bool limitReached = false;
    bool firstLineCut = false;
    uint32_t shownEndAt = 0;
    std::vector<CodePoints> texts;
};

static uint32_t lineEndUnit(Encoding encoding) { return encoding.kind == EncodingCodePage && encoding.codePage == Ebcdic ? 0x25 : '\n'; }

// The text a cut line's last bytes show as the end of a window.
static CodePoints cutLineText(const Bytes& file, uint64_t from, uint64_t to, Encoding encoding) {
    if (encoding.kind == EncodingUtf8) {
        for (int i = 0; i < 3 && from < to && (file[from] & 0xC0) == 0x80; ++i) ++from;
    } else if (encoding.kind == EncodingUtf16LE || encoding.kind == EncodingUtf16BE) {
        uint32_t unit = to - from >= 2 ? unit16(file, from, encoding.kind == EncodingUtf16BE) : 0;
        if (unit >= 0xDC00 && unit <= 0xDFFF) from += 2;
    } else if (encoding.codePage == DoubleByte) {
        while (from < to && file[from] >= LowestTrailByte) ++from;
    }
    std::vector<Line> lines = linesOf(file, from, to, encoding);
    return lines.empty() ? CodePoints() : lines[0].text;
}

// From the end back: the lines that pass, while they fit; a line longer than
// judgedBytes is judged on its last so many bytes.
static Expected expectedLines(const Bytes& file, uint64_t textStart, uint32_t unitSize, Encoding encoding,
                              const Filter& filter, uint32_t maxLines, uint32_t room, uint64_t scanLimit,
                              uint32_t judgedBytes, uint64_t seenEnd, bool entries = false) {
    Expected expected;
    uint64_t end = file.size() - (file.size() - textStart) % unitSize;
    uint64_t limitFloor = end - textStart > scanLimit ? end - scanLimit : textStart;
    limitFloor -= (limitFloor - textStart) % unitSize;
    room -= room % unitSize;
    std::vector<Line> lines = linesOf(file, textStart, end, encoding);
    std::vector<bool> byEntry;
    if (entries) {
        std::vector<JudgedText> judged;
        for (const Line& line : lines) {
            bool cut = line.contentEnd - line.start > judgedBytes;
            JudgedText j = {cut ? cutLineText(file, line.contentEnd - judgedBytes, line.contentEnd, encoding) : line.text, 0};
            j.units = (uint32_t)unitsOf(j.text).size();
            if (cut && j.units < EntryUnitLimit) j.units = EntryUnitLimit;
            judged.push_back(j);
        }
        byEntry = entriesPassing(lines, judged, filter);
    }
    for (size_t i = room > 0 ? lines.size() : 0; i-- > 0;) {
        Line line = lines[i];
        bool found = line.start == textStart ? limitFloor == textStart : line.start - unitSize >= limitFloor;
        if (!found) {
            expected.limitReached = true;
            break;
        }
        if (line.open && filter.any()) continue;
        expected.visitedFrom = line.start;
        CodePoints judged = line.contentEnd - line.start > judgedBytes
                                ? cutLineText(file, line.contentEnd - judgedBytes, line.contentEnd, encoding)
                                : line.text;
        if (entries ? !byEntry[i] : filter.any() && !filter.passes(judged)) continue;
        if (line.end - line.start > room - expected.bytes.size()) {
            if (expected.lineCount > 0) break;
            line.start = line.end - room;
            expected.firstLineCut = true;
        }
        Bytes bytes(file.begin() + line.start, file.begin() + line.end);
        bool loneReturn = line.end - line.contentEnd == unitSize && !line.open &&
                          nextCharacter(file, line.contentEnd, line.end, encoding).codePoint == '\r';
        if (filter.any() && loneReturn) {  // an LF in its place, as the encoding writes it
            uint8_t feed = uint8_t(lineEndUnit(encoding));
            if (unitSize == 1) {
                bytes.back() = feed;
            } else {
                bool bigEndian = encoding.kind == EncodingUtf16BE;
                bytes[bytes.size() - 2] = bigEndian ? 0 : feed;
                bytes[bytes.size() - 1] = bigEndian ? feed : 0;
            }
        }
        if (seenEnd > line.start) expected.shownEndAt += uint32_t(std::min<uint64_t>(seenEnd - line.start, bytes.size()));
        expected.bytes.insert(expected.bytes.begin(), bytes.begin(), bytes.end());
        expected.texts.insert(expected.texts.begin(), line.text);
        ++expected.lineCount;
        if (expected.bytes.size() == room || expected.lineCount == maxLines) break;
    }
    return expected;
}

// ---- The engine ---------------------------------------------------------------

static const Bytes* sourceFile;
static bool readSource(void*, uint64_t offset, uint8_t* out, uint32_t count) {
    if (offset + count > sourceFile->size()) return false;
    if (count > 0) memcpy(out, sourceFile->data() + offset, count);
    return true;
}

struct Engine {
    LineChoice choice;
    Filter filter;
    std::vector<WideChar> lineText;
    std::vector<EntryLine> entryLines;
};

static CodePoints patternFrom(FuzzInput& input) {
    static const uint32_t alphabet[] = {'a', 'b', 'e', 'R', 0xE9, 0xC9, 0x3B6, '1', ':', 'x', 'K', 's',
                                        '*', '?', '|', ' '};
    CodePoints pattern;
    std::string text = input.takeText();
    for (size_t i = 0; i < text.size() && i < 10; ++i) pattern.push_back(alphabet[uint8_t(text[i]) % 16]);
    return pattern;
}

static bool compile(const CodePoints& pattern, LinePattern* compiled, PatternNeedles* needles) {
    std::vector<WideChar> units(pattern.begin(), pattern.end());
    findNeedles(units.data(), (uint32_t)units.size(), needles);
    return compileLinePattern(units.data(), (uint32_t)units.size(), compiled) == PatternUsable;
}

// The pane's text of the lines the engine chose, as tail.cpp decodes them.
static CodePoints shownText(const Bytes& bytes, Encoding encoding) {
    TailBytes tail = {bytes.data(), (uint32_t)bytes.size(), 0, {EncodingAuto, 0}, true, true};
    std::vector<WideChar> out(decodedCapacity(tail.count));
    DecodedText text = decodeTail(tail, encoding, pages, NoBoundary, out.data(), (uint32_t)out.size());
    CodePoints points;
    for (uint32_t i = 0; i < text.length; ++i) {
        uint32_t unit = out[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.length) unit = 0x10000 + ((unit - 0xD800) << 10) + (out[++i] - 0xDC00);
        if (unit != '\n') points.push_back(unit);  // every line ends in CR LF: compare at the CR
    }
    return points;
}

static CodePoints joinedLines(const std::vector<CodePoints>& texts) {
    CodePoints joined;
    for (const CodePoints& text : texts) {
        joined.insert(joined.end(), text.begin(), text.end());
        joined.push_back('\r');
    }
    return joined;
}

static bool validUtf8Lines(const Bytes& file, const std::vector<Line>& lines) {
    for (const Line& line : lines) {
        for (uint64_t at = line.start; at < line.contentEnd;) {
            Character c = nextUtf8(file, at, line.contentEnd);
            if (c.codePoint == Replacement && !(c.end - c.start == 3 && file[at] == 0xEF)) return false;
            at = c.end;
        }
    }
    return true;
}

static void checkLastLines(Engine& engine, const Bytes& file, const Case& c, uint16_t a, uint16_t b) {
    sourceFile = &file;
    ByteOrderMark mark = findByteOrderMark(file.data(), (uint32_t)file.size());
    uint32_t blockSize = 64 + (a % 64) * 2;
    uint32_t judgedBytes = blockSize / 2 & ~1u;
    uint32_t window = 1 + b % (blockSize - 2);
    engine.choice.lines = (a >> 8) % 6;
    uint64_t scanLimit = (b >> 4) % 3 == 0 ? UINT64_MAX : 1 + (b >> 6) % (file.size() + 2);
    if (!engine.filter.any()) scanLimit = UINT64_MAX;
    engine.choice.scanLimit = scanLimit;
    uint64_t seenEnd = (a >> 3) % 2 ? NoOffset : (b >> 2) % (file.size() + 1);
    engine.lineText.assign(2 * judgedBytes + 1, 0);

    bool entries = entriesFiltered(engine.choice);
    if (entries && (b & 1)) scanLimit = UINT64_MAX;
    engine.choice.scanLimit = scanLimit;
    engine.entryLines.resize(a % 4 ? 4096 : 2 + a % 13);
    LineScan scan = {&engine.choice, c.setting, false, mark, &pages, engine.lineText.data(), judgedBytes,
                     engine.entryLines.data(), (uint32_t)engine.entryLines.size(), nullptr};
    LastLinesQuery query = {file.size(), mark.length, window, scanLimit, seenEnd};
    ByteSource source = {nullptr, readSource};
    Bytes block(blockSize), out(window + 1);
    ChosenLines chosen = chooseLastLines(scan, query, source, block.data(), blockSize, out.data(), (uint32_t)out.size());
    const TakenLines& taken = chosen.taken;
    REQUIRE(!taken.readFailed && !taken.abandoned);

    Encoding read = chosen.encoding;
    if (read.kind == EncodingAuto) read = mark.kind != EncodingAuto ? Encoding{mark.kind, 0} : Encoding{EncodingUtf8, 0};
    uint32_t unitSize = read.kind == EncodingUtf16LE || read.kind == EncodingUtf16BE ? 2 : 1;
    if (entries && taken.entriesGuessed) return;
    Expected expected = expectedLines(file, mark.length, unitSize, read, engine.filter, engine.choice.lines,
                                      window, scanLimit, judgedBytes, seenEnd, entries);
    REQUIRE(taken.count == expected.bytes.size());
    REQUIRE(std::equal(expected.bytes.begin(), expected.bytes.end(), out.begin() + taken.start));
    REQUIRE(taken.lineCount == expected.lineCount);
    REQUIRE(taken.limitReached == expected.limitReached);
    REQUIRE(taken.firstLineCut == expected.firstLineCut);
    if (seenEnd != NoOffset) REQUIRE(taken.shownEndAt == expected.shownEndAt);
    if (!engine.filter.any()) return;

    // The pane shows the lines as the filter judged them.
    if (!expected.firstLineCut) {
        Bytes shown(out.begin() + taken.start, out.end());
        REQUIRE(shownText(shown, chosen.encoding) == joinedLines(expected.texts));
    }
    if (entries) return;  // every line looked at may be shown: see the checks below
    // Auto reads UTF-8 unless a line it looks at is not UTF-8: then every
    // line, judged in the ANSI code page, passes as there. Reading UTF-8, no
    // line it looked at passes in the ANSI code page unless it is UTF-8.
    if (c.setting.kind != EncodingAuto || mark.kind != EncodingAuto) return;
    Encoding utf8 = {EncodingUtf8, 0};
    Expected asUtf8 = expectedLines(file, 0, 1, utf8, engine.filter, engine.choice.lines, window,
                                    scanLimit, judgedBytes, NoOffset);
    std::vector<Line> looked;
    for (const Line& line : linesOf(file, 0, file.size(), utf8)) {
        if (!line.open && line.start >= asUtf8.visitedFrom) looked.push_back(line);
    }
    if (chosen.encoding.kind == EncodingCodePage) {
        REQUIRE(!validUtf8Lines(file, looked));
        return;
    }
    REQUIRE(chosen.encoding.kind == EncodingUtf8);
    for (const Line& line : looked) {
        std::vector<Line> one = {line};
        if (line.contentEnd - line.start > judgedBytes) continue;
        Encoding ansi = {EncodingCodePage, AnsiCodePage};
        CodePoints asAnsi = linesOf(file, line.start, line.contentEnd, ansi).empty()
                                ? CodePoints()
                                : linesOf(file, line.start, line.contentEnd, ansi)[0].text;
        if (engine.filter.passes(asAnsi)) REQUIRE(validUtf8Lines(file, one));
    }
}

// The filtered lines of a file grown from grownFrom bytes are those of the
// smaller file followed by those its growth adds.
static void checkAddedLines(Engine& engine, const Bytes& file, const Case& c, uint64_t grownFrom) {
    if (!engine.filter.any() || c.setting.kind == EncodingAuto) return;
    sourceFile = &file;
    ByteOrderMark mark = findByteOrderMark(file.data(), (uint32_t)file.size());
    uint32_t room = (uint32_t)file.size() + 8;
    engine.lineText.assign(2 * room + 1, 0);
    engine.choice.scanLimit = UINT64_MAX;
    engine.entryLines.resize(4096);
    LineScan scan = {&engine.choice, c.setting, false, mark, &pages, engine.lineText.data(), room,
                     engine.entryLines.data(), (uint32_t)engine.entryLines.size(), nullptr};
    ByteSource source = {nullptr, readSource};
    Bytes block(room), out(room);
    struct Taken {
        Bytes bytes;
        uint64_t end;
        EntryState entry;
        bool guessed;
    };
    auto take = [&](uint64_t fileSize) {
        LastLinesQuery query = {fileSize, mark.length, room, UINT64_MAX, NoOffset};
        engine.choice.lines = 0;
        TakenLines taken = chooseLastLines(scan, query, source, block.data(), room, out.data(), room).taken;
        return Taken{Bytes(out.begin() + taken.start, out.end()), taken.end, taken.lastEntry, taken.entriesGuessed};
    };
    uint32_t unitSize = c.setting.kind == EncodingUtf16LE || c.setting.kind == EncodingUtf16BE ? 2 : 1;
    grownFrom -= grownFrom % unitSize;
    if (grownFrom < mark.length) return;
    Taken whole = take(file.size());
    Taken before = take(grownFrom);
    uint64_t joined = std::min<uint64_t>(before.end, 8);
    Bytes bytes(file.begin() + (before.end - joined), file.end());
    scan.growth = true;
    EntryState entry = before.entry;
    AddedLines added = chooseAddedLines(scan, &entry, bytes.data(), (uint32_t)bytes.size(), before.end - joined,
                                        before.end, false);
    bool entries = entriesFiltered(engine.choice);
    if (entries && (added.abandoned || whole.guessed || before.guessed)) return;
    REQUIRE(!added.abandoned && added.end == whole.end);
    Bytes joinedUp = before.bytes;
    joinedUp.insert(joinedUp.end(), bytes.begin(), bytes.begin() + added.count);
    REQUIRE(shownText(joinedUp, c.setting) == shownText(whole.bytes, c.setting));
    if (!entries) return;
    REQUIRE(entry.entry.lines == whole.entry.entry.lines);
    REQUIRE(entry.entry.units == whole.entry.entry.units);
    REQUIRE(entry.entry.timed == whole.entry.entry.timed);
    REQUIRE(entry.judgement.showMatched == whole.entry.judgement.showMatched);
    REQUIRE(entry.judgement.hideMatched == whole.entry.judgement.hideMatched);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Case c = caseOf(input.take<uint8_t>());
    uint16_t a = input.take<uint16_t>(), b = input.take<uint16_t>();
    static Engine engine;
    engine.filter.show = patternFrom(input);
    engine.filter.hide = patternFrom(input);
    engine.filter.showSet = compile(engine.filter.show, &engine.choice.show, &engine.choice.showNeedles);
    engine.filter.hideSet = compile(engine.filter.hide, &engine.choice.hide, &engine.choice.hideNeedles);
    engine.choice.showSet = engine.filter.showSet;
    engine.choice.hideSet = engine.filter.hideSet;
    engine.choice.entries = {(c.setting.kind + a) % 3 != 0, ThisYear};
    Bytes file = writeLog(input, c, 400);
    checkLastLines(engine, file, c, a, b);
    checkAddedLines(engine, file, c, file.empty() ? 0 : a % file.size());
    return 0;
}
