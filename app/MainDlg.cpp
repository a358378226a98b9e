#include "app/MainDlg.h"

#include "app/AboutDlg.h"
#include "app/Resources.h"

#include <windowsx.h>

HWND CMainDlg::Create()
{
    return CDialog::Create(IDD_MAIN, nullptr);
}

void CMainDlg::Initialise()
{
    HWND dialog = Window();
    (void)gdiplus_.Start();  // without GDI+ the window paints no skin and still works
    CentreWindow(dialog, nullptr);
    HINSTANCE instance = CodeModule();
    const auto icon = [&](int xMetric, int yMetric) {
        return LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON, GetSystemMetrics(xMetric),
                          GetSystemMetrics(yMetric), LR_DEFAULTCOLOR);
    };
    (void)SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon(SM_CXICON, SM_CYICON)));
    (void)SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon(SM_CXSMICON, SM_CYSMICON)));
    (void)SetFocus(Item(IDC_PROPERTIES));
    (void)SetActiveWindow(dialog);
    // S_FALSE (the camera is not installed) leaves Properties enabled; clicking it then does nothing.
    if (FAILED(grabber_.StartPreview(Item(IDC_PREVIEW)))) EnableItem(IDC_PROPERTIES, false);
    buttons_.AddButton(dialog, IDOK, L"Data\\Default\\ok_up.png", L"Data\\Default\\ok_down.png",
                       L"Data\\Default\\ok_sel.png");
    buttons_.AddButton(dialog, IDCANCEL, L"Data\\Default\\cancel_up.png", L"Data\\Default\\cancel_down.png",
                       L"Data\\Default\\cancel_sel.png");
    buttons_.AddButton(dialog, IDC_APP_ABOUT, L"Data\\Default\\about_up.png", L"Data\\Default\\about_down.png",
                       L"Data\\Default\\about_sel.png");
    buttons_.AddButton(dialog, IDC_PROPERTIES, L"Data\\Default\\properties_up.png",
                       L"Data\\Default\\properties_down.png", L"Data\\Default\\properties_sel.png");
}

void CMainDlg::Close(int command)
{
    grabber_.StopPreview();
    Destroy();  // WM_DESTROY stops the preview once more, without further effect
    gdiplus_.Shutdown();
    PostQuitMessage(command);
}

bool CMainDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND dialog = Window();
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_INITDIALOG:
        Initialise();
        result = TRUE;
        return true;
    case WM_PAINT:
        PaintGradientDialog(dialog, [this](Gdiplus::GpGraphics* graphics) { buttons_.Draw(graphics); });
        return true;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:  // a double click counts as a move: it presses the button again
        buttons_.OnMouseMove(dialog, x, y);
        return true;
    case WM_LBUTTONDOWN:
        buttons_.OnLButtonDown(dialog, x, y);
        return true;
    case WM_LBUTTONUP:
        buttons_.OnLButtonUp(dialog, x, y);
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_APP_ABOUT: {
            CAboutDlg about;
            (void)about.Run(GetActiveWindow());  // 1 or 2, both just close the box
            return true;
        }
        case IDOK:
        case IDCANCEL:
            Close(LOWORD(wParam));
            return true;
        case IDC_PROPERTIES:
            if (HIWORD(wParam) != 0) return false;
            EnableItem(IDC_PROPERTIES, false);
            // The camera's page enables the control again when its frame closes. A failure shows nothing.
            (void)grabber_.ShowCameraSettings(dialog);
            return true;
        default:
            return false;
        }
    case WM_DESTROY:
        grabber_.StopPreview();
        return true;
    default:
        return false;
    }
}
