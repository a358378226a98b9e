// The canvas against the real GDI+: pictures fitted into frames, the bottom-up conversion, raw DIB pixels through
// an in-memory BMP image, and the border overlay.
#include "filter/sources/GdiplusCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter/sources/FrameFormat.h"
#include "support/TestFiles.h"

using namespace Gdiplus;

namespace {

constexpr int W = kFrameWidth;
constexpr int H = kFrameHeight;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

struct Bgr {
    int b, g, r;
};

// The pixel at (x, y) counted from the top-left corner of the picture, read from a bottom-up frame.
Bgr PixelAt(const std::vector<uint8_t>& frame, int width, int height, int x, int y)
{
    const uint8_t* p = &frame[(static_cast<size_t>(height - 1 - y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

bool IsBlack(const Bgr& p) { return p.b == 0 && p.g == 0 && p.r == 0; }

// Within a small tolerance of the colour: JPEG and bicubic scaling do not keep every value exactly.
bool IsNear(const Bgr& p, uint32_t argb, int tolerance = 24)
{
    const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

std::string Describe(const Bgr& p)
{
    char text[40];
    std::snprintf(text, sizeof text, "B,G,R = %d,%d,%d", p.b, p.g, p.r);
    return text;
}

// Every pixel of row y (or of column x) has the colour; black exactly, other colours within the tolerance.
void ExpectLine(const std::vector<uint8_t>& frame, bool isRow, int index, uint32_t argb)
{
    const int length = isRow ? W : H;
    for (int i = 0; i < length; ++i) {
        const int x = isRow ? i : index, y = isRow ? index : i;
        const Bgr p = PixelAt(frame, W, H, x, y);
        if (argb == kBlack ? !IsBlack(p) : !IsNear(p, argb)) {
            ADD_FAILURE() << (isRow ? "row " : "column ") << index << " at (" << x << ", " << y << "): " << Describe(p);
            return;
        }
    }
}
void ExpectRow(const std::vector<uint8_t>& frame, int y, uint32_t argb) { ExpectLine(frame, true, y, argb); }
void ExpectColumn(const std::vector<uint8_t>& frame, int x, uint32_t argb) { ExpectLine(frame, false, x, argb); }

bool AllZero(const std::vector<uint8_t>& frame)
{
    for (uint8_t byte : frame)
        if (byte != 0) return false;
    return true;
}

// ---- LoadPictureFrame ----------------------------------------------------------------------------------------

class LoadPictureFrameTest : public testing::Test {
protected:
    TempDir dir_;
    std::vector<uint8_t> frame_ = std::vector<uint8_t>(17, 0x77);  // wrong size and not black
};

TEST_F(LoadPictureFrameTest, FourByThreePictureFillsTheFrame)
{
    const std::wstring path = dir_.File(L"four-by-three.png");
    ASSERT_TRUE(WriteSolidPicture(path, 800, 600, kWhite));

    EXPECT_TRUE(LoadPictureFrame(path, W, H, frame_));

    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    for (int y : {2, 240, 477}) ExpectRow(frame_, y, kWhite);
    for (int x : {2, 637}) ExpectColumn(frame_, x, kWhite);
    // No band at all: even the outermost pixels are covered (fully or, at the renderer's edges, partly).
    for (int i : {0, 239, 479}) {
        EXPECT_FALSE(IsBlack(PixelAt(frame_, W, H, 0, i))) << i;
        EXPECT_FALSE(IsBlack(PixelAt(frame_, W, H, 639, i))) << i;
    }
    for (int i : {0, 320, 639}) {
        EXPECT_FALSE(IsBlack(PixelAt(frame_, W, H, i, 0))) << i;
        EXPECT_FALSE(IsBlack(PixelAt(frame_, W, H, i, 479))) << i;
    }
}

TEST_F(LoadPictureFrameTest, WidePictureGetsBandsOfSixtyRowsAboveAndBelow)
{
    const std::wstring path = dir_.File(L"wide.jpg");
    ASSERT_TRUE(WriteSolidPicture(path, 1280, 720, kWhite));

    EXPECT_TRUE(LoadPictureFrame(path, W, H, frame_));

    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    for (int y : {0, 30, 58, 59, 420, 421, 450, 479}) ExpectRow(frame_, y, kBlack);
    // How far the outermost row of the picture is covered is up to the renderer's edge handling.
    for (int y : {62, 240, 417}) ExpectRow(frame_, y, kWhite);
}

TEST_F(LoadPictureFrameTest, PortraitPictureGetsBandsOf140ColumnsLeftAndRight)
{
    const std::wstring path = dir_.File(L"portrait.png");
    ASSERT_TRUE(WriteSolidPicture(path, 480, 640, kWhite));

    EXPECT_TRUE(LoadPictureFrame(path, W, H, frame_));

    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    for (int x : {0, 70, 138, 139, 500, 501, 570, 639}) ExpectColumn(frame_, x, kBlack);
    // How far the outermost column of the picture is covered is up to the renderer's edge handling.
    for (int x : {142, 320, 497}) ExpectColumn(frame_, x, kWhite);
}

TEST_F(LoadPictureFrameTest, TopOfThePictureIsTheEndOfTheFrame)
{
    const std::wstring path = dir_.File(L"red-over-blue.png");
    ASSERT_TRUE(WriteTestPicture(path, W, H, [](int, int y) { return y < H / 2 ? kRed : kBlue; }));

    EXPECT_TRUE(LoadPictureFrame(path, W, H, frame_));

    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    // In memory: the first row is the blue bottom of the picture, the last row its red top.
    const size_t lastRow = FrameBytes(W, H) - FrameRowBytes(W);
    for (int x = 0; x < W; ++x) {
        Bgr first{frame_[x * 3], frame_[x * 3 + 1], frame_[x * 3 + 2]};
        Bgr last{frame_[lastRow + x * 3], frame_[lastRow + x * 3 + 1], frame_[lastRow + x * 3 + 2]};
        ASSERT_TRUE(IsNear(first, kBlue, 2)) << x << ": " << Describe(first);
        ASSERT_TRUE(IsNear(last, kRed, 2)) << x << ": " << Describe(last);
    }
    ExpectRow(frame_, H / 2 - 2, kRed);
    ExpectRow(frame_, H / 2 + 1, kBlue);
}

TEST_F(LoadPictureFrameTest, UndecodableFilesGiveABlackFrameOfFullSize)
{
    // A JPEG start and JFIF header followed by bytes without any marker, so no frame header ever comes.
    std::string corruptJpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    for (int i = 0; i < 5000; ++i) corruptJpeg.push_back(static_cast<char>(0x20 + (i * 37) % 0xD0));
    const std::wstring corrupt = dir_.File(L"corrupt.jpg");
    const std::wstring empty = dir_.File(L"empty.png");
    const std::wstring text = dir_.File(L"text.jpg");
    ASSERT_TRUE(WriteBytesFile(corrupt, corruptJpeg));
    ASSERT_TRUE(WriteBytesFile(empty, ""));
    ASSERT_TRUE(WriteBytesFile(text, "These are holiday notes, not a picture.\r\n"));
    // Decodable, but wider than 16384 pixels: refused from its header alone.
    const std::wstring tooWide = dir_.File(L"too-wide.png");
    ASSERT_TRUE(WriteSolidPicture(tooWide, 20000, 10, kWhite));
    EXPECT_FALSE(DecodePictureFile(tooWide));

    for (const std::wstring& path : {corrupt, empty, text, tooWide, dir_.File(L"missing.jpg"), std::wstring()}) {
        SCOPED_TRACE(testing::Message() << "file " << std::string(path.begin(), path.end()));
        std::vector<uint8_t> frame(FrameBytes(W, H) + 5, 0x77);
        EXPECT_FALSE(LoadPictureFrame(path, W, H, frame));
        ASSERT_EQ(frame.size(), FrameBytes(W, H));
        EXPECT_TRUE(AllZero(frame));
    }
}

TEST_F(LoadPictureFrameTest, ExtremelyNarrowAndFlatPicturesKeepTheirBands)
{
    const std::wstring tall = dir_.File(L"tall.png");
    const std::wstring flat = dir_.File(L"flat.png");
    ASSERT_TRUE(WriteSolidPicture(tall, 1, 10000, kWhite));
    ASSERT_TRUE(WriteSolidPicture(flat, 10000, 1, kWhite));

    EXPECT_TRUE(LoadPictureFrame(tall, W, H, frame_));
    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    for (int x : {0, 200, 317, 322, 639}) ExpectColumn(frame_, x, kBlack);  // the picture is columns 319 and 320
    EXPECT_FALSE(IsBlack(PixelAt(frame_, W, H, 319, 240)) && IsBlack(PixelAt(frame_, W, H, 320, 240)));

    EXPECT_TRUE(LoadPictureFrame(flat, W, H, frame_));
    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    for (int y : {0, 100, 237, 242, 479}) ExpectRow(frame_, y, kBlack);  // the picture is rows 239 and 240
    EXPECT_FALSE(IsBlack(PixelAt(frame_, W, H, 320, 239)) && IsBlack(PixelAt(frame_, W, H, 320, 240)));
}

TEST_F(LoadPictureFrameTest, SmallerFrameSizes)
{
    const std::wstring path = dir_.File(L"wide.png");
    ASSERT_TRUE(WriteSolidPicture(path, 1920, 1080, kWhite));

    std::vector<uint8_t> frame;
    EXPECT_TRUE(LoadPictureFrame(path, 80, 60, frame));
    ASSERT_EQ(frame.size(), FrameBytes(80, 60));
    // (0, 7, 80, 46): rows 0-6 and 53-59 black, the middle white.
    const auto pixel = [&](int x, int y) { return PixelAt(frame, 80, 60, x, y); };
    for (int y : {0, 6, 53, 59}) EXPECT_TRUE(IsBlack(pixel(40, y))) << y;
    for (int y : {9, 30, 50}) EXPECT_TRUE(IsNear(pixel(40, y), kWhite)) << y << ": " << Describe(pixel(40, y));

    EXPECT_FALSE(LoadPictureFrame(path, 0, 60, frame));
    EXPECT_TRUE(frame.empty());
}

TEST_F(LoadPictureFrameTest, LargeCameraPhotoIsScaledDown)
{
    // A 6000 x 4000 photo (3:2): bands of 26 rows above and below.
    const std::wstring path = dir_.File(L"photo.jpg");
    ASSERT_TRUE(WriteTestPicture(path, 6000, 4000, [](int x, int) { return x < 3000 ? kRed : kGreen; }));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(LoadPictureFrame(path, W, H, frame_));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("LoadPictureFrame of a 6000x4000 JPEG took %lld ms\n", ms);
    RecordProperty("load_6000x4000_jpeg_ms", std::to_string(ms));

    ASSERT_EQ(frame_.size(), FrameBytes(W, H));
    for (int y : {0, 25, 454, 479}) ExpectRow(frame_, y, kBlack);
    EXPECT_TRUE(IsNear(PixelAt(frame_, W, H, 100, 240), kRed)) << Describe(PixelAt(frame_, W, H, 100, 240));
    EXPECT_TRUE(IsNear(PixelAt(frame_, W, H, 540, 240), kGreen)) << Describe(PixelAt(frame_, W, H, 540, 240));
}

// ---- Canvas and CanvasToFrame ---------------------------------------------------------------------------------

TEST(CanvasTest, NewCanvasIsBlack)
{
    GpBitmapPtr canvas = CreateCanvas(W, H);
    ASSERT_TRUE(canvas);
    std::vector<uint8_t> frame(FrameBytes(W, H), 0x5A);

    EXPECT_TRUE(CanvasToFrame(canvas.get(), W, H, frame.data()));

    EXPECT_TRUE(AllZero(frame));
}

TEST(CanvasTest, CanvasOfAnotherSizeCopiesNothing)
{
    const std::vector<uint8_t> untouched(FrameBytes(W, H), 0x5A);
    std::vector<uint8_t> frame = untouched;
    for (auto size : {std::make_pair(320, 240), std::make_pair(800, 600), std::make_pair(640, 479)}) {
        SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
        GpBitmapPtr canvas = CreateCanvas(size.first, size.second);
        ASSERT_TRUE(canvas);
        EXPECT_FALSE(CanvasToFrame(canvas.get(), W, H, frame.data()));
        EXPECT_EQ(frame, untouched);
    }
    EXPECT_FALSE(CanvasToFrame(nullptr, W, H, frame.data()));
    EXPECT_EQ(frame, untouched);
}

// ---- DIB pixels through an in-memory BMP image ----------------------------------------------------------------

BITMAPINFOHEADER DibHeader(int width, int height, int bitCount)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(((width * bitCount + 31) / 32) * 4 * std::abs(height));
    return header;
}

// Distinct bytes for every pixel, so that a swapped row or a shifted column shows.
uint8_t PatternByte(int x, int row, int channel) { return static_cast<uint8_t>(x * 7 + row * 13 + channel * 101); }

std::vector<uint8_t> Pattern24(int width, int height)
{
    std::vector<uint8_t> pixels(FrameBytes(width, height));
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) pixels[(static_cast<size_t>(row) * width + x) * 3 + c] = PatternByte(x, row, c);
    return pixels;
}

std::vector<uint8_t> BitmapToFrame(GpBitmap* bitmap, int width, int height)
{
    std::vector<uint8_t> frame(FrameBytes(width, height), 0x5A);
    EXPECT_TRUE(CanvasToFrame(bitmap, width, height, frame.data()));
    return frame;
}

TEST(DecodeDibFrameTest, BottomUpDibComesBackExactly)
{
    const std::vector<uint8_t> pixels = Pattern24(W, H);
    StreamBitmap bitmap;
    {
        // The grabber's way: the pixels are written straight into the image buffer.
        DibImage image(pixels.size());
        ASSERT_NE(image.Pixels(), nullptr);
        ASSERT_EQ(image.PixelBytes(), pixels.size());
        std::copy(pixels.begin(), pixels.end(), image.Pixels());
        ASSERT_EQ(image.Decode(DibHeader(W, H, 24), &bitmap), S_OK);
    }
    // The image buffer is gone; the bitmap still has its stream.
    ASSERT_TRUE(bitmap);
    UINT width = 0, height = 0;
    ASSERT_EQ(DllExports::GdipGetImageWidth(bitmap.Get(), &width), Ok);
    ASSERT_EQ(DllExports::GdipGetImageHeight(bitmap.Get(), &height), Ok);
    EXPECT_EQ(width, static_cast<UINT>(W));
    EXPECT_EQ(height, static_cast<UINT>(H));

    // A bottom-up DIB has the frame's own layout.
    EXPECT_TRUE(BitmapToFrame(bitmap.Get(), W, H) == pixels);

    GpBitmapPtr canvas = CreateCanvas(W, H);
    ASSERT_TRUE(canvas);
    DrawImageFitted(canvas.get(), bitmap.Get(), W, H);
    EXPECT_TRUE(BitmapToFrame(canvas.get(), W, H) == pixels) << "drawn unscaled";
}

TEST(DecodeDibFrameTest, TopDownDibIsTurnedOver)
{
    const int width = 64, height = 48;
    const std::vector<uint8_t> pixels = Pattern24(width, height);
    StreamBitmap bitmap;
    ASSERT_EQ(DecodeDibFrame(DibHeader(width, height, 24), pixels.data(), pixels.size(), &bitmap), S_OK);
    BITMAPINFOHEADER topDown = DibHeader(width, -height, 24);
    StreamBitmap turned;
    ASSERT_EQ(DecodeDibFrame(topDown, pixels.data(), pixels.size(), &turned), S_OK);
    ASSERT_TRUE(bitmap);
    ASSERT_TRUE(turned);

    const std::vector<uint8_t> frame = BitmapToFrame(turned.Get(), width, height);
    for (int row = 0; row < height; ++row)
        ASSERT_TRUE(std::equal(frame.begin() + FrameRowBytes(width) * row,
                               frame.begin() + FrameRowBytes(width) * (row + 1),
                               pixels.begin() + FrameRowBytes(width) * (height - 1 - row)))
            << "row " << row;
}

TEST(DecodeDibFrameTest, ThirtyTwoBitDibKeepsItsColours)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(W) * H * 4);
    std::vector<uint8_t> expected(FrameBytes(W, H));
    for (int row = 0; row < H; ++row)
        for (int x = 0; x < W; ++x) {
            const size_t i = static_cast<size_t>(row) * W + x;
            for (int c = 0; c < 3; ++c) pixels[i * 4 + c] = expected[i * 3 + c] = PatternByte(x, row, c);
            pixels[i * 4 + 3] = 0;  // the unused fourth byte, as grabbers deliver it
        }
    StreamBitmap bitmap;
    ASSERT_EQ(DecodeDibFrame(DibHeader(W, H, 32), pixels.data(), pixels.size(), &bitmap), S_OK);
    ASSERT_TRUE(bitmap);
    EXPECT_TRUE(BitmapToFrame(bitmap.Get(), W, H) == expected);
}

TEST(DecodeDibFrameTest, HeaderThatDoesNotMatchThePixelsIsHarmless)
{
    const std::vector<uint8_t> few(1000, 0x80);
    BITMAPINFOHEADER tooBig = DibHeader(W, H, 24);
    BITMAPINFOHEADER huge = DibHeader(100000, 100000, 24);
    BITMAPINFOHEADER noDepth = DibHeader(W, H, 0);
    BITMAPINFOHEADER zeroSize = DibHeader(0, 0, 24);
    BITMAPINFOHEADER wrongSize = DibHeader(8, 8, 24);
    wrongSize.biSize = 124;
    for (const BITMAPINFOHEADER& header : {tooBig, huge, noDepth, zeroSize, wrongSize}) {
        SCOPED_TRACE(testing::Message() << header.biWidth << "x" << header.biHeight << "x" << header.biBitCount);
        StreamBitmap bitmap;
        EXPECT_EQ(DecodeDibFrame(header, few.data(), few.size(), &bitmap), S_OK);
        // Whatever GDI+ made of it can be drawn and converted without harm.
        GpBitmapPtr canvas = CreateCanvas(W, H);
        ASSERT_TRUE(canvas);
        DrawImageFitted(canvas.get(), bitmap.Get(), W, H);
        std::vector<uint8_t> frame(FrameBytes(W, H));
        EXPECT_TRUE(CanvasToFrame(canvas.get(), W, H, frame.data()));
    }
    StreamBitmap empty;
    EXPECT_EQ(DecodeDibFrame(tooBig, nullptr, 0, &empty), S_OK);
}

TEST(DecodeDibFrameTest, AbsurdPixelCountsAreRefused)
{
    for (size_t n : {DibImage::kMaxPixelBytes + 1, SIZE_MAX - 10, SIZE_MAX}) {
        SCOPED_TRACE(n);
        DibImage image(n);
        EXPECT_EQ(image.Pixels(), nullptr);
        EXPECT_EQ(image.PixelBytes(), 0u);
        StreamBitmap bitmap;
        EXPECT_EQ(image.Decode(DibHeader(W, H, 24), &bitmap), E_INVALIDARG);
        EXPECT_FALSE(bitmap);
        const uint8_t one = 0;
        EXPECT_EQ(DecodeDibFrame(DibHeader(W, H, 24), &one, n, &bitmap), E_INVALIDARG);
    }
}

// ---- Border overlay -------------------------------------------------------------------------------------------

class BorderOverlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        canvas_ = CreateCanvas(W, H);
        ASSERT_TRUE(canvas_);
        graphics_ = CanvasGraphics(canvas_.get());
        ASSERT_TRUE(graphics_);
        ASSERT_EQ(DllExports::GdipGraphicsClear(graphics_.get(), kGreen), Ok);
    }

