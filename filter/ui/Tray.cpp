#include "filter/ui/Tray.h"

#include "filter/ui/MenuParentWindow.h"
#include "filter/ui/SettingsResources.h"

#include <objbase.h>

#include <atomic>
#include <mutex>

namespace {

// How long a tray start waits for the window; a thread that takes longer still runs and is ended as usual.
constexpr DWORD kWindowWaitMs = 2000;
// How often the teardown repeats its wake-up while it waits for the thread.
constexpr DWORD kWakeIntervalMs = 100;

struct TrayState {
    std::mutex lock;            // guards the fields below, never held while waiting for the thread
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HWND window = nullptr;
    HANDLE windowReady = nullptr;
};

TrayState& State()
{
    static TrayState state;
    return state;
}

std::atomic<bool> g_stopping{false};

void PublishWindow(HWND window)
{
    TrayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.window = window;
    if (state.windowReady) (void)SetEvent(state.windowReady);  // the starter's wait ends at its time limit anyway
}

DWORD WINAPI TrayThread(void*)
{
    // The folder browser needs COM on the thread that shows it.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        CMenuParentWindow tray;
        HWND window = tray.Create(IDD_TRAY_WINDOW, nullptr);
        PublishWindow(window);
        MSG message = {};
        while (window && !g_stopping.load()) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0 || got == -1) break;
            (void)TranslateMessage(&message);  // answers whether a character message was made
            (void)DispatchMessageW(&message);
        }
        tray.DeleteIcon();
        PublishWindow(nullptr);
        tray.Destroy();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

// Wakes the tray thread's loop, closing whatever menu or dialog holds it.
void WakeTray(HWND window, DWORD threadId)
{
    if (window && PostMessageW(window, CMenuParentWindow::kStopMessage, 0, 0)) return;
    // No window (yet, or any more): a thread message still ends GetMessageW; a thread without a queue is ending.
    (void)PostThreadMessageW(threadId, WM_NULL, 0, 0);
}

}  // namespace

bool StartTrayIfAbsent()
{
    TrayState& state = State();
    HANDLE ready = nullptr;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.thread) {
            if (WaitForSingleObject(state.thread, 0) == WAIT_TIMEOUT) return false;
            // The thread ended on its own (its window could not be made): start afresh.
            (void)CloseHandle(state.thread);
            state.thread = nullptr;
        }
        if (!state.windowReady) state.windowReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (state.windowReady) (void)ResetEvent(state.windowReady);  // fails only for a bad handle
        g_stopping.store(false);
        state.thread = CreateThread(nullptr, 0, &TrayThread, nullptr, 0, &state.threadId);
        if (!state.thread) return false;
        ready = state.windowReady;
    }
    // The event lives as long as the process; only the starting thread resets it.
    if (ready) (void)WaitForSingleObject(ready, kWindowWaitMs);
    return true;
}

void EndTray()
{
    TrayState& state = State();
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        thread = state.thread;
        threadId = state.threadId;
        if (!thread) return;
        // The tray's own thread cannot wait for itself; its loop ends at the next message.
        if (threadId == GetCurrentThreadId()) {
            g_stopping.store(true);
            return;
        }
        state.thread = nullptr;
    }
    g_stopping.store(true);
    for (;;) {
        HWND window = nullptr;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            window = state.window;
        }
        WakeTray(window, threadId);
        if (WaitForSingleObject(thread, kWakeIntervalMs) != WAIT_TIMEOUT) break;
    }
    (void)CloseHandle(thread);  // the thread has ended; its handle is ours alone
}

bool IsTrayRunning()
{
    TrayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.thread && WaitForSingleObject(state.thread, 0) == WAIT_TIMEOUT;
}

HWND TrayWindow()
{
    TrayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.window;
}

bool TrayStopping()
{
    return g_stopping.load();
}
