#include "filter/framework/ClassFactory.h"

#include <new>

CClassFactory::CClassFactory(const CFactoryTemplate* classTemplate) : template_(classTemplate) {}

HRESULT STDMETHODCALLTYPE CClassFactory::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CClassFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CClassFactory::Release()
{
    LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    // An aggregated object is only ever reached through its outer object's IUnknown.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;

    HRESULT hr = S_OK;
    CUnknown* created = nullptr;
    // A constructor that throws (no memory for what it builds) leaves nothing behind but its failure.
    const HRESULT made = ExceptionBarrier([&]() -> HRESULT {
        created = template_->Create(outer, &hr);
        return S_OK;
    });
    if (FAILED(made)) return made;
    if (!created) return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete created;
        return hr;
    }
    // The extra reference keeps the object alive if the query fails, and the release then frees it.
    created->NonDelegatingAddRef();
    hr = created->NonDelegatingQueryInterface(iid, object);
    created->NonDelegatingRelease();
    return hr;
}

HRESULT STDMETHODCALLTYPE CClassFactory::LockServer(BOOL lock)
{
    ModuleLockServer(lock != FALSE);
    return S_OK;
}

HRESULT GetClassObjectFromTemplates(const CFactoryTemplate* templates, int count, REFCLSID classId, REFIID iid,
                                    void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    for (int i = 0; i < count; ++i) {
        if (!templates[i].ClassId || !IsEqualCLSID(*templates[i].ClassId, classId)) continue;
        auto* factory = new (std::nothrow) CClassFactory(&templates[i]);
        if (!factory) return E_OUTOFMEMORY;
        factory->AddRef();
        *object = static_cast<IClassFactory*>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void InitTemplates(const CFactoryTemplate* templates, int count, BOOL loading)
{
    for (int i = 0; i < count; ++i) {
        if (templates[i].Init) templates[i].Init(loading, templates[i].ClassId);
    }
}
