#pragma once
// Zelmora.exe started as a user starts it, from a chosen current directory, and driven by real mouse and keyboard
// input; the process is ended on destruction if it is still running.
#include <windows.h>

#include <functional>
#include <string>

#include "support/WaitUntil.h"

class ZelmoraProcess {
public:
    // Starts the program and waits up to timeoutMs for its main window, or for a message box shown before it.
    ZelmoraProcess(const std::wstring& program, const std::wstring& currentDirectory, DWORD timeoutMs);
    ~ZelmoraProcess();
    ZelmoraProcess(const ZelmoraProcess&) = delete;
    ZelmoraProcess& operator=(const ZelmoraProcess&) = delete;

    HWND MainWindow() const { return main_; }
    // Waits for the main window (after a message box was answered); true when it is there.
    bool WaitForMainWindow(DWORD timeoutMs);
    // The process's visible top-level dialog titled `title`, or null.
    HWND FindTitled(const wchar_t* title) const;
    DWORD Id() const { return info_.dwProcessId; }
    // Class, title and owner of each visible top-level window of the process, for failure messages.
    std::string DescribeWindows() const;
    // A visible top-level window of the process other than the main one, with this class and owner.
    HWND FindOwnedWindow(const wchar_t* className, HWND owner) const;
    // The exit code, or STILL_ACTIVE when the process has not ended within timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs) const;

private:
    PROCESS_INFORMATION info_{};
    HWND main_ = nullptr;
};

// Real input: the pointer moved to a screen point, the left button pressed and released there.
void MoveMouseTo(POINT screen);
void PressLeft(bool down);
void ClickAt(POINT screen);
// Alt+F4 to the foreground window.
void PressAltF4(HWND window);
// A point inside the skinned item over control `id` of `dialog`, in screen coordinates.
POINT ItemPoint(HWND dialog, int id, int dx = 12, int dy = 8);

// Pixels of the screen rectangle within `tolerance` of `colour` in every channel.
int CountScreenPixels(const RECT& area, COLORREF colour, int tolerance = 40);
