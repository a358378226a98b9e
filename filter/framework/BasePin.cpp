#include "filter/framework/BasePin.h"

#include "filter/framework/ComRef.h"
#include "filter/framework/Enumerators.h"
#include "filter/framework/Source.h"

#include <cwchar>

namespace {

// A checker's plain refusal, as opposed to a failure worth reporting to the caller of Connect.
bool IsPlainRefusal(HRESULT hr)
{
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

}  // namespace

CBasePin::CBasePin(CSource* filter, CCritSec* lock, HRESULT* /*hr*/, const wchar_t* name, PIN_DIRECTION direction)
    : CUnknown(nullptr), lock_(lock), filter_(filter), name_(name ? name : L""), direction_(direction)
{
}

CBasePin::~CBasePin()
{
    // The filter is being destroyed; a pin still connected lets go of its peer without telling it.
    if (connected_) {
        connected_->Release();
        connected_ = nullptr;
    }
}

HRESULT STDMETHODCALLTYPE CBasePin::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IPin)) return GetInterface(static_cast<IPin*>(this), object);
    if (IsEqualIID(iid, IID_IQualityControl)) return GetInterface(static_cast<IQualityControl*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingAddRef()
{
    return filter_->AddRef();
}

ULONG STDMETHODCALLTYPE CBasePin::NonDelegatingRelease()
{
    return filter_->Release();
}

bool CBasePin::IsStopped()
{
    return filter_->IsStopped();
}

HRESULT STDMETHODCALLTYPE CBasePin::Connect(IPin* receiver, const AM_MEDIA_TYPE* type)
{
    if (!receiver) return E_POINTER;
    CAutoLock lock(lock_);
    if (connected_) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped() && !CanReconnectWhenActive()) return VFW_E_NOT_STOPPED;
    return AgreeMediaType(receiver, type);
}

HRESULT CBasePin::AgreeMediaType(IPin* receiver, const AM_MEDIA_TYPE* type)
{
    if (type) {
        CMediaType requested(*type);
        if (!requested.IsPartiallySpecified()) return AttemptConnection(receiver, requested);
    }
    HRESULT reported = VFW_E_NO_ACCEPTABLE_TYPES;
    // The receiver's proposals first, then the pin's own types.
    for (int round = 0; round < 2; ++round) {
        ComRef<IEnumMediaTypes> types;
        HRESULT hr = round == 0 ? receiver->EnumMediaTypes(types.Put()) : EnumMediaTypes(types.Put());
        if (FAILED(hr) || !types) continue;
        hr = TryMediaTypes(receiver, type, types.Get());
        if (hr == S_OK) return S_OK;
        if (reported == VFW_E_NO_ACCEPTABLE_TYPES && hr != VFW_E_NO_ACCEPTABLE_TYPES) reported = hr;
    }
    return reported;
}

HRESULT CBasePin::TryMediaTypes(IPin* receiver, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types)
{
    // Errors from the enumerator only end the search.
    if (FAILED(types->Reset())) return VFW_E_NO_ACCEPTABLE_TYPES;
    HRESULT reported = VFW_E_NO_ACCEPTABLE_TYPES;
    for (;;) {
        AM_MEDIA_TYPE* proposed = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &proposed, &fetched) != S_OK || fetched != 1 || !proposed) {
            if (proposed) DeleteMediaType(proposed);
            break;
        }
        CMediaType candidate(*proposed);
        DeleteMediaType(proposed);
        if (partial && !candidate.MatchesPartial(*partial)) continue;
        HRESULT hr = AttemptConnection(receiver, candidate);
        if (hr == S_OK) return S_OK;
        if (reported == VFW_E_NO_ACCEPTABLE_TYPES && FAILED(hr) && !IsPlainRefusal(hr)) reported = hr;
    }
    return reported;
}

