#include "FakeData.h"

#include "filter/ui/ModeDialog.h"

#include <algorithm>
#include <utility>

HRESULT STDMETHODCALLTYPE FakeData::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IOwnedCameraProperties)) *object = static_cast<IOwnedCameraProperties*>(this);
    else if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IData)) *object = static_cast<IData*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeData::ShowCameraPropertiesOwnedBy(const wchar_t* name, HWND owner)
{
    cameraPropertiesOwner = owner;
    Call(L"ShowCameraProperties", name);
    if (whileCameraPropertiesOpen) whileCameraPropertiesOpen();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeData::GetCameraName(wchar_t* buffer, int32_t index)
{
    const bool inList = index >= 0 && static_cast<size_t>(index) < cameras.size();
    return Copy(inList ? cameras[static_cast<size_t>(index)] : std::wstring(), buffer);
}

HRESULT STDMETHODCALLTYPE FakeData::GetMonitorName(char* buffer, int32_t index)
{
    if (!buffer) return E_POINTER;
    const bool inList = index >= 0 && static_cast<size_t>(index) < monitors.size();
    const std::string name = inList ? monitors[static_cast<size_t>(index)] : std::string();
    const size_t length = std::min(name.size(), kIDataBufferChars - 1);
    std::copy_n(name.begin(), length, buffer);
    buffer[length] = '\0';
    return S_OK;
}

std::vector<std::wstring> FakeData::Take()
{
    return std::exchange(calls, {});
}

HRESULT FakeData::Call(const wchar_t* name, const wchar_t* value)
{
    calls.push_back(std::wstring(name) + L"(" + (value ? value : L"<null>") + L")");
    return S_OK;
}

HRESULT FakeData::Call(const wchar_t* name, int32_t value)
{
    return Call(name, std::to_wstring(value).c_str());
}

HRESULT FakeData::Copy(const std::wstring& value, wchar_t* buffer)
{
    if (!buffer) return E_POINTER;
    const size_t length = std::min(value.size(), kIDataBufferChars - 1);
    std::copy_n(value.begin(), length, buffer);
    buffer[length] = L'\0';
    return S_OK;
}

HRESULT FakeData::Copy(int32_t value, int32_t* out)
{
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestPageSite::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IPropertyPageSite)) return E_NOINTERFACE;
    *object = static_cast<IPropertyPageSite*>(this);
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestPageSite::GetLocaleID(LCID* locale)
{
    if (!locale) return E_POINTER;
    *locale = GetUserDefaultLCID();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestPageSite::GetPageContainer(IUnknown** container)
{
    if (container) *container = nullptr;
    return E_NOTIMPL;
}

HostWindow::HostWindow(int width, int height)
{
    static const wchar_t kClass[] = L"VeltraneUiTestHost";
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &HostWindow::Proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, kClass, L"Veltrane UI test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                              height, nullptr, nullptr, windowClass.hInstance, this);
    // The area the mode dialogs cover: 167 x 131 dialog units of "MS Shell Dlg" 8 pt at 96 dots per inch.
    area_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 20, 20, 251, 213, window_,
                            reinterpret_cast<HMENU>(1036), windowClass.hInstance, nullptr);
    Pump();
}

HostWindow::~HostWindow()
{
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK HostWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (host && message == kSettingChangedMessage && wParam == 0 && lParam == 0) {
        ++host->settingChanges_;
        return TRUE;
    }
    if (message == kRunMessage) {
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Pump()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Command(HWND dialog, int id, int code)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Click(HWND dialog, int id)
{
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void ChooseEntry(HWND dialog, int id, int index)
{
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Command(dialog, id, CBN_SELCHANGE);
}

std::wstring TextOf(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

bool IsChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsShown(HWND dialog, int id)
{
    return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

HWND ChildDialogWith(HWND parent, int id)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetDlgItem(child, id)) return child;
    }
    return nullptr;
}
