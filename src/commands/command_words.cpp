#include "commands/command_words.h"

#include <stddef.h>

#include "settings/text.h"

static const char CommandPrefix[] = "@QVPeruser";
static const int CommandPrefixLength = 10;
static const int Whole = 0;

struct CommandWord {
    const char* word;
    int firstN;  // Whole: nothing may follow the word
    CommandId id;
};

// In test order: no word matched by its first characters begins a later word.
static const CommandWord commandTable[] = {
    {"About", Whole, CmdAbout},
    {"StyleType", 9, CmdStyleType},
    {"WidthSize", 9, CmdWidthSize},
    {"HeightSize", 10, CmdHeightSize},
    {"EdgeSize", 8, CmdEdgeSize},
    {"FontSize", 8, CmdFontSize},
    {"FontFace", 8, CmdFontFace},
    {"FilePath", 8, CmdFilePath},
    {"ReadBufferSize", 14, CmdReadBufferSize},
    {"ReloadInterval", 14, CmdReloadInterval},
    {"PluginToggle", Whole, CmdPluginToggle},
    {"OnTop", Whole, CmdOnTop},
    {"InSlit", Whole, CmdInSlit},
    {"Transparent", Whole, CmdTransparent},
    {"AlphaValue", 10, CmdAlphaValue},
    {"SnapToEdge", Whole, CmdSnapToEdge},
    {"ShowBorder", Whole, CmdShowBorder},
    {"ShowScroll", Whole, CmdShowScroll},
    {"LockPosition", Whole, CmdLockPosition},
    {"WordWrap", Whole, CmdWordWrap},
    {"AutoHide", Whole, CmdAutoHide},
    {"AutoReload", Whole, CmdAutoReload},
    {"FontColor", Whole, CmdFontColor},
    {"BackColor", Whole, CmdBackColor},
    {"SetFont", Whole, CmdSetFont},
    {"EditRC", Whole, CmdEditRC},
    {"ReloadSettings", Whole, CmdReloadSettings},
    {"SaveSettings", Whole, CmdSaveSettings},
    {"SetFocus", Whole, CmdSetFocus},
    {"Encoding", 8, CmdEncoding},
};

CommandMatch matchCommand(const char* text) {
    CommandMatch match = {CmdNone, NULL};
    if (!startsWithIgnoringCase(text, CommandPrefix)) return match;
    const char* remainder = text + CommandPrefixLength;
    for (const CommandWord& row : commandTable) {
        if (row.firstN == Whole) {
            if (!equalsIgnoringCase(remainder, row.word)) continue;
        } else {
            if (!startsWithIgnoringCase(remainder, row.word)) continue;
            // A word whose argument would start past the end changes nothing.
            if (remainder[row.firstN] == 0) return match;
            // The one separator character is skipped unexamined.
            match.argument = remainder + row.firstN + 1;
        }
        match.id = row.id;
        return match;
    }
    return match;
}

int readNumber(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
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
