#pragma once
// The two kinds of helper thread the inputs use. A worker thread belongs to an input and is joined when the input
// stops. A module worker is not waited for: it keeps the module loaded (and GDI+ started) until its work is done,
// so an input can stop at once while a slow folder scan or decode finishes unseen.
#include <windows.h>

#include <functional>

class WorkerThread {
public:
    WorkerThread();
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs body on a new thread with COM initialised (multithreaded); body returns once StopEvent() is signalled.
    // False when a thread runs already or none can be made.
    bool Start(std::function<void(HANDLE stopEvent)> body);
    // Signals the stop event and waits for the thread to end. Harmless when none runs.
    void Stop();
    bool Running() const { return thread_ != nullptr; }

private:
    static DWORD WINAPI Main(void* self);

    std::function<void(HANDLE)> body_;
    HANDLE stopEvent_ = nullptr;
    HANDLE thread_ = nullptr;
};

// Runs work on a thread of its own that holds a reference on this module and keeps GDI+ started while it runs.
// False when no thread can be made (work is then not run). An exception leaving work ends only that work.
bool StartModuleWorker(std::function<void()> work);
