#include "filter/framework/TestCameraRegistration.h"

#include "filter/framework/ComRef.h"

namespace {

using RegistrationEntry = HRESULT(STDAPICALLTYPE*)();

HRESULT CallExport(HMODULE module, const char* name)
{
    if (!module) return E_UNEXPECTED;
    auto entry = reinterpret_cast<RegistrationEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!entry) return HRESULT_FROM_WIN32(GetLastError());
    return entry();
}

bool ReadFriendlyName(IMoniker* moniker, std::wstring& name)
{
    ComRef<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.PutVoid())) || !bag) return false;
    VARIANT value;
    VariantInit(&value);
    bool read = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR && value.bstrVal;
    if (read) name = value.bstrVal;
    // Only frees the string read; nothing to do should it fail.
    VariantClear(&value);
    return read;
}

// Calls `visit` with each device moniker and its name until it returns true.
template <class Visit>
HRESULT ForEachVideoInputDevice(Visit visit)
{
    ComRef<ICreateDevEnum> devices;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  devices.PutVoid());
    if (FAILED(hr)) return hr;
    ComRef<IEnumMoniker> monikers;
    hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Put(), 0);
    // S_FALSE without an enumerator: the category is empty.
    if (hr != S_OK || !monikers) return SUCCEEDED(hr) ? S_OK : hr;
    ComRef<IMoniker> moniker;
    while (monikers->Next(1, moniker.Put(), nullptr) == S_OK && moniker) {
        std::wstring name;
        if (ReadFriendlyName(moniker.Get(), name) && visit(moniker.Get(), name)) break;
    }
    return S_OK;
}

}  // namespace

TestCameraRegistration::TestCameraRegistration(const wchar_t* dllPath)
{
    module_ = LoadLibraryW(dllPath);
    result_ = module_ ? CallExport(module_, "DllRegisterServer") : HRESULT_FROM_WIN32(GetLastError());
}

TestCameraRegistration::~TestCameraRegistration()
{
    if (!module_) return;
    // A failed removal leaves entries that the next registration replaces.
    (void)CallExport(module_, "DllUnregisterServer");
    FreeLibrary(module_);
}

HRESULT TestCameraRegistration::CanUnloadNow() const
{
    return CallExport(module_, "DllCanUnloadNow");
}

std::vector<std::wstring> ListVideoInputDevices()
{
    std::vector<std::wstring> names;
    // An enumeration that fails lists nothing, which is what the callers check.
    (void)ForEachVideoInputDevice([&](IMoniker*, const std::wstring& name) {
        names.push_back(name);
        return false;
    });
    return names;
}

HRESULT BindVideoInputDevice(const std::wstring& name, IBaseFilter** filter)
{
    if (!filter) return E_POINTER;
    *filter = nullptr;
    HRESULT bound = VFW_E_NOT_FOUND;
    HRESULT hr = ForEachVideoInputDevice([&](IMoniker* moniker, const std::wstring& deviceName) {
        if (deviceName != name) return false;
        bound = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
        return true;
    });
    return FAILED(hr) ? hr : bound;
}
