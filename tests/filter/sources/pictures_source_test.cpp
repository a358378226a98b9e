// The pictures input against the real file system and real GDI+ decoding.
#include "filter/sources/PicturesSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "filter/sources/FolderScan.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "support/TestFiles.h"

namespace {

uint32_t g_now = 0;
uint32_t TestTick() { return g_now; }

constexpr size_t kSize = FrameBytes(kFrameWidth, kFrameHeight);

std::vector<uint8_t> ExpectedFrame(const std::wstring& path)
{
    std::vector<uint8_t> frame;
    LoadPictureFrame(path, kFrameWidth, kFrameHeight, frame);
    return frame;
}

bool IsBlack(const std::vector<uint8_t>& frame)
{
    return std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; });
}

std::set<std::wstring> AsSet(const std::vector<std::wstring>& list) { return {list.begin(), list.end()}; }

class PicturesSourceTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_now = 1000;
        SetPicturesTickSource(&TestTick);
        // Every picture is waited for, so each frame shows what decoding in place would show.
        SetPicturesLoadWait(INFINITE);
    }
    void TearDown() override
    {
        if (input) input->Stop();
        SetPicturesTickSource(nullptr);
        EXPECT_TRUE(WaitForPictureLoads(60000));
    }

    // Starts a new input on folder and waits for its scan.
    HRESULT Start(const std::wstring& folder, int32_t type = 2, int32_t changed = 3000, int32_t morphing = 1000)
    {
        if (input) input->Stop();
        FilterSettings settings;
        settings.PicturesDirectory = folder;
        settings.PicChType = type;
        settings.ChangedTime = changed;
        settings.MorphingTime = morphing;
        input = std::make_unique<PicturesInput>(settings);
        const HRESULT hr = input->Start(kFrameWidth, kFrameHeight);
        EXPECT_TRUE(input->WaitUntilScanned(60000));
        return hr;
    }
    std::vector<std::wstring> PicturesList() { return input->Pictures(); }

    HRESULT FillAt(uint32_t now)
    {
        g_now = now;
        return input->Fill(sample.data(), sample.size());
    }

    std::unique_ptr<PicturesInput> input;

    TempDir dir;
    std::vector<uint8_t> sample = std::vector<uint8_t>(kSize, 0x5A);
};

