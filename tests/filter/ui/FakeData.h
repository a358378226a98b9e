#pragma once
// Test doubles for the settings page: an IData whose settings are plain fields and whose calls are recorded, a
// page site recording OnStatusChange, and a top-level window that stands in for the page around one mode dialog.
#include "filter/IData.h"

#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

class FakeData : public IData, public IOwnedCameraProperties {
public:
    // Settings the getters answer.
    int32_t globalType = 2, useBorder = 1, changedTime = 5000, picChType = 1, desktopIndex = 0;
    std::wstring activeCamera, borderFile, picturesDirectory, videoFile;
    std::vector<std::wstring> cameras;
    std::vector<std::string> monitors;
    // Every setter, SaveSettings, RevertSettings and ShowCameraProperties call, as "Name(value)".
    std::vector<std::wstring> calls;
    LONG references = 1;
    // The owner the camera's frame was given, and what happens while that frame is open.
    HWND cameraPropertiesOwner = nullptr;
    std::function<void()> whileCameraPropertiesOpen;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&references)); }

    HRESULT STDMETHODCALLTYPE RevertSettings() override { return Call(L"RevertSettings", L""); }
    HRESULT STDMETHODCALLTYPE SaveSettings() override { return Call(L"SaveSettings", L""); }
    HRESULT STDMETHODCALLTYPE SetActiveCamera(const wchar_t* name) override { return Call(L"SetActiveCamera", name); }
    HRESULT STDMETHODCALLTYPE GetActiveCamera(wchar_t* buffer) override { return Copy(activeCamera, buffer); }
    HRESULT STDMETHODCALLTYPE GetCameraName(wchar_t* buffer, int32_t index) override;
    HRESULT STDMETHODCALLTYPE ShowCameraProperties(const wchar_t* name) override
    {
        return Call(L"ShowCameraProperties", name);
    }
    HRESULT STDMETHODCALLTYPE ShowCameraPropertiesOwnedBy(const wchar_t* name, HWND owner) override;
    HRESULT STDMETHODCALLTYPE SetGlobalType(int32_t mode) override { return Call(L"SetGlobalType", mode); }
    HRESULT STDMETHODCALLTYPE GetGlobalType(int32_t* mode) override { return Copy(globalType, mode); }
    HRESULT STDMETHODCALLTYPE SetUseBorder(int32_t use) override { return Call(L"SetUseBorder", use); }
    HRESULT STDMETHODCALLTYPE GetUseBorder(int32_t* use) override { return Copy(useBorder, use); }
    HRESULT STDMETHODCALLTYPE SetBorderFile(const wchar_t* path) override { return Call(L"SetBorderFile", path); }
    HRESULT STDMETHODCALLTYPE GetBorderFile(wchar_t* buffer) override { return Copy(borderFile, buffer); }
    HRESULT STDMETHODCALLTYPE SetPicturesDirectory(const wchar_t* path) override
    {
        return Call(L"SetPicturesDirectory", path);
    }
    HRESULT STDMETHODCALLTYPE GetPicturesDirectory(wchar_t* buffer) override { return Copy(picturesDirectory, buffer); }
    HRESULT STDMETHODCALLTYPE SetChangedTime(int32_t ms) override { return Call(L"SetChangedTime", ms); }
    HRESULT STDMETHODCALLTYPE GetChangedTime(int32_t* ms) override { return Copy(changedTime, ms); }
    HRESULT STDMETHODCALLTYPE SetMorphingTime(int32_t ms) override { return Call(L"SetMorphingTime", ms); }
    HRESULT STDMETHODCALLTYPE GetMorphingTime(int32_t* ms) override { return Copy(0, ms); }
    HRESULT STDMETHODCALLTYPE SetRepeatPicturesShowing(int32_t r) override { return Call(L"SetRepeat", r); }
    HRESULT STDMETHODCALLTYPE GetRepeatPicturesShowing(int32_t* r) override { return Copy(1, r); }
    HRESULT STDMETHODCALLTYPE SetPicChType(int32_t kind) override { return Call(L"SetPicChType", kind); }
    HRESULT STDMETHODCALLTYPE GetPicChType(int32_t* kind) override { return Copy(picChType, kind); }
    HRESULT STDMETHODCALLTYPE SetVideoFile(const wchar_t* path) override { return Call(L"SetVideoFile", path); }
    HRESULT STDMETHODCALLTYPE GetVideoFile(wchar_t* buffer) override { return Copy(videoFile, buffer); }
    HRESULT STDMETHODCALLTYPE SetRepeatVideo(int32_t r) override { return Call(L"SetRepeatVideo", r); }
    HRESULT STDMETHODCALLTYPE GetRepeatVideo(int32_t* r) override { return Copy(1, r); }
    HRESULT STDMETHODCALLTYPE SetDesktopIndex(int32_t index) override { return Call(L"SetDesktopIndex", index); }
    HRESULT STDMETHODCALLTYPE GetDesktopIndex(int32_t* index) override { return Copy(desktopIndex, index); }
    HRESULT STDMETHODCALLTYPE GetMonitorName(char* buffer, int32_t index) override;

    // The recorded calls since the last Take, and forgets them.
    std::vector<std::wstring> Take();

private:
    HRESULT Call(const wchar_t* name, const wchar_t* value);
    HRESULT Call(const wchar_t* name, int32_t value);
    static HRESULT Copy(const std::wstring& value, wchar_t* buffer);
    static HRESULT Copy(int32_t value, int32_t* out);
};

class TestPageSite : public IPropertyPageSite {
public:
    std::vector<DWORD> statusChanges;
    LONG references = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&references)); }
    HRESULT STDMETHODCALLTYPE OnStatusChange(DWORD flags) override
    {
        statusChanges.push_back(flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* locale) override;
    HRESULT STDMETHODCALLTYPE GetPageContainer(IUnknown** container) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// A visible top-level window at the screen's top-left corner, standing in for a property frame or a page: it
// counts the setting-changed messages and holds a mode area of 167 x 131 dialog units' worth of pixels.
class HostWindow {
public:
    // Sent with a std::function<void()>* in lParam, from any thread: runs it on the window's thread.
    static constexpr UINT kRunMessage = WM_APP + 20;

    HostWindow(int width = 700, int height = 420);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Window() const { return window_; }
    HWND Area() const { return area_; }
    int SettingChanges() const { return settingChanges_; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    HWND area_ = nullptr;
    int settingChanges_ = 0;
};

// Handles the messages waiting for this thread's windows.
void Pump();
// Sends WM_COMMAND with `code` for control `id` of `dialog`, as the control itself does.
void Command(HWND dialog, int id, int code);
// Clicks a button through its own message, which notifies its parent.
void Click(HWND dialog, int id);
// Selects entry `index` of a combo box and notifies its parent as a user's choice does.
void ChooseEntry(HWND dialog, int id, int index);
std::wstring TextOf(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
// The direct child dialog of `parent` that has a control `id`, or null.
HWND ChildDialogWith(HWND parent, int id);
