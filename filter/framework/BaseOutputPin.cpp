#include "filter/framework/BasePin.h"

#include "filter/framework/Source.h"

CBaseOutputPin::CBaseOutputPin(CSource* filter, CCritSec* lock, HRESULT* hr, const wchar_t* name)
    : CBasePin(filter, lock, hr, name, PINDIR_OUTPUT)
{
}

CBaseOutputPin::~CBaseOutputPin()
{
    // Only reached with a connection left when the filter dies connected; the allocator was decommitted by Stop.
    if (allocator_) allocator_->Release();
    if (inputPin_) inputPin_->Release();
}

HRESULT STDMETHODCALLTYPE CBaseOutputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type)
{
    if (!connector || !type) return E_POINTER;
    // Two output pins cannot be connected with each other.
    return VFW_E_INVALID_DIRECTION;
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    if (inputPin_) {
        inputPin_->Release();
        inputPin_ = nullptr;
    }
    hr = pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&inputPin_));
    if (FAILED(hr) || !inputPin_) {
        inputPin_ = nullptr;
        return VFW_E_NO_TRANSPORT;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* /*receiver*/)
{
    // Connect holds the filter's state lock, so the allocator is decided (and DecideBufferSize runs) under it.
    return DecideAllocator(inputPin_, &allocator_);
}

HRESULT CBaseOutputPin::BreakConnect()
{
    if (allocator_) {
        // Nothing can be delivered any more; a failed decommit leaves a buffer the allocator frees itself.
        (void)allocator_->Decommit();
        allocator_->Release();
        allocator_ = nullptr;
    }
    if (inputPin_) {
        inputPin_->Release();
        inputPin_ = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator)
{
    if (!pin || !allocator) return E_POINTER;
    *allocator = nullptr;
    ALLOCATOR_PROPERTIES requirements = {};
    // Downstream may state no requirements; the request then starts from zero with alignment 1.
    (void)pin->GetAllocatorRequirements(&requirements);
    if (requirements.cbAlign == 0) requirements.cbAlign = 1;

    ALLOCATOR_PROPERTIES request = requirements;
    HRESULT hr = pin->GetAllocator(allocator);
    if (SUCCEEDED(hr) && *allocator) {
        hr = DecideBufferSize(*allocator, &request);
        if (SUCCEEDED(hr)) {
            hr = pin->NotifyAllocator(*allocator, FALSE);
            if (SUCCEEDED(hr)) return S_OK;
        }
    }
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }

    hr = InitAllocator(allocator);
    if (SUCCEEDED(hr) && *allocator) {
        request = requirements;
        hr = DecideBufferSize(*allocator, &request);
        if (SUCCEEDED(hr)) {
            hr = pin->NotifyAllocator(*allocator, FALSE);
            if (SUCCEEDED(hr)) return S_OK;
        }
    } else if (SUCCEEDED(hr)) {
        hr = E_FAIL;
    }
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    return hr;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator)
{
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(allocator));
}

HRESULT CBaseOutputPin::CommitAllocator()
{
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->Commit();
}

HRESULT CBaseOutputPin::DecommitAllocator()
{
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->Decommit();
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                          DWORD flags)
{
    if (!sample) return E_POINTER;
    *sample = nullptr;
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample)
{
    if (!inputPin_) return VFW_E_NOT_CONNECTED;
    return inputPin_->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    IPin* connected = GetConnected();
    if (!connected) return VFW_E_NOT_CONNECTED;
    return connected->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    IPin* connected = GetConnected();
    if (!connected) return VFW_E_NOT_CONNECTED;
    return connected->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    IPin* connected = GetConnected();
    if (!connected) return VFW_E_NOT_CONNECTED;
    return connected->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    IPin* connected = GetConnected();
    if (!connected) return VFW_E_NOT_CONNECTED;
    return connected->NewSegment(start, stop, rate);
}
