// Auto-hide: a free-floating window flush against an edge of its monitor
// slides off that edge, leaving a one-pixel strip, when not in use.
#pragma once

#include <windows.h>

#include "text/autohide_edge.h"

// True when auto-hide applies and the placed window lies at an edge of its
// monitor; a given position is replaced by the hidden one while the window is
// hidden.
bool checkAutoHideEdge(POINT* position);
void applyAutoHidePosition();
// Starts the timer that settles a pending auto-hide decision.
void startAutoHideTimer();

// Events of the auto-hide state machine.
void onAutoHideTick();
void onPointerOverWindow();
void onMoveOrResizeEnded();
void onPaneFocused();
void onPaneFocusLost();
void onAutoHideSwitched();
void onLeftSlit();
