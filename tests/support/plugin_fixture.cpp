#include "support/plugin_fixture.h"

#include "commands/menu.h"
#include "tail/sources.h"
#include "tail/tail.h"

#include "menus.h"
#include "shell.h"
#include "slit.h"

void PluginTest::SetUp() {
    ZeroMemory(&state, sizeof state);
    ZeroMemory(sources, sizeof sources);
    shellFolder = makeTempFolder("shell");
    dataFolder = makeTempFolder("data");
    startShell(shellFolder);
    host = shell.mainWnd;
    removeFile(programFolder() + "qvperuser.rc");
    removeFile(programFolder() + "qvperuserrc");
    writeFile(watchedPath(), "");
}

void PluginTest::TearDown() {
    if (started) stop();
    destroySlit();
    stopShell();
    pumpMessages(0);
    removeFile(programFolder() + "qvperuser.rc");
    removeFile(programFolder() + "qvperuserrc");
}

void PluginTest::writeSettings(const std::string& lines) { writeFile(settingsPath(), lines); }

int PluginTest::start() {
    int result = beginPlugin(module);
    started = result == 0;
    pumpMessages(50);
    return result;
}

int PluginTest::startInSlit() {
    slit = createSlit(shell.instance);
    int result = beginSlitPlugin(module, slit);
    started = result == 0;
    pumpMessages(50);
    return result;
}

void PluginTest::stop() {
    endPlugin(module);
    started = false;
    pumpMessages(20);
}

int mainMenuSerial() { return (int)(INT_PTR)shownConfigMenu(); }

static int submenuIn(int menu, const std::string& title) {
    const ShellMenu* found = findMenu(menu);
    for (size_t i = 0; found && i < found->items.size(); ++i) {
        const ShellItem& item = found->items[i];
        if (item.kind != ItemSubmenu) continue;
        if (item.title == title) return item.submenu;
        int inner = submenuIn(item.submenu, title);
        if (inner) return inner;
    }
    return 0;
}

int submenuSerial(const std::string& title) { return submenuIn(mainMenuSerial(), title); }

std::string paneText() {
    std::string text(GetWindowTextLengthA(state.paneWnd) + 1, '\0');
    GetWindowTextA(state.paneWnd, &text[0], (int)text.size());
    text.resize(text.size() - 1);
    return text;
}

std::wstring paneWideText() {
    std::wstring text(GetWindowTextLengthW(state.paneWnd) + 1, L'\0');
    GetWindowTextW(state.paneWnd, &text[0], (int)text.size());
    text.resize(text.size() - 1);
    return text;
}

void PluginTest::send(const std::string& command) {
    SendMessageA(state.viewerWnd, HostMsgCommand, 0, (LPARAM)command.c_str());
    pumpMessages(20);
}

void PluginTest::look() {
    reloadFileTail();
    pumpMessages(20);
}
