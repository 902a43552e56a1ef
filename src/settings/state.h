// The plugin's one state record: the persistent settings and the runtime
// handles and flags that every part of the plugin shares.
#pragma once

#include <windows.h>

#include "host/host.h"
#include "settings/buffer_sizes.h"
#include "tail/file_reader.h"
#include "tail/text_decoding.h"
#include "viewer/line_marks.h"

// Which bytes of which file the pane's text was decoded from, and how;
// invalid when the pane holds anything else.
struct ShownTail {
    bool valid;
    FileIdentity file;
    ULONGLONG offset;
    ULONGLONG end;
    Encoding encoding;
    ByteOrderMark mark;
    // The last bytes shown, read again before an append to tell a file that
    // grew from one truncated and written anew.
    uint8_t lastBytes[8];
    uint32_t lastByteCount;
};

struct PluginState {
    // Persistent settings, in the order they are read and written.
    int x;
    int y;
    int width;
    int height;
    int edgeSize;
    int fontHeight;
    int alpha;
    int styleType;
    int reloadInterval;
    bool alwaysontop;
    bool transparency;
    bool snapWindow;
    bool pluginToggle;
    bool inSlit;
    bool showBorder;
    bool showScroll;
    bool lockPos;
    bool wordWrap;
    bool autoHide;
    bool autoReload;
    COLORREF fontColor;
    COLORREF backColor;
    char font[FontNameSize];
    char filePath[FilePathSize];
    int readBufferSize;
    char encoding[EncodingNameSize];
    bool highlight;
    char highlightRules[ColourRuleCount][HighlightRuleSize];

    // Runtime state, never stored.
    HINSTANCE hInstance;
    HWND hostWnd;
    HWND viewerWnd;
    HWND slitWnd;
    OSVERSIONINFOA osVersion;
    bool canLayer;
    int screenWidth;
    int screenHeight;
    HWND paneWnd;
    WNDPROC oldPaneProc;
    HFONT paneFont;
    HBRUSH backBrush;
    unsigned char styleItem[StyleRecordSize];
    bool hidden;
    bool paneFocused;
    // The pane's longest line in characters, for the horizontal scroll bar,
    // and its font's line height and average character width in pixels.
    int longestPaneLine;
    int paneLineHeight;
    int paneCharWidth;
    FILETIME lastWriteTime;
    // Size of the watched file at the latest reload; zero whenever lastWriteTime is.
    ULONGLONG lastFileSize;
    char resolvedPath[ResolvedPathSize];
    char textBuffer[TextBufferSize];
    // The text the pane was last given, and the bytes of the file it shows.
    WCHAR displayText[DisplayTextSize];
    ShownTail shownTail;
    // The colour rules as compiled from highlightRules, and which rule picks
    // each line of the pane's text; see viewer/pane_colours.h.
    ColourRule colourRules[ColourRuleCount];
    LineMarks lineMarks;
    bool settingPaneText;   // the plugin is giving the pane its text
    bool paintingPane;      // the pane's own paint, or ours, is under way
    bool paintingRule;      // ... ours, of the rows of one colour:
    COLORREF ruleColour;
    bool paneDrewAtOnce;    // the control drew outside a paint
    bool askedForced;          // the request with the reader is a forced reload
    bool forcedReloadWaiting;  // asked for while the reader was busy
    Menu* mainMenu;
    Menu* configMenu;
    Menu* windowMenu;
    Menu* formatMenu;
    Menu* fontMenu;
    Menu* styleMenu;
    Menu* settingsMenu;
    Menu* highlightMenu;
    char highlightTitles[ColourRuleCount][64];
    char rcPath[RcPathSize];
};

extern PluginState state;
