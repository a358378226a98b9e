#include "filter/sources/DesktopSource.h"

#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "filter/settings/SettingsStore.h"
#include "filter/sources/DesktopCapture.h"
#include "filter/sources/FrameFormat.h"
#include "filter/sources/FrameGeometry.h"


namespace {

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


// The monitor's size now, or false when the system no longer knows it.
bool CurrentMonitorSize(const MonitorRecord& monitor, int32_t* width, int32_t* height)
{
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(monitor.DeviceName.c_str(), ENUM_CURRENT_SETTINGS, &mode)) return false;
    *width = static_cast<int32_t>(mode.dmPelsWidth);
    *height = static_cast<int32_t>(mode.dmPelsHeight);
    return *width > 0 && *height > 0;
}

}  // namespace

// Captures the monitor at its current size and fits it into a frame. A monitor that is gone or cannot be copied
// gives a black frame; false only when the frame cannot be made at all (no memory, no canvas).
bool CaptureMonitorFrame(const MonitorRecord& monitor, int width, int height, FrameScaler& scaler,
                         std::vector<uint8_t>& frame)
{
    std::vector<uint8_t> made(FrameBytes(width, height), 0);
    MonitorRecord current = monitor;
    if (CurrentMonitorSize(monitor, &current.Width, &current.Height)) {
        const CaptureLayout layout = DesktopCaptureLayout(current.Width, current.Height);
        const BITMAPINFOHEADER header = InfoHeader(layout.header);
        const FitRect rect = FitRectangle(width, height, SourceAspect(current.Width, current.Height));
        std::vector<uint8_t> pixels(layout.pixelBytes);
        // The capture is 24-bit bottom-up rows of layout.rowBytes, fitted into the frame with our own scaler.
        if (layout.pixelBytes != 0 && rect.width > 0 && rect.height > 0 &&
            CopyMonitorPixels(current, header, pixels.data()) &&
            (scaler.IsPreparedFor(current.Width, current.Height, rect.width, rect.height) ||
             scaler.Prepare(current.Width, current.Height, rect.width, rect.height))) {
            const ptrdiff_t frameStride = static_cast<ptrdiff_t>(FrameRowBytes(width));
            uint8_t* corner = made.data() + frameStride * (height - rect.y - rect.height) +
                              static_cast<ptrdiff_t>(FrameRowBytes(rect.x));
            scaler.Scale(pixels.data(), static_cast<ptrdiff_t>(layout.rowBytes), corner, frameStride);
        }
    }
    frame.swap(made);
    return true;
}

HRESULT DesktopInput::Start(int width, int height)
{
    Stop();
    {
        CAutoLock lock(&lock_);
        width_ = width;
        height_ = height;
        ready_.clear();
    }
    return capture_.Start([this](HANDLE stop) { Capture(stop); }) ? S_OK : E_OUTOFMEMORY;
}

void DesktopInput::Stop()
{
    capture_.Stop();
    CAutoLock lock(&lock_);
    ready_.clear();
    ready_.shrink_to_fit();
}

void DesktopInput::SetMonitor(const MonitorRecord& monitor)
{
    CAutoLock lock(&lock_);
    monitor_ = monitor;
}

MonitorRecord DesktopInput::Monitor()
{
    CAutoLock lock(&lock_);
    return monitor_;
}

void DesktopInput::Capture(HANDLE stop)
{
    do {
        MonitorRecord monitor;
        int width;
        int height;
        {
            CAutoLock lock(&lock_);
            monitor = monitor_;
            width = width_;
            height = height_;
        }
        std::vector<uint8_t> frame;
        if (CaptureMonitorFrame(monitor, width, height, scaler_, frame)) {
            CAutoLock lock(&lock_);
            ready_.swap(frame);
            ++captures_;
        }
    } while (WaitForSingleObject(stop, StreamFramePeriod()) == WAIT_TIMEOUT);
}

long DesktopInput::Captures()
{
    CAutoLock lock(&lock_);
    return captures_;
}

HRESULT DesktopInput::Fill(uint8_t* frame, size_t size)
{
    CAutoLock lock(&lock_);
    if (ready_.empty() || !frame || size != ready_.size()) return S_FALSE;
    std::memcpy(frame, ready_.data(), size);
    return S_OK;
}

int32_t SelectDesktopMonitor(int32_t index, MonitorRecord* selected)
{
    // A position resolved against this copy stays inside it whatever a concurrent load does to the lists.
    const std::vector<MonitorRecord> monitors = MonitorList();
    const std::optional<int32_t> position = ResolveDesktopMonitor(index, monitors.size(), PrimaryMonitorPosition());
    if (!position) return -1;
    ProcessSettings().SetNumber(&FilterSettings::DesktopIndex, *position);
    if (selected) *selected = monitors[static_cast<size_t>(*position)];
    return *position;
}
