#pragma once
// Registers the test cameras of veltrane_test_camera.dll for the lifetime of a TestCameraRegistration, so that the
// system device enumerator lists them and binding their monikers creates them; plus small helpers to find them.
#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

// The test camera module, as a Windows path; set by the build for every target linking the support library.
#ifndef VELTRANE_TEST_CAMERA_DLL
#error "VELTRANE_TEST_CAMERA_DLL must name the test camera module"
#endif

class TestCameraRegistration {
public:
    // Loads the module at `dllPath` and calls its DllRegisterServer.
    explicit TestCameraRegistration(const wchar_t* dllPath = VELTRANE_TEST_CAMERA_DLL);
    // DllUnregisterServer, then the module is let go.
    ~TestCameraRegistration();
    TestCameraRegistration(const TestCameraRegistration&) = delete;
    TestCameraRegistration& operator=(const TestCameraRegistration&) = delete;

    // Result of loading and registering (S_OK when the cameras are registered).
    HRESULT Result() const { return result_; }
    bool Registered() const { return SUCCEEDED(result_); }
    // The module's DllCanUnloadNow: S_OK when no object of it is alive and it is not locked.
    HRESULT CanUnloadNow() const;
    HMODULE Module() const { return module_; }

private:
    HMODULE module_ = nullptr;
    HRESULT result_ = E_FAIL;
};

// Friendly names of the video input category's devices, in enumeration order.
std::vector<std::wstring> ListVideoInputDevices();
// Binds the first video input device named `name` (by its moniker) to a new filter.
// VFW_E_NOT_FOUND when no device has that name.
HRESULT BindVideoInputDevice(const std::wstring& name, IBaseFilter** filter);
