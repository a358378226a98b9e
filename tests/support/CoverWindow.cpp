#include "support/CoverWindow.h"

#include <cstdio>
#include <utility>

CoverWindow::CoverWindow(int width, int height, Colours colours) : colours_(colours)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VeltraneTestCover";
    RegisterClassW(&windowClass);  // fails harmlessly when an earlier cover registered it
    window_ = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, width,
                              height, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&colours_));
    Repaint(colours);
}

CoverWindow::~CoverWindow()
{
    if (window_) DestroyWindow(window_);
    Pump();
}

void CoverWindow::Repaint(Colours colours)
{
    colours_ = colours;
    if (!window_) return;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    Pump();
}

LRESULT CALLBACK CoverWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    const auto* colours = reinterpret_cast<const Colours*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (colours) {
        RECT client;
        GetClientRect(window, &client);
        RECT left = client, right = client;
        left.right = right.left = client.right / 2;
        for (auto part : {std::make_pair(left, colours->left), std::make_pair(right, colours->right)}) {
            HBRUSH brush = CreateSolidBrush(part.second);
            FillRect(dc, &part.first, brush);
            DeleteObject(brush);
        }
    }
    EndPaint(window, &paint);
    return 0;
}

void CoverWindow::Pump()
{
    // A short bounded loop: whatever the window manager sends in reply to showing or painting.
    MSG message;
    for (int i = 0; i < 200 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string DescribeColour(COLORREF colour)
{
    char text[32];
    std::snprintf(text, sizeof text, "R,G,B = %d,%d,%d", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

bool ScreenShows(int width, int height, Colours colours, std::string* shown)
{
    HDC screen = GetDC(nullptr);
    if (!screen) {
        if (shown) *shown = "no screen context";
        return false;
    }
    const int y = height / 2;
    COLORREF left = CLR_INVALID, right = CLR_INVALID;
    const DWORD deadline = GetTickCount() + 5000;
    do {
        left = GetPixel(screen, width / 4, y);
        right = GetPixel(screen, width * 3 / 4, y);
        if (left == colours.left && right == colours.right) break;
        Sleep(10);
    } while (static_cast<int32_t>(deadline - GetTickCount()) > 0);
    ReleaseDC(nullptr, screen);
    if (left == colours.left && right == colours.right) return true;
    if (shown) *shown = DescribeColour(left) + " | " + DescribeColour(right);
    return false;
}
