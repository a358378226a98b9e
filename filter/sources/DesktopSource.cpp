#include "filter/sources/DesktopSource.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "filter/settings/SettingsStore.h"
#include "filter/sources/DesktopCapture.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameGeometry.h"
#include "filter/sources/GdiplusCanvas.h"

using namespace Gdiplus;

namespace {

uint32_t SystemTick() { return GetTickCount(); }

struct DesktopInput {
    CCritSec lock;
    std::optional<MonitorRecord> monitor;
    int width = 0;
    int height = 0;
    uint32_t lastCapture = 0;  // 0: capture at the next frame
    std::vector<uint8_t> frame;
    std::atomic<DesktopTickSource> tick{&SystemTick};
};

DesktopInput& Input()
{
    static DesktopInput input;
    return input;
}

// Owners of the GDI objects of one capture. Deleting can only fail for a handle that is not ours; nothing is
// left to undo then.
struct DcDeleter {
    void operator()(HDC dc) const { (void)DeleteDC(dc); }
};
struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const { (void)DeleteObject(bitmap); }
};
using DcPtr = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using BitmapPtr = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

// Keeps a bitmap selected into a memory context and selects the previous one back when it goes, so that the
// bitmap can be read with GetDIBits and deleted.
class BitmapSelection {
public:
    BitmapSelection(HDC dc, HBITMAP bitmap) : dc_(dc), previous_(SelectObject(dc, bitmap)) {}
    ~BitmapSelection()
    {
        if (selected()) (void)SelectObject(dc_, previous_);
    }
    BitmapSelection(const BitmapSelection&) = delete;
    BitmapSelection& operator=(const BitmapSelection&) = delete;
    bool selected() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

BITMAPINFOHEADER InfoHeader(const CaptureHeaderFields& fields)
{
    BITMAPINFOHEADER header{};
    header.biSize = fields.size;
    header.biWidth = fields.width;
    header.biHeight = fields.height;
    header.biPlanes = fields.planes;
    header.biBitCount = fields.bitCount;
    header.biCompression = fields.compression;
    header.biSizeImage = fields.sizeImage;
    header.biXPelsPerMeter = fields.xPelsPerMeter;
    header.biYPelsPerMeter = fields.yPelsPerMeter;
    header.biClrUsed = fields.clrUsed;
    header.biClrImportant = fields.clrImportant;
    return header;
}

// Copies the whole monitor, without the cursor, into pixels as the 24-bit bottom-up DIB header describes it.
// False when the monitor cannot be opened or copied; pixels then keep what they held (black, or part of a copy).
bool CopyMonitorPixels(const MonitorRecord& monitor, const BITMAPINFOHEADER& header, uint8_t* pixels)
{
    // A display the system no longer knows is not opened: some display drivers (Wine's among them) hand out a
    // context for the whole screen whatever device name they are given.
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(monitor.DeviceName.c_str(), ENUM_CURRENT_SETTINGS, &mode)) return false;
    DcPtr screen(CreateDCA("DISPLAY", monitor.DeviceName.c_str(), nullptr, nullptr));
    if (!screen) return false;
    BitmapPtr bitmap(CreateCompatibleBitmap(screen.get(), monitor.Width, monitor.Height));
    DcPtr memory(CreateCompatibleDC(screen.get()));
    if (!bitmap || !memory) return false;
    {
        BitmapSelection selection(memory.get(), bitmap.get());
        if (!selection.selected()) return false;
        // CAPTUREBLT includes layered windows.
        if (!BitBlt(memory.get(), 0, 0, monitor.Width, monitor.Height, screen.get(), 0, 0, SRCCOPY | CAPTUREBLT))
            return false;
    }
    // GetDIBits may adjust the header it is given; the decoder gets the caller's untouched copy.
    BITMAPINFO info{};
    info.bmiHeader = header;
    const int lines = GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(monitor.Height), pixels, &info,
                                DIB_RGB_COLORS);
    return lines == monitor.Height;
}

