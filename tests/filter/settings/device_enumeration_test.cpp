// Camera and monitor lists from the real device enumerator and display devices.
#include "filter/framework/ComRef.h"
#include "filter/settings/SettingsStore.h"

#include "SettingsKeyFixture.h"

#include <windows.h>
#include <dshow.h>

#include <algorithm>

namespace {

// Made-up filter classes for two entries in the video input category.
const CLSID kTestCameraClsid = {0x3c1f7a52, 0x8e04, 0x4d6b, {0x9a, 0x17, 0x60, 0x2b, 0xe4, 0xc8, 0x15, 0xd3}};
const CLSID kOwnNameClsid = {0x3c1f7a53, 0x8e04, 0x4d6b, {0x9a, 0x17, 0x60, 0x2b, 0xe4, 0xc8, 0x15, 0xd3}};

// An entry in the video input category for as long as it lives.
class RegisteredTestCamera {
public:
    RegisteredTestCamera(IFilterMapper2* mapper, const CLSID& clsid, const wchar_t* friendlyName)
        : mapper_(mapper), clsid_(clsid)
    {
        REGFILTER2 filter = {};
        filter.dwVersion = 1;
        filter.dwMerit = MERIT_DO_NOT_USE;
        result = mapper_->RegisterFilter(clsid_, friendlyName, nullptr, &CLSID_VideoInputDeviceCategory, nullptr,
                                         &filter);
    }
    ~RegisteredTestCamera()
    {
        // A failed removal leaves an entry in the test prefix only; nothing better to do here.
        if (SUCCEEDED(result)) mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, clsid_);
    }
    RegisteredTestCamera(const RegisteredTestCamera&) = delete;
    RegisteredTestCamera& operator=(const RegisteredTestCamera&) = delete;

    HRESULT result = E_FAIL;

private:
    IFilterMapper2* mapper_;
    CLSID clsid_;
};

bool Contains(const std::vector<std::wstring>& list, const wchar_t* name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

TEST_F(SettingsKeyTest, CameraListHoldsVideoInputDevicesExceptTheFiltersOwn)
{
    ComRef<IFilterMapper2> mapper;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                              mapper.PutVoid()));
    {
        RegisteredTestCamera camera(mapper.Get(), kTestCameraClsid, L"Test Camera");
        RegisteredTestCamera own(mapper.Get(), kOwnNameClsid, L"Veltrane");
        ASSERT_HRESULT_SUCCEEDED(camera.result);
        ASSERT_HRESULT_SUCCEEDED(own.result);

        LoadSettings();
        EXPECT_TRUE(Contains(CameraList(), L"Test Camera"));
        EXPECT_FALSE(Contains(CameraList(), L"Veltrane"));
        ASSERT_FALSE(CameraList().empty());
        EXPECT_EQ(CurrentSettings().ActiveCamera, CameraList().front());
    }
    LoadSettings();
    EXPECT_FALSE(Contains(CameraList(), L"Test Camera"));
}

TEST_F(SettingsKeyTest, MonitorListHoldsTheDesktopsMonitorsWithTheirSizes)
{
    LoadSettings();
    const std::vector<MonitorRecord> monitors = MonitorList();
    ASSERT_FALSE(monitors.empty());
    for (const MonitorRecord& monitor : monitors) {
        EXPECT_EQ(monitor.DeviceName.rfind("\\\\.\\DISPLAY", 0), 0u) << monitor.DeviceName;
        EXPECT_GT(monitor.Width, 0);
        EXPECT_GT(monitor.Height, 0);
    }
    int32_t primary = PrimaryMonitorPosition();
    ASSERT_GE(primary, 0);
    ASSERT_LT(static_cast<size_t>(primary), monitors.size());
    EXPECT_EQ(monitors[primary].Width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(monitors[primary].Height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(CurrentSettings().DesktopIndex, primary);
}
