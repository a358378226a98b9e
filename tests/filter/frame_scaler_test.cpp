// The frame scaler: area averages and bilinear samples against a double-precision reference, exact colours and
// boxes, every instruction set giving the portable bytes, row padding, strides and the sizes it refuses.
#include "filter/FrameScaler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

using Instructions = FrameScaler::Instructions;

struct Size {
    int width;
    int height;
};

struct ScaleCase {
    Size from;
    Size to;
    bool exact;  // boxes of 2, 4 or 8 pixels a side: every byte is the rounded average
};

// The offered sizes from the rendered 640 x 480, then other ratios down by 2 or more and by less, up, mixed
// directions, single pixels, odd sizes, the camera's sizes, a 4:3 picture fitted into a 16:9 frame, boxes of odd
// widths, and ratios beyond 4 across and 16 down.
const ScaleCase kCases[] = {
    {{640, 480}, {80, 60}, true},       {{640, 480}, {160, 120}, true},      {{640, 480}, {240, 180}, false},
    {{640, 480}, {320, 240}, true},     {{640, 480}, {400, 300}, false},     {{640, 480}, {480, 360}, false},
    {{640, 480}, {560, 420}, false},    {{640, 480}, {640, 240}, true},      {{8, 8}, {3, 3}, false},
    {{24, 16}, {15, 10}, false},        {{640, 480}, {333, 250}, false},     {{7, 5}, {3, 2}, false},
    {{640, 480}, {1, 1}, false},        {{5, 3}, {5, 2}, false},             {{1920, 1080}, {640, 480}, false},
    {{1280, 720}, {1920, 1080}, false}, {{640, 480}, {1440, 1080}, false},   {{1, 1}, {7, 3}, false},
    {{13, 1}, {1, 9}, false},           {{33, 17}, {100, 61}, false},        {{1000, 600}, {150, 90}, false},
    {{98, 40}, {49, 160}, false},       {{64, 64}, {8, 16}, true},           {{22, 6}, {11, 3}, true},
    {{46, 8}, {23, 1}, true},           {{44, 3}, {11, 3}, true},            {{200, 2}, {25, 1}, true},
    {{1920, 1080}, {320, 180}, false},  {{64, 600}, {48, 20}, false},        {{97, 13}, {7, 5}, false},
    {{1920, 1080}, {1280, 720}, false}, {{960, 720}, {1280, 720}, false},
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

// The source pixels of each destination pixel along one direction with their weights, straight from the
// geometry: the covered fractions of its area when shrinking by 2 or more, otherwise the two pixels around the
// position of its centre in the source.
std::vector<std::vector<std::pair<int, double>>> Taps(int source, int destination)
{
    std::vector<std::vector<std::pair<int, double>>> taps(destination);
    for (int j = 0; j < destination; ++j) {
        if (source >= 2 * destination) {
            const double low = double(j) * source / destination;
            const double high = double(j + 1) * source / destination;
            for (int i = int(low); i < high; ++i) {
                taps[j].push_back({i, (std::min(high, i + 1.0) - std::max(low, double(i))) / (high - low)});
            }
        } else {
            const double at = std::clamp((j + 0.5) * source / destination - 0.5, 0.0, source - 1.0);
            const int i = std::min(int(at), std::max(source - 2, 0));
            taps[j] = {{i, 1 - (at - i)}, {std::min(i + 1, source - 1), at - i}};
        }
    }
    return taps;
}

// The exact filter in double precision: every destination value, 3 * width of them a row.
std::vector<double> Reference(const std::vector<uint8_t>& source, const ScaleCase& c)
{
    const size_t values = c.to.width * 3;
    std::vector<double> across(c.from.height * values, 0.0);
    std::vector<double> frame(c.to.height * values, 0.0);
    const auto columns = Taps(c.from.width, c.to.width);
    for (int y = 0; y < c.from.height; ++y) {
        for (size_t v = 0; v < values; ++v) {
            for (const auto& [x, w] : columns[v / 3]) {
                across[y * values + v] += w * source[y * PaddedRowBytes(c.from.width) + x * 3 + v % 3];
            }
        }
    }
    const auto rows = Taps(c.from.height, c.to.height);
    for (int y = 0; y < c.to.height; ++y) {
        for (const auto& [row, w] : rows[y]) {
            for (size_t v = 0; v < values; ++v) frame[y * values + v] += w * across[row * values + v];
        }
    }
    return frame;
}

std::vector<uint8_t> Scaled(const std::vector<uint8_t>& source, const ScaleCase& c,
                            Instructions instructions = FrameScaler::Supported())
{
    FrameScaler scaler;
    EXPECT_TRUE(scaler.Prepare(c.from.width, c.from.height, c.to.width, c.to.height));
    scaler.UseInstructions(instructions);
    EXPECT_EQ(scaler.SourceBytes(), source.size());
    std::vector<uint8_t> destination(Frame(c.to).size(), 0xCD);
    EXPECT_EQ(scaler.DestinationBytes(), destination.size());
    scaler.Scale(source.data(), destination.data());
    return destination;
}

testing::Message Describe(const ScaleCase& c)
{
    return testing::Message() << c.from.width << "x" << c.from.height << " -> " << c.to.width << "x" << c.to.height;
}

TEST(FrameScaler, EveryByteIsWithinALevelOfTheFilterAndThePaddingIsZero)
{
    for (const ScaleCase& c : kCases) {
        SCOPED_TRACE(Describe(c));
        const std::vector<uint8_t> source = Noise(c.from);
        const std::vector<uint8_t> scaled = Scaled(source, c);
        const std::vector<double> reference = Reference(source, c);
        const size_t stride = PaddedRowBytes(c.to.width);
        double total = 0;
        double worst = 0;
        for (int y = 0; y < c.to.height; ++y) {
            for (int x = 0; x < c.to.width * 3; ++x) {
                const double exact = reference[y * c.to.width * 3 + x];
                const int byte = scaled[y * stride + x];
                if (c.exact) {
                    ASSERT_EQ(byte, std::floor(exact + 0.5)) << x << "," << y;
                }
                total += std::abs(byte - exact);
                worst = std::max(worst, std::abs(byte - exact));
            }
            for (size_t pad = c.to.width * 3; pad < stride; ++pad) EXPECT_EQ(scaled[y * stride + pad], 0) << y;
        }
        EXPECT_LE(total / (c.to.width * 3 * c.to.height), 1.0);
        EXPECT_LE(worst, 2.5);
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

TEST(FrameScaler, EveryInstructionSetGivesThePortableBytes)
{
    for (const ScaleCase& c : kCases) {
        SCOPED_TRACE(Describe(c));
        const std::vector<uint8_t> source = Noise(c.from);
        const std::vector<uint8_t> portable = Scaled(source, c, Instructions::Portable);
        for (int set = int(Instructions::Sse2); set <= int(FrameScaler::Supported()); ++set) {
            EXPECT_EQ(Scaled(source, c, Instructions(set)), portable) << "instruction set " << set;
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

// Sources with packed or padded rows, stored bottom-up or top-down, scaled into a rectangle of a larger packed
// frame: the rectangle holds the rows of the plain scale, and nothing around it is written.
TEST(FrameScaler, StridesTopDownSourcesAndRectanglesOfAFrame)
{
    struct StrideCase {
        ScaleCase scale;
        size_t sourceStride;
        bool topDown;
        Size frame;
        Size at;
    };
    const StrideCase cases[] = {
        {{{640, 480}, {1440, 1080}, false}, 1920, true, {1920, 1080}, {240, 0}},
        {{{333, 250}, {160, 90}, false}, 999, false, {160, 120}, {0, 15}},
        {{{333, 250}, {640, 360}, false}, 1000, true, {640, 480}, {0, 60}},
        {{{98, 40}, {49, 160}, false}, 300, true, {50, 170}, {1, 5}},
        {{{7, 5}, {3, 2}, false}, 21, true, {5, 4}, {1, 1}},
        {{{1280, 720}, {640, 360}, false}, 3840, true, {640, 480}, {0, 60}},
        {{{6, 6}, {6, 6}, false}, 18, true, {8, 7}, {2, 1}},
        {{{1000, 600}, {150, 90}, false}, 3000, true, {160, 100}, {5, 5}},
        {{{200, 150}, {2, 2}, false}, 600, true, {4, 3}, {1, 1}},
    };
    for (const StrideCase& s : cases) {
        const ScaleCase& c = s.scale;
        SCOPED_TRACE(Describe(c));
        const std::vector<uint8_t> source = Noise(c.from);
        const std::vector<uint8_t> expected = Scaled(source, c);
        std::vector<uint8_t> rows(s.sourceStride * c.from.height);
        for (int y = 0; y < c.from.height; ++y) {
            const int at = s.topDown ? c.from.height - 1 - y : y;
            std::memcpy(&rows[at * s.sourceStride], &source[y * PaddedRowBytes(c.from.width)], c.from.width * 3);
        }
        const uint8_t* first = s.topDown ? &rows[(c.from.height - 1) * s.sourceStride] : rows.data();
        const ptrdiff_t sourceStride = s.topDown ? -ptrdiff_t(s.sourceStride) : ptrdiff_t(s.sourceStride);
        const size_t frameStride = s.frame.width * 3;
        FrameScaler scaler;
        ASSERT_TRUE(scaler.Prepare(c.from.width, c.from.height, c.to.width, c.to.height));
        for (int set = int(Instructions::Portable); set <= int(FrameScaler::Supported()); ++set) {
            scaler.UseInstructions(Instructions(set));
            std::vector<uint8_t> frame(frameStride * s.frame.height, 0xCD);
            scaler.Scale(first, sourceStride, &frame[s.at.height * frameStride + s.at.width * 3], frameStride);
            std::vector<uint8_t> outside = frame;
            for (int y = 0; y < c.to.height; ++y) {
                uint8_t* row = &outside[(s.at.height + y) * frameStride + s.at.width * 3];
                ASSERT_EQ(std::vector<uint8_t>(row, row + c.to.width * 3),
                          std::vector<uint8_t>(&expected[y * PaddedRowBytes(c.to.width)],
                                               &expected[y * PaddedRowBytes(c.to.width)] + c.to.width * 3))
                    << "instruction set " << set << ", row " << y;
                std::fill(row, row + c.to.width * 3, 0xCD);
            }
            EXPECT_EQ(outside, std::vector<uint8_t>(frame.size(), 0xCD)) << "instruction set " << set;
        }
    }
}

TEST(FrameScaler, WeightsOfEachPixelSumToOneUnit)
{
    // Source, destination, unit bits, area averaging, taps of the widest pixel.
    const int axes[][5] = {{640, 80, 7, 1, 8},   {640, 240, 15, 1, 4},  {480, 420, 15, 0, 2},
                           {640, 333, 7, 0, 2},  {7, 3, 24, 1, 3},      {16384, 1, 24, 1, 16384},
                           {16384, 16383, 24, 0, 2}, {5, 5, 15, 0, 1}, {2, 3, 7, 0, 2},
                           {1, 5, 7, 0, 1}};
    for (const auto& a : axes) {
        SCOPED_TRACE(testing::Message() << a[0] << " -> " << a[1] << " in " << a[2] << " bits");
        const FrameScaler::Axis axis = FrameScaler::MakeAxis(a[0], a[1], a[2]);
        EXPECT_EQ(axis.area, a[3] == 1);
        EXPECT_EQ(axis.maxTaps, a[4]);
        for (int j = 0; j < a[1]; ++j) {
            uint64_t sum = 0;
            for (int t = 0; t < axis.taps[j]; ++t) sum += axis.weights[j * axis.maxTaps + t];
            ASSERT_EQ(sum, uint64_t{1} << a[2]) << "pixel " << j;
            ASSERT_LE(axis.first[j] + axis.taps[j], a[0]) << "pixel " << j;
        }
    }
}

TEST(FrameScaler, PrepareRefusesZeroNegativeAndHugeSizes)
{
    const int refused[][4] = {{0, 480, 0, 60},     {640, 480, 0, 60},  {640, 480, 80, 0},   {-640, 480, 80, 60},
                              {640, 480, -80, 60}, {16385, 2, 1, 1},   {1, 1, 16385, 1},    {2, 2, 1, 16385}};
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
    EXPECT_TRUE(scaler.Prepare(640, 480, 641, 481));
    EXPECT_EQ(scaler.DestinationBytes(), PaddedRowBytes(641) * 481);
}

}  // namespace
