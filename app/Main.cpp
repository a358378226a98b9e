// Zelmora: shows the "Veltrane" camera's live picture and opens its settings. The exit code is the command that
// closed the main window: 1 for OK, 2 for Cancel (also the close box and Alt+F4), 0 when it could not be made.
#include "app/MainDlg.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>

namespace {

// Plain dispatch until WM_QUIT: no dialog keyboard navigation in the main window.
int RunMessageLoop()
{
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) return static_cast<int>(message.wParam);
        (void)TranslateMessage(&message);
        (void)DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show)
{
    // S_FALSE (already initialised) also needs its matching CoUninitialize.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    (void)InitCommonControlsEx(&controls);  // the dialogs use no common control; failure changes nothing
    InitCommonControls();

    int exitCode = 0;
    {
        auto dialog = std::make_unique<CMainDlg>();
        if (HWND window = dialog->Create()) {
            (void)ShowWindow(window, show);
            exitCode = RunMessageLoop();
        }
        // The dialog and its preview graph go before COM.
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
