#include "ZelmoraProcess.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct WindowSearch {
    DWORD process;
    const wchar_t* className;
    const wchar_t* title;
    HWND owner;
    HWND exclude;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD process = 0;
    wchar_t className[64] = L"", title[128] = L"";
    GetWindowThreadProcessId(window, &process);
    GetClassNameW(window, className, 64);
    GetWindowTextW(window, title, 128);
    if (process == search->process && window != search->exclude && IsWindowVisible(window) &&
        lstrcmpW(className, search->className) == 0 && (!search->title || lstrcmpW(title, search->title) == 0) &&
        (!search->owner || GetWindow(window, GW_OWNER) == search->owner)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void SendMouse(DWORD flags, LONG x = 0, LONG y = 0)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = x;
    input.mi.dy = y;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
    Sleep(150);
}

}  // namespace

ZelmoraProcess::ZelmoraProcess(const std::wstring& program, const std::wstring& currentDirectory, DWORD timeoutMs)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.c_str(), &startup, &info_))
        return;
    WaitUntil([&] { return WaitForMainWindow(0) || FindTitled(L"PlayCap Message"); }, timeoutMs);
}

bool ZelmoraProcess::WaitForMainWindow(DWORD timeoutMs)
{
    WaitUntil([&] { return (main_ = FindTitled(L" Veltrane Settings")) != nullptr; }, timeoutMs);
    if (!main_) return false;
    SetForegroundWindow(main_);
    Sleep(300);
    return true;
}

HWND ZelmoraProcess::FindTitled(const wchar_t* title) const
{
    WindowSearch search{info_.dwProcessId, L"#32770", title, nullptr, nullptr, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ZelmoraProcess::~ZelmoraProcess()
{
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

HWND ZelmoraProcess::FindOwnedWindow(const wchar_t* className, HWND owner) const
{
    WindowSearch search{info_.dwProcessId, className, nullptr, owner, main_, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ZelmoraProcess::DescribeWindows() const
{
    struct Listing {
        DWORD process;
        std::string text;
    } listing{info_.dwProcessId, ""};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* list = reinterpret_cast<Listing*>(lParam);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            char className[64] = "", title[128] = "";
            if (process == list->process && IsWindowVisible(window)) {
                GetClassNameA(window, className, 64);
                GetWindowTextA(window, title, 128);
                char owner[32];
                snprintf(owner, sizeof(owner), "%p", static_cast<void*>(GetWindow(window, GW_OWNER)));
                list->text += std::string(className) + " '" + title + "' owner " + owner + "; ";
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&listing));
    return listing.text;
}

DWORD ZelmoraProcess::WaitForExit(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    if (info_.hProcess && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void MoveMouseTo(POINT screen)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (screen.x * 65535 + width / 2) / (width - 1),
              (screen.y * 65535 + height / 2) / (height - 1));
}

void PressLeft(bool down)
{
    SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
}

void ClickAt(POINT screen)
{
    MoveMouseTo(screen);
    PressLeft(true);
    PressLeft(false);
}

void PressAltF4(HWND window)
{
    SetForegroundWindow(window);
    Sleep(200);
    INPUT keys[4]{};
    const WORD codes[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}

POINT ItemPoint(HWND dialog, int id, int dx, int dy)
{
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    return POINT{rect.left + dx, rect.top + dy};
}

int CountScreenPixels(const RECT& area, COLORREF colour, int tolerance)
{
    HDC screen = GetDC(nullptr);
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = GetPixel(screen, x, y);
            if (std::abs(GetRValue(c) - GetRValue(colour)) <= tolerance &&
                std::abs(GetGValue(c) - GetGValue(colour)) <= tolerance &&
                std::abs(GetBValue(c) - GetBValue(colour)) <= tolerance)
                ++count;
        }
    ReleaseDC(nullptr, screen);
    return count;
}
