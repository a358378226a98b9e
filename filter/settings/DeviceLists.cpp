#include "filter/settings/DeviceLists.h"

void AddCameraName(std::vector<std::wstring>& cameras, const std::wstring& name)
{
    if (name != kOwnDeviceName) cameras.push_back(name);
}

bool BelongsToDesktop(const DisplayDeviceInfo& device)
{
    return device.AttachedToDesktop && !device.MirroringDriver;
}

void BuildMonitorList(const std::vector<DisplayDeviceInfo>& devices, std::vector<MonitorRecord>& monitors,
                      int32_t& primaryPosition)
{
    monitors.clear();
    for (const DisplayDeviceInfo& device : devices) {
        if (!BelongsToDesktop(device)) continue;
        if (device.Primary) primaryPosition = static_cast<int32_t>(monitors.size());
        monitors.push_back(MonitorRecord{device.DeviceName, device.Width, device.Height});
    }
}
