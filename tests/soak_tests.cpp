// Long runs: a day's worth of reloads, restyles, wrap switches and menu builds
// leaves the process holding no more than after the first hundred of each, and
// every font, brush, pane and menu that was replaced has been released.
//
// What is counted, chosen for what works under Wine (GetGuiResources and
// GetProcessHandleCount both answer 0 there):
// - GDI objects: GetObjectType probed over every 16-bit handle index (a GDI
//   handle whose upper half is zero matches any generation of its slot);
// - windows: the thread's top-level windows and all their descendants;
// - kernel handles: GetHandleInformation probed over the low handle values;
// - memory: bytes in busy blocks of every process heap (HeapWalk), and the
//   process's private bytes (GetProcessMemoryInfo, PagefileUsage).
#include <windows.h>

#include <psapi.h>

#include <string>

#include "commands/menu.h"
#include "menus.h"
#include "support/plugin_fixture.h"
#include "tail/tail.h"

namespace {

const int HighestProbedKernelHandle = 0x4000;
const SIZE_T HeapSlack = 256 * 1024;
const SIZE_T PrivateSlack = 2 * 1024 * 1024;
// One configuration menu: the main menu, its five submenus and the font menu.
const int MenusInOneTree = 9;

int liveGdiObjects() {
    int live = 0;
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index) {
        if (GetObjectType((HGDIOBJ)index) != 0) ++live;
    }
    return live;
}

BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*(int*)count;
    return TRUE;
}

BOOL CALLBACK countWithChildren(HWND window, LPARAM count) {
    ++*(int*)count;
    EnumChildWindows(window, countChild, count);
    return TRUE;
}

int threadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWithChildren, (LPARAM)&count);
    return count;
}

int openKernelHandles() {
    int open = 0;
    for (ULONG_PTR value = 4; value < HighestProbedKernelHandle; value += 4) {
        DWORD flags;
        if (GetHandleInformation((HANDLE)value, &flags)) ++open;
    }
    return open;
}

SIZE_T heapBytesInUse() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry = {};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return busy;
}

SIZE_T privateBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

struct Holdings {
    int gdiObjects;
    int windows;
    int kernelHandles;
    SIZE_T heapBytes;
    SIZE_T privateBytes;
};

std::string describe(const Holdings& held) {
    return "GDI " + std::to_string(held.gdiObjects) + ", windows " + std::to_string(held.windows) +
           ", kernel handles " + std::to_string(held.kernelHandles) + ", heap bytes " +
           std::to_string(held.heapBytes) + ", private bytes " + std::to_string(held.privateBytes);
}

class Soak : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        writeFile(watchedPath(), "first line\r\n");
        writeSettings("qvperuser.filePath: " + watchedPath() +
                      "\r\nqvperuser.readBufferSize: 512\r\nqvperuser.autoReload: false\r\n");
        ASSERT_EQ(0, start());
    }

    // The shell's trace is recorded; it is dropped as the run goes, so that
    // only the plugin's own holdings can grow.
    void trimShellRecords() { shellTrace::clear(); }

    Holdings measure() {
        trimShellRecords();
        pumpMessages(0);
        return {liveGdiObjects(), threadWindows(), openKernelHandles(), heapBytesInUse(),
                privateBytes()};
    }

    void reloads(int count) {
        for (int i = 0; i < count; ++i, ++reloadsDone) {
            if (reloadsDone % 100 == 0) appendLine();
            reloadFileTail();
        }
    }

    void appendLine() {
        HANDLE file = CreateFileA(watchedPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        lastLine = "line " + std::to_string(++linesAppended) + "\r\n";
        DWORD written = 0;
        WriteFile(file, lastLine.data(), (DWORD)lastLine.size(), &written, NULL);
        CloseHandle(file);
    }

    void restyles(int count) {
        for (int i = 0; i < count; ++i) {
            HFONT oldFont = state.paneFont;
            HBRUSH oldBrush = state.backBrush;
            SendMessageA(state.viewerWnd, HostMsgRestyle, 0, 0);
            if (state.paneFont != oldFont && GetObjectType(oldFont) != 0) ++fontsKept;
            if (state.backBrush != oldBrush && GetObjectType(oldBrush) != 0) ++brushesKept;
            checkOneMenuTree();
            if (i % 100 == 99) trimShellRecords();
        }
    }

    void wordWrapSwitches(int count) {
        for (int i = 0; i < count; ++i) {
            HWND oldPane = state.paneWnd;
            SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM) "@QVPeruserWordWrap");
            if (IsWindow(oldPane)) ++panesKept;
            checkOneMenuTree();
            if (i % 100 == 99) trimShellRecords();
        }
    }

    void menuBuilds(int count) {
        for (int i = 0; i < count; ++i) {
            buildConfigMenu(i % 2 == 0);
            checkOneMenuTree();
            if (i % 100 == 99) trimShellRecords();
        }
    }

    void checkOneMenuTree() {
        if (liveMenuCount() != MenusInOneTree) ++menuCountsWrong;
    }

    int reloadsDone = 0;
    int linesAppended = 0;
    std::string lastLine;
    int fontsKept = 0;
    int brushesKept = 0;
    int panesKept = 0;
    int menuCountsWrong = 0;
};

TEST_F(Soak, ManyReloadsRestylesWrapSwitchesAndMenuBuildsHoldNothingMore) {
    reloads(100);
    restyles(100);
    wordWrapSwitches(100);
    menuBuilds(100);
    Holdings early = measure();

    reloads(100000 - 100);
    restyles(10000 - 100);
    wordWrapSwitches(1000 - 100);
    menuBuilds(1000 - 100);
    Holdings late = measure();

    std::string figures = "after the first hundred: " + describe(early) + "\nat the end: " + describe(late);
    printf("%s\n", figures.c_str());
    SCOPED_TRACE(figures);
    EXPECT_LE(late.gdiObjects, early.gdiObjects);
    EXPECT_LE(late.windows, early.windows);
    EXPECT_LE(late.kernelHandles, early.kernelHandles);
    EXPECT_LE(late.heapBytes, early.heapBytes + HeapSlack);
    EXPECT_LE(late.privateBytes, early.privateBytes + PrivateSlack);

    EXPECT_EQ(0, fontsKept);
    EXPECT_EQ(0, brushesKept);
    EXPECT_EQ(0, panesKept);
    EXPECT_EQ(0, menuCountsWrong);

    // After all that the pane still follows the file.
    reloads(100);
    char shown[TextBufferSize];
    GetWindowTextA(state.paneWnd, shown, sizeof shown);
    std::string text = shown;
    ASSERT_GE(text.size(), lastLine.size());
    EXPECT_EQ(lastLine, text.substr(text.size() - lastLine.size()));
    EXPECT_EQ(1001, linesAppended);
}

}  // namespace
