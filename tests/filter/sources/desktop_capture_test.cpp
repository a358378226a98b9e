// The desktop input's own rules: how a monitor is laid out as a 24-bit DIB, when a new capture is due, and which
// monitor a stored position selects.
#include "filter/sources/DesktopCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(DesktopCaptureLayoutTest, RowsArePaddedToFourBytes)
{
    // 1366 * 3 = 4098, two bytes short of a multiple of four.
    const CaptureLayout wide = DesktopCaptureLayout(1366, 768);
    EXPECT_EQ(wide.rowBytes, 4100u);
    EXPECT_EQ(wide.pixelBytes, 4100u * 768u);
    EXPECT_EQ(wide.header.sizeImage, 4100u * 768u);
    EXPECT_EQ(wide.fileBytes, 54u + 4100u * 768u);

    EXPECT_EQ(DesktopCaptureLayout(1920, 1080).rowBytes, 5760u);  // already a multiple of four
    EXPECT_EQ(DesktopCaptureLayout(1, 1).rowBytes, 4u);
    EXPECT_EQ(DesktopCaptureLayout(2, 1).rowBytes, 8u);
    EXPECT_EQ(DesktopCaptureLayout(3, 1).rowBytes, 12u);
    EXPECT_EQ(DesktopCaptureLayout(1025, 1).rowBytes, 3076u);
}

TEST(DesktopCaptureLayoutTest, HeaderDescribesABottomUpUncompressedDib)
{
    const CaptureHeaderFields header = DesktopCaptureLayout(1280, 1024).header;
    EXPECT_EQ(header.size, 40u);
    EXPECT_EQ(header.width, 1280);
    EXPECT_EQ(header.height, 1024);  // positive: bottom-up
    EXPECT_EQ(header.planes, 1);
    EXPECT_EQ(header.bitCount, 24);
    EXPECT_EQ(header.compression, 0u);
    EXPECT_EQ(header.sizeImage, 3840u * 1024u);
    EXPECT_EQ(header.xPelsPerMeter, 0);
    EXPECT_EQ(header.yPelsPerMeter, 0);
    EXPECT_EQ(header.clrUsed, 0u);
    EXPECT_EQ(header.clrImportant, 0u);
}

TEST(DesktopCaptureLayoutTest, MonitorWithoutPixelsHasNoRows)
{
    for (auto size : {std::pair<int32_t, int32_t>{0, 768}, {1366, 0}, {0, 0}, {-1366, 768}, {1366, -768}}) {
        const CaptureLayout layout = DesktopCaptureLayout(size.first, size.second);
        EXPECT_EQ(layout.rowBytes, 0u) << size.first << " x " << size.second;
        EXPECT_EQ(layout.pixelBytes, 0u);
        EXPECT_EQ(layout.header.sizeImage, 0u);
        EXPECT_EQ(layout.fileBytes, 54u);
    }
}

TEST(DesktopCaptureLayoutTest, SizesBeyondTheLimitHaveNoRowsInsteadOfOverflowing)
{
    const int32_t most = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(DesktopCaptureLayout(most, most).pixelBytes, 0u);
    EXPECT_EQ(DesktopCaptureLayout(most, most).header.sizeImage, 0u);
    EXPECT_EQ(DesktopCaptureLayout(100000, 100000).pixelBytes, 0u);
    // 8K still fits.
    EXPECT_EQ(DesktopCaptureLayout(7680, 4320).pixelBytes, 7680u * 3u * 4320u);
}

TEST(ResolveDesktopMonitorTest, PositionInsideTheListIsTaken)
{
    // Two monitors, the second primary.
    EXPECT_EQ(ResolveDesktopMonitor(0, 2, 1), 0);
    EXPECT_EQ(ResolveDesktopMonitor(1, 2, 1), 1);
    EXPECT_EQ(ResolveDesktopMonitor(0, 1, 0), 0);
}

TEST(ResolveDesktopMonitorTest, PositionOutsideTheListFallsBackToThePrimary)
{
    EXPECT_EQ(ResolveDesktopMonitor(7, 2, 1), 1);
    EXPECT_EQ(ResolveDesktopMonitor(2, 2, 1), 1);
    EXPECT_EQ(ResolveDesktopMonitor(-1, 2, 1), 1);
    EXPECT_EQ(ResolveDesktopMonitor(std::numeric_limits<int32_t>::min(), 2, 1), 1);
    EXPECT_EQ(ResolveDesktopMonitor(std::numeric_limits<int32_t>::max(), 3, 2), 2);
}

TEST(ResolveDesktopMonitorTest, PrimaryPositionOutsideTheListFallsBackToTheFirstMonitor)
{
    EXPECT_EQ(ResolveDesktopMonitor(5, 2, 2), 0);
    EXPECT_EQ(ResolveDesktopMonitor(-1, 2, -1), 0);
    EXPECT_EQ(ResolveDesktopMonitor(1, 2, 9), 1);  // a valid index does not need the primary
}

TEST(ResolveDesktopMonitorTest, EmptyListSelectsNothing)
{
    EXPECT_FALSE(ResolveDesktopMonitor(0, 0, 0).has_value());
    EXPECT_FALSE(ResolveDesktopMonitor(-1, 0, 0).has_value());
    EXPECT_FALSE(ResolveDesktopMonitor(7, 0, 1).has_value());
}

}  // namespace
