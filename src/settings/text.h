// Bounded string helpers: every copy and join is cut to its buffer, never past
// it; a buffer of no capacity is left untouched.
#pragma once

// Copies source into buffer of the given capacity, cutting it to fit.
// Returns false when it had to cut.
bool copyText(char* buffer, int capacity, const char* source);

// Writes first then second into buffer. Returns false, leaving buffer empty,
// when the two do not fit together.
bool joinText(char* buffer, int capacity, const char* first, const char* second);

// Cuts a full file name right behind its last backslash, so that it names the
// folder. The first character is never examined: with no backslash found,
// only the first character remains; an empty name stays empty.
void cutToFolder(char* path);

bool equalsText(const char* a, const char* b);

// Compares ignoring the case of ASCII letters.
bool equalsIgnoringCase(const char* a, const char* b);
bool startsWithIgnoringCase(const char* text, const char* prefix);

int textLength(const char* text);

// Ends the text at its first CR or LF, if any.
void cutAtLineBreak(char* text);
