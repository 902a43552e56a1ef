// The shell's style records: the six that plugins copy (1 Toolbar .. 6
// Clock), the three its menus are drawn in, and their painting.
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
    COLORREF textColour;
    char name[16];
    char unused[260 - 6 * 4 - 16];
};
static_assert(sizeof(StyleRecord) == 260, "a style record is 260 bytes");

enum MenuStyle { MenuTitleStyle = 7, MenuFrameStyle, MenuActiveStyle };

void loadBuiltInStyles();
// Overrides the built-in records with "name.key: value" lines of a style file
// (names toolbar, button, buttonp, label, winlabel, clock, menu.title,
// menu.frame, menu.active; keys appearance flat|horizontal|vertical, color,
// colorTo, borderColor, borderWidth, textColor).
void loadStyleFile(const char* path);
// The record a plugin may copy, for index 1..6, else NULL.
StyleRecord* styleRecord(int index);
const StyleRecord& menuStyle(MenuStyle part);
// "#rrggbb", with or without the '#'.
bool parseColour(const char* text, COLORREF* colour);
void paintStyle(HDC dc, const RECT& rect, const StyleRecord& style, bool border);
