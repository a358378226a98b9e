// The frame scaler: area averages against a double-precision reference, exact colours and boxes, row padding and
// the sizes it refuses.
#include "filter/FrameScaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Size {
    int width;
    int height;
};

struct ScaleCase {
    Size from;
    Size to;
    bool exact;  // every weight a whole number of eighths: the reference is exact, and so must be the result
};

// The offered sizes from the rendered 640 x 480, then sizes with other ratios, odd widths and row padding.
const ScaleCase kCases[] = {
    {{640, 480}, {80, 60}, true},   {{640, 480}, {160, 120}, true}, {{640, 480}, {240, 180}, true},
    {{640, 480}, {320, 240}, true}, {{640, 480}, {400, 300}, true}, {{640, 480}, {480, 360}, true},
    {{640, 480}, {560, 420}, true}, {{640, 480}, {640, 240}, true}, {{8, 8}, {3, 3}, true},
    {{24, 16}, {15, 10}, true},     {{640, 480}, {333, 250}, false}, {{7, 5}, {3, 2}, false},
    {{640, 480}, {1, 1}, false},    {{5, 3}, {5, 2}, false},
};

std::vector<uint8_t> Frame(Size size) { return std::vector<uint8_t>(PaddedRowBytes(size.width) * size.height); }

// Every byte, padding included, from a fixed pseudo-random sequence.
std::vector<uint8_t> Noise(Size size)
{
    std::vector<uint8_t> frame = Frame(size);
    uint32_t state = 12345;
    for (uint8_t& byte : frame) byte = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return frame;
}

// Fraction of destination pixel j (of count) covered by source pixel i (of count source), straight from the
// geometry: both measured in 1 / (source * destination) of the whole length.
double Coverage(int i, int j, int source, int destination)
{
    const long long low = std::max(1LL * i * destination, 1LL * j * source);
    const long long high = std::min(1LL * (i + 1) * destination, 1LL * (j + 1) * source);
    return high > low ? static_cast<double>(high - low) / source : 0.0;
}

double Reference(const std::vector<uint8_t>& source, const ScaleCase& c, int x, int y, int channel)
{
    double sum = 0;
    for (int sy = y * c.from.height / c.to.height; sy * c.to.height < (y + 1) * c.from.height; ++sy) {
        for (int sx = x * c.from.width / c.to.width; sx * c.to.width < (x + 1) * c.from.width; ++sx) {
            sum += Coverage(sy, y, c.from.height, c.to.height) * Coverage(sx, x, c.from.width, c.to.width) *
                   source[sy * PaddedRowBytes(c.from.width) + sx * 3 + channel];
        }
    }
    return sum;
}

std::vector<uint8_t> Scaled(const std::vector<uint8_t>& source, const ScaleCase& c)
{
    FrameScaler scaler;
    EXPECT_TRUE(scaler.Prepare(c.from.width, c.from.height, c.to.width, c.to.height));
    EXPECT_EQ(scaler.SourceBytes(), source.size());
    std::vector<uint8_t> destination(Frame(c.to).size(), 0xCD);
    EXPECT_EQ(scaler.DestinationBytes(), destination.size());
    scaler.Scale(source.data(), destination.data());
    return destination;
}

TEST(FrameScaler, EveryByteIsTheAreaAverageAndThePaddingIsZero)
{
    for (const ScaleCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.from.width << "x" << c.from.height << " -> " << c.to.width << "x"
                                        << c.to.height);
        const std::vector<uint8_t> source = Noise(c.from);
        const std::vector<uint8_t> scaled = Scaled(source, c);
        const size_t stride = PaddedRowBytes(c.to.width);
        double worst = 0;
        for (int y = 0; y < c.to.height; ++y) {
            for (int x = 0; x < c.to.width * 3; ++x) {
                const double average = Reference(source, c, x / 3, y, x % 3);
                const int byte = scaled[y * stride + x];
                if (c.exact) {
                    ASSERT_EQ(byte, std::floor(average + 0.5)) << x << "," << y;
                }
                worst = std::max(worst, std::abs(byte - average));
            }
            for (size_t pad = c.to.width * 3; pad < stride; ++pad) EXPECT_EQ(scaled[y * stride + pad], 0) << y;
        }
        EXPECT_LE(worst, 0.501);
    }
}

