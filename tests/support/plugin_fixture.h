// A fixture that starts the plugin in this test program as the shell would:
// fresh zero state, the stand-in shell's main window around it, settings
// files beside the program (the plugin's folder) and in a separate shell
// folder.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "plugin/plugin.h"
#include "settings/state.h"
#include "support/shell_run.h"
#include "support/test_files.h"

// The shell's serial of the plugin's main menu as last built (0: none), and
// of the submenu of that title in it, at any depth.
int mainMenuSerial();
int submenuSerial(const std::string& title);

// The pane's whole text, in the ANSI code page or as the pane holds it.
std::string paneText();
std::wstring paneWideText();

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the plugin-folder settings file from "key: value" lines.
    void writeSettings(const std::string& lines);
    // Starts with beginPlugin, or with beginSlitPlugin and the shell's slit.
    int start();
    int startInSlit();
    void stop();

    // A command as the shell broadcasts it; a look at the files as the reload
    // timer's; each with the messages they cause handled.
    static void send(const std::string& command);
    static void look();

    std::string settingsPath() const { return programFolder() + "qvperuser.rc"; }
    std::string watchedPath() const { return dataFolder + "watched.log"; }

    HINSTANCE module = GetModuleHandleA(NULL);
    HWND host = NULL;
    HWND slit = NULL;
    std::string shellFolder;
    std::string dataFolder;
    bool started = false;
};
