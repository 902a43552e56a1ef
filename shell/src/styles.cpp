#include "styles.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings_store.h"

static StyleRecord styles[7];
static const char* const styleNames[7] = {"", "toolbar", "button", "buttonp", "label", "winlabel", "clock"};

static void setStyle(int index, int gradient, COLORREF colour, COLORREF colourTo, COLORREF border,
                     int borderWidth) {
    StyleRecord& style = styles[index];
    memset(&style, 0, sizeof style);
    style.gradient = gradient;
    style.colour = colour;
    style.colourTo = colourTo;
    style.borderColour = border;
    style.borderWidth = borderWidth;
    snprintf(style.name, sizeof style.name, "%s", styleNames[index]);
}

void loadBuiltInStyles() {
    setStyle(1, GradientVertical, RGB(74, 84, 104), RGB(38, 44, 58), RGB(20, 22, 30), 1);
    setStyle(2, GradientVertical, RGB(222, 226, 232), RGB(176, 184, 196), RGB(90, 96, 110), 1);
    setStyle(3, GradientVertical, RGB(150, 160, 178), RGB(206, 212, 222), RGB(60, 66, 80), 1);
    setStyle(4, GradientFlat, RGB(236, 232, 216), RGB(236, 232, 216), RGB(120, 116, 100), 1);
    setStyle(5, GradientHorizontal, RGB(40, 88, 150), RGB(92, 140, 200), RGB(20, 44, 80), 2);
    setStyle(6, GradientHorizontal, RGB(30, 30, 30), RGB(70, 70, 70), RGB(0, 0, 0), 1);
}

static bool parseColour(const std::string& text, COLORREF* colour) {
    unsigned r, g, b;
    char extra;
    if (sscanf(text.c_str(), "#%2x%2x%2x%c", &r, &g, &b, &extra) != 3) return false;
    *colour = RGB(r, g, b);
    return true;
}

static void overrideStyle(const char* path, int index) {
    StyleRecord& style = styles[index];
    std::string name = styleNames[index];
    std::string value;
    if (storeRead(path, (name + ".appearance").c_str(), &value)) {
        if (_stricmp(value.c_str(), "flat") == 0) style.gradient = GradientFlat;
        if (_stricmp(value.c_str(), "horizontal") == 0) style.gradient = GradientHorizontal;
        if (_stricmp(value.c_str(), "vertical") == 0) style.gradient = GradientVertical;
    }
    if (storeRead(path, (name + ".color").c_str(), &value)) parseColour(value, &style.colour);
    if (storeRead(path, (name + ".colorTo").c_str(), &value)) parseColour(value, &style.colourTo);
    if (storeRead(path, (name + ".borderColor").c_str(), &value)) {
        parseColour(value, &style.borderColour);
    }
    if (storeRead(path, (name + ".borderWidth").c_str(), &value)) {
        int width = atoi(value.c_str());
        if (width >= 0 && width <= 20) style.borderWidth = width;
    }
}

void loadStyleFile(const char* path) {
    for (int index = 1; index <= 6; ++index) overrideStyle(path, index);
}

StyleRecord* styleRecord(int index) {
    if (index < 1 || index > 6) return NULL;
    return &styles[index];
}

static BYTE blend(BYTE from, BYTE to, int step, int steps) {
    return (BYTE)(from + (to - from) * step / (steps > 1 ? steps - 1 : 1));
}

static COLORREF blendColour(COLORREF from, COLORREF to, int step, int steps) {
    return RGB(blend(GetRValue(from), GetRValue(to), step, steps),
               blend(GetGValue(from), GetGValue(to), step, steps),
               blend(GetBValue(from), GetBValue(to), step, steps));
}

static void fillColour(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// One band of colour per pixel column or row.
static void paintGradient(HDC dc, const RECT& rect, const StyleRecord& style) {
    bool horizontal = style.gradient == GradientHorizontal;
    int steps = horizontal ? rect.right - rect.left : rect.bottom - rect.top;
    for (int step = 0; step < steps; ++step) {
        RECT band = rect;
        if (horizontal) {
            band.left = rect.left + step;
            band.right = band.left + 1;
        } else {
            band.top = rect.top + step;
            band.bottom = band.top + 1;
        }
        fillColour(dc, band, blendColour(style.colour, style.colourTo, step, steps));
    }
}

static void paintBorder(HDC dc, const RECT& rect, const StyleRecord& style) {
    HBRUSH brush = CreateSolidBrush(style.borderColour);
    RECT frame = rect;
    for (int i = 0; i < style.borderWidth && frame.left < frame.right && frame.top < frame.bottom; ++i) {
        FrameRect(dc, &frame, brush);
        InflateRect(&frame, -1, -1);
    }
    DeleteObject(brush);
}

void paintStyle(HDC dc, const RECT& rect, const StyleRecord& style, bool border) {
    if (style.gradient == GradientFlat) {
        fillColour(dc, rect, style.colour);
    } else {
        paintGradient(dc, rect, style);
    }
    if (border) paintBorder(dc, rect, style);
}
