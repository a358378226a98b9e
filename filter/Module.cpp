// The exports of Veltrane.ax: class objects of the class table, unloading, and registration as a camera.
#include "filter/CamEmul.h"
#include "filter/Registration.h"
#include "filter/framework/ClassFactory.h"
#include "filter/framework/ModuleObjects.h"
#include "filter/ui/CameraProperties.h"

#include <windows.h>
#include <dshow.h>

namespace {

HMODULE g_module = nullptr;
// The platform identifier of the system, 1 (Win32s) when it cannot be asked.
DWORD g_platformId = 1;

const wchar_t kCameraName[] = L"Veltrane";

const REGPINTYPES kOutputTypes = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
const REGFILTERPINS kOutputPin = {const_cast<LPWSTR>(L"Output"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1,
                                  &kOutputTypes};

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

// The creatable classes: the camera filter and its settings page. Registration and the class objects follow the
// table.
const CFactoryTemplate kClasses[] = {
    {kCameraName, &CLSID_Veltrane, &CCamEmul::CreateInstance, nullptr, &kFilterSetup},
    {L"Settings", &CLSID_VeltraneSettingsPage, &CCameraProperties::CreateInstance, nullptr, nullptr},
};
constexpr int kClassCount = static_cast<int>(sizeof(kClasses) / sizeof(kClasses[0]));

void RecordPlatform()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    g_platformId = GetVersionExW(&version) ? version.dwPlatformId : 1;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        // The module keeps no per-thread state.
        (void)DisableThreadLibraryCalls(instance);
        RecordPlatform();
        g_module = instance;
        InitTemplates(kClasses, kClassCount, TRUE);
    } else if (reason == DLL_PROCESS_DETACH) {
        InitTemplates(kClasses, kClassCount, FALSE);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object)
{
    return GetClassObjectFromTemplates(kClasses, kClassCount, classId, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ModuleCanUnloadNow();
}

STDAPI DllRegisterServer()
{
    HRESULT hr = UpdateServerRegistration(g_module, kClasses, kClassCount, true);
    if (FAILED(hr)) return hr;
    return RegisterVideoInputDevice(CLSID_Veltrane, kCameraName, kFilterSetup);
}

STDAPI DllUnregisterServer()
{
    HRESULT hr = UpdateServerRegistration(g_module, kClasses, kClassCount, false);
    if (FAILED(hr)) return hr;
    return UnregisterVideoInputDevice(CLSID_Veltrane, kCameraName);
}
