#include "text/merged_pane.h"

#include "text/characters.h"
#include "text/timeline.h"

uint32_t labelledLineLength(const WideChar* label, uint32_t lineLength) {
    uint32_t length = 0;
    while (label[length]) ++length;
    return length + 3 + lineLength + 2;
}

void writeLabelledLine(const WideChar* label, const WideChar* line, uint32_t length, WideChar* out,
                       uint32_t* at) {
    WideChar* to = out + *at;
    *to++ = '[';
    while (*label) *to++ = *label++;
    *to++ = ']';
    *to++ = ' ';
    for (uint32_t i = 0; i < length; ++i) *to++ = line[i];
    *to++ = WideChar(CarriageReturn);
    *to++ = WideChar(LineFeed);
    *at = (uint32_t)(to - out);
}

uint32_t linesIn(const WideChar* text, uint32_t length) {
    uint32_t lines = 0;
    for (uint32_t at = 0; at < length; at = nextLineStart(text, length, at)) ++lines;
    return lines;
}

// ---- A build ------------------------------------------------------------------------

// The sources that show lines, as the timeline reads them.
struct MergeInputs {
    uint32_t count;
    uint32_t source[MostSources];
    TimelineSource timeline[MostSources];
};

static MergeInputs inputsOf(const SourceLines* sources, uint32_t count) {
    MergeInputs inputs = {};
    for (uint32_t i = 0; i < count && i < MostSources; ++i) {
        const SourceLines& source = sources[i];
        if (!source.shown || source.length == 0) continue;
        TimelineSource input = {source.text, source.length, source.writtenAt, source.timeBefore};
        inputs.source[inputs.count] = i;
        inputs.timeline[inputs.count++] = input;
    }
    return inputs;
}

MergedPane mergeSourceLines(const SourceLines* sources, uint32_t count, uint32_t mostLines,
                            uint32_t reserve, int thisYear, const PanePlace& place, WideChar* out,
                            uint32_t capacity, uint32_t* newBits, PaneHeld* held) {
    MergeInputs inputs = inputsOf(sources, count);
    Timeline timeline;
    TimelineLine line;
    uint32_t lines = 0;
    uint64_t units = 0;
    startTimeline(&timeline, inputs.timeline, inputs.count, thisYear);
    while (nextTimelineLine(&timeline, &line)) {
        ++lines;
        units += labelledLineLength(sources[inputs.source[line.source]].label, line.length);
    }
    uint32_t room = capacity > reserve + 1 ? capacity - reserve - 1 : 0;
    uint32_t most = mostLines ? mostLines : UINT32_MAX;
    MergedPane merged = {0, 0, -1};
    uint32_t index[MostSources] = {};
    *held = PaneHeld();
    startTimeline(&timeline, inputs.timeline, inputs.count, thisYear);
    while (nextTimelineLine(&timeline, &line)) {
        uint32_t which = inputs.source[line.source];
        const SourceLines& source = sources[which];
        uint32_t length = labelledLineLength(source.label, line.length);
        uint32_t number = source.firstNumber + index[line.source]++;
        bool fits = lines <= most && units <= room;
        --lines;
        units -= length;
        if (!fits) continue;
        if (!held->hasLines[which]) held->firstNumber[which] = number;
        held->hasLines[which] = true;
        if (place.known && place.source == which && place.number == number) {
            merged.placeAt = (int)(merged.length + (place.offset < length ? place.offset : 0));
        }
        writeLabelledLine(source.label, source.text + line.start, line.length, out, &merged.length);
        bool isNew = line.start >= source.newFrom;
        if (merged.lines % 32 == 0) newBits[merged.lines / 32] = 0;
        if (isNew) newBits[merged.lines / 32] |= 1u << (merged.lines % 32);
        ++merged.lines;
    }
    out[merged.length] = 0;
    return merged;
}

PanePlace placeOfLine(const PaneHeld& held, const uint8_t* sourceOf, const uint32_t* hiddenAfter, uint32_t line,
                      uint32_t offset) {
    PanePlace place = {false, 0, 0, 0};
    uint8_t source = sourceOf[line];
    if (source >= MostSources || !held.hasLines[source]) return place;
    uint32_t before = 0;
    for (uint32_t i = 0; i < line; ++i) {
        if (sourceOf[i] == source) before += 1 + (hiddenAfter ? hiddenAfter[i] : 0);
    }
    place.known = true;
    place.source = source;
    place.number = held.firstNumber[source] + before;
    place.offset = offset;
    return place;
}

// ---- A source's lines ----------------------------------------------------------------

void takeSourceLines(SourceLines* source, uint32_t length, uint32_t newFrom, bool sameLines) {
    uint32_t oldLines = source->lineCount;
    source->length = length;
    source->newFrom = newFrom;
    source->lineCount = linesIn(source->text, length);
    uint32_t kept = sameLines ? linesIn(source->text, newFrom) : 0;
    // Numbers wrap around: only their differences matter.
    source->firstNumber += sameLines ? oldLines - kept : oldLines + 1;
}

void dropSourceLines(SourceLines* source) {
    source->firstNumber += source->lineCount + 1;
    source->length = 0;
    source->lineCount = 0;
    source->newFrom = 0;
}

void addedSourceLines(SourceLines* source, uint32_t length, uint32_t lines) {
    source->length += length;
    source->lineCount += lines;
    source->newFrom = source->length;
}

bool labelLines(const WideChar* label, const WideChar* lines, uint32_t length, WideChar* out,
                uint32_t capacity, uint32_t* written) {
    *written = 0;
    for (uint32_t start = 0; start < length; start = nextLineStart(lines, length, start)) {
        uint32_t end = lineEndFrom(lines, length, start);
        if (*written + labelledLineLength(label, end - start) > capacity - 1) return false;
        writeLabelledLine(label, lines + start, end - start, out, written);
    }
    out[*written] = 0;
    return true;
}

bool paneOutgrown(uint32_t paneLines, uint32_t adding, uint32_t mostLines, uint64_t paneUnits,
                  uint64_t builtUnits, uint32_t capacity) {
    if (mostLines && (uint64_t)paneLines + adding > 2 * (uint64_t)mostLines) return true;
    return paneUnits > 2 * builtUnits + 4096 || paneUnits > capacity / 2;
}
