// Collapse Repeats against the real pane: a repeat's count changes in place,
// and `lines` counts a collapsed row once.
#include <string>

#include "support/plugin_fixture.h"

namespace {

class RepeatsTest : public PluginTest {
protected:
    void startWatching(const std::string& content, const std::string& more = "") {
        writeFile(watchedPath(), content);
        writeSettings("qvperuser.filePath: " + watchedPath() + "\r\nqvperuser.readBufferSize: 4096\r\n" +
                      "qvperuser.collapseRepeats: true\r\n" + more);
        ASSERT_EQ(0, start());
    }
    void append(const std::string& text) {
        appendFile(watchedPath(), text);
        look();
    }
    static void select(int from, int to) { SendMessageW(state.paneWnd, EM_SETSEL, from, to); }
};

// The pane's text given whole (WM_SETTEXT): a full build.
int fullBuilds;

LRESULT CALLBACK countFullBuilds(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* sent = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && sent->hwnd == state.paneWnd && sent->message == WM_SETTEXT) ++fullBuilds;
    return CallNextHookEx(NULL, code, wParam, lParam);
}

const std::string Refused = " WARN connection refused to 10.0.0.7\r\n";

// Each repeat rewrites the row's count and nothing above it; a selection
// holds the count until the view is back at the end.
TEST_F(RepeatsTest, ARepeatsCountChangesInPlaceWhileTheLineAboveStays) {
    startWatching("2026-12-08 10:05:00 INFO started\r\n2026-12-08 10:05:01" + Refused);
    fullBuilds = 0;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, countFullBuilds, NULL, GetCurrentThreadId());
    const std::wstring row = L"2026-12-08 10:05:00 INFO started\r\n2026-12-08 10:05:01 WARN connection refused to 10.0.0.7";
    append("2026-12-08 10:05:02" + Refused);
    EXPECT_EQ(row + L" \u00D72, last 10:05:02\r\n", paneWideText());
    append("2026-12-08 10:05:03" + Refused);
    EXPECT_EQ(row + L" \u00D73, last 10:05:03\r\n", paneWideText());

    select(0, 4);
    append("2026-12-08 10:05:04" + Refused);
    EXPECT_EQ(row + L" \u00D73, last 10:05:03\r\n", paneWideText()) << "the count waits for the reader";
    int end = (int)paneWideText().size();
    select(end, end);
    SendMessageW(state.paneWnd, WM_KEYDOWN, VK_END, 0);  // back at the end
    EXPECT_EQ(row + L" \u00D74, last 10:05:04\r\n", paneWideText());
    append("2026-12-08 10:05:09 INFO back\r\n");
    EXPECT_EQ(row + L" \u00D74, last 10:05:04\r\n2026-12-08 10:05:09 INFO back\r\n", paneWideText());
    EXPECT_EQ(0, fullBuilds);
    UnhookWindowsHookEx(hook);
}

// A row counts once among the last N lines, at a full show and as lines come.
TEST_F(RepeatsTest, LinesCountsACollapsedRowOnce) {
    std::string repeats;
    for (int i = 0; i < 5; ++i) repeats += "health check ok\r\n";
    startWatching("a\r\nb\r\n" + repeats + "c\r\n", "qvperuser.lines: 3\r\n");
    EXPECT_EQ(L"b\r\nhealth check ok \u00D75\r\nc\r\n", paneWideText());
    append("c\r\n");
    EXPECT_EQ(L"b\r\nhealth check ok \u00D75\r\nc \u00D72\r\n", paneWideText());
    append("d\r\n");
    EXPECT_EQ(L"health check ok \u00D75\r\nc \u00D72\r\nd\r\n", paneWideText());
}

}  // namespace
