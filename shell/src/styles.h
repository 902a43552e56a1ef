// The shell's six style records (1 Toolbar .. 6 Clock) and their painting.
#pragma once

#include <windows.h>

enum Gradient { GradientFlat = 0, GradientHorizontal = 1, GradientVertical = 2 };

// What a plugin copies as 260 opaque bytes.
struct StyleRecord {
    int gradient;
    COLORREF colour;
    COLORREF colourTo;
    COLORREF borderColour;
    int borderWidth;
    char name[16];
    char unused[260 - 5 * 4 - 16];
};
static_assert(sizeof(StyleRecord) == 260, "a style record is 260 bytes");

void loadBuiltInStyles();
// Overrides the built-in records with "name.key: value" lines of a style file
// (names toolbar, button, buttonp, label, winlabel, clock; keys appearance
// flat|horizontal|vertical, color, colorTo, borderColor, borderWidth).
void loadStyleFile(const char* path);
// The record for index 1..6, else NULL.
StyleRecord* styleRecord(int index);
void paintStyle(HDC dc, const RECT& rect, const StyleRecord& style, bool border);
