// veltrane-capture run as a child process against the registered test cameras: the device list, the frames and
// their timestamps, and the exit code of each failure.
#include "ChildProcess.h"

#include "filter/framework/TestCameraPattern.h"
#include "filter/framework/TestCameraRegistration.h"
#include "support/TestFiles.h"
#include "tools/CaptureOptions.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>

#ifndef VELTRANE_CAPTURE_EXE
#error "VELTRANE_CAPTURE_EXE must name veltrane-capture.exe"
#endif

namespace {

constexpr DWORD kChildTimeoutMs = 60000;

std::wstring CaptureExe()
{
    std::wstring path = VELTRANE_CAPTURE_EXE;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The pixels of a picture file as top-down rows of blue, green, red; empty when it cannot be decoded.
std::vector<uint8_t> DecodeTopDownPixels(const std::wstring& path, int* width, int* height)
{
    using namespace Gdiplus;
    std::vector<uint8_t> pixels;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Ok) return pixels;
    UINT w = 0, h = 0;
    BitmapData data{};
    if (DllExports::GdipGetImageWidth(bitmap, &w) == Ok && DllExports::GdipGetImageHeight(bitmap, &h) == Ok) {
        Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
        if (DllExports::GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat24bppRGB, &data) == Ok) {
            pixels.resize(static_cast<size_t>(w) * h * 3);
            for (UINT y = 0; y < h; ++y) {
                const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
                std::copy(row, row + w * 3, pixels.begin() + static_cast<ptrdiff_t>(y) * w * 3);
            }
            // Only ends the read access; the copy is already made.
            (void)DllExports::GdipBitmapUnlockBits(bitmap, &data);
        }
    }
    DllExports::GdipDisposeImage(bitmap);
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return pixels;
}

// Empty when the picture is the test camera's frame `number`, otherwise what is wrong with it.
std::string CheckPatternPicture(const std::wstring& path, int width, int height, unsigned number)
{
    int w = 0, h = 0;
    const std::vector<uint8_t> pixels = DecodeTopDownPixels(path, &w, &h);
    if (pixels.empty()) return "cannot decode";
    if (w != width || h != height) return "size " + std::to_string(w) + "x" + std::to_string(h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t* pixel = &pixels[(static_cast<size_t>(y) * w + x) * 3];
            if (pixel[0] != (x & 0xFF) || pixel[1] != (y & 0xFF) || pixel[2] != (number & 0xFF)) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") differs";
            }
        }
    }
    return std::string();
}

std::string ExpectedLine(int index)
{
    return "frame " + std::to_string(index) + " start " + std::to_string(index * kTestCameraFrameTime) + " end " +
           std::to_string((index + 1) * kTestCameraFrameTime);
}

int CountPictures(const TempDir& folder, int upTo)
{
    int count = 0;
    while (count < upTo && FileExists(folder.File(CaptureFrameFileName(count)))) ++count;
    return count;
}

class CaptureTool : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cameras_.Registered()) << std::hex << cameras_.Result(); }

    ChildRun Capture(const std::wstring& device, std::vector<std::wstring> extra)
    {
        std::vector<std::wstring> args = {L"--device", device, L"--out", out_.Path()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunChild(CaptureExe(), args, kChildTimeoutMs);
    }

    TestCameraRegistration cameras_;
    TempDir out_;
};

TEST_F(CaptureTool, ListsTheRegisteredCamerasOnePerLine)
{
    const ChildRun run = RunChild(CaptureExe(), {L"--list"}, kChildTimeoutMs);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kCaptureOk)) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    for (const char* name : {"Test Camera", "Test Camera 720p", "Test Camera 240p"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), name), lines.end()) << name << " in:\n" << run.out;
    }
}

TEST_F(CaptureTool, WritesEachFrameAsAPictureWithItsTimestamps)
{
    const ChildRun run = Capture(L"Test Camera", {L"--frames", L"5"});
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, static_cast<DWORD>(kCaptureOk)) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines[static_cast<size_t>(i)], ExpectedLine(i));
        EXPECT_EQ(CheckPatternPicture(out_.File(CaptureFrameFileName(i)), 640, 480, static_cast<unsigned>(i)), "")
            << "frame " << i;
    }
    EXPECT_FALSE(FileExists(out_.File(CaptureFrameFileName(5))));
}

