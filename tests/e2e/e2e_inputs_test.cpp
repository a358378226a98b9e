// The video and desktop inputs and the placeholder pictures through the registered camera.
#include "CameraEndToEnd.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "filter/IData.h"
#include "filter/StreamFormats.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "support/CoverWindow.h"

#ifndef VELTRANE_VIDEO_DIR
#error "VELTRANE_VIDEO_DIR must name the folder of the test clips"
#endif

namespace {

std::wstring Clip(const wchar_t* name)
{
    std::wstring path = std::wstring(VELTRANE_VIDEO_DIR) + L"\\" + name;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// Frame number shown by the counter clip: a white bar of (n + 1) * 3 of its 160 columns, so 12 frame columns per
// number; -1 for a frame without a bar.
int CounterValue(const CapturedFrame& frame)
{
    int bright = 0;
    for (int x = 0; x < kWidth; ++x) bright += PixelAt(frame, x, kHeight / 2)[1] > 128 ? 1 : 0;
    return (bright + 6) / 12 - 1;
}

bool IsNear(const uint8_t* pixel, COLORREF colour)
{
    const int tolerance = 8;
    return std::abs(pixel[2] - GetRValue(colour)) <= tolerance &&
           std::abs(pixel[1] - GetGValue(colour)) <= tolerance && std::abs(pixel[0] - GetBValue(colour)) <= tolerance;
}

ComRef<IData> SettingsOf(CameraGraph& camera)
{
    ComRef<IData> data;
    if (camera.device) (void)camera.device->QueryInterface(IID_IData, data.PutVoid());
    return data;
}

// Moves a placeholder picture out of the module's Data folder for a test and back afterwards; a copy left aside
// by an earlier run that did not finish is put back first.
class HiddenPlaceholder {
public:
    explicit HiddenPlaceholder(const wchar_t* name)
        : path_(CameraFolder() + L"Data\\" + name), aside_(path_ + L".aside")
    {
        if (GetFileAttributesW(aside_.c_str()) != INVALID_FILE_ATTRIBUTES)
            (void)MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
        hidden_ = MoveFileExW(path_.c_str(), aside_.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    ~HiddenPlaceholder()
    {
        if (hidden_) (void)MoveFileExW(aside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    HiddenPlaceholder(const HiddenPlaceholder&) = delete;
    HiddenPlaceholder& operator=(const HiddenPlaceholder&) = delete;
    bool Hidden() const { return hidden_; }

private:
    std::wstring path_;
    std::wstring aside_;
    bool hidden_ = false;
};

TEST_F(CameraEndToEnd, VideoModePlaysTheClipAndStartsItAgainAtItsEnd)
{
    ASSERT_TRUE(settings_.Number(L"GlobalType", kVideoMode));
    ASSERT_TRUE(settings_.Number(L"RepeatVideo", 1));
    ASSERT_TRUE(settings_.String(L"VideoFile", Clip(L"counter.avi")));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));

    // The counter goes up to the clip's last frame (49), then the file starts again from its first frame.
    int last = -1, highest = -1, wentBackAt = -1;
    bool restarted = false;
    auto playsOnAfterRestart = [&](const CapturedFrame& frame) {
        const int value = CounterValue(frame);
        if (frame.bytes.size() != kFrameBytes || value < 0) return false;
        if (last >= 0 && value < last) {
            if (last >= 45 && value <= 2)
                restarted = true;
            else if (wentBackAt < 0)
                wentBackAt = last;
        }
        last = value;
        highest = std::max(highest, value);
        return restarted && value >= 5;
    };
    EXPECT_TRUE(recorder_.WaitFor(playsOnAfterRestart, 30000)) << "highest " << highest << ", last " << last;
    EXPECT_EQ(wentBackAt, -1) << "went back before the end of the clip";
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, DesktopModeShowsAWindowOnThePrimaryMonitor)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    // The test session's screen is 16:9: the frame has black bands of 60 rows.
    ASSERT_EQ(width * 9, height * 16) << width << " x " << height;
    const Colours colours{RGB(255, 0, 0), RGB(0, 0, 255)};
    CoverWindow cover(width, height, colours);
    ASSERT_TRUE(cover);
    std::string shown;
    ASSERT_TRUE(ScreenShows(width, height, colours, &shown)) << shown;

    // No DesktopIndex saved: the primary monitor.
    ASSERT_TRUE(settings_.Number(L"GlobalType", kDesktopMode));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    auto showsTheWindow = [&](const CapturedFrame& frame) {
        if (frame.bytes.size() != kFrameBytes) return false;
        return IsNear(PixelAt(frame, 160, 240), colours.left) && IsNear(PixelAt(frame, 480, 240), colours.right) &&
               IsNear(PixelAt(frame, 320, 30), RGB(0, 0, 0)) && IsNear(PixelAt(frame, 320, 450), RGB(0, 0, 0));
    };
    EXPECT_TRUE(recorder_.WaitFor(showsTheWindow, kFirstFrameMs));
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, PlaceholdersShowTheirPictureAndADeletedOneGivesBlack)
{
    std::vector<uint8_t> noCamera;
    ASSERT_TRUE(LoadPictureFrame(CameraFolder() + L"Data\\nocamera.jpg", kWidth, kHeight, noCamera));
    ASSERT_FALSE(IsAllZero(noCamera));
    ASSERT_TRUE(settings_.Number(L"GlobalType", kCameraMode));
    ASSERT_TRUE(settings_.String(L"ActiveCamera", L"No Such Camera"));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    ASSERT_TRUE(recorder_.WaitFor([&](const CapturedFrame& frame) { return frame.bytes == noCamera; },
                                  kFirstFrameMs));

    // The pictures placeholder is read when that failure begins; without its file the frames are black.
    auto hidden = std::make_unique<HiddenPlaceholder>(L"nopictures.jpg");
    ASSERT_TRUE(hidden->Hidden());
    ComRef<IData> data = SettingsOf(camera);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->SetPicturesDirectory(folder_.Path().c_str()), S_OK);
    ASSERT_EQ(data->SetGlobalType(kPicturesMode), S_OK);
    ASSERT_TRUE(recorder_.WaitFor([](const CapturedFrame& frame) { return IsAllZero(frame.bytes); }, kFirstFrameMs));
    std::vector<CapturedFrame> next;
    ASSERT_TRUE(recorder_.WaitForCount(3, 5000, &next));
    for (const CapturedFrame& frame : next) {
        EXPECT_EQ(frame.bytes.size(), kFrameBytes);
        EXPECT_TRUE(IsAllZero(frame.bytes));
    }

    // The module keeps the black placeholder until another failure begins: show the camera's again, so that
    // later tests in this process see the pictures placeholder read from its restored file.
    hidden.reset();
    ASSERT_EQ(data->SetGlobalType(kCameraMode), S_OK);
    EXPECT_TRUE(recorder_.WaitFor([&](const CapturedFrame& frame) { return frame.bytes == noCamera; },
                                  kFirstFrameMs));
    camera.graph.Stop();
}

// The pixel (blue, green, red) at column x of row y counted from the top of a width x height frame.
const uint8_t* PixelOf(const CapturedFrame& frame, int width, int height, int x, int y)
{
    return frame.bytes.data() + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
}

TEST_F(CameraEndToEnd, EveryInputRendersAtTheHdSizesItselfFittedWithBands)
{
    const std::wstring square = folder_.File(L"square.png");
    ASSERT_TRUE(WriteSolidPicture(square, 300, 300, 0xFF20C040u));
    TempDir borders;  // apart from the pictures folder, which would show the border as a slide
    const std::wstring border = borders.File(L"border.png");
    ASSERT_TRUE(WriteTestPicture(border, 320, 180, [](int x, int y) {
        return x < 10 || y < 10 || x >= 310 || y >= 170 ? 0xFFFF0000u : 0x00000000u;
    }));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 3));
    std::vector<uint8_t> expectedSquare, expectedNoCamera;
    struct Case {
        const char* name;
        std::function<void(IData&)> choose;
        std::function<bool(const CapturedFrame&, int width, int height)> shows;
    };
    const Case cases[] = {
        {"pictures: a square picture between bands", [](IData&) {},
         [&](const CapturedFrame& frame, int, int) { return frame.bytes == expectedSquare; }},
        {"the no camera placeholder",
         [](IData& data) {
             ASSERT_EQ(data.SetActiveCamera(L"No Such Camera"), S_OK);
             ASSERT_EQ(data.SetGlobalType(kCameraMode), S_OK);
         },
         [&](const CapturedFrame& frame, int, int) { return frame.bytes == expectedNoCamera; }},
        {"a 1080p camera with a border stretched over the frame",
         [&](IData& data) {
             ASSERT_EQ(data.SetActiveCamera(L"Test Camera 1080p"), S_OK);
             ASSERT_EQ(data.SetBorderFile(border.c_str()), S_OK);
             ASSERT_EQ(data.SetUseBorder(1), S_OK);
         },
         [&](const CapturedFrame& frame, int width, int height) {
             const uint8_t* corner = PixelOf(frame, width, height, 2, 2);
             const uint8_t* middle = PixelOf(frame, width, height, width / 2, height / 2);
             return corner[2] > 200 && corner[1] < 60 && !(middle[2] > 200 && middle[1] < 60) &&
                    middle[0] + middle[1] + middle[2] > 0;
         }},
        {"a 16:9 clip filling the frame",
         [](IData& data) {
             ASSERT_EQ(data.SetVideoFile(Clip(L"clip-16x9.mp4").c_str()), S_OK);
             ASSERT_EQ(data.SetGlobalType(kVideoMode), S_OK);
         },
         [&](const CapturedFrame& frame, int width, int height) {
             // The clip's colour, 0x3070C0, under the light noise it carries.
             for (int y : {2, height / 2, height - 3}) {
                 const uint8_t* pixel = PixelOf(frame, width, height, width / 2, y);
                 if (std::abs(pixel[2] - 0x30) > 24 || std::abs(pixel[1] - 0x70) > 24 || std::abs(pixel[0] - 0xC0) > 24)
                     return false;
             }
             return true;
         }},
    };
    for (const StreamSize size : {StreamSize{1280, 720}, StreamSize{1920, 1080}}) {
        ASSERT_TRUE(LoadPictureFrame(square, size.width, size.height, expectedSquare));
        ASSERT_TRUE(LoadPictureFrame(CameraFolder() + L"Data\\nocamera.jpg", size.width, size.height, expectedNoCamera));
        ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 3));
        CameraGraph camera;
        // On the graph's clock: free running, frames of this size would come faster than they are looked at.
        ASSERT_NO_FATAL_FAILURE(Start(camera, size.width, size.height, false));
        ComRef<IData> data = SettingsOf(camera);
        ASSERT_TRUE(data);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << " at " << size.width << " x " << size.height);
            ASSERT_NO_FATAL_FAILURE(c.choose(*data.Get()));
            (void)recorder_.TakeNew();  // the frames of the case before
            EXPECT_TRUE(recorder_.WaitFor(
                [&](const CapturedFrame& frame) {
                    return frame.bytes.size() == FrameBytes(size.width, size.height) &&
                           c.shows(frame, size.width, size.height);
                },
                kFirstFrameMs));
        }
        camera.graph.Stop();
    }
}

}  // namespace
