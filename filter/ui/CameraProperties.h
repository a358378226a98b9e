#pragma once
// The camera's "Settings" page: the input mode and, beside it, the mode dialog of the chosen mode. Every change
// acts on the running filter at once through IData; Apply saves the settings, leaving the page without Apply
// returns the filter to the saved ones.
#include "filter/IData.h"
#include "filter/framework/ComRef.h"
#include "filter/ui/BasePropertyPage.h"

#include <memory>

class CCameraWindow;
class CVideoWindow;
class CPicturesWindow;
class CMonitorsWindow;

class CCameraProperties : public CBasePropertyPage {
public:
    // The class factory's creation function: a new page for `outer` as its non-delegating unknown without a
    // reference, or null with E_OUTOFMEMORY in `hr`.
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
    ~CCameraProperties() override;

protected:
    explicit CCameraProperties(IUnknown* outer);

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    HRESULT OnApplyChanges() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SelectMode(int32_t mode, bool mark);

    HWND modeParent_ = nullptr;
    ComRef<IData> data_;
    // Shared with a mode dialog's own modal loop, which keeps its dialog alive past the page's deactivation.
    std::shared_ptr<CCameraWindow> cameraWindow_;
    std::shared_ptr<CVideoWindow> videoWindow_;
    std::shared_ptr<CPicturesWindow> picturesWindow_;
    std::shared_ptr<CMonitorsWindow> monitorsWindow_;
    int32_t mode_ = 0;
    BOOL inactive_ = TRUE;
};
