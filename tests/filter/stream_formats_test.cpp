// The output pin's format numbers: the eleven media types, the frame rates, the capabilities and the property-set argument rules.
#include "filter/StreamFormats.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(StreamFormats, ListedSizesGrowFrom80x60To640x480ThenTheHdSizes)
{
    // With the size the inputs render for each.
    const StreamSize expected[][2] = {
        {{80, 60}, {640, 480}},   {{160, 120}, {640, 480}},  {{240, 180}, {640, 480}},   {{320, 240}, {640, 480}},
        {{400, 300}, {640, 480}}, {{480, 360}, {640, 480}},  {{560, 420}, {640, 480}},   {{640, 480}, {640, 480}},
        {{1280, 720}, {1280, 720}}, {{1920, 1080}, {1920, 1080}}};
    for (int n = 1; n <= kStreamSizeCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(StreamSizeOf(n).width, expected[n - 1][0].width);
        EXPECT_EQ(StreamSizeOf(n).height, expected[n - 1][0].height);
        EXPECT_EQ(RenderSizeFor(n).width, expected[n - 1][1].width);
        EXPECT_EQ(RenderSizeFor(n).height, expected[n - 1][1].height);
    }
    EXPECT_EQ(StreamSizeOf(0).width, 0);
    EXPECT_EQ(StreamSizeOf(11).height, 0);
    EXPECT_EQ(StreamSizeOf(kStreamDefaultSizeIndex).width, 640);
    EXPECT_EQ(StreamSizeOf(kStreamDefaultSizeIndex).height, 480);
}

TEST(StreamFormats, ImageBytesOfTheListedSizes)
{
    // 240 * n bytes per row are always whole words, so these are plain width * height * 3.
    const uint32_t expected[] = {14400, 57600, 129600, 230400, 360000, 518400, 705600, 921600, 2764800, 6220800};
    for (int n = 1; n <= kStreamSizeCount; ++n) {
        SCOPED_TRACE(n);
        const StreamSize size = StreamSizeOf(n);
        EXPECT_EQ(BitmapImageBytes(size.width, size.height, kStreamBitCount), expected[n - 1]);
    }
}

TEST(StreamFormats, ImageBytesPadRowsToWholeWords)
{
    EXPECT_EQ(BitmapImageBytes(1, 1, 24), 4u);
    EXPECT_EQ(BitmapImageBytes(5, 2, 24), 32u);   // 15 bytes -> 16 per row
    EXPECT_EQ(BitmapImageBytes(3, 3, 8), 12u);    // 3 bytes -> 4 per row
    EXPECT_EQ(BitmapImageBytes(10, 1, 32), 40u);  // already whole words
    EXPECT_EQ(BitmapImageBytes(5, -2, 24), 32u);  // top-down rows: same size
}

TEST(StreamFormats, ImageBytesOfUnusableSizesAreZero)
{
    EXPECT_EQ(BitmapImageBytes(0, 480, 24), 0u);
    EXPECT_EQ(BitmapImageBytes(-640, 480, 24), 0u);
    EXPECT_EQ(BitmapImageBytes(640, 0, 24), 0u);
    EXPECT_EQ(BitmapImageBytes(640, 480, 0), 0u);
    EXPECT_EQ(BitmapImageBytes(640, std::numeric_limits<int32_t>::min(), 24), 0u);
    // More than 4 GiB does not fit the header's 32-bit field.
    EXPECT_EQ(BitmapImageBytes(100000, 100000, 24), 0u);
    EXPECT_EQ(BitmapImageBytes(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(), 32), 0u);
}

TEST(StreamFormats, MediaTypePositions)
{
    EXPECT_EQ(ClassifyMediaTypePosition(-1), MediaTypePosition::Invalid);
    EXPECT_EQ(ClassifyMediaTypePosition(std::numeric_limits<int>::min()), MediaTypePosition::Invalid);
    EXPECT_EQ(ClassifyMediaTypePosition(0), MediaTypePosition::Current);
    for (int position = 1; position <= 10; ++position)
        EXPECT_EQ(ClassifyMediaTypePosition(position), MediaTypePosition::Listed) << position;
    EXPECT_EQ(ClassifyMediaTypePosition(11), MediaTypePosition::NoMoreItems);
    EXPECT_EQ(ClassifyMediaTypePosition(std::numeric_limits<int>::max()), MediaTypePosition::NoMoreItems);
}

TEST(StreamFormats, CapsIndexZeroMeansTheLargestFourThreeSizeAndEightAndNineTheHdSizes)
{
    EXPECT_EQ(StreamCapsSizeFor(0), 8);
    for (int index = 1; index < 8; ++index) EXPECT_EQ(StreamCapsSizeFor(index), index);
    EXPECT_EQ(StreamSizeOf(StreamCapsSizeFor(8)).width, 1280);
    EXPECT_EQ(StreamSizeOf(StreamCapsSizeFor(9)).height, 1080);
    EXPECT_EQ(StreamSizeOf(StreamCapsSizeFor(3)).width, 240);
    EXPECT_EQ(StreamSizeOf(StreamCapsSizeFor(3)).height, 180);
}

TEST(StreamFormats, CapsIndexesOutsideTheCountAreRefused)
{
    EXPECT_EQ(StreamCapsSizeFor(-1), 0);
    EXPECT_EQ(StreamCapsSizeFor(10), 0);
    EXPECT_EQ(ClassifyStreamCapsIndex(9), StreamCapsIndex::Size);
    EXPECT_EQ(ClassifyStreamCapsIndex(10), StreamCapsIndex::PastTheLast);
    EXPECT_EQ(StreamCapsSizeFor(std::numeric_limits<int>::min()), 0);
    EXPECT_EQ(StreamCapsSizeFor(std::numeric_limits<int>::max()), 0);
}

