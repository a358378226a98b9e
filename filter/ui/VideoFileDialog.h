#pragma once
// The system's open-file dialog as the video choices use it: all files, an existing file required.
#include <windows.h>

// Opens the dialog owned by `owner`, starting at the path in `file` (a buffer of MAX_PATH characters). True when
// the user chose a file, which is then in `file`.
bool ChooseVideoFile(HWND owner, wchar_t* file);
