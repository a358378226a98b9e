#pragma once
// The notification-area icon of the filter module, one per process: a tray thread that runs the tray window's
// message loop and every command of its menu. The filter object calls the two hooks: the first filter object
// starts the tray, the last one ends it.
#include <windows.h>

// Starts the tray thread unless the process already has one, and waits (briefly) until its window exists. True
// when this call started it.
bool StartTrayIfAbsent();
// Ends the tray thread if it runs: closes an open menu or dialog of the tray, lets the thread delete the icon and
// destroy its window, and waits for it. Call it holding neither the source lock nor the settings lock: a tray
// command may be waiting for them.
void EndTray();
bool IsTrayRunning();
// The tray window of the process (null when none); the tray's own code asks whether the tray is ending.
HWND TrayWindow();
bool TrayStopping();
