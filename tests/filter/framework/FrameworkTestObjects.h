#pragma once
// Test doubles for the framework tests: a source filter whose stream the test steers, a downstream input pin
// that proposes and accepts chosen types, and an outer unknown for aggregation.
#include "filter/framework/ComRef.h"
#include "filter/framework/MediaType.h"
#include "filter/framework/ModuleObjects.h"
#include "filter/framework/Source.h"
#include "filter/framework/SourceStream.h"

#include <gtest/gtest.h>

#include <vector>

// {5C3B7D21-84E6-4F0A-9B12-3D6E8A4F7C55}
static const CLSID CLSID_FrameworkTestFilter = {
    0x5c3b7d21, 0x84e6, 0x4f0a, {0x9b, 0x12, 0x3d, 0x6e, 0x8a, 0x4f, 0x7c, 0x55}};

// An RGB24 VIDEOINFOHEADER type of the given size.
CMediaType VideoType(int width, int height);

// What the test stream does and what happened to it. Events are created by the constructor.
struct StreamControl {
    StreamControl();
    ~StreamControl();
    StreamControl(const StreamControl&) = delete;
    StreamControl& operator=(const StreamControl&) = delete;

    HRESULT threadCreateResult = S_OK;
    HRESULT fillResult = S_OK;
    bool holdFill = false;          // FillBuffer signals fillEntered and waits for releaseFill
    HANDLE fillEntered;             // auto reset
    HANDLE releaseFill;             // manual reset
    volatile LONG threadCreates = 0;
    volatile LONG threadDestroys = 0;
    volatile LONG fills = 0;
    volatile LONG fillsReturned = 0;
    volatile LONG decideBufferSizeCalls = 0;
};

class CTestStream : public CSourceStream {
public:
    CTestStream(HRESULT* hr, CSource* filter, StreamControl* control);

    // Replaces the pin's type list (the first becomes current) and marks it changed.
    void SetTypes(const std::vector<CMediaType>& types);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadDestroy() override;
    HRESULT FillBuffer(IMediaSample* sample) override;

private:
    StreamControl* control_;
    std::vector<CMediaType> types_;
};

class CTestFilter : public CSource {
public:
    CTestFilter(IUnknown* outer, StreamControl* control, int pinCount = 1);
    CTestStream* Stream(int index = 0) { return static_cast<CTestStream*>(GetPin(index)); }
    // A new filter with one reference, seen as its IBaseFilter.
    static ComRef<IBaseFilter> Make(StreamControl* control, CTestFilter** object = nullptr, int pinCount = 1);
};

// A downstream input pin (IPin + IMemInputPin) with its own reference count.
class FakeInputPin : public IPin, public IMemInputPin {
public:
    static ComRef<FakeInputPin> Make();

    std::vector<CMediaType> proposals;     // what EnumMediaTypes lists
    std::vector<CMediaType> acceptable;    // what ReceiveConnection accepts (empty: everything)
    HRESULT receiveResult = S_OK;
    IMemAllocator* offeredAllocator = nullptr;  // GetAllocator's answer (owned), or VFW_E_NO_ALLOCATOR
    ComRef<IMemAllocator> notifiedAllocator;
    BOOL notifiedReadOnly = TRUE;
    ComRef<IPin> connectedTo;
    CMediaType connectionType;
    volatile LONG received = 0;
    volatile LONG endOfStreams = 0;
    volatile LONG receiveConnectionCalls = 0;
    HANDLE receivedEvent;     // auto reset, set by every Receive
    HANDLE endOfStreamEvent;  // auto reset, set by every EndOfStream
    LONG Refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPin
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }
    // IMemInputPin
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

private:
    FakeInputPin();
    virtual ~FakeInputPin();
    volatile LONG refs_ = 0;
};

// An aggregating outer object: its own IUnknown, everything else from the inner object.
class FakeOuter : public IUnknown {
public:
    FakeOuter() = default;
    virtual ~FakeOuter() = default;
    IUnknown* inner = nullptr;  // the inner's non-delegating unknown, owned
    LONG Refs() const { return refs_; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

private:
    volatile LONG refs_ = 1;
};

// The reference count an interface reports after an AddRef/Release pair.
ULONG RefCountOf(IUnknown* object);
// Waits for `event` at most 10 seconds; true when it was signalled.
bool WaitSignalled(HANDLE event, DWORD timeoutMs = 10000);

// Every framework test checks that it leaves no framework object alive.
class FrameworkTest : public testing::Test {
protected:
    void SetUp() override { objectsAtStart_ = ModuleObjectCount(); }
    void TearDown() override { EXPECT_EQ(ModuleObjectCount(), objectsAtStart_) << "framework objects leaked"; }

private:
    long objectsAtStart_ = 0;
};
