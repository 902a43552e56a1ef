// The viewer window: a borderless popup holding the text pane, whose whole
// frame is a drag handle.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "text/status_text.h"

const UINT_PTR AutoHideTimer = 1;
const UINT AutoHidePeriod = 300;
const UINT_PTR ReloadTimer = 2;
// Runs only while no reader thread is free for the watched file.
const UINT_PTR ReaderRetryTimer = 3;
// Looks whether the user changed the settings file on disk.
const UINT_PTR SettingsCheckTimer = 7;
const UINT SettingsCheckPeriod = 2000;
// Posted by a file reader when a late answer is ready; wParam is the
// source whose answer it is.
const UINT FileAnsweredMessage = WM_APP + 1;

// The configuration menu, the commands (src/commands) and the file tail
// loader (src/tail) lie above the viewer: the window reaches them through
// these calls, which the plugin connects at its start, and the viewer
// includes nothing of theirs.
enum MenuRequest { OpenMenu, RefreshMenu, ReleaseMenu };
struct CallsAbove {
    void (*menu)(MenuRequest request);  // an open menu shows the values anew
    LRESULT (*command)(LPARAM text);    // a command text, as the shell sends it
    void (*settingsCheck)();            // the settings check timer's work
    void (*startWatching)(HWND viewer); // the pane is made: the files are shown
    void (*reload)();                   // the reload timer's work
    void (*answered)(uint32_t source);  // a reader's late answer has come
    void (*retryReaders)();             // the reader retry timer's work
    // What the sources say of themselves, and the settings that are off,
    // for the status line (text/status_text.h); reasons may be null.
    uint32_t (*describeSources)(SourceStatus* statuses, WCHAR* reasons, uint32_t reasonSize);
    uint32_t (*offSettings)(OffSetting* offs, uint32_t capacity);
    void (*viewMoved)();  // the view may be back at the end: what waited for it is shown
};
extern CallsAbove callsAbove;
void askMenu(MenuRequest request);

LRESULT CALLBACK viewerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The one way the window's size changes, applied where the window is
// placed. Returns false, doing nothing, when the requested size is the
// stored one.
bool setWindowSize(int newWidth, int newHeight);
// Places the window for its stored place and size on the monitors there are
// (the slit places a docked one), and lays the pane out in it.
void applyWindowPlacement();
// Sends WM_SIZE as the system does, with the client area's size, so that the
// pane is laid out again.
void sendSizeMessage(HWND window);

// The reload timer's period: reloadInterval seconds, at least one, without overflow.
UINT reloadPeriod();
// Starts the reload timer, or restarts it with the current period.
void startReloadTimer();
// Runs the reload timer while autoReload is on, with the current period.
void applyReloadTimer();

// Held while one of the pane's scroll bars is pressed: reloads due meanwhile
// run when the hold ends.
void holdReloads(bool hold);
// Whether a reload or a reader's answer waits for the release.
bool heldForRelease();

// Key test shared with the pane: a modifier counts as down when its key
// state masked with 0xF0 is non-zero.
bool modifierDown(int virtualKey);
