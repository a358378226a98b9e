#pragma once
// The rules of the mode dialogs that need no window: label texts, the change time typed in seconds, monitor
// display names and the border arrows. Win32-free, so they are tested on the host too.
#include <cstdint>
#include <string>

// "File: " or "Directory: " followed by the path, or by "none" for a path of two characters or fewer (nothing
// chosen, or a bare drive such as "C:").
std::wstring PathLabel(const std::wstring& prefix, const std::wstring& path);

// Milliseconds for the change-time text: the decimal value of its leading digits (none gives 0) times 1000,
// limited to what a 32-bit setting holds.
int32_t ChangedTimeFromText(const std::wstring& text);

// A display device name without its namespace prefix ("\\.\"); a name no longer than the prefix stays as it is.
std::string MonitorDisplayName(const std::string& deviceName);

// Which border arrows ("<", ">") are enabled for the selected entry of a list of `count` borders (index -1: no
// selection).
struct BorderArrows {
    bool previous;
    bool next;
};
// After the user picked a border: each arrow exactly when the selection is not at its end.
BorderArrows ArrowsAfterSelection(int index, int count);
// When "Show border" is turned on: "<" unless the first entry is selected, ">" while entries follow.
BorderArrows ArrowsWhenBorderShown(int index, int count);
