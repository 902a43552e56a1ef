#include "styles.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "settings_store.h"

static const int StyleCount = MenuActiveStyle + 1;
static StyleRecord styles[StyleCount];
static const char* const styleNames[StyleCount] = {
    "",      "toolbar", "button",     "buttonp",    "label",      "winlabel",
    "clock", "menu.title", "menu.frame", "menu.active"};

static void setStyle(int index, int gradient, COLORREF colour, COLORREF colourTo, COLORREF border,
                     int borderWidth, COLORREF text) {
    StyleRecord& style = styles[index];
    memset(&style, 0, sizeof style);
    style.gradient = gradient;
    style.colour = colour;
    style.colourTo = colourTo;
    style.borderColour = border;
    style.borderWidth = borderWidth;
    style.textColour = text;
    snprintf(style.name, sizeof style.name, "%s", styleNames[index]);
}

void loadBuiltInStyles() {
    const COLORREF light = RGB(240, 242, 246);
    const COLORREF dark = RGB(20, 22, 30);
    setStyle(1, GradientVertical, RGB(74, 84, 104), RGB(38, 44, 58), RGB(20, 22, 30), 1, light);
    setStyle(2, GradientVertical, RGB(222, 226, 232), RGB(176, 184, 196), RGB(90, 96, 110), 1, dark);
    setStyle(3, GradientVertical, RGB(150, 160, 178), RGB(206, 212, 222), RGB(60, 66, 80), 1, dark);
    setStyle(4, GradientFlat, RGB(236, 232, 216), RGB(236, 232, 216), RGB(120, 116, 100), 1, dark);
    setStyle(5, GradientHorizontal, RGB(40, 88, 150), RGB(92, 140, 200), RGB(20, 44, 80), 2, light);
    setStyle(6, GradientHorizontal, RGB(30, 30, 30), RGB(70, 70, 70), RGB(0, 0, 0), 1, light);
    setStyle(MenuTitleStyle, GradientVertical, RGB(74, 84, 104), RGB(38, 44, 58), RGB(20, 22, 30),
             1, light);
    setStyle(MenuFrameStyle, GradientFlat, RGB(236, 238, 242), RGB(236, 238, 242),
             RGB(90, 96, 110), 1, dark);
    setStyle(MenuActiveStyle, GradientVertical, RGB(92, 140, 200), RGB(40, 88, 150),
             RGB(20, 44, 80), 0, light);
}

bool parseColour(const char* text, COLORREF* colour) {
    unsigned r, g, b;
    char extra;
    if (text[0] == '#') ++text;
    if (sscanf(text, "%2x%2x%2x%c", &r, &g, &b, &extra) != 3) return false;
    *colour = RGB(r, g, b);
    return true;
}

static void overrideColour(const char* path, const std::string& key, COLORREF* colour) {
    std::string value;
    if (storeRead(path, key.c_str(), &value)) parseColour(value.c_str(), colour);
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
    overrideColour(path, name + ".color", &style.colour);
    overrideColour(path, name + ".colorTo", &style.colourTo);
    overrideColour(path, name + ".borderColor", &style.borderColour);
    overrideColour(path, name + ".textColor", &style.textColour);
    if (storeRead(path, (name + ".borderWidth").c_str(), &value)) {
        int width = atoi(value.c_str());
        if (width >= 0 && width <= 20) style.borderWidth = width;
    }
}

void loadStyleFile(const char* path) {
    for (int index = 1; index < StyleCount; ++index) overrideStyle(path, index);
}

StyleRecord* styleRecord(int index) {
    if (index < 1 || index > 6) return NULL;
    return &styles[index];
}

const StyleRecord& menuStyle(MenuStyle part) { return styles[part]; }

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
