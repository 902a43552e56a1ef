// Capacities of the character buffers in the plugin's state record, each
// counting the terminating zero.
#pragma once

const int FontNameSize = 256;
const int FilePathSize = 1024;
const int ResolvedPathSize = 1028;
const int TextBufferSize = 32768;
const int RcPathSize = 260;
const int EncodingNameSize = 32;
// The pane's text: every byte read may become a line break of two units.
const int DisplayTextSize = 2 * (TextBufferSize - 1) + 1;
// A line filter's pattern, as the settings file and commands give it.
const int FilterTextSize = 512;
