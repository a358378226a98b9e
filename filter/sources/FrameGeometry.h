#pragma once
// Where a picture goes in a frame and how a drawn picture becomes a frame. Free of Win32 so that it is built and
// tested natively as well.
#include <cstddef>
#include <cstdint>

// A rectangle on the canvas, in pixels from the top-left corner.
struct FitRect {
    int x, y, width, height;
};

inline bool operator==(const FitRect& a, const FitRect& b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
inline bool operator!=(const FitRect& a, const FitRect& b) { return !(a == b); }

// Width / height of a source rounded to single precision; 0 for a source without pixels (a width or height of
// zero or less), which FitRectangle turns into an empty rectangle.
float SourceAspect(int sourceWidth, int sourceHeight);

// The rectangle of a frameWidth x frameHeight canvas in which a picture of the given aspect is drawn: as large as
// possible, centred, aspect kept; the bands it leaves stay black. The band width is truncated toward zero, so a
// band thinner than one pixel on each side disappears. Returns (0, 0, 0, 0) for an empty frame or an aspect that is
// not a positive finite number, and never a rectangle outside the frame.
FitRect FitRectangle(int frameWidth, int frameHeight, float sourceAspect);

// Copies a top-down picture (rows of width * 3 bytes starting at topDown + row * stride; any padding after a row
// is ignored) into a frame of packed rows stored bottom-up: frame row i is picture row height - 1 - i.
// Does nothing for a null buffer or a size of zero or less.
void CopyRowsBottomUp(const uint8_t* topDown, ptrdiff_t stride, int width, int height, uint8_t* frame);

// Lays a picture with premultiplied alpha over a frame, pixel by pixel: overlay holds 4 bytes a pixel (blue,
// green, red premultiplied by alpha, then alpha), frame 3 (blue, green, red), both `pixels` long in the same row
// order. Each colour c becomes c * (255 - alpha) / 255, rounded to nearest, plus the overlay's colour, at most 255.
void BlendPremultipliedOver(uint8_t* frame, const uint8_t* overlay, size_t pixels);
