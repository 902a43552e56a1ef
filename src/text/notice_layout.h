// The lines of a notice that the pane shows in place of a file: as many as
// the pane's width needs, whether or not the pane wraps lines itself.
//
// A line feed in the notice ends a line. Where the rest of a line does not
// fit, it breaks after the last blank or path separator (backslash or slash)
// that fits, so that a path breaks between its folders; a word wider than
// the pane breaks where the width ends, never inside a surrogate pair, and
// a line always takes at least one character. Blanks at a break are left
// out; lines are joined with CR LF.
#pragma once

#include <stdint.h>

#include "text/text_decoding.h"

// How many of the units text[0, length) fit in the pane's width, counted
// from the first: the measure of the pane's font.
struct TextFit {
    void* context;
    uint32_t (*fit)(void* context, const WideChar* text, uint32_t length);
};

// Lays the zero-terminated notice out into out, cut to its capacity and
// zero-terminated; returns the units written before the zero.
uint32_t layOutNotice(const WideChar* notice, const TextFit& fit, WideChar* out, uint32_t capacity);
