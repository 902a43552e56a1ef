// Capacities of the character buffers in the plugin's state record, each
// counting the terminating zero.
#pragma once

#include <stdint.h>

const int FontNameSize = 256;
const int FilePathSize = 1024;
const int ResolvedPathSize = 1028;
const int TextBufferSize = 32768;
// The most bytes of a file's end shown: readBufferSize is held to it.
const int MostShownBytes = TextBufferSize - 1;
const int RcPathSize = 260;
const int EncodingNameSize = 32;
// A colour rule's value. Far more than a usable rule may be long, so that a
// value cut to fit is still too long, never another rule.
const int HighlightRuleSize = 1024;
// A file's name within its folder, as a folder listing gives it.
const int FileNameCapacity = 260;
// "Showing " and a file's name in the ANSI code page, two bytes a character at most.
const int ShowingTitleSize = 8 + 2 * FileNameCapacity;
// The pane's text: every byte read may become a line break of two units.
const int DisplayTextSize = 2 * (TextBufferSize - 1) + 1;
// The bytes before a file's end looked back at for an entry's first line
// (text/entries.h: EntryLookBackBytes), decoded.
const int LookBackTextSize = 2 * 16 * 1024 + 1;
// A line filter's pattern, as the settings file and commands give it.
const int FilterTextSize = 512;
// The pane's whole text: appends let it hold up to DisplayTextSize - 1 bytes
// of the file, each of which may become two units.
const int PaneTextSize = 2 * (DisplayTextSize - 1) + 1;
// A notice shown in place of the file, as composed (a reason and a path)
// and as laid out in lines that fit the pane.
const int NoticeCapacity = 4096;
const int NoticeLinesCapacity = 2 * NoticeCapacity;
// The files one window may watch at once.
const uint32_t MostSources = 4;
// A source's label setting ("#RRGGBB LABEL"), and a source's setting
// ("#RRGGBB LABEL PATH"): a path and room for the rest.
const int LabelSettingSize = 64;
const int SourceSettingSize = FilePathSize + LabelSettingSize;
// The status line's text: an entry for each source and the lines below.
const int StatusTextSize = 2048;
