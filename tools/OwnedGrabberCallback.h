#pragma once
// The COM side of a Sample Grabber callback owned by its program (on the stack or as a member) and kept alive
// longer than the graph that holds it: no reference counting, and only whole samples are wanted (SampleCB).
#include "filter/framework/DirectShowIds.h"

class OwnedGrabberCallback : public ISampleGrabberCB {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISampleGrabberCB)) return E_NOINTERFACE;
        *object = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

protected:
    OwnedGrabberCallback() = default;
    ~OwnedGrabberCallback() = default;
};
