#include "filter/sources/DesktopCapture.h"

CaptureLayout DesktopCaptureLayout(int32_t width, int32_t height)
{
    CaptureLayout layout;
    layout.header.width = width;
    layout.header.height = height;
    if (width <= 0 || height <= 0) return layout;
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * 3 + 3) / 4 * 4;
    const uint64_t pixelBytes = rowBytes * static_cast<uint64_t>(height);
    if (pixelBytes > kMaxCapturePixelBytes) return layout;
    layout.rowBytes = static_cast<size_t>(rowBytes);
    layout.pixelBytes = static_cast<size_t>(pixelBytes);
    layout.fileBytes = 54 + layout.pixelBytes;
    layout.header.sizeImage = static_cast<uint32_t>(pixelBytes);
    return layout;
}


std::optional<int32_t> ResolveDesktopMonitor(int32_t index, size_t monitorCount, int32_t primaryPosition)
{
    if (monitorCount == 0) return std::nullopt;
    auto inside = [monitorCount](int32_t position) {
        return position >= 0 && static_cast<uint64_t>(position) < monitorCount;
    };
    if (inside(index)) return index;
    return inside(primaryPosition) ? primaryPosition : 0;
}