HRESULT CBasePin::AttemptConnection(IPin* receiver, const CMediaType& type)
{
    HRESULT hr = CheckConnect(receiver);
    if (FAILED(hr)) {
        // CheckConnect may have taken hold of parts of the receiver.
        BreakConnect();
        return hr;
    }
    // A connection that fails leaves the pin's current type as it was.
    const CMediaType previous = CurrentMediaType();
    hr = CheckMediaType(&type);
    if (hr == S_OK) {
        connected_ = receiver;
        connected_->AddRef();
        hr = SetMediaType(&type);
        if (SUCCEEDED(hr)) {
            // The receiver is offered the type as the pin stores it, which is what it will deliver.
            const CMediaType agreed = CurrentMediaType();
            hr = receiver->ReceiveConnection(this, &agreed);
            if (SUCCEEDED(hr)) {
                hr = CompleteConnect(receiver);
                if (SUCCEEDED(hr)) return S_OK;
                // The receiver accepted; it must forget the connection again. Nothing more to do if it fails.
                (void)receiver->Disconnect();
            }
        }
    } else if (SUCCEEDED(hr) || IsPlainRefusal(hr)) {
        hr = VFW_E_TYPE_NOT_ACCEPTED;
    }
    if (connected_) {
        connected_->Release();
        connected_ = nullptr;
        // Nothing to undo should the old type not go back: it was the pin's own.
        (void)SetMediaType(&previous);
    }
    BreakConnect();
    return hr;
}

void CBasePin::DisconnectInternal()
{
    // BreakConnect's own result cannot stop a disconnection the caller has already decided.
    (void)BreakConnect();
    connected_->Release();
    connected_ = nullptr;
}

HRESULT STDMETHODCALLTYPE CBasePin::Disconnect()
{
    CAutoLock lock(lock_);
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (!connected_) return S_FALSE;
    DisconnectInternal();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    CAutoLock lock(lock_);
    *pin = connected_;
    if (!connected_) return VFW_E_NOT_CONNECTED;
    connected_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    CAutoLock lock(lock_);
    if (!connected_) {
        // The caller's structure may hold anything: it is cleared, not freed.
        ZeroMemory(type, sizeof *type);
        type->lSampleSize = 1;
        type->bFixedSizeSamples = TRUE;
        return VFW_E_NOT_CONNECTED;
    }
    CAutoLock typeLock(&typeLock_);
    return CopyMediaType(type, &mediaType_);
}

CMediaType CBasePin::CurrentMediaType()
{
    CAutoLock typeLock(&typeLock_);
    return mediaType_;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryPinInfo(PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = filter_;
    filter_->AddRef();
    size_t length = name_.size() < MAX_PIN_NAME - 1 ? name_.size() : MAX_PIN_NAME - 1;
    wmemcpy(info->achName, name_.c_str(), length);
    info->achName[length] = L'\0';
    info->dir = direction_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryId(LPWSTR* id)
{
    if (!id) return E_POINTER;
    *id = nullptr;
    // The id is the 1-based position in the filter's pin array, which is what FindPin reads back.
    const size_t capacity = 12;
    auto* text = static_cast<wchar_t*>(CoTaskMemAlloc(capacity * sizeof(wchar_t)));
    if (!text) return E_OUTOFMEMORY;
    swprintf(text, capacity, L"%d", filter_->FindPinNumber(this));
    *id = text;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryAccept(const AM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    CMediaType proposed(*type);
    HRESULT hr = CheckMediaType(&proposed);
    return FAILED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE CBasePin::EnumMediaTypes(IEnumMediaTypes** types)
{
    if (!types) return E_POINTER;
    *types = nullptr;
    auto* enumerator = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    if (!enumerator) return E_OUTOFMEMORY;
    return enumerator->NonDelegatingQueryInterface(IID_IEnumMediaTypes, reinterpret_cast<void**>(types));
}

HRESULT STDMETHODCALLTYPE CBasePin::QueryInternalConnections(IPin** /*pins*/, ULONG* /*count*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    segmentStart_ = start;
    segmentStop_ = stop;
    segmentRate_ = rate;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePin::Notify(IBaseFilter* /*sender*/, Quality /*quality*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePin::SetSink(IQualityControl* sink)
{
    CAutoLock lock(lock_);
    qualitySink_ = sink;
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int position, CMediaType* /*type*/)
{
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    CAutoLock typeLock(&typeLock_);
    return mediaType_.Set(*type);
}

HRESULT CBasePin::CheckConnect(IPin* pin)
{
    PIN_DIRECTION other;
    HRESULT hr = pin->QueryDirection(&other);
    if (FAILED(hr)) return hr;
    return other == direction_ ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin* /*receiver*/)
{
    return S_OK;
}

HRESULT CBasePin::BreakConnect()
{
    return S_OK;
}
