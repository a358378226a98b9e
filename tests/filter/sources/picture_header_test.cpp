#include "filter/sources/PictureHeader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Be(uint32_t value, int bytes)
{
    Bytes out;
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}
Bytes Le(uint32_t value, int bytes)
{
    Bytes out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}
Bytes JpegSegment(uint8_t marker, uint32_t payload)
{
    return Bytes{0xFF, marker} + Be(payload + 2, 2) + Bytes(payload, 0x11);
}
Bytes JpegFrame(uint8_t marker, uint32_t width, uint32_t height)
{
    return Bytes{0xFF, marker} + Be(17, 2) + Bytes{8} + Be(height, 2) + Be(width, 2) + Bytes(10, 1);
}
Bytes Png(uint32_t width, uint32_t height, const char* chunk = "IHDR")
{
    return Text("\x89PNG\r\n\x1A\n") + Be(13, 4) + Text(chunk) + Be(width, 4) + Be(height, 4) + Bytes(9, 0);
}
Bytes GifImage(uint32_t left, uint32_t top, uint32_t width, uint32_t height)
{
    // No local colour table, LZW code size 2, one data sub-block of two bytes.
    return Bytes{0x2C} + Le(left, 2) + Le(top, 2) + Le(width, 2) + Le(height, 2) + Bytes{0, 2, 2, 0x4C, 0x01, 0};
}
Bytes Gif(uint32_t width, uint32_t height, const Bytes& blocks)
{
    // A global colour table of two entries, and a graphic control extension before the images.
    return Text("GIF89a") + Le(width, 2) + Le(height, 2) + Bytes{0x80, 0, 0} + Bytes(6, 0xAA) +
           Bytes{0x21, 0xF9, 0x04, 0, 0, 0, 0, 0x00} + blocks + Bytes{0x3B};
}
Bytes Bmp(uint32_t headerSize, const Bytes& sizes)
{
    return Text("BM") + Bytes(12, 0) + Le(headerSize, 4) + sizes + Bytes(24, 0);
}
Bytes TiffEntry(bool big, uint32_t tag, uint32_t type, uint32_t count, const Bytes& value)
{
    return (big ? Be(tag, 2) + Be(type, 2) + Be(count, 4) : Le(tag, 2) + Le(type, 2) + Le(count, 4)) + value;
}

struct Case {
    const char* what;
    Bytes bytes;
    PictureHeader expected;
};

std::vector<Case> Cases()
{
    const Bytes app1 = JpegSegment(0xE1, 6000);
    return {
        {"png", Png(20000, 10), {true, 20000, 10}},
        {"png whose first chunk is not IHDR", Png(20000, 10, "tEXt"), {}},
        {"baseline jpeg",
         Text("\xFF\xD8") + JpegSegment(0xE0, 14) + JpegSegment(0xDB, 65) + JpegFrame(0xC0, 640, 480),
         {true, 640, 480}},
        {"progressive jpeg after DHT, DAC, fill and stray bytes",
         Text("\xFF\xD8") + JpegSegment(0xC4, 30) + JpegSegment(0xCC, 4) + Bytes{0x55, 0xFF, 0xFF} +
             JpegFrame(0xC2, 17000, 2),
         {true, 17000, 2}},
        {"jpeg frame header far behind its metadata", Text("\xFF\xD8") + app1 + app1 + app1 + JpegFrame(0xCF, 3, 4),
         {true, 3, 4}},
        {"jpeg scan before any frame header", Text("\xFF\xD8") + JpegSegment(0xDA, 8) + JpegFrame(0xC0, 1, 1), {}},
        {"gif", Gif(320, 200, GifImage(0, 0, 320, 200) + GifImage(10, 10, 50, 50)), {true, 320, 200}},
        {"gif image outside its screen", Gif(100, 100, GifImage(0, 0, 10, 10) + GifImage(5, 90, 20000, 20)),
         {true, 20005, 110}},
        {"bmp info header, top-down", Bmp(40, Le(7000, 4) + Le(static_cast<uint32_t>(-8000), 4)), {true, 7000, 8000}},
        {"bmp core header", Bmp(12, Le(30000, 2) + Le(2, 2)), {true, 30000, 2}},
        {"bmp header of unknown size", Bmp(8, Le(30000, 4) + Le(2, 4)), {}},
        {"little-endian tiff, SHORT width, LONG height",
         Text(std::string("II*\0", 4)) + Le(8, 4) + Le(3, 2) + TiffEntry(false, 254, 4, 1, Le(0, 4)) +
             TiffEntry(false, 256, 3, 1, Le(1234, 2) + Bytes(2, 0)) + TiffEntry(false, 257, 4, 1, Le(70000, 4)),
         {true, 1234, 70000}},
        {"big-endian tiff, LONG width, two SHORT heights",
         Text(std::string("MM\0*", 4)) + Be(8, 4) + Be(2, 2) + TiffEntry(true, 256, 4, 1, Be(5, 4)) +
             TiffEntry(true, 257, 3, 2, Be(6, 2) + Be(9, 2)),
         {true, 5, 6}},
        {"tiff without its length",
         Text(std::string("II*\0", 4)) + Le(8, 4) + Le(1, 2) + TiffEntry(false, 256, 3, 1, Le(1, 4)),
         {}},
        {"text", Text("holiday notes, not a picture"), {}},
    };
}

