#pragma once
// IData: the camera filter's settings interface, used by the property page, its mode dialogs and the desktop
// application. The slot order is part of the binary interface: callers compiled against their own declaration
// reach the methods by position, so methods are never reordered, inserted or removed.
//
// Every method returns S_OK, except the getters, which return E_POINTER for a null buffer or pointer. Wide string
// buffers hold kIDataBufferChars characters and receive a terminated copy, cut to fit; a null string given to a
// setter counts as empty, and setters keep at most kIDataBufferChars - 1 characters.
#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <cstdint>

// {5F93D2A8-6C14-4E07-B9A1-08E7C4B35D62}
inline constexpr IID IID_IData = {0x5f93d2a8, 0x6c14, 0x4e07, {0xb9, 0xa1, 0x08, 0xe7, 0xc4, 0xb3, 0x5d, 0x62}};

constexpr size_t kIDataBufferChars = 260;

struct IData : public IUnknown {
    // Slot 3: current settings := saved settings (restarting the input when the mode, camera or video file
    // changed), then the desktop application's "Properties" button is enabled again.
    virtual HRESULT STDMETHODCALLTYPE RevertSettings() = 0;
    // Slot 4: writes every setting under HKEY_CURRENT_USER\SOFTWARE\Veltrane.
    virtual HRESULT STDMETHODCALLTYPE SaveSettings() = 0;
    // Slots 5-8: the camera input. A name that differs (case-sensitively) restarts the input.
    virtual HRESULT STDMETHODCALLTYPE SetActiveCamera(const wchar_t* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetActiveCamera(wchar_t* buffer) = 0;
    // Entry `index` of the camera list; empty outside the list.
    virtual HRESULT STDMETHODCALLTYPE GetCameraName(wchar_t* buffer, int32_t index) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowCameraProperties(const wchar_t* name) = 0;
    // Slots 9-10: the input mode (1 camera, 2 pictures, 3 video, 4 desktop). 1 also turns the camera on.
    virtual HRESULT STDMETHODCALLTYPE SetGlobalType(int32_t mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetGlobalType(int32_t* mode) = 0;
    // Slots 11-14: the border over camera frames.
    virtual HRESULT STDMETHODCALLTYPE SetUseBorder(int32_t use) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUseBorder(int32_t* use) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBorderFile(const wchar_t* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBorderFile(wchar_t* buffer) = 0;
    // Slots 15-24: the slideshow.
    virtual HRESULT STDMETHODCALLTYPE SetPicturesDirectory(const wchar_t* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPicturesDirectory(wchar_t* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetChangedTime(int32_t milliseconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChangedTime(int32_t* milliseconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMorphingTime(int32_t milliseconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMorphingTime(int32_t* milliseconds) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRepeatPicturesShowing(int32_t repeat) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRepeatPicturesShowing(int32_t* repeat) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPicChType(int32_t kind) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPicChType(int32_t* kind) = 0;
    // Slots 25-28: the video file. Setting the file always restarts the input.
    virtual HRESULT STDMETHODCALLTYPE SetVideoFile(const wchar_t* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoFile(wchar_t* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRepeatVideo(int32_t repeat) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRepeatVideo(int32_t* repeat) = 0;
    // Slots 29-31: the desktop monitor. An index outside the monitor list selects the primary monitor.
    virtual HRESULT STDMETHODCALLTYPE SetDesktopIndex(int32_t index) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDesktopIndex(int32_t* index) = 0;
    // Display device name of entry `index` of the monitor list into a buffer of kIDataBufferChars 8-bit
    // characters; empty outside the list.
    virtual HRESULT STDMETHODCALLTYPE GetMonitorName(char* buffer, int32_t index) = 0;
};

// {48D152D8-BFCB-4763-AEA5-B6285EF272C3}
inline constexpr IID IID_IOwnedCameraProperties = {
    0x48d152d8, 0xbfcb, 0x4763, {0xae, 0xa5, 0xb6, 0x28, 0x5e, 0xf2, 0x72, 0xc3}};

// The filter's own settings page opens a real camera's property pages through this: as IData's
// ShowCameraProperties, but with the frame owned by `owner` (the page's top-level window), so that it stays in
// front of the page and the page waits for it. Private to the module and its pages.
struct IOwnedCameraProperties : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ShowCameraPropertiesOwnedBy(const wchar_t* name, HWND owner) = 0;
};
