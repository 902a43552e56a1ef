// The file tail loader: puts the end of the watched file into the text pane.
#pragma once

#include <windows.h>

#include "tail/tail_range.h"
#include "tail/text_decoding.h"

void reloadFileTail();

// Makes the next reload show the file whatever its time and size.
void forgetWatchedFile();

// The system's code pages, for the tail decoder.
extern const CodePageConverter systemCodePages;
