#include "text/repeats.h"

#include "text/text_writer.h"

#include "text/line_time.h"

static const uint64_t StepsPerSecond = 10000000;
static const uint64_t SecondsPerDay = 86400;
static const WideChar Times = 0x00D7;

void startRepeats(RepeatedRow* row) {
    row->count = 0;
    row->source = 0;
    row->lastTime = NoLineTime;
}

static bool sameUnits(const WideChar* a, const WideChar* b, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool repeatsRow(const RepeatedRow& row, const WideChar* rowText, uint32_t rowLength,
                const WideChar* entry, uint32_t entryLength, uint8_t source, int thisYear) {
    if (row.count == 0 || row.source != source) return false;
    uint32_t rowTime = lineTimeLength(rowText, rowLength, thisYear);
    uint32_t entryTime = lineTimeLength(entry, entryLength, thisYear);
    uint32_t length = rowLength - rowTime;
    return entryLength - entryTime == length && sameUnits(rowText + rowTime, entry + entryTime, length);
}

bool foldRepeat(RepeatedRow* row, const WideChar* rowText, uint32_t rowLength,
                const WideChar* entry, uint32_t entryLength, uint8_t source, int thisYear) {
    bool folded = repeatsRow(*row, rowText, rowLength, entry, entryLength, source, thisYear);
    row->count = folded ? row->count + 1 : 1;
    row->source = source;
    row->lastTime = lineTimeAt(entry, entryLength, thisYear);
    return folded;
}

uint32_t composeRepeatSuffix(const RepeatedRow& row, WideChar* out, uint32_t capacity) {
    TextWriter writer = {out, capacity, 0};
    if (row.count > 1) {
        put(writer, " ");
        put(writer, Times);
        putNumber(writer, row.count, 1);
    }
    if (row.count > 1 && row.lastTime != NoLineTime) {
        uint32_t second = uint32_t(row.lastTime / StepsPerSecond % SecondsPerDay);
        put(writer, ", last ");
        putNumber(writer, second / 3600, 2);
        put(writer, ':');
        putNumber(writer, second / 60 % 60, 2);
        put(writer, ':');
        putNumber(writer, second % 60, 2);
    }
    return endText(writer);
}
