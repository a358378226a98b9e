#pragma once
// The system's folder browser, opened at a given folder.
#include <windows.h>

// Shows the folder browser owned by `owner`, with `title` (may be null) and starting below `root` (null: the
// desktop), with `path` (a buffer of MAX_PATH characters) selected. True when the user chose a file-system
// folder, which is then in `path`.
bool BrowseForFolder(const wchar_t* title, wchar_t* path, const wchar_t* root, HWND owner);
