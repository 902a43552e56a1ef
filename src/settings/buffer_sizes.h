// Capacities of the character buffers in the plugin's state record, each
// counting the terminating zero.
#pragma once

const int FontNameSize = 256;
const int FilePathSize = 1024;
const int ResolvedPathSize = 1028;
const int TextBufferSize = 32768;
const int RcPathSize = 260;
