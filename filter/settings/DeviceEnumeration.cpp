#include "filter/settings/DeviceEnumeration.h"

#include "filter/framework/ComRef.h"

#include <windows.h>
#include <dshow.h>

#include <algorithm>

namespace {

bool ReadFriendlyName(IMoniker* moniker, std::wstring& name)
{
    ComRef<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag) return false;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = nullptr;
    bool read = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR;
    if (read) name = value.bstrVal ? std::wstring(value.bstrVal) : std::wstring();
    // Only frees the string handed to us; there is nothing to do if it were to fail.
    VariantClear(&value);
    return read;
}

std::string NameOf(const DISPLAY_DEVICEA& device)
{
    const char* begin = device.DeviceName;
    const char* end = begin + sizeof device.DeviceName;
    return std::string(begin, std::find(begin, end, '\0'));
}

}  // namespace

void ForEachVideoInputDevice(const std::function<bool(IMoniker* moniker, const std::wstring& name)>& visit)
{
    ComRef<ICreateDevEnum> devices;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                devices.PutVoid())) ||
        !devices)
        return;
    ComRef<IEnumMoniker> monikers;
    // S_FALSE without an enumerator: the category holds no device.
    if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0) != S_OK || !monikers)
        return;
    ComRef<IMoniker> moniker;
    while (monikers->Next(1, moniker.Put(), nullptr) == S_OK && moniker) {
        std::wstring name;
        if (ReadFriendlyName(moniker.Get(), name) && !visit(moniker.Get(), name)) return;
    }
}

std::vector<std::wstring> EnumerateCameraNames()
{
    std::vector<std::wstring> cameras;
    ForEachVideoInputDevice([&cameras](IMoniker*, const std::wstring& name) {
        AddCameraName(cameras, name);
        return true;
    });
    return cameras;
}

std::vector<DisplayDeviceInfo> EnumerateDisplayDevices()
{
    std::vector<DisplayDeviceInfo> devices;
    for (DWORD number = 0;; ++number) {
        DISPLAY_DEVICEA device = {};
        device.cb = sizeof device;
        if (!EnumDisplayDevicesA(nullptr, number, &device, 0)) break;
        DisplayDeviceInfo info;
        info.DeviceName = NameOf(device);
        info.AttachedToDesktop = (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) != 0;
        info.MirroringDriver = (device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) != 0;
        info.Primary = (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        if (BelongsToDesktop(info)) {
            DEVMODEA mode = {};
            mode.dmSize = sizeof mode;
            if (EnumDisplaySettingsA(info.DeviceName.c_str(), ENUM_CURRENT_SETTINGS, &mode)) {
                info.Width = static_cast<int32_t>(mode.dmPelsWidth);
                info.Height = static_cast<int32_t>(mode.dmPelsHeight);
            }
        }
        devices.push_back(info);
    }
    return devices;
}
