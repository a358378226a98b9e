#pragma once
// Loading and saving of the settings record: the order of the values, their defaults and the rules that
// decide when a stored value counts as missing. The caller supplies the opened key and the device lists.
#include "filter/settings/FilterSettings.h"
#include "filter/settings/SettingsValueIo.h"

#include <cstdint>
#include <string>
#include <vector>

// Everything the store keeps per process.
struct SettingsState {
    FilterSettings Current;
    FilterSettings Saved;                 // as last loaded or saved
    std::vector<std::wstring> Cameras;    // friendly names, this filter's own device left out
    std::vector<MonitorRecord> Monitors;  // monitors of the desktop
    int32_t PrimaryPosition = 0;          // position of the primary monitor in Monitors
    std::wstring ModuleDirectory;         // ends in a backslash
};

// Fills STATE.Current from the settings key READER (null when the key cannot be opened), with the defaults
// drawn from the lists, primary position and module directory already in STATE, then copies it into Saved.
void LoadSettingsRecord(SettingsState& state, SettingsReader* reader);

// Writes the twelve values of STATE.Current (eight 4-byte numbers, then four strings stored without
// terminator), then copies Current into Saved.
void SaveSettingsRecord(SettingsState& state, SettingsWriter& writer);

// DesktopIndex as loaded: a stored position inside the monitor list, otherwise the primary position.
int32_t ResolveDesktopIndex(bool stored, int32_t value, size_t monitorCount, int32_t primaryPosition);
