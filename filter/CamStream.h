#pragma once
// CCamStream: the camera filter's one output pin. It offers uncompressed RGB24 video in ten sizes (80 x 60 to
// 640 x 480 in steps of 80 x 60, 1280 x 720 and 1920 x 1080, after the current type), accepts any of them for a connection, describes them through
// IAMStreamConfig, reports itself as a capture pin through IKsPropertySet, and fills each sample on the streaming
// thread through RenderFrame (FrameDispatch.h). Like a real camera it delivers at its frame rate on the graph's
// clock (StreamPacing.h). The inputs render 640 x 480 for the 4:3 sizes (a smaller connected size is scaled down
// from a frame of the pin's own) and the HD sizes at their own size; a stream of another size than the inputs
// render fits their frame into its own.
#include "filter/FrameScaler.h"
#include "filter/framework/ComRef.h"
#include "filter/framework/SourceStream.h"

#include <cstdint>
#include <vector>

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
    // Returns once the sample starting at `start` (stream time) may go out, or at once when the stream stops.
    void WaitUntilDue(REFERENCE_TIME start, REFERENCE_TIME frameTime);
    // Writes the newest frame, scaled to width x height when that is not the inputs' own size, into buffer.
    void WriteImage(BYTE* buffer, int width, int height);

    CSource* owner_;  // not referenced: the filter owns the pin
    REFERENCE_TIME streamTime_ = 0;
    bool filledBefore_ = false;
    DWORD lastFillTick_ = 0;

    // Streaming thread only: the frame the inputs render into. It keeps the last frame, which the stream repeats
    // while an input has nothing new.
    std::vector<uint8_t> frame_;
    FrameScaler scaler_;
};
