// The desktop input against the real GDI and GDI+ of the test session's screen: a top-most window covering the
// primary monitor is painted in known colours, captured at the monitor's current size and fitted into the frame.
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

    // One capture into frame_.
    ::testing::AssertionResult Capture(const MonitorRecord& monitor)
    {
        if (CaptureMonitorFrame(monitor, W, H, scaler_, frame_)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no frame made";
    }
    // Fills from input until the frame shows colours (bounded).
    ::testing::AssertionResult FillUntilShown(DesktopInput& input, Colours colours)
    {
        for (ULONGLONG deadline = GetTickCount64() + 5000; GetTickCount64() < deadline; Sleep(10)) {
            if (input.Fill(frame_.data(), frame_.size()) == S_OK && ShowsHalves(frame_, colours))
                return ::testing::AssertionSuccess();
        }
        return ShowsHalves(frame_, colours);
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
    FrameScaler scaler_;
};

TEST_F(DesktopSourceTest, TestSessionHasASixteenByNineMonitor)
{
    const MonitorRecord primary = Primary();
    EXPECT_FALSE(primary.DeviceName.empty());
    EXPECT_EQ(primary.Width, 1920);
    EXPECT_EQ(primary.Height, 1080);
}

TEST_F(DesktopSourceTest, CaptureShowsTheMonitorFittedAtItsCurrentSize)
{
    const MonitorRecord primary = Primary();
    const Colours first{kRed, kBlue}, second{kGreen, kYellow};
    CoverWindow cover(primary.Width, primary.Height, first);
    ASSERT_TRUE(cover);
    ASSERT_TRUE(ScreenShows(primary, first));
    ASSERT_TRUE(Capture(primary));
    EXPECT_TRUE(ShowsHalves(frame_, first));

    // A record from before a change of resolution: the capture takes the monitor's size of the moment.
    cover.Repaint(second);
    ASSERT_TRUE(ScreenShows(primary, second));
    ASSERT_TRUE(Capture(MonitorRecord{primary.DeviceName, 800, 600}));
    EXPECT_TRUE(ShowsHalves(frame_, second));
}

TEST_F(DesktopSourceTest, MonitorThatIsGoneGivesABlackFrame)
{
    const MonitorRecord primary = Primary();
    CoverWindow cover(primary.Width, primary.Height, {kRed, kBlue});
    ASSERT_TRUE(cover);
    std::fill(frame_.begin(), frame_.end(), uint8_t{0x55});
    ASSERT_TRUE(Capture(MonitorRecord{"\\\\.\\NOSUCHDISPLAY9", primary.Width, primary.Height}));
    EXPECT_TRUE(AllZero(frame_));
}

TEST_F(DesktopSourceTest, InputCapturesOnItsOwnThreadAndTheStreamOnlyCopies)
{
    const MonitorRecord primary = Primary();
    const Colours first{kRed, kBlue}, second{kGreen, kYellow};
    CoverWindow cover(primary.Width, primary.Height, first);
    ASSERT_TRUE(cover);
    ASSERT_TRUE(ScreenShows(primary, first));
    DesktopInput input(primary);
    ASSERT_EQ(input.Start(W, H), S_OK);
    ASSERT_TRUE(FillUntilShown(input, first));
    const ULONGLONG before = GetTickCount64();
    for (int i = 0; i < 10; ++i) ASSERT_EQ(input.Fill(frame_.data(), frame_.size()), S_OK);
    EXPECT_LT(GetTickCount64() - before, 50u) << "ten frames, ten copies";

    cover.Repaint(second);
    ASSERT_TRUE(ScreenShows(primary, second));
    EXPECT_TRUE(FillUntilShown(input, second)) << "the capture thread follows the screen";

    std::vector<uint8_t> small(FrameBytes(320, 240), 0x55);
    EXPECT_EQ(input.Fill(small.data(), small.size()), S_FALSE);
    for (uint8_t byte : small) ASSERT_EQ(byte, 0x55);
    input.Stop();
    EXPECT_EQ(input.Fill(frame_.data(), frame_.size()), S_FALSE);
}

TEST_F(DesktopSourceTest, TimeOfOneCaptureOfTheWholeScreen)
{
    constexpr int kRuns = 10;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kRuns; ++i) ASSERT_TRUE(Capture(Primary()));
    QueryPerformanceCounter(&end);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                      static_cast<double>(frequency.QuadPart) / kRuns;
    std::printf("[ timing ] capture and convert of %dx%d: %.1f ms\n", Primary().Width, Primary().Height, ms);
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
        MonitorRecord selected;
        EXPECT_EQ(SelectDesktopMonitor(index, &selected), primary);
        EXPECT_EQ(CurrentSettings().DesktopIndex, primary);
        EXPECT_EQ(selected.DeviceName, monitors[primary].DeviceName);
        EXPECT_EQ(selected.Width, monitors[primary].Width);
    }
}

TEST_F(DesktopSourceTest, ManyCapturesLeaveNoGdiObjectsOrHandlesBehind)
{
    ASSERT_TRUE(Capture(Primary()));  // whatever a first capture sets up once
    const HeldResources before = Held();
    ASSERT_GT(before.gdiObjects, 0u);
    ASSERT_GT(before.handles, 0u);
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(Capture(Primary()));
    // A monitor that is gone takes the early way out of the capture.
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(Capture(MonitorRecord{"\\\\.\\NOSUCHDISPLAY9", 1920, 1080}));
    const HeldResources after = Held();
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.handles, before.handles);
}

}  // namespace
