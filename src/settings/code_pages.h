// The system's code pages, as the decoders take them (text/text_decoding.h):
// for the watched files and for settings text alike.
#pragma once

#include "text/text_decoding.h"

extern const CodePageConverter systemCodePages;
