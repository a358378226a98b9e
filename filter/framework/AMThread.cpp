#include "filter/framework/AMThread.h"

CAMThread::CAMThread()
    : requestEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), replyEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

CAMThread::~CAMThread()
{
    Close();
    if (requestEvent_) CloseHandle(requestEvent_);
    if (replyEvent_) CloseHandle(replyEvent_);
}

bool CAMThread::Create()
{
    CAutoLock lock(&accessLock_);
    if (ThreadExists() || !requestEvent_ || !replyEvent_) return false;
    ResetEvent(requestEvent_);
    ResetEvent(replyEvent_);
    DWORD id = 0;
    thread_ = CreateThread(nullptr, 0, &CAMThread::ThreadStart, this, 0, &id);
    return thread_ != nullptr;
}

DWORD WINAPI CAMThread::ThreadStart(void* self)
{
    return static_cast<CAMThread*>(self)->ThreadProc();
}

DWORD CAMThread::CallWorker(DWORD command)
{
    CAutoLock lock(&accessLock_);
    if (!ThreadExists()) return static_cast<DWORD>(E_FAIL);
    command_ = command;
    SetEvent(requestEvent_);
    // The reply comes first in the list: a worker that replies and then ends has still answered.
    HANDLE waits[2] = {replyEvent_, thread_};
    DWORD which = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0) {
        ResetEvent(requestEvent_);
        return static_cast<DWORD>(E_FAIL);
    }
    return reply_;
}

void CAMThread::Close()
{
    HANDLE thread = InterlockedExchangePointer(&thread_, nullptr);
    if (!thread) return;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

DWORD CAMThread::GetRequest()
{
    WaitForSingleObject(requestEvent_, INFINITE);
    ResetEvent(requestEvent_);
    return command_;
}

bool CAMThread::CheckRequest(DWORD* command)
{
    if (WaitForSingleObject(requestEvent_, 0) != WAIT_OBJECT_0) return false;
    if (command) *command = command_;
    return true;
}

void CAMThread::Reply(DWORD result)
{
    reply_ = result;
    SetEvent(replyEvent_);
}
