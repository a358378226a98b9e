#pragma once
// CCamStream: the camera filter's one output pin. It offers uncompressed RGB24 video in eight sizes (80 x 60 to
// 640 x 480, plus the current type first), describes them through IAMStreamConfig, reports itself as a capture
// pin through IKsPropertySet, and fills each sample on the streaming thread through FillFrame (FrameDispatch.h).
// It does not pace itself: the single-buffer allocator makes downstream set the rate.
#include "filter/framework/SourceStream.h"

#include <windows.h>
#include <dshow.h>

class CSource;

class CCamStream : public CSourceStream, public IAMStreamConfig, public IKsPropertySet {
public:
    // Registers with `filter` under the pin name "Veltrane"; the current type starts as 640 x 480.
    // `hr` receives E_OUTOFMEMORY when the pin cannot be registered or its type cannot be made.
    CCamStream(HRESULT* hr, CSource* filter);
    ~CCamStream() override;

    VELTRANE_DECLARE_IUNKNOWN
    // IAMStreamConfig and IKsPropertySet here, everything else from the base pin.
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // Streaming thread.
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadCreate() override;

    // Connection.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // IAMStreamConfig
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

    // IKsPropertySet
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, void* instanceData, DWORD instanceSize, void* data,
                                  DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instanceData, DWORD instanceSize, void* data,
                                  DWORD dataSize, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // The end time of the last stamped sample (100-ns units).
    REFERENCE_TIME StreamTime() const { return streamTime_; }

private:
    // The current type's frame period and image size; false when its format block is not a whole
    // VIDEOINFOHEADER.
    bool ReadCurrentHeader(VIDEOINFOHEADER* header);

    CSource* owner_;  // not referenced: the filter owns the pin
    REFERENCE_TIME streamTime_ = 0;
    // Guards the current media type's format block, which SetFormat may replace while the streaming thread reads
    // it. Taken last and never held while calling out of the pin.
    CCritSec formatLock_;
};
