#pragma once
// The module's creatable classes, described by a table of templates, and the class factory that makes them.
#include "filter/framework/ModuleObjects.h"
#include "filter/framework/Unknown.h"

#include <windows.h>
#include <dshow.h>

// Creates an object for `outer` (null when not aggregated). On failure it returns null or sets `hr` to a failure;
// `hr` arrives as S_OK.
using CreateInstanceFunction = CUnknown* (*)(IUnknown* outer, HRESULT* hr);
// Called with TRUE when the module is loaded and FALSE when it is unloaded.
using InitRoutine = void (*)(BOOL loading, const CLSID* classId);

struct CFactoryTemplate {
    const wchar_t* Name;
    const CLSID* ClassId;
    CreateInstanceFunction Create;
    InitRoutine Init;              // may be null
    const REGFILTER2* FilterSetup;  // registration data of a filter, or null for other classes
};

class CClassFactory : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* classTemplate);
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // With an outer unknown only IID_IUnknown may be asked for (E_NOINTERFACE otherwise).
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ~CClassFactory() override = default;

    const CFactoryTemplate* template_;
    volatile LONG refCount_ = 0;
};

// DllGetClassObject for a template table: a new factory for `classId` with one reference.
// E_NOINTERFACE for interfaces other than IUnknown and IClassFactory, CLASS_E_CLASSNOTAVAILABLE for classes not
// in the table.
HRESULT GetClassObjectFromTemplates(const CFactoryTemplate* templates, int count, REFCLSID classId, REFIID iid,
                                    void** object);
// Calls each template's init routine (DllMain's process attach and detach).
void InitTemplates(const CFactoryTemplate* templates, int count, BOOL loading);
