// The camera input against registered test cameras in real graphs.
#include "filter/sources/CameraSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "filter/framework/TestCameraIds.h"
#include "filter/sources/FrameFormat.h"
#include "filter/framework/TestCameraPattern.h"
#include "filter/framework/TestCameraRegistration.h"
#include "support/ProcessResources.h"
#include "support/TestFiles.h"

namespace {

constexpr size_t kSize = FrameBytes(kFrameWidth, kFrameHeight);
constexpr uint32_t kRed = 0xFFFF0000;

uint32_t g_now = 0;
uint32_t TestTick() { return g_now; }

const uint8_t* Pixel(const std::vector<uint8_t>& frame, int x, int yFromTop)
{
    return frame.data() + static_cast<size_t>(kFrameHeight - 1 - yFromTop) * 1920 + static_cast<size_t>(x) * 3;
}

bool IsRed(const uint8_t* p) { return p[0] < 40 && p[1] < 40 && p[2] > 215; }
bool IsBlack(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

// A 640 x 480 border: opaque red frame of 40 pixels, transparent middle.
bool WriteRedBorder(const std::wstring& path, int width = 640, int height = 480, int edge = 40)
{
    return WriteTestPicture(path, width, height, [=](int x, int y) {
        bool inFrame = x < edge || y < edge || x >= width - edge || y >= height - edge;
        return inFrame ? kRed : 0x00000000u;
    });
}

class CameraSourceTest : public testing::Test {
protected:
    static void SetUpTestSuite() { registration = new TestCameraRegistration(); }
    static void TearDownTestSuite()
    {
        delete registration;
        registration = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(registration->Registered()); }
    void TearDown() override
    {
        input.reset();
        CameraInput::SetTickSource(nullptr);
    }

    HRESULT Start(const std::wstring& name, int32_t useBorder = 0, const std::wstring& border = L"")
    {
        input = std::make_unique<CameraInput>(name, useBorder, border);
        return input->Start(kFrameWidth, kFrameHeight);
    }
    HRESULT Fill() { return input->Fill(frame.data(), frame.size()); }
    // Fills frames until one satisfies `done` (bounded: a camera that never gets there fails the test).
    template <class Done>
    HRESULT FillUntil(Done done)
    {
        HRESULT hr = E_FAIL;
        for (ULONGLONG deadline = GetTickCount64() + 10000; GetTickCount64() < deadline; Sleep(10)) {
            hr = Fill();
            if (hr == S_OK && done()) return hr;
        }
        return hr == S_OK ? E_FAIL : hr;
    }
    HRESULT FillFirstFrame() { return FillUntil([] { return true; }); }
    bool ShowsTestFrame()
    {
        const int number = ReadTestFrameNumber(frame.data(), frame.size(), 640, 480);
        return FirstTestFrameMismatch(frame.data(), frame.size(), 640, 480, number) == -1;
    }

    std::unique_ptr<CameraInput> input;

    static TestCameraRegistration* registration;
    TempDir dir;
    std::vector<uint8_t> frame = std::vector<uint8_t>(kSize, 0x5A);
};

TestCameraRegistration* CameraSourceTest::registration = nullptr;

TEST_F(CameraSourceTest, SameSizeCameraWithoutBorderGivesTheGrabbedBytesUnchanged)
{
    ASSERT_GE(Start(L"Test Camera"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    int number = ReadTestFrameNumber(frame.data(), frame.size(), 640, 480);
    EXPECT_EQ(FirstTestFrameMismatch(frame.data(), frame.size(), 640, 480, number), -1);
}

TEST_F(CameraSourceTest, WideCameraIsFittedBetweenBlackBands)
{
    ASSERT_GE(Start(L"Test Camera 720p"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    for (int y : {0, 59, 420, 479}) EXPECT_TRUE(IsBlack(Pixel(frame, 320, y))) << "row " << y;
    // Column x of the frame shows column 2x of the camera, whose blue is (2x) & 0xFF.
    const uint8_t* middle = Pixel(frame, 50, 240);
    EXPECT_NEAR(middle[0], 100, 6);
    EXPECT_NEAR(middle[1], (240 - 60) * 2 & 0xFF, 8);
}

TEST_F(CameraSourceTest, SmallCameraIsScaledUpToTheWholeFrame)
{
    ASSERT_GE(Start(L"Test Camera 240p"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    const uint8_t* middle = Pixel(frame, 320, 240);
    EXPECT_NEAR(middle[0], 160, 6);
    EXPECT_NEAR(middle[1], 120, 6);
    const uint8_t* corner = Pixel(frame, 630, 470);
    EXPECT_NEAR(corner[1], 235, 8) << "the picture reaches the bottom-right corner: no band";
}

TEST_F(CameraSourceTest, BorderCoversTheWholeFrameAndSwitchesOffAndOnAgain)
{
    const std::wstring border = dir.File(L"border.png");
    ASSERT_TRUE(WriteRedBorder(border));
    ASSERT_GE(Start(L"Test Camera", 1, border), 0);
    ASSERT_EQ(FillUntil([&] { return IsRed(Pixel(frame, 5, 5)); }), S_OK) << "the border is prepared by a worker";
    EXPECT_TRUE(IsRed(Pixel(frame, 634, 474)));
    const uint8_t* inside = Pixel(frame, 320, 240);
    EXPECT_EQ(inside[0], 320 & 0xFF);
    EXPECT_EQ(inside[1], 240);

    input->SetBorderEnabled(false);
    EXPECT_EQ(FillUntil([&] { return ShowsTestFrame(); }), S_OK) << "border gone";

    input->SetBorderEnabled(true);
    EXPECT_EQ(FillUntil([&] { return IsRed(Pixel(frame, 5, 5)); }), S_OK) << "the same border is back";

    // Stopping the input lets go of the prepared border, so none outlives a GDI+ shutdown.
    EXPECT_TRUE(input->BorderPictureHeld());
    input->Stop();
    EXPECT_FALSE(input->BorderPictureHeld());
}

TEST_F(CameraSourceTest, BorderOverAFittedCameraAndAStretchedSmallBorder)
{
    const std::wstring border = dir.File(L"small.png");
    ASSERT_TRUE(WriteRedBorder(border, 320, 240, 20));
    ASSERT_GE(Start(L"Test Camera 720p", 1, border), 0);
    ASSERT_EQ(FillUntil([&] { return IsRed(Pixel(frame, 320, 10)); }), S_OK) << "the border lies over the band too";
    EXPECT_TRUE(IsRed(Pixel(frame, 30, 240))) << "stretched: 20 pixels become 40";
    EXPECT_FALSE(IsRed(Pixel(frame, 50, 240)));
}

TEST_F(CameraSourceTest, BorderChosenWhileBordersAreOffShowsAndAReplacedFileIsFollowed)
{
    ASSERT_GE(Start(L"Test Camera", 0, L""), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    EXPECT_FALSE(IsRed(Pixel(frame, 5, 5)));

    const std::wstring border = dir.File(L"chosen.png");
    ASSERT_TRUE(WriteRedBorder(border));
    input->AssignBorder(border);
    EXPECT_EQ(FillUntil([&] { return IsRed(Pixel(frame, 5, 5)); }), S_OK);

    // Now an opaque blue picture, seen by the worker's next look at the file.
    ASSERT_TRUE(WriteSolidPicture(border, 640, 480, 0xFF0000FF));
    EXPECT_EQ(FillUntil([&] {
                  const uint8_t* p = Pixel(frame, 320, 240);
                  return p[0] > 215 && p[2] < 40;
              }),
              S_OK);
}

TEST_F(CameraSourceTest, UnreadableBordersLeaveThePictureAlone)
{
    const std::wstring corrupt = dir.File(L"corrupt.png");
    ASSERT_TRUE(WriteBytesFile(corrupt, std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, '\x11')));
    for (const std::wstring& border : {corrupt, dir.File(L"missing.png")}) {
        ASSERT_GE(Start(L"Test Camera", 1, border), 0);
        ASSERT_EQ(FillFirstFrame(), S_OK);
        Sleep(200);  // time for the worker to have tried the border
        ASSERT_EQ(FillFirstFrame(), S_OK);
        EXPECT_TRUE(ShowsTestFrame());
        input->Stop();
    }
}

TEST_F(CameraSourceTest, HugeBorderIsPreparedOffTheStreamWhichGoesOnMeanwhile)
{
    const std::wstring border = dir.File(L"huge.png");
    ASSERT_TRUE(WriteRedBorder(border, 7000, 7000, 400));
    ASSERT_GE(Start(L"Test Camera", 0, L""), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    input->AssignBorder(border);
    for (int i = 0; i < 5; ++i) {
        const ULONGLONG start = GetTickCount64();
        EXPECT_GE(Fill(), 0);
        EXPECT_LT(GetTickCount64() - start, 50u) << "a frame never decodes the border";
    }
    EXPECT_EQ(FillUntil([&] { return IsRed(Pixel(frame, 5, 5)); }), S_OK);
}

TEST_F(CameraSourceTest, NoCameraUnknownCameraAndTheVirtualCameraItselfGiveNoCamera)
{
    for (const wchar_t* name : {L"", L"No Such Camera", L"Veltrane"}) {
        EXPECT_EQ(Start(name), E_FRAME_NOCAMERA);
        EXPECT_EQ(Fill(), E_FRAME_NOCAMERA);
        EXPECT_FALSE(input->Running());
    }
    EXPECT_EQ(frame[0], 0x5A);
}

TEST_F(CameraSourceTest, RunningCameraHasItsNameAndSmallSamplesAreNotWritten)
{
    ASSERT_EQ(Start(L"Test Camera"), S_OK);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    EXPECT_TRUE(input->Running());
    EXPECT_EQ(input->Name(), L"Test Camera");
    std::vector<uint8_t> small(FrameBytes(320, 240), 0x5A);
    EXPECT_EQ(input->Fill(small.data(), small.size()), S_FALSE);
    EXPECT_EQ(small[0], 0x5A);
}

TEST_F(CameraSourceTest, CameraWithoutNewSamplesForTwoSecondsShowsNoCamera)
{
    g_now = 100000;
    CameraInput::SetTickSource(&TestTick);
    ASSERT_GE(Start(L"Test Camera Stalling"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    Sleep(500);  // the stalling camera has sent its last frame
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Fill(), S_OK);
    EXPECT_LT(GetTickCount64() - start, 100u) << "the producer never waits for the camera";
    g_now += CameraInput::kStallMilliseconds + 1;
    EXPECT_EQ(Fill(), E_FRAME_NOCAMERA);
}

TEST_F(CameraSourceTest, CameraUnregisteredWhileRunningGoesOnWithoutFault)
{
    ASSERT_GE(Start(L"Test Camera"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    delete registration;
    registration = nullptr;
    for (int i = 0; i < 5; ++i) EXPECT_GE(Fill(), 0);
    input->Stop();
    registration = new TestCameraRegistration();
    ASSERT_TRUE(registration->Registered());
}

TEST_F(CameraSourceTest, StopTwiceOrBeforeAnyStartIsHarmless)
{
    input = std::make_unique<CameraInput>(L"Test Camera", 0, L"");
    input->Stop();
    input->Stop();
    EXPECT_EQ(Fill(), E_FRAME_NOCAMERA);
}

TEST_F(CameraSourceTest, ShowingPropertiesOfACameraWithoutPagesOrOfNoCameraReturnsAtOnce)
{
    EXPECT_EQ(ShowCameraProperties(L"Test Camera"), S_OK);
    EXPECT_EQ(ShowCameraProperties(L"No Such Camera"), S_OK);
    EXPECT_EQ(ShowCameraProperties(L"Veltrane"), S_OK);
}

// Every cycle runs the camera until it delivered a frame, as a user switching inputs does; threads and handles are
// counted after the cycles settle (Wine keeps a few handles of every graph, hence the allowance per cycle).
TEST_F(CameraSourceTest, TwoHundredStartsAndStopsLeaveNoThreadsBehind)
{
    ASSERT_GE(Start(L"Test Camera"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    input->Stop();
    const size_t threadsBefore = CountThreads();
    const size_t handlesBefore = CountOpenHandles();
    for (int cycle = 0; cycle < 200; ++cycle) {
        ASSERT_GE(Start(L"Test Camera"), 0) << "cycle " << cycle;
        ASSERT_EQ(FillFirstFrame(), S_OK) << "cycle " << cycle;
        input->Stop();
    }
    const size_t threadsAfter = CountThreadsSettlingAtMost(threadsBefore);
    EXPECT_LE(threadsAfter, threadsBefore);
    EXPECT_LE(CountOpenHandles(), handlesBefore + 200 * 8) << "more than Wine keeps per graph";
    EXPECT_EQ(registration->CanUnloadNow(), S_OK);
}

TEST_F(CameraSourceTest, StartsAndStopsInQuickSuccessionNeverHang)
{
    // A user clicking through the inputs: the camera's graph is stopped before, or just after, its first frame.
    ASSERT_GE(Start(L"Test Camera"), 0);
    ASSERT_EQ(FillFirstFrame(), S_OK);
    input->Stop();
    const size_t threadsBefore = CountThreads();
    for (int cycle = 0; cycle < 150; ++cycle) {
        ASSERT_GE(Start(L"Test Camera"), 0) << "cycle " << cycle;
        if (cycle % 3 == 1) Sleep(1);
        input->Stop();
    }
    const size_t threadsAfter = CountThreadsSettlingAtMost(threadsBefore);
    EXPECT_LE(threadsAfter, threadsBefore);
}

}  // namespace
