#pragma once
// The platform-free rules of the desktop input: the layout of a screen capture as a 24-bit bottom-up DIB, when a
// new capture is due, and which monitor a stored position selects. Built and tested natively as well.
#include <cstddef>
#include <cstdint>
#include <optional>

// Largest pixel area a capture may take; far above any monitor (8K is about 100 MB).
constexpr uint64_t kMaxCapturePixelBytes = uint64_t{512} * 1024 * 1024;

// The BITMAPINFOHEADER of a capture as plain integers, field by field in the Win32 order and types.
struct CaptureHeaderFields {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // positive: rows bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;  // BI_RGB
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// How a width x height monitor is laid out as a 24-bit DIB. A monitor without pixels (a size of zero or less)
// or one too large for kMaxCapturePixelBytes has no rows: rowBytes and pixelBytes are 0.
struct CaptureLayout {
    size_t rowBytes = 0;    // width * 3 rounded up to a multiple of 4
    size_t pixelBytes = 0;  // rowBytes * height
    size_t fileBytes = 54;  // BMP file header + info header + pixels
    CaptureHeaderFields header;
};

CaptureLayout DesktopCaptureLayout(int32_t width, int32_t height);

// The position a stored DesktopIndex stands for in a list of monitorCount monitors: the index itself when it is
// inside the list, otherwise the primary position (itself taken as 0 if it does not lie inside the list).
// An empty list has no monitor to select.
std::optional<int32_t> ResolveDesktopMonitor(int32_t index, size_t monitorCount, int32_t primaryPosition);
