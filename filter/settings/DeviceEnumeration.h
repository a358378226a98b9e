#pragma once
// The system's video input devices and display devices, as the settings' device lists are built from them.
#include "filter/settings/DeviceLists.h"

#include <functional>
#include <string>
#include <vector>

struct IMoniker;

// Calls visit with the moniker and friendly name of every video input device whose name can be read, in the
// system device enumerator's order, until visit returns false. Needs COM on the calling thread.
void ForEachVideoInputDevice(const std::function<bool(IMoniker* moniker, const std::wstring& name)>& visit);

// Friendly names of the video input devices in the system device enumerator's order, without the filter's
// own device. Needs COM on the calling thread; empty when the enumerator cannot be created.
std::vector<std::wstring> EnumerateCameraNames();

// Every display device in the system's numbering; the current mode is read only for monitors of the desktop.
std::vector<DisplayDeviceInfo> EnumerateDisplayDevices();