    // A width x height PNG with an opaque red frame of the given thickness and a fully transparent middle.
    std::wstring WriteBorder(const std::wstring& name, int width, int height, int thickness)
    {
        const std::wstring path = dir_.File(name);
        EXPECT_TRUE(WriteTestPicture(path, width, height, [=](int x, int y) -> uint32_t {
            const bool edge = x < thickness || y < thickness || x >= width - thickness || y >= height - thickness;
            return edge ? kRed : 0x00000000;
        }));
        return path;
    }

    std::vector<uint8_t> Frame()
    {
        (void)DllExports::GdipFlush(graphics_.get(), FlushIntentionSync);
        std::vector<uint8_t> frame(FrameBytes(W, H), 0x5A);
        EXPECT_TRUE(CanvasToFrame(canvas_.get(), W, H, frame.data()));
        return frame;
    }

    void ExpectColour(const std::vector<uint8_t>& frame, int x, int y, uint32_t argb)
    {
        const Bgr p = PixelAt(frame, W, H, x, y);
        EXPECT_TRUE(IsNear(p, argb, 8)) << "(" << x << ", " << y << "): " << Describe(p);
    }

    TempDir dir_;
    GpBitmapPtr canvas_;
    GpGraphicsPtr graphics_;
};

TEST_F(BorderOverlayTest, OpaqueFrameCoversTheEdgesAndTheTransparentMiddleKeepsThePicture)
{
    const std::wstring border = WriteBorder(L"border.png", W, H, 40);

    DrawBorderOverlay(graphics_.get(), border, W, H);

    const std::vector<uint8_t> frame = Frame();
    for (int i : {2, 20, 37}) {
        ExpectColour(frame, i, H / 2, kRed);
        ExpectColour(frame, W - 1 - i, H / 2, kRed);
        ExpectColour(frame, W / 2, i, kRed);
        ExpectColour(frame, W / 2, H - 1 - i, kRed);
    }
    for (int i : {43, 100, 240}) {
        ExpectColour(frame, i, H / 2, kGreen);
        ExpectColour(frame, W - 1 - i, H / 2, kGreen);
        ExpectColour(frame, W / 2, i, kGreen);
        ExpectColour(frame, W / 2, H - 1 - i, kGreen);
    }
}

