#include "filter/settings/SettingsStore.h"

#include "filter/settings/DeviceEnumeration.h"
#include "filter/settings/ModuleDirectory.h"
#include "filter/settings/SettingsRegistry.h"
#include "filter/settings/SettingsSequence.h"

SettingsModel& ProcessSettings()
{
    static SettingsModel model;
    return model;
}

const FilterSettings CurrentSettings() { return ProcessSettings().Current(); }
int32_t CurrentGlobalType() { return ProcessSettings().CurrentGlobalType(); }
const FilterSettings SavedSettings() { return ProcessSettings().Saved(); }
std::vector<std::wstring> CameraList() { return ProcessSettings().Cameras(); }
std::vector<MonitorRecord> MonitorList() { return ProcessSettings().Monitors(); }
int32_t PrimaryMonitorPosition() { return ProcessSettings().PrimaryPosition(); }
std::wstring ModuleDirectory() { return ProcessSettings().ModuleDirectory(); }

void LoadSettings() noexcept
{
    try {
        SettingsState devices;
        // Kept when no monitor is primary.
        devices.PrimaryPosition = ProcessSettings().PrimaryPosition();
        devices.Cameras = EnumerateCameraNames();
        BuildMonitorList(EnumerateDisplayDevices(), devices.Monitors, devices.PrimaryPosition);
        devices.ModuleDirectory = FindModuleDirectory();
        RegistryKey key = OpenSettingsKey(KEY_READ);
        if (key) {
            RegistrySettingsReader reader(key.Get());
            ProcessSettings().Load(std::move(devices), &reader);
        } else {
            ProcessSettings().Load(std::move(devices), nullptr);
        }
    } catch (...) {
        // The device lists could not be built (no memory): the defaults of a missing key, without the lists.
        SettingsState devices;
        try {
            devices.PrimaryPosition = ProcessSettings().PrimaryPosition();
        } catch (...) {
        }
        ProcessSettings().Load(std::move(devices), nullptr);
    }
}

HRESULT SaveSettings() noexcept
{
    RegistrySettingsWriter writer;
    ProcessSettings().Save(writer);
    return S_OK;
}
