#pragma once
// The tray window: a hidden dialog (template 110) on the tray thread that owns the notification-area icon, shows
// the tray menu on a right click and runs the command chosen from it.
#include "filter/ui/Dialog.h"

#include <shellapi.h>

#include <string>
#include <vector>

class CMenuParentWindow : public CDialog {
public:
    // What the icon sends for mouse events over it (lParam: the mouse message).
    static constexpr UINT kCallbackMessage = WM_USER + 1;
    // Posted by the tray's teardown: closes an open menu or dialog so that the thread's loop sees the stop flag.
    static constexpr UINT kStopMessage = WM_APP + 1;
    static constexpr UINT kIconId = 15;

    CMenuParentWindow() = default;
    ~CMenuParentWindow() override;

    // Removes the icon from the notification area (before the window goes).
    void DeleteIcon();

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AddIcon();
    void ShowMenu();
    // Ends the menu and the modal dialogs (folder browser, open-file dialog) the thread shows.
    void CloseMenuAndDialogs();
    // A right click on the icon while a command's dialog is open brings that dialog to the front.
    void BringDialogForward();

    NOTIFYICONDATAW icon_ = {};
    bool iconAdded_ = false;
    bool commandRunning_ = false;
    std::vector<std::wstring> borderNames_;
    std::vector<std::wstring> borderPaths_;
};
