// The plugin's command vocabulary, written once: every word of the shell's
// broadcast command strings, the argument it takes and the function that
// carries it out. The dispatcher takes the functions from it, the menu its
// command strings, the fuzz target, its dictionary and the tests the words.
// It needs no windows, so that the fuzz targets build it natively.
#pragma once

// In test order: no word that takes an argument begins a later word.
#define COMMAND_TABLE(ROW)                                 \
    ROW(About, NoArgument, showAbout)                      \
    ROW(StyleType, NumberArgument, setStyleType)           \
    ROW(WidthSize, NumberArgument, setWidth)               \
    ROW(HeightSize, NumberArgument, setHeight)             \
    ROW(EdgeSize, NumberArgument, setEdgeSize)             \
    ROW(FontSize, NumberArgument, setFontHeight)           \
    ROW(FontFace, TextArgument, setFontFace)               \
    ROW(FilePath, TextArgument, setFilePath)               \
    ROW(ReadBufferSize, NumberArgument, setReadBufferSize) \
    ROW(ReloadInterval, NumberArgument, setReloadInterval) \
    ROW(Rescan, NumberArgument, setRescan)                 \
    ROW(PluginToggle, NoArgument, togglePluginToggle)      \
    ROW(OnTop, NoArgument, toggleOnTop)                    \
    ROW(InSlit, NoArgument, toggleInSlit)                  \
    ROW(Transparent, NoArgument, toggleTransparency)       \
    ROW(AlphaValue, NumberArgument, setAlpha)              \
    ROW(SnapToEdge, NoArgument, toggleSnapToEdge)          \
    ROW(ShowBorder, NoArgument, toggleShowBorder)          \
    ROW(ShowScroll, NoArgument, toggleShowScroll)          \
    ROW(LockPosition, NoArgument, toggleLockPosition)      \
    ROW(WordWrap, NoArgument, toggleWordWrap)              \
    ROW(AutoHide, NoArgument, toggleAutoHide)              \
    ROW(AutoReload, NoArgument, toggleAutoReload)          \
    ROW(FontColor, NoArgument, chooseFontColour)           \
    ROW(BackColor, NoArgument, chooseBackColour)           \
    ROW(SetFont, NoArgument, chooseFont)                   \
    ROW(EditRC, NoArgument, editSettings)                  \
    ROW(ReloadSettings, NoArgument, reloadSettingsNow)     \
    ROW(SaveSettings, NoArgument, saveSettingsNow)         \
    ROW(SetFocus, NoArgument, bringToFront)                \
    ROW(Encoding, TextArgument, setEncoding)               \
    ROW(Lines, NumberArgument, setLines)                   \
    ROW(FilterShow, OptionalTextArgument, setFilterShow)   \
    ROW(FilterHide, OptionalTextArgument, setFilterHide)   \
    ROW(ScanLimit, NumberArgument, setScanLimit)           \
    ROW(HighlightRule, TextArgument, setHighlightRule)     \
    ROW(HighlightLines, NoArgument, toggleHighlightLines)  \
    ROW(Acknowledge, NoArgument, acknowledge)              \
    ROW(AlertSound, NoArgument, toggleAlertSound)          \
    ROW(AlertQuiet, NumberArgument, setAlertQuiet)         \
    ROW(HideOverFullscreen, NoArgument, toggleHideOverFullscreen) \
    ROW(Source, TextArgument, setSource)                   \
    ROW(Label, OptionalTextArgument, setLabel)             \
    ROW(StatusLine, NoArgument, toggleStatusLine)          \
    ROW(StaleAfter, NumberArgument, setStaleAfter)         \
    ROW(StaleColor, TextArgument, setStaleColor)           \
    ROW(MultiLine, NoArgument, toggleMultiLine)

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