void ExpectHeader(const PictureHeader& actual, const PictureHeader& expected)
{
    EXPECT_EQ(actual.known, expected.known);
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
}

}  // namespace

TEST(PictureHeader, DeclaredSizeOfEachFormat)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        ExpectHeader(ReadPictureHeader(c.bytes.data(), c.bytes.size()), c.expected);
    }
}

TEST(PictureHeader, EveryTruncationIsUnknownOrAtMostTheWholeSize)
{
    for (const Case& c : Cases()) {
        for (size_t length = 0; length < c.bytes.size(); ++length) {
            const Bytes prefix(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            const PictureHeader header = ReadPictureHeader(prefix.data(), prefix.size());
            if (!header.known) continue;
            ASSERT_TRUE(c.expected.known) << c.what << " cut to " << length;
            ASSERT_LE(header.width, c.expected.width) << c.what << " cut to " << length;
            ASSERT_LE(header.height, c.expected.height) << c.what << " cut to " << length;
        }
    }
}

TEST(PictureHeader, ReadsAtMostItsLimitFromTheSource)
{
    class CountedBytes : public PictureBytes {
    public:
        explicit CountedBytes(Bytes bytes) : bytes_(std::move(bytes)) {}
        size_t Read(uint64_t offset, uint8_t* out, size_t count) noexcept override
        {
            asked += count;
            if (offset >= bytes_.size()) return 0;
            const size_t n = std::min(count, bytes_.size() - static_cast<size_t>(offset));
            std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n, out);
            return n;
        }
        size_t asked = 0;

    private:
        Bytes bytes_;
    };
    // A frame header behind 2 MiB of bytes without a marker is not looked for.
    CountedBytes garbage(Text("\xFF\xD8") + Bytes(2 * 1024 * 1024, 0x20) + JpegFrame(0xC0, 20000, 20000));
    EXPECT_FALSE(ReadPictureHeader(garbage).known);
    EXPECT_LE(garbage.asked, kMaxPictureHeaderBytes);
    CountedBytes png(Png(8, 8) + Bytes(100000, 0));
    EXPECT_TRUE(ReadPictureHeader(png).known);
    EXPECT_LE(png.asked, 8192u);
}

TEST(PictureHeader, TooLargeAboveFiftyMegapixelsOrMoreThan16384PixelsOnASide)
{
    const struct {
        PictureHeader header;
        bool tooLarge;
    } cases[] = {
        {{true, 10000, 5000}, false},        {{true, 10000, 5001}, true},
        {{true, 16384, 3051}, false},        {{true, 16384, 3052}, true},
        {{true, 16384, 1}, false},           {{true, 16385, 1}, true},
        {{true, 1, 16385}, true},            {{true, 0, 0}, false},
        {{true, 0xFFFFFFFF, 0xFFFFFFFF}, true}, {{false, 100000, 100000}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPictureTooLarge(c.header), c.tooLarge) << c.header.width << " x " << c.header.height;
}
