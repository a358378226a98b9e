#pragma once
// The width and height a picture file declares in its header (PNG, JPEG, GIF, BMP, TIFF), read without decoding
// any pixels, so that a picture too large to decode safely is refused before a decoder allocates memory for it.
#include <cstddef>
#include <cstdint>

// Random access to the bytes of a picture file.
class PictureBytes {
public:
    virtual ~PictureBytes() = default;
    // Copies up to COUNT bytes from OFFSET into OUT and returns how many it copied: fewer at the end of the data,
    // none past it or when the data cannot be read.
    virtual size_t Read(uint64_t offset, uint8_t* out, size_t count) noexcept = 0;
};

struct PictureHeader {
    // False for data of another format, and for a header that is truncated or makes no sense.
    bool known = false;
    uint32_t width = 0;
    uint32_t height = 0;
};

// At most this many bytes are read from the source, in blocks of a few kilobytes; a JPEG frame header or a GIF
// image descriptor not met by then leaves the header unknown (or, for a GIF, as far as it was read).
constexpr size_t kMaxPictureHeaderBytes = size_t{1024} * 1024;

// For a GIF the size is that of the logical screen grown to hold every image descriptor met; for a TIFF that
// of its first image.
PictureHeader ReadPictureHeader(PictureBytes& source) noexcept;
PictureHeader ReadPictureHeader(const uint8_t* data, size_t size) noexcept;

constexpr uint64_t kMaxPicturePixels = 50000000;
constexpr uint32_t kMaxPictureSide = 16384;

// True when a known header declares more than kMaxPicturePixels pixels or a side longer than kMaxPictureSide.
bool IsPictureTooLarge(const PictureHeader& header) noexcept;
