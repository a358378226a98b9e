#pragma once
// Polls `condition` every 20 ms until it holds (true) or timeoutMs passed (false).
#include <windows.h>

#include <functional>

inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}