TEST(FrameScaler, UniformColoursStayExact)
{
    const uint8_t colours[][3] = {{1, 128, 255}, {254, 37, 0}};
    for (const ScaleCase& c : kCases) {
        for (const auto& colour : colours) {
            SCOPED_TRACE(testing::Message() << c.to.width << "x" << c.to.height << " colour " << int(colour[0]));
            std::vector<uint8_t> source = Frame(c.from);
            for (size_t i = 0; i < source.size(); ++i) source[i] = colour[i % PaddedRowBytes(c.from.width) % 3];
            const std::vector<uint8_t> scaled = Scaled(source, c);
            for (int y = 0; y < c.to.height; ++y) {
                for (int x = 0; x < c.to.width * 3; ++x) {
                    ASSERT_EQ(scaled[y * PaddedRowBytes(c.to.width) + x], colour[x % 3]) << x << "," << y;
                }
            }
        }
    }
}

TEST(FrameScaler, TwoByTwoBoxesRoundHalvesUp)
{
    // Two rows of four pixels; each destination pixel is one 2 x 2 box, in a row padded to 8 bytes.
    const std::vector<uint8_t> source = {0, 10, 255, 1,  30, 255, 1, 0, 100, 1, 0, 101,
                                         1, 20, 255, 0,  40, 254, 1, 0, 102, 0, 1, 103};
    const std::vector<uint8_t> expected = {1, 25, 255, 1, 0, 102, 0, 0};
    EXPECT_EQ(Scaled(source, {{4, 2}, {2, 1}, 0}), expected);
}

TEST(FrameScaler, SameSizeIsACopy)
{
    const std::vector<uint8_t> source = Noise({7, 5});
    EXPECT_EQ(Scaled(source, {{7, 5}, {7, 5}, 0}), source);
}

TEST(FrameScaler, WeightsOfEachPixelSumToOneUnit)
{
    const int axes[][3] = {{640, 80, 3}, {640, 240, 3}, {480, 420, 3}, {640, 333, 24}, {7, 3, 24},
                           {16384, 1, 24}, {16384, 16383, 24}, {5, 5, 3}};
    for (const auto& a : axes) {
        const FrameScaler::Axis axis = FrameScaler::MakeAxis(a[0], a[1]);
        EXPECT_EQ(axis.unitBits, a[2]) << a[0] << " -> " << a[1];
        for (int j = 0; j < a[1]; ++j) {
            uint64_t sum = 0;
            for (int t = 0; t < axis.taps[j]; ++t) sum += axis.weights[j * axis.maxTaps + t];
            ASSERT_EQ(sum, uint64_t{1} << axis.unitBits) << a[0] << " -> " << a[1] << " pixel " << j;
        }
    }
}

TEST(FrameScaler, PrepareRefusesGrowingZeroNegativeAndHugeSizes)
{
    const int refused[][4] = {{640, 480, 641, 480}, {640, 480, 640, 481}, {0, 480, 0, 60},     {640, 480, 0, 60},
                              {640, 480, 80, 0},    {-640, 480, 80, 60},  {640, 480, -80, 60}, {16385, 2, 1, 1}};
    for (const auto& r : refused) {
        FrameScaler scaler;
        ASSERT_TRUE(scaler.Prepare(8, 8, 4, 4));
        EXPECT_FALSE(scaler.Prepare(r[0], r[1], r[2], r[3])) << r[0] << "x" << r[1] << " -> " << r[2] << "x" << r[3];
        EXPECT_FALSE(scaler.IsPreparedFor(8, 8, 4, 4));
        EXPECT_EQ(scaler.DestinationBytes(), 0u);
    }
    FrameScaler scaler;
    EXPECT_TRUE(scaler.Prepare(16384, 1, 1, 1));
    EXPECT_TRUE(scaler.IsPreparedFor(16384, 1, 1, 1));
    EXPECT_FALSE(scaler.IsPreparedFor(16384, 1, 1, 2));
}

}  // namespace
