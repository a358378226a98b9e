#include "filter/sources/GdiplusCanvas.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameGeometry.h"
#include "filter/sources/PictureHeader.h"

using namespace Gdiplus;

namespace {

// Largest frame LoadPictureFrame makes; the frames of this module are at most 640 x 480.
constexpr uint64_t kMaxFrameBytes = uint64_t{512} * 1024 * 1024;

void PutLittleEndian32(uint8_t* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool ImageSize(GpImage* image, UINT* width, UINT* height)
{
    return DllExports::GdipGetImageWidth(image, width) == Ok && DllExports::GdipGetImageHeight(image, height) == Ok;
}

// An open file read at any offset, for the header reader.
class FileBytes : public PictureBytes {
public:
    explicit FileBytes(const std::wstring& path)
        : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~FileBytes() override
    {
        // A read-only handle that fails to close has nothing left to lose.
        if (file_ != INVALID_HANDLE_VALUE) (void)CloseHandle(file_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

    size_t Read(uint64_t offset, uint8_t* out, size_t count) noexcept override
    {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD read = 0;
        if (!ReadFile(file_, out, static_cast<DWORD>(std::min<size_t>(count, MAXDWORD)), &read, &at)) return 0;
        return read;
    }

private:
    HANDLE file_;
};

// True when the file's header declares a picture too large to decode. A file that cannot be opened here, or whose
// header is not recognised, is left to the decoder.
bool DeclaresTooLargePicture(const std::wstring& path)
{
    FileBytes file(path);
    return file.IsOpen() && IsPictureTooLarge(ReadPictureHeader(file));
}

}  // namespace

// Disposing or deleting can only fail for an object GDI+ does not know; there is nothing left to undo then.
void GdipImageDeleter::operator()(GpImage* image) const { (void)DllExports::GdipDisposeImage(image); }
void GdipGraphicsDeleter::operator()(GpGraphics* graphics) const { (void)DllExports::GdipDeleteGraphics(graphics); }

GpBitmapPtr CreateCanvas(int width, int height)
{
    if (width <= 0 || height <= 0) return nullptr;
    // Without a caller's buffer GDI+ allocates the pixels itself and clears them, so the canvas starts black.
    GpBitmap* canvas = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &canvas) != Ok)
        return nullptr;
    return GpBitmapPtr(canvas);
}

GpGraphicsPtr CanvasGraphics(GpBitmap* canvas)
{
    if (!canvas) return nullptr;
    GpGraphics* graphics = nullptr;
    if (DllExports::GdipGetImageGraphicsContext(canvas, &graphics) != Ok) return nullptr;
    return GpGraphicsPtr(graphics);
}

GpBitmapPtr DecodePictureFile(const std::wstring& path) noexcept
{
    if (path.empty() || DeclaresTooLargePicture(path)) return nullptr;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Ok) return nullptr;
    return GpBitmapPtr(bitmap);
}

void DrawImageFitted(GpBitmap* canvas, GpImage* image, int width, int height)
{
    if (!canvas || !image) return;
    UINT imageWidth = 0, imageHeight = 0;
    if (!ImageSize(image, &imageWidth, &imageHeight) || imageWidth > INT_MAX || imageHeight > INT_MAX) return;
    const FitRect rect =
        FitRectangle(width, height, SourceAspect(static_cast<int>(imageWidth), static_cast<int>(imageHeight)));
    if (rect.width <= 0 || rect.height <= 0) return;
    GpGraphicsPtr graphics = CanvasGraphics(canvas);
    if (!graphics) return;
    // Without bicubic scaling GDI+ draws with its default mode: a rougher picture, but a picture.
    (void)DllExports::GdipSetInterpolationMode(graphics.get(), InterpolationModeHighQualityBicubic);
    // A failed draw leaves the canvas as far as it was drawn; the frame goes out as it is.
    (void)DllExports::GdipDrawImageRectI(graphics.get(), image, rect.x, rect.y, rect.width, rect.height);
}

bool CanvasToFrame(GpBitmap* canvas, int width, int height, uint8_t* frame)
{
    if (!canvas || !frame || width <= 0 || height <= 0) return false;
    // A larger canvas would lock fine as a part of itself; only a canvas of exactly the frame's size is copied.
    UINT canvasWidth = 0, canvasHeight = 0;
    if (!ImageSize(canvas, &canvasWidth, &canvasHeight) || canvasWidth != static_cast<UINT>(width) ||
        canvasHeight != static_cast<UINT>(height))
        return false;

    GpRect whole(0, 0, width, height);
    BitmapData locked{};
    if (DllExports::GdipBitmapLockBits(canvas, &whole, ImageLockModeRead, PixelFormat24bppRGB, &locked) != Ok)
        return false;
    const ptrdiff_t stride = locked.Stride;
    const bool usable = locked.Width == static_cast<UINT>(width) && locked.Height == static_cast<UINT>(height) &&
                        locked.Scan0 != nullptr &&
                        static_cast<size_t>(stride < 0 ? -stride : stride) >= FrameRowBytes(width);
    if (usable) CopyRowsBottomUp(static_cast<const uint8_t*>(locked.Scan0), stride, width, height, frame);
    // Ending a read lock only releases GDI+'s view of the pixels; a failure there changes nothing for us.
    (void)DllExports::GdipBitmapUnlockBits(canvas, &locked);
    return usable;
}

