#include "filter/settings/DeviceLists.h"

#include <gtest/gtest.h>

namespace {

DisplayDeviceInfo Device(const char* name, bool attached, bool mirroring, bool primary, int32_t width = 800,
                         int32_t height = 600)
{
    DisplayDeviceInfo d;
    d.DeviceName = name;
    d.AttachedToDesktop = attached;
    d.MirroringDriver = mirroring;
    d.Primary = primary;
    d.Width = width;
    d.Height = height;
    return d;
}

}  // namespace

TEST(CameraList, LeavesOutOnlyTheExactOwnDeviceName)
{
    std::vector<std::wstring> cameras;
    for (const wchar_t* name : {L"USB Camera", L"Veltrane", L"veltrane", L"Veltrane ", L"Veltrane 2", L""})
        AddCameraName(cameras, name);
    std::vector<std::wstring> expected = {L"USB Camera", L"veltrane", L"Veltrane ", L"Veltrane 2", L""};
    EXPECT_EQ(cameras, expected);
}

TEST(MonitorList, KeepsDesktopMonitorsInOrderAndFindsThePrimaryAmongThem)
{
    std::vector<MonitorRecord> monitors = {MonitorRecord{"stale", 1, 1}};
    int32_t primary = 0;
    BuildMonitorList({Device("\\\\.\\DISPLAY1", false, false, false),  // not on the desktop
                      Device("\\\\.\\DISPLAY2", true, false, false, 1280, 1024),
                      Device("\\\\.\\DISPLAY3", true, true, false),    // mirroring driver
                      Device("\\\\.\\DISPLAY4", true, false, true, 1920, 1080)},
                     monitors, primary);
    ASSERT_EQ(monitors.size(), 2u);
    EXPECT_EQ(monitors[0].DeviceName, "\\\\.\\DISPLAY2");
    EXPECT_EQ(monitors[0].Width, 1280);
    EXPECT_EQ(monitors[0].Height, 1024);
    EXPECT_EQ(monitors[1].DeviceName, "\\\\.\\DISPLAY4");
    EXPECT_EQ(monitors[1].Width, 1920);
    EXPECT_EQ(monitors[1].Height, 1080);
    EXPECT_EQ(primary, 1);
}

TEST(MonitorList, WithoutPrimaryMonitorThePrimaryPositionKeepsItsValue)
{
    std::vector<MonitorRecord> monitors;
    int32_t primary = 0;
    BuildMonitorList({Device("\\\\.\\DISPLAY1", true, false, false), Device("\\\\.\\DISPLAY2", true, false, false)},
                     monitors, primary);
    EXPECT_EQ(monitors.size(), 2u);
    EXPECT_EQ(primary, 0);

    primary = 1;
    // A primary device that is not part of the desktop does not count either.
    BuildMonitorList({Device("\\\\.\\DISPLAY1", true, false, false), Device("\\\\.\\DISPLAY2", false, false, true)},
                     monitors, primary);
    EXPECT_EQ(monitors.size(), 1u);
    EXPECT_EQ(primary, 1);

    BuildMonitorList({}, monitors, primary);
    EXPECT_TRUE(monitors.empty());
    EXPECT_EQ(primary, 1);
}
