#include "filter/sources/Slideshow.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

// Every byte of a loaded frame is the picture's number (its path is "1", "2", ...), so a frame tells which picture
// it shows and a blended frame tells, byte by byte, where each picture is.
class NumberedLoader : public PictureLoader {
public:
    bool LoadPicture(const std::wstring& path, int width, int height, std::vector<uint8_t>& frame) override
    {
        if (notReady.count(path)) {
            asked.push_back(path);
            return false;
        }
        loads.push_back(path);
        frame.assign(FrameBytes(width, height), static_cast<uint8_t>(std::stoi(path)));
        return true;
    }
    std::vector<std::wstring> loads;
    std::set<std::wstring> notReady;  // pictures still being decoded in the background
    std::vector<std::wstring> asked;
};

std::vector<std::wstring> Numbered(int count)
{
    std::vector<std::wstring> list;
    for (int i = 1; i <= count; ++i) list.push_back(std::to_wstring(i));
    return list;
}

constexpr size_t kRow = FrameRowBytes(kFrameWidth);
constexpr size_t kSize = FrameBytes(kFrameWidth, kFrameHeight);

class SlideshowTest : public testing::Test {
protected:
    void StartWith(int pictures, int32_t type, int32_t changed = 3000, int32_t morphing = 1000,
                   int width = kFrameWidth, int height = kFrameHeight)
    {
        SlideshowSettings settings;
        settings.changedTime = changed;
        settings.morphingTime = morphing;
        settings.picChType = type;
        settings.width = width;
        settings.height = height;
        sample.assign(FrameBytes(width, height), 0xEE);
        show.Start(settings);
        show.SetPictureList(Numbered(pictures));
    }

    // Fills a frame at tick now and returns the picture number it shows, or -1 for a mixed (blended) frame.
    int Shown(uint32_t now)
    {
        EXPECT_EQ(show.FillFrame(sample.data(), sample.size(), now), kFrameWritten);
        for (uint8_t b : sample) {
            if (b != sample[0]) return -1;
        }
        return sample[0];
    }

    NumberedLoader loader;
    Slideshow show{loader};
    std::vector<uint8_t> sample = std::vector<uint8_t>(kSize, 0xEE);
};

TEST_F(SlideshowTest, EmptyListAsksForThePlaceholderAndWritesNothing)
{
    StartWith(0, kChangeStrips);
    EXPECT_EQ(show.FillFrame(sample.data(), sample.size(), 500), E_FRAME_NOPICTURES);
    EXPECT_EQ(sample[0], 0xEE);
    EXPECT_TRUE(loader.loads.empty());
}

TEST_F(SlideshowTest, FirstFrameLoadsFirstAndSecondPictureAndShowsTheFirst)
{
    StartWith(3, kChangeStrips);
    EXPECT_EQ(Shown(100), 1);
    EXPECT_EQ(loader.loads, (std::vector<std::wstring>{L"1", L"2"}));
    EXPECT_EQ(Shown(200), 1);
    EXPECT_EQ(loader.loads.size(), 2u) << "no decoding between changes";
}

TEST_F(SlideshowTest, SampleOfAnotherSizeIsNotWritten)
{
    StartWith(2, kChangeStrips);
    std::vector<uint8_t> small(FrameBytes(320, 240), 0xEE);
    EXPECT_EQ(show.FillFrame(small.data(), small.size(), 100), kFrameNotWritten);
    EXPECT_EQ(small[0], 0xEE);
    EXPECT_EQ(show.FillFrame(nullptr, kSize, 150), kFrameNotWritten);
}

