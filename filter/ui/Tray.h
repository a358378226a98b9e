#pragma once
// The notification-area icon of the filter module, one per process: a tray thread that runs the tray window's
// message loop and every command of its menu. The filter object calls the two hooks: the first filter object
// starts the tray, the last one ends it.
#include <windows.h>

// How long the teardown waits for the tray thread before it leaves the thread to end by itself.
constexpr DWORD kTrayEndWaitMs = 5000;

// Starts the tray thread unless the process already has one; the thread makes its window by itself, so the call
// returns at once. True when this call started it.
bool StartTrayIfAbsent();
// Ends the tray thread if it runs: closes an open menu or dialog of the tray, lets the thread delete the icon and
// destroy its window, and waits for it, kTrayEndWaitMs at most. A thread that takes longer ends by itself later,
// holding the module until then. Call it holding neither the source lock nor the settings lock: a tray command
// may be waiting for them.
void EndTray();
bool IsTrayRunning();
// The tray window of the process (null when none); the tray's own code asks whether the tray is ending.
HWND TrayWindow();
bool TrayStopping();
