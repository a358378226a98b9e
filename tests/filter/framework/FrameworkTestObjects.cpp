#include "FrameworkTestObjects.h"

#include <new>

CMediaType VideoType(int width, int height)
{
    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_RGB24);
    type.SetFormatType(&FORMAT_VideoInfo);
    const ULONG bytes = static_cast<ULONG>(((width * 3 + 3) & ~3) * height);
    type.SetSampleSize(bytes);
    auto* header = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (header) {
        header->AvgTimePerFrame = 333333;
        header->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        header->bmiHeader.biWidth = width;
        header->bmiHeader.biHeight = height;
        header->bmiHeader.biPlanes = 1;
        header->bmiHeader.biBitCount = 24;
        header->bmiHeader.biSizeImage = bytes;
    }
    return type;
}

StreamControl::StreamControl()
    : fillEntered(CreateEventW(nullptr, FALSE, FALSE, nullptr)), releaseFill(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

StreamControl::~StreamControl()
{
    CloseHandle(fillEntered);
    CloseHandle(releaseFill);
}

CTestStream::CTestStream(HRESULT* hr, CSource* filter, StreamControl* control)
    : CSourceStream(hr, filter, L"Output"), control_(control)
{
    SetTypes({VideoType(64, 48), VideoType(32, 24)});
}

void CTestStream::SetTypes(const std::vector<CMediaType>& types)
{
    types_ = types;
    if (!types_.empty()) (void)SetMediaType(&types_.front());
    IncrementTypeVersion();
}

HRESULT CTestStream::CheckMediaType(const CMediaType* type)
{
    for (const CMediaType& own : types_) {
        if (own == *type) return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT CTestStream::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position >= static_cast<int>(types_.size())) return VFW_S_NO_MORE_ITEMS;
    return type->Set(types_[static_cast<size_t>(position)]);
}

HRESULT CTestStream::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request)
{
    InterlockedIncrement(&control_->decideBufferSizeCalls);
    request->cBuffers = 1;
    request->cbBuffer = static_cast<long>(mediaType_.GetSampleSize());
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT CTestStream::OnThreadCreate()
{
    InterlockedIncrement(&control_->threadCreates);
    return control_->threadCreateResult;
}

HRESULT CTestStream::OnThreadDestroy()
{
    InterlockedIncrement(&control_->threadDestroys);
    return S_OK;
}

HRESULT CTestStream::FillBuffer(IMediaSample* /*sample*/)
{
    InterlockedIncrement(&control_->fills);
    if (control_->holdFill) {
        SetEvent(control_->fillEntered);
        WaitForSingleObject(control_->releaseFill, INFINITE);
    }
    InterlockedIncrement(&control_->fillsReturned);
    return control_->fillResult;
}

CTestFilter::CTestFilter(IUnknown* outer, StreamControl* control, int pinCount)
    : CSource(L"Framework Test Filter", outer, CLSID_FrameworkTestFilter)
{
    HRESULT hr = S_OK;
    for (int i = 0; i < pinCount; ++i) new CTestStream(&hr, this, control);
}

ComRef<IBaseFilter> CTestFilter::Make(StreamControl* control, CTestFilter** object, int pinCount)
{
    auto* filter = new CTestFilter(nullptr, control, pinCount);
    if (object) *object = filter;
    ComRef<IBaseFilter> result;
    // The only reference: the query adds it to a count of zero.
    EXPECT_EQ(filter->NonDelegatingQueryInterface(IID_IBaseFilter, result.PutVoid()), S_OK);
    return result;
}

namespace {

// Lists a fixed set of types; enough of IEnumMediaTypes for a connecting output pin.
class FakeTypeEnumerator : public IEnumMediaTypes {
public:
    explicit FakeTypeEnumerator(const std::vector<CMediaType>& types) : types_(types) {}
    virtual ~FakeTypeEnumerator() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumMediaTypes)) return E_NOINTERFACE;
        *object = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = InterlockedDecrement(&refs_);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override
    {
        ULONG given = 0;
        while (given < count && position_ < types_.size()) types[given++] = CreateMediaType(&types_[position_++]);
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        position_ += count;
        return position_ <= types_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes**) override { return E_NOTIMPL; }

private:
    std::vector<CMediaType> types_;
    size_t position_ = 0;
    volatile LONG refs_ = 0;
};

}  // namespace

FakeInputPin::FakeInputPin()
    : receivedEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)), endOfStreamEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

FakeInputPin::~FakeInputPin()
{
    if (offeredAllocator) offeredAllocator->Release();
    CloseHandle(receivedEvent);
    CloseHandle(endOfStreamEvent);
}

ComRef<FakeInputPin> FakeInputPin::Make()
{
    ComRef<FakeInputPin> pin;
    FakeInputPin* created = new FakeInputPin();
    created->AddRef();
    pin.Attach(created);
    return pin;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin))
        *object = static_cast<IPin*>(this);
    else if (IsEqualIID(iid, IID_IMemInputPin))
        *object = static_cast<IMemInputPin*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE FakeInputPin::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG STDMETHODCALLTYPE FakeInputPin::Release()
{
    LONG count = InterlockedDecrement(&refs_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    InterlockedIncrement(&receiveConnectionCalls);
    if (!connector || !type) return E_POINTER;
    if (connectedTo) return VFW_E_ALREADY_CONNECTED;
    bool accepted = acceptable.empty();
    for (const CMediaType& candidate : acceptable) accepted = accepted || candidate == *type;
    if (!accepted) return VFW_E_TYPE_NOT_ACCEPTED;
    connectedTo.CopyFrom(connector);
    connectionType = *type;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::Disconnect()
{
    if (!connectedTo) return S_FALSE;
    connectedTo.Reset();
    notifiedAllocator.Reset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    *pin = connectedTo.Get();
    if (!*pin) return VFW_E_NOT_CONNECTED;
    (*pin)->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    return CopyMediaType(type, &connectionType);
}

HRESULT STDMETHODCALLTYPE FakeInputPin::QueryPinInfo(PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = nullptr;
    info->achName[0] = L'\0';
    info->dir = PINDIR_INPUT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = PINDIR_INPUT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::QueryId(LPWSTR* id)
{
    if (!id) return E_POINTER;
    *id = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    auto* enumerator = new FakeTypeEnumerator(proposals);
    return enumerator->QueryInterface(IID_IEnumMediaTypes, reinterpret_cast<void**>(types));
}

HRESULT STDMETHODCALLTYPE FakeInputPin::EndOfStream()
{
    InterlockedIncrement(&endOfStreams);
    SetEvent(endOfStreamEvent);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::GetAllocator(IMemAllocator** allocator)
{
    if (!allocator) return E_POINTER;
    *allocator = offeredAllocator;
    if (!offeredAllocator) return VFW_E_NO_ALLOCATOR;
    offeredAllocator->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    notifiedAllocator.CopyFrom(allocator);
    notifiedReadOnly = readOnly;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::Receive(IMediaSample* /*sample*/)
{
    InterlockedIncrement(&received);
    SetEvent(receivedEvent);
    return receiveResult;
}

HRESULT STDMETHODCALLTYPE FakeInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed)
{
    long done = 0;
    HRESULT hr = S_OK;
    while (done < count && hr == S_OK) {
        hr = Receive(samples[done]);
        ++done;
    }
    if (processed) *processed = done;
    return hr;
}

HRESULT STDMETHODCALLTYPE FakeOuter::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
}

ULONG RefCountOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

bool WaitSignalled(HANDLE event, DWORD timeoutMs)
{
    return WaitForSingleObject(event, timeoutMs) == WAIT_OBJECT_0;
}