TEST(StreamFormats, CapsValues)
{
    const StreamCapsValues caps = StreamCaps();
    EXPECT_EQ(caps.videoStandard, 0);
    EXPECT_EQ(caps.inputSize.width, 640);
    EXPECT_EQ(caps.inputSize.height, 480);
    EXPECT_EQ(caps.minCroppingSize.width, 80);
    EXPECT_EQ(caps.minCroppingSize.height, 60);
    EXPECT_EQ(caps.maxCroppingSize.width, 640);
    EXPECT_EQ(caps.maxCroppingSize.height, 480);
    EXPECT_EQ(caps.cropGranularityX, 80);
    EXPECT_EQ(caps.cropGranularityY, 60);
    EXPECT_EQ(caps.cropAlignX, 0);
    EXPECT_EQ(caps.cropAlignY, 0);
    EXPECT_EQ(caps.minOutputSize.width, 80);
    EXPECT_EQ(caps.minOutputSize.height, 60);
    EXPECT_EQ(caps.maxOutputSize.width, 640);
    EXPECT_EQ(caps.maxOutputSize.height, 480);
    EXPECT_EQ(caps.outputGranularityX, 0);
    EXPECT_EQ(caps.outputGranularityY, 0);
    EXPECT_EQ(caps.stretchTapsX, 0);
    EXPECT_EQ(caps.stretchTapsY, 0);
    EXPECT_EQ(caps.shrinkTapsX, 0);
    EXPECT_EQ(caps.shrinkTapsY, 0);
    EXPECT_EQ(caps.minFrameInterval, 200000);
    EXPECT_EQ(caps.maxFrameInterval, 50000000);
    EXPECT_EQ(caps.minBitsPerSecond, 23040);
    EXPECT_EQ(caps.maxBitsPerSecond, 368640000);
    EXPECT_EQ(StreamCaps(3).maxOutputSize.width, 640) << "the same for every 4:3 size";

    // An HD size describes exactly itself.
    for (int n : {9, 10}) {
        SCOPED_TRACE(n);
        const StreamCapsValues hd = StreamCaps(n);
        const StreamSize size = StreamSizeOf(n);
        for (const StreamSize& described : {hd.inputSize, hd.minCroppingSize, hd.maxCroppingSize, hd.minOutputSize,
                                             hd.maxOutputSize}) {
            EXPECT_EQ(described.width, size.width);
            EXPECT_EQ(described.height, size.height);
        }
        EXPECT_EQ(hd.cropGranularityX, 0);
        EXPECT_EQ(hd.minFrameInterval, 200000);
        EXPECT_EQ(hd.minBitsPerSecond, size.width * size.height * 24 / 5);
        EXPECT_EQ(hd.maxBitsPerSecond, size.width * size.height * 24 * 30);
    }
}

TEST(StreamFormats, OfferedFrameRatesRunFromThirtyDownToFiveAndAreAllAccepted)
{
    const double rates[] = {30, 25, 20, 15, 10, 5};
    for (int i = 0; i < kOfferedFrameRateCount; ++i) {
        EXPECT_NEAR(1e7 / static_cast<double>(kOfferedFrameTimes[i]), rates[i], 0.001) << i;
        EXPECT_EQ(AcceptedFrameTime(kOfferedFrameTimes[i]), kOfferedFrameTimes[i]) << i;
    }
}

TEST(StreamFormats, PropertyGetRefusesOtherSetsAndIdsFirst)
{
    // The set is checked before anything else, then the id, whatever the buffers.
    EXPECT_EQ(ClassifyPropertyGet(false, 0, true, 16, true), PropertyOutcome::SetUnsupported);
    EXPECT_EQ(ClassifyPropertyGet(false, 1, false, 0, false), PropertyOutcome::SetUnsupported);
    EXPECT_EQ(ClassifyPropertyGet(true, 1, true, 16, true), PropertyOutcome::IdUnsupported);
    EXPECT_EQ(ClassifyPropertyGet(true, 1, false, 0, false), PropertyOutcome::IdUnsupported);
}

TEST(StreamFormats, PropertyGetBufferRules)
{
    EXPECT_EQ(ClassifyPropertyGet(true, 0, false, 0, false), PropertyOutcome::NullPointer);
    EXPECT_EQ(ClassifyPropertyGet(true, 0, false, 16, true), PropertyOutcome::SizeOnly);
    EXPECT_EQ(ClassifyPropertyGet(true, 0, true, 8, true), PropertyOutcome::BufferTooSmall);
    EXPECT_EQ(ClassifyPropertyGet(true, 0, true, 15, false), PropertyOutcome::BufferTooSmall);
    EXPECT_EQ(ClassifyPropertyGet(true, 0, true, 16, true), PropertyOutcome::Copy);
    EXPECT_EQ(ClassifyPropertyGet(true, 0, true, 16, false), PropertyOutcome::Copy);
    EXPECT_EQ(ClassifyPropertyGet(true, 0, true, 64, true), PropertyOutcome::Copy);
}

TEST(StreamFormats, PropertyQueryRules)
{
    EXPECT_EQ(ClassifyPropertyQuery(false, 0), PropertyOutcome::SetUnsupported);
    EXPECT_EQ(ClassifyPropertyQuery(true, 2), PropertyOutcome::IdUnsupported);
    EXPECT_EQ(ClassifyPropertyQuery(true, 0), PropertyOutcome::Copy);
}

}  // namespace
