// The slideshow's picture decoder thread: how long the streaming thread waits for a picture.
#include "filter/sources/BackgroundPictureLoader.h"

#include <gtest/gtest.h>

#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "support/TestFiles.h"

namespace {

uint32_t Pattern(int x, int y)
{
    return 0xFF000000u | static_cast<uint32_t>((x * 5) & 0xFF) << 8 | static_cast<uint32_t>((y * 3) & 0xFF);
}

class BackgroundPictureLoaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        // Photos large enough that decoding one takes Wine's GDI+ well over a millisecond.
        for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"})
            ASSERT_TRUE(WriteTestPicture(dir.File(name), 3000, 2000, Pattern));
        ASSERT_TRUE(LoadPictureFrame(dir.File(L"a.jpg"), kFrameWidth, kFrameHeight, expected));
    }
    void TearDown() override { EXPECT_TRUE(loader.WaitUntilIdle(60000)); }

    bool Load(const wchar_t* name) { return loader.LoadPicture(dir.File(name), kFrameWidth, kFrameHeight, frame); }

    TempDir dir;
    BackgroundPictureLoader loader;
    std::vector<uint8_t> expected;
    std::vector<uint8_t> frame;
};

TEST_F(BackgroundPictureLoaderTest, FirstPictureOfEachListIsWaitedForAndTheOthersAreNot)
{
    loader.SetWaitMilliseconds(0);
    loader.SetFirstWaitMilliseconds(INFINITE);
    ASSERT_TRUE(Load(L"a.jpg"));
    EXPECT_EQ(frame, expected);
    EXPECT_FALSE(Load(L"b.jpg")) << "a later picture is not waited for";

    // A new list: its first picture is waited for again.
    loader.Forget();
    ASSERT_TRUE(Load(L"a.jpg"));
    EXPECT_EQ(frame, expected);
}

TEST_F(BackgroundPictureLoaderTest, TheLongerWaitIsTakenOnceEvenWhenThePictureIsNotReady)
{
    loader.SetWaitMilliseconds(0);
    loader.SetFirstWaitMilliseconds(0);
    EXPECT_FALSE(Load(L"a.jpg"));
    // Were the first wait still pending, this would wait for the picture.
    loader.SetFirstWaitMilliseconds(INFINITE);
    EXPECT_FALSE(Load(L"b.jpg"));
    // Once decoded, the picture is handed over without any wait.
    ASSERT_TRUE(loader.WaitUntilIdle(60000));
    ASSERT_TRUE(Load(L"a.jpg"));
    EXPECT_EQ(frame, expected);
}

}  // namespace
