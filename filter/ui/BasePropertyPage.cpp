#include "filter/ui/BasePropertyPage.h"

#include "filter/ui/CodeModule.h"

namespace {

constexpr int kTitleChars = 256;
// The page size reported when the template cannot be measured.
constexpr LONG kFallbackWidth = 340;
constexpr LONG kFallbackHeight = 150;

}  // namespace

CBasePropertyPage::CBasePropertyPage(IUnknown* outer, int dialogId, int titleId)
    : CUnknown(outer), titleId_(titleId), dialogId_(dialogId)
{
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::NonDelegatingQueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IPropertyPage)) return GetInterface(static_cast<IPropertyPage*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
}

ULONG STDMETHODCALLTYPE CBasePropertyPage::NonDelegatingRelease()
{
    const LONG count = InterlockedDecrement(&refCount_);
    if (count > 0) return static_cast<ULONG>(count);
    // The count stays above zero while the page lets go of what it holds, which may call back into it.
    refCount_ = 1;
    // A window left behind would call into the deleted page with its next message.
    if (pageWindow_) (void)Deactivate();  // S_OK while active
    (void)SetPageSite(nullptr);           // E_UNEXPECTED when no site is held, which is fine here
    (void)SetObjects(0, nullptr);         // the hook's result has no one to go to
    delete this;
    return 0;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::SetPageSite(IPropertyPageSite* site)
{
    if (site) {
        if (site_) return E_UNEXPECTED;
        site_.CopyFrom(site);
    } else {
        if (!site_) return E_UNEXPECTED;
        site_.Reset();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::SetObjects(ULONG count, IUnknown** objects)
{
    if (count == 1) {
        if (!objects || !objects[0]) return E_POINTER;
        objectsSet_ = TRUE;
        return OnConnect(objects[0]);
    }
    if (count == 0) {
        objectsSet_ = FALSE;
        return OnDisconnect();
    }
    return E_UNEXPECTED;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::GetPageInfo(PROPPAGEINFO* info)
{
    if (!info) return E_POINTER;
    wchar_t title[kTitleChars] = {};
    if (LoadStringW(CodeModule(), static_cast<UINT>(titleId_), title, kTitleChars) <= 0) title[0] = L'\0';
    const size_t bytes = (wcslen(title) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    memcpy(copy, title, bytes);

    SIZE size = {kFallbackWidth, kFallbackHeight};
    // The template's size in pixels for the current font and resolution: made once, measured, destroyed.
    HWND probe = CreateDialogParamW(CodeModule(), MAKEINTRESOURCEW(dialogId_), GetDesktopWindow(),
                                    &CBasePropertyPage::DialogProc, 0);
    if (probe) {
        RECT rect = {};
        if (GetWindowRect(probe, &rect)) size = {rect.right - rect.left, rect.bottom - rect.top};
        DestroyWindow(probe);
    }

    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = copy;
    info->size = size;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Activate(HWND parent, LPCRECT rect, BOOL /*modal*/)
{
    if (!rect) return E_POINTER;
    if (!objectsSet_ || pageWindow_) return E_UNEXPECTED;
    pageWindow_ = CreateDialogParamW(CodeModule(), MAKEINTRESOURCEW(dialogId_), parent,
                                     &CBasePropertyPage::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!pageWindow_) return E_OUTOFMEMORY;
    (void)OnActivate();  // always S_OK
    (void)Move(rect);    // S_OK: the page is active and the rectangle is there
    return Show(SW_SHOWNORMAL);
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Deactivate()
{
    if (!pageWindow_) return E_UNEXPECTED;
    // The frame's dialog manager must not step into a page that is going away.
    HWND window = pageWindow_;
    pageWindow_ = nullptr;
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, style & ~static_cast<LONG_PTR>(WS_EX_CONTROLPARENT));
    pageWindow_ = window;

    (void)OnDeactivate();  // always S_OK
    DestroyWindow(pageWindow_);
    pageWindow_ = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Show(UINT command)
{
    if (!pageWindow_) return E_UNEXPECTED;
    if (command != SW_HIDE && command != SW_SHOWNORMAL && command != SW_SHOW) return E_INVALIDARG;
    (void)ShowWindow(pageWindow_, static_cast<int>(command));  // answers the previous visibility
    (void)InvalidateRect(pageWindow_, nullptr, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Move(LPCRECT rect)
{
    if (!rect) return E_POINTER;
    if (!pageWindow_) return E_UNEXPECTED;
    (void)MoveWindow(pageWindow_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::IsPageDirty()
{
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Apply()
{
    if (!objectsSet_ || !site_) return E_UNEXPECTED;
    if (!dirty_) return S_OK;
    const HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr)) dirty_ = FALSE;
    return hr;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::Help(LPCOLESTR /*helpDirectory*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBasePropertyPage::TranslateAccelerator(MSG* /*message*/)
{
    return E_NOTIMPL;
}

INT_PTR CBasePropertyPage::OnReceiveMessage(HWND /*window*/, UINT /*message*/, WPARAM /*wParam*/,
                                            LPARAM /*lParam*/)
{
    return FALSE;
}

void CBasePropertyPage::MarkDirty()
{
    dirty_ = TRUE;
    if (site_) (void)site_->OnStatusChange(PROPPAGESTATUS_DIRTY);  // the site's answer changes nothing here
}

INT_PTR CALLBACK CBasePropertyPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        if (!lParam) return TRUE;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CBasePropertyPage*>(lParam)->dialogWindow_ = window;
    }
    auto* page = reinterpret_cast<CBasePropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!page) return TRUE;
    // The page outlives its handler even when the frame lets go of it meanwhile: a call into the filter may run a
    // modal loop, during which the frame can close.
    page->AddRef();
    INT_PTR answer = FALSE;
    try {
        answer = page->OnReceiveMessage(window, message, wParam, lParam);
    } catch (...) {
        // No exception may cross into the system's dispatch.
        answer = FALSE;
    }
    page->Release();
    return answer;
}
