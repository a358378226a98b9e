// The capture tool's Win32-free part: command line, size choice, frame collection, row layout and output lines.
#include "tools/CaptureOptions.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string Parse(std::vector<std::wstring> args, CaptureOptions* options)
{
    return ParseCaptureOptions(args, options);
}

TEST(CaptureOptions, ReadsEveryCaptureOption)
{
    CaptureOptions options;
    ASSERT_EQ(Parse({L"--device", L"Test Camera", L"--out", L"C:\\shots", L"--frames", L"5", L"--size", L"320x240",
                     L"--no-clock", L"--timeout-ms", L"2500"},
                    &options),
              "");
    EXPECT_FALSE(options.list);
    EXPECT_EQ(options.device, L"Test Camera");
    EXPECT_EQ(options.outFolder, L"C:\\shots");
    EXPECT_EQ(options.frames, 5);
    EXPECT_EQ(options.width, 320);
    EXPECT_EQ(options.height, 240);
    EXPECT_TRUE(options.noClock);
    EXPECT_EQ(options.timeoutMs, 2500u);
}

TEST(CaptureOptions, DefaultsKeepTheDeviceFormatOneFrameAndAClock)
{
    CaptureOptions options;
    ASSERT_EQ(Parse({L"--out", L"x", L"--device", L"Cam"}, &options), "");
    EXPECT_EQ(options.frames, 1);
    EXPECT_EQ(options.width, 0);
    EXPECT_EQ(options.height, 0);
    EXPECT_FALSE(options.noClock);
    EXPECT_EQ(options.timeoutMs, kDefaultCaptureTimeoutMs);
}

TEST(CaptureOptions, ListStandsAlone)
{
    CaptureOptions options;
    ASSERT_EQ(Parse({L"--list"}, &options), "");
    EXPECT_TRUE(options.list);
    EXPECT_NE(Parse({L"--list", L"--device", L"Cam"}, &options), "");
    EXPECT_NE(Parse({L"--list", L"--no-clock"}, &options), "");
}

TEST(CaptureOptions, RejectsMissingOrMalformedValuesAndLeavesOptionsAlone)
{
    const std::vector<std::vector<std::wstring>> bad = {
        {},
        {L"--device", L"Cam"},
        {L"--out", L"x"},
        {L"--device", L"", L"--out", L"x"},
        {L"--device", L"Cam", L"--out"},
        {L"--device", L"Cam", L"--out", L"x", L"--frames", L"0"},
        {L"--device", L"Cam", L"--out", L"x", L"--frames", L"301"},
        {L"--device", L"Cam", L"--out", L"x", L"--frames", L"-3"},
        {L"--device", L"Cam", L"--out", L"x", L"--frames", L"5x"},
        {L"--device", L"Cam", L"--out", L"x", L"--frames", L"99999999999999999999"},
        {L"--device", L"Cam", L"--out", L"x", L"--timeout-ms", L"0"},
        {L"--device", L"Cam", L"--out", L"x", L"--size", L"320"},
        {L"--device", L"Cam", L"--out", L"x", L"--bogus"},
    };
    for (const auto& args : bad) {
        CaptureOptions options;
        options.frames = 42;
        EXPECT_NE(Parse(args, &options), "") << args.size();
        EXPECT_EQ(options.frames, 42);
    }
}

TEST(CaptureOptions, UsageListsEveryExitCode)
{
    const std::string usage = CaptureUsage();
    for (int code = kCaptureOk; code <= kCaptureWriteFailed; ++code) {
        EXPECT_NE(usage.find("  " + std::to_string(code) + " "), std::string::npos) << code;
    }
    EXPECT_EQ(usage.back(), '\n');
}

TEST(FrameSize, AcceptsWidthByHeightWithinLimits)
{
    int width = 0, height = 0;
    ASSERT_TRUE(ParseFrameSize(L"640x480", &width, &height));
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    ASSERT_TRUE(ParseFrameSize(L"1X8192", &width, &height));
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 8192);
    for (const wchar_t* bad : {L"", L"x", L"640x", L"x480", L"0x480", L"640x0", L"8193x1", L"64 0x480", L"640x480x2",
                               L"-640x480", L"640*480"}) {
        width = height = 7;
        EXPECT_FALSE(ParseFrameSize(bad, &width, &height)) << bad;
        EXPECT_EQ(width, 7);
        EXPECT_EQ(height, 7);
    }
}

TEST(OfferedSize, PicksTheFirstRgb24FormatOfThatSizeWhicheverRowOrder)
{
    std::vector<OfferedFormat> offered = {
        {false, 320, 240}, {true, 640, 480}, {true, 320, -240}, {true, 320, 240}};
    EXPECT_EQ(FindOfferedSize(offered, 320, 240), 2);
    EXPECT_EQ(FindOfferedSize(offered, 640, 480), 1);
    EXPECT_EQ(FindOfferedSize(offered, 160, 120), -1);
    EXPECT_EQ(FindOfferedSize({}, 640, 480), -1);
    EXPECT_EQ(FindOfferedSize({{false, 640, 480}}, 640, 480), -1);
}

