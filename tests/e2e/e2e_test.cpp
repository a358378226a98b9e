// The "Veltrane" camera through the registered module, as a host sees it: the saved settings choose the input,
// a graph of the device, a Sample Grabber and a Null Renderer runs, and the frames are checked against what the
// input must show.
#include "CameraEndToEnd.h"

#include "filter/sources/GdiplusCanvas.h"

namespace {

bool Equals(const CapturedFrame& frame, const std::vector<uint8_t>& expected)
{
    return frame.bytes == expected;
}

// Along the middle row: how often the colour turns between mostly red and mostly blue, and whether both occur.
struct RowColours {
    int changes = 0;
    bool red = false;
    bool blue = false;
};

RowColours MiddleRowColours(const CapturedFrame& frame)
{
    RowColours colours;
    if (frame.bytes.size() < kFrameBytes) return colours;
    const uint8_t* row = frame.bytes.data() + static_cast<size_t>(kHeight / 2) * kWidth * 3;
    bool previous = false;
    for (int x = 0; x < kWidth; ++x) {
        const bool isRed = row[3 * x + 2] > row[3 * x];
        (isRed ? colours.red : colours.blue) = true;
        if (x > 0 && isRed != previous) ++colours.changes;
        previous = isRed;
    }
    return colours;
}

uint32_t Gradient(int x, int y)
{
    return 0xFF000000u | static_cast<uint32_t>((x * 7) & 0xFF) << 16 | static_cast<uint32_t>((y * 5) & 0xFF) << 8 |
           static_cast<uint32_t>((x + y) & 0xFF);
}

TEST_F(CameraEndToEnd, PicturesModeShowsTheFittedPicture)
{
    // A square picture: fitted with black bands left and right.
    const std::wstring picture = folder_.File(L"square.png");
    ASSERT_TRUE(WriteTestPicture(picture, 300, 300, Gradient));
    std::vector<uint8_t> expected;
    ASSERT_TRUE(LoadPictureFrame(picture, kWidth, kHeight, expected));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 600000, 100, 1));

    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    // Black until the picture is ready, then the picture.
    ASSERT_TRUE(recorder_.WaitFor([&](const CapturedFrame& frame) { return Equals(frame, expected); }, kFirstFrameMs));
    std::vector<CapturedFrame> frames;
    ASSERT_TRUE(recorder_.WaitForCount(3, kFirstFrameMs, &frames));
    for (const CapturedFrame& frame : frames) EXPECT_TRUE(Equals(frame, expected));
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, PicturesModeChangesPicturesWithTheSavedTransition)
{
    ASSERT_TRUE(WriteSolidPicture(folder_.File(L"red.png"), kWidth, kHeight, 0xFFFF0000u));
    ASSERT_TRUE(WriteSolidPicture(folder_.File(L"blue.png"), kWidth, kHeight, 0xFF0000FFu));
    auto mixed = [](const CapturedFrame& frame) {
        const RowColours colours = MiddleRowColours(frame);
        return colours.red && colours.blue;
    };
    struct Case {
        DWORD changeType;
        bool wipe;
    };
    for (const Case& c : {Case{1, true}, Case{2, false}}) {
        SCOPED_TRACE(c.changeType);
        ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 300, 2000, c.changeType));
        CameraGraph camera;
        ASSERT_NO_FATAL_FAILURE(Start(camera));
        CapturedFrame frame;
        ASSERT_TRUE(recorder_.WaitFor(mixed, kFirstFrameMs, &frame));
        const int changes = MiddleRowColours(frame).changes;
        if (c.wipe) {
            EXPECT_EQ(changes, 1);
        } else {
            EXPECT_GE(changes, 3);
        }
        camera.graph.Stop();
        recorder_.TakeNew();
    }
}

