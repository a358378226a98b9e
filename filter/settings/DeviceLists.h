#pragma once
// Which devices make the camera list and the monitor list; the system enumeration that feeds these lives in
// DeviceEnumeration.h.
#include "filter/settings/FilterSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The friendly name this filter registers its own device under; never offered as a camera to pass through.
constexpr const wchar_t* kOwnDeviceName = L"Veltrane";

// Appends NAME unless it is exactly (case-sensitively) the filter's own device name.
void AddCameraName(std::vector<std::wstring>& cameras, const std::wstring& name);

// One display device as the system numbers them, with its current mode's size (0 when unreadable).
struct DisplayDeviceInfo {
    std::string DeviceName;
    bool AttachedToDesktop = false;
    bool MirroringDriver = false;
    bool Primary = false;
    int32_t Width = 0;
    int32_t Height = 0;
};

// A monitor of the desktop: attached to it and not a mirroring driver.
bool BelongsToDesktop(const DisplayDeviceInfo& device);

// Rebuilds MONITORS from the desktop's devices among DEVICES, in their order. PRIMARYPOSITION becomes the
// primary monitor's position in MONITORS, and keeps its value when no monitor is primary.
void BuildMonitorList(const std::vector<DisplayDeviceInfo>& devices, std::vector<MonitorRecord>& monitors,
                      int32_t& primaryPosition);
