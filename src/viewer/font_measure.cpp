#include "viewer/font_measure.h"

#include "settings/state.h"

static uint32_t fitInWidth(void* context, const WideChar* text, uint32_t length) {
    const FontMeasure& measure = *(const FontMeasure*)context;
    int fit = 0;
    SIZE size;
    if (!GetTextExtentExPointW(measure.dc, text, (int)length, measure.width, &fit, NULL, &size)) {
        return length;
    }
    return (uint32_t)fit;
}

void startFontMeasure(FontMeasure* measure, HWND window, int width) {
    measure->window = window;
    measure->dc = GetDC(window);
    measure->kept = SelectObject(measure->dc, state.paneFont);
    measure->width = width;
    measure->fit.context = measure;
    measure->fit.fit = fitInWidth;
}

void endFontMeasure(FontMeasure* measure) {
    SelectObject(measure->dc, measure->kept);
    ReleaseDC(measure->window, measure->dc);
}
