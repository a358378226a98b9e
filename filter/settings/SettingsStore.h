#pragma once
// The process-wide settings of the filter module: one SettingsModel (current and saved records, the device lists
// their defaults come from, the module directory), persisted under HKEY_CURRENT_USER\SOFTWARE\Veltrane.
// Every accessor returns a copy taken under the model's lock, so any thread may call them.
#include "filter/settings/FilterSettings.h"
#include "filter/settings/SettingsModel.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

SettingsModel& ProcessSettings();

// What the running inputs and the settings interface use and change. The copies are const so that assigning to
// one of their members does not compile instead of changing nothing; changes go through ProcessSettings().
const FilterSettings CurrentSettings();
// GlobalType of the current settings, read without a lock.
int32_t CurrentGlobalType();
// The current settings as last loaded or saved, restored when changes are reverted.
const FilterSettings SavedSettings();

// Rebuilds the camera and monitor lists, finds the module directory, then fills the current settings from the
// registry with their defaults and copies them into the saved settings. Needs COM on the calling thread. The
// enumeration and the registry are read before the new values replace the old ones all at once. Never throws:
// when memory runs out the defaults of a missing key are loaded.
void LoadSettings() noexcept;

// Writes the twelve values of the current settings, then makes what was written the saved settings. Always S_OK;
// never throws.
HRESULT SaveSettings() noexcept;

// Writes one value of BYTES bytes under the settings key, creating the key if needed. Always 1; failures are
// not reported.
int WriteSettingValue(const wchar_t* name, const void* data, DWORD type, DWORD bytes);

// As built by the last LoadSettings.
std::vector<std::wstring> CameraList();
std::vector<MonitorRecord> MonitorList();
int32_t PrimaryMonitorPosition();
std::wstring ModuleDirectory();
