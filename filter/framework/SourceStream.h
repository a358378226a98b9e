#pragma once
// CSourceStream: an output pin with its own streaming thread. While the filter is paused or running and the pin is
// connected, the thread gets a buffer from the allocator, has the derived pin fill it (FillBuffer) and delivers it
// downstream, again and again, checking for commands between samples.
#include "filter/framework/AMThread.h"
#include "filter/framework/BasePin.h"

class CSourceStream : public CAMThread, public CBaseOutputPin {
public:
    enum Command : DWORD { CMD_INIT = 0, CMD_PAUSE = 1, CMD_RUN = 2, CMD_STOP = 3, CMD_EXIT = 4 };

    // Adds itself to `filter`'s pin array; `hr` receives E_OUTOFMEMORY when that fails.
    CSourceStream(HRESULT* hr, CSource* filter, const wchar_t* pinName);
    ~CSourceStream() override;

    // Starts the thread (when connected and the filter was stopped); Inactive stops and ends it.
    HRESULT Active() override;
    HRESULT Inactive() override;

    // What a derived stream implements: fill one sample (S_OK deliver it, S_FALSE end of stream, failure: abort).
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    // Thread hooks: after the thread starts (a failure fails the pause), before it ends, and each time the
    // buffer loop starts.
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }

    // Commands to the thread; each waits for the thread's reply.
    HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
    HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }
    HRESULT Run() { return static_cast<HRESULT>(CallWorker(CMD_RUN)); }
    HRESULT Pause() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
    HRESULT Stop() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }
    using CBaseOutputPin::Run;

protected:
    DWORD ThreadProc() override;
    // Serves samples until a stop is pending or delivery ends.
    virtual HRESULT DoBufferProcessingLoop();
};