TEST_F(CaptureTool, CreatesAMissingOutputFolder)
{
    const std::wstring nested = out_.File(L"a\\b");
    const ChildRun run = RunChild(CaptureExe(), {L"--device", L"Test Camera 240p", L"--out", nested},
                                  kChildTimeoutMs);
    ASSERT_EQ(run.exitCode, static_cast<DWORD>(kCaptureOk)) << run.err;
    EXPECT_EQ(CheckPatternPicture(nested + L"\\" + CaptureFrameFileName(0), 320, 240, 0), "");
}

TEST_F(CaptureTool, ReportsASizeTheDeviceCannotChoose)
{
    // The test cameras offer one fixed format and no stream configuration.
    const ChildRun run = Capture(L"Test Camera", {L"--size", L"320x240"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kCaptureSizeRefused));
    EXPECT_NE(run.err.find("cannot set the size 320x240"), std::string::npos) << run.err;
    EXPECT_EQ(SplitLines(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(FileExists(out_.File(CaptureFrameFileName(0))));
}

TEST_F(CaptureTool, ReportsAnUnknownDevice)
{
    const ChildRun run = Capture(L"No Such Camera", {});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kCaptureNoDevice));
    EXPECT_NE(run.err.find("\"No Such Camera\""), std::string::npos) << run.err;
    EXPECT_EQ(SplitLines(run.err).size(), 1u) << run.err;
}

TEST_F(CaptureTool, ReportsFramesMissingAtTheTimeoutAndKeepsThoseThatCame)
{
    // The stalling camera delivers its first frames and then nothing more.
    const ChildRun run = Capture(L"Test Camera Stalling", {L"--frames", L"5", L"--timeout-ms", L"1000"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kCaptureTimeout));
    EXPECT_NE(run.err.find("only 3 of 5 frames"), std::string::npos) << run.err;
    const std::vector<std::string> lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[2], ExpectedLine(2));
    EXPECT_EQ(CountPictures(out_, 10), 3);
}

TEST_F(CaptureTool, RejectsABadCommandLineWithTheUsage)
{
    const ChildRun run = RunChild(CaptureExe(), {L"--device", L"Test Camera", L"--frames", L"0"}, kChildTimeoutMs);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kCaptureUsage));
    EXPECT_NE(run.err.find("usage: veltrane-capture"), std::string::npos) << run.err;
}

TEST_F(CaptureTool, WithoutAClockFramesComeAsFastAsTheCameraMakesThem)
{
    // 90 frames span three seconds of stream time: with the reference clock the renderer holds each until its
    // time, so they cannot all arrive within 2.5 s; without it nothing waits.
    const std::vector<std::wstring> args = {L"--frames", L"90", L"--timeout-ms", L"2500"};
    std::vector<std::wstring> unclocked = args;
    unclocked.push_back(L"--no-clock");
    const ChildRun fast = Capture(L"Test Camera 240p", unclocked);
    ASSERT_TRUE(fast.finished);
    EXPECT_EQ(fast.exitCode, static_cast<DWORD>(kCaptureOk)) << fast.err;
    const std::vector<std::string> lines = SplitLines(fast.out);
    ASSERT_EQ(lines.size(), 90u);
    EXPECT_EQ(lines[89], ExpectedLine(89));
    EXPECT_EQ(CheckPatternPicture(out_.File(CaptureFrameFileName(89)), 320, 240, 89), "");

    TempDir clockedOut;
    std::vector<std::wstring> clocked = {L"--device", L"Test Camera 240p", L"--out", clockedOut.Path()};
    clocked.insert(clocked.end(), args.begin(), args.end());
    const ChildRun paced = RunChild(CaptureExe(), clocked, kChildTimeoutMs);
    ASSERT_TRUE(paced.finished);
    EXPECT_EQ(paced.exitCode, static_cast<DWORD>(kCaptureTimeout)) << paced.err;
    EXPECT_LT(SplitLines(paced.out).size(), 90u);
}

}  // namespace
