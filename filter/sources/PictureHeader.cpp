#include "filter/sources/PictureHeader.h"

#include <algorithm>
#include <cstring>

namespace {

// Reads the source through one block of a few kilobytes, so that scanning a header byte by byte costs few calls,
// and stops for good once kMaxPictureHeaderBytes have been asked for.
class HeaderBytes {
public:
    explicit HeaderBytes(PictureBytes& source) : source_(source) {}

    // Bytes [offset, offset + count) into out; false when they are not all there.
    bool Get(uint64_t offset, uint8_t* out, size_t count)
    {
        while (count > 0) {
            if (offset < start_ || offset - start_ >= filled_) {
                if (!Fill(offset)) return false;
            }
            const size_t at = static_cast<size_t>(offset - start_);
            const size_t n = std::min(count, filled_ - at);
            std::memcpy(out, block_ + at, n);
            out += n;
            offset += n;
            count -= n;
        }
        return true;
    }

    bool Byte(uint64_t offset, uint8_t& value) { return Get(offset, &value, 1); }

    bool Unsigned(uint64_t offset, size_t bytes, bool bigEndian, uint32_t& value)
    {
        uint8_t raw[4];
        if (bytes > sizeof raw || !Get(offset, raw, bytes)) return false;
        value = 0;
        for (size_t i = 0; i < bytes; ++i) value |= uint32_t{raw[bigEndian ? bytes - 1 - i : i]} << (8 * i);
        return true;
    }

private:
    static constexpr size_t kBlockBytes = 4096;

    bool Fill(uint64_t offset)
    {
        filled_ = 0;
        if (spent_ + kBlockBytes > kMaxPictureHeaderBytes) return false;
        spent_ += kBlockBytes;
        start_ = offset;
        filled_ = std::min(source_.Read(offset, block_, kBlockBytes), kBlockBytes);
        return filled_ > 0;
    }

