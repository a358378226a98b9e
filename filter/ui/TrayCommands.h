#pragma once
// The commands of the tray menu, run on the tray thread: each changes the current settings of the process at
// once, most then switch the input and save all settings.
#include <windows.h>

#include <string>
#include <vector>

// Runs the command `id` (the WM_COMMAND wParam of the tray window). `owner` owns the dialogs a command shows;
// `borderPaths` are the border files the tray offered, in menu order.
void RunTrayCommand(WPARAM id, HWND owner, const std::vector<std::wstring>& borderPaths);
