#pragma once
// The canvas every frame source draws on: a 24-bit GDI+ bitmap of the frame's size, pictures drawn onto it fitted
// or stretched, and its conversion into a bottom-up frame. Uses the flat GDI+ API; the caller has started GDI+.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct GdipImageDeleter {
    void operator()(Gdiplus::GpImage* image) const;
};
struct GdipGraphicsDeleter {
    void operator()(Gdiplus::GpGraphics* graphics) const;
};
struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};

using GpImagePtr = std::unique_ptr<Gdiplus::GpImage, GdipImageDeleter>;
using GpBitmapPtr = std::unique_ptr<Gdiplus::GpBitmap, GdipImageDeleter>;
using GpGraphicsPtr = std::unique_ptr<Gdiplus::GpGraphics, GdipGraphicsDeleter>;
using StreamPtr = std::unique_ptr<IStream, ComReleaser>;

// A width x height canvas in PixelFormat24bppRGB with every byte zero (black); null when GDI+ cannot make it.
GpBitmapPtr CreateCanvas(int width, int height);

// A graphics object drawing on the canvas; null on failure.
GpGraphicsPtr CanvasGraphics(Gdiplus::GpBitmap* canvas);

// Decodes a picture file (any format GDI+ reads); null when it cannot be decoded, or when its header declares
// more pixels than are safe to decode (IsPictureTooLarge), which is found out without decoding. Never throws.
GpBitmapPtr DecodePictureFile(const std::wstring& path) noexcept;

// Draws the image on the width x height canvas with bicubic scaling, aspect kept and centred (FitRectangle with
// the image's own size). A null image or canvas draws nothing. Drawing errors leave the canvas as far as it got.
void DrawImageFitted(Gdiplus::GpBitmap* canvas, Gdiplus::GpImage* image, int width, int height);

// Copies the width x height canvas into frame (width * height * 3 bytes, rows bottom-up). Copies nothing and
// returns false when the canvas is not exactly width x height or its pixels cannot be locked.
bool CanvasToFrame(Gdiplus::GpBitmap* canvas, int width, int height, uint8_t* frame);

// Draws the border picture stretched over the whole width x height area of graphics, blending source-over so that
// its transparent parts keep what is below. The file is decoded on every call, so a replaced file shows at once.
// An empty path or a file that cannot be decoded draws nothing.
void DrawBorderOverlay(Gdiplus::GpGraphics* graphics, const std::wstring& borderPath, int width, int height);

// Makes the width x height frame of a picture file: decoded, drawn fitted on a black canvas, converted bottom-up.
// frame is resized to width * height * 3 bytes and stays black when the file cannot be decoded or drawn (or is
// left empty for a size of zero or less). Returns whether the picture was drawn. Never throws.
bool LoadPictureFrame(const std::wstring& path, int width, int height, std::vector<uint8_t>& frame) noexcept;

// A GDI+ bitmap decoded from an in-memory stream, with the stream kept alive for as long as the bitmap (GDI+ may
// read the stream lazily). The bitmap is disposed before the stream is released.
class StreamBitmap {
public:
    Gdiplus::GpBitmap* Get() const { return bitmap_.get(); }
    explicit operator bool() const { return bitmap_ != nullptr; }
    void Reset();
    void Attach(StreamPtr stream, GpBitmapPtr bitmap);

private:
    StreamPtr stream_;
    GpBitmapPtr bitmap_;  // declared after stream_ so that it is destroyed first
};

// Raw device-independent pixels (a grabbed video frame, a screen capture) turned into a GDI+ bitmap through an
// in-memory BMP file image: 14 bytes of file header, the 40-byte BITMAPINFOHEADER, then the pixel rows.
class DibImage {
public:
    // Largest pixel data accepted; far above any frame a camera, a video or a monitor delivers.
    static constexpr size_t kMaxPixelBytes = size_t{512} * 1024 * 1024;

    // Room for pixelBytes of pixel rows. When the size is too large or the memory cannot be had, Pixels() is
    // null and Decode fails.
    explicit DibImage(size_t pixelBytes) noexcept;

    // Where the pixel rows go (a grabber writes them here directly); PixelBytes() bytes long.
    uint8_t* Pixels() { return file_.empty() ? nullptr : file_.data() + kPixelOffset; }
    size_t PixelBytes() const { return pixelBytes_; }

    // Completes the BMP file image with the headers for `header` and decodes it. A failure to create or write the
    // stream is returned as its HRESULT (E_OUTOFMEMORY / E_INVALIDARG when the buffer could not be made); pixels
    // that GDI+ cannot decode are no failure: S_OK with an empty bitmap, which draws nothing. E_POINTER for a
    // null bitmap.
    HRESULT Decode(const BITMAPINFOHEADER& header, StreamBitmap* bitmap);

private:
    static constexpr size_t kFileHeaderBytes = 14;
    static constexpr size_t kPixelOffset = kFileHeaderBytes + sizeof(BITMAPINFOHEADER);

    size_t pixelBytes_ = 0;
    HRESULT allocation_ = S_OK;
    std::vector<uint8_t> file_;
};

// DibImage in one call, copying pixelBytes bytes from pixels.
HRESULT DecodeDibFrame(const BITMAPINFOHEADER& header, const uint8_t* pixels, size_t pixelBytes,
                       StreamBitmap* bitmap);
