#include "filter/sources/VideoFetchPacing.h"

#include <gtest/gtest.h>

#include <vector>

TEST(FrameIntervalMilliseconds, ConvertsHundredNanosecondUnitsTruncating)
{
    EXPECT_EQ(FrameIntervalMilliseconds(1000000), 100u);   // 10 frames per second
    EXPECT_EQ(FrameIntervalMilliseconds(333333), 33u);     // 30 frames per second
    EXPECT_EQ(FrameIntervalMilliseconds(417083), 41u);     // 23.976 frames per second
    EXPECT_EQ(FrameIntervalMilliseconds(9999), 0u);        // under a millisecond
    EXPECT_EQ(FrameIntervalMilliseconds(0), 0u);
    EXPECT_EQ(FrameIntervalMilliseconds(-1000000), 0u);
    EXPECT_EQ(FrameIntervalMilliseconds(INT64_MAX), UINT32_MAX);
}

TEST(VideoFetchPacing, FetchesWheneverNoPictureIsHeld)
{
    VideoFetchPacing pacing;
    pacing.SetFrameInterval(100);
    EXPECT_TRUE(pacing.ShouldFetch(false, 5000));
    EXPECT_TRUE(pacing.ShouldFetch(true, 5000));  // nothing fetched yet
    pacing.Fetched(5000);
    EXPECT_TRUE(pacing.ShouldFetch(false, 5000));
    EXPECT_FALSE(pacing.ShouldFetch(true, 5000));
}

TEST(VideoFetchPacing, HoldsAPictureForHalfAFrameInterval)
{
    VideoFetchPacing pacing;
    pacing.SetFrameInterval(100);
    pacing.Fetched(1000);
    EXPECT_FALSE(pacing.ShouldFetch(true, 1049));
    EXPECT_TRUE(pacing.ShouldFetch(true, 1050));
    pacing.Fetched(1050);
    EXPECT_FALSE(pacing.ShouldFetch(true, 1099));
    EXPECT_TRUE(pacing.ShouldFetch(true, 1100));
}

TEST(VideoFetchPacing, StreamWithoutIntervalIsLookedAtEvery40Milliseconds)
{
    VideoFetchPacing pacing;
    EXPECT_EQ(pacing.FetchGap(), 40u);
    pacing.Fetched(0);
    EXPECT_FALSE(pacing.ShouldFetch(true, 39));
    EXPECT_TRUE(pacing.ShouldFetch(true, 40));
}

TEST(VideoFetchPacing, GapIsAtMostOneSecond)
{
    VideoFetchPacing pacing;
    pacing.SetFrameInterval(UINT32_MAX);
    EXPECT_EQ(pacing.FetchGap(), 1000u);
    pacing.SetFrameInterval(1);  // a gap of 0: every call fetches
    pacing.Fetched(7);
    EXPECT_TRUE(pacing.ShouldFetch(true, 7));
}

TEST(VideoFetchPacing, ElapsedTimeCountsAcrossATickWrap)
{
    VideoFetchPacing pacing;
    pacing.SetFrameInterval(100);
    pacing.Fetched(UINT32_MAX - 10);
    EXPECT_FALSE(pacing.ShouldFetch(true, 20));  // 31 ms later
    EXPECT_TRUE(pacing.ShouldFetch(true, 39));   // 50 ms later
}

TEST(VideoFetchPacing, ResetForgetsIntervalAndLastFetch)
{
    VideoFetchPacing pacing;
    pacing.SetFrameInterval(400);
    pacing.Fetched(100);
    pacing.Reset();
    EXPECT_EQ(pacing.FrameInterval(), 0u);
    EXPECT_TRUE(pacing.ShouldFetch(true, 100));
}

TEST(SampleFingerprint, EqualBytesGiveEqualFingerprints)
{
    std::vector<uint8_t> a(1280 * 720 * 3, 0x5A), b = a;
    EXPECT_EQ(SampleFingerprint(a.data(), a.size()), SampleFingerprint(b.data(), b.size()));
}

TEST(SampleFingerprint, AnySingleByteChangeIsNoticed)
{
    std::vector<uint8_t> bytes(1003, 0x10);  // not a multiple of 8: the tail bytes count too
    const uint64_t original = SampleFingerprint(bytes.data(), bytes.size());
    for (size_t i : {size_t{0}, size_t{7}, size_t{8}, size_t{500}, size_t{999}, size_t{1002}}) {
        for (uint8_t bit : {uint8_t{0x01}, uint8_t{0x80}}) {
            bytes[i] ^= bit;
            EXPECT_NE(SampleFingerprint(bytes.data(), bytes.size()), original) << "byte " << i;
            bytes[i] ^= bit;
        }
    }
}

TEST(SampleFingerprint, LengthCountsAndNullIsSafe)
{
    std::vector<uint8_t> zeros(64, 0);
    EXPECT_NE(SampleFingerprint(zeros.data(), 64), SampleFingerprint(zeros.data(), 56));
    EXPECT_EQ(SampleFingerprint(nullptr, 0), SampleFingerprint(zeros.data(), 0));
    (void)SampleFingerprint(nullptr, 100);  // no read through a null pointer
}
