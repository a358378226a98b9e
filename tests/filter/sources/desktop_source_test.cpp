// The desktop input against the real GDI and GDI+ of the test session's screen: a top-most window covering the
// primary monitor is painted in known colours, captured, fitted into the frame and paced by an injected clock.
#include "filter/sources/DesktopSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter/settings/SettingsStore.h"
#include "filter/sources/FrameFormat.h"
#include "support/CoverWindow.h"
#include "support/ProcessResources.h"

namespace {

constexpr int W = kFrameWidth;
constexpr int H = kFrameHeight;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

uint32_t g_now = 1000;
uint32_t FakeTick() { return g_now; }

// ---- frame inspection ----------------------------------------------------------------------------------------

// Colour of the frame pixel at (x, y) counted from the top-left corner; the frame is stored bottom-up.
COLORREF PixelAt(const std::vector<uint8_t>& frame, int x, int y)
{
    const uint8_t* p = &frame[(static_cast<size_t>(H - 1 - y) * W + x) * 3];
    return RGB(p[2], p[1], p[0]);
}

bool IsNear(COLORREF actual, COLORREF expected, int tolerance)
{
    return std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
           std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
           std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance;
}

// Every pixel of the given rows within x in [fromX, toX] has the colour (black exactly, others nearly).
::testing::AssertionResult RowsAre(const std::vector<uint8_t>& frame, int fromY, int toY, int fromX, int toX,
                                   COLORREF colour)
{
    const int tolerance = colour == kBlack ? 0 : 8;
    for (int y = fromY; y <= toY; ++y)
        for (int x = fromX; x <= toX; ++x)
            if (!IsNear(PixelAt(frame, x, y), colour, tolerance))
                return ::testing::AssertionFailure() << "(" << x << ", " << y << ") is "
                                                     << DescribeColour(PixelAt(frame, x, y)) << ", expected "
                                                     << DescribeColour(colour);
    return ::testing::AssertionSuccess();
}

// A 16:9 monitor in a 640 x 480 frame: black bands of 60 rows, the left half of the picture left, the right half
// right. The rows and columns next to an edge are left out: how far bicubic scaling blends them is GDI+'s affair.
::testing::AssertionResult ShowsHalves(const std::vector<uint8_t>& frame, Colours colours)
{
    if (auto r = RowsAre(frame, 0, 59, 0, W - 1, kBlack); !r) return r;
    if (auto r = RowsAre(frame, 420, 479, 0, W - 1, kBlack); !r) return r;
    if (auto r = RowsAre(frame, 62, 417, 0, 316, colours.left); !r) return r;
    return RowsAre(frame, 62, 417, 323, W - 1, colours.right);
}

bool AllZero(const std::vector<uint8_t>& frame)
{
    for (uint8_t byte : frame)
        if (byte != 0) return false;
    return true;
}

// ---- what the process holds -----------------------------------------------------------------------------------

struct HeldResources {
    size_t gdiObjects = 0;
    size_t handles = 0;
};

HeldResources Held() { return HeldResources{CountGdiObjects(), CountOpenHandles()}; }

// ---- fixture -------------------------------------------------------------------------------------------------

class DesktopSourceTest : public testing::Test {
protected:
    static void SetUpTestSuite() { LoadSettings(); }

    void SetUp() override
    {
        ForgetDesktopSource();
        g_now = 1000;
        SetDesktopTickSource(&FakeTick);
    }
    void TearDown() override
    {
        SetDesktopTickSource(nullptr);
        ForgetDesktopSource();
    }

    static MonitorRecord Primary()
    {
        const std::vector<MonitorRecord> monitors = MonitorList();
        const int32_t primary = PrimaryMonitorPosition();
        return primary >= 0 && static_cast<size_t>(primary) < monitors.size() ? monitors[primary] : MonitorRecord{};
    }