TEST(FrameCollector, KeepsCopiesOfTheFirstFramesOnly)
{
    FrameCollector collector(2);
    uint8_t bytes[3] = {1, 2, 3};
    EXPECT_FALSE(collector.Complete());
    EXPECT_TRUE(collector.Add(bytes, 3, true, 0, true, 333333));
    bytes[0] = 9;  // the kept frame is a copy
    EXPECT_TRUE(collector.Add(bytes, 2, true, 333333, false, 99));
    EXPECT_TRUE(collector.Complete());
    EXPECT_FALSE(collector.Add(bytes, 3, true, 666666, true, 999999));
    ASSERT_EQ(collector.Count(), 2);
    const auto& frames = collector.Frames();
    EXPECT_EQ(frames[0].bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(frames[1].bytes, (std::vector<uint8_t>{9, 2}));
    EXPECT_TRUE(frames[1].hasStart);
    EXPECT_FALSE(frames[1].hasEnd);
    EXPECT_EQ(frames[1].end, 0);
}

TEST(FrameCollector, KeepsNothingOnceClosed)
{
    FrameCollector collector(3);
    const uint8_t byte = 1;
    EXPECT_TRUE(collector.Add(&byte, 1, true, 0, true, 1));
    collector.Close();
    EXPECT_FALSE(collector.Add(&byte, 1, true, 1, true, 2));
    EXPECT_EQ(collector.Count(), 1);
    EXPECT_FALSE(collector.Complete());
}

TEST(FrameCollector, TakesEmptySamplesAndNoTarget)
{
    FrameCollector empty(0);
    EXPECT_TRUE(empty.Complete());
    EXPECT_FALSE(empty.Add(nullptr, 0, false, 0, false, 0));
    FrameCollector one(1);
    EXPECT_TRUE(one.Add(nullptr, 100, false, 5, false, 6));
    EXPECT_TRUE(one.Frames()[0].bytes.empty());
    EXPECT_FALSE(one.Frames()[0].hasStart);
}

TEST(PackRgb24, DropsRowPaddingAndKeepsBottomUpOrder)
{
    // 2 x 2 pixels: 6 bytes of pixels + 2 of padding per row.
    const std::vector<uint8_t> dib = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    std::vector<uint8_t> packed;
    ASSERT_TRUE(PackRgb24Frame(dib.data(), dib.size(), 2, 2, &packed));
    EXPECT_EQ(packed, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    // Top-down rows are turned around; the last row needs no padding after it.
    ASSERT_TRUE(PackRgb24Frame(dib.data(), dib.size() - 2, 2, -2, &packed));
    EXPECT_EQ(packed, (std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
}

TEST(PackRgb24, RefusesShortBuffersAndBadSizes)
{
    const std::vector<uint8_t> dib(16, 1);
    std::vector<uint8_t> packed = {42};
    EXPECT_FALSE(PackRgb24Frame(dib.data(), 13, 2, 2, &packed));
    EXPECT_FALSE(PackRgb24Frame(dib.data(), dib.size(), 0, 2, &packed));
    EXPECT_FALSE(PackRgb24Frame(dib.data(), dib.size(), 2, 0, &packed));
    EXPECT_FALSE(PackRgb24Frame(nullptr, dib.size(), 2, 2, &packed));
    EXPECT_FALSE(PackRgb24Frame(dib.data(), dib.size(), 100000, 1, &packed));
    EXPECT_FALSE(PackRgb24Frame(dib.data(), dib.size(), 1, -100000, &packed));
    EXPECT_EQ(packed, (std::vector<uint8_t>{42}));
    EXPECT_EQ(Rgb24Stride(1), 4u);
    EXPECT_EQ(Rgb24Stride(640), 1920u);
    EXPECT_EQ(Rgb24Stride(0), 0u);
}

TEST(CaptureOutput, NamesFilesAndLinesByFrameNumber)
{
    EXPECT_EQ(CaptureFrameFileName(0), L"frame-0000.png");
    EXPECT_EQ(CaptureFrameFileName(299), L"frame-0299.png");
    CapturedFrame frame;
    frame.hasStart = frame.hasEnd = true;
    frame.start = 666666;
    frame.end = 999999;
    EXPECT_EQ(CaptureFrameLine(2, frame), "frame 2 start 666666 end 999999");
    frame.hasEnd = false;
    EXPECT_EQ(CaptureFrameLine(2, frame), "frame 2 start 666666 end none");
    frame.hasStart = false;
    EXPECT_EQ(CaptureFrameLine(7, frame), "frame 7 start none end none");
}

}  // namespace