TEST_F(SlideshowTest, WipeRunsForMorphingTimeAfterChangedTime)
{
    const uint32_t T = 10000;
    StartWith(2, kChangeRightToLeft);
    EXPECT_EQ(Shown(T), 1);
    EXPECT_EQ(Shown(T + 3000), 1) << "strictly after ChangedTime";
    const uint32_t T1 = T + 3001;
    EXPECT_EQ(Shown(T1), 1) << "at t = 0 the wipe has not uncovered a byte yet";
    EXPECT_TRUE(show.InTransition());
    EXPECT_EQ(Shown(T1 + 1000), 2) << "the wipe has reached the left edge but is not over yet";
    EXPECT_TRUE(show.InTransition());
    EXPECT_EQ(Shown(T1 + 1001), 2);
    EXPECT_FALSE(show.InTransition());
    EXPECT_EQ(Shown(T1 + 1001 + 3000), 2);
    EXPECT_FALSE(show.InTransition());
    EXPECT_EQ(Shown(T1 + 1001 + 3001), 2) << "the next change starts";
    EXPECT_TRUE(show.InTransition());
    EXPECT_EQ(Shown(T1 + 1001 + 3500), -1);
}

TEST_F(SlideshowTest, WipeBoundaryIsAByteOffsetFromTheRight)
{
    StartWith(2, kChangeRightToLeft);
    Shown(1);
    Shown(3002);  // starts the transition at 3002
    ASSERT_TRUE(show.InTransition());
    ASSERT_EQ(show.FillFrame(sample.data(), sample.size(), 3502), kFrameWritten);  // t = 500 of 1000
    for (size_t y : {size_t{0}, size_t{239}, size_t{479}}) {
        const uint8_t* row = sample.data() + y * kRow;
        EXPECT_EQ(row[0], 1);
        EXPECT_EQ(row[959], 1);
        EXPECT_EQ(row[960], 2);
        EXPECT_EQ(row[1919], 2);
    }
    ASSERT_EQ(show.FillFrame(sample.data(), sample.size(), 3503), kFrameWritten);  // t = 501: p = 961 bytes
    EXPECT_EQ(sample[958], 1);
    EXPECT_EQ(sample[959], 2) << "1.92 bytes a millisecond, not whole pixels";
}

TEST_F(SlideshowTest, StripsUncoverTwentyStripsFromTheirLeftEdges)
{
    StartWith(2, kChangeStrips);
    Shown(1);
    Shown(3002);
    ASSERT_EQ(show.FillFrame(sample.data(), sample.size(), 3252), kFrameWritten);  // t = 250: s = 24
    for (size_t y : {size_t{0}, size_t{479}}) {
        const uint8_t* row = sample.data() + y * kRow;
        for (int k = 0; k < 20; ++k) {
            size_t edge = static_cast<size_t>(k) * 96;
            EXPECT_EQ(row[edge], 2) << "strip " << k;
            EXPECT_EQ(row[edge + 23], 2) << "strip " << k;
            EXPECT_EQ(row[edge + 24], 1) << "strip " << k;
            EXPECT_EQ(row[edge + 95], 1) << "strip " << k;
        }
    }
    EXPECT_EQ(Shown(4002), 2) << "strips fill up completely at t = MorphingTime";
}

TEST_F(SlideshowTest, TypeNoneCutsAtOnceAndChangedTimeAloneSetsThePace)
{
    StartWith(3, kChangeNone);
    EXPECT_EQ(Shown(1), 1);
    EXPECT_EQ(Shown(3001), 1);
    EXPECT_EQ(Shown(3002), 2);
    EXPECT_EQ(Shown(6002), 2);
    EXPECT_EQ(Shown(6003), 3);
    EXPECT_EQ(Shown(9004), 1) << "after the last picture comes the first";
    EXPECT_EQ(Shown(12005), 2);
}

TEST_F(SlideshowTest, ChangingToTypeNoneDuringTheTransitionEndsItAtTheNextFrame)
{
    StartWith(3, kChangeRightToLeft);
    Shown(1);
    Shown(3002);
    EXPECT_EQ(Shown(3300), -1);
    show.SetPicChType(kChangeNone);
    EXPECT_EQ(Shown(3100), 2);
    EXPECT_FALSE(show.InTransition());
}

TEST_F(SlideshowTest, ThreePicturesLoopInOrder)
{
    StartWith(3, kChangeStrips, 100, 50);
    std::vector<int> order;
    for (uint32_t now = 1; now < 1000; now += 10) {
        int shown = Shown(now);
        if (shown > 0 && (order.empty() || order.back() != shown)) order.push_back(shown);
    }
    ASSERT_GE(order.size(), 5u);
    EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 5), (std::vector<int>{1, 2, 3, 1, 2}));
}

