// DllRegisterServer / DllUnregisterServer of the test camera module, through the registration helper.
#include "filter/framework/ComRef.h"
#include "filter/framework/TestCameraIds.h"
#include "filter/framework/TestCameraRegistration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::wstring ReadUserClassValue(const CLSID& classId, const wchar_t* subKey, const wchar_t* name)
{
    wchar_t id[64] = {};
    StringFromGUID2(classId, id, 64);
    std::wstring path = std::wstring(L"Software\\Classes\\CLSID\\") + id + subKey;
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

bool Listed(const wchar_t* name)
{
    std::vector<std::wstring> devices = ListVideoInputDevices();
    return std::find(devices.begin(), devices.end(), name) != devices.end();
}

TEST(TestCameraRegistrationTest, RegistersPerUserAndRemovesEverything)
{
    {
        TestCameraRegistration registration;
        ASSERT_EQ(registration.Result(), S_OK);
        for (const TestCameraInfo& camera : kTestCameras) {
            EXPECT_EQ(ReadUserClassValue(*camera.ClassId, L"", nullptr), camera.Name);
            std::wstring server = ReadUserClassValue(*camera.ClassId, L"\\InprocServer32", nullptr);
            EXPECT_NE(server.find(L"veltrane_test_camera.dll"), std::wstring::npos);
            EXPECT_EQ(ReadUserClassValue(*camera.ClassId, L"\\InprocServer32", L"ThreadingModel"), L"Both");
            EXPECT_TRUE(Listed(camera.Name));
        }
        ComRef<IBaseFilter> created;
        ASSERT_EQ(CoCreateInstance(CLSID_TestCamera720p, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   created.PutVoid()),
                  S_OK);
        created.Reset();
        EXPECT_EQ(registration.CanUnloadNow(), S_OK);
    }
    for (const TestCameraInfo& camera : kTestCameras) {
        EXPECT_EQ(ReadUserClassValue(*camera.ClassId, L"", nullptr), L"<missing>");
        EXPECT_FALSE(Listed(camera.Name));
    }
    ComRef<IBaseFilter> none;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCamera, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, none.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

}  // namespace
