#include "tools/ToolSupport.h"

#include <objidl.h>
#include <gdiplus.h>

#include <vector>

using namespace Gdiplus;

bool FindImageEncoder(const wchar_t* mime, CLSID* clsid)
{
    if (!mime || !clsid) return false;
    UINT count = 0, bytes = 0;
    if (DllExports::GdipGetImageEncodersSize(&count, &bytes) != Ok || bytes == 0) return false;
    std::vector<BYTE> buffer(bytes);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (DllExports::GdipGetImageEncoders(count, bytes, codecs) != Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, mime) == 0) {
            *clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

namespace {

bool SaveBitmap(GpBitmap* bitmap, const wchar_t* mime, const std::wstring& path)
{
    CLSID encoder;
    return FindImageEncoder(mime, &encoder) &&
           DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Ok;
}

}  // namespace

GdiplusSession::GdiplusSession()
{
    GdiplusStartupInput input;
    if (GdiplusStartup(&token_, &input, nullptr) != Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession()
{
    if (token_) GdiplusShutdown(token_);
}

bool SaveFramePng(const uint8_t* frame, int width, int height, const std::wstring& path)
{
    // A negative stride starting at the last row in memory turns the bottom-up frame into a top-down picture.
    const int stride = width * 3;
    auto* lastRow = const_cast<BYTE*>(frame) + static_cast<size_t>(height - 1) * stride;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, -stride, PixelFormat24bppRGB, lastRow, &bitmap) != Ok) {
        return false;
    }
    bool saved = SaveBitmap(bitmap, L"image/png", path);
    DllExports::GdipDisposeImage(bitmap);
    return saved;
}

bool SaveTestJpeg(int width, int height, const std::wstring& path)
{
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &bitmap) != Ok) {
        return false;
    }
    bool saved = false;
    Rect all(0, 0, width, height);
    BitmapData data{};
    if (DllExports::GdipBitmapLockBits(bitmap, &all, ImageLockModeWrite, PixelFormat24bppRGB, &data) == Ok) {
        for (int y = 0; y < height; ++y) {
            BYTE* row = static_cast<BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (int x = 0; x < width; ++x) {
                row[x * 3 + 0] = static_cast<BYTE>(x * 255 / width);
                row[x * 3 + 1] = static_cast<BYTE>(y * 255 / height);
                row[x * 3 + 2] = static_cast<BYTE>(((x / 64) ^ (y / 64)) & 1 ? 220 : 40);
            }
        }
        DllExports::GdipBitmapUnlockBits(bitmap, &data);
        saved = SaveBitmap(bitmap, L"image/jpeg", path);
    }
    DllExports::GdipDisposeImage(bitmap);
    return saved;
}

double NowMilliseconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}