TEST_F(SlideshowTest, OnePictureNeverBlendsAndTypeNoneReloadsIt)
{
    StartWith(1, kChangeStrips);
    for (uint32_t now = 1; now < 20000; now += 500) EXPECT_EQ(Shown(now), 1);
    EXPECT_EQ(loader.loads.size(), 1u);

    StartWith(1, kChangeNone);
    loader.loads.clear();
    Shown(1);
    Shown(3002);
    Shown(6003);
    EXPECT_EQ(loader.loads.size(), 3u) << "reloaded from its file at each change";
}

TEST_F(SlideshowTest, LiveChangedTimeAppliesFromTheNextFrame)
{
    StartWith(2, kChangeNone);
    Shown(1);
    show.SetChangedTime(100);
    EXPECT_EQ(Shown(102), 2);
}

TEST_F(SlideshowTest, ClearingFramesKeepsListAndIndexAndNewListRestartsAtItsFirstPicture)
{
    StartWith(3, kChangeNone);
    Shown(1);
    Shown(3002);  // shows 2, next is 3
    show.ClearFrames();
    EXPECT_EQ(show.Pictures().size(), 3u);
    EXPECT_EQ(show.Index(), 2u);

    show.SetPictureList(Numbered(2));
    EXPECT_EQ(Shown(5000), 1);
    EXPECT_EQ(show.Index(), 1u);
}

// Stored settings may hold any 32-bit value; none of them may fault, divide by zero or leave a transition
// running for ever.
TEST_F(SlideshowTest, AnyStoredValueIsSafe)
{
    const int32_t values[] = {0, 1, -1, INT_MIN, INT_MAX, 3, 99};
    for (int32_t changed : values) {
        for (int32_t morphing : values) {
            for (int32_t type : values) {
                StartWith(3, type, changed, morphing, 80, 60);
                int transitionFrames = 0;
                for (uint32_t now = 1; now < 40000; now += 997) {
                    EXPECT_EQ(show.FillFrame(sample.data(), sample.size(), now), kFrameWritten);
                    transitionFrames = show.InTransition() ? transitionFrames + 1 : 0;
                    if (morphing <= 0) {
                        EXPECT_LE(transitionFrames, 1)
                            << "a transition of no length ends at the next frame: " << changed << " " << type;
                    }
                }
            }
        }
    }
}

TEST_F(SlideshowTest, PictureStillDecodingLeavesTheSampleAsItIsAndIsAskedForAgain)
{
    StartWith(3, kChangeStrips);
    loader.notReady = {L"1", L"2"};
    EXPECT_EQ(show.FillFrame(sample.data(), sample.size(), 100), kFrameNotWritten);
    EXPECT_EQ(sample[0], 0xEE);
    EXPECT_EQ(show.FillFrame(sample.data(), sample.size(), 200), kFrameNotWritten);
    EXPECT_EQ(loader.asked, (std::vector<std::wstring>{L"1", L"2", L"1", L"2"})) << "the same two, not further ones";

    loader.notReady.clear();
    EXPECT_EQ(Shown(300), 1);
    EXPECT_EQ(loader.loads, (std::vector<std::wstring>{L"1", L"2"}));
    EXPECT_EQ(Shown(3400), 1);
    EXPECT_EQ(Shown(4500), 2) << "the sequence goes on in order";
}

TEST_F(SlideshowTest, ChangeWaitsForTheNextPictureToBeReady)
{
    for (int32_t type : {kChangeRightToLeft, kChangeNone}) {
        StartWith(3, type);
        loader.notReady = {L"2"};
        EXPECT_EQ(Shown(1), 1);
        EXPECT_EQ(Shown(3002), 1);
        EXPECT_EQ(Shown(5000), 1) << "type " << type;
        EXPECT_FALSE(show.InTransition());
        loader.notReady.clear();
        Shown(5100);  // the next picture arrives
        EXPECT_EQ(Shown(5200), type == kChangeNone ? 2 : 1);
        EXPECT_EQ(Shown(7000), 2) << "picture 2 follows picture 1, none is skipped";
    }
}

