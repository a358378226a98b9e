#pragma once
// A worker thread with a synchronous command channel: a caller posts one command and waits for the worker's
// reply; the worker takes commands with GetRequest (blocking) or peeks with CheckRequest between units of work.
#include "filter/framework/CritSec.h"

#include <windows.h>

class CAMThread {
public:
    CAMThread();
    virtual ~CAMThread();
    CAMThread(const CAMThread&) = delete;
    CAMThread& operator=(const CAMThread&) = delete;

    // Starts ThreadProc on a new thread; false when a thread already exists or cannot be created.
    bool Create();
    // Posts `command` and waits for the reply. E_FAIL (as a DWORD) when there is no thread or it ended unanswered.
    DWORD CallWorker(DWORD command);
    // Waits for the thread to end and lets go of it.
    void Close();
    bool ThreadExists() const { return thread_ != nullptr; }

    // Worker side: waits for the next command and takes it.
    DWORD GetRequest();
    // Worker side: true with the pending command, which stays pending; false when there is none.
    bool CheckRequest(DWORD* command);
    // Worker side: answers the command taken last.
    void Reply(DWORD result);
    // Signalled while a command is pending, for a worker that must wait for either its work or a command.
    HANDLE GetRequestHandle() const { return requestEvent_; }
    DWORD GetRequestParam() const { return command_; }

protected:
    virtual DWORD ThreadProc() = 0;

    // Serialises callers of the command channel.
    CCritSec accessLock_;

private:
    static DWORD WINAPI ThreadStart(void* self);

    HANDLE thread_ = nullptr;
    HANDLE requestEvent_ = nullptr;  // manual reset: stays set until the worker takes the command
    HANDLE replyEvent_ = nullptr;    // auto reset
    DWORD command_ = 0;
    DWORD reply_ = 0;
};
