#include "filter/sources/BorderPicture.h"

using namespace Gdiplus;

void BorderPicture::Refresh(const std::wstring& path, int width, int height)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) {
        known_ = false;
        ready_.reset();
        return;
    }
    const uint64_t bytes = (uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
    if (known_ && path == path_ && width == width_ && height == height_ && bytes == bytes_ &&
        CompareFileTime(&attributes.ftLastWriteTime, &written_) == 0) {
        return;
    }
    path_ = path;
    written_ = attributes.ftLastWriteTime;
    bytes_ = bytes;
    width_ = width;
    height_ = height;
    known_ = true;
    ready_.reset();

    GpBitmapPtr decoded = DecodePictureFile(path);
    if (!decoded) return;
    GpBitmap* scaled = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &scaled) != Ok) return;
    GpBitmapPtr owner(scaled);
    GpGraphicsPtr graphics = CanvasGraphics(scaled);
    if (!graphics) return;
    // Copy, not blend: the transparent parts must stay transparent in the prepared picture.
    if (DllExports::GdipSetCompositingMode(graphics.get(), CompositingModeSourceCopy) != Ok) return;
    if (DllExports::GdipDrawImageRectI(graphics.get(), decoded.get(), 0, 0, width, height) != Ok) return;
    ready_ = std::move(owner);
}

void BorderPicture::Draw(GpGraphics* graphics, const std::wstring& path, int width, int height)
{
    if (!graphics || path.empty() || width <= 0 || height <= 0) return;
    Refresh(path, width, height);
    if (!ready_) return;
    (void)DllExports::GdipSetCompositingMode(graphics, CompositingModeSourceOver);
    // A failed draw leaves the frame without its border, as an undecodable border file does.
    (void)DllExports::GdipDrawImageRectI(graphics, ready_.get(), 0, 0, width, height);
}
