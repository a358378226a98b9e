#pragma once
// The notification-area icon of the filter module, one per process. The filter object calls these two hooks:
// the first filter object starts the tray, destroying a filter object ends it. For now the tray is a
// process-wide record of whether it is up; its window and menu come later behind the same hooks.

// Starts the tray unless the process already has one. True when this call started it.
bool StartTrayIfAbsent();
// Ends the tray if it is up (harmless otherwise).
void EndTray();
bool IsTrayRunning();
