#include "filter/ui/Tray.h"

#include "filter/ui/MenuParentWindow.h"
#include "filter/ui/SettingsResources.h"

#include <objbase.h>

#include <atomic>
#include <mutex>

namespace {

// How often the teardown repeats its wake-up while it waits for the thread.
constexpr DWORD kWakeIntervalMs = 100;

// The tray thread of the process. A thread the teardown stopped waiting for is no longer recorded here: it sees
// itself as ending and goes by itself, and a new tray may start beside it meanwhile.
struct TrayState {
    std::mutex lock;  // guards the fields below, never held while waiting for the thread
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HWND window = nullptr;
};

TrayState& State()
{
    static TrayState state;
    return state;
}

std::atomic<bool> g_stopping{false};

// The window of the recorded tray thread; a thread no longer recorded leaves the state alone.
void PublishWindow(HWND window)
{
    TrayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.threadId == GetCurrentThreadId()) state.window = window;
}

void RunTray()
{
    // The folder browser needs COM on the thread that shows it.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        CMenuParentWindow tray;
        HWND window = tray.Create(IDD_TRAY_WINDOW, nullptr);
        PublishWindow(window);
        MSG message = {};
        while (window && !TrayStopping()) {
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
}

// The thread holds a reference on the module (taken by its starter), so that a thread the teardown stopped waiting
// for still has its code when it ends: the host may unload the module as soon as its last filter object is gone.
DWORD WINAPI TrayThread(void* module)
{
    try {
        RunTray();
    } catch (...) {
        // Nothing may leave the thread; the tray just ends.
    }
    FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
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
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.thread) {
        if (WaitForSingleObject(state.thread, 0) == WAIT_TIMEOUT) return false;
        // The thread ended on its own (its window could not be made): start afresh.
        (void)CloseHandle(state.thread);
        state.thread = nullptr;
        state.threadId = 0;
    }
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&TrayThread), &module))
        return false;
    g_stopping.store(false);
    // The lock is held until the id is recorded: the new thread asks for it before it publishes anything.
    state.thread = CreateThread(nullptr, 0, &TrayThread, module, 0, &state.threadId);
    if (state.thread) return true;
    state.threadId = 0;
    (void)FreeLibrary(module);  // the reference was the thread's
    return false;
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
    bool ended = false;
    for (DWORD waited = 0; !ended && waited < kTrayEndWaitMs; waited += kWakeIntervalMs) {
        HWND window = nullptr;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            if (state.threadId == threadId) window = state.window;
        }
        WakeTray(window, threadId);
        ended = WaitForSingleObject(thread, kWakeIntervalMs) != WAIT_TIMEOUT;
    }
    {
        // A thread still there is held up by a command that does not come back (a lock held elsewhere, a host's
        // hook); the host's release must not wait for it. It is left to end by itself (it sees itself as ending
        // from here on), and a later start makes a new tray beside it.
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.threadId == threadId) {
            state.threadId = 0;
            state.window = nullptr;
        }
    }
    (void)CloseHandle(thread);  // the handle is ours alone; a thread still running goes on without it
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
    if (g_stopping.load()) return true;
    // A tray thread the teardown stopped waiting for is ending even while a newer tray runs.
    TrayState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.threadId != GetCurrentThreadId();
}
