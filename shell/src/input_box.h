// The small modal box that number and text menu items open.
#pragma once

#include <windows.h>

#include <string>

// Reads text as a whole number within minimum..maximum: optional blanks, an
// optional sign and digits only.
bool parseWholeNumber(const char* text, int minimum, int maximum, int* value);

// Asks for a whole number within limits; false when cancelled.
bool askNumber(HWND owner, const char* title, int minimum, int maximum, int* value);
// Asks for a line of text; false when cancelled.
bool askText(HWND owner, const char* title, std::string* text);
