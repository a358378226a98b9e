#include "filter/framework/Unknown.h"

CUnknown::CUnknown(IUnknown* outer) : inner_(this), owner_(outer ? outer : &inner_) {}

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) return GetInterface(NonDelegatingUnknown(), object);
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease()
{
    LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) {
        // A destructor that hands out and drops a reference to itself must not delete the object twice.
        refCount_ = 1;
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count);
}

HRESULT GetInterface(IUnknown* object, void** out)
{
    if (!out) return E_POINTER;
    *out = object;
    object->AddRef();
    return S_OK;
}
