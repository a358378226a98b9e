#pragma once
// CSourceStream: an output pin with its own streaming thread. What the stream should do lives in one record
// (state, start time, reference clock, frame period) under one lock with one wake event; the filter's Stop,
// Pause, Run and SetSyncSource set it through the pin's stream hooks. The thread is created when the filter
// leaves the stopped state with the pin connected and ends when it returns to stopped; meanwhile it gets a buffer
// from the allocator, has the derived pin fill it (FillBuffer) and delivers it downstream, again and again.
#include "filter/framework/BasePin.h"
#include "filter/framework/ComRef.h"

#include <cstdint>

class CSourceStream : public CBaseOutputPin {
public:
    // What FillBuffer answers for a sample it could not write (its buffer cannot be had): the sample is dropped,
    // not delivered, and the stream goes on.
    static constexpr HRESULT S_SAMPLE_DROPPED = 0x00040300;  // a success code of FACILITY_ITF

    // Adds itself to `filter`'s pin array; `hr` receives E_OUTOFMEMORY when that fails.
    CSourceStream(HRESULT* hr, CSource* filter, const wchar_t* pinName);
    ~CSourceStream() override;

    // Stream hooks (the filter calls them under its state lock).
    HRESULT InitStream(FILTER_STATE target, REFERENCE_TIME start) override;
    HRESULT StartStream(REFERENCE_TIME start) override;
    HRESULT StopStream() override;
    HRESULT CleanupStream() override;
    void SetStreamClock(IReferenceClock* clock) override;

    // What a derived stream implements: fill one sample (S_OK deliver it, S_SAMPLE_DROPPED drop it, S_FALSE end
    // of stream, failure: end of stream and an error event).
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    // On the streaming thread, right after it starts (a failure fails the state change) and before it ends.
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }

    bool ThreadExists();
    // Signalled from the moment the stream is told to stop until a thread is started again: a FillBuffer that
    // waits for anything waits for this as well.
    HANDLE StopHandle() const { return stopEvent_; }

    struct StreamState {
        FILTER_STATE state = State_Stopped;
        REFERENCE_TIME start = 0;  // the filter's start time while running
        ComRef<IReferenceClock> clock;
        REFERENCE_TIME frameTime = 0;  // 100-ns units; set by the derived pin for its current type
    };
    StreamState CurrentStreamState();
    void SetStreamFrameTime(REFERENCE_TIME frameTime);
    // Streaming thread: waits until the record changes, a stop is requested or `milliseconds` pass.
    void WaitForStreamChange(DWORD milliseconds);

private:
    static DWORD WINAPI ThreadStart(void* self);
    DWORD ThreadProc();
    // Delivers samples until a stop is requested or delivery ends by itself (end of stream, downstream refusal).
    void DeliverSamples();
    bool StopRequested();
    // Counts the changes of state and start time, so that a stream that ended by itself waits for the next one.
    uint64_t StateChanges();
    void SetState(FILTER_STATE state, REFERENCE_TIME start);

    CCritSec streamLock_;  // guards stream_ only; taken last and never held while calling out
    StreamState stream_;
    uint64_t stateChanges_ = 0;
    HANDLE wakeEvent_ = nullptr;     // auto reset: set by every change of the record
    HANDLE stopEvent_ = nullptr;     // manual reset
    HANDLE createdEvent_ = nullptr;  // auto reset: the thread has run OnThreadCreate
    HRESULT createResult_ = S_OK;
    HANDLE thread_ = nullptr;        // touched only under the filter's state lock
};
