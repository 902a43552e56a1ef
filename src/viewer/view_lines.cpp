#include "viewer/view_lines.h"

#include "text/characters.h"

int lastTextLine(int lineCount, bool lastLineEmpty) {
    if (lineCount <= 1) return 0;
    return lastLineEmpty ? lineCount - 2 : lineCount - 1;
}

bool viewReachesLine(int firstVisible, int visibleLines, int line) {
    return line < firstVisible + (visibleLines > 0 ? visibleLines : 1);
}

int firstLineEndingOn(int line, int visibleLines) {
    int first = line - (visibleLines > 0 ? visibleLines : 1) + 1;
    return first > 0 ? first : 0;
}

int movedIndex(int index, int oldLength, int oldEndAt) {
    return oldEndAt - (oldLength - index);
}

int longestLine(const WideChar* text, int carried) {
    int longest = carried;
    int length = carried;
    for (; *text != 0; ++text) {
        if (isLineEnd(*text)) {
            length = 0;
        } else if (++length > longest) {
            longest = length;
        }
    }
    return longest;
}
