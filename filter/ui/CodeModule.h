#pragma once
// The module (DLL or program) that holds this code, and so its resources and data folders: the camera module for
// the settings page and tray, the desktop application for its own dialogs.
#include <windows.h>

#include <string>

// The module containing the calling code; null when the system cannot say.
HINSTANCE CodeModule();
// Its folder with a trailing backslash; empty when it cannot be found.
std::wstring CodeModuleDirectory();
