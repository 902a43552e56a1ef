// The plugin's one state record: the persistent settings and the runtime
// handles and flags that every part of the plugin shares.
#pragma once

#include <windows.h>

#include "host/host.h"
#include "settings/buffer_sizes.h"
#include "tail/file_reader.h"
#include "tail/text_decoding.h"

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
    // A scroll bar of the pane is pressed; a reload tick or a reader's answer
    // came meanwhile and waits for the release.
    bool scrollBarPressed;
    bool reloadHeld;
    bool answerHeld;
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
    bool askedForced;          // the request with the reader is a forced reload
    bool forcedReloadWaiting;  // asked for while the reader was busy
    Menu* mainMenu;
    Menu* configMenu;
    Menu* windowMenu;
    Menu* formatMenu;
    Menu* fontMenu;
    Menu* styleMenu;
    Menu* settingsMenu;
    char rcPath[RcPathSize];
};

extern PluginState state;

// The slit places the window only while the settings say so and the shell
// gave the plugin a slit: a start without one keeps the stored setting for a
// later start, and the window floats meanwhile.
inline bool windowDocked() { return state.inSlit && state.slitWnd != NULL; }
