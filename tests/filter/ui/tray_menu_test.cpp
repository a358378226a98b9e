// The tray menu's shape for the settings it is built from, and what each command id it can carry asks for.
#include "filter/ui/TrayMenu.h"

#include <gtest/gtest.h>

namespace {

using Kind = TrayMenuEntry::Kind;

TrayMenuInput SampleInput()
{
    TrayMenuInput input;
    input.settings.GlobalType = Pictures;
    input.settings.ActiveCamera = L"Desk Cam";
    input.settings.UseBorder = 1;
    input.settings.BorderFile = L"C:\\m\\Borders\\b.png";
    input.settings.PicChType = 2;
    input.settings.DesktopIndex = 1;
    input.cameraOn = 1;
    input.cameras = {L"Desk Cam", L"desk cam"};
    input.monitors = {{"\\\\.\\DISPLAY1", 800, 600}, {"\\\\.\\DISPLAY2", 640, 480}};
    input.borderNames = {L"a.png", L"b.png"};
    input.borderPaths = {L"C:\\m\\Borders\\a.png", L"C:\\m\\Borders\\b.png"};
    return input;
}

// Captions (separators as "-", grayed with a leading "~", checked with a trailing "*") and commands of a menu.
std::wstring Shape(const std::vector<TrayMenuEntry>& entries)
{
    std::wstring shape;
    for (const TrayMenuEntry& e : entries) {
        if (!shape.empty()) shape += L"|";
        if (e.kind == Kind::Separator) {
            shape += L"-";
            continue;
        }
        shape += (e.grayed ? L"~" : L"") + e.caption + (e.checked ? L"*" : L"");
        if (e.kind == Kind::Submenu) shape += L"[" + Shape(e.entries) + L"]";
        else shape += L":" + std::to_wstring(e.command);
    }
    return shape;
}

TEST(TrayMenu, ShapeForTheSettings)
{
    struct Case {
        const char* name;
        void (*change)(TrayMenuInput&);
        size_t top;
        std::wstring shape;
    };
    const std::wstring borders = L"b.png[a.png:1324|b.png*:1325]";
    const Case cases[] = {
        {"camera submenu with two cameras, border on", [](TrayMenuInput&) {}, 0,
         L"Use the camera[Set Active:1026|Turn Off Camera:1031|-|Desk Cam[Desk Cam*:1124|desk cam:1125]|-|"
         L"Use Border*:1034|" + borders + L"]"},
        {"one camera: a plain entry; camera mode grays Set Active; camera off offers Turn On",
         [](TrayMenuInput& in) {
             in.cameras.resize(1);
             in.settings.GlobalType = Camera;
             in.cameraOn = 0;
         },
         0, L"Use the camera*[~Set Active:1026|Turn On Camera:1030|-|Desk Cam:1024|-|Use Border*:1034|" + borders +
                L"]"},
        {"border off grays the border entry, whose caption is empty when no path matches",
         [](TrayMenuInput& in) {
             in.settings.UseBorder = 0;
             in.settings.BorderFile = L"c:\\m\\borders\\b.png";
         },
         0, L"Use the camera[Set Active:1026|Turn Off Camera:1031|-|Desk Cam[Desk Cam*:1124|desk cam:1125]|-|"
            L"Use Border:1034|~[a.png:1324|b.png:1325]]"},
        {"no active camera: grayed entry without submenu", [](TrayMenuInput& in) { in.settings.ActiveCamera.clear(); },
         0, L"~Use the camera:1024"},
        {"pictures: the folder as a full path, checked", [](TrayMenuInput& in) {
             in.settings.PicturesDirectory = L"D:\\Photos\\2024";
         },
         1, L"Show Pictures*[~Set Active:1027|-|D:\\Photos\\2024*:1032|-|SelectDirectory:1035|-|"
            L"Morphing Type[RightToLeft:1036|ad type*:1037|none:1038]]"},
        {"pictures without a folder", [](TrayMenuInput& in) { in.settings.PicChType = 3; }, 1,
         L"Show Pictures*[~Set Active:1027|-|none:1024|-|SelectDirectory:1035|-|"
         L"Morphing Type[RightToLeft:1036|ad type:1037|none*:1038]]"},
        {"video with a file", [](TrayMenuInput& in) { in.settings.VideoFile = L"E:\\v.avi"; }, 2,
         L"Play video[Set Active:1028|-|E:\\v.avi*:1033|-|Select the Video file:1039]"},
        {"video in video mode without a file", [](TrayMenuInput& in) { in.settings.GlobalType = Video; }, 2,
         L"Play video*[~Set Active:1028|-|none:1024|-|Select the Video file:1039]"},
        {"desktop: monitor names without their prefix, the selected one checked", [](TrayMenuInput&) {}, 3,
         L"Show Desktop[Set Active:1029|-|DISPLAY1:1224|DISPLAY2*:1225]"},
    };
    for (const Case& c : cases) {
        TrayMenuInput input = SampleInput();
        c.change(input);
        const std::vector<TrayMenuEntry> top = BuildTrayMenu(input);
        ASSERT_EQ(top.size(), 4u) << c.name;
        EXPECT_EQ(Shape({top[c.top]}), c.shape) << c.name;
    }
}

TEST(TrayMenu, HundredsOfDevicesStopAtTheirRanges)
{
    TrayMenuInput input = SampleInput();
    input.monitors.assign(130, MonitorRecord{"\\\\.\\D", 1, 1});
    input.cameras.assign(150, L"cam");
    const std::vector<TrayMenuEntry> top = BuildTrayMenu(input);
    const std::vector<TrayMenuEntry>& desktop = top[3].entries;
    ASSERT_EQ(desktop.size(), 2u + 100u);
    EXPECT_EQ(desktop.back().command, 1323);
    EXPECT_EQ(top[0].entries[3].entries.size(), 100u);
    EXPECT_EQ(top[0].entries[3].entries.back().command, 1223);
}

TEST(TrayMenu, CommandIds)
{
    using A = TrayAction::Kind;
    struct Case {
        uintptr_t id;
        A kind;
        int32_t index;
    };
    // Two cameras and three borders.
    const Case cases[] = {
        {1024, A::None, 0},           {1025, A::None, 0},          {1026, A::Activate, Camera},
        {1029, A::Activate, Desktop}, {1030, A::CameraOn, 0},      {1031, A::CameraOff, 0},
        {1032, A::Activate, Pictures}, {1033, A::Activate, Video}, {1034, A::ToggleBorder, 0},
        {1035, A::SelectDirectory, 0}, {1036, A::Transition, 1},   {1038, A::Transition, 3},
        {1039, A::SelectVideoFile, 0}, {1040, A::None, 0},         {1124, A::ChooseCamera, 0},
        {1125, A::ChooseCamera, 1},   {1126, A::None, 0},          {1224, A::ChooseMonitor, 0},
        {1323, A::ChooseMonitor, 99}, {1324, A::ChooseBorder, 0},  {1326, A::ChooseBorder, 2},
        {1327, A::None, 0},           {0x10000 + 1026, A::None, 0}, {uintptr_t(-1), A::None, 0},
    };
    for (const Case& c : cases) {
        const TrayAction action = TrayActionOf(c.id, 2, 3);
        EXPECT_EQ(action.kind, c.kind) << c.id;
        if (action.kind == c.kind && c.kind != A::None) {
            EXPECT_EQ(action.index, c.index) << c.id;
        }
    }
}

}  // namespace
