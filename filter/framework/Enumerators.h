#pragma once
// Enumerators over a filter's pins and over a pin's media types. Each keeps a position and the version of the
// list it was made for; once the list changed, calls fail with VFW_E_ENUM_OUT_OF_SYNC until Reset.
// An enumerator holds a reference on its filter (a pin's references are its filter's).
#include "filter/framework/Unknown.h"

#include <windows.h>
#include <dshow.h>

class CSource;
class CBasePin;

class CEnumPins : public CUnknown, public IEnumPins {
public:
    // `copyFrom`: the enumerator to clone (position and version), or null for a fresh one.
    CEnumPins(CSource* filter, const CEnumPins* copyFrom);
    ~CEnumPins() override;

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

private:
    bool OutOfSync() const;

    CSource* filter_;
    ULONG position_ = 0;
    LONG version_;
};

class CEnumMediaTypes : public CUnknown, public IEnumMediaTypes {
public:
    CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* copyFrom);
    ~CEnumMediaTypes() override;

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // Each type handed out is a new task-memory allocation the caller frees with DeleteMediaType.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

private:
    bool OutOfSync() const;

    CBasePin* pin_;
    ULONG position_ = 0;
    LONG version_;
};
