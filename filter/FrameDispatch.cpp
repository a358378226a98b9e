#include "filter/FrameDispatch.h"

#include "filter/settings/SettingsStore.h"
#include "filter/sources/CameraSource.h"
#include "filter/sources/DesktopSource.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/GdiplusCanvas.h"
#include "filter/sources/PicturesSource.h"
#include "filter/sources/VideoSource.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

std::atomic<int32_t> g_reconfiguring{0};

// The rendered placeholder (640 x 480 bottom-up RGB24, or empty) and the code it was built for. Touched only
// under the source lock.
struct PlaceholderState {
    std::vector<uint8_t> frame;
    HRESULT code = 0;
    bool folderReplaced = false;
    std::wstring folder;
};

PlaceholderState& Placeholder()
{
    static PlaceholderState state;
    return state;
}

// The picture shown for a producer failure, relative to the module directory; null for a plain black frame.
const wchar_t* PlaceholderFile(HRESULT code)
{
    switch (code) {
    case E_FRAME_NOCAMERA:
        return L"Data\\nocamera.jpg";
    case E_FRAME_NOFILE:
        return L"Data\\nofile.jpg";
    case E_FRAME_NOTSUPPORTED:
        return L"Data\\notsupported.jpg";
    case E_FRAME_NOPICTURES:
        return L"Data\\nopictures.jpg";
    default:
        return nullptr;
    }
}

HRESULT ProduceFrame(int32_t globalType, BYTE* buffer, size_t size)
{
    switch (globalType) {
    case Camera:
        return FillCameraFrame(buffer, size);
    case Pictures:
        return FillPicturesFrame(buffer, size);
    case Video:
        return FillVideoFrame(buffer, size);
    case Desktop:
        return FillDesktopFrame(buffer, size);
    default:
        return S_FALSE;
    }
}

// A black canvas of the placeholder's size in 32-bit ARGB; null when GDI+ cannot make one.
GpBitmapPtr CreatePlaceholderCanvas()
{
    Gdiplus::GpBitmap* canvas = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(kFrameWidth, kFrameHeight, 0, PixelFormat32bppARGB,
                                                      nullptr, &canvas) != Gdiplus::Ok)
        return nullptr;
    GpBitmapPtr owned(canvas);
    GpGraphicsPtr graphics = CanvasGraphics(canvas);
    // GDI+ hands out a cleared bitmap; filling it opaque black as well makes the bands black after the 24-bit
    // conversion whatever the runtime left in it. Without a graphics object nothing can be drawn either.
    if (!graphics) return nullptr;
    if (Gdiplus::DllExports::GdipGraphicsClear(graphics.get(), 0xFF000000) != Gdiplus::Ok) return nullptr;
    return owned;
}

}  // namespace

CCritSec& SourceLock()
{
    static CCritSec lock;
    return lock;
}

void BeginReconfiguring() { ++g_reconfiguring; }

void EndReconfiguring() { --g_reconfiguring; }

bool IsReconfiguring() { return g_reconfiguring.load() != 0; }

namespace {

bool IsInputMode(int32_t mode) { return mode >= Camera && mode <= Desktop; }

}  // namespace

bool FillFrame(BYTE* buffer, size_t size)
{
    if (!buffer) return false;
    if (IsReconfiguring()) return IsInputMode(CurrentGlobalType());
    CAutoLock lock(&SourceLock());
    const int32_t mode = CurrentGlobalType();
    // Looked at again after the mode was read: a switch raises the flag before it stores the new mode, so a mode
    // read here without the flag raised is that of the running input.
    if (IsReconfiguring()) return IsInputMode(mode);
    if (!IsInputMode(mode)) return false;
    const HRESULT result = ProduceFrame(mode, buffer, size);
    if (FAILED(result)) FillPlaceholderFrame(buffer, size, result);
    return true;
}

void FillPlaceholderFrame(BYTE* buffer, size_t size, HRESULT code)
{
    PlaceholderState& state = Placeholder();
    if (code != state.code) {
        state.code = code;
        BuildPlaceholder();
    }
    if (!buffer) return;
    if (state.frame.size() == size)
        std::memcpy(buffer, state.frame.data(), size);
    else
        std::memset(buffer, 0, size);
}

void BuildPlaceholder()
{
    PlaceholderState& state = Placeholder();
    const wchar_t* file = PlaceholderFile(state.code);
    if (!file) {
        state.frame.clear();
        return;
    }
    const std::wstring path = (state.folderReplaced ? state.folder : ModuleDirectory()) + file;
    GpBitmapPtr picture = DecodePictureFile(path);
    GpBitmapPtr canvas = CreatePlaceholderCanvas();
    // Fitted with bicubic scaling; a missing or undecodable file leaves the canvas black.
    DrawImageFitted(canvas.get(), picture.get(), kFrameWidth, kFrameHeight);
    // Black first, so that a canvas that cannot be made or read gives a black frame rather than the picture of
    // an earlier failure.
    state.frame.assign(FrameBytes(kFrameWidth, kFrameHeight), 0);
    (void)CanvasToFrame(canvas.get(), kFrameWidth, kFrameHeight, state.frame.data());
}

void SetPlaceholderFolder(const std::wstring& folder)
{
    PlaceholderState& state = Placeholder();
    state.folderReplaced = !folder.empty();
    state.folder = folder;
    state.frame.clear();
    state.code = 0;
}
