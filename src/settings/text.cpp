#include "settings/text.h"

#include "text/characters.h"

int textLength(const char* text) {
    int length = 0;
    while (text[length] != 0) ++length;
    return length;
}

bool copyText(char* buffer, int capacity, const char* source) {
    if (capacity <= 0) return source[0] == 0;
    int i = 0;
    for (; i < capacity - 1 && source[i] != 0; ++i) buffer[i] = source[i];
    buffer[i] = 0;
    return source[i] == 0;
}

bool joinText(char* buffer, int capacity, const char* first, const char* second) {
    int firstLength = textLength(first);
    if (firstLength + textLength(second) >= capacity) {
        if (capacity > 0) buffer[0] = 0;
        return false;
    }
    copyText(buffer, capacity, first);
    copyText(buffer + firstLength, capacity - firstLength, second);
    return true;
}

void cutToFolder(char* path) {
    int length = textLength(path);
    if (length == 0) return;
    int i = length - 1;
    while (i > 0 && path[i] != '\\') --i;
    path[i + 1] = 0;
}

bool startsWithIgnoringCase(const char* text, const char* prefix) {
    for (int i = 0; prefix[i] != 0; ++i) {
        if (asciiLower((uint8_t)text[i]) != asciiLower((uint8_t)prefix[i])) return false;
    }
    return true;
}

bool equalsIgnoringCase(const char* a, const char* b) {
    return startsWithIgnoringCase(a, b) && a[textLength(b)] == 0;
}

bool equalsText(const char* a, const char* b) {
    int i = 0;
    while (a[i] != 0 && a[i] == b[i]) ++i;
    return a[i] == b[i];
}

void cutAtLineBreak(char* text) {
    for (; *text != 0; ++text) {
        if (isLineEnd((uint8_t)*text)) {
            *text = 0;
            return;
        }
    }
}
