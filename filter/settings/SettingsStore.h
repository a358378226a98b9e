#pragma once
// The process-wide settings of the filter module: the current and saved records, the device lists their
// defaults come from, and their persistence under HKEY_CURRENT_USER\SOFTWARE\Veltrane.
// None of this takes a lock: LoadSettings runs under the source lock, and the record's numbers are single
// aligned 32-bit values.
#include "filter/settings/FilterSettings.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What the running inputs and the settings interface use and change.
FilterSettings& CurrentSettings();
// The current settings as last loaded or saved, restored when changes are reverted.
FilterSettings& SavedSettings();

// Rebuilds the camera and monitor lists, finds the module directory, then fills the current settings from the
// registry with their defaults and copies them into the saved settings. Needs COM on the calling thread.
void LoadSettings();

// Writes the twelve values of the current settings, then copies them into the saved settings. Always S_OK.
HRESULT SaveSettings();

// Writes one value of BYTES bytes under the settings key, creating the key if needed. Always 1; failures are
// not reported.
int WriteSettingValue(const wchar_t* name, const void* data, DWORD type, DWORD bytes);

// As built by the last LoadSettings.
const std::vector<std::wstring>& CameraList();
const std::vector<MonitorRecord>& MonitorList();
int32_t PrimaryMonitorPosition();
const std::wstring& ModuleDirectory();
