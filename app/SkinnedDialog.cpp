#include "app/SkinnedDialog.h"

#include "app/Placement.h"

#include <objidl.h>
#include <gdiplus.h>

using namespace Gdiplus;

namespace {

Box ToBox(const RECT& rect)
{
    return Box{rect.left, rect.top, rect.right, rect.bottom};
}

// The work area of the monitor nearest to `window`; empty when the system cannot say.
Box WorkArea(HWND window)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return Box{};
    return ToBox(monitor.rcWork);
}

}  // namespace

void CentreWindow(HWND window, HWND owner)
{
    RECT self{}, ownerRect{};
    if (!GetWindowRect(window, &self)) return;
    const bool ownerShown = owner && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &ownerRect);
    const Origin origin = CentredOrigin(ToBox(self), ownerShown, ToBox(ownerRect),
                                        ownerShown ? WorkArea(owner) : Box{}, WorkArea(window));
    (void)SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PaintGradientDialog(HWND dialog, const std::function<void(GpGraphics*)>& drawItems)
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(dialog, &paint);
    if (!dc) return;
    GpGraphics* graphics = nullptr;
    if (DllExports::GdipCreateFromHDC(dc, &graphics) == Ok) {
        RECT client{};
        (void)GetClientRect(dialog, &client);  // a failure leaves an empty area to fill
        const PointF from(0.0f, 0.0f);
        const PointF to(static_cast<REAL>(client.right), static_cast<REAL>(client.bottom));
        GpLineGradient* brush = nullptr;
        if (DllExports::GdipCreateLineBrush(&from, &to, 0xFF12326E, 0xFFAEBCD6, WrapModeTile, &brush) == Ok) {
            (void)DllExports::GdipFillRectangleI(graphics, brush, 0, 0, client.right, client.bottom);
            (void)DllExports::GdipDeleteBrush(brush);
        }
        drawItems(graphics);
        (void)DllExports::GdipDeleteGraphics(graphics);
    }
    EndPaint(dialog, &paint);
}

bool GdiplusSession::Start()
{
    if (token_) return true;
    GdiplusStartupInput input;  // version 1, no debug callback, background thread and external codecs on
    return GdiplusStartup(&token_, &input, nullptr) == Ok;
}

void GdiplusSession::Shutdown()
{
    if (!token_) return;
    GdiplusShutdown(token_);
    token_ = 0;
}
