#include "filter/sources/Workers.h"

#include <objidl.h>
#include <gdiplus.h>

#include <memory>
#include <new>
#include <utility>

WorkerThread::WorkerThread() : stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

WorkerThread::~WorkerThread()
{
    Stop();
    if (stopEvent_) CloseHandle(stopEvent_);
}

bool WorkerThread::Start(std::function<void(HANDLE)> body)
{
    if (thread_ || !stopEvent_) return false;
    body_ = std::move(body);
    ResetEvent(stopEvent_);
    thread_ = CreateThread(nullptr, 0, &WorkerThread::Main, this, 0, nullptr);
    return thread_ != nullptr;
}

void WorkerThread::Stop()
{
    if (!thread_) return;
    SetEvent(stopEvent_);
    (void)WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI WorkerThread::Main(void* self)
{
    auto* worker = static_cast<WorkerThread*>(self);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    try {
        worker->body_(worker->stopEvent_);
    } catch (...) {
        // Nothing to report to; the input shows what it had.
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

namespace {

DWORD WINAPI ModuleWorkerMain(void* argument)
{
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(argument));
    // GDI+ is kept started for the worker's own drawing, whatever its other users do meanwhile.
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    const bool started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    try {
        (*work)();
    } catch (...) {
        // The work is lost; what it would have produced stays missing.
    }
    work.reset();
    if (started) Gdiplus::GdiplusShutdown(token);

    HMODULE module = nullptr;
    (void)GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCWSTR>(&ModuleWorkerMain), &module);
    FreeLibraryAndExitThread(module, 0);
}

}  // namespace

bool StartModuleWorker(std::function<void()> work)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ModuleWorkerMain),
                            &module))
        return false;
    auto* owned = new (std::nothrow) std::function<void()>(std::move(work));
    HANDLE thread = owned ? CreateThread(nullptr, 0, &ModuleWorkerMain, owned, 0, nullptr) : nullptr;
    if (!thread) {
        delete owned;
        FreeLibrary(module);
        return false;
    }
    CloseHandle(thread);
    return true;
}
