#include "filter/framework/SourceStream.h"

#include "filter/framework/Source.h"

#include <utility>

CSourceStream::CSourceStream(HRESULT* hr, CSource* filter, const wchar_t* pinName)
    : CBaseOutputPin(filter, filter->pStateLock(), hr, pinName),
      wakeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      stopEvent_(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      createdEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    HRESULT added = filter->AddPin(this);
    if (FAILED(added) && hr) *hr = added;
    if ((!wakeEvent_ || !stopEvent_ || !createdEvent_) && hr && SUCCEEDED(*hr)) *hr = E_OUTOFMEMORY;
}

CSourceStream::~CSourceStream()
{
    // The filter stops before it deletes its pins; a thread still here would run on a deleted pin.
    (void)CleanupStream();
    Filter()->RemovePin(this);
    for (HANDLE handle : {wakeEvent_, stopEvent_, createdEvent_}) {
        if (handle) CloseHandle(handle);
    }
}

void CSourceStream::SetState(FILTER_STATE state, REFERENCE_TIME start)
{
    {
        CAutoLock lock(&streamLock_);
        stream_.state = state;
        stream_.start = start;
        ++stateChanges_;
    }
    if (wakeEvent_) SetEvent(wakeEvent_);
}

HRESULT CSourceStream::InitStream(FILTER_STATE target, REFERENCE_TIME start)
{
    CAutoLock lock(lock_);
    if (thread_) return S_FALSE;
    if (!IsConnected()) return S_OK;
    if (!wakeEvent_ || !stopEvent_ || !createdEvent_) return E_OUTOFMEMORY;
    HRESULT hr = CommitAllocator();
    if (FAILED(hr)) return hr;
    ComRef<IReferenceClock> clock;
    (void)Filter()->GetSyncSource(clock.Put());  // S_OK with or without a clock
    {
        CAutoLock stream(&streamLock_);
        stream_.clock = std::move(clock);
    }
    // The thread sees the target state from its first look on: a run from stopped never passes through paused.
    SetState(target, start);
    ResetEvent(stopEvent_);
    ResetEvent(createdEvent_);
    thread_ = CreateThread(nullptr, 0, &CSourceStream::ThreadStart, this, 0, nullptr);
    if (!thread_) {
        (void)CleanupStream();
        return E_OUTOFMEMORY;
    }
    HANDLE waits[2] = {createdEvent_, thread_};
    (void)WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    hr = createResult_;
    if (FAILED(hr)) (void)CleanupStream();  // the thread has ended or is ending by itself
    return hr;
}

HRESULT CSourceStream::StartStream(REFERENCE_TIME start)
{
    SetState(State_Running, start);
    return S_OK;
}

HRESULT CSourceStream::StopStream()
{
    SetState(State_Paused, 0);
    return S_OK;
}

HRESULT CSourceStream::CleanupStream()
{
    CAutoLock lock(lock_);
    SetState(State_Stopped, 0);
    if (stopEvent_) SetEvent(stopEvent_);
    HRESULT result = S_OK;
    // Decommitting first releases a thread that waits for a buffer. The thread is ended even when the decommit
    // fails: the filter reports itself stopped afterwards, and a thread left running would go on filling samples.
    if (IsConnected() && Allocator()) result = DecommitAllocator();
    if (thread_) {
        (void)WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    CAutoLock stream(&streamLock_);
    stream_.clock.Reset();
    return result;
}

void CSourceStream::SetStreamClock(IReferenceClock* clock)
{
    // Held only while streaming; a new thread takes the filter's clock when it starts.
    if (!ThreadExists()) return;
    {
        CAutoLock lock(&streamLock_);
        stream_.clock.CopyFrom(clock);
    }
    if (wakeEvent_) SetEvent(wakeEvent_);
}

bool CSourceStream::ThreadExists()
{
    CAutoLock lock(lock_);
    return thread_ != nullptr;
}

CSourceStream::StreamState CSourceStream::CurrentStreamState()
{
    CAutoLock lock(&streamLock_);
    return stream_;
}

void CSourceStream::SetStreamFrameTime(REFERENCE_TIME frameTime)
{
    {
        CAutoLock lock(&streamLock_);
        stream_.frameTime = frameTime;
    }
    if (wakeEvent_) SetEvent(wakeEvent_);
}

void CSourceStream::WaitForStreamChange(DWORD milliseconds)
{
    HANDLE waits[2] = {wakeEvent_, stopEvent_};
    (void)WaitForMultipleObjects(2, waits, FALSE, milliseconds);
}

uint64_t CSourceStream::StateChanges()
{
    CAutoLock lock(&streamLock_);
    return stateChanges_;
}

bool CSourceStream::StopRequested()
{
    CAutoLock lock(&streamLock_);
    return stream_.state == State_Stopped;
}

DWORD WINAPI CSourceStream::ThreadStart(void* self)
{
    return static_cast<CSourceStream*>(self)->ThreadProc();
}

DWORD CSourceStream::ThreadProc()
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE);
    HRESULT hr;
    try {
        hr = OnThreadCreate();
    } catch (...) {
        hr = E_OUTOFMEMORY;
    }
    createResult_ = hr;
    SetEvent(createdEvent_);
    if (SUCCEEDED(hr)) {
        // A stream that ended by itself idles until the filter changes state again, then goes on (a run after a
        // refused pause, say) or ends (a stop).
        while (!StopRequested()) {
            const uint64_t seen = StateChanges();
            DeliverSamples();
            while (!StopRequested() && StateChanges() == seen) WaitForStreamChange(INFINITE);
        }
    }
    // The thread's end has no one to report to.
    try {
        (void)OnThreadDestroy();
    } catch (...) {
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}

void CSourceStream::DeliverSamples()
{
    while (!StopRequested()) {
        IMediaSample* sample = nullptr;
        HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
        if (FAILED(hr) || !sample) {
            // Decommitted (a stop under way) or starved: look again shortly.
            (void)WaitForSingleObject(stopEvent_, 1);
            continue;
        }
        try {
            hr = FillBuffer(sample);
        } catch (...) {
            // An allocation that failed inside a fill: this sample is lost, the stream goes on.
            hr = S_SAMPLE_DROPPED;
        }
        if (hr == S_SAMPLE_DROPPED) {
            sample->Release();
            (void)WaitForSingleObject(stopEvent_, 1);
            continue;
        }
        if (hr == S_FALSE || FAILED(hr)) {
            sample->Release();
            // Downstream may have gone away already; the stream ends regardless.
            (void)DeliverEndOfStream();
            if (FAILED(hr)) (void)Filter()->NotifyEvent(EC_ERRORABORT, hr, 0);
            return;
        }
        hr = Deliver(sample);
        sample->Release();
        // Downstream refused (stopping, flushing or failed): end quietly.
        if (hr != S_OK) return;
    }
}
