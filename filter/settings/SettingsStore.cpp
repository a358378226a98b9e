#include "filter/settings/SettingsStore.h"

#include "filter/settings/DeviceEnumeration.h"
#include "filter/settings/ModuleDirectory.h"
#include "filter/settings/SettingsRegistry.h"
#include "filter/settings/SettingsSequence.h"

namespace {

SettingsState& State()
{
    static SettingsState state;
    return state;
}

}  // namespace

FilterSettings& CurrentSettings() { return State().Current; }
FilterSettings& SavedSettings() { return State().Saved; }
const std::vector<std::wstring>& CameraList() { return State().Cameras; }
const std::vector<MonitorRecord>& MonitorList() { return State().Monitors; }
int32_t PrimaryMonitorPosition() { return State().PrimaryPosition; }
const std::wstring& ModuleDirectory() { return State().ModuleDirectory; }

void LoadSettings()
{
    SettingsState& state = State();
    state.Cameras = EnumerateCameraNames();
    BuildMonitorList(EnumerateDisplayDevices(), state.Monitors, state.PrimaryPosition);
    state.ModuleDirectory = FindModuleDirectory();
    RegistryKey key = OpenSettingsKey(KEY_READ);
    if (key) {
        RegistrySettingsReader reader(key.Get());
        LoadSettingsRecord(state, &reader);
    } else {
        LoadSettingsRecord(state, nullptr);
    }
}

HRESULT SaveSettings()
{
    RegistrySettingsWriter writer;
    SaveSettingsRecord(State(), writer);
    return S_OK;
}
