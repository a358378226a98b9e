#include "app/AboutDlg.h"

#include "app/Resources.h"

#include <shellapi.h>
#include <windowsx.h>

const wchar_t kVendorHomePage[] = L"https://veltrane.example.org/";

INT_PTR CAboutDlg::Run(HWND owner)
{
    return DoModal(IDD_ABOUT, owner);
}

bool CAboutDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND dialog = Window();
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog, GetWindow(dialog, GW_OWNER));
        (void)gdiplus_.Start();  // without GDI+ the box paints nothing of its own and still closes
        buttons_.AddButton(dialog, IDOK, L"Data\\Default\\ok_up.png", L"Data\\Default\\ok_down.png",
                           L"Data\\Default\\ok_sel.png");
        images_.AddImage(dialog, IDC_PRODUCT_PICTURE, L"Data\\main.png");
        texts_.AddText(dialog, IDC_VERSION);
        links_.AddLink(dialog, IDC_VENDOR_LINK);
        texts_.AddText(dialog, IDC_NOTICE);
        result = TRUE;
        return true;
    case WM_PAINT:
        PaintGradientDialog(dialog, [this](Gdiplus::GpGraphics* graphics) {
            buttons_.Draw(graphics);
            texts_.Draw(graphics);
            images_.Draw(graphics);
            links_.Draw(graphics);
        });
        return true;
    case WM_MOUSEMOVE:
        buttons_.OnMouseMove(dialog, x, y);
        links_.OnMouseMove(dialog, x, y);
        return true;
    case WM_LBUTTONDOWN:
        buttons_.OnLButtonDown(dialog, x, y);
        links_.OnLButtonDown(dialog, x, y);
        return true;
    case WM_LBUTTONUP:
        buttons_.OnLButtonUp(dialog, x, y);
        links_.OnLButtonUp(dialog, x, y);
        return true;
    case WM_LBUTTONDBLCLK:
        // Not passed to the link: a double click on it opens the page once.
        buttons_.OnMouseMove(dialog, x, y);
        return true;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            gdiplus_.Shutdown();
            EndDialog(LOWORD(wParam));
            return true;
        case IDC_VENDOR_LINK:
            if (HIWORD(wParam) != 0) return false;
            // A page that cannot be opened is not reported. Shown normally: a browser started hidden shows nothing.
            (void)ShellExecuteW(dialog, L"open", kVendorHomePage, nullptr, nullptr, SW_SHOWNORMAL);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}
