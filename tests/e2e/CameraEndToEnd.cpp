#include "CameraEndToEnd.h"

#include <algorithm>

#include "filter/framework/TestCameraPattern.h"

#ifndef VELTRANE_MODULE
#error "VELTRANE_MODULE must name the built Veltrane.ax"
#endif

namespace {

std::unique_ptr<TestCameraRegistration> g_module;
std::unique_ptr<TestCameraRegistration> g_cameras;

std::wstring ModulePath()
{
    std::wstring path = VELTRANE_MODULE;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

}  // namespace

void CameraEndToEnd::SetUpTestSuite()
{
    g_cameras.reset(new TestCameraRegistration());
    g_module.reset(new TestCameraRegistration(ModulePath().c_str()));
}

void CameraEndToEnd::TearDownTestSuite()
{
    g_module.reset();
    g_cameras.reset();
}

TestCameraRegistration& CameraEndToEnd::Module()
{
    return *g_module;
}

void CameraEndToEnd::SetUp()
{
    ASSERT_TRUE(g_cameras->Registered()) << std::hex << g_cameras->Result();
    ASSERT_TRUE(g_module->Registered()) << std::hex << g_module->Result();
    ASSERT_TRUE(settings_.Number(L"UseBorder", 0));
    ASSERT_TRUE(settings_.Number(L"RepeatPicturesShowing", 1));
}

void CameraEndToEnd::SavePictures(const std::wstring& folder, DWORD changedTime, DWORD morphingTime,
                                  DWORD changeType)
{
    ASSERT_TRUE(settings_.Number(L"GlobalType", kPicturesMode));
    ASSERT_TRUE(settings_.String(L"PicturesDirectory", folder));
    ASSERT_TRUE(settings_.Number(L"ChangedTime", changedTime));
    ASSERT_TRUE(settings_.Number(L"MorphingTime", morphingTime));
    ASSERT_TRUE(settings_.Number(L"PicChType", changeType));
}

void CameraEndToEnd::Start(CameraGraph& camera, int width, int height, bool freeRunning)
{
    ASSERT_EQ(camera.Open(), S_OK);
    if (width != kWidth || height != kHeight) {
        ASSERT_EQ(SelectCaptureSize(camera.pin.Get(), width, height), S_OK);
    }
    ASSERT_EQ(camera.Connect(&recorder_), S_OK);
    ASSERT_EQ(camera.width, width);
    ASSERT_EQ(camera.height, height);
    // Without a reference clock, as a host may run it; it also keeps Wine's system clock thread out of the
    // graph, which can hang when the graph is released.
    if (freeRunning) {
        ASSERT_EQ(camera.graph.RemoveClock(), S_OK);
    }
    ASSERT_GE(camera.graph.Run(), 0);
}

bool IsTestCameraFrame(const CapturedFrame& frame)
{
    const int number = ReadTestFrameNumber(frame.bytes.data(), frame.bytes.size(), kWidth, kHeight);
    return frame.bytes.size() == kFrameBytes && number >= 0 &&
           FirstTestFrameMismatch(frame.bytes.data(), frame.bytes.size(), kWidth, kHeight,
                                  static_cast<unsigned>(number)) == -1;
}

bool IsAllZero(const std::vector<uint8_t>& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte == 0; });
}

const uint8_t* PixelAt(const CapturedFrame& frame, int x, int y)
{
    return frame.bytes.data() + (static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 3;
}

void CameraEndToEnd::KeepInputReady(CameraGraph& keeper)
{
    ASSERT_NO_FATAL_FAILURE(Start(keeper));
    ASSERT_TRUE(recorder_.WaitFor([](const CapturedFrame& shown) { return !IsAllZero(shown.bytes); }, kFirstFrameMs));
}
