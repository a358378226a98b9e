#include "filter/sources/FrameGeometry.h"

#include <cmath>
#include <cstring>

#include "filter/sources/FrameFormat.h"

namespace {

// Half of the space a fitted picture leaves free, truncated toward zero and kept within [0, extent / 2]. The
// rounding of the two aspects to single precision can make the free space a hair below zero; that is no band.
int HalfBand(double freeSpace, int extent)
{
    double half = std::trunc(freeSpace * 0.5);
    if (!(half > 0.0)) return 0;  // also catches NaN
    if (half > extent / 2) return extent / 2;
    return static_cast<int>(half);
}

}  // namespace

float SourceAspect(int sourceWidth, int sourceHeight)
{
    if (sourceWidth <= 0 || sourceHeight <= 0) return 0.0f;
    return static_cast<float>(sourceWidth) / static_cast<float>(sourceHeight);
}

FitRect FitRectangle(int frameWidth, int frameHeight, float sourceAspect)
{
    if (frameWidth <= 0 || frameHeight <= 0 || !std::isfinite(sourceAspect) || !(sourceAspect > 0.0f))
        return {0, 0, 0, 0};

    const float frameAspect = static_cast<float>(frameWidth) / static_cast<float>(frameHeight);
    const double aspect = sourceAspect;
    if (sourceAspect == frameAspect) return {0, 0, frameWidth, frameHeight};
    if (sourceAspect < frameAspect) {
        int x = HalfBand(frameWidth - aspect * frameHeight, frameWidth);
        return {x, 0, frameWidth - 2 * x, frameHeight};
    }
    int y = HalfBand(frameHeight - frameWidth / aspect, frameHeight);
    return {0, y, frameWidth, frameHeight - 2 * y};
}

void CopyRowsBottomUp(const uint8_t* topDown, ptrdiff_t stride, int width, int height, uint8_t* frame)
{
    if (!topDown || !frame || width <= 0 || height <= 0) return;
    const size_t rowBytes = FrameRowBytes(width);
    for (int i = 0; i < height; ++i) {
        const uint8_t* source = topDown + static_cast<ptrdiff_t>(height - 1 - i) * stride;
        std::memcpy(frame + static_cast<size_t>(i) * rowBytes, source, rowBytes);
    }
}

void BlendPremultipliedOver(uint8_t* frame, const uint8_t* overlay, size_t pixels)
{
    if (!frame || !overlay) return;
    for (size_t i = 0; i < pixels; ++i, frame += 3, overlay += 4) {
        const unsigned alpha = overlay[3];
        if (alpha == 0 && (overlay[0] | overlay[1] | overlay[2]) == 0) continue;
        const unsigned keep = 255 - alpha;
        for (int c = 0; c < 3; ++c) {
            const unsigned value = (frame[c] * keep + 127) / 255 + overlay[c];
            frame[c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
}
