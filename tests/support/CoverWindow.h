#pragma once
// A top-most window in two solid colours (left half, right half) over a screen area, for the tests that capture
// the desktop, and a wait until the X server shows what Wine painted.
#include <windows.h>

#include <string>

struct Colours {
    COLORREF left, right;
};

class CoverWindow {
public:
    CoverWindow(int width, int height, Colours colours);
    ~CoverWindow();
    CoverWindow(const CoverWindow&) = delete;
    CoverWindow& operator=(const CoverWindow&) = delete;

    explicit operator bool() const { return window_ != nullptr; }
    void Repaint(Colours colours);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void Pump();

    Colours colours_;
    HWND window_ = nullptr;
};

// "R,G,B = r,g,b" for messages.
std::string DescribeColour(COLORREF colour);

// Waits (five seconds at most) until the screen shows `colours` at a quarter and three quarters of the width of
// the width x height area at the top-left, halfway down; describes what it shows when it does not.
bool ScreenShows(int width, int height, Colours colours, std::string* shown = nullptr);
