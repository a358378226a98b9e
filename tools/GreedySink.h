#pragma once
// A renderer for measuring a video source as a host's graph runs it: one input pin that takes uncompressed RGB24
// video (FORMAT_VideoInfo) and accepts every sample at once. It notes when each sample arrived, on the
// performance counter and on the graph's clock, its stamps and, if asked, a copy of its bytes. It keeps no
// sample, so the upstream allocator has its buffer back as soon as Receive returns, and it never waits: the
// source alone sets the pace.
#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "filter/framework/ComRef.h"
#include "filter/framework/CritSec.h"
#include "filter/framework/MediaType.h"

struct SinkArrival {
    LONGLONG counter = 0;  // QueryPerformanceCounter when Receive was called
    // Running with a reference clock: the clock's time less the start time the graph gave, when Receive was called.
    bool hasStreamTime = false;
    REFERENCE_TIME streamTime = 0;
    bool hasStart = false;  // GetTime gave a start (VFW_S_NO_STOP_TIME or S_OK)
    bool hasEnd = false;    // GetTime gave both times (S_OK)
    REFERENCE_TIME start = 0;
    REFERENCE_TIME end = 0;
    std::vector<uint8_t> bytes;  // the sample's data, for the samples the sink copies
};

class GreedySink final : public IBaseFilter {
public:
    // A new sink (one reference, held by the result) that copies the data of the first `copies` samples.
    static ComRef<GreedySink> Create(size_t copies);

    // The input pin, without a reference.
    IPin* InputPin();
    // The connected media type (empty when not connected).
    CMediaType ConnectedType();

    // Samples received since the sink was made.
    size_t Count() const { return count_.load(); }
    // Moves out what arrived since the last call.
    std::vector<SinkArrival> Take();
    // True once `count` samples arrived in all (see Count), false when timeoutMs passed first.
    bool WaitForCount(size_t count, DWORD timeoutMs);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

private:
    class Pin;
    class PinEnumerator;

    explicit GreedySink(size_t copies);
    ~GreedySink();
    GreedySink(const GreedySink&) = delete;
    GreedySink& operator=(const GreedySink&) = delete;

    HRESULT Receive(IMediaSample* sample);

    std::atomic<ULONG> references_{1};
    const size_t copies_;
    Pin* pin_;  // owned; its references are the filter's

    // State, clock, graph and connection.
    CCritSec lock_;
    FILTER_STATE state_ = State_Stopped;
    REFERENCE_TIME runStart_ = 0;
    IReferenceClock* clock_ = nullptr;  // referenced
    IFilterGraph* graph_ = nullptr;     // not referenced: the graph holds the filter
    std::wstring name_;

    CCritSec arrivalsLock_;
    std::vector<SinkArrival> arrivals_;
    std::atomic<size_t> count_{0};
    HANDLE arrived_;  // auto-reset, set at each arrival
};
