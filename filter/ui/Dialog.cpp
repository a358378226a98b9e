#include "filter/ui/Dialog.h"

#include <vector>

namespace {

// Messages whose answer is the dialog procedure's return value rather than DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

}  // namespace

CDialog::~CDialog()
{
    Destroy();
}

HWND CDialog::Create(int templateId, HWND parent, HINSTANCE instance)
{
    if (window_) return nullptr;
    modal_ = false;
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), parent, &CDialog::Procedure,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialog::DoModal(int templateId, HWND parent, HINSTANCE instance)
{
    if (window_) return -1;
    modal_ = true;
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), parent, &CDialog::Procedure,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result)
{
    if (window_ && modal_) (void)::EndDialog(window_, result);  // fails only for a window already gone
}

void CDialog::Destroy()
{
    if (!window_) return;
    if (modal_) {
        EndDialog(IDCANCEL);
        return;
    }
    // WM_NCDESTROY clears window_.
    if (!DestroyWindow(window_)) window_ = nullptr;
}

LRESULT CDialog::SendItem(int id, UINT message, WPARAM wParam, LPARAM lParam) const
{
    HWND item = Item(id);
    return item ? SendMessageW(item, message, wParam, lParam) : 0;
}

void CDialog::SetItemText(int id, const std::wstring& text) const
{
    if (window_) (void)SetDlgItemTextW(window_, id, text.c_str());  // a missing item has no text to set
}

std::wstring CDialog::ItemText(int id) const
{
    return WindowText(Item(id));
}

void CDialog::EnableItem(int id, bool enable) const
{
    if (HWND item = Item(id)) (void)EnableWindow(item, enable ? TRUE : FALSE);  // answers the previous state
}

void CDialog::ShowItem(int id, bool show) const
{
    if (HWND item = Item(id)) (void)ShowWindow(item, show ? SW_SHOW : SW_HIDE);  // answers the previous state
}

INT_PTR CALLBACK CDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog) return TRUE;
        dialog->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->window_ = nullptr;
    }
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = dialog->HandleMessage(message, wParam, lParam, result);
    } catch (...) {
        // No exception may cross into the system's dispatch; the message gets the default processing.
        handled = false;
    }
    if (!handled) return FALSE;
    if (AnswersDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

std::wstring WindowText(HWND window)
{
    if (!window) return std::wstring();
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

RECT RectInParent(HWND window, HWND parent)
{
    RECT rect = {};
    if (!GetWindowRect(window, &rect)) return rect;
    // Two points: the left and top corner, the right and bottom corner.
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
