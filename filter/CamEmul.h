#pragma once
// CCamEmul: the virtual camera as a host sees it. A source filter with one output pin (CCamStream) that also
// offers the settings interface IData and names its property page through ISpecifyPropertyPages. Settings,
// running inputs, GDI+ and the tray are process-wide and shared by every filter object of the process.
#include "filter/IData.h"
#include "filter/framework/Source.h"

#include <windows.h>
#include <dshow.h>
#include <ocidl.h>

// {7D2A5E14-93C8-4B1F-A6E2-5C0D91F3B847}
inline constexpr CLSID CLSID_Veltrane = {0x7d2a5e14, 0x93c8, 0x4b1f, {0xa6, 0xe2, 0x5c, 0x0d, 0x91, 0xf3, 0xb8, 0x47}};
// {B4E61C03-2F7A-48D9-8C35-E19A6D0472F5}
inline constexpr CLSID CLSID_VeltraneSettingsPage = {
    0xb4e61c03, 0x2f7a, 0x48d9, {0x8c, 0x35, 0xe1, 0x9a, 0x6d, 0x04, 0x72, 0xf5}};

class CCamStream;

class CCamEmul : public IData,
                 public CSource,
                 public ISpecifyPropertyPages,
                 public IAMFilterMiscFlags,
                 public IAMStreamConfig,
                 public IKsPropertySet,
                 public IAMVideoControl,
                 public IOwnedCameraProperties {
public:
    // A new filter for `outer` (null when not aggregated), returned as its non-delegating unknown without a
    // reference. Null with E_OUTOFMEMORY in `hr` when it cannot be allocated; an object with a failure in `hr`
    // when its pin could not be made (the caller deletes it).
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;

    // IData
    HRESULT STDMETHODCALLTYPE RevertSettings() override;
    HRESULT STDMETHODCALLTYPE SaveSettings() override;
    HRESULT STDMETHODCALLTYPE SetActiveCamera(const wchar_t* name) override;
    HRESULT STDMETHODCALLTYPE GetActiveCamera(wchar_t* buffer) override;
    HRESULT STDMETHODCALLTYPE GetCameraName(wchar_t* buffer, int32_t index) override;
    HRESULT STDMETHODCALLTYPE ShowCameraProperties(const wchar_t* name) override;
    HRESULT STDMETHODCALLTYPE SetGlobalType(int32_t mode) override;
    HRESULT STDMETHODCALLTYPE GetGlobalType(int32_t* mode) override;
    HRESULT STDMETHODCALLTYPE SetUseBorder(int32_t use) override;
    HRESULT STDMETHODCALLTYPE GetUseBorder(int32_t* use) override;
    HRESULT STDMETHODCALLTYPE SetBorderFile(const wchar_t* path) override;
    HRESULT STDMETHODCALLTYPE GetBorderFile(wchar_t* buffer) override;
    HRESULT STDMETHODCALLTYPE SetPicturesDirectory(const wchar_t* path) override;
    HRESULT STDMETHODCALLTYPE GetPicturesDirectory(wchar_t* buffer) override;
    HRESULT STDMETHODCALLTYPE SetChangedTime(int32_t milliseconds) override;
    HRESULT STDMETHODCALLTYPE GetChangedTime(int32_t* milliseconds) override;
    HRESULT STDMETHODCALLTYPE SetMorphingTime(int32_t milliseconds) override;
    HRESULT STDMETHODCALLTYPE GetMorphingTime(int32_t* milliseconds) override;
    HRESULT STDMETHODCALLTYPE SetRepeatPicturesShowing(int32_t repeat) override;
    HRESULT STDMETHODCALLTYPE GetRepeatPicturesShowing(int32_t* repeat) override;
    HRESULT STDMETHODCALLTYPE SetPicChType(int32_t kind) override;
    HRESULT STDMETHODCALLTYPE GetPicChType(int32_t* kind) override;
    HRESULT STDMETHODCALLTYPE SetVideoFile(const wchar_t* path) override;
    HRESULT STDMETHODCALLTYPE GetVideoFile(wchar_t* buffer) override;
    HRESULT STDMETHODCALLTYPE SetRepeatVideo(int32_t repeat) override;
    HRESULT STDMETHODCALLTYPE GetRepeatVideo(int32_t* repeat) override;
    HRESULT STDMETHODCALLTYPE SetDesktopIndex(int32_t index) override;
    HRESULT STDMETHODCALLTYPE GetDesktopIndex(int32_t* index) override;
    HRESULT STDMETHODCALLTYPE GetMonitorName(char* buffer, int32_t index) override;

    // IOwnedCameraProperties: the settings page's "Camera Properties", owned by the page's frame.
    HRESULT STDMETHODCALLTYPE ShowCameraPropertiesOwnedBy(const wchar_t* name, HWND owner) override;

    // ISpecifyPropertyPages: the settings page.
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    // IAMFilterMiscFlags: a live source, which delivers by itself.
    ULONG STDMETHODCALLTYPE GetMiscFlags() override;

    // A live source: while paused it cannot cue data (VFW_S_CANT_CUE), as a real camera cannot.
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;

    // IAMStreamConfig and IKsPropertySet of the filter, which hosts also look for on the filter: the filter's own
    // interfaces, answered by its pin.
    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override;
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int* count, int* size) override;
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, void* instanceData, DWORD instanceSize, void* data,
                                  DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instanceData, DWORD instanceSize, void* data,
                                  DWORD dataSize, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // IAMVideoControl: no flip and no trigger; the frame rates offered for every size, from 30 frames per second
    // down, so that hosts which pick a rate from this list run the camera at 30.
    HRESULT STDMETHODCALLTYPE GetCaps(IPin* pin, LONG* flags) override;
    HRESULT STDMETHODCALLTYPE SetMode(IPin* pin, LONG mode) override;
    HRESULT STDMETHODCALLTYPE GetMode(IPin* pin, LONG* mode) override;
    HRESULT STDMETHODCALLTYPE GetCurrentActualFrameRate(IPin* pin, LONGLONG* frameTime) override;
    HRESULT STDMETHODCALLTYPE GetMaxAvailableFrameRate(IPin* pin, LONG index, SIZE dimensions,
                                                       LONGLONG* frameTime) override;
    HRESULT STDMETHODCALLTYPE GetFrameRateList(IPin* pin, LONG index, SIZE dimensions, LONG* count,
                                               LONGLONG** frameTimes) override;

private:
    CCamEmul(IUnknown* outer, HRESULT* hr);

    // S_OK when pin is this filter's pin, E_POINTER for null, E_INVALIDARG for another.
    HRESULT CheckOwnPin(IPin* pin);
    // S_OK when index is a capability index whose size is dimensions, E_INVALIDARG otherwise.
    static HRESULT CheckOfferedSize(LONG index, SIZE dimensions);
    ~CCamEmul() override;

    CCamStream* stream_ = nullptr;  // owned by the base filter's pin array
    bool gdiplusStarted_ = false;
    bool attached_ = false;  // joined the process's running inputs: destruction detaches
};
