#pragma once
// What the application's two dialogs share: their placement when they open and their painted background.
#include <windows.h>

#include <functional>

namespace Gdiplus {
class GpGraphics;
}

// Centres `window` over `owner`'s window rectangle within the work area of the monitor nearest to the owner; with
// no owner, or a hidden or minimised one, in the work area of the monitor nearest to the window. Position only.
void CentreWindow(HWND window, HWND owner);

// Paints the dialog's client area (WM_PAINT): the diagonal dark blue to grey-blue gradient, then `drawItems` on
// the same graphics.
void PaintGradientDialog(HWND dialog, const std::function<void(Gdiplus::GpGraphics*)>& drawItems);

// GDI+ for the lifetime of a dialog: started at its initialisation, shut down when it closes.
class GdiplusSession {
public:
    GdiplusSession() = default;
    ~GdiplusSession() { Shutdown(); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Start();
    void Shutdown();

private:
    ULONG_PTR token_ = 0;
};
