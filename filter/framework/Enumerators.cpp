#include "filter/framework/Enumerators.h"

#include "filter/framework/BasePin.h"
#include "filter/framework/MediaType.h"
#include "filter/framework/Source.h"

#include <new>

CEnumPins::CEnumPins(CSource* filter, const CEnumPins* copyFrom)
    : CUnknown(nullptr), filter_(filter), version_(copyFrom ? copyFrom->version_ : filter->PinVersion())
{
    if (copyFrom) position_ = copyFrom->position_;
    filter_->AddRef();
}

CEnumPins::~CEnumPins()
{
    filter_->Release();
}

HRESULT STDMETHODCALLTYPE CEnumPins::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IEnumPins)) return GetInterface(static_cast<IEnumPins*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

bool CEnumPins::OutOfSync() const
{
    return version_ != filter_->PinVersion();
}

HRESULT STDMETHODCALLTYPE CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched)
{
    if (!pins) return E_POINTER;
    if (count > 1 && !fetched) return E_POINTER;
    if (fetched) *fetched = 0;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG given = 0;
    while (given < count) {
        CBasePin* pin = filter_->GetPin(static_cast<int>(position_));
        if (!pin) break;
        pins[given] = pin;
        pin->AddRef();
        ++given;
        ++position_;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Skip(ULONG count)
{
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG total = static_cast<ULONG>(filter_->GetPinCount());
    ULONG left = total > position_ ? total - position_ : 0;
    if (count > left) {
        position_ = total;
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Reset()
{
    version_ = filter_->PinVersion();
    position_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumPins::Clone(IEnumPins** clone)
{
    if (!clone) return E_POINTER;
    *clone = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    auto* copy = new (std::nothrow) CEnumPins(filter_, this);
    if (!copy) return E_OUTOFMEMORY;
    return copy->NonDelegatingQueryInterface(IID_IEnumPins, reinterpret_cast<void**>(clone));
}

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* copyFrom)
    : CUnknown(nullptr), pin_(pin), version_(copyFrom ? copyFrom->version_ : pin->GetMediaTypeVersion())
{
    if (copyFrom) position_ = copyFrom->position_;
    pin_->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes()
{
    pin_->Release();
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IEnumMediaTypes)) return GetInterface(static_cast<IEnumMediaTypes*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

bool CEnumMediaTypes::OutOfSync() const
{
    return version_ != pin_->GetMediaTypeVersion();
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched)
{
    if (!types) return E_POINTER;
    if (count > 1 && !fetched) return E_POINTER;
    if (fetched) *fetched = 0;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG given = 0;
    HRESULT result = S_OK;
    while (given < count) {
        CMediaType type;
        if (pin_->GetMediaType(static_cast<int>(position_), &type) != S_OK) break;
        AM_MEDIA_TYPE* copy = CreateMediaType(&type);
        if (!copy) {
            result = E_OUTOFMEMORY;
            break;
        }
        types[given++] = copy;
        ++position_;
    }
    if (fetched) *fetched = given;
    if (FAILED(result) && given == 0) return result;
    return given == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Skip(ULONG count)
{
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    while (count > 0) {
        CMediaType type;
        if (pin_->GetMediaType(static_cast<int>(position_), &type) != S_OK) return S_FALSE;
        ++position_;
        --count;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Reset()
{
    version_ = pin_->GetMediaTypeVersion();
    position_ = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CEnumMediaTypes::Clone(IEnumMediaTypes** clone)
{
    if (!clone) return E_POINTER;
    *clone = nullptr;
    if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
    auto* copy = new (std::nothrow) CEnumMediaTypes(pin_, this);
    if (!copy) return E_OUTOFMEMORY;
    return copy->NonDelegatingQueryInterface(IID_IEnumMediaTypes, reinterpret_cast<void**>(clone));
}