TEST_F(CameraEndToEnd, AnEmptyPicturesFolderShowsTheNoPicturesPlaceholder)
{
    std::vector<uint8_t> expected;
    ASSERT_TRUE(LoadPictureFrame(CameraFolder() + L"Data\\nopictures.jpg", kWidth, kHeight, expected));
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    EXPECT_TRUE(recorder_.WaitFor([&](const CapturedFrame& frame) { return Equals(frame, expected); },
                                  kFirstFrameMs));
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, CameraModePassesTheCameraFramesThroughUnchanged)
{
    ASSERT_TRUE(settings_.Number(L"GlobalType", kCameraMode));
    ASSERT_TRUE(settings_.String(L"ActiveCamera", L"Test Camera"));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    ASSERT_TRUE(recorder_.WaitFor(IsTestCameraFrame, kFirstFrameMs));
    std::vector<CapturedFrame> next;
    ASSERT_TRUE(recorder_.WaitForCount(5, 5000, &next));
    for (const CapturedFrame& frame : next) EXPECT_TRUE(IsTestCameraFrame(frame));
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, TimestampsStartAtZeroOnEveryRun)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    std::vector<CapturedFrame> frames;
    ASSERT_TRUE(recorder_.WaitForCount(3, kFirstFrameMs, &frames));
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(frames[i].hasStart && frames[i].hasEnd);
        EXPECT_EQ(frames[i].start, static_cast<long long>(i) * kFrameTime);
        EXPECT_EQ(frames[i].end, frames[i].start + kFrameTime);
    }
    camera.graph.Stop();
    recorder_.TakeNew();
    ASSERT_GE(camera.graph.Run(), 0);
    ASSERT_TRUE(recorder_.WaitForCount(2, kFirstFrameMs, &frames));
    EXPECT_EQ(frames[0].start, 0);
    EXPECT_EQ(frames[1].start, kFrameTime);
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, AnUnknownModeDeliversStampedSamplesWithoutWritingThem)
{
    ASSERT_TRUE(settings_.Number(L"GlobalType", 7));
    CameraGraph camera;
    ASSERT_NO_FATAL_FAILURE(Start(camera));
    std::vector<CapturedFrame> frames;
    ASSERT_TRUE(recorder_.WaitForCount(4, kFirstFrameMs, &frames));
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].start, static_cast<long long>(i) * kFrameTime);
        // One buffer goes round and nothing writes into it.
        EXPECT_TRUE(frames[i].bytes == frames[0].bytes) << i;
    }
    camera.graph.Stop();
}

TEST_F(CameraEndToEnd, ConnectsInAnotherSizeOnlyAfterSetFormat)
{
    ASSERT_NO_FATAL_FAILURE(SavePictures(folder_.Path(), 3000, 1000, 2));
    {
        CameraGraph camera;
        ASSERT_EQ(camera.Open(), S_OK);
        ComRef<IAMStreamConfig> config;
        ASSERT_EQ(camera.pin->QueryInterface(IID_IAMStreamConfig, config.PutVoid()), S_OK);
        int count = 0, size = 0;
        ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
        EXPECT_GT(count, 1);
        EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
        ASSERT_EQ(camera.Connect(&recorder_), S_OK);
        EXPECT_EQ(camera.width, kWidth);
        EXPECT_EQ(camera.height, kHeight);
    }
    CameraGraph camera;
    ASSERT_EQ(camera.Open(), S_OK);
    ASSERT_EQ(SelectCaptureSize(camera.pin.Get(), 320, 240), S_OK);
    ASSERT_EQ(camera.Connect(&recorder_), S_OK);
    EXPECT_EQ(camera.width, 320);
    EXPECT_EQ(camera.height, 240);
    ASSERT_GE(camera.graph.Run(), 0);
    std::vector<CapturedFrame> frames;
    ASSERT_TRUE(recorder_.WaitForCount(2, kFirstFrameMs, &frames));
    for (const CapturedFrame& frame : frames) EXPECT_EQ(frame.bytes.size(), 320u * 240u * 3u);
    camera.graph.Stop();
}

}  // namespace
