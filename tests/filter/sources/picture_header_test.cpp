#include "filter/sources/PictureHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes S(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes Int(uint32_t value, int bytes, bool bigEndian)
{
    Bytes out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
    return out;
}
Bytes Be(uint32_t value, int bytes) { return Int(value, bytes, true); }
Bytes Le(uint32_t value, int bytes) { return Int(value, bytes, false); }
Bytes Segment(uint8_t marker, uint32_t n) { return Bytes{0xFF, marker} + Be(n + 2, 2) + Bytes(n, 1); }
Bytes Sof(uint8_t m, uint32_t w, uint32_t h) { return Bytes{0xFF, m, 0, 16, 8} + Be(h, 2) + Be(w, 2) + Bytes(9); }
Bytes Png(const char* chunk) { return S("\x89PNG\r\n\x1A\n") + Be(13, 4) + S(chunk) + Be(20000, 4) + Be(10, 4); }
Bytes GifImage(uint32_t left, uint32_t top, uint32_t w, uint32_t h)
{
    return Bytes{0x2C} + Le(left, 2) + Le(top, 2) + Le(w, 2) + Le(h, 2) + Bytes{0, 2, 2, 0x4C, 0x01, 0};
}
Bytes Gif(uint32_t w, uint32_t h, const Bytes& images)
{
    // A colour table of two entries and a graphic control extension before the images.
    return S("GIF89a") + Le(w, 2) + Le(h, 2) + Bytes{0x80, 0, 0} + Bytes(6) + Bytes{0x21, 0xF9, 4, 0, 0, 0, 0, 0} +
           images + Bytes{0x3B};
}
Bytes Bmp(uint32_t header, const Bytes& sizes) { return S("BM") + Bytes(12) + Le(header, 4) + sizes + Bytes(24); }
Bytes TiffEntry(bool big, uint32_t tag, uint32_t type, uint32_t count, const Bytes& value)
{
    return Int(tag, 2, big) + Int(type, 2, big) + Int(count, 4, big) + value;
}

struct Case {
    const char* what;
    Bytes bytes;
    PictureHeader expected;
};

const std::vector<Case> kCases = {
    {"png", Png("IHDR"), {true, 20000, 10}},
    {"png without IHDR first", Png("tEXt"), {}},
    {"jpeg behind metadata blocks", S("\xFF\xD8") + Segment(0xE1, 6000) + Segment(0xE1, 6000) + Sof(0xC0, 640, 480),
     {true, 640, 480}},
    {"jpeg after DHT, DAC, a stray byte and fill",
     S("\xFF\xD8") + Segment(0xC4, 30) + Segment(0xCC, 4) + Bytes{0x55, 0xFF, 0xFF} + Sof(0xC2, 17000, 2),
     {true, 17000, 2}},
    {"jpeg scan before the frame header", S("\xFF\xD8") + Segment(0xDA, 8) + Sof(0xC0, 1, 1), {}},
    {"gif", Gif(320, 200, GifImage(0, 0, 320, 200) + GifImage(10, 10, 50, 50)), {true, 320, 200}},
    {"gif image beyond its screen", Gif(100, 100, GifImage(0, 0, 9, 9) + GifImage(5, 90, 20000, 20)),
     {true, 20005, 110}},
    {"bmp, top-down", Bmp(40, Le(7000, 4) + Le(static_cast<uint32_t>(-8000), 4)), {true, 7000, 8000}},
    {"bmp core header", Bmp(12, Le(30000, 2) + Le(2, 2)), {true, 30000, 2}},
    {"tiff, little-endian SHORT width and LONG length",
     S(std::string("II*\0", 4)) + Le(8, 4) + Le(3, 2) + TiffEntry(false, 254, 4, 1, Le(0, 4)) +
         TiffEntry(false, 256, 3, 1, Le(1234, 4)) + TiffEntry(false, 257, 4, 1, Le(70000, 4)),
     {true, 1234, 70000}},
    {"tiff, big-endian LONG width and two SHORT lengths",
     S(std::string("MM\0*", 4)) + Be(8, 4) + Be(2, 2) + TiffEntry(true, 256, 4, 1, Be(5, 4)) +
         TiffEntry(true, 257, 3, 2, Be(6, 2) + Be(9, 2)),
     {true, 5, 6}},
    {"text", S("holiday notes"), {}},
};

}  // namespace

TEST(PictureHeader, DeclaredSizeOfEachFormatFromItsWholeDataOrAnyPartOfIt)
{
    for (const Case& c : kCases) {
        PictureHeader whole = ReadPictureHeader(c.bytes.data(), c.bytes.size());
        EXPECT_TRUE(whole.known == c.expected.known && whole.width == c.expected.width &&
                    whole.height == c.expected.height)
            << c.what << ": " << whole.known << " " << whole.width << " x " << whole.height;
        for (size_t length = 0; length < c.bytes.size(); ++length) {
            const Bytes part(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            const PictureHeader header = ReadPictureHeader(part.data(), part.size());
            ASSERT_TRUE(!header.known || (c.expected.known && header.width <= c.expected.width &&
                                          header.height <= c.expected.height))
                << c.what << " cut to " << length;
        }
    }
    // A frame header behind more bytes than are read is not looked for.
    const Bytes far = S("\xFF\xD8") + Bytes(kMaxPictureHeaderBytes + 1, 0x20) + Sof(0xC0, 20000, 20000);
    EXPECT_FALSE(ReadPictureHeader(far.data(), far.size()).known);
}

TEST(PictureHeader, TooLargeAboveFiftyMegapixelsOrMoreThan16384PixelsOnASide)
{
    const struct {
        PictureHeader header;
        bool tooLarge;
    } cases[] = {
        {{true, 10000, 5000}, false}, {{true, 10000, 5001}, true}, {{true, 16384, 3051}, false},
        {{true, 16384, 3052}, true},  {{true, 16385, 1}, true},    {{true, 1, 16385}, true},
        {{true, 0xFFFFFFFF, 0xFFFFFFFF}, true}, {{false, 100000, 100000}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsPictureTooLarge(c.header), c.tooLarge) << c.header.width << " x " << c.header.height;
}
