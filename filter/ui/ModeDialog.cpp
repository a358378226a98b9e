#include "filter/ui/ModeDialog.h"

bool CModeDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result)
{
    switch (message) {
    case WM_PAINT: {
        // The controls paint themselves; the dialog draws nothing of its own.
        PAINTSTRUCT paint;
        if (BeginPaint(Window(), &paint)) EndPaint(Window(), &paint);
        result = 0;
        return true;
    }
    case WM_INITDIALOG:
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_COMMAND:
        result = 0;
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    default:
        return false;
    }
}

void CModeDialog::Place() const
{
    RECT area = {};
    RECT parent = {};
    if (!GetWindowRect(area_, &area) || !GetWindowRect(GetParent(Window()), &parent)) return;
    // A placement that fails leaves the dialog where it was created; it still works.
    (void)SetWindowPos(Window(), HWND_TOP, area.left - parent.left, area.top - parent.top, area.right - area.left,
                       area.bottom - area.top, SWP_FRAMECHANGED);
}

void CModeDialog::NotifySettingChanged() const
{
    (void)SendMessageW(GetParent(Window()), kSettingChangedMessage, 0, 0);  // the page's answer means nothing here
}
