#include "support/plugin_fixture.h"

void PluginTest::SetUp() {
    ZeroMemory(&state, sizeof state);
    fake::reset();
    host = createHostWindow();
    fake::setHostWindow(host);
    shellFolder = makeTempFolder("shell");
    dataFolder = makeTempFolder("data");
    fake::setShellFolder(shellFolder);
    removeFile(programFolder() + "qvperuser.rc");
    removeFile(programFolder() + "qvperuserrc");
    writeFile(watchedPath(), "");
}

void PluginTest::TearDown() {
    if (started) stop();
    if (slit) DestroyWindow(slit);
    DestroyWindow(host);
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
    slit = createSlitWindow();
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
