#pragma once
// What the four mode dialogs of the settings page share: they cover the page's mode area, read the filter's
// settings through IData (borrowed from the page) when created, and tell the page after every change.
#include "filter/IData.h"
#include "filter/framework/ComRef.h"
#include "filter/ui/Dialog.h"

#include <windows.h>

#include <memory>

// Sent to the page after any change of a setting; it marks the page dirty. (Not WM_USER: the dialog manager sends
// that one, DM_GETDEFID, to the page when Enter is pressed.)
constexpr UINT kSettingChangedMessage = WM_APP;

// The page owns its mode dialogs through shared pointers, so that a dialog in a modal loop can keep itself alive.
class CModeDialog : public CDialog, public std::enable_shared_from_this<CModeDialog> {
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

    // Held while the dialog runs a modal loop (a system dialog, a camera's frame). The page's frame may close
    // meanwhile: the page then destroys this dialog's window and lets go of the dialog and of the settings
    // interface. The guard keeps both until it goes; after the loop, a dialog whose window is gone changes nothing
    // and returns at once (the guard may be the last owner of the dialog).
    class ModalLoopGuard {
    public:
        explicit ModalLoopGuard(CModeDialog& dialog) : self_(dialog.weak_from_this().lock())
        {
            data_.CopyFrom(dialog.data_);
        }
        ModalLoopGuard(const ModalLoopGuard&) = delete;
        ModalLoopGuard& operator=(const ModalLoopGuard&) = delete;

    private:
        std::shared_ptr<CModeDialog> self_;  // empty for a dialog nobody shares (it then outlives the loop anyway)
        ComRef<IData> data_;
    };

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
