// Exports of veltrane_test_camera.dll: class objects for the four test cameras, and per-user registration of
// their classes plus their entries in the video input device category.
#include "TestCameraFilter.h"

#include "filter/framework/ClassFactory.h"
#include "filter/framework/ComRef.h"

#include <windows.h>
#include <dshow.h>

#include <string>

namespace {

HMODULE g_module = nullptr;

template <int Index>
CUnknown* CreateTestCamera(IUnknown* outer, HRESULT* hr)
{
    auto* camera = new (std::nothrow) CTestCamera(outer, hr, kTestCameras[Index]);
    if (!camera && hr) *hr = E_OUTOFMEMORY;
    return camera;
}

const REGPINTYPES kOutputTypes = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
const REGFILTERPINS kOutputPin = {
    const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kOutputTypes};
REGFILTER2 MakeFilterSetup()
{
    REGFILTER2 setup = {};
    setup.dwVersion = 1;
    setup.dwMerit = MERIT_DO_NOT_USE;
    setup.cPins = 1;
    setup.rgPins = &kOutputPin;
    return setup;
}
const REGFILTER2 kFilterSetup = MakeFilterSetup();

const CFactoryTemplate kTemplates[kTestCameraCount] = {
    {kTestCameras[0].Name, kTestCameras[0].ClassId, &CreateTestCamera<0>, nullptr, &kFilterSetup},
    {kTestCameras[1].Name, kTestCameras[1].ClassId, &CreateTestCamera<1>, nullptr, &kFilterSetup},
    {kTestCameras[2].Name, kTestCameras[2].ClassId, &CreateTestCamera<2>, nullptr, &kFilterSetup},
    {kTestCameras[3].Name, kTestCameras[3].ClassId, &CreateTestCamera<3>, nullptr, &kFilterSetup},
    {kTestCameras[4].Name, kTestCameras[4].ClassId, &CreateTestCamera<4>, nullptr, &kFilterSetup},
};

std::wstring ClassKeyPath(const CLSID& classId)
{
    wchar_t text[64] = {};
    StringFromGUID2(classId, text, 64);
    return std::wstring(L"CLSID\\") + text;
}

const wchar_t kUserClasses[] = L"Software\\Classes\\";

HRESULT SetString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    LONG status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(status);
}

// <root>\<classes>CLSID\{id} = name, with InprocServer32 = path and ThreadingModel "Both".
HRESULT WriteClassKey(HKEY root, const std::wstring& keyPath, const wchar_t* name, const std::wstring& path)
{
    HKEY classKey = nullptr;
    LONG status = RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &classKey, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    HRESULT hr = SetString(classKey, nullptr, name);
    HKEY serverKey = nullptr;
    if (SUCCEEDED(hr)) {
        status = RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey, nullptr);
        hr = HRESULT_FROM_WIN32(status);
    }
    if (SUCCEEDED(hr)) hr = SetString(serverKey, nullptr, path);
    if (SUCCEEDED(hr)) hr = SetString(serverKey, L"ThreadingModel", L"Both");
    if (serverKey) RegCloseKey(serverKey);
    RegCloseKey(classKey);
    return hr;
}

// Whether HKEY_CLASSES_ROOT shows the class's server key, as COM reads it.
bool ClassesRootShows(const CLSID& classId)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (ClassKeyPath(classId) + L"\\InprocServer32").c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Per-user registration (HKCU\Software\Classes), which needs no administrator rights. Where the classes root does
// not merge the user's classes (Wine reads only the machine's), the class is also written there.
HRESULT RegisterClass(const CLSID& classId, const wchar_t* name, const std::wstring& path)
{
    HRESULT hr = WriteClassKey(HKEY_CURRENT_USER, kUserClasses + ClassKeyPath(classId), name, path);
    if (FAILED(hr) || ClassesRootShows(classId)) return hr;
    return WriteClassKey(HKEY_CLASSES_ROOT, ClassKeyPath(classId), name, path);
}

HRESULT DeleteTree(HKEY root, const std::wstring& keyPath)
{
    LONG status = RegDeleteTreeW(root, keyPath.c_str());
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT UnregisterClass(const CLSID& classId)
{
    HRESULT hr = DeleteTree(HKEY_CURRENT_USER, kUserClasses + ClassKeyPath(classId));
    // Whatever the classes root still shows is the copy written for a runtime that does not merge user classes.
    if (SUCCEEDED(hr) && ClassesRootShows(classId)) hr = DeleteTree(HKEY_CLASSES_ROOT, ClassKeyPath(classId));
    return hr;
}

bool IsNotFound(HRESULT hr)
{
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

// Adds (or only removes) every camera's entry in the video input device category.
HRESULT UpdateDeviceCategory(bool add)
{
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HRESULT result = S_OK;
    {
        ComRef<IFilterMapper2> mapper;
        result = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                  mapper.PutVoid());
        for (int i = 0; SUCCEEDED(result) && i < kTestCameraCount; ++i) {
            const TestCameraInfo& camera = kTestCameras[i];
            HRESULT hr = mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, camera.Name, *camera.ClassId);
            if (FAILED(hr) && !IsNotFound(hr)) result = hr;
            if (add && SUCCEEDED(result)) {
                result = mapper->RegisterFilter(*camera.ClassId, camera.Name, nullptr,
                                                &CLSID_VideoInputDeviceCategory, camera.Name, &kFilterSetup);
            }
        }
    }
    // A thread already in another apartment keeps it; ours is undone.
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object)
{
    return GetClassObjectFromTemplates(kTemplates, kTestCameraCount, classId, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ModuleCanUnloadNow();
}

STDAPI DllRegisterServer()
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return HRESULT_FROM_WIN32(GetLastError());
    for (const TestCameraInfo& camera : kTestCameras) {
        HRESULT hr = RegisterClass(*camera.ClassId, camera.Name, path);
        if (FAILED(hr)) return hr;
    }
    return UpdateDeviceCategory(true);
}

STDAPI DllUnregisterServer()
{
    HRESULT result = UpdateDeviceCategory(false);
    for (const TestCameraInfo& camera : kTestCameras) {
        HRESULT hr = UnregisterClass(*camera.ClassId);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}
