#include "filter/sources/FrameGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "filter/sources/FrameFormat.h"

// Found by argument-dependent lookup, so it has to live in the namespace of FitRect.
void PrintTo(const FitRect& r, std::ostream* out)
{
    *out << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

namespace {

FitRect FitSource(int frameWidth, int frameHeight, int sourceWidth, int sourceHeight)
{
    return FitRectangle(frameWidth, frameHeight, SourceAspect(sourceWidth, sourceHeight));
}

// The rectangle lies inside the frame and is centred in it.
void ExpectInsideAndCentred(const FitRect& r, int frameWidth, int frameHeight)
{
    EXPECT_GE(r.x, 0);
    EXPECT_GE(r.y, 0);
    EXPECT_GE(r.width, 0);
    EXPECT_GE(r.height, 0);
    EXPECT_LE(r.x + r.width, frameWidth);
    EXPECT_LE(r.y + r.height, frameHeight);
    EXPECT_EQ(r.x, frameWidth - r.x - r.width);
    EXPECT_EQ(r.y, frameHeight - r.y - r.height);
}

struct FitCase {
    int sourceWidth, sourceHeight;
    FitRect expected;
};

TEST(FitRectangleTest, ReproducesTheTableForTheDefaultFrame)
{
    const FitCase cases[] = {
        {800, 600, {0, 0, 640, 480}},    {1024, 768, {0, 0, 640, 480}},  {1600, 1200, {0, 0, 640, 480}},
        {1280, 720, {0, 60, 640, 360}},  {1920, 1080, {0, 60, 640, 360}}, {1366, 768, {0, 60, 640, 360}},
        {1440, 900, {0, 40, 640, 400}},  {1280, 1024, {20, 0, 600, 480}}, {352, 288, {26, 0, 588, 480}},
        {176, 144, {26, 0, 588, 480}},   {480, 640, {140, 0, 360, 480}},  {641, 480, {0, 0, 640, 480}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sourceWidth << "x" << c.sourceHeight);
        EXPECT_EQ(FitSource(kFrameWidth, kFrameHeight, c.sourceWidth, c.sourceHeight), c.expected);
    }
}

TEST(FitRectangleTest, ScalesToOtherFrameSizes)
{
    EXPECT_EQ(FitSource(320, 240, 1280, 720), (FitRect{0, 30, 320, 180}));
    EXPECT_EQ(FitSource(320, 240, 480, 640), (FitRect{70, 0, 180, 240}));
    EXPECT_EQ(FitSource(320, 240, 1024, 768), (FitRect{0, 0, 320, 240}));
    EXPECT_EQ(FitSource(80, 60, 1920, 1080), (FitRect{0, 7, 80, 46}));
    EXPECT_EQ(FitSource(80, 60, 480, 640), (FitRect{17, 0, 46, 60}));
    // A 16:9 frame: a 4:3 picture gets side bands. 4/3 rounds up in single precision, so the exact band of 80
    // columns computes as 79.99999 and truncates to 79.
    EXPECT_EQ(FitSource(640, 360, 640, 480), (FitRect{79, 0, 482, 360}));
}

TEST(FitRectangleTest, ExtremeAspectsStayInsideTheFrame)
{
    const int frames[][2] = {{640, 480}, {320, 240}, {80, 60}, {1, 1}};
    for (const auto& f : frames) {
        SCOPED_TRACE(testing::Message() << f[0] << "x" << f[1]);
        ExpectInsideAndCentred(FitSource(f[0], f[1], 1, 10000), f[0], f[1]);
        ExpectInsideAndCentred(FitSource(f[0], f[1], 10000, 1), f[0], f[1]);
    }
    EXPECT_EQ(FitSource(640, 480, 1, 10000), (FitRect{319, 0, 2, 480}));
    EXPECT_EQ(FitSource(640, 480, 10000, 1), (FitRect{0, 239, 640, 2}));
    // Far beyond any real picture the bands still cannot take more than the whole frame.
    ExpectInsideAndCentred(FitRectangle(640, 480, std::numeric_limits<float>::max()), 640, 480);
    ExpectInsideAndCentred(FitRectangle(640, 480, std::numeric_limits<float>::denorm_min()), 640, 480);
}

TEST(FitRectangleTest, SourceWithoutPixelsGivesAnEmptyRectangle)
{
    const FitRect empty{0, 0, 0, 0};
    EXPECT_EQ(FitSource(640, 480, 0, 480), empty);
    EXPECT_EQ(FitSource(640, 480, 640, 0), empty);
    EXPECT_EQ(FitSource(640, 480, 0, 0), empty);
    EXPECT_EQ(FitSource(640, 480, -640, 480), empty);
    EXPECT_EQ(FitSource(640, 480, 640, -480), empty);
    EXPECT_EQ(FitSource(640, 480, -640, -480), empty);
    EXPECT_EQ(SourceAspect(0, 10), 0.0f);
    EXPECT_EQ(SourceAspect(10, 0), 0.0f);
}

TEST(FitRectangleTest, AspectThatIsNotAPositiveNumberGivesAnEmptyRectangle)
{
    const FitRect empty{0, 0, 0, 0};
    EXPECT_EQ(FitRectangle(640, 480, std::numeric_limits<float>::quiet_NaN()), empty);
    EXPECT_EQ(FitRectangle(640, 480, std::numeric_limits<float>::infinity()), empty);
    EXPECT_EQ(FitRectangle(640, 480, -std::numeric_limits<float>::infinity()), empty);
    EXPECT_EQ(FitRectangle(640, 480, -1.5f), empty);
    EXPECT_EQ(FitRectangle(640, 480, 0.0f), empty);
}

TEST(FitRectangleTest, EmptyFrameGivesAnEmptyRectangle)
{
    const FitRect empty{0, 0, 0, 0};
    EXPECT_EQ(FitSource(0, 480, 640, 480), empty);
    EXPECT_EQ(FitSource(640, 0, 640, 480), empty);
    EXPECT_EQ(FitSource(-640, 480, 640, 480), empty);
    EXPECT_EQ(FitSource(640, -480, 640, 480), empty);
}

// A top-down picture whose pixel (x, y) has the bytes (x, y, row marker), rows padded to `stride` with 0xEE.
std::vector<uint8_t> NumberedPicture(int width, int height, int stride)
{
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &picture[static_cast<size_t>(y) * stride + x * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(0x40 + y);
        }
    return picture;
}

TEST(CopyRowsBottomUpTest, TopRowOfThePictureIsTheLastRowOfTheFrame)
{
    const int width = 640, height = 480;
    std::vector<uint8_t> picture(FrameBytes(width, height), 0);
    for (int x = 0; x < width; ++x) picture[x * 3 + 2] = 0xFF;  // top row red (B, G, R = 0, 0, 255)
    std::vector<uint8_t> frame(FrameBytes(width, height), 0x55);

    CopyRowsBottomUp(picture.data(), static_cast<ptrdiff_t>(FrameRowBytes(width)), width, height, frame.data());

    const size_t lastRow = FrameBytes(width, height) - FrameRowBytes(width);
    for (int x = 0; x < width; ++x) {
        ASSERT_EQ(frame[lastRow + x * 3 + 0], 0x00) << x;
        ASSERT_EQ(frame[lastRow + x * 3 + 1], 0x00) << x;
        ASSERT_EQ(frame[lastRow + x * 3 + 2], 0xFF) << x;
    }
    for (size_t i = 0; i < lastRow; ++i) ASSERT_EQ(frame[i], 0x00) << i;
}

TEST(CopyRowsBottomUpTest, FrameRowIsPictureRowCountedFromTheBottomAndPaddingIsSkipped)
{
    const int width = 5, height = 7;
    const int strides[] = {width * 3, width * 3 + 1, 20, 64};
    for (int stride : strides) {
        SCOPED_TRACE(testing::Message() << "stride " << stride);
        std::vector<uint8_t> picture = NumberedPicture(width, height, stride);
        std::vector<uint8_t> frame(FrameBytes(width, height) + 8, 0xAB);

        CopyRowsBottomUp(picture.data(), stride, width, height, frame.data());

        for (int i = 0; i < height; ++i)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = &frame[FrameRowBytes(width) * i + x * 3];
                ASSERT_EQ(p[0], x);
                ASSERT_EQ(p[1], height - 1 - i);
                ASSERT_EQ(p[2], 0x40 + height - 1 - i);
            }
        // Packed rows: nothing is written past W * H * 3 bytes.
        for (size_t i = FrameBytes(width, height); i < frame.size(); ++i) ASSERT_EQ(frame[i], 0xAB);
    }
}

TEST(CopyRowsBottomUpTest, NegativeStrideWalksUpFromTheTopRowPointer)
{
    // A picture stored bottom-up in memory, addressed by a pointer to its top row and a negative stride.
    const int width = 3, height = 4, stride = 12;
    std::vector<uint8_t> topDown = NumberedPicture(width, height, stride);
    std::vector<uint8_t> bottomUp(topDown.size());
    for (int row = 0; row < height; ++row)
        std::copy_n(&topDown[static_cast<size_t>(row) * stride], stride,
                    &bottomUp[static_cast<size_t>(height - 1 - row) * stride]);
    std::vector<uint8_t> expected(FrameBytes(width, height)), frame(FrameBytes(width, height));

    CopyRowsBottomUp(topDown.data(), stride, width, height, expected.data());
    CopyRowsBottomUp(&bottomUp[static_cast<size_t>(height - 1) * stride], -stride, width, height, frame.data());

    EXPECT_EQ(frame, expected);
}

TEST(CopyRowsBottomUpTest, NothingIsWrittenForEmptySizesOrNullBuffers)
{
    std::vector<uint8_t> picture(12, 0x11), frame(12, 0x22);
    const std::vector<uint8_t> untouched = frame;
    CopyRowsBottomUp(picture.data(), 6, 0, 2, frame.data());
    CopyRowsBottomUp(picture.data(), 6, 2, 0, frame.data());
    CopyRowsBottomUp(picture.data(), 6, -2, 2, frame.data());
    CopyRowsBottomUp(picture.data(), 6, 2, -2, frame.data());
    CopyRowsBottomUp(nullptr, 6, 2, 2, frame.data());
    CopyRowsBottomUp(picture.data(), 6, 2, 2, nullptr);
    EXPECT_EQ(frame, untouched);
}

TEST(BlendPremultipliedOverTest, EachColourKeepsWhatTheAlphaLeavesPlusTheOverlay)
{
    struct Row {
        uint8_t below;
        uint8_t overlay;  // premultiplied colour
        uint8_t alpha;
        uint8_t expected;
    };
    const Row rows[] = {
        {200, 0, 0, 200},      // transparent: the frame stays
        {200, 90, 255, 90},    // opaque: the overlay replaces it
        {200, 50, 128, 150},   // 200 * 127 / 255 = 99.6 -> 100, plus 50
        {255, 255, 1, 255},    // a sum above 255 is held at 255
        {0, 10, 10, 10},
    };
    for (const Row& row : rows) {
        uint8_t frame[3] = {row.below, row.below, row.below};
        const uint8_t overlay[4] = {row.overlay, row.overlay, row.overlay, row.alpha};
        BlendPremultipliedOver(frame, overlay, 1);
        EXPECT_EQ(frame[0], row.expected) << int(row.below) << " under " << int(row.overlay) << "/" << int(row.alpha);
        EXPECT_EQ(frame[2], row.expected);
    }
}

}  // namespace
