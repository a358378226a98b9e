#pragma once
// A property page object over a dialog template: the IPropertyPage contract (site, objects, activation, size,
// dirty state, apply) on the framework's CUnknown, with hooks for the concrete page.
#include "filter/framework/ComRef.h"
#include "filter/framework/Unknown.h"

#include <windows.h>
#include <ocidl.h>

class CBasePropertyPage : public IPropertyPage, public CUnknown {
public:
    CBasePropertyPage(IUnknown* outer, int dialogId, int titleId);

    VELTRANE_DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    // The last release lets go of the site and the objects (and of the window, should the host not have
    // deactivated the page) before the object goes.
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

    HRESULT STDMETHODCALLTYPE SetPageSite(IPropertyPageSite* site) override;
    HRESULT STDMETHODCALLTYPE Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    HRESULT STDMETHODCALLTYPE Deactivate() override;
    HRESULT STDMETHODCALLTYPE GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT STDMETHODCALLTYPE SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT STDMETHODCALLTYPE Show(UINT command) override;
    HRESULT STDMETHODCALLTYPE Move(LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE IsPageDirty() override;
    HRESULT STDMETHODCALLTYPE Apply() override;
    HRESULT STDMETHODCALLTYPE Help(LPCOLESTR helpDirectory) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG* message) override;

protected:
    virtual HRESULT OnConnect(IUnknown* /*object*/) { return S_OK; }
    virtual HRESULT OnDisconnect() { return S_OK; }
    virtual HRESULT OnActivate() { return S_OK; }
    virtual HRESULT OnDeactivate() { return S_OK; }
    virtual HRESULT OnApplyChanges() { return S_OK; }
    // The page window's messages; the answer is the dialog procedure's.
    virtual INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Marks the page changed and tells the site.
    void MarkDirty();
    HWND PageWindow() const { return pageWindow_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ComRef<IPropertyPageSite> site_;
    HWND pageWindow_ = nullptr;
    HWND dialogWindow_ = nullptr;
    BOOL dirty_ = FALSE;
    int titleId_;
    int dialogId_;
    BOOL objectsSet_ = FALSE;
};
