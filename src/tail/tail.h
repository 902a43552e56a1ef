// The file tail loader: puts the end of the watched file into the text pane.
#pragma once

#include <windows.h>

#include "tail/tail_range.h"

void reloadFileTail();

// Makes the next reload show the file whatever its time and size.
void forgetWatchedFile();
