#pragma once
// The fixture of the end-to-end tests: the test cameras and Veltrane.ax registered once per run, the user's
// settings saved per test, and the camera opened and run in a host's graph.
#include "CameraHarness.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "filter/framework/TestCameraRegistration.h"
#include "support/TestFiles.h"

// The filter class as hosts create it.
inline constexpr CLSID kVeltraneClass = {0x7d2a5e14, 0x93c8, 0x4b1f, {0xa6, 0xe2, 0x5c, 0x0d, 0x91, 0xf3, 0xb8, 0x47}};

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr size_t kFrameBytes = static_cast<size_t>(kWidth) * kHeight * 3;
constexpr long long kFrameTime = 1000000;  // 10 frames per second
constexpr DWORD kFirstFrameMs = 15000;

// The input modes as the saved setting GlobalType names them.
enum SavedMode : DWORD { kCameraMode = 1, kPicturesMode = 2, kVideoMode = 3, kDesktopMode = 4 };

class CameraEndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // The module as COM loads it (its DllCanUnloadNow).
    static TestCameraRegistration& Module();

    void SetUp() override;

    void SavePictures(const std::wstring& folder, DWORD changedTime, DWORD morphingTime, DWORD changeType);
    // Opens the camera (which reads the saved settings), connects it in its default format (or at width x height)
    // and runs it, without a clock (free running) or on the graph's clock.
    void Start(CameraGraph& camera, int width = kWidth, int height = kHeight, bool freeRunning = true);
    // Starts keeper and waits until its input shows something other than black (its picture or placeholder):
    // the process's camera objects share the input, so graphs made while keeper runs have it ready.
    void KeepInputReady(CameraGraph& keeper);

    SavedSettingsKey settings_;
    TempDir folder_;
    FrameRecorder recorder_;
};

bool IsTestCameraFrame(const CapturedFrame& frame);
bool IsAllZero(const std::vector<uint8_t>& bytes);
// The pixel (blue, green, red) at column x of row y counted from the top of a 640 x 480 frame.
const uint8_t* PixelAt(const CapturedFrame& frame, int x, int y);
