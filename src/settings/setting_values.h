// Corrections made to values read from the settings file, free of any
// window or file.
#pragma once

const int FallbackPosition = 10;

// A position saved on a larger screen would leave the window out of reach:
// one at or beyond the screen's extent falls back to 10. Negative positions
// are left alone.
int positionOnScreen(int position, int screenExtent);
