#include "filter/framework/Source.h"

#include "filter/framework/BasePin.h"
#include "filter/framework/Enumerators.h"

#include <algorithm>
#include <cwchar>
#include <new>

CSource::CSource(const wchar_t* name, IUnknown* outer, REFCLSID classId)
    : CUnknown(outer), classId_(classId), name_(name ? name : L"")
{
}

CSource::~CSource()
{
    // A host that lets go of a running filter: the streaming threads must end before their pins go.
    if (state_ != State_Stopped) (void)Stop();
    std::vector<CBasePin*> pins;
    {
        CAutoLock lock(&stateLock_);
        pins.swap(pins_);
    }
    for (auto pin = pins.rbegin(); pin != pins.rend(); ++pin) delete *pin;
    if (clock_) clock_->Release();
}

HRESULT STDMETHODCALLTYPE CSource::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IBaseFilter)) return GetInterface(static_cast<IBaseFilter*>(this), object);
    if (IsEqualIID(iid, IID_IMediaFilter)) return GetInterface(static_cast<IMediaFilter*>(this), object);
    if (IsEqualIID(iid, IID_IPersist)) return GetInterface(static_cast<IPersist*>(this), object);
    if (IsEqualIID(iid, IID_IAMovieSetup)) return GetInterface(static_cast<IAMovieSetup*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT STDMETHODCALLTYPE CSource::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = classId_;
    return S_OK;
}