TEST_F(PicturesSourceTest, ScanTakesPictureExtensionsFromAllSubfoldersAndSkipsTheRest)
{
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"a.jpg"), 64, 48, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"b.PNG"), 64, 48, 0xFF00FF00));
    ASSERT_TRUE(WriteBytesFile(dir.File(L"c.txt"), "text"));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"x.tiff"), 64, 48, 0xFF0000FF));
    ASSERT_TRUE(CreateFolder(dir.File(L"s")));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"s\\d.gif"), 64, 48, 0xFF0000FF));
    ASSERT_TRUE(CreateFolder(dir.File(L"hidden")));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"hidden\\A.JPEG"), 64, 48, 0xFF808080));
    SetFileAttributesW(dir.File(L"hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(Start(dir.Path()), S_OK);
    std::vector<std::wstring> list = PicturesList();
    EXPECT_EQ(AsSet(list), (std::set<std::wstring>{dir.File(L"a.jpg"), dir.File(L"b.PNG"), dir.File(L"s\\d.gif"),
                                                    dir.File(L"hidden\\A.JPEG")}));
    SetFileAttributesW(dir.File(L"hidden").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PicturesSourceTest, NoPicturesGivesThePlaceholderResult)
{
    EXPECT_EQ(Start(L""), E_FRAME_NOPICTURES);
    EXPECT_EQ(FillAt(1000), E_FRAME_NOPICTURES);
    // A folder is scanned by a worker: only the scan tells that it holds nothing.
    EXPECT_EQ(Start(dir.File(L"missing")), S_OK);
    EXPECT_EQ(FillAt(1100), E_FRAME_NOPICTURES);
    ASSERT_TRUE(WriteBytesFile(dir.File(L"notes.txt"), "no pictures here"));
    EXPECT_EQ(Start(dir.Path()), S_OK);
    EXPECT_EQ(FillAt(1200), E_FRAME_NOPICTURES);
    EXPECT_EQ(sample[0], 0x5A) << "nothing written";
}

TEST_F(PicturesSourceTest, ShowsDecodedPicturesFittedAndChangesThemOnTime)
{
    ASSERT_TRUE(CreateFolder(dir.File(L"only")));
    const std::wstring red = dir.File(L"only\\1.png"), wide = dir.File(L"only\\2.png");
    ASSERT_TRUE(WriteSolidPicture(red, 800, 600, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPicture(wide, 1280, 720, 0xFF0000FF));
    ASSERT_EQ(Start(dir.File(L"only"), 3), S_OK);
    const std::wstring first = PicturesList()[0], second = PicturesList()[1];

    ASSERT_EQ(FillAt(1000), S_OK);
    EXPECT_EQ(sample, ExpectedFrame(first));
    ASSERT_EQ(FillAt(4001), S_OK);
    EXPECT_EQ(sample, ExpectedFrame(second));
    ASSERT_EQ(FillAt(7002), S_OK);
    EXPECT_EQ(sample, ExpectedFrame(first)) << "loops back to the first picture";

    std::vector<uint8_t> wideFrame = ExpectedFrame(wide);
    EXPECT_TRUE(std::all_of(wideFrame.begin(), wideFrame.begin() + 60 * 1920, [](uint8_t b) { return b == 0; }))
        << "16:9 picture has a black band of 60 rows";
    EXPECT_EQ(wideFrame[60 * 1920], 0xFF) << "blue starts right after the band";
}

TEST_F(PicturesSourceTest, TransitionBlendsTheTwoDecodedPictures)
{
    const std::wstring a = dir.File(L"a.png"), b = dir.File(L"b.png");
    ASSERT_TRUE(WriteSolidPicture(a, 640, 480, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPicture(b, 640, 480, 0xFF00FF00));
    ASSERT_EQ(Start(dir.Path(), 1), S_OK);
    std::vector<uint8_t> first = ExpectedFrame(PicturesList()[0]), second = ExpectedFrame(PicturesList()[1]);

    FillAt(1000);
    FillAt(4001);       // the wipe starts
    ASSERT_EQ(FillAt(4501), S_OK);  // halfway
    for (size_t row : {size_t{0}, size_t{479}}) {
        const uint8_t* r = sample.data() + row * 1920;
        EXPECT_TRUE(std::equal(r, r + 960, first.data() + row * 1920));
        EXPECT_TRUE(std::equal(r + 960, r + 1920, second.data() + row * 1920 + 960));
    }
}

TEST_F(PicturesSourceTest, BadPicturesShowBlackAndTheSlideshowGoesOn)
{
    const std::string jpegStart("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    ASSERT_TRUE(WriteBytesFile(dir.File(L"1-corrupt.jpg"), jpegStart + std::string(5000, '\x37')));
    ASSERT_TRUE(WriteBytesFile(dir.File(L"2-empty.png"), ""));
    ASSERT_TRUE(WriteBytesFile(dir.File(L"3-text.jpg"), "this is not a picture"));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"4-thin.png"), 1, 10000, 0xFFFFFFFF));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"5-flat.png"), 10000, 1, 0xFFFFFFFF));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"6-good.png"), 640, 480, 0xFFFFFFFF));
    ASSERT_EQ(Start(dir.Path(), 3, 100), S_OK);
    ASSERT_EQ(PicturesList().size(), 6u);

    int whiteFrames = 0;
    for (uint32_t step = 0; step < 12; ++step) {
        ASSERT_EQ(FillAt(1000 + step * 101), S_OK);
        if (sample[kSize / 2] == 0xFF) ++whiteFrames;
    }
    EXPECT_GE(whiteFrames, 2) << "the good picture comes round in every loop";
}

TEST_F(PicturesSourceTest, LargePhotoIsDecodedInTheBackgroundWhileFramesGoOn)
{
    ASSERT_TRUE(WriteTestPicture(dir.File(L"1-large.jpg"), 6000, 4000,
                                 [](int x, int y) { return 0xFF000000u | ((x * 7) & 0xFF) << 16 | ((y * 3) & 0xFF); }));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"2-small.png"), 640, 480, 0xFF00FF00));
    ASSERT_EQ(Start(dir.Path(), 3), S_OK);
    const std::vector<uint8_t> large = ExpectedFrame(PicturesList()[0]);
    SetPicturesLoadWait(20);

    DWORD before = GetTickCount();
    HRESULT first = FillAt(1000);
    DWORD took = GetTickCount() - before;
    EXPECT_LT(took, 300u) << "the streaming thread waits only briefly for the decoder";
    if (first == S_FALSE) {
        EXPECT_EQ(sample[0], 0x5A) << "a frame that is not ready is left as it is";
    }

    ASSERT_TRUE(WaitForPictureLoads(60000));
    ASSERT_EQ(FillAt(1100), S_OK);
    EXPECT_EQ(sample, large);
}

TEST_F(PicturesSourceTest, FolderThatVanishesAfterTheScanGivesBlackFrames)
{
    ASSERT_TRUE(CreateFolder(dir.File(L"gone")));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"gone\\1.png"), 640, 480, 0xFFFFFFFF));
    ASSERT_EQ(Start(dir.File(L"gone")), S_OK);
    RemoveTree(dir.File(L"gone"));
    ASSERT_EQ(FillAt(1000), S_OK);
    EXPECT_TRUE(IsBlack(sample));
}

