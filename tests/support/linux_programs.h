// Linux programs run from a test under Wine: the Linux path of a Windows
// path, and shell scripts run to their end.
#pragma once

#include <string>

std::wstring wide(const std::string& text);

// From Wine's own mapping; empty when there is none.
std::string unixPath(const std::string& windowsPath);

// Runs a shell script as a Linux program in folder and waits for it to
// finish; gives back its exit status and output, as "STATUS: OUTPUT". The
// status is written to a file, since Wine does not pass it on.
std::string runLinux(const std::string& folder, const std::string& script);
