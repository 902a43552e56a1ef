// Writes the command target's dictionary from the command table and the
// settings' rows: the prefix, the shell's own broadcasts, every command word,
// and the ends of every number setting's range, where a value is held.
#include <stdio.h>

#include "commands/command_words.h"
#include "settings/setting_rows.h"

static void printEntry(FILE* out, const char* text) { fprintf(out, "\"%s\"\n", text); }

// A range's end, and the numbers just beyond it.
static void printBound(FILE* out, long long bound) {
    for (long long number = bound - 1; number <= bound + 1; ++number) fprintf(out, "\"%lld\"\n", number);
}

int main(int count, char** arguments) {
    FILE* out = count > 1 ? fopen(arguments[1], "w") : stdout;
    if (!out) return 1;
    fprintf(out, "# Written by command_dictionary from the command table.\n");
    printEntry(out, CommandPrefix);
    printEntry(out, ShowPluginsCommand);
    printEntry(out, HidePluginsCommand);
#define WORD(word, argument, handler) printEntry(out, #word);
    COMMAND_TABLE(WORD)
#undef WORD
#define BOUNDS(name, type, field, key, older, value, least, most, ...) \
    if (type == IntSetting) {                                          \
        printBound(out, least);                                        \
        printBound(out, most);                                         \
    }
    SETTING_ROWS(BOUNDS)
#undef BOUNDS
    return fclose(out) == 0 ? 0 : 1;
}
