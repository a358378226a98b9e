#include "filter/sources/BorderPicture.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <new>
#include <utility>

#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"

using namespace Gdiplus;

namespace {

constexpr DWORD kFileCheckMilliseconds = 1000;

}  // namespace

bool LoadPremultipliedPicture(const std::wstring& path, int width, int height, BorderPicture::Pixels& pixels)
{
    if (path.empty() || width <= 0 || height <= 0) return false;
    GpBitmapPtr decoded = DecodePictureFile(path);
    if (!decoded) return false;
    GpBitmap* scaled = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &scaled) != Ok)
        return false;
    GpBitmapPtr owner(scaled);
    {
        GpGraphicsPtr graphics = CanvasGraphics(scaled);
        if (!graphics) return false;
        // Copy, not blend: the transparent parts must stay transparent in the prepared picture.
        if (DllExports::GdipSetCompositingMode(graphics.get(), CompositingModeSourceCopy) != Ok) return false;
        if (DllExports::GdipDrawImageRectI(graphics.get(), decoded.get(), 0, 0, width, height) != Ok) return false;
    }
    Rect area(0, 0, width, height);
    BitmapData data{};
    if (DllExports::GdipBitmapLockBits(scaled, &area, ImageLockModeRead, PixelFormat32bppPARGB, &data) != Ok)
        return false;
    bool copied = false;
    if (static_cast<int>(data.Width) == width && static_cast<int>(data.Height) == height && data.Scan0) {
        try {
            pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
            const size_t row = static_cast<size_t>(width) * 4;
            for (int y = 0; y < height; ++y) {
                const auto* source = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
                std::memcpy(pixels.data() + static_cast<size_t>(height - 1 - y) * row, source, row);
            }
            copied = true;
        } catch (const std::bad_alloc&) {
            pixels.clear();
        }
    }
    (void)DllExports::GdipBitmapUnlockBits(scaled, &data);
    return copied;
}

BorderPicture::~BorderPicture()
{
    Stop();
    if (changed_) CloseHandle(changed_);
}

void BorderPicture::Start(int width, int height, const std::wstring& path)
{
    Stop();
    width_ = width;
    height_ = height;
    if (!changed_) changed_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    {
        CAutoLock lock(&lock_);
        path_ = path;
    }
    if (changed_) (void)worker_.Start([this](HANDLE stop) { Work(stop); });
}

void BorderPicture::SetPath(const std::wstring& path)
{
    {
        CAutoLock lock(&lock_);
        if (path == path_) return;
        path_ = path;
        // The old border goes at once; the new one shows when it is ready.
        ready_.reset();
    }
    if (changed_) SetEvent(changed_);
}

void BorderPicture::Stop()
{
    worker_.Stop();
    CAutoLock lock(&lock_);
    ready_.reset();
}

std::shared_ptr<const BorderPicture::Pixels> BorderPicture::Current()
{
    CAutoLock lock(&lock_);
    return ready_;
}

bool BorderPicture::HoldsPicture()
{
    CAutoLock lock(&lock_);
    return ready_ != nullptr;
}

bool BorderPicture::ReadStamp(const std::wstring& path, FILETIME* written, uint64_t* bytes)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) return false;
    *written = attributes.ftLastWriteTime;
    *bytes = (uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
    return true;
}

void BorderPicture::Work(HANDLE stop)
{
    std::wstring loaded;  // the path the ready picture (or its failure) was made from
    bool known = false;
    bool wasReadable = false;
    FILETIME written{};
    uint64_t bytes = 0;
    for (;;) {
        std::wstring path;
        {
            CAutoLock lock(&lock_);
            path = path_;
        }
        FILETIME nowWritten{};
        uint64_t nowBytes = 0;
        const bool readable = !path.empty() && ReadStamp(path, &nowWritten, &nowBytes);
        // The same path is decoded again only when its file was replaced, appeared or went away.
        const bool changed = !known || path != loaded || readable != wasReadable ||
                             (readable && (nowBytes != bytes || CompareFileTime(&nowWritten, &written) != 0));
        if (changed) {
            std::shared_ptr<Pixels> pixels;
            if (readable) {
                auto made = std::make_shared<Pixels>();
                if (LoadPremultipliedPicture(path, width_, height_, *made)) pixels = std::move(made);
            }
            CAutoLock lock(&lock_);
            // A path changed while decoding: the next round decodes the new one.
            if (path == path_) ready_ = std::move(pixels);
            loaded = path;
            known = true;
            wasReadable = readable;
            written = nowWritten;
            bytes = nowBytes;
        }
        HANDLE waits[2] = {stop, changed_};
        if (WaitForMultipleObjects(2, waits, FALSE, kFileCheckMilliseconds) == WAIT_OBJECT_0) return;
    }
}
