#pragma once
// CSource: a source filter owning an array of output pins. It keeps the filter state, the reference clock, the
// graph it joined (without a reference, as the graph owns the filter) and a name, and drives its pins through the
// state changes. The pins register themselves at construction; the filter deletes them, last to first.
#include "filter/framework/CritSec.h"
#include "filter/framework/Unknown.h"

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

class CBasePin;

class CSource : public CUnknown, public IBaseFilter, public IAMovieSetup {
public:
    CSource(const wchar_t* name, IUnknown* outer, REFCLSID classId);
    ~CSource() override;

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

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
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;
    // IAMovieSetup: registration belongs to the module's DllRegisterServer.
    HRESULT STDMETHODCALLTYPE Register() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unregister() override { return E_NOTIMPL; }

    // Pin array. A pin adds itself at construction and removes itself at destruction.
    int GetPinCount();
    // The pin at 0-based position `index` without a reference, or null.
    CBasePin* GetPin(int index);
    // The 1-based position of `pin`, or 0 when it is not in the array.
    int FindPinNumber(const CBasePin* pin);
    HRESULT AddPin(CBasePin* pin);
    bool RemovePin(CBasePin* pin);
    // Changes whenever the pin array changes; pin enumerators compare it.
    LONG PinVersion() const { return pinVersion_; }

    // The filter's state lock: state changes, pin activation and the allocator decision run under it.
    CCritSec* pStateLock() { return &stateLock_; }
    bool IsActive();
    bool IsStopped();
    FILTER_STATE State();
    REFERENCE_TIME StartTime();
    // Raises a graph event through the event sink of the graph the filter joined (E_NOTIMPL without one).
    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
    IFilterGraph* GetFilterGraph();

private:
    // Tells every connected pin to leave the stopped state; on a failure the pins told so far go back to stopped.
    HRESULT InitStreams(FILTER_STATE target, REFERENCE_TIME start);

    CCritSec stateLock_;
    FILTER_STATE state_ = State_Stopped;
    IReferenceClock* clock_ = nullptr;
    REFERENCE_TIME start_ = 0;
    CLSID classId_;
    std::wstring name_;
    IFilterGraph* graph_ = nullptr;      // not referenced: the graph holds the filter
    IMediaEventSink* sink_ = nullptr;    // not referenced, for the same reason
    std::vector<CBasePin*> pins_;
    LONG pinVersion_ = 1;
};
