#include "tools/GreedySink.h"

#include <cstring>
#include <new>

namespace {

const wchar_t kPinId[] = L"In";

bool IsAcceptedType(const AM_MEDIA_TYPE* type)
{
    if (!type || !IsEqualGUID(type->majortype, MEDIATYPE_Video) || !IsEqualGUID(type->subtype, MEDIASUBTYPE_RGB24) ||
        !IsEqualGUID(type->formattype, FORMAT_VideoInfo) || !type->pbFormat ||
        type->cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    return bitmap.biBitCount == 24 && bitmap.biCompression == BI_RGB && bitmap.biWidth > 0 && bitmap.biHeight != 0;
}

}  // namespace

// The input pin: part of the filter object, so its references are the filter's.
class GreedySink::Pin final : public IPin, public IMemInputPin {
public:
    explicit Pin(GreedySink* filter) : filter_(filter) {}
    ~Pin()
    {
        if (connected_) connected_->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin))
            *object = static_cast<IPin*>(this);
        else if (IsEqualIID(iid, IID_IMemInputPin))
            *object = static_cast<IMemInputPin*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return filter_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return filter_->Release(); }

    // IPin: only an output pin starts a connection.
    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override
    {
        if (!connector || !type) return E_POINTER;
        CAutoLock lock(&filter_->lock_);
        if (connected_) return VFW_E_ALREADY_CONNECTED;
        if (filter_->state_ != State_Stopped) return VFW_E_NOT_STOPPED;
        if (!IsAcceptedType(type)) return VFW_E_TYPE_NOT_ACCEPTED;
        HRESULT hr = type_.Set(*type);
        if (FAILED(hr)) return hr;
        connected_ = connector;
        connected_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        CAutoLock lock(&filter_->lock_);
        if (filter_->state_ != State_Stopped) return VFW_E_NOT_STOPPED;
        if (!connected_) return S_FALSE;
        connected_->Release();
        connected_ = nullptr;
        type_.InitMediaType();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override
    {
        if (!pin) return E_POINTER;
        CAutoLock lock(&filter_->lock_);
        *pin = connected_;
        if (!connected_) return VFW_E_NOT_CONNECTED;
        connected_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override
    {
        if (!type) return E_POINTER;
        CAutoLock lock(&filter_->lock_);
        std::memset(type, 0, sizeof *type);
        if (!connected_) return VFW_E_NOT_CONNECTED;
        return CopyMediaType(type, &type_);
    }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override
    {
        if (!info) return E_POINTER;
        info->pFilter = filter_;
        filter_->AddRef();
        info->dir = PINDIR_INPUT;
        wcsncpy(info->achName, kPinId, MAX_PIN_NAME);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override
    {
        if (!direction) return E_POINTER;
        *direction = PINDIR_INPUT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override
    {
        if (!id) return E_POINTER;
        *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof kPinId));
        if (!*id) return E_OUTOFMEMORY;
        std::memcpy(*id, kPinId, sizeof kPinId);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override
    {
        return IsAcceptedType(type) ? S_OK : S_FALSE;
    }
    // No preferred types: the output pin proposes its own.
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IMemInputPin: no allocator of its own, so the output pin brings one.
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override
    {
        if (!allocator) return E_POINTER;
        *allocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL) override
    {
        return allocator ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override { return filter_->Receive(sample); }
    HRESULT STDMETHODCALLTYPE ReceiveMultiple(IMediaSample** samples, long count, long* processed) override
    {
        if (!samples || !processed) return E_POINTER;
        *processed = 0;
        for (long i = 0; i < count; ++i) {
            const HRESULT hr = filter_->Receive(samples[i]);
            if (hr != S_OK) return hr;
            ++*processed;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_FALSE; }

    CMediaType Type()
    {
        CAutoLock lock(&filter_->lock_);
        return type_;
    }

private:
    GreedySink* filter_;
    IPin* connected_ = nullptr;  // referenced
    CMediaType type_;
};

// Enumerates the one pin; holds a reference on the filter.
class GreedySink::PinEnumerator final : public IEnumPins {
public:
    PinEnumerator(GreedySink* filter, ULONG position) : filter_(filter), position_(position) { filter_->AddRef(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumPins)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override
    {
        if (!pins || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        if (count > 0 && position_ == 0) {
            pins[0] = filter_->InputPin();
            pins[0]->AddRef();
            position_ = given = 1;
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        const ULONG left = 1 - position_;
        position_ = count >= left ? 1 : position_ + count;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override
    {
        if (!clone) return E_POINTER;
        *clone = new (std::nothrow) PinEnumerator(filter_, position_);
        return *clone ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~PinEnumerator() { filter_->Release(); }

    std::atomic<ULONG> references_{1};
    GreedySink* filter_;
    ULONG position_;
};

ComRef<GreedySink> GreedySink::Create(size_t copies)
{
    ComRef<GreedySink> sink;
    sink.Attach(new (std::nothrow) GreedySink(copies));
    return sink;
}

GreedySink::GreedySink(size_t copies)
    : copies_(copies), pin_(new Pin(this)), arrived_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

GreedySink::~GreedySink()
{
    delete pin_;
    if (clock_) clock_->Release();
    if (arrived_) CloseHandle(arrived_);
}

IPin* GreedySink::InputPin()
{
    return pin_;
}

CMediaType GreedySink::ConnectedType()
{
    return pin_->Type();
}

std::vector<SinkArrival> GreedySink::Take()
{
    CAutoLock lock(&arrivalsLock_);
    std::vector<SinkArrival> taken;
    taken.swap(arrivals_);
    return taken;
}

bool GreedySink::WaitForCount(size_t count, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (Count() < count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline || !arrived_) return false;
        (void)WaitForSingleObject(arrived_, static_cast<DWORD>(deadline - now));
    }
    return true;
}

HRESULT GreedySink::Receive(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    SinkArrival arrival;
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    arrival.counter = counter.QuadPart;
    ComRef<IReferenceClock> clock;
    REFERENCE_TIME runStart = 0;
    {
        CAutoLock lock(&lock_);
        if (state_ == State_Stopped) return VFW_E_WRONG_STATE;
        if (state_ == State_Running) clock.CopyFrom(clock_);
        runStart = runStart_;
    }
    REFERENCE_TIME now = 0;
    if (clock && SUCCEEDED(clock->GetTime(&now))) {
        arrival.hasStreamTime = true;
        arrival.streamTime = now - runStart;
    }
    const HRESULT times = sample->GetTime(&arrival.start, &arrival.end);
    arrival.hasStart = SUCCEEDED(times);
    arrival.hasEnd = times == S_OK;
    BYTE* data = nullptr;
    const long length = sample->GetActualDataLength();
    // Only the streaming thread counts, so the number read here is this sample's.
    if (count_.load() < copies_ && SUCCEEDED(sample->GetPointer(&data)) && data && length > 0)
        arrival.bytes.assign(data, data + length);
    {
        CAutoLock lock(&arrivalsLock_);
        arrivals_.push_back(std::move(arrival));
    }
    ++count_;
    if (arrived_) SetEvent(arrived_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IBaseFilter)) {
        *object = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE GreedySink::AddRef()
{
    return ++references_;
}

ULONG STDMETHODCALLTYPE GreedySink::Release()
{
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE GreedySink::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = GUID_NULL;  // not a registered class
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::Stop()
{
    CAutoLock lock(&lock_);
    state_ = State_Stopped;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::Pause()
{
    CAutoLock lock(&lock_);
    state_ = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::Run(REFERENCE_TIME start)
{
    CAutoLock lock(&lock_);
    state_ = State_Running;
    runStart_ = start;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::GetState(DWORD, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    CAutoLock lock(&lock_);
    *state = state_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::SetSyncSource(IReferenceClock* clock)
{
    CAutoLock lock(&lock_);
    if (clock) clock->AddRef();
    if (clock_) clock_->Release();
    clock_ = clock;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    CAutoLock lock(&lock_);
    *clock = clock_;
    if (clock_) clock_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::EnumPins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) PinEnumerator(this, 0);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE GreedySink::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    if (std::wcscmp(id, kPinId) != 0) return VFW_E_NOT_FOUND;
    *pin = pin_;
    pin_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    CAutoLock lock(&lock_);
    wcsncpy(info->achName, name_.c_str(), MAX_FILTER_NAME - 1);
    info->achName[MAX_FILTER_NAME - 1] = L'\0';
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    CAutoLock lock(&lock_);
    graph_ = graph;
    name_ = name ? name : L"";
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GreedySink::QueryVendorInfo(LPWSTR*)
{
    return E_NOTIMPL;
}
