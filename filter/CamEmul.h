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
                 public IOwnedCameraProperties {
public:
    // A new filter for `outer` (null when not aggregated), returned as its non-delegating unknown without a
    // reference. Null with E_OUTOFMEMORY in `hr` when it cannot be allocated; an object with a failure in `hr`
    // when its pin could not be made (the caller deletes it).
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);

    // The IUnknown of every interface: IAMStreamConfig and IKsPropertySet come from the pin, everything else
    // from the owning unknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return GetOwner()->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return GetOwner()->Release(); }
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

    // State changes and the reference clock also set what the output stream paces itself by.
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;

private:
    CCamEmul(IUnknown* outer, HRESULT* hr);
    ~CCamEmul() override;

    // The pin's own query, for the two interfaces the filter hands out on its behalf.
    HRESULT QueryPinInterface(REFIID iid, void** object);
    static bool IsPinInterface(REFIID iid);

    // Tells the stream the filter's state, start time and clock. Call under the state lock.
    void UpdateStreamPacing();

    CCamStream* stream_ = nullptr;  // owned by the base filter's pin array
    bool gdiplusStarted_ = false;
    bool attached_ = false;  // joined the process's running inputs: destruction detaches
};
