// A source's own memory: the text of its lines as decoded and the lines of
// its file just before them, in one piece. A source holds it while it
// shows lines of its own among several sources, sized by readBufferSize;
// alone, a source's file goes to the pane without it. It is taken and given
// back only when the sources or their settings change, never by a reload.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "tail/sources.h"

// The units of a source's text: the bytes the pane keeps of its file, each
// two units at most, held to what the most bytes a read shows decode to.
uint32_t sourceTextUnits(int readBufferSize);
// Memory for a text of textUnits and a look-back; what the source holds is
// kept when it has that size. False, the source holding none, when none
// could be taken.
bool holdSourceMemory(Source& source, uint32_t textUnits);
// Gives it back, and the source's lines in it with it.
void giveSourceMemoryBack(Source& source);
// The sources that hold memory of their own.
uint32_t sourceMemoriesHeld();