HRESULT CSource::InitStreams(FILTER_STATE target, REFERENCE_TIME start)
{
    for (size_t i = 0; i < pins_.size(); ++i) {
        if (!pins_[i]->IsConnected()) continue;
        const HRESULT hr = pins_[i]->InitStream(target, start);
        if (FAILED(hr)) {
            // The pins that did start go back to stopped; the failure is what the caller reports.
            for (size_t j = 0; j < i; ++j) {
                if (pins_[j]->IsConnected()) (void)pins_[j]->CleanupStream();
            }
            return hr;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::Stop()
{
    CAutoLock lock(&stateLock_);
    if (state_ == State_Running) {
        for (CBasePin* pin : pins_) {
            if (!pin->IsConnected()) continue;
            const HRESULT hr = pin->StopStream();
            if (FAILED(hr)) return hr;
        }
        state_ = State_Paused;
    }
    HRESULT result = S_OK;
    if (state_ == State_Paused) {
        // Every pin is stopped whatever one of them reports: its thread has ended either way.
        for (CBasePin* pin : pins_) {
            if (!pin->IsConnected()) continue;
            const HRESULT hr = pin->CleanupStream();
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
        state_ = State_Stopped;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE CSource::Pause()
{
    CAutoLock lock(&stateLock_);
    if (state_ == State_Stopped) {
        const HRESULT hr = InitStreams(State_Paused, 0);
        if (FAILED(hr)) return hr;
    } else if (state_ == State_Running) {
        for (CBasePin* pin : pins_) {
            if (!pin->IsConnected()) continue;
            const HRESULT hr = pin->StopStream();
            if (FAILED(hr)) return hr;
        }
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::Run(REFERENCE_TIME start)
{
    CAutoLock lock(&stateLock_);
    if (state_ == State_Running) return S_OK;
    if (state_ == State_Stopped) {
        const HRESULT hr = InitStreams(State_Running, start);
        if (FAILED(hr)) return hr;
    } else {
        for (CBasePin* pin : pins_) {
            if (!pin->IsConnected()) continue;
            const HRESULT hr = pin->StartStream(start);
            if (FAILED(hr)) return hr;
        }
    }
    start_ = start;
    state_ = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::GetState(DWORD /*timeoutMs*/, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    CAutoLock lock(&stateLock_);
    *state = state_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::SetSyncSource(IReferenceClock* clock)
{
    CAutoLock lock(&stateLock_);
    if (clock) clock->AddRef();
    if (clock_) clock_->Release();
    clock_ = clock;
    for (CBasePin* pin : pins_) pin->SetStreamClock(clock);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    CAutoLock lock(&stateLock_);
    *clock = clock_;
    if (clock_) clock_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::EnumPins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    *pins = nullptr;
    auto* enumerator = new (std::nothrow) CEnumPins(this, nullptr);
    if (!enumerator) return E_OUTOFMEMORY;
    return enumerator->NonDelegatingQueryInterface(IID_IEnumPins, reinterpret_cast<void**>(pins));
}

HRESULT STDMETHODCALLTYPE CSource::FindPin(LPCWSTR id, IPin** pin)
{
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id) return E_POINTER;
    // Ids are 1-based positions in decimal; anything else names no pin.
    long number = 0;
    const wchar_t* digit = id;
    for (; *digit >= L'0' && *digit <= L'9'; ++digit) {
        number = number * 10 + (*digit - L'0');
        if (number > 1000000) return VFW_E_NOT_FOUND;
    }
    if (digit == id || *digit != L'\0') return VFW_E_NOT_FOUND;
    CAutoLock lock(&stateLock_);
    if (number < 1 || number > static_cast<long>(pins_.size())) return VFW_E_NOT_FOUND;
    CBasePin* found = pins_[static_cast<size_t>(number - 1)];
    *pin = found;
    found->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    CAutoLock lock(&stateLock_);
    size_t length = std::min<size_t>(name_.size(), MAX_FILTER_NAME - 1);
    wmemcpy(info->achName, name_.c_str(), length);
    info->achName[length] = L'\0';
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    CAutoLock lock(&stateLock_);
    graph_ = graph;
    sink_ = nullptr;
    if (graph) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) && sink) {
            // Kept without a reference: the graph outlives its membership of this filter.
            sink_ = sink;
            sink->Release();
        }
    }
    name_ = name ? name : L"";
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSource::QueryVendorInfo(LPWSTR* /*vendorInfo*/)
{
    return E_NOTIMPL;
}

int CSource::GetPinCount()
{
    CAutoLock lock(&stateLock_);
    return static_cast<int>(pins_.size());
}

CBasePin* CSource::GetPin(int index)
{
    CAutoLock lock(&stateLock_);
    if (index < 0 || index >= static_cast<int>(pins_.size())) return nullptr;
    return pins_[static_cast<size_t>(index)];
}

int CSource::FindPinNumber(const CBasePin* pin)
{
    CAutoLock lock(&stateLock_);
    auto found = std::find(pins_.begin(), pins_.end(), pin);
    return found == pins_.end() ? 0 : static_cast<int>(found - pins_.begin()) + 1;
}

HRESULT CSource::AddPin(CBasePin* pin)
{
    if (!pin) return E_POINTER;
    CAutoLock lock(&stateLock_);
    try {
        pins_.push_back(pin);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    InterlockedIncrement(&pinVersion_);
    return S_OK;
}

bool CSource::RemovePin(CBasePin* pin)
{
    CAutoLock lock(&stateLock_);
    auto found = std::find(pins_.begin(), pins_.end(), pin);
    if (found == pins_.end()) return false;
    pins_.erase(found);
    InterlockedIncrement(&pinVersion_);
    return true;
}

bool CSource::IsActive()
{
    CAutoLock lock(&stateLock_);
    return state_ != State_Stopped;
}

bool CSource::IsStopped()
{
    CAutoLock lock(&stateLock_);
    return state_ == State_Stopped;
}

FILTER_STATE CSource::State()
{
    CAutoLock lock(&stateLock_);
    return state_;
}

REFERENCE_TIME CSource::StartTime()
{
    CAutoLock lock(&stateLock_);
    return start_;
}

HRESULT CSource::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    // No state lock: the streaming thread raises events while Stop holds the lock and waits for that thread.
    IMediaEventSink* sink = sink_;
    if (!sink) return E_NOTIMPL;
    return sink->Notify(code, param1, param2);
}

IFilterGraph* CSource::GetFilterGraph()
{
    CAutoLock lock(&stateLock_);
    return graph_;
}
