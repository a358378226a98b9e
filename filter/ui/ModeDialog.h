#pragma once
// What the four mode dialogs of the settings page share: they cover the page's mode area, read the filter's
// settings through IData (borrowed from the page) when created, and tell the page after every change.
#include "filter/IData.h"
#include "filter/ui/Dialog.h"

#include <windows.h>

// Sent to the page after any change of a setting; it marks the page dirty.
constexpr UINT kSettingChangedMessage = WM_USER;

class CModeDialog : public CDialog {
public:
    // `area`: the page's mode area; `data`: the filter's settings, borrowed (may be null: then nothing is read
    // or changed).
    CModeDialog(HWND area, IData* data) : area_(area), data_(data) {}

    // The page calls this before it destroys the window.
    virtual void ForgetControls() {}

protected:
    virtual void OnInitDialog() = 0;
    // A command of one of the dialog's controls; true when it is one the dialog handles.
    virtual bool OnCommand(int id, int code) = 0;

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // Lays the dialog exactly over the mode area.
    void Place() const;
    void NotifySettingChanged() const;
    IData* Data() const { return data_; }

private:
    HWND area_;
    IData* data_;
};

// A wide string setting read through IData (empty when there is no IData or it fails).
template <class Getter>
std::wstring ReadSettingString(IData* data, Getter getter)
{
    wchar_t buffer[kIDataBufferChars] = {};
    if (!data || FAILED((data->*getter)(buffer))) return std::wstring();
    buffer[kIDataBufferChars - 1] = L'\0';
    return buffer;
}

// A number setting read through IData (`fallback` when there is no IData or it fails).
template <class Getter>
int32_t ReadSettingNumber(IData* data, Getter getter, int32_t fallback = 0)
{
    int32_t value = fallback;
    if (!data || FAILED((data->*getter)(&value))) return fallback;
    return value;
}
