// Writes the command target's dictionary from the command table: the prefix,
// the shell's own broadcasts and every command word.
#include <stdio.h>

#include "commands/command_words.h"

static void printEntry(FILE* out, const char* text) { fprintf(out, "\"%s\"\n", text); }

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
    return fclose(out) == 0 ? 0 : 1;
}