TEST_F(BorderOverlayTest, SmallerBorderIsStretchedOverTheWholeFrame)
{
    const std::wstring border = WriteBorder(L"small.png", 320, 240, 20);

    DrawBorderOverlay(graphics_.get(), border, W, H);

    // 20 pixels of the 320 x 240 border become 40 of the frame.
    const std::vector<uint8_t> frame = Frame();
    ExpectColour(frame, 30, H / 2, kRed);
    ExpectColour(frame, W - 31, H / 2, kRed);
    ExpectColour(frame, W / 2, 30, kRed);
    ExpectColour(frame, W / 2, H - 31, kRed);
    ExpectColour(frame, 50, H / 2, kGreen);
    ExpectColour(frame, W / 2, H / 2, kGreen);
    ExpectColour(frame, W - 51, H - 51, kGreen);
}

TEST_F(BorderOverlayTest, MissingCorruptOrNoBorderLeavesTheCanvasAlone)
{
    const std::vector<uint8_t> before = Frame();
    ASSERT_TRUE(IsNear(PixelAt(before, W, H, 0, 0), kGreen, 0));
    const std::wstring corrupt = dir_.File(L"corrupt.png");
    ASSERT_TRUE(WriteBytesFile(corrupt, std::string("\x89PNG\r\n\x1a\n", 8) + "the rest is missing"));

    DrawBorderOverlay(graphics_.get(), dir_.File(L"missing.png"), W, H);
    DrawBorderOverlay(graphics_.get(), corrupt, W, H);
    DrawBorderOverlay(graphics_.get(), L"", W, H);
    DrawBorderOverlay(graphics_.get(), WriteBorder(L"too-wide.png", 16385, 2, 1), W, H);

    EXPECT_TRUE(Frame() == before);
}

}  // namespace