// Draws the capture on the canvas fitted by the monitor's own aspect, with bicubic scaling.
void DrawCaptureFitted(GpBitmap* canvas, GpImage* capture, const MonitorRecord& monitor, int width, int height)
{
    const FitRect rect = FitRectangle(width, height, SourceAspect(monitor.Width, monitor.Height));
    if (rect.width <= 0 || rect.height <= 0) return;
    GpGraphicsPtr graphics = CanvasGraphics(canvas);
    if (!graphics) return;
    // Without bicubic scaling GDI+ draws with its default mode: a rougher picture, but a picture.
    (void)DllExports::GdipSetInterpolationMode(graphics.get(), InterpolationModeHighQualityBicubic);
    // A failed draw leaves the canvas as far as it was drawn; the frame goes out as it is.
    (void)DllExports::GdipDrawImageRectI(graphics.get(), capture, rect.x, rect.y, rect.width, rect.height);
}

// Captures the current monitor and turns it into the kept frame. A monitor that cannot be copied, or whose size
// is zero, gives a black frame; when the capture cannot be decoded for lack of memory or the canvas cannot be
// made or read, the kept frame stays as it was.
void CaptureIntoFrame(DesktopInput& input)
{
    const MonitorRecord& monitor = *input.monitor;
    const CaptureLayout layout = DesktopCaptureLayout(monitor.Width, monitor.Height);
    const BITMAPINFOHEADER header = InfoHeader(layout.header);
    DibImage image(layout.pixelBytes);
    if (layout.pixelBytes != 0 && image.Pixels()) (void)CopyMonitorPixels(monitor, header, image.Pixels());
    StreamBitmap capture;
    if (FAILED(image.Decode(header, &capture))) return;

    GpBitmapPtr canvas = CreateCanvas(input.width, input.height);
    if (!canvas) return;
    if (capture) DrawCaptureFitted(canvas.get(), capture.Get(), monitor, input.width, input.height);

    const size_t bytes = FrameBytes(input.width, input.height);
    if (input.frame.size() == bytes) {
        (void)CanvasToFrame(canvas.get(), input.width, input.height, input.frame.data());
        return;
    }
    // A first frame (or one of a new size) replaces the kept one only once it has been drawn completely.
    std::vector<uint8_t> fresh;
    try {
        fresh.resize(bytes);
    } catch (const std::bad_alloc&) {
        return;
    }
    if (CanvasToFrame(canvas.get(), input.width, input.height, fresh.data())) input.frame.swap(fresh);
}

}  // namespace

CCritSec& DesktopLock() { return Input().lock; }

void StartDesktopSource(const MonitorRecord& monitor, int width, int height)
{
    CAutoLock lock(&Input().lock);
    Input().width = width;
    Input().height = height;
    Input().lastCapture = 0;
    Input().monitor = monitor;
}

int32_t SelectDesktopMonitor(int32_t index)
{
    // A position resolved against this copy stays inside it whatever a concurrent load does to the lists.
    const std::vector<MonitorRecord> monitors = MonitorList();
    const std::optional<int32_t> position = ResolveDesktopMonitor(index, monitors.size(), PrimaryMonitorPosition());
    if (!position) return -1;
    ProcessSettings().SetNumber(&FilterSettings::DesktopIndex, *position);
    CAutoLock lock(&Input().lock);
    Input().monitor = monitors[static_cast<size_t>(*position)];
    return *position;
}

HRESULT FillDesktopFrame(BYTE* data, size_t size)
{
    CAutoLock lock(&Input().lock);
    DesktopInput& input = Input();
    if (!input.monitor) return S_FALSE;
    const uint32_t now = input.tick.load()();
    if (DesktopCaptureDue(input.lastCapture, now)) {
        input.lastCapture = now;
        // Only a sample of the started size is ever written, so a capture for any other is work for nothing.
        const bool sizeMatches = input.width > 0 && input.height > 0 && size == FrameBytes(input.width, input.height);
        if (data && sizeMatches) CaptureIntoFrame(input);
    }
    if (!data || input.frame.empty() || input.frame.size() != size) return S_FALSE;
    std::memcpy(data, input.frame.data(), size);
    return S_OK;
}

void ResetDesktopCaptureClock()
{
    CAutoLock lock(&Input().lock);
    Input().lastCapture = 0;
}

void SetDesktopTickSource(DesktopTickSource tick) { Input().tick.store(tick ? tick : &SystemTick); }

std::optional<MonitorRecord> CurrentDesktopMonitor()
{
    CAutoLock lock(&Input().lock);
    return Input().monitor;
}

void ForgetDesktopSource()
{
    CAutoLock lock(&Input().lock);
    Input().monitor.reset();
    Input().width = 0;
    Input().height = 0;
    Input().lastCapture = 0;
    Input().frame.clear();
    Input().frame.shrink_to_fit();
}
