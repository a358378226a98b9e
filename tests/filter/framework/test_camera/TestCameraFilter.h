#pragma once
// A test camera built on the framework: one output pin of capture category offering one RGB24 size, filled with
// the pattern of TestCameraPattern.h and stamped at 30 frames per second without pacing itself.
#include "filter/framework/Source.h"
#include "filter/framework/SourceStream.h"
#include "filter/framework/DirectShowIds.h"

#include "filter/framework/TestCameraIds.h"

class CTestCameraStream : public CSourceStream, public IKsPropertySet {
public:
    CTestCameraStream(HRESULT* hr, CSource* filter, const TestCameraInfo& info);

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT OnThreadCreate() override;
    HRESULT FillBuffer(IMediaSample* sample) override;

    // IKsPropertySet: the pin category (PIN_CATEGORY_CAPTURE), read-only.
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data,
                                  DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data,
                                  DWORD dataSize, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

private:
    void BuildMediaType(CMediaType* type) const;

    TestCameraInfo info_;
    unsigned frame_ = 0;
};

class CTestCamera : public CSource {
public:
    CTestCamera(IUnknown* outer, HRESULT* hr, const TestCameraInfo& info);
};
