#pragma once
// A PNG of what the screen shows of a window, for people to look at (the tests check messages and state).
#include <windows.h>

#include <string>

// Copies the window's screen rectangle into `path`; false when it cannot.
bool SaveWindowPicture(HWND window, const std::wstring& path);