void DrawBorderOverlay(GpGraphics* graphics, const std::wstring& borderPath, int width, int height)
{
    if (!graphics || borderPath.empty() || width <= 0 || height <= 0) return;
    GpBitmapPtr border = DecodePictureFile(borderPath);
    if (!border) return;
    // Source-over is GDI+'s default; it is set anyway because a transparent border middle depends on it.
    (void)DllExports::GdipSetCompositingMode(graphics, CompositingModeSourceOver);
    // A failed draw leaves the picture without its border, as an undecodable border file does.
    (void)DllExports::GdipDrawImageRectI(graphics, border.get(), 0, 0, width, height);
}

bool LoadPictureFrame(const std::wstring& path, int width, int height, std::vector<uint8_t>& frame) noexcept
{
    if (width <= 0 || height <= 0 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * kBytesPerPixel > kMaxFrameBytes) {
        frame.clear();
        return false;
    }
    try {
        frame.assign(FrameBytes(width, height), 0);
    } catch (...) {
        frame.clear();
        return false;
    }
    GpBitmapPtr picture = DecodePictureFile(path);
    if (!picture) return false;
    GpBitmapPtr canvas = CreateCanvas(width, height);
    if (!canvas) return false;
    DrawImageFitted(canvas.get(), picture.get(), width, height);
    return CanvasToFrame(canvas.get(), width, height, frame.data());
}

void StreamBitmap::Reset()
{
    bitmap_.reset();
    stream_.reset();
}

void StreamBitmap::Attach(StreamPtr stream, GpBitmapPtr bitmap)
{
    Reset();
    stream_ = std::move(stream);
    bitmap_ = std::move(bitmap);
}

DibImage::DibImage(size_t pixelBytes) noexcept
{
    if (pixelBytes > kMaxPixelBytes) {
        allocation_ = E_INVALIDARG;
        return;
    }
    try {
        file_.resize(kPixelOffset + pixelBytes);
        pixelBytes_ = pixelBytes;
    } catch (const std::bad_alloc&) {
        allocation_ = E_OUTOFMEMORY;
    }
}

// Uncompressed 24-bit pixels, the format of every grabbed frame and screen capture, need no decoder: their rows are
// copied straight into a bitmap, which gives the same pixels as the BMP decoder at a fraction of its cost.
// Null when the header describes anything else or more pixels than there are.
static GpBitmapPtr BitmapFromPacked24(const BITMAPINFOHEADER& header, const uint8_t* pixels, size_t pixelBytes)
{
    constexpr LONG kLargest = 1 << 15;
    if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biWidth <= 0 ||
        header.biWidth > kLargest || header.biHeight == 0 || header.biHeight > kLargest || header.biHeight < -kLargest)
        return nullptr;
    const int width = header.biWidth;
    const int height = header.biHeight > 0 ? header.biHeight : -header.biHeight;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (stride * static_cast<size_t>(height) > pixelBytes) return nullptr;

    GpBitmap* created = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &created) != Ok) {
        return nullptr;
    }
    GpBitmapPtr result(created);
    Rect all(0, 0, width, height);
    BitmapData data{};
    if (DllExports::GdipBitmapLockBits(created, &all, ImageLockModeWrite, PixelFormat24bppRGB, &data) != Ok) {
        return nullptr;
    }
    const bool bottomUp = header.biHeight > 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* source = pixels + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
        std::memcpy(static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride, source,
                    static_cast<size_t>(width) * 3);
    }
    DllExports::GdipBitmapUnlockBits(created, &data);
    return result;
}

HRESULT DibImage::Decode(const BITMAPINFOHEADER& header, StreamBitmap* bitmap)
{
    if (!bitmap) return E_POINTER;
    bitmap->Reset();
    if (FAILED(allocation_)) return allocation_;
    if (GpBitmapPtr packed = BitmapFromPacked24(header, Pixels(), pixelBytes_)) {
        bitmap->Attach(nullptr, std::move(packed));
        return S_OK;
    }

    uint8_t* file = file_.data();
    file[0] = 'B';
    file[1] = 'M';
    PutLittleEndian32(file + 2, static_cast<uint32_t>(file_.size()));
    PutLittleEndian32(file + 6, 0);
    PutLittleEndian32(file + 10, static_cast<uint32_t>(kPixelOffset));
    // Exactly 40 header bytes are written, whatever size the caller's header claims to have.
    BITMAPINFOHEADER info = header;
    info.biSize = sizeof(BITMAPINFOHEADER);
    std::memcpy(file + kFileHeaderBytes, &info, sizeof info);

    IStream* rawStream = nullptr;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &rawStream);
    if (FAILED(hr)) return hr;
    StreamPtr stream(rawStream);
    ULONG written = 0;
    hr = stream->Write(file, static_cast<ULONG>(file_.size()), &written);
    if (FAILED(hr)) return hr;
    if (written != file_.size()) return STG_E_MEDIUMFULL;
    // Rewound so that the decoder reads the image from its first byte.
    LARGE_INTEGER start{};
    hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    if (FAILED(hr)) return hr;

    GpBitmap* decoded = nullptr;
    if (DllExports::GdipCreateBitmapFromStream(stream.get(), &decoded) != Ok) return S_OK;
    bitmap->Attach(std::move(stream), GpBitmapPtr(decoded));
    return S_OK;
}

HRESULT DecodeDibFrame(const BITMAPINFOHEADER& header, const uint8_t* pixels, size_t pixelBytes,
                       StreamBitmap* bitmap)
{
    if (!bitmap) return E_POINTER;
    bitmap->Reset();
    if (!pixels && pixelBytes != 0) return E_POINTER;
    DibImage image(pixelBytes);
    if (pixelBytes != 0 && image.Pixels()) std::memcpy(image.Pixels(), pixels, pixelBytes);
    return image.Decode(header, bitmap);
}