TEST_F(SlideshowTest, UnknownTransitionKindChangesAtOnce)
{
    StartWith(2, 7);
    EXPECT_EQ(Shown(1), 1);
    EXPECT_EQ(Shown(3002), 2);
    EXPECT_FALSE(show.InTransition());
}

TEST_F(SlideshowTest, MorphingTimeZeroShowsTheNextPictureForTheOneTransitionFrame)
{
    StartWith(2, kChangeRightToLeft, 3000, 0);
    Shown(1);
    EXPECT_EQ(Shown(3002), 2);
    StartWith(2, kChangeStrips, 3000, 0);
    Shown(1);
    EXPECT_EQ(Shown(3002), 2);
}

TEST_F(SlideshowTest, TickCounterWrapAroundKeepsThePace)
{
    StartWith(2, kChangeRightToLeft);
    const uint32_t start = 0xFFFFF000u;  // 4096 ms before the counter wraps
    EXPECT_EQ(Shown(start), 1);
    EXPECT_EQ(Shown(start + 3000), 1);
    EXPECT_EQ(Shown(start + 3001), 1) << "the transition starts on time";
    EXPECT_TRUE(show.InTransition());
    EXPECT_EQ(Shown(start + 3500), -1) << "halfway, after the wrap";
    EXPECT_EQ(Shown(start + 4002), 2);
    EXPECT_FALSE(show.InTransition());
}

}  // namespace

namespace {

// The strips as first described: the current row, then twenty copies of the next picture's strip starts.
void ReferenceStrips(const std::vector<uint8_t>& current, const std::vector<uint8_t>& next, std::vector<uint8_t>& out,
                     int width, int height, uint32_t elapsed, uint32_t duration)
{
    const size_t row = FrameRowBytes(width);
    size_t shown = duration == 0 ? row / 20 : static_cast<size_t>(uint64_t{elapsed} * row / (20ull * duration));
    if (20 * shown > row) shown = row / 20;
    out = current;
    for (int y = 0; y < height; ++y) {
        for (int k = 0; k < 20; ++k) {
            size_t edge = static_cast<size_t>(y) * row + static_cast<size_t>(k) * row / 20;
            std::copy(next.begin() + edge, next.begin() + edge + shown, out.begin() + edge);
        }
    }
}

TEST(SlideshowBlends, StripsMatchTheStripByStripCopyForAnyWidthAndTime)
{
    for (int width : {640, 320, 160, 100, 80, 7}) {
        const int height = 5;
        std::vector<uint8_t> current(FrameBytes(width, height)), next(current.size()), out(current.size()), expected;
        for (size_t i = 0; i < current.size(); ++i) {
            current[i] = static_cast<uint8_t>(i * 7);
            next[i] = static_cast<uint8_t>(i * 13 + 1);
        }
        for (uint32_t elapsed : {0u, 1u, 250u, 499u, 999u, 1000u, 5000u}) {
            BlendStrips(current.data(), next.data(), out.data(), width, height, elapsed, 1000);
            ReferenceStrips(current, next, expected, width, height, elapsed, 1000);
            EXPECT_EQ(out, expected) << "width " << width << " at " << elapsed;
        }
    }
}

TEST(SlideshowBlends, WipeNeverWritesOutsideTheFrameForHugeTimes)
{
    std::vector<uint8_t> current(FrameBytes(80, 60), 1), next(current.size(), 2), out(current.size(), 0);
    BlendRightToLeft(current.data(), next.data(), out.data(), 80, 60, 0xFFFFFFFFu, 1);
    EXPECT_EQ(out, next);
    BlendRightToLeft(current.data(), next.data(), out.data(), 80, 60, 0xFFFFFFFFu, 0xFFFFFFFFu);
    EXPECT_EQ(out, next);
}

}  // namespace
