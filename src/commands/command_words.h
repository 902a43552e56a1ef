// The words of the shell's broadcast command strings and the numbers they
// carry: pure text handling, shared by the dispatcher and the fuzz targets.
#pragma once

enum CommandId {
    CmdNone,
    CmdAbout,
    CmdStyleType,
    CmdWidthSize,
    CmdHeightSize,
    CmdEdgeSize,
    CmdFontSize,
    CmdFontFace,
    CmdFilePath,
    CmdReadBufferSize,
    CmdReloadInterval,
    CmdPluginToggle,
    CmdOnTop,
    CmdInSlit,
    CmdTransparent,
    CmdAlphaValue,
    CmdSnapToEdge,
    CmdShowBorder,
    CmdShowScroll,
    CmdLockPosition,
    CmdWordWrap,
    CmdAutoHide,
    CmdAutoReload,
    CmdFontColor,
    CmdBackColor,
    CmdSetFont,
    CmdEditRC,
    CmdReloadSettings,
    CmdSaveSettings,
    CmdSetFocus,
    CmdEncoding,
};

struct CommandMatch {
    CommandId id;
    // For words that take one: the text one character behind the word.
    const char* argument;
};

// Matches a whole command text. Texts without the plugin's prefix, unknown
// words, and words that take an argument but end the text give CmdNone.
CommandMatch matchCommand(const char* text);

// Reads a number as atoi does, saturating instead of overflowing.
int readNumber(const char* text);
