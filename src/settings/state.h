// The plugin's one state record: the persistent settings and the runtime
// handles and flags that every part of the plugin shares.
#pragma once

#include <windows.h>

#include "host/host.h"
#include "settings/buffer_sizes.h"
#include "text/text_decoding.h"
#include "text/line_choice.h"
#include "text/line_marks.h"
#include "text/merged_pane.h"
#include "text/source_value.h"
#include "text/placement_rule.h"

struct PluginState {
    // Persistent settings, each described by its row (settings/setting_rows.h).
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
    int lines;
    char filterShow[FilterTextSize];
    char filterHide[FilterTextSize];
    int scanLimit;
    bool highlight;
    char highlightRules[ColourRuleCount][HighlightRuleSize];
    bool alertSound;
    int alertQuiet;
    int rescan;  // seconds between listings of a pattern's folder
    bool hideOverFullscreen;
    char label[LabelSettingSize];  // of the first source
    char sourceSettings[MostSources - 1][SourceSettingSize];  // the second to fourth
    bool statusLine;
    int staleAfter;  // minutes without growth before a source counts as quiet; 0: never
    COLORREF staleColor;
    bool multiLine;  // lines are grouped into entries (text/entries.h)
    bool activity;   // the activity strip (viewer/activity_strip.h)
    bool collapseRepeats;  // a repeated entry is counted on the row above (text/repeats.h)

    // Runtime state, never stored.
    HINSTANCE hInstance;
    HWND hostWnd;
    HWND viewerWnd;
    HWND slitWnd;
    OSVERSIONINFOA osVersion;
    bool canLayer;
    // The virtual screen as last measured (at start, when the window was
    // last placed): a move while it differs is the system's, after a
    // display change, and not the user's.
    int screenLeft;
    int screenTop;
    int screenWidth;
    int screenHeight;
    int monitorCount;
    // Where the window is when not slid off: the stored place (x, y, width,
    // height), or where the placement rule put it while that place is not
    // wholly on the monitors.
    WindowPlace placed;
    // The monitor on which the user chose the place whose corner is
    // chosenAt; the rule keeps the window's distances from its edges. All
    // zero until a place is chosen.
    POINT chosenAt;
    EdgeRect chosenOn;
    bool placingWindow;  // the plugin moves the window itself: nothing is recorded
    // Out of the way of full-screen programs (viewer/fullscreen.h): the
    // hooks while watching, the foreground window whose program the two
    // program hooks follow, and whether the window is hidden for it.
    HWINEVENTHOOK foregroundHook;
    HWINEVENTHOOK foregroundProgramHooks[2];
    HWND watchedForeground;
    bool outOfTheWay;
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
    // The pane's longest line in characters, for the horizontal scroll bar,
    // and its font's line height and average character width in pixels.
    int longestPaneLine;
    int paneLineHeight;
    int paneCharWidth;
    // The lines shown, from the settings above.
    LineChoice lineChoice;
    PatternCheck filterShowCheck;
    PatternCheck filterHideCheck;
    // The colour rules as compiled from highlightRules, and which rule picks
    // each line of the pane's text; see viewer/pane_colours.h.
    ColourRule colourRules[ColourRuleCount];
    LineMarks lineMarks;
    // An alert waits to be acknowledged, for the first rule that raised it.
    bool alerting;
    int alertRule;
    bool alertSounded;
    DWORD lastAlertSound;
    // The notice shown in place of the file, as composed and as laid out
    // in the pane's lines (tail/notices.h).
    WCHAR noticeText[NoticeCapacity];
    WCHAR noticeLines[NoticeLinesCapacity];
    WCHAR paneTextRead[PaneTextSize];  // the pane's text read back to be marked anew
    bool settingPaneText;   // the plugin is giving the pane its text
    bool paneDrewAtOnce;    // the control drew outside a paint
    char showingTitle[ShowingTitleSize];
    char rcPath[RcPathSize];
    // The settings file's write time and size as the plugin last read or
    // wrote it: a file found otherwise was changed by someone else.
    ULONGLONG settingsTime;
    ULONGLONG settingsSize;
    // The status line under the pane (viewer/status_line.h): its window, the
    // text it shows, the lines that arrived below the view since the reader
    // left the end, and whether a source is quiet, which tints the frame.
    HWND statusWnd;
    WCHAR statusText[StatusTextSize];
    uint32_t linesBelow;
    bool moreLinesBelow;  // more than linesBelow: a growth too large to count
    bool sourceQuiet;
};

extern PluginState state;

// The slit places the window only while the settings say so and the shell
// gave the plugin a slit: a start without one keeps the stored setting for a
// later start, and the window floats meanwhile.
inline bool windowDocked() { return state.inSlit && state.slitWnd != NULL; }

// How the pane's lines are grouped into entries now.
inline EntryGrouping entryGrouping() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    EntryGrouping grouping = {state.multiLine, now.wYear};
    return grouping;
}
