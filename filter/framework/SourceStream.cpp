#include "filter/framework/SourceStream.h"

#include "filter/framework/Source.h"

CSourceStream::CSourceStream(HRESULT* hr, CSource* filter, const wchar_t* pinName)
    : CBaseOutputPin(filter, filter->pStateLock(), hr, pinName)
{
    HRESULT added = filter->AddPin(this);
    if (FAILED(added) && hr) *hr = added;
}

CSourceStream::~CSourceStream()
{
    Filter()->RemovePin(this);
}

HRESULT CSourceStream::Active()
{
    CAutoLock lock(lock_);
    if (Filter()->IsActive()) return S_FALSE;
    if (!IsConnected()) return S_OK;
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    if (!Create()) {
        (void)CBaseOutputPin::Inactive();  // undoes the commit; the failure is what counts
        return E_FAIL;
    }
    hr = Init();
    if (FAILED(hr)) {
        // The thread has ended after OnThreadCreate failed.
        Close();
        (void)CBaseOutputPin::Inactive();
        return hr;
    }
    return Pause();
}

HRESULT CSourceStream::Inactive()
{
    CAutoLock lock(lock_);
    HRESULT result = S_OK;
    // Decommitting first releases a thread that waits for a buffer. The thread is stopped even when the decommit
    // fails: the filter reports itself stopped afterwards, and a thread left running would go on filling samples.
    if (IsConnected()) result = CBaseOutputPin::Inactive();
    if (ThreadExists()) {
        HRESULT hr = Stop();
        if (SUCCEEDED(hr)) hr = Exit();
        // A thread that did not answer has ended (CallWorker reports that as a failure); Close waits for it either
        // way.
        Close();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

DWORD CSourceStream::ThreadProc()
{
    HRESULT com = CoInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE);
    DWORD command;
    do {
        command = GetRequest();
        if (command != CMD_INIT) Reply(static_cast<DWORD>(E_UNEXPECTED));
    } while (command != CMD_INIT);

    HRESULT hr = OnThreadCreate();
    if (FAILED(hr)) {
        // The thread ends either way; the pause fails with the reason.
        (void)OnThreadDestroy();
        Reply(static_cast<DWORD>(hr));
        if (SUCCEEDED(com)) CoUninitialize();
        return 1;
    }
    Reply(S_OK);

    do {
        command = GetRequest();
        switch (command) {
        case CMD_PAUSE:
        case CMD_RUN:
            Reply(S_OK);
            // How the loop ended matters only to graph events, which it raised itself.
            (void)DoBufferProcessingLoop();
            break;
        case CMD_STOP:
        case CMD_EXIT:
            Reply(S_OK);
            break;
        default:
            Reply(static_cast<DWORD>(E_NOTIMPL));
            break;
        }
    } while (command != CMD_EXIT);

    // The thread's end has no one to report to.
    (void)OnThreadDestroy();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop()
{
    // A failing start hook does not stop the stream: the derived stream decides through FillBuffer.
    (void)OnThreadStartPlay();
    DWORD command;
    do {
        while (!CheckRequest(&command)) {
            IMediaSample* sample = nullptr;
            HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
            if (FAILED(hr) || !sample) {
                // Decommitted or starved: retry until a command arrives.
                Sleep(1);
                continue;
            }
            hr = FillBuffer(sample);
            if (hr == S_FALSE) {
                sample->Release();
                // Downstream may have gone away already; the stream ends regardless.
                (void)DeliverEndOfStream();
                return S_OK;
            }
            if (FAILED(hr)) {
                sample->Release();
                (void)DeliverEndOfStream();
                (void)Filter()->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
            hr = Deliver(sample);
            sample->Release();
            // Downstream refused (stopping, flushing or failed): end quietly.
            if (hr != S_OK) return S_OK;
        }
        if (command == CMD_RUN || command == CMD_PAUSE) {
            (void)GetRequest();
            Reply(S_OK);
        } else if (command != CMD_STOP) {
            (void)GetRequest();
            Reply(static_cast<DWORD>(E_UNEXPECTED));
        }
    } while (command != CMD_STOP);
    return S_FALSE;
}
