// The plugin's command vocabulary, written once: every word of the shell's
// broadcast command strings, the argument it takes and the function that
// carries it out. The dispatcher takes the functions from it, the menu its
// command strings, the fuzz target, its dictionary and the tests the words.
// It needs no windows, so that the fuzz targets build it natively.
#pragma once

// In test order: no word that takes an argument begins a later word. A word
// that sets a setting (setSetting) is named by that setting's row
// (settings/setting_rows.h), which gives what it sets and the step that
// applies it.
#define COMMAND_TABLE(ROW)                                    \
    ROW(About, NoArgument, showAbout)                         \
    ROW(StyleType, NumberArgument, setSetting)                \
    ROW(WidthSize, NumberArgument, setSetting)                \
    ROW(HeightSize, NumberArgument, setSetting)               \
    ROW(EdgeSize, NumberArgument, setSetting)                 \
    ROW(FontSize, NumberArgument, setSetting)                 \
    ROW(FontFace, TextArgument, setSetting)                   \
    ROW(FilePath, TextArgument, setSetting)                   \
    ROW(ReadBufferSize, NumberArgument, setSetting)           \
    ROW(ReloadInterval, NumberArgument, setSetting)           \
    ROW(Rescan, NumberArgument, setSetting)                   \
    ROW(PluginToggle, NoArgument, setSetting)                 \
    ROW(OnTop, NoArgument, setSetting)                        \
    ROW(InSlit, NoArgument, toggleInSlit)                     \
    ROW(Transparent, NoArgument, setSetting)                  \
    ROW(AlphaValue, NumberArgument, setSetting)               \
    ROW(SnapToEdge, NoArgument, setSetting)                   \
    ROW(ShowBorder, NoArgument, setSetting)                   \
    ROW(ShowScroll, NoArgument, setSetting)                   \
    ROW(LockPosition, NoArgument, setSetting)                 \
    ROW(WordWrap, NoArgument, setSetting)                     \
    ROW(AutoHide, NoArgument, setSetting)                     \
    ROW(AutoReload, NoArgument, setSetting)                   \
    ROW(FontColor, NoArgument, setSetting)                    \
    ROW(BackColor, NoArgument, setSetting)                    \
    ROW(SetFont, NoArgument, chooseFont)                      \
    ROW(EditRC, NoArgument, editSettings)                     \
    ROW(ReloadSettings, NoArgument, reloadSettingsNow)        \
    ROW(SaveSettings, NoArgument, saveSettingsNow)            \
    ROW(SetFocus, NoArgument, bringToFront)                   \
    ROW(Encoding, TextArgument, setSetting)                   \
    ROW(Lines, NumberArgument, setSetting)                    \
    ROW(FilterShow, OptionalTextArgument, setSetting)         \
    ROW(FilterHide, OptionalTextArgument, setSetting)         \
    ROW(ScanLimit, NumberArgument, setSetting)                \
    ROW(HighlightRule, TextArgument, setHighlightRule)        \
    ROW(HighlightLines, NoArgument, setSetting)               \
    ROW(Acknowledge, NoArgument, acknowledge)                 \
    ROW(AlertSound, NoArgument, setSetting)                   \
    ROW(AlertQuiet, NumberArgument, setSetting)               \
    ROW(HideOverFullscreen, NoArgument, setSetting)           \
    ROW(Source, TextArgument, setSource)                      \
    ROW(Label, OptionalTextArgument, setSetting)              \
    ROW(StatusLine, NoArgument, setSetting)                   \
    ROW(StaleAfter, NumberArgument, setSetting)               \
    ROW(StaleColor, TextArgument, setSetting)               \
    ROW(MultiLine, NoArgument, setSetting)                    \
    ROW(Activity, NoArgument, setSetting)                     \
    ROW(CollapseRepeats, NoArgument, setSetting)

// A whole command text, as the shell broadcasts it and a menu item sends it.
#define COMMAND_TEXT(word) "@QVPeruser" #word

const char CommandPrefix[] = "@QVPeruser";
const int CommandPrefixLength = sizeof CommandPrefix - 1;
// The shell's own broadcasts that the plugin answers.
const char ShowPluginsCommand[] = "@QVShowPlugins";
const char HidePluginsCommand[] = "@QVHidePlugins";

#define COMMAND_ID(word, argument, handler) Cmd##word,
enum CommandId { COMMAND_TABLE(COMMAND_ID) CommandCount, CmdNone = CommandCount };
#undef COMMAND_ID

// A word that takes an argument is followed by one separator character,
// skipped unexamined, and the argument. An optional text may be left out
// altogether: the word alone gives an empty text.
enum ArgumentKind { NoArgument, NumberArgument, TextArgument, OptionalTextArgument };

#define COMMAND_ARGUMENT(word, argument, handler) argument,
constexpr ArgumentKind commandArguments[CommandCount + 1] = {COMMAND_TABLE(COMMAND_ARGUMENT) NoArgument};
#undef COMMAND_ARGUMENT

struct CommandWord {
    const char* text;  // the whole command text; the word follows the prefix
    ArgumentKind argument;
};

extern const CommandWord commandWords[CommandCount];

inline const char* commandText(CommandId id) { return commandWords[id].text; }
inline const char* commandWord(CommandId id) { return commandWords[id].text + CommandPrefixLength; }

struct CommandMatch {
    CommandId id;
    // For words that take one: the text one character behind the word.
    const char* argument;
};

// Matches a whole command text. Texts without the plugin's prefix, unknown
// words, and words that take an argument but end the text give CmdNone,
// unless the argument is an optional text.
CommandMatch matchCommand(const char* text);

// Reads a number as atoi does, saturating instead of overflowing.
int readNumber(const char* text);

// The HighlightRule command's "N VALUE": the rule's number as readNumber
// reads it, and the value behind the number, blanks before it skipped.
const char* ruleValueOf(const char* argument, int* number);
