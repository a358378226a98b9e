#pragma once
// The test cameras of veltrane_test_camera.dll: class identifiers, device names and picture sizes.
// Each is registered in the video input device category under its name (see TestCameraRegistration.h).
#include <windows.h>

// {28A63893-6ACD-4B11-8973-B7097E4AC6D6}
static const CLSID CLSID_TestCamera = {0x28a63893, 0x6acd, 0x4b11, {0x89, 0x73, 0xb7, 0x09, 0x7e, 0x4a, 0xc6, 0xd6}};
// {9B351FCE-6E20-49D4-87EA-9B35C1F5CD10}
static const CLSID CLSID_TestCamera720p = {0x9b351fce, 0x6e20, 0x49d4, {0x87, 0xea, 0x9b, 0x35, 0xc1, 0xf5, 0xcd, 0x10}};
// {6DAD906B-0B4F-442D-8F49-0293BF92E671}
static const CLSID CLSID_TestCamera240p = {0x6dad906b, 0x0b4f, 0x442d, {0x8f, 0x49, 0x02, 0x93, 0xbf, 0x92, 0xe6, 0x71}};
// {B762CE82-8EA5-456E-8F31-FA78F2D37C38}
static const CLSID CLSID_TestCameraStalling = {0xb762ce82, 0x8ea5, 0x456e, {0x8f, 0x31, 0xfa, 0x78, 0xf2, 0xd3, 0x7c, 0x38}};

// {3F6C2A91-7D4E-4B58-A1C3-5E92D07B4F16}
static const CLSID CLSID_TestCamera1080p = {0x3f6c2a91, 0x7d4e, 0x4b58, {0xa1, 0xc3, 0x5e, 0x92, 0xd0, 0x7b, 0x4f, 0x16}};

struct TestCameraInfo {
    const CLSID* ClassId;
    const wchar_t* Name;
    int Width;
    int Height;
    // Frames delivered before FillBuffer blocks until the stream is stopped; 0: never blocks.
    unsigned StallAfterFrames;
};

// The stalling camera delivers this many frames of 640 x 480, then none until it is stopped.
constexpr unsigned kStallingCameraFrames = 3;

inline const TestCameraInfo kTestCameras[] = {
    {&CLSID_TestCamera, L"Test Camera", 640, 480, 0},
    {&CLSID_TestCamera720p, L"Test Camera 720p", 1280, 720, 0},
    {&CLSID_TestCamera240p, L"Test Camera 240p", 320, 240, 0},
    {&CLSID_TestCameraStalling, L"Test Camera Stalling", 640, 480, kStallingCameraFrames},
    {&CLSID_TestCamera1080p, L"Test Camera 1080p", 1920, 1080, 0},
};
constexpr int kTestCameraCount = sizeof kTestCameras / sizeof kTestCameras[0];
