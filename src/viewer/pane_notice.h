// A notice in place of the pane's text (tail/notices.h composes it): laid
// out in as many lines as the pane's width needs (text/notice_layout.h),
// and kept as composed and as laid out, so that a new width or font lays it
// out again while the pane still shows it.
#pragma once

#include <windows.h>

// Shows the notice, written only when the pane does not show it already, so
// that a user's selection survives.
void showPaneNotice(const WCHAR* notice);
// After the pane's width or font changed: the notice it shows, laid out anew.
void refitNotice();
