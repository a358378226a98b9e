#pragma once
// Reference-counted COM object base with aggregation support. The object's own IUnknown behaviour lives in the
// non-delegating methods; the IUnknown methods of its interfaces go to the owner, which is the outer unknown when
// the object is aggregated and the object's non-delegating side otherwise.
#include "filter/framework/ModuleObjects.h"

#include <unknwn.h>

#include <new>

struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class CUnknown : public INonDelegatingUnknown, public CBaseObject {
public:
    // outer: the controlling unknown when aggregated, or null.
    explicit CUnknown(IUnknown* outer);
    ~CUnknown() override = default;
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    // Answers IID_IUnknown with the non-delegating side; derived classes add their interfaces and fall back here.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    // Deletes the object when the count reaches zero.
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    IUnknown* GetOwner() const { return owner_; }
    // The non-delegating side as an IUnknown, which is what an aggregating outer object holds.
    IUnknown* NonDelegatingUnknown() { return &inner_; }

protected:
    volatile LONG refCount_ = 0;

private:
    // A real IUnknown object for the non-delegating side (rather than a cast of INonDelegatingUnknown, which an
    // optimising compiler may see through) that forwards to the non-delegating methods.
    class InnerUnknown : public IUnknown {
    public:
        explicit InnerUnknown(CUnknown* object) : object_(object) {}
        virtual ~InnerUnknown() = default;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
        {
            return object_->NonDelegatingQueryInterface(iid, object);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return object_->NonDelegatingAddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return object_->NonDelegatingRelease(); }

    private:
        CUnknown* object_;
    };

    InnerUnknown inner_;
    IUnknown* owner_;
};

// Hands out interface pointer `object` through `out` with a reference added.
HRESULT GetInterface(IUnknown* object, void** out);

// The IUnknown methods of every interface of a CUnknown-derived class: all go to the owner.
#define VELTRANE_DECLARE_IUNKNOWN                                                                                   \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override                                    \
    {                                                                                                               \
        return GetOwner()->QueryInterface(iid, object);                                                             \
    }                                                                                                               \
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }                                      \
    ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }

// Runs the body of a COM method so that no C++ exception leaves it: a failed allocation becomes E_OUTOFMEMORY,
// anything else E_UNEXPECTED.
template <class Body>
HRESULT ExceptionBarrier(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
