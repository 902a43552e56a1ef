// Answers the modal boxes and dialogs the plugin opens, through a CBT hook on
// the test's own thread, and records what each one said.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenDialog {
    std::string caption;
    std::string text;   // a message box's text
    HWND owner;
};

class DialogAnswerer {
public:
    // answer: called when a dialog becomes active; it may set controls and
    // returns the command id to press (IDOK, IDCANCEL).
    explicit DialogAnswerer(std::function<int(HWND dialog)> answer);
    ~DialogAnswerer();
    const std::vector<SeenDialog>& seen() const;
};

// Presses the same button in every dialog.
std::function<int(HWND)> pressButton(int id);
