#include "filter/Registration.h"

#include "filter/framework/ComRef.h"

#include <string>
#include <vector>

namespace {

constexpr DWORD kMaxKeyNameChars = 260;

bool IsNotFound(HRESULT hr)
{
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT FromStatus(LONG status)
{
    return HRESULT_FROM_WIN32(static_cast<unsigned long>(status));
}

// The module's path, as the class keys name the server.
HRESULT ModulePath(HMODULE module, std::wstring& path)
{
    char ansi[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(module, ansi, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        DWORD error = GetLastError();
        return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
    }
    int wide = MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(length), nullptr, 0);
    if (wide <= 0) return HRESULT_FROM_WIN32(GetLastError());
    path.assign(static_cast<size_t>(wide), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(length), &path[0], wide) != wide)
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value)
{
    return FromStatus(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

// Closes a registry key when it goes out of scope.
class KeyHolder {
public:
    KeyHolder() = default;
    ~KeyHolder()
    {
        if (key_) RegCloseKey(key_);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY* Put() { return &key_; }
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

HRESULT WriteClassKey(const CFactoryTemplate& entry, const std::wstring& modulePath)
{
    KeyHolder classKey;
    HRESULT hr = FromStatus(RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKeyName(*entry.ClassId).c_str(), 0, nullptr, 0,
                                            KEY_WRITE, nullptr, classKey.Put(), nullptr));
    if (FAILED(hr)) return hr;
    hr = SetStringValue(classKey.Get(), nullptr, entry.Name);
    if (FAILED(hr)) return hr;
    KeyHolder serverKey;
    hr = FromStatus(RegCreateKeyExW(classKey.Get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                                    serverKey.Put(), nullptr));
    if (FAILED(hr)) return hr;
    hr = SetStringValue(serverKey.Get(), nullptr, modulePath);
    if (FAILED(hr)) return hr;
    return SetStringValue(serverKey.Get(), L"ThreadingModel", L"Both");
}

// Deletes `name` under `parent` with everything below it, each sub-key before its parent. A key that does not
// exist counts as deleted.
HRESULT DeleteKeyTree(HKEY parent, const std::wstring& name)
{
    KeyHolder key;
    LONG status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, key.Put());
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    if (status != ERROR_SUCCESS) return FromStatus(status);
    for (;;) {
        // Always the first sub-key: the one before was just deleted.
        wchar_t child[kMaxKeyNameChars + 1] = {};
        DWORD childChars = kMaxKeyNameChars + 1;
        status = RegEnumKeyExW(key.Get(), 0, child, &childChars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) return FromStatus(status);
        HRESULT hr = DeleteKeyTree(key.Get(), child);
        if (FAILED(hr)) return hr;
    }
    status = RegDeleteKeyW(parent, name.c_str());
    return status == ERROR_FILE_NOT_FOUND ? S_OK : FromStatus(status);
}

HRESULT UpdateWithMapper2(IFilterMapper2* mapper, const CFactoryTemplate& entry, bool registering)
{
    HRESULT hr = mapper->UnregisterFilter(nullptr, nullptr, *entry.ClassId);
    if (IsNotFound(hr)) hr = S_OK;
    if (SUCCEEDED(hr) && registering)
        hr = mapper->RegisterFilter(*entry.ClassId, entry.Name, nullptr, nullptr, nullptr, entry.FilterSetup);
    return IsNotFound(hr) ? S_OK : hr;
}

// The mapper of older systems takes the pins and their types one call at a time.
HRESULT UpdateWithMapper1(IFilterMapper* mapper, const CFactoryTemplate& entry, bool registering)
{
    HRESULT hr = mapper->UnregisterFilter(*entry.ClassId);
    if (IsNotFound(hr)) hr = S_OK;
    if (FAILED(hr) || !registering) return hr;
    const REGFILTER2& setup = *entry.FilterSetup;
    hr = mapper->RegisterFilter(*entry.ClassId, entry.Name, setup.dwMerit);
    if (setup.dwVersion != 1) return IsNotFound(hr) ? S_OK : hr;
    for (ULONG p = 0; SUCCEEDED(hr) && p < setup.cPins; ++p) {
        const REGFILTERPINS& pin = setup.rgPins[p];
        hr = mapper->RegisterPin(*entry.ClassId, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                 pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : CLSID_NULL,
                                 pin.strConnectsToPin);
        for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
            hr = mapper->RegisterPinType(*entry.ClassId, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                         *pin.lpMediaType[t].clsMinorType);
        }
    }
    return IsNotFound(hr) ? S_OK : hr;
}

HRESULT UpdateFilterEntries(const CFactoryTemplate* templates, int count, bool registering)
{
    ComRef<IFilterMapper2> mapper2;
    ComRef<IFilterMapper> mapper1;
    HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  mapper2.PutVoid());
    if (FAILED(hr)) {
        hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              mapper1.PutVoid());
        if (FAILED(hr)) return hr;
    }
    for (int i = 0; SUCCEEDED(hr) && i < count; ++i) {
        if (!templates[i].FilterSetup) continue;
        hr = mapper2 ? UpdateWithMapper2(mapper2.Get(), templates[i], registering)
                     : UpdateWithMapper1(mapper1.Get(), templates[i], registering);
    }
    return hr;
}

}  // namespace

std::wstring ClassKeyName(const CLSID& classId)
{
    wchar_t text[40] = {};
    // A GUID always fits in 39 characters.
    (void)StringFromGUID2(classId, text, 40);
    return std::wstring(L"CLSID\\") + text;
}

HRESULT UpdateServerRegistration(HMODULE module, const CFactoryTemplate* templates, int count, bool registering)
{
    std::wstring modulePath;
    HRESULT hr = ModulePath(module, modulePath);
    if (FAILED(hr)) return hr;
    if (registering) {
        for (int i = 0; i < count; ++i) {
            hr = WriteClassKey(templates[i], modulePath);
            if (FAILED(hr)) return hr;
        }
    }

    // A thread already in another apartment keeps it (RPC_E_CHANGED_MODE); only our own initialisation is undone.
    HRESULT com = CoInitialize(nullptr);
    hr = UpdateFilterEntries(templates, count, registering);
    CoFreeUnusedLibraries();
    if (SUCCEEDED(com)) CoUninitialize();

    if (!registering && SUCCEEDED(hr)) {
        for (int i = 0; SUCCEEDED(hr) && i < count; ++i) hr = DeleteKeyTree(HKEY_CLASSES_ROOT, ClassKeyName(*templates[i].ClassId));
    }
    return hr;
}

namespace {

// COM for the category calls: the caller's when it has it, else our own for the duration of the call.
template <class Action>
HRESULT WithVideoInputCategory(Action action)
{
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HRESULT hr;
    {
        ComRef<IFilterMapper2> mapper;
        hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                              mapper.PutVoid());
        if (SUCCEEDED(hr)) hr = action(mapper.Get());
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return hr;
}

}  // namespace

HRESULT RegisterVideoInputDevice(const CLSID& classId, const wchar_t* name, const REGFILTER2& setup)
{
    return WithVideoInputCategory([&](IFilterMapper2* mapper) {
        return mapper->RegisterFilter(classId, name, nullptr, &CLSID_VideoInputDeviceCategory, name, &setup);
    });
}

HRESULT UnregisterVideoInputDevice(const CLSID& classId, const wchar_t* name)
{
    return WithVideoInputCategory([&](IFilterMapper2* mapper) {
        HRESULT hr = mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, name, classId);
        return IsNotFound(hr) ? S_OK : hr;
    });
}
