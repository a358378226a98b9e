#pragma once
// CBasePin: connection logic, media type and pin identity shared by the framework's pins.
// CBaseOutputPin: an output pin that delivers samples to a downstream IMemInputPin through an allocator it
// decides at connection time.
// A pin is owned by its filter: its AddRef and Release go to the filter, and the filter deletes it.
#include "filter/framework/CritSec.h"
#include "filter/framework/MediaType.h"
#include "filter/framework/Unknown.h"

#include <windows.h>
#include <dshow.h>

#include <string>

class CSource;

class CBasePin : public CUnknown, public IPin, public IQualityControl {
public:
    // `lock` is the filter's state lock. `hr` is not changed here (derived pins report their own failures).
    CBasePin(CSource* filter, CCritSec* lock, HRESULT* hr, const wchar_t* name, PIN_DIRECTION direction);
    ~CBasePin() override;

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    // A pin lives as long as its filter: references on the pin are references on the filter.
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin* receiver, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IQualityControl
    HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;
    HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

    // What a derived pin implements: which types it accepts, and its own types by position (S_OK, or S_FALSE /
    // VFW_S_NO_MORE_ITEMS past the end; negative positions E_INVALIDARG).
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    // The current media type becomes `type`.
    virtual HRESULT SetMediaType(const CMediaType* type);
    // Connection steps: whether `pin` may be connected at all, what to do once the receiver accepted, and how to
    // undo a connection.
    virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT CompleteConnect(IPin* receiver);
    virtual HRESULT BreakConnect();
    // Stream hooks, told by the filter under its state lock: leaving the stopped state for `target` (paused, or
    // running from `start`), running from paused, pausing from running, back to stopped, and a new reference
    // clock. The filter changes its state only when the hooks succeeded.
    virtual HRESULT InitStream(FILTER_STATE /*target*/, REFERENCE_TIME /*start*/) { return S_OK; }
    virtual HRESULT StartStream(REFERENCE_TIME /*start*/) { return S_OK; }
    virtual HRESULT StopStream() { return S_OK; }
    virtual HRESULT CleanupStream() { return S_OK; }
    virtual void SetStreamClock(IReferenceClock* /*clock*/) {}
    virtual bool CanReconnectWhenActive() { return false; }

    bool IsConnected() const { return connected_ != nullptr; }
    // The connected pin without a reference, or null.
    IPin* GetConnected() const { return connected_; }
    CSource* Filter() const { return filter_; }
    bool IsStopped();
    // A copy of the current media type, taken under the type lock.
    CMediaType CurrentMediaType();
    const std::wstring& Name() const { return name_; }

    // Media type enumerators made before a change of the pin's type list fail with VFW_E_ENUM_OUT_OF_SYNC.
    LONG GetMediaTypeVersion() const { return typeVersion_; }
    void IncrementTypeVersion() { InterlockedIncrement(&typeVersion_); }

protected:
    // The current media type. Every read and write goes through typeLock_, which a pin's own configuration
    // interface may take without the filter's state lock; it is taken last and never held while calling out.
    CMediaType mediaType_;
    CCritSec typeLock_;
    CCritSec* lock_;
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME segmentStop_ = 0;
    double segmentRate_ = 1.0;

private:
    HRESULT AgreeMediaType(IPin* receiver, const AM_MEDIA_TYPE* type);
    // Tries each type of `types` that matches `partial` (if any). S_OK when one connected; otherwise the failure
    // worth reporting, or VFW_E_NO_ACCEPTABLE_TYPES.
    HRESULT TryMediaTypes(IPin* receiver, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types);
    HRESULT AttemptConnection(IPin* receiver, const CMediaType& type);
    void DisconnectInternal();

    CSource* filter_;
    std::wstring name_;
    PIN_DIRECTION direction_;
    IPin* connected_ = nullptr;
    IQualityControl* qualitySink_ = nullptr;  // not referenced, as the interface defines
    volatile LONG typeVersion_ = 1;
};

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(CSource* filter, CCritSec* lock, HRESULT* hr, const wchar_t* name);
    ~CBaseOutputPin() override;

    // IPin calls that belong to input pins.
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return E_UNEXPECTED; }

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receiver) override;
    HRESULT BreakConnect() override;
    // Commit / decommit the allocator (VFW_E_NO_ALLOCATOR without one).
    HRESULT CommitAllocator();
    HRESULT DecommitAllocator();

    // Sets the allocator's buffer count and size (through SetProperties), under the filter's state lock.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    // Downstream's allocator first, else a new memory allocator; downstream is told (not read-only).
    virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
    // A new CLSID_MemoryAllocator.
    virtual HRESULT InitAllocator(IMemAllocator** allocator);

    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    IMemAllocator* Allocator() const { return allocator_; }

protected:
    IMemInputPin* inputPin_ = nullptr;
    IMemAllocator* allocator_ = nullptr;
};
