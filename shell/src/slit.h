// The slit: a window docked at the right edge of the primary monitor that
// takes plugin windows in as children, stacked from top to bottom.
#pragma once

#include <windows.h>

HWND createSlit(HINSTANCE instance);
void destroySlit();
HWND slitWindow();
