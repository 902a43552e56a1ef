#include "menu_layout.h"

#include "styles.h"

static const int MaximumWidth = 360;
static const int Inset = 6;        // text from the row's edges
static const int MarkArea = 18;    // left of an item's title, for the check mark
static const int MarkSize = 7;
static const int ArrowArea = 14;   // right of a submenu's title
static const int SeparatorHeight = 7;
static const int MinimumEditorWidth = 48;

HFONT menuFont() { return (HFONT)GetStockObject(DEFAULT_GUI_FONT); }

static int lineHeight() {
    HDC dc = GetDC(NULL);
    HGDIOBJ kept = SelectObject(dc, menuFont());
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, kept);
    ReleaseDC(NULL, dc);
    return metrics.tmHeight;
}

static int textWidth(HDC dc, const std::string& text) {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &size);
    return size.cx;
}

static int titleHeight(int line) { return line + 8; }

static bool isLine(const ShellItem& item) { return item.kind == ItemSeparator && item.title.empty(); }

static int rowHeight(const ShellItem& item, int line) {
    return isLine(item) ? SeparatorHeight : line + 6;
}

std::string valueText(const ShellItem& item) {
    if (item.kind == ItemNumber) return std::to_string(item.value);
    if (item.kind == ItemText) return item.text;
    return "";
}

// Right of the title: the value, and for a number or text item at least
// room for the field it is edited in, so that the field leaves the title
// in sight.
static int valueArea(HDC dc, const ShellItem& item) {
    if (item.kind != ItemNumber && item.kind != ItemText) return 0;
    int width = textWidth(dc, valueText(item));
    return Inset + (width > MinimumEditorWidth ? width : MinimumEditorWidth);
}

SIZE menuSize(const ShellMenu& menu) {
    int line = lineHeight();
    HDC dc = GetDC(NULL);
    HGDIOBJ kept = SelectObject(dc, menuFont());
    int width = textWidth(dc, menu.title) + 2 * Inset;
    int height = titleHeight(line) + 2;
    for (const ShellItem& item : menu.items) {
        int valueWidth = valueArea(dc, item);
        int itemWidth = MarkArea + textWidth(dc, item.title) + valueWidth + ArrowArea + Inset;
        if (itemWidth > width) width = itemWidth;
        height += rowHeight(item, line);
    }
    SelectObject(dc, kept);
    ReleaseDC(NULL, dc);
    SIZE size = {width < MaximumWidth ? width : MaximumWidth, height};
    return size;
}

RECT itemRect(const ShellMenu& menu, int item, int width) {
    int line = lineHeight();
    int top = titleHeight(line) + 1;
    for (int i = 0; i < item; ++i) top += rowHeight(menu.items[i], line);
    RECT row = {1, top, width - 1, top + rowHeight(menu.items[item], line)};
    return row;
}

RECT editorRect(const ShellItem& item, RECT row) {
    HDC dc = GetDC(NULL);
    HGDIOBJ kept = SelectObject(dc, menuFont());
    int left = row.left + MarkArea + textWidth(dc, item.title) + Inset;
    SelectObject(dc, kept);
    ReleaseDC(NULL, dc);
    // Only a title too long for the widest menu is partly covered.
    if (row.right - Inset - left < MinimumEditorWidth) left = row.right - Inset - MinimumEditorWidth;
    RECT field = {left, row.top + 1, row.right - Inset, row.bottom - 1};
    return field;
}

static void drawText(HDC dc, const std::string& text, RECT box, UINT alignment) {
    DrawTextA(dc, text.c_str(), (int)text.size(), &box,
              alignment | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

static void fillBox(HDC dc, RECT box, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
}

static void drawItem(HDC dc, const ShellItem& item, RECT row, bool hot) {
    const StyleRecord& frame = menuStyle(MenuFrameStyle);
    if (isLine(item)) {
        int middle = (row.top + row.bottom) / 2;
        RECT line = {row.left + Inset, middle, row.right - Inset, middle + 1};
        fillBox(dc, line, frame.borderColour);
        return;
    }
    const StyleRecord& style = hot ? menuStyle(MenuActiveStyle) : frame;
    if (hot) paintStyle(dc, row, style, false);
    SetTextColor(dc, style.textColour);
    int middle = (row.top + row.bottom) / 2;
    RECT mark = {row.left + Inset, middle - MarkSize / 2, row.left + Inset + MarkSize,
                 middle - MarkSize / 2 + MarkSize};
    if (item.checked) fillBox(dc, mark, style.textColour);
    RECT text = {row.left + MarkArea, row.top, row.right - ArrowArea, row.bottom};
    drawText(dc, item.title, text, DT_LEFT);
    RECT value = text;
    value.left += textWidth(dc, item.title) + Inset;
    if (value.left < value.right) drawText(dc, valueText(item), value, DT_RIGHT);
    RECT arrow = {row.right - ArrowArea, row.top, row.right - Inset / 2, row.bottom};
    if (item.kind == ItemSubmenu) drawText(dc, ">", arrow, DT_RIGHT);
}

void drawMenu(HDC dc, const ShellMenu& menu, int hot, RECT client) {
    HGDIOBJ kept = SelectObject(dc, menuFont());
    SetBkMode(dc, TRANSPARENT);
    RECT title = {0, 0, client.right, titleHeight(lineHeight())};
    RECT body = {0, title.bottom - 1, client.right, client.bottom};
    paintStyle(dc, body, menuStyle(MenuFrameStyle), true);
    paintStyle(dc, title, menuStyle(MenuTitleStyle), true);
    SetTextColor(dc, menuStyle(MenuTitleStyle).textColour);
    RECT titleText = {Inset, 0, client.right - Inset, title.bottom};
    drawText(dc, menu.title, titleText, DT_LEFT);
    for (int i = 0; i < (int)menu.items.size(); ++i) {
        drawItem(dc, menu.items[i], itemRect(menu, i, client.right), i == hot);
    }
    SelectObject(dc, kept);
}