    static ::testing::AssertionResult ScreenShows(const MonitorRecord& monitor, Colours colours)
    {
        std::string shown;
        if (::ScreenShows(monitor.Width, monitor.Height, colours, &shown)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "screen shows " << shown;
    }

    std::vector<uint8_t> frame_ = std::vector<uint8_t>(FrameBytes(W, H), 0x55);
};

TEST_F(DesktopSourceTest, TestSessionHasASixteenByNineMonitor)
{
    const MonitorRecord primary = Primary();
    EXPECT_FALSE(primary.DeviceName.empty());
    EXPECT_EQ(primary.Width, 1920);
    EXPECT_EQ(primary.Height, 1080);
}

TEST_F(DesktopSourceTest, WithoutAMonitorNothingIsWritten)
{
    EXPECT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_FALSE);
    for (uint8_t byte : frame_) ASSERT_EQ(byte, 0x55);
    EXPECT_FALSE(CurrentDesktopMonitor().has_value());
}

TEST_F(DesktopSourceTest, FrameShowsTheMonitorFittedAndFollowsThePace)
{
    const MonitorRecord primary = Primary();
    const Colours first{kRed, kBlue}, second{kGreen, kYellow};
    CoverWindow cover(primary.Width, primary.Height, first);
    ASSERT_TRUE(cover);
    StartDesktopSource(primary, W, H);

    ASSERT_TRUE(ScreenShows(primary, first));

    // The first frame after the start captures, whatever the tick.
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, first));

    // A new picture on the screen: up to 40 ms after the capture the old one is repeated, at 41 ms it shows.
    cover.Repaint(second);
    ASSERT_TRUE(ScreenShows(primary, second));
    const uint32_t captured = g_now;
    for (uint32_t later : {0u, 20u, 40u}) {
        g_now = captured + later;
        ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
        EXPECT_TRUE(ShowsHalves(frame_, first)) << later << " ms";
    }
    g_now = captured + 41;
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, second));

    // The clock runs from that capture: 20 ms later still the same picture, even though the screen changed.
    cover.Repaint(first);
    ASSERT_TRUE(ScreenShows(primary, first));
    g_now += 20;
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, second));

    // Once the clock is reset the very next frame captures.
    ResetDesktopCaptureClock();
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, first));

    // A tick that wrapped past zero since the last capture still paces the captures.
    cover.Repaint(second);
    ASSERT_TRUE(ScreenShows(primary, second));
    g_now = 0xFFFFFFF0u;
    ResetDesktopCaptureClock();
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, second));
    cover.Repaint(first);
    ASSERT_TRUE(ScreenShows(primary, first));
    g_now = 24;  // 40 ms later
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, second));
    g_now = 25;
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, first));
}

TEST_F(DesktopSourceTest, TimeOfOneCaptureOfTheWholeScreen)
{
    StartDesktopSource(Primary(), W, H);
    constexpr int kRuns = 10;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kRuns; ++i) {
        g_now += 41;
        ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    }
    QueryPerformanceCounter(&end);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                      static_cast<double>(frequency.QuadPart) / kRuns;
    std::printf("[ timing ] capture and convert of %dx%d: %.1f ms\n", Primary().Width, Primary().Height, ms);
}

TEST_F(DesktopSourceTest, SampleOfAnotherSizeIsNeverWritten)
{
    const MonitorRecord primary = Primary();
    const Colours colours{kBlue, kRed};
    CoverWindow cover(primary.Width, primary.Height, colours);
    ASSERT_TRUE(cover);
    ASSERT_TRUE(ScreenShows(primary, colours));
    StartDesktopSource(primary, W, H);
    std::vector<uint8_t> small(FrameBytes(320, 240), 0x55);
    for (int i = 0; i < 3; ++i) {
        g_now += 41;
        EXPECT_EQ(FillDesktopFrame(small.data(), small.size()), S_FALSE);
    }
    for (uint8_t byte : small) ASSERT_EQ(byte, 0x55);
    EXPECT_EQ(FillDesktopFrame(nullptr, frame_.size()), S_FALSE);

    // The small samples took the clock's turns: a frame of the right size at the same tick has nothing to show
    // yet, the next turn captures.
    EXPECT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_FALSE);
    for (uint8_t byte : frame_) ASSERT_EQ(byte, 0x55);
    g_now += 41;
    EXPECT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    EXPECT_TRUE(ShowsHalves(frame_, colours));
}