TEST_F(PicturesSourceTest, DeepNestingAndLongPathsAreScannedWithoutFault)
{
    std::wstring folder = dir.Path();
    for (int depth = 0; depth < 30; ++depth) {
        folder += L"\\d";
        ASSERT_TRUE(CreateFolder(folder));
    }
    ASSERT_TRUE(WriteSolidPicture(folder + L"\\deep.png", 64, 48, 0xFFFFFFFF));
    // A file whose full path is 259 characters, and a folder whose name takes the path right up to the limit.
    std::wstring base = dir.Path() + L"\\";
    std::wstring longName = std::wstring(259 - base.size() - 4, L'p') + L".png";
    ASSERT_TRUE(WriteSolidPicture(base + longName, 64, 48, 0xFFFFFFFF));
    CreateFolder(base + std::wstring(258 - base.size(), L'f'));

    ASSERT_EQ(Start(dir.Path()), S_OK);
    std::set<std::wstring> found = AsSet(PicturesList());
    EXPECT_TRUE(found.count(folder + L"\\deep.png"));
    EXPECT_TRUE(found.count(base + longName));
    for (uint32_t now = 1000; now < 20000; now += 1000) EXPECT_EQ(FillAt(now), S_OK);
}

#if defined(VELTRANE_SCAN_LOOP_DIR) && defined(VELTRANE_SCAN_TWICE_DIR)
TEST_F(PicturesSourceTest, FolderLinksNeverLeadIntoAFolderScannedBefore)
{
    // The build makes VELTRANE_SCAN_LOOP_DIR\inner\back as a link to VELTRANE_SCAN_LOOP_DIR, and
    // VELTRANE_SCAN_TWICE_DIR\one and \two as links to VELTRANE_SCAN_TWICE_DIR\inner.
    for (const wchar_t* root : {VELTRANE_SCAN_LOOP_DIR, VELTRANE_SCAN_TWICE_DIR}) {
        const std::wstring picture = root + std::wstring(L"\\inner\\pic.png");
        ASSERT_TRUE(WriteSolidPicture(picture, 64, 48, 0xFFFFFFFF));
        EXPECT_EQ(Start(root), S_OK);
        EXPECT_EQ(PicturesList().size(), 1u) << "the picture is found once, through whichever path came first";
        DeleteFileW(picture.c_str());
    }
}
#endif

TEST_F(PicturesSourceTest, ScanStopsAtItsPictureLimit)
{
    ASSERT_TRUE(CreateFolder(dir.File(L"s")));
    for (const wchar_t* name : {L"1.png", L"s\\2.png", L"s\\3.png", L"4.png", L"5.png"})
        ASSERT_TRUE(WriteBytesFile(dir.File(name), ""));  // the scan looks at names only
    std::vector<std::wstring> list;
    ScanPictureFolder(dir.Path(), list, 3);
    EXPECT_EQ(list.size(), 3u);
}

TEST_F(PicturesSourceTest, NewFolderRestartsAtItsFirstPictureAndStopEndsTheShow)
{
    ASSERT_TRUE(CreateFolder(dir.File(L"one")));
    ASSERT_TRUE(CreateFolder(dir.File(L"two")));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"one\\a.png"), 64, 48, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"one\\b.png"), 64, 48, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"two\\c.png"), 64, 48, 0xFF00FF00));
    ASSERT_EQ(Start(dir.File(L"one"), 3), S_OK);
    FillAt(1000);

    input->SetFolder(dir.File(L"two"));
    ASSERT_TRUE(input->WaitUntilScanned(60000));
    EXPECT_EQ(PicturesList(), (std::vector<std::wstring>{dir.File(L"two\\c.png")}));
    ASSERT_EQ(FillAt(1100), S_OK);
    EXPECT_EQ(sample, ExpectedFrame(dir.File(L"two\\c.png")));

    input->SetFolder(L"");
    EXPECT_EQ(FillAt(1300), E_FRAME_NOPICTURES);
    input->Stop();
    EXPECT_EQ(FillAt(1400), S_FALSE) << "a stopped input writes nothing";
}

TEST_F(PicturesSourceTest, LiveSettersReachTheRunningSlideshow)
{
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"a.png"), 640, 480, 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"b.png"), 640, 480, 0xFF00FF00));
    ASSERT_EQ(Start(dir.Path(), 1, 3000), S_OK);
    std::vector<uint8_t> second = ExpectedFrame(PicturesList()[1]);
    FillAt(1000);
    input->SetChangedTime(100);
    input->SetChangeType(3);
    ASSERT_EQ(FillAt(1101), S_OK);
    EXPECT_EQ(sample, second) << "new interval and an immediate change";
}

TEST_F(PicturesSourceTest, SampleOfAnotherSizeIsNotWritten)
{
    ASSERT_TRUE(WriteSolidPicture(dir.File(L"a.png"), 640, 480, 0xFFFF0000));
    ASSERT_EQ(Start(dir.Path()), S_OK);
    std::vector<uint8_t> small(FrameBytes(320, 240), 0x5A);
    g_now = 1000;
    EXPECT_EQ(input->Fill(small.data(), small.size()), S_FALSE);
    EXPECT_EQ(small[0], 0x5A);
}

}  // namespace