    PictureBytes& source_;
    uint8_t block_[kBlockBytes];
    uint64_t start_ = 0;
    size_t filled_ = 0;
    size_t spent_ = 0;
};

PictureHeader Known(uint32_t width, uint32_t height) { return PictureHeader{true, width, height}; }

bool StartsWith(HeaderBytes& bytes, const char* signature, size_t length)
{
    uint8_t start[8];
    return length <= sizeof start && bytes.Get(0, start, length) && std::memcmp(start, signature, length) == 0;
}

// The first chunk must be IHDR: width and height, 4 bytes each, big-endian.
PictureHeader ReadPng(HeaderBytes& bytes)
{
    uint32_t width = 0, height = 0;
    if (!StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) return {};
    uint8_t type[4];
    if (!bytes.Get(12, type, 4) || std::memcmp(type, "IHDR", 4) != 0) return {};
    if (!bytes.Unsigned(16, 4, true, width) || !bytes.Unsigned(20, 4, true, height)) return {};
    return Known(width, height);
}

bool IsJpegFrameMarker(uint8_t marker)
{
    // SOF0 to SOF15 without DHT (C4), JPG (C8) and DAC (CC), which share the range.
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the segments from the start of image to the first frame header, skipping each by its length. Bytes that
// are not a marker where one is due are passed over as decoders do, up to the next 0xFF.
PictureHeader ReadJpeg(HeaderBytes& bytes)
{
    if (!StartsWith(bytes, "\xFF\xD8", 2)) return {};
    uint64_t at = 2;
    for (;;) {
        uint8_t value = 0;
        do {
            if (!bytes.Byte(at++, value)) return {};
        } while (value != 0xFF);
        do {
            if (!bytes.Byte(at++, value)) return {};
        } while (value == 0xFF);  // fill bytes before the marker
        const uint8_t marker = value;
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA) return {};  // image end or scan data before any frame header
        uint32_t length = 0;
        if (!bytes.Unsigned(at, 2, true, length) || length < 2) return {};
        if (IsJpegFrameMarker(marker)) {
            // Length, sample precision (1 byte), then the number of lines and of samples per line.
            uint32_t height = 0, width = 0;
            if (length < 7 || !bytes.Unsigned(at + 3, 2, true, height) || !bytes.Unsigned(at + 5, 2, true, width))
                return {};
            return Known(width, height);
        }
        at += length;
    }
}

// Skips a chain of data sub-blocks (a length byte, then that many bytes) up to its empty block.
bool SkipGifSubBlocks(HeaderBytes& bytes, uint64_t& at)
{
    for (;;) {
        uint8_t length = 0;
        if (!bytes.Byte(at, length)) return false;
        at += 1 + uint64_t{length};
        if (length == 0) return true;
    }
}

uint64_t GifColourTableBytes(uint8_t flags) { return (flags & 0x80) ? uint64_t{3} << ((flags & 7) + 1) : 0; }

// The logical screen, grown to cover every image descriptor met before the trailer or the end of what is read.
PictureHeader ReadGif(HeaderBytes& bytes)
{
    if (!StartsWith(bytes, "GIF87a", 6) && !StartsWith(bytes, "GIF89a", 6)) return {};
    uint32_t width = 0, height = 0;
    uint8_t flags = 0;
    if (!bytes.Unsigned(6, 2, false, width) || !bytes.Unsigned(8, 2, false, height) || !bytes.Byte(10, flags))
        return {};
    uint64_t at = 13 + GifColourTableBytes(flags);
    for (;;) {
        uint8_t introducer = 0;
        if (!bytes.Byte(at, introducer)) break;
        if (introducer == 0x21) {  // extension: label, then sub-blocks
            at += 2;
            if (!SkipGifSubBlocks(bytes, at)) break;
        } else if (introducer == 0x2C) {  // image: left, top, width, height, flags
            uint32_t left = 0, top = 0, imageWidth = 0, imageHeight = 0;
            uint8_t imageFlags = 0;
            if (!bytes.Unsigned(at + 1, 2, false, left) || !bytes.Unsigned(at + 3, 2, false, top) ||
                !bytes.Unsigned(at + 5, 2, false, imageWidth) || !bytes.Unsigned(at + 7, 2, false, imageHeight) ||
                !bytes.Byte(at + 9, imageFlags))
                break;
            width = std::max(width, left + imageWidth);
            height = std::max(height, top + imageHeight);
            at += 10 + GifColourTableBytes(imageFlags) + 1;  // the local colour table and the LZW code size
            if (!SkipGifSubBlocks(bytes, at)) break;
        } else {
            break;  // the trailer, or something that is not a GIF block
        }
    }
    return Known(width, height);
}

// BITMAPCOREHEADER (12 bytes: 16-bit sizes) or a BITMAPINFOHEADER of any version (signed 32-bit sizes, a
// negative height for rows top-down).
PictureHeader ReadBmp(HeaderBytes& bytes)
{
    if (!StartsWith(bytes, "BM", 2)) return {};
    uint32_t headerSize = 0, width = 0, height = 0;
    if (!bytes.Unsigned(14, 4, false, headerSize)) return {};
    if (headerSize == 12) {
        if (!bytes.Unsigned(18, 2, false, width) || !bytes.Unsigned(20, 2, false, height)) return {};
        return Known(width, height);
    }
    if (headerSize < 16 || !bytes.Unsigned(18, 4, false, width) || !bytes.Unsigned(22, 4, false, height)) return {};
    const auto magnitude = [](uint32_t value) {
        const int64_t signedValue = static_cast<int32_t>(value);
        return static_cast<uint32_t>(signedValue < 0 ? -signedValue : signedValue);
    };
    return Known(magnitude(width), magnitude(height));
}

// ImageWidth (256) and ImageLength (257) of the first image file directory, as SHORT or LONG values.
PictureHeader ReadTiff(HeaderBytes& bytes)
{
    bool bigEndian;
    if (StartsWith(bytes, "II*\0", 4))
        bigEndian = false;
    else if (StartsWith(bytes, "MM\0*", 4))
        bigEndian = true;
    else
        return {};
    uint32_t directory = 0, entries = 0;
    if (!bytes.Unsigned(4, 4, bigEndian, directory) || !bytes.Unsigned(directory, 2, bigEndian, entries)) return {};
    bool haveWidth = false, haveHeight = false;
    uint32_t width = 0, height = 0;
    for (uint32_t i = 0; i < entries && !(haveWidth && haveHeight); ++i) {
        const uint64_t entry = uint64_t{directory} + 2 + uint64_t{i} * 12;
        uint32_t tag = 0, type = 0, count = 0;
        if (!bytes.Unsigned(entry, 2, bigEndian, tag) || !bytes.Unsigned(entry + 2, 2, bigEndian, type) ||
            !bytes.Unsigned(entry + 4, 4, bigEndian, count))
            return {};
        if (tag != 256 && tag != 257) continue;
        constexpr uint32_t kShort = 3, kLong = 4;
        if ((type != kShort && type != kLong) || count == 0) return {};
        const size_t valueBytes = type == kShort ? 2 : 4;
        // One value sits in the entry itself; several that do not fit there are stored at the offset it holds.
        uint64_t valueAt = entry + 8;
        if (uint64_t{count} * valueBytes > 4) {
            uint32_t offset = 0;
            if (!bytes.Unsigned(entry + 8, 4, bigEndian, offset)) return {};
            valueAt = offset;
        }
        uint32_t value = 0;
        if (!bytes.Unsigned(valueAt, valueBytes, bigEndian, value)) return {};
        (tag == 256 ? width : height) = value;
        (tag == 256 ? haveWidth : haveHeight) = true;
    }
    if (!haveWidth || !haveHeight) return {};
    return Known(width, height);
}

class MemoryBytes : public PictureBytes {
public:
    MemoryBytes(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    size_t Read(uint64_t offset, uint8_t* out, size_t count) noexcept override
    {
        if (offset >= size_) return 0;
        const size_t n = std::min(count, static_cast<size_t>(size_ - offset));
        std::memcpy(out, data_ + offset, n);
        return n;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace

PictureHeader ReadPictureHeader(PictureBytes& source) noexcept
{
    HeaderBytes bytes(source);
    for (PictureHeader (*read)(HeaderBytes&) : {ReadPng, ReadJpeg, ReadGif, ReadBmp, ReadTiff}) {
        PictureHeader header = read(bytes);
        if (header.known) return header;
    }
    return {};
}

PictureHeader ReadPictureHeader(const uint8_t* data, size_t size) noexcept
{
    MemoryBytes bytes(data, size);
    return ReadPictureHeader(bytes);
}

bool IsPictureTooLarge(const PictureHeader& header) noexcept
{
    return header.known && (header.width > kMaxPictureSide || header.height > kMaxPictureSide ||
                            uint64_t{header.width} * header.height > kMaxPicturePixels);
}