TEST_F(DesktopSourceTest, MonitorThatCannotBeCapturedGivesABlackFrame)
{
    const MonitorRecord primary = Primary();
    CoverWindow cover(primary.Width, primary.Height, {kRed, kBlue});
    ASSERT_TRUE(cover);
    const MonitorRecord broken[] = {
        {primary.DeviceName, 0, primary.Height},
        {primary.DeviceName, primary.Width, 0},
        {primary.DeviceName, 0, 0},
        {primary.DeviceName, -5, -5},
        {"\\\\.\\NOSUCHDISPLAY9", primary.Width, primary.Height},
    };
    for (const MonitorRecord& record : broken) {
        SCOPED_TRACE(testing::Message() << record.DeviceName << " " << record.Width << " x " << record.Height);
        ForgetDesktopSource();
        StartDesktopSource(record, W, H);
        std::fill(frame_.begin(), frame_.end(), uint8_t{0x55});
        EXPECT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
        EXPECT_TRUE(AllZero(frame_));
    }
}

TEST_F(DesktopSourceTest, SelectingAMonitorStoresItsPosition)
{
    const std::vector<MonitorRecord> monitors = MonitorList();
    ASSERT_FALSE(monitors.empty());
    const int32_t primary = PrimaryMonitorPosition();
    const int32_t count = static_cast<int32_t>(monitors.size());
    for (int32_t index : {-1, count, 7, primary}) {
        SCOPED_TRACE(index);
        ProcessSettings().SetNumber(&FilterSettings::DesktopIndex, 12345);
        EXPECT_EQ(SelectDesktopMonitor(index), primary);
        EXPECT_EQ(CurrentSettings().DesktopIndex, primary);
        const std::optional<MonitorRecord> current = CurrentDesktopMonitor();
        ASSERT_TRUE(current.has_value());
        EXPECT_EQ(current->DeviceName, monitors[primary].DeviceName);
        EXPECT_EQ(current->Width, monitors[primary].Width);
        EXPECT_EQ(current->Height, monitors[primary].Height);
    }
    // A selection without a start gives frames of the size of the last start only.
    EXPECT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_FALSE);
    StartDesktopSource(monitors[primary], W, H);
    EXPECT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
}

TEST_F(DesktopSourceTest, ManyCapturesLeaveNoGdiObjectsOrHandlesBehind)
{
    // A corner of the primary monitor takes every step of a full capture in a fraction of its time.
    const MonitorRecord corner{Primary().DeviceName, 192, 108};
    StartDesktopSource(corner, W, H);
    g_now += 41;
    ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);  // whatever a first capture sets up once
    const HeldResources before = Held();
    ASSERT_GT(before.gdiObjects, 0u);
    ASSERT_GT(before.handles, 0u);

    for (int i = 0; i < 200; ++i) {
        g_now += 41;
        ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
    }
    // The broken records take the early ways out of the capture.
    for (const MonitorRecord& record : {MonitorRecord{"\\\\.\\NOSUCHDISPLAY9", 1920, 1080},
                                        MonitorRecord{Primary().DeviceName, 0, 1080}}) {
        StartDesktopSource(record, W, H);
        for (int i = 0; i < 20; ++i) {
            g_now += 41;
            ASSERT_EQ(FillDesktopFrame(frame_.data(), frame_.size()), S_OK);
        }
    }

    const HeldResources after = Held();
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.handles, before.handles);
}

}  // namespace
