#include "commands/command_words.h"

#include <stddef.h>

#include "settings/text.h"

#define COMMAND_WORD(word, argument, handler) {COMMAND_TEXT(word), argument},
const CommandWord commandWords[CommandCount] = {COMMAND_TABLE(COMMAND_WORD)};
#undef COMMAND_WORD

CommandMatch matchCommand(const char* text) {
    CommandMatch match = {CmdNone, NULL};
    if (!startsWithIgnoringCase(text, CommandPrefix)) return match;
    const char* remainder = text + CommandPrefixLength;
    for (int id = 0; id < CommandCount; ++id) {
        const char* word = commandWord((CommandId)id);
        if (commandWords[id].argument == NoArgument) {
            if (!equalsIgnoringCase(remainder, word)) continue;
        } else {
            if (!startsWithIgnoringCase(remainder, word)) continue;
            int length = textLength(word);
            // A word whose argument would start past the end changes nothing.
            bool optional = commandWords[id].argument == OptionalTextArgument;
            if (remainder[length] == 0 && !optional) return match;
            match.argument = remainder + length + (remainder[length] == 0 ? 0 : 1);
        }
        match.id = (CommandId)id;
        return match;
    }
    return match;
}

static bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int readNumber(const char* text) {
    while (isSpace(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    long long value = 0;
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > limit) value = limit;
    }
    return (int)(negative ? -value : value);
}

const char* ruleValueOf(const char* argument, int* number) {
    *number = readNumber(argument);
    while (isSpace(*argument)) ++argument;
    if (*argument == '-' || *argument == '+') ++argument;
    while (*argument >= '0' && *argument <= '9') ++argument;
    while (*argument == ' ' || *argument == '\t') ++argument;
    return argument;
}
